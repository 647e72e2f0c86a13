// The Outlook stand-in through IDispatch, called as the program calls it: late-bound, by
// names in mixed case.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CallCount;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInControl;
using gleaner::test::StandInProfile;

namespace {

const char kTwoStores[] = R"({
  "version": "12.0.0.6423",
  "addins": [ { "description": "Gleaner toolbar", "progId": "Gleaner.Addin", "guid": "{11111111-2222-3333-4444-555555555555}", "connect": true },
              { "description": "Old add-in", "progId": "Old.Addin", "guid": "{66666666-2222-3333-4444-555555555555}", "connect": false } ],
  "stores": [
    { "name": "Personal Folders", "folders": [
      { "name": "Inbox", "defaultItemType": 0,
        "items": [
          { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "World", "SenderName": "Ann", "To": "Bob",
            "CreationTime": "2009-03-07T14:05:09.250", "UnRead": true, "Importance": 2, "attachments": ["a.txt", "b.doc"] },
          { "messageClass": "IPM.Note.SMIME", "Subject": "Signed", "entryID": "00AB" },
          { "messageClass": "IPM.Note", "Subject": "Broken", "fail": { "Body": "The item is not available." } } ],
        "folders": [ { "name": "Sub", "defaultItemType": 0, "items": [] } ] },
      { "name": "Calendar", "defaultItemType": 1, "items": [
          { "messageClass": "IPM.Appointment", "Subject": "Meet", "Location": "Room 1",
            "Start": "2009-03-07T14:00:00", "End": "2009-03-07T15:00:00" } ] },
      { "name": "Tasks", "defaultItemType": 3, "items": [
          { "messageClass": "IPM.Task", "Subject": "Do", "TotalWork": 60, "DueDate": "2009-04-01T00:00:00" } ] },
      { "name": "Posts", "defaultItemType": 6, "items": [] },
      { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [] } ] },
    { "name": "Archive", "folders": [
      { "name": "Notes", "defaultItemType": 5, "fail": { "Items": "The folder is offline." },
        "items": [ { "messageClass": "IPM.StickyNote", "Subject": "Note" } ] },
      { "name": "Locked", "defaultItemType": 0, "fail": { "open": "You do not have permission." }, "items": [] } ] } ] })";

std::wstring ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ComError& e) {
        return e.message();
    }
    return L"(no error)";
}

class StandInTest : public ::testing::Test {
protected:
    ComInit com;
    StandInProfile profile{kTwoStores};
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");

    Dispatch folder(int store, int index) const
    {
        return ns.getObject(L"Folders").callObject(L"Item", store).getObject(L"Folders").callObject(L"Item", index);
    }
    Dispatch item(int store, int f, int index) const
    {
        return folder(store, f).getObject(L"Items").callObject(L"Item", index);
    }
};

TEST_F(StandInTest, WalksStoresFoldersAndItemsByPositionFromOne)
{
    ns.call(L"Logon", L"", L"", false, false);
    Dispatch stores = ns.getObject(L"FOLDERS");
    ASSERT_EQ(stores.get(L"count").toInt(), 2);
    Dispatch personal = stores.callObject(L"item", 1);
    EXPECT_EQ(personal.get(L"Name").toText(), L"Personal Folders");
    EXPECT_EQ(stores.callObject(L"Item", 2).get(L"name").toText(), L"Archive");
    Dispatch inbox = personal.getObject(L"Folders").callObject(L"Item", 1);
    EXPECT_EQ(inbox.get(L"Name").toText(), L"Inbox");
    EXPECT_EQ(inbox.get(L"DefaultItemType").vt(), VT_I4);
    EXPECT_EQ(folder(1, 2).get(L"DefaultItemType").toInt(), 1);
    EXPECT_EQ(folder(1, 4).get(L"DefaultItemType").toInt(), 6);
    EXPECT_EQ(inbox.getObject(L"Folders").callObject(L"Item", 1).get(L"Name").toText(), L"Sub");
    EXPECT_EQ(inbox.getObject(L"Items").get(L"Count").toInt(), 3);

    // Parents: item -> folder -> top-level folder -> NameSpace, whose Name fails.
    Dispatch first = inbox.getObject(L"Items").callObject(L"Item", 1);
    EXPECT_EQ(first.getObject(L"Parent").get(L"Name").toText(), L"Inbox");
    Dispatch top = inbox.getObject(L"Parent");
    EXPECT_EQ(top.get(L"Name").toText(), L"Personal Folders");
    Dispatch above = top.getObject(L"Parent");
    EXPECT_NE(ErrorOf([&] { above.get(L"Name"); }), L"(no error)");
    EXPECT_EQ(above.getObject(L"Folders").get(L"Count").toInt(), 2);
    EXPECT_EQ(ns.getObject(L"Application").get(L"Version").toText(), L"12.0.0.6423");
    ns.call(L"Logoff");
    EXPECT_EQ(CallCount(app, L"logon"), 1);
}

