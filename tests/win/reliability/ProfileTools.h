#pragma once
// Outlook stand-in profiles written by the reliability tests, and what a profile holds after a
// run, read back through a fresh Outlook after the last run's objects were released.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "detect/ComparisonProfiles.h"

namespace reliability {

// One generated item: where it lives, its properties as the profile gives them (texts; a list
// property keeps its texts), and anything else the item's JSON carries verbatim.
struct ItemDef {
    std::wstring entryId;
    std::wstring messageClass; // empty: the folder's kind
    std::map<std::wstring, std::wstring> texts;
    std::map<std::wstring, std::vector<std::wstring>> lists; // Categories, Companies
    int attachments = 0;
    std::string fail; // the item's "fail" object, JSON, when not empty
};

struct FolderDef {
    std::wstring name;
    int defaultItemType = 0;
    std::string role;
    std::vector<ItemDef> items;
    std::vector<FolderDef> folders;
    std::string fail; // JSON object text
};

struct StoreDef {
    std::wstring name;
    std::vector<FolderDef> folders;
};

// The profile's JSON (UTF-8; every character outside ASCII written as a \u escape).
std::string ProfileJson(const std::vector<StoreDef>& stores, const std::string& namespaceFail = {},
                        const std::string& applicationFail = {});

// A 64-digit upper-case hexadecimal entry identifier made from a number.
std::wstring EntryIdFor(unsigned number);

// What an item looks like after a run.
struct ItemState {
    std::wstring folderPath; // "\Store\Folder\..."
    std::wstring subject;
};

// Makes every "fail" entry whose message is `message` name a member nobody calls, so the
// profile can be read back whole after a run that met its faults.
void DisarmFaults(const std::wstring& profilePath, const std::string& message);

// Every item of the profile named by OUTLOOK_STANDIN_PROFILE, by the entry identifier it was
// generated with (its TestKey: a move gives the item a new one), read through a new
// Outlook.Application. Call only while no other Outlook object is alive.
std::map<std::wstring, ItemState> ReadProfileItems();

} // namespace reliability
