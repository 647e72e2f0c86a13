// The searches against Outlook's own behaviour where items are at stake: a copy already where
// duplicates are put is never the one kept, whichever rule and search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FastHarness.h"

using namespace gleaner;

namespace {

enum class Mode { Standard, Fast };

const char* Name(Mode mode) { return mode == Mode::Standard ? "standard" : "fast"; }

OriginalRule Only(int radioButton)
{
    OriginalRule rule{false, false, false, false};
    if (radioButton == 2) rule.oldestCreationTime = true;
    if (radioButton == 3) rule.newestCreationTime = true;
    if (radioButton == 4) rule.smallestSize = true;
    if (radioButton == 8) rule.largestSize = true;
    return rule;
}

std::string Mail(const std::string& subject, int size, const std::string& created)
{
    return R"({ "messageClass": "IPM.Note", "Subject": ")" + subject + R"(", "Size": )" + std::to_string(size) +
           R"(, "CreationTime": ")" + created + R"(" })";
}

// Deleted Items holds the oldest and smallest copy, the move-to folder "Zeta" (last in tree
// order) the newest and largest: whichever rule is chosen, a rule alone would keep one of them.
std::string ThreeFolders()
{
    return R"({ "stores": [ { "name": "Store", "folders": [
        { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [ )" +
           Mail("Same", 5, "2009-01-01T08:00:00") + R"( ] },
        { "name": "Inbox", "defaultItemType": 0, "items": [ )" +
           Mail("Same", 20, "2009-01-02T08:00:00") + "," + Mail("Same", 30, "2009-01-03T08:00:00") + R"( ] },
        { "name": "Zeta", "defaultItemType": 0, "items": [ )" +
           Mail("Same", 40, "2009-01-04T08:00:00") + R"( ] } ] } ] })";
}

void Search(fast_test::FastHarness& h, Mode mode, std::function<std::wstring()> moveFolderPath)
{
    SearchSurface s = mode == Mode::Standard ? h.Surface() : h.FastSurface();
    s.moveFolderPath = std::move(moveFolderPath);
    if (mode == Mode::Standard)
        RunStandardSearch(s);
    else
        RunFastSearch(s);
}

// Folder of every unticked row.
std::vector<std::wstring> KeptFolders(const fast_test::FastHarness& h)
{
    std::vector<std::wstring> kept;
    for (std::size_t i = 0; i < h.rows.size(); ++i) {
        const ResultRow& row = h.rows.At(i);
        EXPECT_EQ(row.ticked, row.caption == L"c");
        if (row.caption == L"n") kept.push_back(row.subItems.size() > 1 ? row.subItems[1] : L"?");
    }
    return kept;
}

TEST(RemovalDestinations, ACopyInDeletedItemsOrTheMoveToFolderIsNeverKept)
{
    for (Mode mode : {Mode::Standard, Mode::Fast}) {
        for (int radioButton : {2, 3, 4, 8, 0}) {
            SCOPED_TRACE(testing::Message() << Name(mode) << " search, radio button " << radioButton);
            fast_test::FastHarness h(ThreeFolders());
            h.CompareMailSubjects();
            h.rule = Only(radioButton);
            Search(h, mode, [] { return std::wstring(L"\\Store\\Zeta"); });
            EXPECT_EQ(h.rows.size(), 4u);
            EXPECT_EQ(KeptFolders(h), std::vector<std::wstring>{L"\\Store\\Inbox"});
        }
    }
}

TEST(RemovalDestinations, AreFixedWhenTheSearchStarts)
{
    for (Mode mode : {Mode::Standard, Mode::Fast}) {
        SCOPED_TRACE(Name(mode));
        fast_test::FastHarness h(ThreeFolders());
        h.CompareMailSubjects();
        h.rule = Only(3); // newest kept: Zeta's copy, unless Zeta is where duplicates go
        std::wstring box = L"\\Store\\Zeta";
        h.onPump = [&] { box = L"\\Store\\Inbox"; };
        Search(h, mode, [&] { return box; });
        EXPECT_EQ(KeptFolders(h), std::vector<std::wstring>{L"\\Store\\Inbox"});
    }
}

} // namespace
