// Item signatures built from stand-in Outlook items: value forms, message classes, the
// same-folder prefix, the GUID rule, framing, wide text, and which members are read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "detect/ItemSignature.h"
#include "detect/SignatureText.h"
#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/LocaleFormat.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::StandInProfile;

namespace {

// A profile and the Outlook objects on it; members are released before the profile goes.
class Outlook {
public:
    explicit Outlook(std::string_view json) : profile_(json)
    {
        application_ = test::CreateOutlook();
        nameSpace_ = application_.callObject(L"GetNamespace", L"MAPI");
    }

    // Folder `index` (from 1) of the first store.
    Dispatch folder(int index) const
    {
        return nameSpace_.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item",
                                                                                                        index);
    }
    Dispatch item(int folderIndex, int index) const
    {
        return folder(folderIndex).getObject(L"Items").callObject(L"Item", index);
    }
    std::vector<Dispatch> items(int folderIndex) const
    {
        Dispatch all = folder(folderIndex).getObject(L"Items");
        std::vector<Dispatch> out;
        for (int i = 1; i <= all.get(L"Count").toInt(); ++i) out.push_back(all.callObject(L"Item", i));
        return out;
    }
    void resetCounts() const { test::StandInControl(application_).call(L"ResetCounts"); }
    long calls(std::wstring_view member) const { return test::CallCount(application_, member); }

private:
    StandInProfile profile_;
    ComInit com_{};
    Dispatch application_;
    Dispatch nameSpace_;
};

std::string Profile(std::string_view inbox, std::string_view second = "[]")
{
    return R"({ "stores": [ { "name": "Personal Folders", "folders": [
        { "name": "Inbox", "defaultItemType": 0, "items": )" +
           std::string(inbox) + R"( },
        { "name": "Sent Items", "defaultItemType": 0, "items": )" +
           std::string(second) + R"( } ] } ] })";
}

std::wstring Framed(std::vector<std::wstring> values, const wchar_t* folder = nullptr)
{
    SignatureText text;
    if (folder) text.setFolderPath(folder);
    for (const auto& value : values) text.appendValue(value);
    return text.finish();
}

// Only these rows of the kind ticked, nothing anywhere else.
ComparisonProfiles Ticks(ItemKind kind, std::initializer_list<std::size_t> rows, bool sameFolder = false)
{
    ComparisonProfiles profiles;
    for (std::size_t row : rows) profiles.setTicked(kind, row, true);
    profiles.setSameFolder(sameFolder);
    return profiles;
}

