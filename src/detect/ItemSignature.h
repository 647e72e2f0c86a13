#pragma once
// Builds an Outlook item's signature, the text by which the standard search tells
// duplicates: the values of the ticked rows of the item's kind, framed and joined, behind
// the folder path when the same-folder option is on; "notsupported" for other message
// classes; a fresh GUID when there is nothing to compare. Holds no state between items.
#include <functional>
#include <optional>
#include <string>

#include "detect/ComparisonProfiles.h"
#include "detect/TimeText.h"
#include "platform/Dispatch.h"

namespace gleaner {

// A folder's full path, a backslash in front of each name from the top-level folder down.
using FolderPathFunction = std::function<std::wstring(const Dispatch& folder)>;

class ItemSignature {
public:
    // The profiles are read at every call, so a change applies from the next item on.
    explicit ItemSignature(const ComparisonProfiles& profiles);
    ItemSignature(const ComparisonProfiles& profiles, FolderPathFunction folderPath);

    // The item as taken from a folder's Items collection. A failed read passes to the
    // caller (ComError); no partial text is handed out.
    // `kind`, when given, receives the item's kind (nothing for another message class).
    std::wstring DuplicateSearch(const Dispatch& item, std::optional<ItemKind>* kind = nullptr) const;

private:
    const ComparisonProfiles& profiles_;
    FolderPathFunction folderPath_;
};

// The text one catalogue property of the item gives, in its value form.
std::wstring PropertyText(const Dispatch& item, const PropertyInfo& property);

// A date-time as a signature writes it: the user's short date, directly followed by the
// time to the second in the user's time settings; fractions of a second are dropped.
std::wstring DateTimeText(double oleDate);

// The user's time settings from the regional options.
TimeSettings UserTimeSettings();

// A new GUID in its braced registry form, or the empty text when none can be made.
std::wstring NewGuidString();

} // namespace gleaner
