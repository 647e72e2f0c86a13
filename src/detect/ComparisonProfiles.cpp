#include "detect/ComparisonProfiles.h"

#include <algorithm>

namespace gleaner {

namespace {

using VF = ValueForm;

// The catalogue, in its own order; the lists below pick rows from it.
constexpr PropertyInfo kSubject{L"Subject*", L"subject", VF::Text, L"Subject"};
constexpr PropertyInfo kBody{L"Body*", L"Body", VF::Text, L"Body"};
constexpr PropertyInfo kLocation{L"Location*", L"Location", VF::Text, L"Location"};
constexpr PropertyInfo kStartTime{L"Start Time*", L"Start", VF::DateTime, L"Start"};
constexpr PropertyInfo kEndTime{L"End Time*", L"end", VF::DateTime, L"End"};
constexpr PropertyInfo kFrom{L"From*", L"Sendername", VF::Text, L"Sendername"};
constexpr PropertyInfo kTo{L"To*", L"to", VF::Text, L"To"};
constexpr PropertyInfo kCc{L"Cc*", L"Cc", VF::Text, L"Cc"};
constexpr PropertyInfo kBcc{L"Bcc*", L"Bcc", VF::Text, L"Bcc"};
constexpr PropertyInfo kEmail{L"E-mail*", L"Email1Address", VF::Text, L"Email1Address"};
constexpr PropertyInfo kFullName{L"Full Name*", L"FullName", VF::Text, L"FullName"};
constexpr PropertyInfo kFirstName{L"First Name*", L"FirstName", VF::Text, L"FirstName"};
constexpr PropertyInfo kLastName{L"Last Name*", L"LastName", VF::Text, L"LastName"};
constexpr PropertyInfo kEmailDisplayName{L"E-mail Display Name*", L"Email1DisplayName", VF::Text,
                                         L"Email1DisplayName"};
constexpr PropertyInfo kStartDate{L"Start Date*", L"startdate", VF::DateTime, L"Startdate"};
constexpr PropertyInfo kDueDate{L"Due Date*", L"duedate", VF::DateTime, L"Duedate"};
constexpr PropertyInfo kOwner{L"Owner*", L"owner", VF::Text, L"Owner"};
constexpr PropertyInfo kTotalWork{L"Total Work*", L"totalwork", VF::Number, L"Totalwork"};
constexpr PropertyInfo kActualWork{L"Actual Work*", L"actualwork", VF::Number, L"Actualwork"};
constexpr PropertyInfo kAttachments{L"Attachments", L"Attachments", VF::AttachmentCount, L"Attachments"};
constexpr PropertyInfo kBillingInformation{L"Billing Information", L"BillingInformation", VF::Text,
                                           L"BillingInformation"};
constexpr PropertyInfo kCategories{L"Categories", L"Categories", VF::Text, L"Categories"};
constexpr PropertyInfo kCompanies{L"Companies", L"Companies", VF::Text, L"Companies"};
constexpr PropertyInfo kConversationIndex{L"Conversation Index", L"ConversationIndex", VF::Text,
                                          L"ConversationIndex"};
constexpr PropertyInfo kConversationTopic{L"Conversation Topic", L"ConversationTopic", VF::Text,
                                          L"ConversationTopic"};
constexpr PropertyInfo kCreationTime{L"Creation Time", L"CreationTime", VF::DateTime, L"CreationTime"};
constexpr PropertyInfo kImportance{L"Importance", L"Importance", VF::Number, L"Importance"};
constexpr PropertyInfo kLastModificationTime{L"Last Modification Time", L"LastModificationTime", VF::DateTime,
                                             L"LastModificationTime"};
constexpr PropertyInfo kMileage{L"Mileage", L"Mileage", VF::Text, L"Mileage"};
constexpr PropertyInfo kNoAging{L"No Aging", L"NoAging", VF::Flag, L"NoAging"};
constexpr PropertyInfo kSensitivity{L"Sensitivity", L"Sensitivity", VF::Number, L"Sensitivity"};
constexpr PropertyInfo kSize{L"Size", L"Size", VF::Number, L"Size"};
constexpr PropertyInfo kUnRead{L"UnRead", L"UnRead", VF::Flag, L"UnRead"};

#define GLEANER_COMMON_TAIL                                                                            \
    &kAttachments, &kBillingInformation, &kCategories, &kCompanies, &kConversationIndex,              \
        &kConversationTopic, &kCreationTime, &kImportance, &kLastModificationTime, &kMileage, &kNoAging, \
        &kSensitivity, &kSize, &kUnRead

constexpr const PropertyInfo* kCalendarRows[] = {
    &kSubject, &kBody, &kLocation, &kStartTime, &kEndTime, GLEANER_COMMON_TAIL,
};

constexpr PropertyInfo kAssistantTelephone{L"Assistant Telephone Number", L"AssistantTelephoneNumber", VF::Text,
                                           L"AssistantTelephoneNumber"};
constexpr PropertyInfo kBusinessTelephone{L"Business Telephone Number", L"BusinessTelephoneNumber", VF::Text,
                                          L"BusinessTelephoneNumber"};
constexpr PropertyInfo kBusiness2Telephone{L"Business 2 Telephone Number", L"Business2TelephoneNumber", VF::Text,
                                           L"Business2TelephoneNumber"};
constexpr PropertyInfo kBusinessFax{L"Business Fax Number", L"BusinessFaxNumber", VF::Text, L"BusinessFaxNumber"};
constexpr PropertyInfo kCallbackTelephone{L"Callback Telephone Number", L"CallbackTelephoneNumber", VF::Text,
                                          L"CallbackTelephoneNumber"};
constexpr PropertyInfo kCarTelephone{L"Car Telephone Number", L"CarTelephoneNumber", VF::Text,
                                     L"CarTelephoneNumber"};
constexpr PropertyInfo kCompanyMainTelephone{L"Company Main Telephone Number", L"CompanyMainTelephoneNumber",
                                             VF::Text, L"CompanyMainTelephoneNumber"};
constexpr PropertyInfo kHomeTelephone{L"Home Telephone Number", L"HomeTelephoneNumber", VF::Text,
                                      L"HomeTelephoneNumber"};
constexpr PropertyInfo kHome2Telephone{L"Home 2 Telephone Number", L"Home2TelephoneNumber", VF::Text,
                                       L"Home2TelephoneNumber"};
constexpr PropertyInfo kHomeFax{L"Home Fax Number", L"HomeFaxNumber", VF::Text, L"HomeFaxNumber"};
constexpr PropertyInfo kIsdn{L"ISDN Number", L"ISDNNumber", VF::Text, L"ISDNNumber"};
constexpr PropertyInfo kMobileTelephone{L"Mobile Telephone Number", L"MobileTelephoneNumber", VF::Text,
                                        L"MobileTelephoneNumber"};
constexpr PropertyInfo kOtherTelephone{L"Other Telephone Number", L"OtherTelephoneNumber", VF::Text,
                                       L"OtherTelephoneNumber"};
constexpr PropertyInfo kOtherFax{L"Other Fax Number", L"OtherFaxNumber", VF::Text, L"OtherFaxNumber"};
constexpr PropertyInfo kPager{L"Pager Number", L"PagerNumber", VF::Text, L"PagerNumber"};
constexpr PropertyInfo kPrimaryTelephone{L"Primary Telephone Number", L"PrimaryTelephoneNumber", VF::Text,
                                         L"PrimaryTelephoneNumber"};
constexpr PropertyInfo kRadioTelephone{L"Radio Telephone Number", L"RadioTelephoneNumber", VF::Text,
                                       L"RadioTelephoneNumber"};
constexpr PropertyInfo kTelex{L"Telex Number", L"TelexNumber", VF::Text, L"TelexNumber"};
constexpr PropertyInfo kTtyTdd{L"TTY/TDD Telephone Number", L"TTYTDDTelephoneNumber", VF::Text,
                               L"TTYTDDTelephoneNumber"};

constexpr const PropertyInfo* kContactRows[] = {
    &kSubject, &kBody, &kEmail, &kFullName, &kFirstName, &kLastName, &kEmailDisplayName, GLEANER_COMMON_TAIL,
    &kAssistantTelephone, &kBusinessTelephone, &kBusiness2Telephone, &kBusinessFax, &kCallbackTelephone,
    &kCarTelephone, &kCompanyMainTelephone, &kHomeTelephone, &kHome2Telephone, &kHomeFax, &kIsdn,
    &kMobileTelephone, &kOtherTelephone, &kOtherFax, &kPager, &kPrimaryTelephone, &kRadioTelephone, &kTelex,
    &kTtyTdd,
};

constexpr const PropertyInfo* kMailRows[] = {
    &kSubject, &kBody, &kFrom, &kTo, &kCc, &kBcc, GLEANER_COMMON_TAIL,
};

constexpr const PropertyInfo* kJournalRows[] = {
    &kSubject, &kBody, &kStartTime, &kEndTime, GLEANER_COMMON_TAIL,
};

constexpr const PropertyInfo* kNoteRows[] = {
    &kSubject, &kBody, &kCategories, &kCreationTime, &kLastModificationTime, &kSize,
};

constexpr const PropertyInfo* kTaskRows[] = {
    &kSubject, &kBody, &kStartDate, &kDueDate, &kOwner, &kTotalWork, &kActualWork, GLEANER_COMMON_TAIL,
};

#undef GLEANER_COMMON_TAIL

constexpr ItemKindInfo kKinds[kItemKindCount] = {
    {ItemKind::Calendar, L"Calendar", L"IPM.Appointment", 1},
    {ItemKind::Contact, L"Contact", L"IPM.Contact", 2},
    {ItemKind::Mail, L"Mail", L"IPM.Note", 0},
    {ItemKind::Journal, L"Journal", L"IPM.Activity", 4},
    {ItemKind::Note, L"Note", L"IPM.StickyNote", 5},
    {ItemKind::Task, L"Task", L"IPM.Task", 3},
};

// The rows ticked when no stored settings exist.
constexpr std::size_t kCalendarFirstStart[] = {0, 2, 3, 4};
constexpr std::size_t kContactFirstStart[] = {0, 2, 4, 5};
constexpr std::size_t kMailFirstStart[] = {0, 1};
constexpr std::size_t kJournalFirstStart[] = {0, 1, 2, 3};
constexpr std::size_t kNoteFirstStart[] = {0, 1};
constexpr std::size_t kTaskFirstStart[] = {0, 2, 3};

std::span<const std::size_t> FirstStartRows(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Calendar: return kCalendarFirstStart;
    case ItemKind::Contact: return kContactFirstStart;
    case ItemKind::Mail: return kMailFirstStart;
    case ItemKind::Journal: return kJournalFirstStart;
    case ItemKind::Note: return kNoteFirstStart;
    case ItemKind::Task: return kTaskFirstStart;
    }
    return {};
}

// The starred (default) rows lead each list.
constexpr std::size_t DefaultRowCount(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Calendar: return 5;
    case ItemKind::Contact: return 7;
    case ItemKind::Mail: return 6;
    case ItemKind::Journal: return 4;
    case ItemKind::Note: return 2;
    case ItemKind::Task: return 7;
    }
    return 0;
}

} // namespace