bool IsGuid(const std::wstring& text)
{
    static const std::wregex form(L"\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
    return std::regex_match(text, form);
}

// 7 March 2009 at the given time of day, as an OLE automation date.
double March7(int h, int m, int s, int ms = 0)
{
    SYSTEMTIME day{2009, 3, 0, 7, 0, 0, 0, 0};
    double date = 0;
    ::SystemTimeToVariantTime(&day, &date);
    return date + (h * 3600.0 + m * 60.0 + s + ms / 1000.0) / 86400.0;
}

std::wstring ApiDateTime(int h, int m, int s)
{
    SYSTEMTIME time{2009, 3, 0, 7, static_cast<WORD>(h), static_cast<WORD>(m), static_cast<WORD>(s), 0};
    return FormatShortDate(time) + FormatLongTime(time);
}

std::wstring UserLocaleName()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNAME, name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

TEST(DetectDateTime, FollowsTheUsersRegionalSettings)
{
    ComInit com;
    if (const char* expected = std::getenv("GLEANER_EXPECT_LOCALE"); expected && *expected) {
        std::string want(expected);
        ASSERT_EQ(UserLocaleName(), std::wstring(want.begin(), want.end())) << "the locale did not take effect";
    }
    // The user's long time format in en-US and de-DE is exactly the composed form.
    for (auto [h, m, s] : {std::tuple{14, 5, 9}, {0, 0, 0}, {9, 3, 7}, {12, 0, 0}, {23, 59, 59}}) {
        EXPECT_EQ(DateTimeText(March7(h, m, s)), ApiDateTime(h, m, s)) << h << ":" << m << ":" << s;
    }
    if (UserLocaleName() == L"en-US") {
        EXPECT_EQ(DateTimeText(March7(14, 5, 9)), L"3/7/20092:05:09 PM");
    }

    // Through an item: fractions are dropped, never rounded up into the next second.
    Outlook outlook(Profile(R"([
        { "messageClass": "IPM.Appointment", "Start": "2009-03-07T12:00:00.100" },
        { "messageClass": "IPM.Appointment", "Start": "2009-03-07T12:00:00.900" },
        { "messageClass": "IPM.Appointment", "Start": "2009-03-07T12:00:00.999" },
        { "messageClass": "IPM.Appointment", "Start": "2009-03-07T12:00:01.000" } ])"));
    ComparisonProfiles profiles = Ticks(ItemKind::Calendar, {3});
    ItemSignature signature(profiles);
    std::vector<std::wstring> got;
    for (const Dispatch& item : outlook.items(1)) got.push_back(signature.DuplicateSearch(item));
    EXPECT_EQ(got[0], got[1]);
    EXPECT_EQ(got[1], got[2]);
    EXPECT_NE(got[2], got[3]);
    EXPECT_EQ(got[0], Framed({ApiDateTime(12, 0, 0)}));
    EXPECT_EQ(got[3], Framed({ApiDateTime(12, 0, 1)}));
}

TEST(DetectSignature, ValueForms)
{
    Outlook outlook(Profile(R"([
        { "messageClass": "IPM.Note", "Subject": "Hello", "SenderName": "Ann Example", "To": "Bob; Carl",
          "Importance": 2, "Size": 1234, "NoAging": false, "UnRead": true, "attachments": ["a.txt", "b.txt"],
          "CreationTime": "2009-03-07T14:05:09", "Sensitivity": -3 },
        { "messageClass": "IPM.Task", "Subject": "", "TotalWork": -5, "ActualWork": 0, "UnRead": false } ])"));
    Dispatch mail = outlook.item(1, 1);
    Dispatch task = outlook.item(1, 2);
    auto mailRow = [](std::size_t row) { return *ProfileRows(ItemKind::Mail)[row]; };
    auto taskRow = [](std::size_t row) { return *ProfileRows(ItemKind::Task)[row]; };
    struct Case {
        const Dispatch& item;
        PropertyInfo property;
        std::wstring expected;
    };
    const Case cases[] = {
        {mail, mailRow(0), L"Hello"},
        {mail, mailRow(2), L"Ann Example"},
        {mail, mailRow(3), L"Bob; Carl"},
        {mail, mailRow(6), L"2"},                        // attachment count
        {mail, mailRow(12), ApiDateTime(14, 5, 9)},      // Creation Time
        {mail, mailRow(13), L"2"},                       // Importance
        {mail, mailRow(16), L"0"},                       // No Aging, false
        {mail, mailRow(17), L"-3"},                      // Sensitivity
        {mail, mailRow(18), L"1234"},                    // Size
        {mail, mailRow(19), L"-1"},                      // UnRead, true
        {task, taskRow(0), L""},
        {task, taskRow(5), L"-5"},                       // Total Work
        {task, taskRow(6), L"0"},                        // Actual Work
        {task, taskRow(7), L"0"},                        // no attachments
        {task, taskRow(20), L"0"},                       // UnRead, false
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property.caption.begin(), c.property.caption.end()));
        EXPECT_EQ(PropertyText(c.item, c.property), c.expected);
    }

    // Joined in row order, whatever order the rows were ticked in.
    ComparisonProfiles profiles = Ticks(ItemKind::Mail, {19, 0, 6, 12});
    ItemSignature signature(profiles);
    EXPECT_EQ(signature.DuplicateSearch(mail), Framed({L"Hello", L"2", ApiDateTime(14, 5, 9), L"-1"}));
}

