#pragma once
// The text forms of the stored settings: one-character flags, the eleven positions of
// search_pref and the per-entry ticks of chklst1 to chklst6. Portable.
#include <cstddef>
#include <string>
#include <string_view>

#include "detect/ComparisonProfiles.h"

namespace gleaner {

// "1" is on; on reading anything else, an empty text included, is off.
bool FlagToBool(std::wstring_view flag);
std::wstring BoolToFlag(bool on);

// The group "Original item is the item with"; None when no button of it is on.
enum class OriginalRule { None, OldestCreation, NewestCreation, SmallestSize, LargestSize };

// The group "Duplicate behavior options"; None when no button of it is on.
enum class DuplicateBehavior { None, MoveToDeletedItems, DeletePermanently, MoveToFolder, ModifySubject };

// The settings search_pref carries.
struct SearchPref {
    OriginalRule original = OriginalRule::OldestCreation;
    DuplicateBehavior behavior = DuplicateBehavior::DeletePermanently;
    bool sameFolder = false;
    bool showFoundMessage = true;
    bool fastSearch = false;

    bool operator==(const SearchPref&) const = default;
};

inline constexpr std::size_t kSearchPrefLength = 11;

// Eleven flags in position order.
std::wstring EncodeSearchPref(const SearchPref& pref);

// Applies positions 1 to 11 in order: a radio position holding "1" switches its button on
// and the rest of its group off; "0" switches only that button off. Positions beyond the
// text read as off, characters beyond the eleventh are ignored.
void ApplySearchPref(std::wstring_view stored, SearchPref& pref);

// One flag per entry of a kind's list, in list order.
std::wstring EncodeCheckList(const ComparisonProfiles& profiles, ItemKind kind);

// Entry k is ticked exactly when character k is "1"; entries beyond the text come out
// unticked and characters beyond the list are ignored.
void ApplyCheckList(std::wstring_view stored, ComparisonProfiles& profiles, ItemKind kind);

} // namespace gleaner
