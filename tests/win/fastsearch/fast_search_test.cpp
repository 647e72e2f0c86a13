// The fast search against the Outlook and MAPI-table stand-ins: the shared start and closing
// steps, keys from record-set rows, the mail-body confirmation, scopes, the size rules,
// cancel, failures at every level, and agreement with the standard search on the demo profile.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FastHarness.h"

using namespace gleaner;
using fast_test::FastHarness;
using fast_test::Profile;

namespace {

using Rows = std::vector<std::wstring>;

// Items with fixed entry identifiers "E1", "E2", ...: each entry is the item's own JSON keys.
std::string Items(std::initializer_list<std::string> items, int firstId = 1)
{
    std::string out;
    int id = firstId;
    for (const std::string& item : items) {
        if (!out.empty()) out += ",";
        out += R"({ "entryID": "E)" + std::to_string(id++) + "\"" + (item.empty() ? "" : ", " + item) + " }";
    }
    return out;
}

long Count(const std::vector<std::string>& lines, const std::string& tail)
{
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
    });
}

void TickMail(FastHarness& h, std::initializer_list<std::size_t> rows)
{
    for (std::size_t row : rows) h.profiles.setTicked(ItemKind::Mail, row, true);
}

constexpr std::size_t kSubject = 0, kBody = 1, kTo = 3;

} // namespace

TEST(FastSearch, FindsTheSetsThroughTheSharedSteps)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A", "Body": "x")", R"("Subject": "B", "Body": "y")",
                                               R"("Subject": "A", "Body": "x")"})},
                           {"Second", 0, Items({R"("Subject": "A", "Body": "x")"}, 4)}}));
    h.profiles.ApplyFirstStart();
    std::vector<std::wstring> seen;
    h.onPump = [&] {
        EXPECT_FALSE(::IsWindowEnabled(h.searchButton));
        EXPECT_EQ(h.PanelZeroWidth(), 300);
        seen.push_back(h.Status(1) + L" " + std::to_wstring(::SendMessageW(h.progressBar, PBM_GETPOS, 0, 0)) + L"/" +
                       std::to_wstring(::SendMessageW(h.progressBar, PBM_GETRANGE, FALSE, 0)));
    };
    h.RunFast();
    EXPECT_EQ(seen, (Rows{L"Searching for duplicates in \\Store\\Inbox 1/3", L"Searching for duplicates in \\Store\\Inbox 2/3",
                          L"Searching for duplicates in \\Store\\Inbox 3/3",
                          L"Searching for duplicates in \\Store\\Second 1/1"}));
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E3", L"c E4"}));
    EXPECT_EQ(h.Rows(), (Rows{L"n A", L"c A", L"c A"}));
    EXPECT_EQ(h.rows.At(2).subItems.at(1), L"\\Store\\Second");
    EXPECT_EQ(h.Status(1), L"3 duplicated items found.");
    EXPECT_EQ(h.PanelZeroWidth(), 0);
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
    EXPECT_TRUE(::IsWindowEnabled(h.processButton));
    EXPECT_EQ(h.focusCalls, 1);
    ASSERT_EQ(h.hints.shown.size(), 1u);
    EXPECT_EQ(h.hints.shown[0].text.substr(0, 19), L"3 duplicates found.");
    EXPECT_FALSE(h.cancelRequested);
    EXPECT_EQ(search_test::TextOf(h.memo), L"");
    // The column list as the last folder left it, and that folder's record set kept, at its end.
    EXPECT_EQ(h.columnList, (std::vector<std::wstring>{L"Subject", L"Body"}));
    ASSERT_TRUE(h.recordSet);
    EXPECT_TRUE(h.recordSet.get(L"EOF").toBool());
    EXPECT_EQ(h.recordSet.get(L"RecordCount").toInt(), 1);
}

// Rows without any value get a fresh GUID before the folder path is appended: they never
// match, also with the same-folder option, where the standard search matches them.
TEST(FastSearch, RowsWithoutValuesNeverMatch)
{
    for (bool sameFolder : {false, true}) {
        SCOPED_TRACE(sameFolder);
        const std::string json = Profile({{"Inbox", 0, Items({"", "", R"("Subject": "")"})}});
        FastHarness h(json);
        TickMail(h, {kSubject, kTo});
        h.profiles.setSameFolder(sameFolder);
        h.RunFast();
        EXPECT_EQ(h.RowIds(), Rows{});
        EXPECT_EQ(h.lists.size(), 3u);

        FastHarness standard(json);
        TickMail(standard, {kSubject, kTo});
        standard.profiles.setSameFolder(sameFolder);
        standard.Run();
        EXPECT_EQ(standard.rows.size(), sameFolder ? 3u : 0u);
    }
}

