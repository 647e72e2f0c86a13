#include "detect/RemovalDestinations.h"

#include "platform/OutlookLookup.h"

namespace gleaner {

namespace {

constexpr int kDeletedItemsFolder = 3; // olFolderDeletedItems

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// Two identifiers of one object may differ as text (short- and long-term forms); Outlook tells.
bool SameEntry(const Dispatch& nameSpace, const std::wstring& a, const std::wstring& b)
{
    if (SameText(a, b)) return true;
    if (a.empty() || b.empty()) return false;
    try {
        return nameSpace.call(L"CompareEntryIDs", a, b).toBool();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

std::vector<std::wstring> TreePaths(const std::vector<FolderTree::Node>& nodes)
{
    std::vector<std::wstring> paths;
    std::vector<std::wstring> parents; // the path at each level above the current node
    paths.reserve(nodes.size());
    for (const FolderTree::Node& node : nodes) {
        const auto level = static_cast<std::size_t>(node.level < 0 ? 0 : node.level);
        parents.resize(level);
        std::wstring path = (level ? parents.back() : std::wstring()) + L"\\" + node.name;
        parents.push_back(path);
        paths.push_back(std::move(path));
    }
    return paths;
}

void RemovalDestinations::AddFolder(const Dispatch& folder, const std::wstring& storeId)
{
    Folder found;
    found.entryId = folder.get(L"EntryID").toText();
    found.storeId = storeId.empty() ? TryStoreId(folder) : storeId;
    folders_.push_back(std::move(found));
}

RemovalDestinations::RemovalDestinations(const Dispatch& nameSpace, const FolderTree& tree,
                                         std::wstring moveFolderPath)
    : nameSpace_(nameSpace), nodes_(tree.Nodes()), moveFolderPath_(std::move(moveFolderPath))
{
}

void RemovalDestinations::LookUp()
{
    lookedUp_ = true;
    bool namespaceDeletedItems = false;
    for (const FolderTree::Node& node : nodes_) {
        if (node.level != 0) continue;
        try {
            Dispatch store = FolderFromId(nameSpace_, node.entryId, node.storeId).getObject(L"Store");
            AddFolder(store.callObject(L"GetDefaultFolder", kDeletedItemsFolder), node.storeId);
        } catch (const std::exception&) {
            namespaceDeletedItems = true;
        }
    }
    if (namespaceDeletedItems || folders_.empty()) {
        try {
            AddFolder(nameSpace_.callObject(L"GetDefaultFolder", kDeletedItemsFolder), std::wstring());
        } catch (const std::exception&) {
        }
    }
    if (moveFolderPath_.empty()) return;
    const std::vector<std::wstring> paths = TreePaths(nodes_);
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (paths[i] == moveFolderPath_) folders_.push_back(Folder{nodes_[i].entryId, nodes_[i].storeId, nodes_[i].item});
    }
}

bool RemovalDestinations::Contains(const FolderTree::Node& node)
{
    if (!lookedUp_) LookUp();
    for (const Folder& folder : folders_) {
        if (folder.node && folder.node == node.item) return true;
        if (!folder.storeId.empty() && !node.storeId.empty() && !SameEntry(nameSpace_, folder.storeId, node.storeId))
            continue;
        if (SameEntry(nameSpace_, folder.entryId, node.entryId)) return true;
    }
    return false;
}

} // namespace gleaner