TEST_F(StandInTest, EntryIdsAreLongUpperCaseHexAndUniqueAndStable)
{
    std::wstring a = item(1, 1, 1).get(L"EntryID").toText();
    std::wstring f = folder(1, 1).get(L"EntryID").toText();
    std::wstring archive = folder(2, 1).get(L"EntryID").toText();
    for (const std::wstring& id : {a, f, archive}) {
        EXPECT_GE(id.size(), 40u) << id;
        EXPECT_EQ(id.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos) << id;
    }
    EXPECT_NE(a, f);
    EXPECT_NE(f, archive);
    EXPECT_EQ(item(1, 1, 2).get(L"EntryID").toText(), L"00AB");

    // A second load of the same file gives the same identifiers.
    ns.reset();
    app.reset();
    Dispatch again = CreateOutlook().callObject(L"GetNamespace", L"MAPI");
    Dispatch sameItem = again.callObject(L"GetItemFromID", a);
    EXPECT_EQ(sameItem.get(L"Subject").toText(), L"Hello");
    EXPECT_EQ(again.callObject(L"GetFolderFromID", f).get(L"Name").toText(), L"Inbox");
}

TEST_F(StandInTest, ItemPropertiesCarryOutlookVariantTypes)
{
    Dispatch mail = item(1, 1, 1);
    EXPECT_EQ(mail.get(L"MessageClass").toText(), L"IPM.Note");
    EXPECT_EQ(mail.get(L"subject").toText(), L"Hello");
    Variant size = mail.get(L"Size");
    EXPECT_EQ(size.vt(), VT_I4);
    EXPECT_GT(size.toInt(), 0);
    Variant created = mail.get(L"CreationTime");
    ASSERT_EQ(created.vt(), VT_DATE);
    SYSTEMTIME st{};
    ASSERT_TRUE(::VariantTimeToSystemTime(std::floor(created.toDouble() * 86400.0) / 86400.0, &st));
    EXPECT_EQ(st.wYear, 2009);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wHour, 14);
    EXPECT_EQ(st.wSecond, 9);
    // The milliseconds are kept: 14:05:09.250.
    double seconds = created.toDouble() * 86400.0;
    EXPECT_NEAR(seconds - std::floor(seconds), 0.25, 0.001);
    EXPECT_EQ(mail.get(L"UnRead").vt(), VT_BOOL);
    EXPECT_TRUE(mail.get(L"UnRead").toBool());
    EXPECT_EQ(mail.get(L"Importance").vt(), VT_I4);
    EXPECT_EQ(mail.get(L"Importance").toInt(), 2);
    EXPECT_EQ(mail.get(L"NoAging").vt(), VT_BOOL);
    EXPECT_EQ(mail.get(L"Sensitivity").toInt(), 0);
    EXPECT_EQ(mail.get(L"Cc").toText(), L"");
    EXPECT_EQ(mail.get(L"Sendername").toText(), L"Ann");
    EXPECT_EQ(mail.get(L"to").toText(), L"Bob");
    EXPECT_EQ(mail.getObject(L"Attachments").get(L"Count").toInt(), 2);
    EXPECT_EQ(mail.getObject(L"Attachments").callObject(L"Item", 2).get(L"DisplayName").toText(), L"b.doc");

    Dispatch meeting = item(1, 2, 1);
    EXPECT_EQ(meeting.get(L"Location").toText(), L"Room 1");
    EXPECT_EQ(meeting.get(L"end").vt(), VT_DATE);
    EXPECT_NEAR(meeting.get(L"End").toDouble() - meeting.get(L"Start").toDouble(), 1.0 / 24, 1e-9);
    Dispatch task = item(1, 3, 1);
    EXPECT_EQ(task.get(L"totalwork").toInt(), 60);
    EXPECT_EQ(task.get(L"actualwork").vt(), VT_I4);
    EXPECT_EQ(task.get(L"duedate").vt(), VT_DATE);
    EXPECT_EQ(task.get(L"owner").toText(), L"");
}

