#include "platform/OutlookLookup.h"

namespace gleaner {

Dispatch FolderFromId(const Dispatch& nameSpace, const std::wstring& entryId, const std::wstring& storeId)
{
    if (storeId.empty()) return nameSpace.callObject(L"GetFolderFromID", entryId);
    return nameSpace.callObject(L"GetFolderFromID", entryId, storeId);
}

Dispatch ItemFromId(const Dispatch& nameSpace, const std::wstring& entryId, const std::wstring& storeId,
                    const Variant* noStore)
{
    if (!storeId.empty()) return nameSpace.callObject(L"GetItemFromID", entryId, storeId);
    if (noStore) return nameSpace.callObject(L"GetItemFromID", entryId, *noStore);
    return nameSpace.callObject(L"GetItemFromID", entryId);
}

std::wstring TryStoreId(const Dispatch& folder) noexcept
{
    try {
        return folder.get(L"StoreID").toText();
    } catch (...) {
        return {};
    }
}

} // namespace gleaner
