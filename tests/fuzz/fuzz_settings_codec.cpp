// search_pref and chklst texts as the registry may hold them: any length, any characters.
#include "FuzzInput.h"
#include "settings/SettingsCodec.h"

using namespace gleaner;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const std::uint8_t state = in.Byte();
    const ItemKind kind = kItemKinds[in.Byte() % kItemKindCount];
    const std::wstring stored = in.Rest();

    // Whatever was in force before, applying a text leaves one consistent state, and that
    // state written and read back is itself.
    SearchPref pref{static_cast<OriginalRule>(state % 5), static_cast<DuplicateBehavior>((state / 5) % 5),
                    (state & 0x20) != 0, (state & 0x40) != 0, (state & 0x80) != 0};
    ApplySearchPref(stored, pref);
    const std::wstring encoded = EncodeSearchPref(pref);
    FUZZ_CHECK(encoded.size() == kSearchPrefLength);
    FUZZ_CHECK(encoded.find_first_not_of(L"01") == std::wstring::npos);
    SearchPref again{};
    ApplySearchPref(encoded, again);
    FUZZ_CHECK(again == pref);
    // A flag is on only where the text holds "1".
    FUZZ_CHECK(pref.fastSearch == (stored.size() >= 11 && stored[10] == L'1'));
    FUZZ_CHECK(pref.sameFolder == (stored.size() >= 6 && stored[5] == L'1'));
    FUZZ_CHECK(FlagToBool(stored) == (stored == L"1"));

    // A check list takes exactly its own length from the text; the other lists stay.
    ComparisonProfiles profiles;
    profiles.ApplyFirstStart();
    const ComparisonProfiles before = profiles;
    ApplyCheckList(stored, profiles, kind);
    const std::wstring ticks = EncodeCheckList(profiles, kind);
    FUZZ_CHECK(ticks.size() == profiles.rowCount(kind));
    for (std::size_t row = 0; row < ticks.size(); ++row)
        FUZZ_CHECK((ticks[row] == L'1') == (row < stored.size() && stored[row] == L'1'));
    for (ItemKind other : kItemKinds) {
        if (other != kind) FUZZ_CHECK(EncodeCheckList(profiles, other) == EncodeCheckList(before, other));
    }
    return 0;
}