TEST_F(StandInTest, FailuresCarryAMessage)
{
    struct Case {
        const char* what;
        std::function<void()> call;
        std::wstring message; // empty: any message
    };
    Dispatch mail = item(1, 1, 1);
    Dispatch broken = item(1, 1, 3);
    Dispatch inboxItems = folder(1, 1).getObject(L"Items");
    const Case cases[] = {
        {"member the kind lacks", [&] { mail.get(L"Location"); }, L""},
        {"task member on a mail", [&] { mail.get(L"DueDate"); }, L""},
        {"index 0", [&] { inboxItems.call(L"Item", 0); }, L"Array index out of bounds."},
        {"index past the end", [&] { inboxItems.call(L"Item", 4); }, L"Array index out of bounds."},
        {"folders index", [&] { ns.getObject(L"Folders").call(L"Item", 3); }, L"Array index out of bounds."},
        {"fault from the profile", [&] { broken.get(L"body"); }, L"The item is not available."},
        {"collection fault", [&] { folder(2, 1).get(L"Items"); }, L"The folder is offline."},
        {"unknown entry ID", [&] { ns.call(L"GetItemFromID", L"0123"); }, L""},
        {"unknown folder ID", [&] { ns.call(L"GetFolderFromID", L"0123"); }, L""},
        {"folder that cannot be opened",
         [&] { ns.call(L"GetFolderFromID", folder(2, 2).get(L"EntryID").toText()); }, L"You do not have permission."},
        {"unknown store ID", [&] { ns.call(L"GetItemFromID", mail.get(L"EntryID").toText(), L"FFFF"); }, L""},
        {"move to nothing", [&] { mail.call(L"Move", Variant()); }, L""},
        {"move to an item", [&] { mail.call(L"Move", broken.variant()); }, L""},
    };
    for (const Case& c : cases) {
        std::wstring message = ErrorOf(c.call);
        EXPECT_NE(message, L"(no error)") << c.what;
        EXPECT_FALSE(message.empty()) << c.what;
        if (!c.message.empty()) EXPECT_EQ(message, c.message) << c.what;
    }
    // The faulty member fails; the rest of the item reads.
    EXPECT_EQ(broken.get(L"Subject").toText(), L"Broken");
}

TEST_F(StandInTest, StoreArgumentMayBeOmittedMissingOrEmpty)
{
    std::wstring id = item(1, 1, 1).get(L"EntryID").toText();
    std::wstring store = folder(1, 1).get(L"StoreID").toText();
    EXPECT_EQ(ns.callObject(L"GetItemFromID", id).get(L"Subject").toText(), L"Hello");
    EXPECT_EQ(ns.callObject(L"GetItemFromID", id, Variant::Missing()).get(L"Subject").toText(), L"Hello");
    EXPECT_EQ(ns.callObject(L"GetItemFromID", id, Variant()).get(L"Subject").toText(), L"Hello");
    EXPECT_EQ(ns.callObject(L"GetItemFromID", id, store).get(L"Subject").toText(), L"Hello");
    std::wstring folderId = folder(1, 1).get(L"EntryID").toText();
    EXPECT_EQ(ns.callObject(L"GetFolderFromID", folderId, Variant::Missing()).get(L"Name").toText(), L"Inbox");
    // An entry ID passed by reference, as the program passes it.
    Variant byRefText(id);
    VARIANT ref{};
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &byRefText.raw();
    const Variant args[] = {Variant::Attach(ref)};
    Variant found = ns.invoke(L"GetItemFromID", DISPATCH_METHOD, args, 1);
    EXPECT_EQ(Dispatch::FromVariant(found).get(L"Subject").toText(), L"Hello");
}

