#pragma once
// The Outlook stand-in's store read as a MAPI client reads Outlook's store: in this process,
// straight from the profile file and its journal, whichever process serves Outlook. Holds the
// profile it loaded and loads it again when the file or its journal has changed since.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Variant.h"

namespace standin {
class Profile;
}

namespace mapitable {

class StoreReader {
public:
    StoreReader();
    ~StoreReader();
    StoreReader(const StoreReader&) = delete;
    StoreReader& operator=(const StoreReader&) = delete;

    // One row per item of the folder with this entry ID, in the store's order: column 0 the
    // EntryID, then one per name in `columns`, as a 2-D array of VARIANT (row, column). A value
    // the item lacks is Null; `Attachments` (also "Attachments.") is the number of attachments.
    // Throws a text for the caller's failure (an unreadable profile, an unknown folder, an item
    // whose `fail` names a selected column).
    gleaner::Variant Rows(const std::wstring& profilePath, const std::wstring& folderEntryId,
                          const std::vector<std::wstring>& columns);

private:
    struct Stamp {
        ULONGLONG profileWritten = 0, profileSize = 0, journalWritten = 0, journalSize = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const std::wstring& profilePath);
    const standin::Profile& Current(const std::wstring& profilePath);

    std::unique_ptr<standin::Profile> profile_;
    std::wstring path_;
    Stamp stamp_;
};

} // namespace mapitable