// With nothing ticked only EntryID and Size are selected, and nothing matches.
TEST(FastSearch, NothingTickedSelectsOnlyEntryIdAndSize)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A")", R"("Subject": "A")"})}}));
    h.RunFast();
    EXPECT_TRUE(h.rows.empty());
    EXPECT_TRUE(h.columnList.empty());
    Dispatch fields = h.recordSet.getObject(L"Fields");
    ASSERT_EQ(fields.get(L"Count").toInt(), 2);
    EXPECT_EQ(fields.callObject(L"Item", 0).get(L"Name").toText(), L"EntryID");
    EXPECT_EQ(fields.callObject(L"Item", 1).get(L"Name").toText(), L"Size");
    EXPECT_TRUE(h.LogLines().empty());
}

// "ab" + Null would equal "a" + "b" if the texts were only joined; framed, a Null column
// keeps its place and reads as empty text.
TEST(FastSearch, ColumnValuesCannotShiftIntoEachOther)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "ab")", R"("Subject": "a", "To": "b")",
                                               R"("Subject": "", "To": "ab")", R"("Subject": "ab", "To": "")"})}}));
    TickMail(h, {kSubject, kTo});
    h.RunFast();
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E4"}));
}

// Multi-valued columns contribute their values one per line, in order.
TEST(FastSearch, ArrayColumnsCompareValueByValue)
{
    FastHarness h(Profile({{"Notes", 5, Items({R"("Categories": "Red, Blue")", R"("Categories": "Blue, Red")",
                                               R"("Categories": "Red")", R"("Categories": "Red, Blue")",
                                               R"("Categories": "Red\r\nBlue")"})}}));
    h.profiles.setTicked(ItemKind::Note, 2, true); // Categories
    h.RunFast();
    // The last one's single category reads as the first one's two lines.
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E4", L"c E5"}));
}

// The table gives bodies cut short; in a mail folder with "Body*" ticked a match needs the
// full bodies, read from the items, to agree. Elsewhere no body is read at all.
TEST(FastSearch, MailBodiesConfirmMatches)
{
    const std::string prefix(300, 'x');
    const std::string items = Items({R"("Subject": "S", "Body": ")" + prefix + R"(1")",
                                     R"("Subject": "S", "Body": ")" + prefix + R"(2")",
                                     R"("Subject": "S", "Body": ")" + prefix + R"(1")"});
    const struct {
        const char* name;
        int kind;
        bool body;
        Rows rows;
        bool bodiesRead;
    } cases[] = {
        {"mail, Body ticked", 0, true, {L"n E1", L"c E3"}, true},
        {"mail, Body unticked", 0, false, {L"n E1", L"c E2", L"c E3"}, false},
        {"post folder (Subject, Body)", 6, false, {L"n E1", L"c E2", L"c E3"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FastHarness h(Profile({{"Inbox", c.kind, items}}));
        TickMail(h, {kSubject});
        if (c.body) TickMail(h, {kBody});
        h.ResetCounts();
        h.RunFast();
        EXPECT_EQ(h.RowIds(), c.rows);
        EXPECT_EQ(h.Calls(L"Body") > 0, c.bodiesRead);
        if (!c.bodiesRead) EXPECT_EQ(h.Calls(L"GetItemFromID"), static_cast<long>(c.rows.size())); // the rows only
        EXPECT_TRUE(h.LogLines().empty());
    }
}

TEST(FastSearch, FailedBodyCheckIsNoMatch)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A", "Body": "b")",
                                               R"("Subject": "A", "Body": "b", "fail": { "open": "Gone." })",
                                               R"("Subject": "A", "Body": "b")"})}}));
    TickMail(h, {kSubject, kBody});
    h.RunFast();
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E3"}));
    EXPECT_EQ(Count(h.LogLines(), "Gone. line 208"), 2); // E2 against E1, E3 against E2
}