TEST(DetectSignature, MessageClasses)
{
    Outlook outlook(Profile(R"([
        { "messageClass": "IPM.Appointment", "Subject": "Same" },
        { "messageClass": "IPM.Contact", "Subject": "Same" },
        { "messageClass": "IPM.Note", "Subject": "Same" },
        { "messageClass": "IPM.Activity", "Subject": "Same" },
        { "messageClass": "IPM.StickyNote", "Subject": "Same" },
        { "messageClass": "IPM.Task", "Subject": "Same" },
        { "messageClass": "IPM.Note.SMIME", "Subject": "Same" },
        { "messageClass": "IPM.Schedule.Meeting.Request", "Subject": "Same" },
        { "messageClass": "IPM.Post", "Subject": "Same" },
        { "messageClass": "IPM.DistList", "Subject": "Same" },
        { "messageClass": "ipm.note", "Subject": "Same" } ])"));
    std::vector<Dispatch> items = outlook.items(1);
    ASSERT_EQ(items.size(), 11u);
    for (bool sameFolder : {false, true}) {
        ComparisonProfiles profiles;
        for (ItemKind kind : kItemKinds) profiles.setTicked(kind, 0, true);
        profiles.setSameFolder(sameFolder);
        ItemSignature signature(profiles);
        std::wstring supported = sameFolder ? Framed({L"Same"}, L"\\Personal Folders\\Inbox") : Framed({L"Same"});
        for (std::size_t i = 0; i < items.size(); ++i) {
            // The kind is no part of the signature: all six supported kinds agree.
            EXPECT_EQ(signature.DuplicateSearch(items[i]), i < 6 ? supported : std::wstring(kNotSupported))
                << "item " << i + 1 << (sameFolder ? ", same folder" : "");
        }
    }
    // The class is read once per item, whatever the table's length.
    ComparisonProfiles none;
    ItemSignature signature(none);
    outlook.resetCounts();
    for (const Dispatch& item : items) signature.DuplicateSearch(item);
    EXPECT_EQ(outlook.calls(L"MessageClass"), static_cast<long>(items.size()));
}

TEST(DetectSignature, SameFolderPutsThePathInFront)
{
    const char* hello = R"([ { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "World" } ])";
    Outlook outlook(Profile(hello, hello));
    Dispatch inbox = outlook.item(1, 1);
    Dispatch sent = outlook.item(2, 1);
    ComparisonProfiles profiles = Ticks(ItemKind::Mail, {0, 1}, true);
    ItemSignature signature(profiles);

    std::wstring inInbox = signature.DuplicateSearch(inbox);
    EXPECT_EQ(inInbox, Framed({L"Hello", L"World"}, L"\\Personal Folders\\Inbox"));
    EXPECT_NE(signature.DuplicateSearch(sent), inInbox);

    profiles.setSameFolder(false); // read at each call
    EXPECT_EQ(signature.DuplicateSearch(sent), signature.DuplicateSearch(inbox));
    EXPECT_EQ(signature.DuplicateSearch(inbox), Framed({L"Hello", L"World"}));
}

TEST(DetectSignature, NothingToCompareGivesAFreshGuid)
{
    const char* empties = R"([
        { "messageClass": "IPM.Note", "Subject": "", "Body": "" },
        { "messageClass": "IPM.Task", "Subject": "" } ])";
    Outlook outlook(Profile(empties, empties));
    std::vector<Dispatch> inbox = outlook.items(1);
    std::vector<Dispatch> sent = outlook.items(2);

    ComparisonProfiles nothing;           // nothing ticked anywhere
    ComparisonProfiles emptyValues;       // ticked, but every value empty
    emptyValues.setTicked(ItemKind::Mail, 0, true);
    emptyValues.setTicked(ItemKind::Mail, 1, true);
    emptyValues.setTicked(ItemKind::Task, 0, true);
    for (ComparisonProfiles* profiles : {&nothing, &emptyValues}) {
        ItemSignature signature(*profiles);
        std::wstring first = signature.DuplicateSearch(inbox[0]);
        std::wstring again = signature.DuplicateSearch(inbox[0]);
        std::wstring other = signature.DuplicateSearch(inbox[1]);
        EXPECT_TRUE(IsGuid(first)) << std::string(first.begin(), first.end());
        EXPECT_TRUE(IsGuid(other));
        EXPECT_NE(first, again);
        EXPECT_NE(first, other);

        // Same folder: the path alone, shared by every such item of the folder.
        profiles->setSameFolder(true);
        std::wstring inboxPath = Framed({}, L"\\Personal Folders\\Inbox");
        EXPECT_EQ(signature.DuplicateSearch(inbox[0]), inboxPath);
        EXPECT_EQ(signature.DuplicateSearch(inbox[1]), inboxPath);
        EXPECT_EQ(signature.DuplicateSearch(sent[0]), Framed({}, L"\\Personal Folders\\Sent Items"));
    }
}

