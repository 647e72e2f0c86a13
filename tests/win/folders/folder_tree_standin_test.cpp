// The folder tree and GetFolderPath against the Outlook stand-in.
#include <gtest/gtest.h>

#include <optional>

#include "TreeHost.h"
#include "folders/FolderPath.h"
#include "platform/ComError.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

using gleaner::Dispatch;
using gleaner::FolderTree;
using gleaner::test::StandInProfile;

namespace {

std::vector<std::wstring> Names(const std::vector<FolderTree::Node>& nodes)
{
    std::vector<std::wstring> names;
    for (const auto& node : nodes) names.push_back(std::wstring(static_cast<size_t>(node.level) * 2, L' ') + node.name);
    return names;
}

int ImageOf(HWND tree, HTREEITEM node)
{
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = node;
    TreeView_GetItem(tree, &item);
    EXPECT_EQ(item.iImage, item.iSelectedImage);
    return item.iImage;
}

// Two stores in the profile's own (unsorted) order, names that differ in case and accents, and
// every folder kind including post (6) and distribution-list (7) folders.
constexpr const char* kTwoStores = R"({ "stores": [
  { "name": "Personal Folders", "folders": [
    { "name": "Inbox", "defaultItemType": 0, "folders": [
        { "name": "r\u00e9sum\u00e9", "defaultItemType": 0 },
        { "name": "Resume", "defaultItemType": 0 },
        { "name": "resume", "defaultItemType": 0, "folders": [
            { "name": "zz", "defaultItemType": 0 }, { "name": "Aa", "defaultItemType": 0 } ] } ] },
    { "name": "Calendar", "defaultItemType": 1 },
    { "name": "Contacts", "defaultItemType": 2 },
    { "name": "Tasks", "defaultItemType": 3 },
    { "name": "Journal", "defaultItemType": 4 },
    { "name": "Notes", "defaultItemType": 5 },
    { "name": "Posts", "defaultItemType": 6 },
    { "name": "Lists", "defaultItemType": 7 } ] },
  { "name": "Archive Folders", "folders": [
    { "name": "deleted Items", "defaultItemType": 0 }, { "name": "Deleted Items", "defaultItemType": 0 } ] }
] })";

class StandInTreeTest : public ::testing::Test {
protected:
    // The NameSpace of a fresh Outlook on this profile.
    Dispatch Connect(const char* json)
    {
        profile.emplace(json);
        application = gleaner::test::CreateOutlook();
        nameSpace = application.callObject(L"GetNamespace", L"MAPI");
        return nameSpace;
    }
    // Declared first, so the Outlook objects are released before the profile goes.
    std::optional<StandInProfile> profile;
    Dispatch application;
    Dispatch nameSpace;
};

TEST_F(StandInTreeTest, TwoStoresSortedWithPicturesAndTheirOwnEntryIds)
{
    TreeHost host;
    host.tree.RetrieveOutlookFolders(Connect(kTwoStores));

    auto nodes = host.tree.Nodes();
    std::vector<std::wstring> expected = {
        L"Archive Folders", L"  deleted Items", L"  Deleted Items",
        L"Personal Folders", L"  Calendar", L"  Contacts", L"  Inbox", L"    resume", L"      Aa", L"      zz",
        L"    Resume", L"    r\x00E9sum\x00E9", L"  Journal", L"  Lists", L"  Notes", L"  Posts", L"  Tasks",
    };
    EXPECT_EQ(Names(nodes), expected);

    std::map<std::wstring, int> pictures = {{L"Calendar", 2}, {L"Contacts", 3}, {L"Tasks", 4}, {L"Journal", 5},
                                            {L"Notes", 6},    {L"Inbox", 1},    {L"Posts", 1}, {L"Lists", 1}};
    for (const auto& node : nodes) {
        auto picture = pictures.find(node.name);
        if (picture != pictures.end()) {
            EXPECT_EQ(ImageOf(host.tree.hwnd(), node.item), picture->second) << gleaner::ToUtf8(node.name);
        }
        // Each node's EntryID opens its own folder again.
        Dispatch folder = nameSpace.callObject(L"GetFolderFromID", node.entryId);
        EXPECT_EQ(folder.get(L"Name").toText(), node.name);
        EXPECT_TRUE(node.ticked);
    }
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(StandInTreeTest, FailingFoldersLeaveTheRestCompleteWithOneLineEach)
{
    const char* json = R"({ "stores": [
      { "name": "Mailbox", "folders": [
        { "name": "Inbox", "folders": [ { "name": "Sub" } ] },
        { "name": "Secret", "fail": { "Name": "You do not have permission." } },
        { "name": "Offline", "fail": { "Folders": "The store is offline." }, "folders": [ { "name": "Hidden" } ] },
        { "name": "Broken", "fail": { "Folders.Count": "Count is not available." }, "folders": [ { "name": "Gone" } ] },
        { "name": "Sent Items" } ] },
      { "name": "Public", "fail": { "Name": "The public store is not available." },
        "folders": [ { "name": "Never" } ] }
    ] })";
    TreeHost host;
    host.tree.RetrieveOutlookFolders(Connect(json));

    std::vector<std::wstring> expected = {L"Mailbox", L"  Broken", L"  Inbox", L"    Sub", L"  Offline", L"  Sent Items"};
    EXPECT_EQ(Names(host.tree.Nodes()), expected);
    auto lines = host.LogLines();
    std::vector<std::string> endings = {
        " You do not have permission. RetrieveOutlookFolders event",
        " The store is offline. RetrieveOutlookFolders event",
        " Count is not available. RetrieveOutlookFolders event",
        " The public store is not available. RetrieveOutlookFolders event",
    };
    ASSERT_EQ(lines.size(), endings.size());
    for (size_t i = 0; i < endings.size(); ++i) EXPECT_TRUE(lines[i].ends_with(endings[i])) << lines[i];
}

TEST_F(StandInTreeTest, TopLevelCountFailureReachesTheCaller)
{
    const char* json = R"({ "namespace": { "fail": { "Folders.Count": "Outlook is busy." } },
                               "stores": [ { "name": "Mailbox" } ] })";
    TreeHost host;
    try {
        host.tree.RetrieveOutlookFolders(Connect(json));
        ADD_FAILURE() << "no exception";
    } catch (const gleaner::ComError& e) {
        EXPECT_EQ(e.message(), L"Outlook is busy.");
    }
    EXPECT_FALSE(host.tree.HasFolders());
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(StandInTreeTest, FolderPaths)
{
    const char* json = R"({ "stores": [
      { "name": "Mailbox", "folders": [ { "name": "Inbox", "folders": [ { "name": "Sub-folder" } ] } ] },
      { "name": "Personal Folders" } ] })";
    TreeHost host;
    host.tree.RetrieveOutlookFolders(Connect(json));
    std::map<std::wstring, std::wstring> paths;
    for (const auto& node : host.tree.Nodes())
        paths[node.name] = gleaner::GetFolderPath(nameSpace.callObject(L"GetFolderFromID", node.entryId));
    EXPECT_EQ(paths[L"Mailbox"], L"\\Mailbox");
    EXPECT_EQ(paths[L"Sub-folder"], L"\\Mailbox\\Inbox\\Sub-folder");
    EXPECT_EQ(paths[L"Personal Folders"], L"\\Personal Folders");

    // PickFolder cancelled answers Nothing: an empty object, empty text.
    Dispatch picked = nameSpace.callObject(L"PickFolder");
    EXPECT_FALSE(picked);
    EXPECT_EQ(gleaner::GetFolderPath(picked), L"");
}

} // namespace
