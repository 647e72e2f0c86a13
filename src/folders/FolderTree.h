#pragma once
// TreeView1: every folder of every store of the Outlook profile, with a folder-kind picture and a
// tick. Owns the tree control, its two image lists and the nodes (name, EntryID, tick state);
// the control mirrors the nodes.
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/Handles.h"

namespace gleaner {

class FolderTree {
public:
    // Tick states, as the state-image indexes of the tick pictures.
    static constexpr int kUnticked = 1;
    static constexpr int kTicked = 2;

    FolderTree() = default;
    ~FolderTree();
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    // Creates TreeView1 as a child of `parent`, with its images at 96 DPI.
    HWND Create(HWND parent, int controlId);
    // Pictures and indentation for a window at `dpi`; the font is the parent's to set.
    void ScaleTo(int dpi);
    HWND hwnd() const { return TreeView1.get(); }

    // Fills the tree with every folder of the NameSpace, sorts it, ticks every node and expands
    // the first top-level node one level. Failures of single folders are logged; a failure to read
    // the top-level collection reaches the caller.
    void RetrieveOutlookFolders(const Dispatch& nameSpace);
    bool HasFolders() const { return !roots_.empty(); }

    // WM_NOTIFY from TreeView1, forwarded by the parent; returns the result to give back.
    bool OnNotify(NMHDR* header, LRESULT* result);

    struct Node {
        HTREEITEM item;
        std::wstring entryId;
        std::wstring storeId; // empty when it could not be read
        bool ticked;
        int level; // 0 for a top-level folder
        std::wstring name;
    };
    // Each node before its children, siblings in display order.
    std::vector<Node> Nodes() const;

    // Sets the tick state of `node` and of every node below it.
    void SetNodeState(HTREEITEM node, int state);
    // The tick state the control shows for `node`.
    int NodeState(HTREEITEM node) const;
    // Flips the tick of the node whose tick picture the last click hit.
    void TreeView1Click();

    // The folder-kind picture for a folder's DefaultItemType.
    static int ImageIndexFor(int defaultItemType);
    HIMAGELIST Images() const { return images_.get(); }
    HIMAGELIST StateImages() const { return stateImages_.get(); }

private:
    struct NodeData {
        std::wstring name;
        std::wstring entryId;
        std::wstring storeId;
        int image = 1;
        int state = kUnticked;
        int level = 0;
        std::vector<NodeData*> children;
        HTREEITEM item = nullptr;
    };

    // The recursive step of the filling: one guarded step per folder of `folders`.
    void AddFolderNodes(NodeData* parent, const Dispatch& folders);
    void SetNodeState(NodeData& node, int state);
    NodeData* DataOf(HTREEITEM item) const;
    void InsertIntoControl();
    static LRESULT CALLBACK TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    // Declared before the control, so the control goes first: it draws from both lists.
    UniqueHimagelist images_;
    UniqueHimagelist stateImages_;
    UniqueHwnd TreeView1;
    // The nodes live here (addresses never move); each control item's lParam points at its node.
    std::deque<NodeData> nodeData_;
    std::vector<NodeData*> roots_;
    POINT lastClick_{-1, -1};
};

} // namespace gleaner
