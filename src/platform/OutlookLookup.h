#pragma once
// Outlook's look-ups by entry identifier, given the store identifier whenever it is known:
// folders and items of delegate mailboxes, public folders and some PST files are found only
// with it ("EntryIDStore usually must be provided"). Without one, the call is made as it
// always was.
#include <string>

#include "platform/Dispatch.h"
#include "platform/Variant.h"

namespace gleaner {

// NameSpace.GetFolderFromID(entryId[, storeId]).
Dispatch FolderFromId(const Dispatch& nameSpace, const std::wstring& entryId, const std::wstring& storeId);
// NameSpace.GetItemFromID(entryId, storeId); with no store identifier, `noStore` goes second
// (an omitted argument, Empty), or nothing when it is null.
Dispatch ItemFromId(const Dispatch& nameSpace, const std::wstring& entryId, const std::wstring& storeId,
                    const Variant* noStore = nullptr);
// Folder.StoreID, or empty text when it cannot be read (an Outlook before 2007, a failing store).
std::wstring TryStoreId(const Dispatch& folder) noexcept;

} // namespace gleaner