// Keys carry the folder path: no match across folders, and the first folder's rows keep
// their marks; the lists are never emptied per folder.
TEST(FastSearch, SameFolderOptionKeepsFoldersApart)
{
    for (bool sameFolder : {false, true}) {
        SCOPED_TRACE(sameFolder);
        FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A")", R"("Subject": "A")"})},
                               {"Second", 0, Items({R"("Subject": "A")", R"("Subject": "A")"}, 3)}}));
        TickMail(h, {kSubject});
        h.profiles.setSameFolder(sameFolder);
        h.RunFast();
        EXPECT_EQ(h.RowIds(), sameFolder ? (Rows{L"n E1", L"c E2", L"n E3", L"c E4"})
                                         : (Rows{L"n E1", L"c E2", L"c E3", L"c E4"}));
        EXPECT_EQ(h.lists.size(), 4u);
    }
}

// Sizes come from the record set's Size column; A, B and C of sizes 10, 5 and 7.
TEST(FastSearch, SizeRulesReadTheRowsSizes)
{
    const struct {
        const char* name;
        OriginalRule rule;
        Rows rows;
    } cases[] = {
        {"smallest", {false, false, true, false}, {L"c E1", L"n E2", L"c E3"}},
        {"largest", {false, false, false, true}, {L"n E1", L"c E2", L"c E3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "X", "Size": 10)", R"("Subject": "X", "Size": 5)",
                                                   R"("Subject": "X", "Size": 7)"})}}));
        TickMail(h, {kSubject});
        h.rule = c.rule;
        h.RunFast();
        EXPECT_EQ(h.RowIds(), c.rows);
        EXPECT_EQ(h.lists.SizeAt(1), 5);
    }
}

// Later folders are still opened and queried, but none of their rows is examined.
TEST(FastSearch, CancelStopsAtTheNextRow)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A")", R"("Subject": "A")", R"("Subject": "B")",
                                               R"("Subject": "A")"})},
                           {"Second", 0, Items({R"("Subject": "A")"}, 5)}}));
    TickMail(h, {kSubject});
    h.onPump = [&] {
        if (h.itemsPumped == 2) h.cancelRequested = true;
    };
    h.ResetCounts();
    h.mapiTable.call(L"ResetCounts");
    h.RunFast();
    EXPECT_EQ(h.itemsPumped, 2);
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E2"}));
    EXPECT_EQ(h.mapiTable.get(L"QueryCount").toInt(), 3); // the store's folder, Inbox, Second
    EXPECT_EQ(h.lists.size(), 2u);
    EXPECT_TRUE(h.cancelRequested);
    EXPECT_EQ(h.Status(1), L"2 duplicated items found.");
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
}

TEST(FastSearch, EmptyAndFailingFoldersEndOnlyThemselves)
{
    const std::string pair = Items({R"("Subject": "A")", R"("Subject": "A")"}, 10);
    const struct {
        const char* name;
        std::string json;
        std::string logged;
    } cases[] = {
        {"empty", Profile({{"Inbox", 0, ""}, {"Second", 0, pair}}), ""},
        {"cannot be opened",
         R"({ "stores": [ { "name": "Store", "folders": [
              { "name": "Inbox", "fail": { "open": "Cannot open." }, "items": [ { "Subject": "A" } ] },
              { "name": "Second", "items": [ )" + pair + " ] } ] } ] }",
         "Cannot open. line 220"},
        {"query fails", Profile({{"Inbox", 0, Items({R"("Subject": "A", "fail": { "Subject": "Locked." })"})},
                                 {"Second", 0, pair}}),
         "Locked. line 220"},
        {"items cannot be read",
         R"({ "stores": [ { "name": "Store", "folders": [
              { "name": "Inbox", "fail": { "Items": "No items." }, "items": [ { "Subject": "A" } ] },
              { "name": "Second", "items": [ )" + pair + " ] } ] } ] }",
         "No items. line 220"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FastHarness h(c.json);
        TickMail(h, {kSubject});
        h.RunFast();
        EXPECT_EQ(h.RowIds(), (Rows{L"n E10", L"c E11"}));
        const auto lines = h.LogLines();
        EXPECT_EQ(lines.size(), c.logged.empty() ? 0u : 1u);
        if (!c.logged.empty()) EXPECT_EQ(Count(lines, c.logged), 1) << (lines.empty() ? "" : lines[0]);
    }
}

