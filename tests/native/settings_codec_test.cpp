// The stored text forms: flags, search_pref and the check-list strings.
#include "settings/SettingsCodec.h"

#include <gtest/gtest.h>

#include <string>

using namespace gleaner;

namespace {

TEST(SettingsFlags, OnlyTheCharacterOneIsOn)
{
    EXPECT_TRUE(FlagToBool(L"1"));
    for (const wchar_t* text : {L"0", L"", L"2", L"y", L"11", L" 1", L"\u0661"}) EXPECT_FALSE(FlagToBool(text)) << text;
    EXPECT_EQ(BoolToFlag(true), L"1");
    EXPECT_EQ(BoolToFlag(false), L"0");
}

TEST(SearchPref, DesignDefaultsStoreOnesAtPositionsOneFourAndSeven)
{
    EXPECT_EQ(EncodeSearchPref(SearchPref{}), L"10010010000");
}

// Each case starts from a state unlike the design defaults, so that a position the text
// leaves off or a group it empties shows.
TEST(SearchPref, PositionsApplyInOrder)
{
    using O = OriginalRule;
    using B = DuplicateBehavior;
    const SearchPref start{O::LargestSize, B::ModifySubject, true, false, true};
    const struct {
        const wchar_t* stored;
        SearchPref expected;
    } cases[] = {
        {L"10010010000", {O::OldestCreation, B::DeletePermanently, false, true, false}},
        // Seven characters: positions 8 to 11 read as off, so "Modify subject" goes off too.
        {L"0100001", {O::NewestCreation, B::None, false, true, false}},
        // "1" at positions 1 and 2: the later one wins.
        {L"11000000000", {O::NewestCreation, B::None, false, false, false}},
        {L"00000000000", {O::None, B::None, false, false, false}},
        {L"", {O::None, B::None, false, false, false}},
        {L"00101100011", {O::LargestSize, B::MoveToDeletedItems, true, false, true}},
        {L"00100000100", {O::SmallestSize, B::MoveToFolder, false, false, false}},
        {L"10000001010", {O::LargestSize, B::ModifySubject, false, false, false}},
        // Anything but "1" is off; characters after the eleventh are ignored.
        {L"2y1x1x1x1x01111", {O::SmallestSize, B::MoveToDeletedItems, false, true, false}},
        {L"11111111111", {O::LargestSize, B::ModifySubject, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored \"" << std::wstring(c.stored).c_str() << "\"");
        SearchPref pref = start;
        ApplySearchPref(c.stored, pref);
        EXPECT_EQ(static_cast<int>(pref.original), static_cast<int>(c.expected.original));
        EXPECT_EQ(static_cast<int>(pref.behavior), static_cast<int>(c.expected.behavior));
        EXPECT_EQ(pref.sameFolder, c.expected.sameFolder);
        EXPECT_EQ(pref.showFoundMessage, c.expected.showFoundMessage);
        EXPECT_EQ(pref.fastSearch, c.expected.fastSearch);
    }
}

TEST(SearchPref, EveryStateSurvivesARoundTrip)
{
    for (int original = 0; original <= 4; ++original) {
        for (int behavior = 0; behavior <= 4; ++behavior) {
            for (int flags = 0; flags < 8; ++flags) {
                const SearchPref pref{static_cast<OriginalRule>(original), static_cast<DuplicateBehavior>(behavior),
                                      (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
                const std::wstring text = EncodeSearchPref(pref);
                ASSERT_EQ(text.size(), kSearchPrefLength);
                SearchPref back{OriginalRule::NewestCreation, DuplicateBehavior::MoveToFolder, !pref.sameFolder,
                                !pref.showFoundMessage, !pref.fastSearch};
                ApplySearchPref(text, back);
                EXPECT_TRUE(back == pref) << original << " " << behavior << " " << flags;
            }
        }
    }
}

TEST(CheckLists, EncodeOneFlagPerEntryInListOrder)
{
    ComparisonProfiles profiles;
    profiles.ApplyFirstStart();
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Calendar), L"1011100000000000000");
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Contact), L"1010110000000000000000000000000000000000");
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Mail), L"11000000000000000000");
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Journal), L"111100000000000000");
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Note), L"110000");
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Task), L"101100000000000000000");
}

TEST(CheckLists, ShortLongAndOddTextsApplyPerEntry)
{
    ComparisonProfiles profiles;
    for (ItemKind kind : kItemKinds)
        for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) profiles.setTicked(kind, row, true);

    ApplyCheckList(L"11", profiles, ItemKind::Mail);
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Mail), L"11000000000000000000");

    ApplyCheckList(L"0101x1" L"1111111111", profiles, ItemKind::Note);
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Note), L"010101");

    ApplyCheckList(L"", profiles, ItemKind::Task);
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Task), std::wstring(21, L'0'));

    // The other lists were not touched.
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Calendar), std::wstring(19, L'1'));

    const std::wstring contact = L"0110100110010110011001101001011010010110";
    ApplyCheckList(contact, profiles, ItemKind::Contact);
    EXPECT_EQ(EncodeCheckList(profiles, ItemKind::Contact), contact);
}

} // namespace
