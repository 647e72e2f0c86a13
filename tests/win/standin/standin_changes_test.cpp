// Changes through the stand-in (Save, Move, Delete) last: across releases, across a reload,
// and across a process killed between two changes.
#include <gtest/gtest.h>

#include <string>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInProfile;

namespace {

const char kInbox[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
  { "name": "Inbox", "items": [
      { "messageClass": "IPM.Note", "Subject": "one", "Body": "1" },
      { "messageClass": "IPM.Note", "Subject": "two", "Body": "2" },
      { "messageClass": "IPM.Note", "Subject": "three", "Body": "3" },
      { "messageClass": "IPM.Note", "Subject": "four", "Body": "4" } ],
    "folders": [ { "name": "Sub", "items": [] } ] },
  { "name": "Deleted Items", "role": "deletedItems", "items": [] } ] } ] })";

struct Outlook {
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
    Dispatch inbox() const
    {
        return ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
    }
    Dispatch sub() const { return inbox().getObject(L"Folders").callObject(L"Item", 1); }
    Dispatch item(int i) const { return inbox().getObject(L"Items").callObject(L"Item", i); }
    std::wstring subjects(const Dispatch& folder) const
    {
        std::wstring all;
        Dispatch items = folder.getObject(L"Items");
        for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i)
            all += items.callObject(L"Item", i).get(L"Subject").toText() + L";";
        return all;
    }
};

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(StandInChanges, SubjectIsStoredBySaveOnly)
{
    ComInit com;
    StandInProfile profile(kInbox);
    std::wstring id;
    {
        Outlook o;
        Dispatch item = o.item(1);
        id = item.get(L"EntryID").toText();
        item.put(L"subject", L"***DUPLICATE***one");
        EXPECT_EQ(item.get(L"Subject").toText(), L"***DUPLICATE***one");
        EXPECT_FALSE(item.get(L"Saved").toBool());
        // Not saved yet: a fresh fetch still has the old subject.
        EXPECT_EQ(o.ns.callObject(L"GetItemFromID", id).get(L"Subject").toText(), L"one");
        item.call(L"save");
        EXPECT_EQ(o.ns.callObject(L"GetItemFromID", id).get(L"Subject").toText(), L"***DUPLICATE***one");
        EXPECT_TRUE(FileExists(profile.journalPath()));
    }
    // Released: the journal is folded into the profile.
    EXPECT_FALSE(FileExists(profile.journalPath()));
    EXPECT_NE(profile.text().find("***DUPLICATE***one"), std::string::npos);
    Outlook again;
    EXPECT_EQ(again.ns.callObject(L"GetItemFromID", id).get(L"Subject").toText(), L"***DUPLICATE***one");
}

// Move hands out the moved item under its new entry ID; Delete puts the item into Deleted
// Items, under a new one too. Both last.
TEST(StandInChanges, MoveAndDeleteAreSeenAfterReload)
{
    ComInit com;
    StandInProfile profile(kInbox);
    std::wstring moved, deleted, toDeleted;
    {
        Outlook o;
        deleted = o.item(3).get(L"EntryID").toText();
        toDeleted = o.item(4).get(L"EntryID").toText();
        // By reference, as the program passes the destination.
        Variant destination = o.sub().variant();
        VARIANT ref{};
        ref.vt = VT_BYREF | VT_VARIANT;
        ref.pvarVal = &destination.raw();
        const Variant args[] = {Variant::Attach(ref)};
        moved = Dispatch::FromVariant(o.item(2).invoke(L"Move", DISPATCH_METHOD, args, 1)).get(L"EntryID").toText();
        o.ns.callObject(L"GetItemFromID", deleted).call(L"Delete");
        o.ns.callObject(L"GetItemFromID", toDeleted).call(L"Move", o.ns.callObject(L"GetDefaultFolder", 3).variant());

        EXPECT_EQ(o.subjects(o.inbox()), L"one;");
        EXPECT_EQ(o.subjects(o.sub()), L"two;");
        EXPECT_EQ(o.subjects(o.ns.callObject(L"GetDefaultFolder", 3)), L"three;four;");
        EXPECT_EQ(o.ns.callObject(L"GetItemFromID", moved).getObject(L"Parent").get(L"Name").toText(), L"Sub");
        EXPECT_THROW(o.ns.call(L"GetItemFromID", deleted), ComError);
        EXPECT_THROW(o.ns.call(L"GetItemFromID", toDeleted), ComError);
    }
    Outlook again;
    EXPECT_EQ(again.subjects(again.inbox()), L"one;");
    EXPECT_EQ(again.subjects(again.sub()), L"two;");
    EXPECT_EQ(again.subjects(again.ns.callObject(L"GetDefaultFolder", 3)), L"three;four;");
    EXPECT_EQ(again.ns.callObject(L"GetItemFromID", moved).getObject(L"Parent").get(L"Name").toText(), L"Sub");
    EXPECT_THROW(again.ns.call(L"GetItemFromID", deleted), ComError);
    EXPECT_THROW(again.ns.call(L"GetItemFromID", toDeleted), ComError);
}

