// The fast search's portable texts: the query a folder's ticks give, the key framing with its
// GUID and "notsupported" rules, and the formatting VariantToText builds on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detect/ComparisonProfiles.h"
#include "detect/FastSearchText.h"

using namespace gleaner;

namespace {

std::wstring QueryFor(const ComparisonProfiles& profiles, std::int32_t defaultItemType)
{
    std::vector<std::wstring> columnList;
    profiles.CheckedProps(defaultItemType, columnList);
    return FastQueryText(SelectedColumns(columnList));
}

std::wstring Framed(std::initializer_list<const wchar_t*> values)
{
    FastKey key;
    for (const wchar_t* value : values) {
        if (value) key.appendValue(value);
        else key.appendNull();
    }
    return key.framed();
}

} // namespace

TEST(FastQuery, FollowsTheFolderKindsTicksAndAlwaysSelectsSizeOnce)
{
    ComparisonProfiles profiles;
    profiles.ApplyFirstStart();
    EXPECT_EQ(QueryFor(profiles, 0), L"SELECT EntryID, Subject, Body, Size from Folder");
    EXPECT_EQ(QueryFor(profiles, 3), L"SELECT EntryID, Subject, Startdate, Duedate, Size from Folder");
    // Posts and any other number: Subject and Body whatever is ticked.
    EXPECT_EQ(QueryFor(ComparisonProfiles(), 6), L"SELECT EntryID, Subject, Body, Size from Folder");
    EXPECT_EQ(QueryFor(ComparisonProfiles(), -1), L"SELECT EntryID, Subject, Body, Size from Folder");

    ComparisonProfiles none;
    EXPECT_EQ(QueryFor(none, 0), L"SELECT EntryID, Size from Folder");

    ComparisonProfiles attachments;
    attachments.setTicked(ItemKind::Mail, 6, true);
    attachments.setTicked(ItemKind::Calendar, 5, true);
    EXPECT_EQ(QueryFor(attachments, 0), L"SELECT EntryID, Attachments., Size from Folder");
    EXPECT_EQ(QueryFor(attachments, 1), L"SELECT EntryID, Attachments, Size from Folder");

    // Size already in the list keeps its place and is not selected twice.
    ComparisonProfiles note;
    note.setTicked(ItemKind::Note, 5, true);
    note.setTicked(ItemKind::Note, 0, true);
    EXPECT_EQ(QueryFor(note, 5), L"SELECT EntryID, Subject, Size from Folder");
}

TEST(FastKey, FramesEachColumnSoValuesCannotShiftAcrossColumns)
{
    // Joined without separators these would all read "ab".
    EXPECT_NE(Framed({L"ab", nullptr}), Framed({L"a", L"b"}));
    EXPECT_NE(Framed({L"ab", nullptr}), Framed({nullptr, L"ab"}));
    EXPECT_NE(Framed({L"a", L"b"}), Framed({L"ab", L""}));
    // A Null column reads as empty text in its own place.
    EXPECT_EQ(Framed({L"ab", nullptr}), Framed({L"ab", L""}));
    EXPECT_EQ(Framed({L"x", L"y"}), Framed({L"x", L"y"}));
}

TEST(FastKey, EmptyRowsTakeAGuidBeforeTheFolderPath)
{
    FastKey key;
    key.appendNull();
    key.appendValue(L"");
    ASSERT_TRUE(key.empty());
    key.replaceWithUnique(L"{GUID}");
    key.appendFolderPath(L"\\Store\\Inbox");
    EXPECT_EQ(key.plain(), L"{GUID}\\Store\\Inbox");

    // A row whose single value is the GUID's text is not the GUID key.
    FastKey text;
    text.appendValue(L"{GUID}");
    EXPECT_FALSE(text.empty());
    text.appendFolderPath(L"\\Store\\Inbox");
    EXPECT_NE(text.framed(), key.framed());

    // The folder path is framed apart from the values.
    FastKey a, b;
    a.appendValue(L"x\\S");
    a.appendFolderPath(L"\\T");
    b.appendValue(L"x");
    b.appendFolderPath(L"\\S\\T");
    EXPECT_EQ(a.plain(), b.plain());
    EXPECT_NE(a.framed(), b.framed());
}

TEST(FastKey, NotSupportedIsJudgedOnTheJoinedValues)
{
    const struct {
        std::initializer_list<const wchar_t*> values;
        const wchar_t* folder;
        bool comparable;
    } cases[] = {
        {{L"notsupported"}, nullptr, false},
        {{L"not", L"supported"}, nullptr, false},
        {{L"notsupported", nullptr}, nullptr, false},
        {{L"notsupported"}, L"\\S", true},
        {{L"Notsupported"}, nullptr, true},
    };
    for (const auto& c : cases) {
        FastKey key;
        for (const wchar_t* value : c.values) value ? key.appendValue(value) : key.appendNull();
        if (c.folder) key.appendFolderPath(c.folder);
        EXPECT_EQ(key.comparable(), c.comparable) << key.plain();
    }
}

TEST(VariantToTextParts, GeneralFloatFormat)
{
    const struct {
        double value;
        const wchar_t* separator;
        const wchar_t* text;
    } cases[] = {
        {1.5, L".", L"1.5"},
        {1.5, L",", L"1,5"},
        {-0.25, L",", L"-0,25"},
        {3.0, L".", L"3"},
        {0.1 + 0.2, L".", L"0.3"},               // 15 significant digits hide the binary rest
        {123456789012345.0, L".", L"123456789012345"},
        {1234567890123456.0, L".", L"1.23456789012346E15"},
        {1e20, L".", L"1E20"},
        {0.0001, L".", L"0.0001"},
        {1.5e-7, L",", L"1,5E-7"},
        {0.0, L".", L"0"},
        {12.3456, L"||", L"12||3456"},
    };
    for (const auto& c : cases) EXPECT_EQ(GeneralFloatText(c.value, c.separator), c.text) << c.value;
}

TEST(VariantToTextParts, DatesAndArrays)
{
    EXPECT_EQ(JoinDateAndTime(L"07.03.2009", L"14:05:09", false), L"07.03.2009 14:05:09");
    EXPECT_EQ(JoinDateAndTime(L"07.03.2009", L"00:00:00", true), L"07.03.2009");

    const std::vector<std::wstring> none, one{L"a"}, empties{L"", L""}, three{L"a", L"", L"c"};
    EXPECT_EQ(JoinLines(none), L"");
    EXPECT_EQ(JoinLines(one), L"a");
    EXPECT_EQ(JoinLines(empties), L"\r\n");
    EXPECT_EQ(JoinLines(three), L"a\r\n\r\nc");
}