TEST(DetectSignature, FramedAndWide)
{
    Outlook outlook(Profile(R"([
        { "messageClass": "IPM.Note", "Subject": "ab", "Body": "c" },
        { "messageClass": "IPM.Note", "Subject": "a", "Body": "bc" },
        { "messageClass": "IPM.Note", "Subject": "Привет", "Body": "" },
        { "messageClass": "IPM.Note", "Subject": "Москва", "Body": "" },
        { "messageClass": "IPM.Note", "Subject": "notsupported", "Body": "" },
        { "messageClass": "IPM.Task", "Subject": "ab", "Body": "c" } ])"));
    std::vector<Dispatch> items = outlook.items(1);
    ComparisonProfiles profiles = Ticks(ItemKind::Mail, {0, 1});
    profiles.setTicked(ItemKind::Task, 0, true);
    profiles.setTicked(ItemKind::Task, 1, true);
    ItemSignature signature(profiles);
    std::vector<std::wstring> got;
    for (const Dispatch& item : items) got.push_back(signature.DuplicateSearch(item));

    EXPECT_NE(got[0], got[1]);
    EXPECT_NE(got[2], got[3]);
    EXPECT_EQ(got[2], Framed({L"Привет", L""}));
    EXPECT_EQ(got[4], kNotSupported);
    EXPECT_EQ(got[5], got[0]); // Task and Mail with the same values
}

TEST(DetectSignature, UntickedRowsAreNeverRead)
{
    Outlook outlook(Profile(R"([
        { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "World",
          "fail": { "Body": "The item is not available." } },
        { "messageClass": "IPM.Post", "Subject": "Hello", "fail": { "Subject": "Refused." } },
        { "messageClass": "IPM.Note", "Subject": "Hello", "fail": { "Parent": "The folder is gone." } } ])"));
    Dispatch mail = outlook.item(1, 1);
    Dispatch post = outlook.item(1, 2);
    Dispatch orphan = outlook.item(1, 3);
    ComparisonProfiles profiles = Ticks(ItemKind::Mail, {0});
    ItemSignature signature(profiles);

    outlook.resetCounts();
    EXPECT_EQ(signature.DuplicateSearch(mail), Framed({L"Hello"}));
    EXPECT_EQ(signature.DuplicateSearch(post), kNotSupported);
    EXPECT_EQ(outlook.calls(L"Body"), 0);
    EXPECT_EQ(outlook.calls(L"Subject"), 1);
    EXPECT_EQ(outlook.calls(L"Parent"), 0);

    EXPECT_EQ(signature.DuplicateSearch(orphan), Framed({L"Hello"}));

    // Ticked (or needed for the same-folder option), a failing read reaches the caller with
    // Outlook's own message.
    profiles.setTicked(ItemKind::Mail, 1, true);
    profiles.setSameFolder(true);
    struct Case {
        const Dispatch& item;
        const wchar_t* message;
    };
    for (const Case& c : {Case{mail, L"The item is not available."}, Case{orphan, L"The folder is gone."}}) {
        try {
            signature.DuplicateSearch(c.item);
            ADD_FAILURE() << "a failed read must not give a signature";
        } catch (const ComError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST(DetectSignature, CallsPerMailItem)
{
    Outlook outlook(Profile(R"([ { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "World" } ])"));
    Dispatch mail = outlook.item(1, 1);
    ComparisonProfiles profiles;
    profiles.ApplyFirstStart();
    ItemSignature signature(profiles);
    const wchar_t* members[] = {L"MessageClass", L"Subject", L"Body", L"Parent", L"Name"};

    signature.DuplicateSearch(mail); // the first call of a type may look names up
    outlook.resetCounts();
    signature.DuplicateSearch(mail);
    long total = 0;
    for (const wchar_t* member : members) total += outlook.calls(member);
    EXPECT_EQ(outlook.calls(L"MessageClass"), 1);
    EXPECT_EQ(outlook.calls(L"Subject"), 1);
    EXPECT_EQ(outlook.calls(L"Body"), 1);
    EXPECT_EQ(total, 3);
    std::printf("late-bound calls per Mail item, Subject and Body ticked: %ld\n", total);

    profiles.setSameFolder(true);
    outlook.resetCounts();
    signature.DuplicateSearch(mail);
    total = 0;
    for (const wchar_t* member : members) total += outlook.calls(member);
    std::printf("the same with the same-folder option on: %ld (Parent %ld, Name %ld)\n", total,
                outlook.calls(L"Parent"), outlook.calls(L"Name"));
}

} // namespace
