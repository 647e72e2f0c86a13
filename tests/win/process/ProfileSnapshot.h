#pragma once
// What a stand-in profile holds after a reload: every item by its TestKey (else its entry
// identifier, which a move changes) with its entry identifier, folder and subject. Taken from a
// fresh Outlook.Application, so every Outlook object of the test must be released first: the
// stand-in then folds its journal into the file and loads it afresh.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

namespace process_test {

struct StoredItem {
    std::wstring entryId;
    std::wstring folderId;
    std::wstring folderName;
    std::wstring folderPath;
    std::wstring subject;
    std::wstring messageClass;
    bool operator==(const StoredItem&) const = default;
};

using Snapshot = std::map<std::wstring, StoredItem>; // by the item's TestKey

inline void AddFolderItems(const gleaner::Dispatch& folders, const std::wstring& parentPath, Snapshot& out)
{
    const int count = folders.get(L"Count").toInt();
    for (int i = 1; i <= count; ++i) {
        gleaner::Dispatch folder = folders.callObject(L"Item", i);
        const std::wstring folderId = folder.get(L"EntryID").toText();
        const std::wstring folderName = folder.get(L"Name").toText();
        const std::wstring folderPath = parentPath + L"\\" + folderName;
        gleaner::Dispatch items = folder.getObject(L"Items");
        const int itemCount = items.get(L"Count").toInt();
        for (int k = 1; k <= itemCount; ++k) {
            gleaner::Dispatch item = items.callObject(L"Item", k);
            out[gleaner::test::TestKeyOf(item)] = {item.get(L"EntryID").toText(), folderId, folderName, folderPath,
                                                    item.get(L"Subject").toText(), item.get(L"MessageClass").toText()};
        }
        AddFolderItems(folder.getObject(L"Folders"), folderPath, out);
    }
}

// A journal left beside the profile means changes not yet folded into it: some Outlook object
// is still alive, and a new one would not load the file afresh.
inline bool ChangesPending()
{
    wchar_t path[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", path, MAX_PATH)) return false;
    return ::GetFileAttributesW((std::wstring(path) + L".journal").c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline Snapshot ReloadedProfile()
{
    EXPECT_FALSE(ChangesPending()) << "an Outlook object is still alive";
    gleaner::Dispatch outlook = gleaner::test::CreateOutlook();
    Snapshot out;
    AddFolderItems(outlook.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders"), {}, out);
    return out;
}

// The key of the item that had this entry identifier; empty when none had.
inline std::wstring KeyOf(const Snapshot& profile, const std::wstring& entryId)
{
    for (const auto& [key, item] : profile) {
        if (item.entryId == entryId) return key;
    }
    return {};
}

// Each item's folder path and subject by its key, e.g. \Store\Inbox:Subject.
inline std::map<std::wstring, std::wstring> PathsAndSubjects(const Snapshot& profile)
{
    std::map<std::wstring, std::wstring> out;
    for (const auto& [id, item] : profile) out[id] = item.folderPath + L":" + item.subject;
    return out;
}

} // namespace process_test
