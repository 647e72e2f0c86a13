// The property catalogue, the six profile lists, their preset tick sets and CheckedProps.
#include "detect/ComparisonProfiles.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace gleaner;

namespace {

using Names = std::vector<std::wstring>;

Names Captions(ItemKind kind)
{
    Names out;
    for (const PropertyInfo* row : ProfileRows(kind)) out.emplace_back(row->caption);
    return out;
}

std::vector<std::size_t> TickedRows(const ComparisonProfiles& profiles, ItemKind kind)
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) {
        if (profiles.ticked(kind, row)) rows.push_back(row);
    }
    return rows;
}

const Names kTail = {L"Attachments", L"Billing Information", L"Categories", L"Companies", L"Conversation Index",
                     L"Conversation Topic", L"Creation Time", L"Importance", L"Last Modification Time",
                     L"Mileage", L"No Aging", L"Sensitivity", L"Size", L"UnRead"};

Names Join(Names head, const Names& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(DetectProfiles, ListsHoldTheirCaptionsInOrder)
{
    EXPECT_EQ(Captions(ItemKind::Calendar),
              Join({L"Subject*", L"Body*", L"Location*", L"Start Time*", L"End Time*"}, kTail));
    EXPECT_EQ(Captions(ItemKind::Contact),
              Join(Join({L"Subject*", L"Body*", L"E-mail*", L"Full Name*", L"First Name*", L"Last Name*",
                         L"E-mail Display Name*"},
                        kTail),
                   {L"Assistant Telephone Number", L"Business Telephone Number", L"Business 2 Telephone Number",
                    L"Business Fax Number", L"Callback Telephone Number", L"Car Telephone Number",
                    L"Company Main Telephone Number", L"Home Telephone Number", L"Home 2 Telephone Number",
                    L"Home Fax Number", L"ISDN Number", L"Mobile Telephone Number", L"Other Telephone Number",
                    L"Other Fax Number", L"Pager Number", L"Primary Telephone Number", L"Radio Telephone Number",
                    L"Telex Number", L"TTY/TDD Telephone Number"}));
    EXPECT_EQ(Captions(ItemKind::Mail), Join({L"Subject*", L"Body*", L"From*", L"To*", L"Cc*", L"Bcc*"}, kTail));
    EXPECT_EQ(Captions(ItemKind::Journal), Join({L"Subject*", L"Body*", L"Start Time*", L"End Time*"}, kTail));
    EXPECT_EQ(Captions(ItemKind::Note), (Names{L"Subject*", L"Body*", L"Categories", L"Creation Time",
                                               L"Last Modification Time", L"Size"}));
    EXPECT_EQ(Captions(ItemKind::Task), Join({L"Subject*", L"Body*", L"Start Date*", L"Due Date*", L"Owner*",
                                              L"Total Work*", L"Actual Work*"},
                                             kTail));

    const std::size_t sizes[] = {19, 40, 20, 18, 6, 21};
    ComparisonProfiles profiles;
    for (ItemKind kind : kItemKinds) {
        EXPECT_EQ(profiles.rowCount(kind), sizes[static_cast<int>(kind)]);
        EXPECT_TRUE(TickedRows(profiles, kind).empty()) << "a new profile has nothing ticked";
    }
    EXPECT_FALSE(profiles.sameFolder());
    EXPECT_THROW(profiles.ticked(ItemKind::Note, 6), std::out_of_range);
}

TEST(DetectProfiles, CatalogueMembersFormsAndColumns)
{
    struct Case {
        ItemKind kind;
        std::size_t row;
        std::wstring_view member;
        ValueForm form;
        std::wstring_view column;
    };
    const Case cases[] = {
        {ItemKind::Mail, 0, L"subject", ValueForm::Text, L"Subject"},
        {ItemKind::Mail, 2, L"Sendername", ValueForm::Text, L"Sendername"},
        {ItemKind::Mail, 3, L"to", ValueForm::Text, L"To"},
        {ItemKind::Mail, 6, L"Attachments", ValueForm::AttachmentCount, L"Attachments."},
        {ItemKind::Calendar, 5, L"Attachments", ValueForm::AttachmentCount, L"Attachments"},
        {ItemKind::Calendar, 3, L"Start", ValueForm::DateTime, L"Start"},
        {ItemKind::Calendar, 4, L"end", ValueForm::DateTime, L"End"},
        {ItemKind::Task, 2, L"startdate", ValueForm::DateTime, L"Startdate"},
        {ItemKind::Task, 3, L"duedate", ValueForm::DateTime, L"Duedate"},
        {ItemKind::Task, 5, L"totalwork", ValueForm::Number, L"Totalwork"},
        {ItemKind::Task, 6, L"actualwork", ValueForm::Number, L"Actualwork"},
        {ItemKind::Journal, 14, L"NoAging", ValueForm::Flag, L"NoAging"},
        {ItemKind::Journal, 17, L"UnRead", ValueForm::Flag, L"UnRead"},
        {ItemKind::Mail, 19, L"UnRead", ValueForm::Flag, L"UnRead"},
        {ItemKind::Note, 5, L"Size", ValueForm::Number, L"Size"},
        {ItemKind::Contact, 2, L"Email1Address", ValueForm::Text, L"Email1Address"},
        {ItemKind::Contact, 39, L"TTYTDDTelephoneNumber", ValueForm::Text, L"TTYTDDTelephoneNumber"},
    };
    for (const Case& c : cases) {
        const PropertyInfo* row = ProfileRows(c.kind)[c.row];
        SCOPED_TRACE(std::string(row->caption.begin(), row->caption.end()));
        EXPECT_EQ(row->member, c.member);
        EXPECT_EQ(row->form, c.form);
        EXPECT_EQ(ColumnName(c.kind, c.row), c.column);
    }
    // "Attachments." belongs to the Mail list alone.
    for (ItemKind kind : kItemKinds) {
        for (std::size_t row = 0; row < ProfileRows(kind).size(); ++row) {
            if (ColumnName(kind, row) == L"Attachments.") EXPECT_EQ(kind, ItemKind::Mail);
        }
    }
}

TEST(DetectProfiles, FirstStartAndDefaultSets)
{
    ComparisonProfiles profiles;
    profiles.setSameFolder(true);
    profiles.setTicked(ItemKind::Contact, 30, true);
    profiles.ApplyFirstStart();
    EXPECT_FALSE(profiles.sameFolder());
    using Rows = std::vector<std::size_t>;
    EXPECT_EQ(TickedRows(profiles, ItemKind::Calendar), (Rows{0, 2, 3, 4}));
    EXPECT_EQ(TickedRows(profiles, ItemKind::Contact), (Rows{0, 2, 4, 5}));
    EXPECT_EQ(TickedRows(profiles, ItemKind::Mail), (Rows{0, 1}));
    EXPECT_EQ(TickedRows(profiles, ItemKind::Journal), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(TickedRows(profiles, ItemKind::Note), (Rows{0, 1}));
    EXPECT_EQ(TickedRows(profiles, ItemKind::Task), (Rows{0, 2, 3}));

    // "Check default properties*": exactly the starred rows, from any starting state.
    profiles.setSameFolder(true);
    profiles.setTicked(ItemKind::Calendar, 18, true);
    profiles.setTicked(ItemKind::Contact, 39, true);
    profiles.Button2Click();
    EXPECT_FALSE(profiles.sameFolder());
    for (ItemKind kind : kItemKinds) {
        for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) {
            bool starred = ProfileRows(kind)[row]->caption.ends_with(L'*');
            EXPECT_EQ(profiles.ticked(kind, row), starred) << static_cast<int>(kind) << " row " << row;
        }
    }
    EXPECT_EQ(TickedRows(profiles, ItemKind::Contact).size(), 7u);
    EXPECT_EQ(TickedRows(profiles, ItemKind::Note).size(), 2u);
}

TEST(DetectProfiles, CheckedPropsPerKindNumber)
{
    ComparisonProfiles profiles;
    profiles.ApplyFirstStart();
    std::vector<std::wstring> columns{L"left over"};
    struct Case {
        std::int32_t kindNumber;
        Names expected;
    };
    const Case firstStart[] = {
        {0, {L"Subject", L"Body"}},
        {1, {L"Subject", L"Location", L"Start", L"End"}},
        {2, {L"Subject", L"Email1Address", L"FirstName", L"LastName"}},
        {3, {L"Subject", L"Startdate", L"Duedate"}},
        {4, {L"Subject", L"Body", L"Start", L"End"}},
        {5, {L"Subject", L"Body"}},
    };
    for (const Case& c : firstStart) {
        profiles.CheckedProps(c.kindNumber, columns);
        EXPECT_EQ(columns, c.expected) << "kind " << c.kindNumber;
    }

    // Nothing ticked: every list gives nothing, while numbers outside 0-5 still give
    // Subject and Body without looking at any list.
    ComparisonProfiles empty;
    for (std::int32_t kindNumber = 0; kindNumber <= 5; ++kindNumber) {
        columns = {L"left over"};
        empty.CheckedProps(kindNumber, columns);
        EXPECT_TRUE(columns.empty()) << "kind " << kindNumber;
    }
    for (std::int32_t kindNumber : {6, -1, 99, INT32_MIN}) {
        empty.CheckedProps(kindNumber, columns);
        EXPECT_EQ(columns, (Names{L"Subject", L"Body"})) << "kind " << kindNumber;
    }

    ComparisonProfiles attachmentsOnly;
    attachmentsOnly.setTicked(ItemKind::Mail, 6, true);
    attachmentsOnly.setTicked(ItemKind::Calendar, 5, true);
    attachmentsOnly.CheckedProps(0, columns);
    EXPECT_EQ(columns, (Names{L"Attachments."}));
    attachmentsOnly.CheckedProps(1, columns);
    EXPECT_EQ(columns, (Names{L"Attachments"}));

    // Everything ticked: one name per row, in row order, never twice.
    ComparisonProfiles all;
    for (ItemKind kind : kItemKinds) {
        for (std::size_t row = 0; row < all.rowCount(kind); ++row) all.setTicked(kind, row, true);
    }
    for (ItemKind kind : kItemKinds) {
        all.CheckedProps(KindInfo(kind).defaultItemType, columns);
        ASSERT_EQ(columns.size(), all.rowCount(kind));
        EXPECT_EQ(std::set<std::wstring>(columns.begin(), columns.end()).size(), columns.size());
        for (std::size_t row = 0; row < columns.size(); ++row) EXPECT_EQ(columns[row], ColumnName(kind, row));
    }
}

TEST(DetectProfiles, MessageClassesAndItemTypes)
{
    EXPECT_EQ(KindFromMessageClass(L"IPM.Appointment"), ItemKind::Calendar);
    EXPECT_EQ(KindFromMessageClass(L"IPM.Contact"), ItemKind::Contact);
    EXPECT_EQ(KindFromMessageClass(L"IPM.Note"), ItemKind::Mail);
    EXPECT_EQ(KindFromMessageClass(L"IPM.Activity"), ItemKind::Journal);
    EXPECT_EQ(KindFromMessageClass(L"IPM.StickyNote"), ItemKind::Note);
    EXPECT_EQ(KindFromMessageClass(L"IPM.Task"), ItemKind::Task);
    for (const wchar_t* other : {L"IPM.Note.SMIME", L"IPM.Schedule.Meeting.Request", L"IPM.Post", L"IPM.DistList",
                                 L"ipm.note", L"IPM.Note ", L"IPM", L""}) {
        EXPECT_FALSE(KindFromMessageClass(other).has_value()) << std::wstring(other).size();
    }
    const std::int32_t types[] = {1, 2, 0, 4, 5, 3};
    for (ItemKind kind : kItemKinds) {
        EXPECT_EQ(KindInfo(kind).defaultItemType, types[static_cast<int>(kind)]);
        EXPECT_EQ(KindFromDefaultItemType(types[static_cast<int>(kind)]), kind);
    }
    EXPECT_FALSE(KindFromDefaultItemType(6).has_value());
    EXPECT_EQ(KindInfo(ItemKind::Note).tabCaption, L"Note");
}

} // namespace
