#include "settings/SettingsCodec.h"

namespace gleaner {

namespace {

bool FlagAt(std::wstring_view text, std::size_t index)
{
    return index < text.size() && FlagToBool(text.substr(index, 1));
}

// A radio button of a group stored at its own position.
template <typename Group>
void ApplyRadio(Group& current, Group button, bool on)
{
    if (on) {
        current = button;
    } else if (current == button) {
        current = Group::None;
    }
}

} // namespace

bool FlagToBool(std::wstring_view flag) { return flag == L"1"; }

std::wstring BoolToFlag(bool on) { return on ? L"1" : L"0"; }

std::wstring EncodeSearchPref(const SearchPref& pref)
{
    const bool flags[kSearchPrefLength] = {
        pref.original == OriginalRule::OldestCreation,
        pref.original == OriginalRule::NewestCreation,
        pref.behavior == DuplicateBehavior::MoveToFolder,
        pref.behavior == DuplicateBehavior::DeletePermanently,
        pref.behavior == DuplicateBehavior::MoveToDeletedItems,
        pref.sameFolder,
        pref.showFoundMessage,
        pref.behavior == DuplicateBehavior::ModifySubject,
        pref.original == OriginalRule::SmallestSize,
        pref.original == OriginalRule::LargestSize,
        pref.fastSearch,
    };
    std::wstring text;
    for (bool on : flags) text += BoolToFlag(on);
    return text;
}

void ApplySearchPref(std::wstring_view stored, SearchPref& pref)
{
    ApplyRadio(pref.original, OriginalRule::OldestCreation, FlagAt(stored, 0));
    ApplyRadio(pref.original, OriginalRule::NewestCreation, FlagAt(stored, 1));
    ApplyRadio(pref.behavior, DuplicateBehavior::MoveToFolder, FlagAt(stored, 2));
    ApplyRadio(pref.behavior, DuplicateBehavior::DeletePermanently, FlagAt(stored, 3));
    ApplyRadio(pref.behavior, DuplicateBehavior::MoveToDeletedItems, FlagAt(stored, 4));
    pref.sameFolder = FlagAt(stored, 5);
    pref.showFoundMessage = FlagAt(stored, 6);
    ApplyRadio(pref.behavior, DuplicateBehavior::ModifySubject, FlagAt(stored, 7));
    ApplyRadio(pref.original, OriginalRule::SmallestSize, FlagAt(stored, 8));
    ApplyRadio(pref.original, OriginalRule::LargestSize, FlagAt(stored, 9));
    pref.fastSearch = FlagAt(stored, 10);
}

std::wstring EncodeCheckList(const ComparisonProfiles& profiles, ItemKind kind)
{
    std::wstring text;
    for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) text += BoolToFlag(profiles.ticked(kind, row));
    return text;
}

void ApplyCheckList(std::wstring_view stored, ComparisonProfiles& profiles, ItemKind kind)
{
    for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) profiles.setTicked(kind, row, FlagAt(stored, row));
}

} // namespace gleaner
