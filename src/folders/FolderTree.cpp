#include "folders/FolderTree.h"

#include <windowsx.h>

#include <algorithm>

#include "app/ErrorLog.h"
#include "folders/FolderImages.h"
#include "platform/ComError.h"
#include "platform/Dpi.h"
#include "platform/OutlookLookup.h"

namespace gleaner {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// At 96 DPI.
constexpr int kDesignPictureSize = 16;
constexpr int kDesignIndent = 19;

} // namespace

FolderTree::~FolderTree()
{
    // The parent usually destroys the control first; then only the image lists are ours to free.
    if (TreeView1 && !::IsWindow(TreeView1.get())) TreeView1.release();
}

HWND FolderTree::Create(HWND parent, int controlId)
{
    // Read-only labels, no tab stop, no dragging; ticks are our own state images, not
    // TVS_CHECKBOXES, so that only a click on the tick picture changes them.
    DWORD style = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                  TVS_DISABLEDRAGDROP;
    HWND tree = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", style, 0, 0, 209, 100, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!tree) ThrowLastError();
    TreeView1.reset(tree);
    ScaleTo(kDesignDpi);
    ::SetWindowSubclass(tree, TreeProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return tree;
}

void FolderTree::ScaleTo(int dpi)
{
    const DpiScale scale(dpi);
    HWND tree = TreeView1.get();
    // The control lets go of the old pictures before they are freed.
    UniqueHimagelist images = CreateFolderImages(scale(kDesignPictureSize));
    UniqueHimagelist stateImages = CreateTickImages(scale(kDesignPictureSize));
    TreeView_SetImageList(tree, images.get(), TVSIL_NORMAL);
    TreeView_SetImageList(tree, stateImages.get(), TVSIL_STATE);
    images_ = std::move(images);
    stateImages_ = std::move(stateImages);
    TreeView_SetIndent(tree, scale(kDesignIndent));
}

LRESULT CALLBACK FolderTree::TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // NM_CLICK carries no position, and the cursor may have moved (or, for messages a
        // test sends, never been there): remember where the click landed.
        reinterpret_cast<FolderTree*>(self)->lastClick_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, TreeProc, kSubclassId);
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void FolderTree::RetrieveOutlookFolders(const Dispatch& nameSpace)
{
    HWND tree = TreeView1.get();
    TreeView_DeleteAllItems(tree);
    roots_.clear();
    nodeData_.clear();
    // The nodes are read and sorted first and reach the control once, already sorted and ticked:
    // every message about an item costs the control a search through all its items.
    AddFolderNodes(nullptr, nameSpace.getObject(L"Folders"));
    auto byName = [](const NodeData* a, const NodeData* b) {
        // The locale-aware comparison, letter case significant, as lstrcmp compares.
        return ::lstrcmpW(a->name.c_str(), b->name.c_str()) < 0;
    };
    std::stable_sort(roots_.begin(), roots_.end(), byName);
    for (NodeData& node : nodeData_) std::stable_sort(node.children.begin(), node.children.end(), byName);
    for (NodeData* root : roots_) SetNodeState(*root, kTicked);
    InsertIntoControl();
    if (!roots_.empty()) TreeView_Expand(tree, roots_.front()->item, TVE_EXPAND);
}

void FolderTree::AddFolderNodes(NodeData* parent, const Dispatch& folders)
{
    int count = folders.get(L"Count").toInt();
    for (int i = 1; i <= count; ++i) {
        try {
            Dispatch folder = folders.callObject(L"Item", i);
            std::wstring entryId = folder.get(L"EntryID").toText();
            std::wstring name = folder.get(L"Name").toText();
            NodeData& node = nodeData_.emplace_back();
            node.name = std::move(name);
            node.entryId = std::move(entryId);
            // Every folder of a store has the store's identifier: read once, at the top.
            node.storeId = parent ? parent->storeId : TryStoreId(folder);
            node.level = parent ? parent->level + 1 : 0;
            (parent ? parent->children : roots_).push_back(&node);
            node.image = ImageIndexFor(folder.get(L"DefaultItemType").toInt());
            node.state = kUnticked;
            AddFolderNodes(&node, folder.getObject(L"Folders"));
        } catch (const std::exception& e) {
            // What was added before the failure stays; the next folder goes on.
            LogError(ExceptionMessage(e) + L" RetrieveOutlookFolders event");
        }
    }
}