// A row that was read but could not be moved past leaves no entries: later positions do not
// shift, and its key is in no list.
TEST(FastSearch, FailedRowLeavesNoEntries)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A", "Size": 10)", R"("Subject": "B", "Size": 20)",
                                               R"("Subject": "C")"})},
                           {"Second", 0, Items({R"("Subject": "B", "Size": 30)", R"("Subject": "A", "Size": 40)"}, 4)}}));
    TickMail(h, {kSubject});
    // Inbox's second row fails; the record sets made after its first row do not.
    h.mapiTable.put(L"FailMoveNextAt", 1);
    h.onPump = [&] { h.mapiTable.put(L"FailMoveNextAt", -1); };
    h.RunFast();
    EXPECT_EQ(h.RowIds(), (Rows{L"n E1", L"c E5"}));
    ASSERT_EQ(h.lists.size(), 3u);
    EXPECT_EQ(h.lists.EntryID(1), L"E4");
    EXPECT_EQ(h.lists.SizeAt(1), 30);
    EXPECT_EQ(Count(h.LogLines(), "MAPI-table stand-in: MoveNext failed here. line 220"), 1);
}

TEST(FastSearch, WithoutTheComponentEveryFolderFails)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A")", R"("Subject": "A")"})}, {"Second", 0, ""}}));
    TickMail(h, {kSubject});
    h.mapiTable.reset();
    h.RunFast();
    EXPECT_TRUE(h.rows.empty());
    EXPECT_EQ(Count(h.LogLines(), " line 220"), 3); // the store's folder, Inbox, Second
    EXPECT_EQ(h.Status(1), L"0 duplicated items found.");
    EXPECT_EQ(h.hints.shown.size(), 1u);
}

// Outlook is called per folder and per result row, never per examined row.
TEST(FastSearch, CallsPerFolderAndPerRow)
{
    FastHarness h(Profile({{"Inbox", 0, Items({R"("Subject": "A")", R"("Subject": "B")", R"("Subject": "A")"})},
                           {"Second", 0, Items({R"("Subject": "C")", R"("Subject": "D")"}, 4)}}));
    TickMail(h, {kSubject, kBody});
    h.ResetCounts();
    h.mapiTable.call(L"ResetCounts");
    h.RunFast();
    ASSERT_EQ(h.rows.size(), 2u);
    const long folders = 3, rows = 2, bodyChecks = 1, stores = 1;
    // Once per store besides: its top folder, to find its Deleted Items.
    EXPECT_EQ(h.Calls(L"GetFolderFromID"), folders + stores);
    EXPECT_EQ(h.mapiTable.get(L"QueryCount").toInt(), folders);
    EXPECT_EQ(h.Calls(L"Items"), folders);
    EXPECT_EQ(h.Calls(L"DefaultItemType"), folders);
    EXPECT_EQ(h.Calls(L"Item"), 0);
    EXPECT_EQ(h.Calls(L"GetItemFromID"), rows + 2 * bodyChecks);
    EXPECT_EQ(h.Calls(L"Body"), 2 * bodyChecks);
    EXPECT_EQ(h.Calls(L"Subject"), rows);
    EXPECT_EQ(h.Calls(L"EntryID"), rows + folders); // and the MAPI table's look-up of each folder
}

// Where both searches read the same values (folders holding only their own kind of item),
// they list the same rows, one original in each set. Which copy is the original may differ:
// the standard search examines each folder in creation order, the fast search in the table's.
TEST(FastSearch, AgreesWithTheStandardSearchOnTheDemoProfile)
{
    const std::string json =
        test::StandInProfile::CopyOf(test::SourcePath(L"standins/profiles/demo.json")).text();
    const std::vector<std::wstring> mixed = {L"Inbox", L"Team Posts", L"Follow-up"};
    auto run = [&](bool fast) {
        FastHarness h(json);
        h.profiles.ApplyFirstStart();
        for (const auto& node : h.tree.Nodes()) {
            const bool skip = std::find(mixed.begin(), mixed.end(), node.name) != mixed.end();
            h.tree.SetNodeState(node.item, skip ? FolderTree::kUnticked : FolderTree::kTicked);
        }
        if (fast) h.RunFast();
        else h.Run();
        EXPECT_TRUE(h.LogLines().empty());
        return h.RowIds();
    };
    // The entry identifiers in order, and how many rows are originals.
    auto items = [](Rows rows) {
        std::size_t originals = 0;
        for (std::wstring& row : rows) {
            originals += row.rfind(L"n ", 0) == 0 ? 1 : 0;
            row.erase(0, 2);
        }
        std::sort(rows.begin(), rows.end());
        return std::make_pair(rows, originals);
    };
    const auto standard = items(run(false));
    EXPECT_GT(standard.first.size(), 4u);
    EXPECT_EQ(items(run(true)), standard);
}