TEST(StandInChanges, ADeletedItemObjectFailsAfterwards)
{
    ComInit com;
    StandInProfile profile(kInbox);
    Outlook o;
    Dispatch item = o.item(1);
    item.call(L"Delete");
    EXPECT_THROW(item.get(L"Subject"), ComError);
    EXPECT_EQ(o.inbox().getObject(L"Items").get(L"Count").toInt(), 3);
}

TEST(StandInChanges, ApplicationsAliveTogetherShareOneProfileAndANewOneLoadsAfresh)
{
    ComInit com;
    {
        StandInProfile first(kInbox);
        Outlook a;
        Outlook b;
        a.item(1).call(L"Delete");
        EXPECT_EQ(b.inbox().getObject(L"Items").get(L"Count").toInt(), 3);
    }
    StandInProfile second(R"({ "stores": [ { "name": "Other", "folders": [] } ] })");
    Outlook c;
    EXPECT_EQ(c.ns.getObject(L"Folders").callObject(L"Item", 1).get(L"Name").toText(), L"Other");
}

std::wstring WorkerPath()
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"standin_worker.exe";
}

std::string ReadSmallFile(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    char buffer[64] = {};
    DWORD read = 0;
    ::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr);
    return std::string(buffer, read);
}

TEST(StandInChanges, EveryCompletedChangeSurvivesAKilledProcess)
{
    ComInit com;
    StandInProfile profile(kInbox);
    std::string before = profile.text();
    std::wstring progress = profile.path() + L".progress";
    ::DeleteFileW(progress.c_str());

    std::wstring command = L"\"" + WorkerPath() + L"\" \"" + progress + L"\" 3";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // The worker waits after its third change; kill it there, before a fourth.
    std::string done;
    for (int i = 0; i < 600 && done != "3" && done != "-1"; ++i) {
        ::Sleep(50);
        done = ReadSmallFile(progress);
    }
    ::TerminateProcess(process.get(), 9);
    ::WaitForSingleObject(process.get(), 10000);
    ::DeleteFileW(progress.c_str());
    ASSERT_EQ(done, "3");
    // Nothing was folded: the changes live in the journal alone.
    EXPECT_EQ(profile.text(), before);
    ASSERT_TRUE(FileExists(profile.journalPath()));

    // A torn line from a write cut short is ignored, and later changes still land.
    {
        UniqueFile journal(::CreateFileW(profile.journalPath().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
        const char torn[] = R"({"op":"delete","id":"00)";
        DWORD written = 0;
        ::WriteFile(journal.get(), torn, sizeof torn - 1, &written, nullptr);
    }
    {
        Outlook o;
        EXPECT_EQ(o.subjects(o.inbox()), L"***DUPLICATE***one;four;");
        EXPECT_EQ(o.subjects(o.sub()), L"two;");
        EXPECT_EQ(o.subjects(o.ns.callObject(L"GetDefaultFolder", 3)), L"three;");
        Dispatch four = o.item(2);
        four.put(L"Subject", L"4");
        four.call(L"Save");
    }
    Outlook o;
    EXPECT_EQ(o.subjects(o.inbox()), L"***DUPLICATE***one;4;");
    EXPECT_EQ(o.subjects(o.sub()), L"two;");
    EXPECT_EQ(o.subjects(o.ns.callObject(L"GetDefaultFolder", 3)), L"three;");
}

} // namespace