TEST_F(StandInTest, DeletedItemsAddInsAndPickFolder)
{
    EXPECT_EQ(ns.callObject(L"GetDefaultFolder", 3).get(L"Name").toText(), L"Deleted Items");

    Dispatch addins = app.getObject(L"COMAddIns");
    ASSERT_EQ(addins.get(L"Count").toInt(), 2);
    Dispatch first = addins.callObject(L"Item", 1);
    EXPECT_EQ(first.get(L"Description").toText(), L"Gleaner toolbar");
    EXPECT_EQ(first.get(L"ProgId").toText(), L"Gleaner.Addin");
    EXPECT_EQ(first.get(L"Guid").toText(), L"{11111111-2222-3333-4444-555555555555}");
    EXPECT_TRUE(first.get(L"Connect").toBool());
    EXPECT_FALSE(addins.callObject(L"Item", 2).get(L"connect").toBool());

    Dispatch control = StandInControl(app);
    EXPECT_FALSE(ns.callObject(L"PickFolder")); // nothing chosen
    control.put(L"PickFolderAnswer", folder(1, 2).variant());
    EXPECT_EQ(ns.callObject(L"PickFolder").get(L"Name").toText(), L"Calendar");
    control.put(L"PickFolderAnswer", Variant());
    EXPECT_FALSE(ns.callObject(L"PickFolder"));
}

TEST_F(StandInTest, CountsCallsPerMemberAndSecurityPrompts)
{
    Dispatch control = StandInControl(app);
    control.call(L"ResetCounts");
    Dispatch mail = item(1, 1, 1);
    mail.get(L"Subject");
    mail.get(L"SUBJECT");
    item(1, 2, 1).get(L"subject");
    EXPECT_EQ(CallCount(app, L"Subject"), 3);
    EXPECT_EQ(CallCount(app, L"subject"), 3);
    EXPECT_EQ(CallCount(app, L"Item"), 6); // Folders.Item and Items.Item alike
    EXPECT_EQ(CallCount(app, L"Body"), 0);

    EXPECT_TRUE(control.get(L"SecurityGuard").toBool());
    long before = control.get(L"SecurityPrompts").toInt();
    mail.get(L"Body");
    mail.get(L"To");
    mail.get(L"Subject"); // not guarded
    EXPECT_EQ(control.get(L"SecurityPrompts").toInt(), before + 2);
    control.put(L"SecurityGuard", false);
    mail.get(L"Body");
    mail.get(L"SenderName");
    EXPECT_EQ(control.get(L"SecurityPrompts").toInt(), before + 2);

    control.call(L"ResetCounts");
    EXPECT_EQ(CallCount(app, L"Subject"), 0);
}

TEST_F(StandInTest, DisplayIsLogged)
{
    Dispatch control = StandInControl(app);
    item(1, 1, 1).call(L"Display", false);
    item(1, 2, 1).call(L"display", true);
    EXPECT_EQ(control.get(L"DisplayCount").toInt(), 2);
    std::wstring log = control.get(L"DisplayLog").toText();
    std::wstring firstId = item(1, 1, 1).get(L"EntryID").toText();
    EXPECT_EQ(log.find(firstId + L"\tHello\tFalse\r\n"), 0u) << log;
    EXPECT_NE(log.find(L"\tMeet\tTrue\r\n"), std::wstring::npos) << log;
}