void FolderTree::InsertIntoControl()
{
    HWND tree = TreeView1.get();
    // No repainting while thousands of nodes arrive; once at the end.
    ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    // Level by level: the control looks each parent up among the items it holds, and parents
    // inserted early are found first. Siblings keep their order (each goes last).
    struct Pending {
        NodeData* node;
        HTREEITEM parent;
    };
    std::vector<Pending> level, next;
    for (NodeData* root : roots_) level.push_back({root, TVI_ROOT});
    while (!level.empty()) {
        next.clear();
        for (const Pending& pending : level) {
            NodeData& node = *pending.node;
            TVINSERTSTRUCTW insert{};
            insert.hParent = pending.parent;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
            insert.item.pszText = const_cast<wchar_t*>(node.name.c_str());
            insert.item.lParam = reinterpret_cast<LPARAM>(&node);
            insert.item.iImage = node.image;
            insert.item.iSelectedImage = node.image;
            insert.item.state = INDEXTOSTATEIMAGEMASK(node.state);
            insert.item.stateMask = TVIS_STATEIMAGEMASK;
            node.item = TreeView_InsertItem(tree, &insert);
            if (!node.item) continue; // its branch cannot be shown; it stays out of the node list too
            for (NodeData* child : node.children) next.push_back({child, node.item});
        }
        level.swap(next);
    }
    ::SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(tree, nullptr, TRUE);
}

FolderTree::NodeData* FolderTree::DataOf(HTREEITEM item) const
{
    TVITEMW data{};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = item;
    if (!item || !TreeView_GetItem(TreeView1.get(), &data)) return nullptr;
    return reinterpret_cast<NodeData*>(data.lParam);
}

int FolderTree::ImageIndexFor(int defaultItemType)
{
    // 0 mail .. 5 note map to pictures 1 .. 6; anything else shows the plain folder.
    return defaultItemType >= 0 && defaultItemType <= 5 ? defaultItemType + 1 : 1;
}

int FolderTree::NodeState(HTREEITEM node) const
{
    UINT state = TreeView_GetItemState(TreeView1.get(), node, TVIS_STATEIMAGEMASK);
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void FolderTree::SetNodeState(HTREEITEM node, int state)
{
    if (NodeData* data = DataOf(node)) SetNodeState(*data, state);
}

void FolderTree::SetNodeState(NodeData& node, int state)
{
    node.state = state;
    if (node.item) TreeView_SetItemState(TreeView1.get(), node.item, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK);
    for (NodeData* child : node.children) SetNodeState(*child, state);
}

void FolderTree::TreeView1Click()
{
    HWND tree = TreeView1.get();
    TVHITTESTINFO hit{};
    hit.pt = lastClick_;
    TreeView_HitTest(tree, &hit);
    if (!hit.hItem || !(hit.flags & TVHT_ONITEMSTATEICON)) return;
    // The control selects only on the label or picture; a click on the tick picture selects its
    // node here, so the tick that flips is always the one clicked.
    TreeView_SelectItem(tree, hit.hItem);
    NodeData* node = DataOf(TreeView_GetSelection(tree));
    if (!node) return;
    if (node->state == kUnticked) SetNodeState(*node, kTicked);
    else if (node->state == kTicked) SetNodeState(*node, kUnticked);
}

bool FolderTree::OnNotify(NMHDR* header, LRESULT* result)
{
    if (!header || header->hwndFrom != TreeView1.get()) return false;
    if (header->code == NM_CLICK) {
        TreeView1Click();
        *result = 0; // the control goes on with its own handling (selecting on the label)
        return true;
    }
    return false;
}

std::vector<FolderTree::Node> FolderTree::Nodes() const
{
    std::vector<Node> nodes;
    nodes.reserve(nodeData_.size());
    struct Walker {
        std::vector<Node>& out;
        void Visit(const std::vector<NodeData*>& siblings)
        {
            for (const NodeData* node : siblings) {
                if (!node->item) continue;
                out.push_back({node->item, node->entryId, node->storeId, node->state == kTicked, node->level, node->name});
                Visit(node->children);
            }
        }
    } walker{nodes};
    walker.Visit(roots_);
    return nodes;
}

} // namespace gleaner