const ItemKindInfo& KindInfo(ItemKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

std::optional<ItemKind> KindFromMessageClass(std::wstring_view messageClass)
{
    for (const ItemKindInfo& info : kKinds) {
        if (messageClass == info.messageClass) return info.kind;
    }
    return std::nullopt;
}

std::optional<ItemKind> KindFromDefaultItemType(std::int32_t defaultItemType)
{
    for (const ItemKindInfo& info : kKinds) {
        if (defaultItemType == info.defaultItemType) return info.kind;
    }
    return std::nullopt;
}

std::span<const PropertyInfo* const> ProfileRows(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Calendar: return kCalendarRows;
    case ItemKind::Contact: return kContactRows;
    case ItemKind::Mail: return kMailRows;
    case ItemKind::Journal: return kJournalRows;
    case ItemKind::Note: return kNoteRows;
    case ItemKind::Task: return kTaskRows;
    }
    return {};
}

std::wstring_view ColumnName(ItemKind kind, std::size_t row)
{
    const PropertyInfo* property = ProfileRows(kind)[row];
    // The MAPI-table component is asked for "Attachments." in mail folders.
    if (kind == ItemKind::Mail && property == &kAttachments) return L"Attachments.";
    return property->column;
}

ComparisonProfiles::ComparisonProfiles()
{
    for (ItemKind kind : kItemKinds) ticks_[Index(kind)].assign(ProfileRows(kind).size(), 0);
}

void ComparisonProfiles::clearAll()
{
    sameFolder_ = false;
    for (auto& list : ticks_) std::fill(list.begin(), list.end(), 0);
}

void ComparisonProfiles::Button2Click()
{
    clearAll();
    for (ItemKind kind : kItemKinds) {
        auto& list = ticks_[Index(kind)];
        std::fill_n(list.begin(), DefaultRowCount(kind), 1);
    }
}

void ComparisonProfiles::ApplyFirstStart()
{
    clearAll();
    for (ItemKind kind : kItemKinds) {
        for (std::size_t row : FirstStartRows(kind)) ticks_[Index(kind)][row] = 1;
    }
}

void ComparisonProfiles::CheckedProps(std::int32_t defaultItemType, std::vector<std::wstring>& columnList) const
{
    columnList.clear();
    std::optional<ItemKind> kind = KindFromDefaultItemType(defaultItemType);
    if (!kind) {
        columnList.emplace_back(L"Subject");
        columnList.emplace_back(L"Body");
        return;
    }
    const auto& list = ticks_[Index(*kind)];
    for (std::size_t row = 0; row < list.size(); ++row) {
        if (list[row]) columnList.emplace_back(ColumnName(*kind, row));
    }
}

} // namespace gleaner