TEST(StandInLoad, EveryUnsupportedClassStillAnswersTheCommonMembers)
{
    ComInit com;
    StandInProfile profile(R"({ "stores": [ { "name": "S", "folders": [ { "name": "F", "items": [
        { "messageClass": "IPM.Schedule.Meeting.Request", "Subject": "a" },
        { "messageClass": "IPM.Post", "Subject": "b" },
        { "messageClass": "IPM.DistList", "Subject": "c" },
        { "messageClass": "ipm.note", "Subject": "d" },
        { "messageClass": "IPM.Contact", "Subject": "e", "Email1Address": "e@example.com" },
        { "messageClass": "IPM.Activity", "Subject": "f" },
        { "messageClass": "IPM.StickyNote", "Subject": "g" } ] } ] } ] })");
    Dispatch app = CreateOutlook();
    Dispatch items = app.callObject(L"GetNamespace", L"MAPI")
                         .getObject(L"Folders").callObject(L"Item", 1)
                         .getObject(L"Folders").callObject(L"Item", 1).getObject(L"Items");
    ASSERT_EQ(items.get(L"Count").toInt(), 7);
    for (int i = 1; i <= 7; ++i) {
        Dispatch item = items.callObject(L"Item", i);
        EXPECT_FALSE(item.get(L"EntryID").toText().empty());
        EXPECT_GT(item.get(L"Size").toInt(), 0);
        EXPECT_NO_THROW(item.get(L"Body")) << i;
        EXPECT_NO_THROW(item.getObject(L"Parent")) << i;
    }
    EXPECT_EQ(items.callObject(L"Item", 5).get(L"Email1Address").toText(), L"e@example.com");
    EXPECT_EQ(items.callObject(L"Item", 4).get(L"MessageClass").toText(), L"ipm.note");
    // A note has no attachments, as in Outlook.
    EXPECT_THROW(items.callObject(L"Item", 7).get(L"Attachments"), ComError);
    EXPECT_THROW(items.callObject(L"Item", 6).get(L"Location"), ComError);
}

TEST(StandInLoad, ABadProfileIsReportedWhenTheNamespaceIsAsked)
{
    ComInit com;
    const char* bad[] = {"{ not json", R"({ "stores": [ { "folders": [] } ] })",
                         R"({ "stores": [ { "name": "S", "items": [ { "entryID": "AA" }, { "entryID": "AA" } ] } ] })",
                         R"({ "stores": [ { "name": "S", "items": [ { "CreationTime": "yesterday" } ] } ] })"};
    for (const char* text : bad) {
        StandInProfile profile(text);
        Dispatch app = CreateOutlook();
        try {
            app.call(L"GetNamespace", L"MAPI");
            ADD_FAILURE() << text;
        } catch (const ComError& e) {
            EXPECT_NE(e.message().find(L"Outlook stand-in"), std::wstring::npos) << text;
        }
    }
}

TEST(StandInLoad, AnUnavailableOutlookCannotBeCreated)
{
    ComInit com;
    StandInProfile profile(R"({ "unavailable": true })");
    EXPECT_THROW(CreateOutlook(), ComError);
}

} // namespace

