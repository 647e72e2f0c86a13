// The folder tree against a small fake profile: filling, sorting, pictures, ticks driven by real
// mouse messages, and folders that fail.
#include <gtest/gtest.h>

#include "FakeFolders.h"
#include "TreeHost.h"
#include "folders/FolderImages.h"
#include "platform/ComError.h"

using fake::FolderDef;
using gleaner::FolderTree;

namespace {

std::vector<std::wstring> Names(const std::vector<FolderTree::Node>& nodes)
{
    std::vector<std::wstring> names;
    for (const auto& node : nodes) names.push_back(std::wstring(static_cast<size_t>(node.level) * 2, L' ') + node.name);
    return names;
}

const FolderTree::Node& NodeNamed(const std::vector<FolderTree::Node>& nodes, const std::wstring& name)
{
    for (const auto& node : nodes)
        if (node.name == name) return node;
    throw std::runtime_error("no such node");
}

UINT ItemState(HWND tree, HTREEITEM item, UINT mask) { return TreeView_GetItemState(tree, item, mask); }

// Where a user clicks on a node: its tick picture lies left of the folder picture, which lies
// left of the label.
POINT TickPoint(HWND tree, HTREEITEM item)
{
    RECT label{};
    TreeView_GetItemRect(tree, item, &label, TRUE);
    return {label.left - 16 - 8, (label.top + label.bottom) / 2};
}
POINT LabelPoint(HWND tree, HTREEITEM item)
{
    RECT label{};
    TreeView_GetItemRect(tree, item, &label, TRUE);
    return {label.left + 4, (label.top + label.bottom) / 2};
}

UINT HitFlags(HWND tree, POINT at, HTREEITEM* item = nullptr)
{
    TVHITTESTINFO hit{};
    hit.pt = at;
    TreeView_HitTest(tree, &hit);
    if (item) *item = hit.hItem;
    return hit.flags;
}

void Click(HWND tree, POINT at)
{
    ::SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// The ticks of the nodes by name; the control must show each one as the node has it.
std::map<std::wstring, bool> Ticks(const FolderTree& tree)
{
    std::map<std::wstring, bool> ticks;
    for (const auto& node : tree.Nodes()) {
        ticks[node.name] = node.ticked;
        EXPECT_EQ(tree.NodeState(node.item), node.ticked ? FolderTree::kTicked : FolderTree::kUnticked);
    }
    return ticks;
}

std::vector<FolderDef> TwoStores()
{
    return {
        {L"Personal Folders", 0,
         {{L"Inbox", 0, {{L"beta", 0}, {L"Zeta", 0}, {L"Alpha", 0}, {L"\x00C4lter", 0}, {L"alpha", 0}, {L"Beta", 0}}},
          {L"Calendar", 1},
          {L"Contacts", 2, {{L"work", 2, {{L"y", 2}, {L"X", 2}}}, {L"Family", 2}}}}},
        {L"Archive", 0, {{L"Tasks", 3}, {L"Journal", 4}, {L"Notes", 5}, {L"Drafts", 0}}},
    };
}

TEST(FolderTreeTest, FillsEveryStoreSortedByNameAtEveryLevel)
{
    TreeHost host;
    fake::World world;
    host.tree.RetrieveOutlookFolders(world.NameSpace(TwoStores()));

    auto nodes = host.tree.Nodes();
    // The locale's order: case and accents are minor differences, not code-point order
    // (which would put "Alpha", "Beta", "Zeta" before "alpha" and "\x00C4lter" last).
    std::vector<std::wstring> expected = {
        L"Archive",          L"  Drafts",   L"  Journal",     L"  Notes",   L"  Tasks",
        L"Personal Folders", L"  Calendar", L"  Contacts",    L"    Family", L"    work",
        L"      X",          L"      y",    L"  Inbox",       L"    alpha", L"    Alpha",
        L"    \x00C4lter",   L"    beta",   L"    Beta",      L"    Zeta",
    };
    EXPECT_EQ(Names(nodes), expected);
    EXPECT_TRUE(host.tree.HasFolders());

    // Each node carries its own folder's EntryID; every node starts ticked.
    EXPECT_EQ(NodeNamed(nodes, L"X").entryId, L"EID\\Personal Folders\\Contacts\\work\\X");
    EXPECT_EQ(NodeNamed(nodes, L"Archive").entryId, L"EID\\Archive");
    for (const auto& node : nodes) {
        EXPECT_TRUE(node.ticked) << std::string(node.name.begin(), node.name.end());
        EXPECT_EQ(host.tree.NodeState(node.item), FolderTree::kTicked);
    }
    // The control holds the same nodes in the same order.
    std::vector<HTREEITEM> shown;
    HWND control = host.tree.hwnd();
    for (HTREEITEM item = TreeView_GetRoot(control); item;) {
        shown.push_back(item);
        HTREEITEM next = TreeView_GetChild(control, item);
        for (HTREEITEM up = item; !next && up; up = TreeView_GetParent(control, up)) next = TreeView_GetNextSibling(control, up);
        item = next;
    }
    ASSERT_EQ(shown.size(), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(shown[i], nodes[i].item) << i;
        wchar_t text[64] = {};
        TVITEMW item{};
        item.mask = TVIF_HANDLE | TVIF_TEXT;
        item.hItem = shown[i];
        item.pszText = text;
        item.cchTextMax = 64;
        TreeView_GetItem(control, &item);
        EXPECT_EQ(std::wstring(text), nodes[i].name);
    }

    // Only the first top-level node is expanded, one level.
    HWND tree = host.tree.hwnd();
    EXPECT_TRUE(ItemState(tree, NodeNamed(nodes, L"Archive").item, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(ItemState(tree, NodeNamed(nodes, L"Personal Folders").item, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(ItemState(tree, NodeNamed(nodes, L"Contacts").item, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(host.LogLines().empty());
}

TEST(FolderTreeTest, PictureByDefaultItemType)
{
    TreeHost host;
    fake::World world;
    const int types[] = {0, 1, 2, 3, 4, 5, 6, 7, -1, 99};
    const int pictures[] = {1, 2, 3, 4, 5, 6, 1, 1, 1, 1};
    std::vector<FolderDef> folders;
    for (int type : types) folders.push_back({L"type " + std::to_wstring(type + 10), type});
    host.tree.RetrieveOutlookFolders(world.NameSpace({{L"Store", 0, folders}}));

    auto nodes = host.tree.Nodes();
    ASSERT_EQ(nodes.size(), 11u);
    for (size_t i = 0; i < std::size(types); ++i) {
        const auto& node = NodeNamed(nodes, L"type " + std::to_wstring(types[i] + 10));
        TVITEMW item{};
        item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.hItem = node.item;
        ASSERT_TRUE(TreeView_GetItem(host.tree.hwnd(), &item));
        EXPECT_EQ(item.iImage, pictures[i]) << "DefaultItemType " << types[i];
        EXPECT_EQ(item.iSelectedImage, pictures[i]) << "DefaultItemType " << types[i];
    }
    EXPECT_EQ(TreeView_GetImageList(host.tree.hwnd(), TVSIL_NORMAL), host.tree.Images());
    EXPECT_EQ(TreeView_GetImageList(host.tree.hwnd(), TVSIL_STATE), host.tree.StateImages());
    EXPECT_EQ(TreeView_GetIndent(host.tree.hwnd()), 19u);
}

// The pictures are drawn in code: index 0 of each list is blank, the others are visible and
// all different from each other.
TEST(FolderTreeTest, PicturesAreDrawnBlankOnlyAtIndexZero)
{
    TreeHost host;
    auto render = [](HIMAGELIST list, int index) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT all{0, 0, 16, 16};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) pixels.push_back(::GetPixel(dc, x, y));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return pixels;
    };
    const std::vector<COLORREF> white(256, RGB(255, 255, 255));
    struct List {
        HIMAGELIST list;
        int count;
    } lists[] = {{host.tree.Images(), 7}, {host.tree.StateImages(), 3}};
    for (const List& l : lists) {
        ASSERT_EQ(ImageList_GetImageCount(l.list), l.count);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(l.list, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 16);
        EXPECT_EQ(render(l.list, 0), white);
        for (int i = 1; i < l.count; ++i) {
            auto picture = render(l.list, i);
            EXPECT_NE(picture, white) << i;
            for (int j = 1; j < i; ++j) EXPECT_NE(picture, render(l.list, j)) << i << " vs " << j;
        }
    }
}

// The pictures of a screen at another scale: the same drawings at that many pixels, not
// 16-pixel ones in a corner. Sampled at the middle of each 16th of the larger picture, they
// show what the 16-pixel picture shows almost everywhere (lines land a pixel apart here and
// there); and a larger tree shows them, indented in step.
TEST(FolderTreeTest, PicturesForAnotherScaleAreTheSameDrawingsAtTheirSize)
{
    auto render = [](HIMAGELIST list, int index, int size) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT all{0, 0, size, size};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
        std::vector<COLORREF> samples;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) samples.push_back(::GetPixel(dc, (2 * x + 1) * size / 32, (2 * y + 1) * size / 32));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return samples;
    };
    TreeHost host;
    const gleaner::UniqueHimagelist designs[] = {gleaner::CreateFolderImages(16), gleaner::CreateTickImages(16)};
    for (int size : {20, 24, 32}) {
        SCOPED_TRACE(size);
        const gleaner::UniqueHimagelist scaled[] = {gleaner::CreateFolderImages(size), gleaner::CreateTickImages(size)};
        for (int l = 0; l < 2; ++l) {
            int cx = 0, cy = 0;
            ImageList_GetIconSize(scaled[l].get(), &cx, &cy);
            EXPECT_EQ(cx, size);
            EXPECT_EQ(cy, size);
            ASSERT_EQ(ImageList_GetImageCount(scaled[l].get()), ImageList_GetImageCount(designs[l].get()));
            for (int i = 0; i < ImageList_GetImageCount(scaled[l].get()); ++i) {
                const auto design = render(designs[l].get(), i, 16);
                const auto large = render(scaled[l].get(), i, size);
                int same = 0;
                for (size_t p = 0; p < design.size(); ++p) same += design[p] == large[p];
                EXPECT_GE(same, 256 * 9 / 10) << "list " << l << " picture " << i;
            }
        }
    }
    host.tree.ScaleTo(144);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(TreeView_GetImageList(host.tree.hwnd(), TVSIL_NORMAL), &cx, &cy);
    EXPECT_EQ(cx, 24);
    ImageList_GetIconSize(TreeView_GetImageList(host.tree.hwnd(), TVSIL_STATE), &cx, &cy);
    EXPECT_EQ(cx, 24);
    EXPECT_EQ(TreeView_GetImageList(host.tree.hwnd(), TVSIL_NORMAL), host.tree.Images());
    EXPECT_EQ(TreeView_GetIndent(host.tree.hwnd()), 29u); // 19 at 96 DPI
}

TEST(FolderTreeTest, OnlyAClickOnTheTickPictureFlipsTheNodeAndEverythingBelow)
{
    TreeHost host;
    fake::World world;
    host.tree.RetrieveOutlookFolders(world.NameSpace(TwoStores()));
    HWND tree = host.tree.hwnd();
    auto nodes = host.tree.Nodes();
    HTREEITEM personal = NodeNamed(nodes, L"Personal Folders").item;
    HTREEITEM contacts = NodeNamed(nodes, L"Contacts").item;
    HTREEITEM inbox = NodeNamed(nodes, L"Inbox").item;
    TreeView_Expand(tree, personal, TVE_EXPAND);
    ::UpdateWindow(tree);

    // Unticking a ticked parent unticks every descendant, however deep.
    POINT tick = TickPoint(tree, personal);
    HTREEITEM hit = nullptr;
    ASSERT_TRUE(HitFlags(tree, tick, &hit) & TVHT_ONITEMSTATEICON);
    ASSERT_EQ(hit, personal);
    Click(tree, tick);
    auto ticks = Ticks(host.tree);
    for (const wchar_t* name : {L"Personal Folders", L"Inbox", L"alpha", L"Contacts", L"work", L"X", L"y"})
        EXPECT_FALSE(ticks[name]) << std::string(name, name + wcslen(name));
    EXPECT_TRUE(ticks[L"Archive"]);
    EXPECT_TRUE(ticks[L"Drafts"]);
    EXPECT_EQ(TreeView_GetSelection(tree), personal);

    // Ticking one child ticks its own sub-folders and leaves the parent unticked.
    Click(tree, TickPoint(tree, contacts));
    ticks = Ticks(host.tree);
    EXPECT_TRUE(ticks[L"Contacts"]);
    EXPECT_TRUE(ticks[L"work"]);
    EXPECT_TRUE(ticks[L"X"]);
    EXPECT_TRUE(ticks[L"Family"]);
    EXPECT_FALSE(ticks[L"Personal Folders"]);
    EXPECT_FALSE(ticks[L"Inbox"]);
    EXPECT_EQ(TreeView_GetSelection(tree), contacts);

    // A click on a label, or on the folder picture, selects and changes no tick.
    auto before = Ticks(host.tree);
    POINT label = LabelPoint(tree, inbox);
    ASSERT_TRUE(HitFlags(tree, label) & TVHT_ONITEMLABEL);
    Click(tree, label);
    EXPECT_EQ(TreeView_GetSelection(tree), inbox);
    EXPECT_EQ(Ticks(host.tree), before);
    POINT picture{label.x - 4 - 8, label.y};
    ASSERT_TRUE(HitFlags(tree, picture) & TVHT_ONITEMICON);
    Click(tree, picture);
    EXPECT_EQ(Ticks(host.tree), before);

    // The keyboard changes no tick either.
    ::SetFocus(tree);
    for (UINT key : {VK_SPACE, VK_DOWN, VK_SPACE, VK_RETURN}) {
        ::SendMessageW(tree, WM_KEYDOWN, key, 0);
        if (key == VK_SPACE) ::SendMessageW(tree, WM_CHAR, L' ', 0);
        ::SendMessageW(tree, WM_KEYUP, key, 0);
    }
    EXPECT_EQ(Ticks(host.tree), before);

    // A second click on the same tick picture flips it back.
    Click(tree, TickPoint(tree, contacts));
    Click(tree, TickPoint(tree, contacts));
    EXPECT_EQ(Ticks(host.tree), before);
}

TEST(FolderTreeTest, SetNodeStateSetsTheWholeBranchAndNothingAbove)
{
    TreeHost host;
    fake::World world;
    host.tree.RetrieveOutlookFolders(world.NameSpace(TwoStores()));
    auto nodes = host.tree.Nodes();
    host.tree.SetNodeState(NodeNamed(nodes, L"work").item, FolderTree::kUnticked);
    auto ticks = Ticks(host.tree);
    EXPECT_FALSE(ticks[L"work"]);
    EXPECT_FALSE(ticks[L"X"]);
    EXPECT_FALSE(ticks[L"y"]);
    EXPECT_TRUE(ticks[L"Contacts"]);
    EXPECT_TRUE(ticks[L"Family"]);
    EXPECT_EQ(host.tree.NodeState(NodeNamed(nodes, L"y").item), FolderTree::kUnticked);
    EXPECT_EQ(host.tree.NodeState(NodeNamed(nodes, L"Family").item), FolderTree::kTicked);
}

TEST(FolderTreeTest, AFailingFolderCostsOnlyItselfAndOneLogLine)
{
    struct Case {
        const wchar_t* member;
        bool nodeStays;
    } cases[] = {
        {L"Name", false},            // no node: the name comes before the node
        {L"EntryID", false},         // nor without its entry ID
        {L"DefaultItemType", true},  // the node stays, as the plain folder, without children
        {L"Folders", true},          // the node stays without children
        {L"Count", true},            // its sub-folder collection fails: logged once, at its level
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member, c.member + wcslen(c.member)));
        TreeHost host;
        fake::World world;
        auto stores = TwoStores();
        // "Contacts" of the first store fails; its siblings and the other store are complete.
        stores[0].folders[2].fail[c.member] = L"The folder is not available.";
        host.tree.RetrieveOutlookFolders(world.NameSpace(stores));

        auto names = Names(host.tree.Nodes());
        std::vector<std::wstring> expected = {
            L"Archive",       L"  Drafts",  L"  Journal", L"  Notes",   L"  Tasks",  L"Personal Folders",
            L"  Calendar",    L"  Inbox",   L"    alpha", L"    Alpha", L"    \x00C4lter", L"    beta",
            L"    Beta",      L"    Zeta",
        };
        if (c.nodeStays) expected.insert(expected.begin() + 7, L"  Contacts");
        EXPECT_EQ(names, expected);
        if (c.nodeStays) {
            TVITEMW item{};
            item.mask = TVIF_HANDLE | TVIF_IMAGE;
            item.hItem = NodeNamed(host.tree.Nodes(), L"Contacts").item;
            TreeView_GetItem(host.tree.hwnd(), &item);
            EXPECT_EQ(item.iImage, std::wstring(c.member) == L"DefaultItemType" ? 1 : 3);
        }
        auto lines = host.LogLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(lines[0].ends_with(" The folder is not available. RetrieveOutlookFolders event")) << lines[0];
    }
}

TEST(FolderTreeTest, FailuresInSeveralFoldersLogOneLineEach)
{
    TreeHost host;
    fake::World world;
    auto stores = TwoStores();
    stores[0].folders[0].folders[1].fail[L"Name"] = L"Zeta is offline.";
    stores[1].fail[L"Folders"] = L"The archive is offline.";
    host.tree.RetrieveOutlookFolders(world.NameSpace(stores));
    auto names = Names(host.tree.Nodes());
    EXPECT_EQ(names.size(), 19u - 1 - 4);
    EXPECT_EQ(names.front(), L"Archive");
    EXPECT_EQ(names[1], L"Personal Folders");
    auto lines = host.LogLines();
    ASSERT_EQ(lines.size(), 2u);
    // The tree is filled store by store, in the profile's order.
    EXPECT_TRUE(lines[0].ends_with(" Zeta is offline. RetrieveOutlookFolders event")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" The archive is offline. RetrieveOutlookFolders event")) << lines[1];
}

TEST(FolderTreeTest, TopLevelCollectionFailureReachesTheCallerAndEmptyProfileHasNoFolders)
{
    {
        TreeHost host;
        fake::World world;
        EXPECT_THROW(host.tree.RetrieveOutlookFolders(world.NameSpace(TwoStores(), L"Outlook is not running.")),
                     gleaner::ComError);
        EXPECT_FALSE(host.tree.HasFolders());
        EXPECT_TRUE(host.LogLines().empty());
    }
    {
        TreeHost host;
        fake::World world;
        host.tree.RetrieveOutlookFolders(world.NameSpace({}));
        EXPECT_FALSE(host.tree.HasFolders());
        EXPECT_TRUE(host.tree.Nodes().empty());
    }
}

} // namespace
