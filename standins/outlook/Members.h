#pragma once
// Every member name the stand-in knows, each with one id of the stand-in's own. The DISPIDs a
// client sees come from each class's interface in the type library (TypeLibrary.h), and a name
// may have different DISPIDs in different classes, as in Outlook.
#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

#define STANDIN_MEMBERS(X)                                                                                   \
    X(Application) X(Session) X(Parent) X(Class) X(Name) X(Count) X(Item)                                    \
    X(GetNamespace) X(Version) X(COMAddIns) X(StandIn) X(Quit)                                               \
    X(Logon) X(Logoff) X(Folders) X(GetFolderFromID) X(GetItemFromID) X(GetDefaultFolder) X(PickFolder)      \
    X(Type) X(Description) X(ProgId) X(Guid) X(Connect)                                                      \
    X(EntryID) X(StoreID) X(DefaultItemType) X(Items) X(FolderPath)                                          \
    X(MessageClass) X(Subject) X(Size) X(Attachments) X(Save) X(Move) X(Delete) X(Display) X(Close) X(Saved) \
    X(DisplayName) X(FileName) X(Index) X(StandInTable)                                                      \
    X(Body) X(BillingInformation) X(Categories) X(Companies) X(ConversationIndex) X(ConversationTopic)       \
    X(CreationTime) X(Importance) X(LastModificationTime) X(Mileage) X(NoAging) X(Sensitivity) X(UnRead)    \
    X(SenderName) X(SenderEmailAddress) X(To) X(CC) X(BCC) X(ReceivedTime) X(SentOn) X(HTMLBody)             \
    X(Location) X(Start) X(End) X(Duration) X(AllDayEvent) X(Organizer) X(RequiredAttendees)                 \
    X(OptionalAttendees) X(BusyStatus)                                                                       \
    X(Email1Address) X(Email1DisplayName) X(Email2Address) X(FullName) X(FirstName) X(LastName)              \
    X(MailingAddress) X(CompanyName) X(JobTitle)                                                             \
    X(AssistantTelephoneNumber) X(BusinessTelephoneNumber) X(Business2TelephoneNumber) X(BusinessFaxNumber)  \
    X(CallbackTelephoneNumber) X(CarTelephoneNumber) X(CompanyMainTelephoneNumber) X(HomeTelephoneNumber)   \
    X(Home2TelephoneNumber) X(HomeFaxNumber) X(ISDNNumber) X(MobileTelephoneNumber) X(OtherTelephoneNumber) \
    X(OtherFaxNumber) X(PagerNumber) X(PrimaryTelephoneNumber) X(RadioTelephoneNumber) X(TelexNumber)       \
    X(TTYTDDTelephoneNumber)                                                                                 \
    X(StartDate) X(DueDate) X(Owner) X(TotalWork) X(ActualWork) X(Complete) X(Status) X(PercentComplete)    \
    X(DateCompleted) X(ContactNames)                                                                         \
    X(Store) X(Stores) X(DefaultStore) X(CompareEntryIDs) X(GetRootFolder) X(Sort)                           \
    X(RejectCalls) X(RejectCode) X(GuardAnswer)                                                              \
    X(CallCount) X(ResetCounts) X(PickFolderAnswer) X(DisplayLog) X(DisplayCount) X(SecurityPrompts)        \
    X(SecurityGuard) X(ProfilePath) X(DisconnectAfter) X(RoundTrips) X(TypeInfo)

enum Member : int {
#define STANDIN_ENUM(name) M_##name,
    STANDIN_MEMBERS(STANDIN_ENUM)
#undef STANDIN_ENUM
        kKnownMembers
};

// The id of a name, matched without regard to case; -1 when unknown.
int FindMember(std::wstring_view name);
// The id of a name, registering it when new (names a profile gives its items).
int RegisterMember(std::wstring_view name);
// The spelling the name was first registered with.
const std::wstring& MemberName(int id);
std::size_t MemberCount();

// Lower-case copy for case-insensitive comparison of ASCII-ish member names.
std::wstring Folded(std::wstring_view name);
bool SameName(std::wstring_view a, std::wstring_view b);

} // namespace standin