namespace {

TEST(StandInFaults, NamespaceApplicationCollectionAndAddInFaults)
{
    ComInit com;
    StandInProfile profile(R"({
      "application": { "fail": { "Version": "Outlook is busy.", "COMAddIns.Count": "No add-ins today." } },
      "namespace": { "fail": { "GetDefaultFolder": "No Deleted Items.", "Folders.Count": "Offline." } },
      "addins": [ { "description": "A", "progId": "A.B", "guid": "{}", "connect": true, "fail": { "Guid": "Gone." } } ],
      "stores": [ { "name": "S", "folders": [ { "name": "F", "fail": { "Items.Count": "Cannot count.",
          "Folders.Item": "Cannot fetch." }, "items": [ { "Subject": "x", "fail": { "open": "Item is locked.",
          "Attachments.Count": "No attachments.", "Save": "Read-only store." } } ],
          "folders": [ { "name": "G" } ] } ] } ] })");
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
    Dispatch topFolders = ns.getObject(L"Folders");
    // The stores themselves are still reachable by position.
    Dispatch f = topFolders.callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
    Dispatch item = f.getObject(L"Items").callObject(L"Item", 1);
    const std::pair<std::function<void()>, std::wstring> cases[] = {
        {[&] { app.get(L"Version"); }, L"Outlook is busy."},
        {[&] { app.getObject(L"COMAddIns").get(L"Count"); }, L"No add-ins today."},
        {[&] { app.getObject(L"COMAddIns").callObject(L"Item", 1).get(L"Guid"); }, L"Gone."},
        {[&] { ns.call(L"GetDefaultFolder", 3); }, L"No Deleted Items."},
        {[&] { topFolders.get(L"Count"); }, L"Offline."},
        {[&] { f.getObject(L"Items").get(L"Count"); }, L"Cannot count."},
        {[&] { f.getObject(L"Folders").call(L"Item", 1); }, L"Cannot fetch."},
        {[&] { ns.call(L"GetItemFromID", item.get(L"EntryID").toText()); }, L"Item is locked."},
        {[&] { item.getObject(L"Attachments").get(L"Count"); }, L"No attachments."},
        {[&] { item.call(L"Save"); }, L"Read-only store."},
    };
    for (auto& [call, message] : cases) EXPECT_EQ(ErrorOf(call), message);
    EXPECT_EQ(app.getObject(L"COMAddIns").callObject(L"Item", 1).get(L"ProgId").toText(), L"A.B");
    EXPECT_EQ(f.getObject(L"Folders").get(L"Count").toInt(), 1);
}

TEST(StandInTable, ReadsColumnsStraightFromTheStore)
{
    ComInit com;
    StandInProfile profile(R"({ "stores": [ { "name": "S", "folders": [ { "name": "F", "items": [
        { "Subject": "a", "Body": "x", "Size": 100, "attachments": ["1", "2"], "Categories": ["Red", "Blue"] },
        { "Subject": "b", "UnRead": true } ] } ] } ] })");
    Dispatch app = CreateOutlook();
    Dispatch items = app.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders").callObject(L"Item", 1)
                         .getObject(L"Folders").callObject(L"Item", 1).getObject(L"Items");
    StandInControl(app).call(L"ResetCounts");
    long promptsBefore = StandInControl(app).get(L"SecurityPrompts").toInt();
    Variant table = items.call(L"StandInTable", L"Subject, Body, Attachments., Size, UnRead, Categories");
    ASSERT_EQ(table.vt(), VT_ARRAY | VT_VARIANT);
    SAFEARRAY* array = table.raw().parray;
    ASSERT_EQ(::SafeArrayGetDim(array), 2u);
    LONG rows = 0, columns = 0;
    ::SafeArrayGetUBound(array, 1, &rows);
    ::SafeArrayGetUBound(array, 2, &columns);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(columns, 6);
    auto cell = [&](LONG row, LONG column) {
        Variant v;
        LONG index[2] = {row, column};
        ::SafeArrayGetElement(array, index, v.put());
        return v;
    };
    EXPECT_EQ(cell(0, 0).toText(), items.callObject(L"Item", 1).get(L"EntryID").toText());
    EXPECT_EQ(cell(0, 1).toText(), L"a");
    EXPECT_EQ(cell(0, 3).toInt(), 2);
    EXPECT_EQ(cell(0, 4).toInt(), 100);
    EXPECT_EQ(cell(0, 6).toText(), L"Red, Blue");
    EXPECT_TRUE(cell(1, 2).isNull()); // no Body
    EXPECT_EQ(cell(1, 5).vt(), VT_BOOL);
    // No per-item call and no security prompt.
    EXPECT_EQ(CallCount(app, L"Body"), 0);
    EXPECT_EQ(StandInControl(app).get(L"SecurityPrompts").toInt(), promptsBefore);
}

} // namespace
