#include "folders/FolderTree.h"

#include <windowsx.h>

#include "app/ErrorLog.h"
#include "folders/FolderImages.h"
#include "platform/ComError.h"

namespace gleaner {

namespace {

constexpr UINT_PTR kSubclassId = 1;

} // namespace

FolderTree::~FolderTree()
{
    // The parent usually destroys the control first; then only the image lists are ours to free.
    if (TreeView1 && !::IsWindow(TreeView1.get())) TreeView1.release();
}

HWND FolderTree::Create(HWND parent, int controlId)
{
    images_ = CreateFolderImages();
    stateImages_ = CreateTickImages();
    // Read-only labels, no tab stop, no dragging; ticks are our own state images, not
    // TVS_CHECKBOXES, so that only a click on the tick picture changes them.
    DWORD style = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                  TVS_DISABLEDRAGDROP;
    HWND tree = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", style, 0, 0, 209, 100, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!tree) ThrowLastError();
    TreeView1.reset(tree);
    TreeView_SetImageList(tree, images_.get(), TVSIL_NORMAL);
    TreeView_SetImageList(tree, stateImages_.get(), TVSIL_STATE);
    TreeView_SetIndent(tree, 19);
    ::SetWindowSubclass(tree, TreeProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return tree;
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
    nodeData_.clear();
    AddFolderNodes(TVI_ROOT, nameSpace.getObject(L"Folders"));
    SortLevel(TVI_ROOT);
    if (HTREEITEM first = TreeView_GetRoot(tree)) TreeView_Expand(tree, first, TVE_EXPAND);
    for (HTREEITEM top = TreeView_GetRoot(tree); top; top = TreeView_GetNextSibling(tree, top)) {
        SetNodeState(top, kTicked);
    }
}

bool FolderTree::HasFolders() const { return TreeView1 && TreeView_GetCount(TreeView1.get()) > 0; }

void FolderTree::AddFolderNodes(HTREEITEM parent, const Dispatch& folders)
{
    int count = folders.get(L"Count").toInt();
    for (int i = 1; i <= count; ++i) {
        try {
            Dispatch folder = folders.callObject(L"Item", i);
            NodeData data;
            data.entryId = folder.get(L"EntryID").toText();
            data.name = folder.get(L"Name").toText();
            HTREEITEM node = AddNode(parent, std::move(data));
            int image = ImageIndexFor(folder.get(L"DefaultItemType").toInt());
            TVITEMW item{};
            item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            item.hItem = node;
            item.iImage = image;
            item.iSelectedImage = image;
            TreeView_SetItem(TreeView1.get(), &item);
            AddFolderNodes(node, folder.getObject(L"Folders"));
        } catch (const std::exception& e) {
            // What was added before the failure stays; the next folder goes on.
            LogError(ExceptionMessage(e) + L" RetrieveOutlookFolders event");
        }
    }
}

HTREEITEM FolderTree::AddNode(HTREEITEM parent, NodeData data)
{
    NodeData& stored = nodeData_.emplace_back(std::move(data));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(stored.name.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(&stored);
    // The plain folder until the kind is known, so no folder ever shows the blank picture.
    insert.item.iImage = ImageIndexFor(0);
    insert.item.iSelectedImage = ImageIndexFor(0);
    insert.item.state = INDEXTOSTATEIMAGEMASK(kUnticked);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    HTREEITEM node = TreeView_InsertItem(TreeView1.get(), &insert);
    if (!node) {
        nodeData_.pop_back();
        ThrowComError(E_FAIL, L"The folder could not be added to the tree.");
    }
    return node;
}

void FolderTree::SortLevel(HTREEITEM parent)
{
    HWND tree = TreeView1.get();
    TVSORTCB sort{};
    sort.hParent = parent;
    sort.lpfnCompare = CompareByName;
    TreeView_SortChildrenCB(tree, &sort, FALSE);
    for (HTREEITEM child = TreeView_GetChild(tree, parent); child; child = TreeView_GetNextSibling(tree, child)) {
        SortLevel(child);
    }
}

int CALLBACK FolderTree::CompareByName(LPARAM first, LPARAM second, LPARAM)
{
    // The locale-aware comparison, letter case significant, as lstrcmp compares.
    const auto* a = reinterpret_cast<const NodeData*>(first);
    const auto* b = reinterpret_cast<const NodeData*>(second);
    return ::lstrcmpW(a->name.c_str(), b->name.c_str());
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
    HWND tree = TreeView1.get();
    TreeView_SetItemState(tree, node, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK);
    for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child)) {
        SetNodeState(child, state);
    }
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
    HTREEITEM node = TreeView_GetSelection(tree);
    if (!node) return;
    int state = NodeState(node);
    if (state == kUnticked) SetNodeState(node, kTicked);
    else if (state == kTicked) SetNodeState(node, kUnticked);
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
    HWND tree = TreeView1.get();
    if (!tree) return nodes;
    nodes.reserve(nodeData_.size());
    // Walk each node before its children, siblings in display order.
    struct Walker {
        const FolderTree& owner;
        HWND tree;
        std::vector<Node>& out;
        void Visit(HTREEITEM first, int level)
        {
            for (HTREEITEM node = first; node; node = TreeView_GetNextSibling(tree, node)) {
                TVITEMW item{};
                item.mask = TVIF_HANDLE | TVIF_PARAM;
                item.hItem = node;
                TreeView_GetItem(tree, &item);
                const auto* data = reinterpret_cast<const NodeData*>(item.lParam);
                out.push_back({node, data ? data->entryId : std::wstring(), owner.NodeState(node) == kTicked, level,
                               data ? data->name : std::wstring()});
                Visit(TreeView_GetChild(tree, node), level + 1);
            }
        }
    } walker{*this, tree, nodes};
    walker.Visit(TreeView_GetRoot(tree), 0);
    return nodes;
}

} // namespace gleaner
