#pragma once
// Where processing puts duplicates: every store's Deleted Items, and the tree folders whose path
// is the "Move to folder" box. Fixed when a search starts, so that a copy already lying there is
// never the one a set keeps (after one run with "Delete (move to deleted items)", the next search
// would otherwise keep the copy in Deleted Items and mark the last copy in the Inbox).
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "folders/FolderTree.h"
#include "platform/Dispatch.h"

namespace gleaner {

class RemovalDestinations {
public:
    // Takes the "Move to folder" box as it is now; Outlook is asked only when the first folder is
    // looked at, so a search with nothing ticked asks it nothing.
    RemovalDestinations(const Dispatch& nameSpace, const FolderTree& tree, std::wstring moveFolderPath);

    // Whether the node's folder is one of them, compared by store and entry identifier as Outlook
    // compares them.
    bool Contains(const FolderTree::Node& node);

    struct Folder {
        std::wstring entryId;
        std::wstring storeId;
        HTREEITEM node = nullptr; // the tree node it was found as, if any
    };
    const std::vector<Folder>& Folders() const noexcept { return folders_; }

private:
    // Each store's own Deleted Items (Store.GetDefaultFolder, else the namespace's where a store has
    // none or Outlook has no such call, as Outlook 2007), and every tree folder whose path equals
    // the box. A folder that cannot be found is left out: there is nothing in it to keep.
    void LookUp();
    void AddFolder(const Dispatch& folder, const std::wstring& storeId);

    const Dispatch& nameSpace_;
    const std::vector<FolderTree::Node> nodes_;
    const std::wstring moveFolderPath_;
    bool lookedUp_ = false;
    std::vector<Folder> folders_;
};

// The path of every tree node, as GetFolderPath would build it from the names the tree holds.
std::vector<std::wstring> TreePaths(const std::vector<FolderTree::Node>& nodes);

} // namespace gleaner
