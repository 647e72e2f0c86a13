// Processing against the Outlook stand-in: each removal action and how it is chosen, the
// subject mark, the move-to folder look-up, failing rows, cancel, the progress bar, clicks
// during the run, and the closing steps. Outcomes are read back from the reloaded profile.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "ProcessHarness.h"
#include "platform/ComError.h"

using namespace gleaner;
using process_test::ProcessHarness;
using process_test::Row;
using process_test::Snapshot;

namespace {

// A mail item with a fixed entry identifier, also its TestKey (a move changes the entry
// identifier); `extra` adds JSON members.
std::string Item(const std::string& id, const std::string& subject, const std::string& extra = {})
{
    return R"({ "entryID": ")" + id + R"(", "TestKey": ")" + id + R"(", "Subject": ")" + subject + "\"" +
           (extra.empty() ? "" : ", " + extra) + " }";
}

// Store F0 with Inbox F1 holding `items`, Archive F2, Deleted Items F3 and `more` folders after them.
std::string Profile(const std::vector<std::string>& items, const std::string& more = {})
{
    std::string list;
    for (const auto& item : items) list += (list.empty() ? "" : ",") + item;
    return R"({ "stores": [ { "name": "Store", "entryID": "F0", "folders": [
        { "name": "Inbox", "entryID": "F1", "items": [ )" + list + R"( ] },
        { "name": "Archive", "entryID": "F2", "items": [] },
        { "name": "Deleted Items", "entryID": "F3", "role": "deletedItems", "items": [] })" +
           (more.empty() ? "" : "," + more) + " ] } ] }";
}

const std::vector<std::string> kFive = {Item("A1", "one"), Item("A2", "two"), Item("A3", "three"),
                                        Item("A4", "four"), Item("A5", "five")};

// Where an item ended, by its key: "folder:subject", or "gone".
std::wstring Where(const Snapshot& profile, const std::wstring& id)
{
    auto found = profile.find(id);
    return found == profile.end() ? L"gone" : found->second.folderName + L":" + found->second.subject;
}

std::vector<std::wstring> WhereAll(const Snapshot& profile, std::initializer_list<std::wstring> ids)
{
    std::vector<std::wstring> out;
    for (const auto& id : ids) out.push_back(Where(profile, id));
    return out;
}

using Places = std::vector<std::wstring>;

RemoveButtons Buttons(bool toDeletedItems, bool permanently, bool toFolder, bool subject)
{
    return RemoveButtons{toDeletedItems, permanently, toFolder, subject};
}

// The search's rows: a ticked original, an unticked duplicate and a ticked duplicate. Only the
// ticks count, and the action follows the group's precedence. Outlook's Delete moves an item to
// Deleted Items, so "Delete (permanetly)" leaves the items there.
TEST(Processing, EachActionReachesTheProfile)
{
    struct Case {
        const char* name;
        RemoveButtons buttons;
        Places expected; // A1, A2, A3
        long callsPerRow; // GetItemFromID, then the action's own calls
    };
    const Case cases[] = {
        {"delete permanently", Buttons(false, true, false, false),
         {L"Deleted Items:one", L"Inbox:two", L"Deleted Items:three"}, 2},
        {"no button on", Buttons(false, false, false, false),
         {L"Deleted Items:one", L"Inbox:two", L"Deleted Items:three"}, 2},
        {"move to deleted items", Buttons(true, false, false, false),
         {L"Deleted Items:one", L"Inbox:two", L"Deleted Items:three"}, 2},
        {"move to folder", Buttons(false, false, true, false), {L"Archive:one", L"Inbox:two", L"Archive:three"}, 2},
        {"modify subject", Buttons(false, false, false, true),
         {L"Inbox:***DUPLICATE***one", L"Inbox:two", L"Inbox:***DUPLICATE***three"}, 4},
        {"marking wins over every other", Buttons(true, true, true, true),
         {L"Inbox:***DUPLICATE***one", L"Inbox:two", L"Inbox:***DUPLICATE***three"}, 4},
        {"deleted items win over a folder", Buttons(true, false, true, false),
         {L"Deleted Items:one", L"Inbox:two", L"Deleted Items:three"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessHarness h(Profile({Item("A1", "one"), Item("A2", "two"), Item("A3", "three")}));
        h.AddRows({{L"A1", true, L"n"}, {L"A2", false, L"c"}, {L"A3", true, L"c"}});
        h.buttons = c.buttons;
        h.moveFolderPath = L"\\Store\\Archive";
        h.ResetCounts();
        h.Process();
        EXPECT_EQ(h.Status(1), L"2 duplicates were removed successfully");
        EXPECT_TRUE(h.LogLines().empty());
        EXPECT_EQ(h.itemsPumped, 2);
        const long lookUp = h.CallsOf(process_test::kLookUpMembers);
        const long rowCalls = h.CallsOf(process_test::kRowMembers);
        EXPECT_EQ(rowCalls, 2 * c.callsPerRow);
        std::cout << "[ calls    ] " << c.name << ": " << rowCalls / 2.0 << " per processed row, " << lookUp
                  << " for the folder look-ups over " << h.tree.Nodes().size() << " tree folders\n";
        EXPECT_EQ(WhereAll(h.Reload(), {L"A1", L"A2", L"A3"}), c.expected);
    }
}

TEST(Processing, TheMarkGoesDirectlyBeforeTheSubjectAsWideText)
{
    struct Case {
        std::wstring mark;
        std::string subject;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"DUP ", "", L"Inbox:DUP "},
        {L"***DUPLICATE***", "Minutes", L"Inbox:***DUPLICATE***Minutes"},
        {L"***DUPLICATE***", "Отчёт за неделю", L"Inbox:***DUPLICATE***Отчёт за неделю"},
        {L"重复 ", "会议纪要", L"Inbox:重复 会议纪要"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        ProcessHarness h(Profile({Item("A1", c.subject)}));
        h.AddRows({{L"A1"}});
        h.buttons = Buttons(false, false, false, true);
        h.subjectMark = c.mark;
        h.Process();
        EXPECT_EQ(h.Status(1), L"1 duplicates were removed successfully");
        EXPECT_EQ(Where(h.Reload(), L"A1"), c.expected);
    }
}

// Nothing ticked: nothing is fetched, yet the list still ends empty.
TEST(Processing, NoTickedRowTouchesNothing)
{
    for (bool withRows : {false, true}) {
        SCOPED_TRACE(withRows);
        ProcessHarness h(Profile(kFive));
        if (withRows) h.AddRows({{L"A1", false, L"n"}, {L"A2", false}});
        const Snapshot before = process_test::ReloadedProfile();
        h.ResetCounts();
        h.Process();
        EXPECT_EQ(h.Status(1), L"0 duplicates were removed successfully");
        EXPECT_TRUE(h.rows.empty());
        EXPECT_EQ(h.Calls(L"GetItemFromID"), 0);
        EXPECT_EQ(h.Reload(), before);
    }
}

TEST(Processing, StartAndClosingStepsDriveTheControls)
{
    ProcessHarness h(Profile(kFive));
    h.AddRows({{L"A1"}, {L"A2", false}});
    h.progress.SetStatusText(L"2 duplicated items found.");
    ::EnableWindow(h.searchButton, TRUE);
    h.onPump = [&] {
        EXPECT_FALSE(h.cancelRequested);
        EXPECT_FALSE(::IsWindowEnabled(h.searchButton));
        EXPECT_FALSE(::IsWindowEnabled(h.processButton));
        EXPECT_TRUE(h.progress.Visible());
        EXPECT_EQ(h.PanelZeroWidth(), ProgressDisplay::kBusyWidth);
        EXPECT_EQ(h.Status(1), L"Removing duplicates...");
    };
    h.Process();
    EXPECT_EQ(h.itemsPumped, 1);
    EXPECT_TRUE(h.rows.empty()); // the unticked row goes too
    EXPECT_GT(h.showRowsCalls, 0);
    EXPECT_EQ(search_test::TextOf(h.memo), L"");
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
    EXPECT_TRUE(::IsWindowEnabled(h.processButton));
    EXPECT_FALSE(h.progress.Visible());
    EXPECT_EQ(h.PanelZeroWidth(), 0);
}

// A row that fails is logged and skipped; the rows after it are processed.
TEST(Processing, AFailingRowIsLoggedAndNotCounted)
{
    struct Case {
        const char* name;
        Row middle;
        RemoveButtons buttons;
        std::string line;
    };
    const std::string notFound = "The operation failed. An object could not be found. line 330";
    const Case cases[] = {
        {"item gone", {L"A9"}, Buttons(false, true, false, false), notFound},
        {"no entry identifier", {L""}, Buttons(false, true, false, false), notFound},
        {"delete refused", {L"A2"}, Buttons(false, true, false, false), "Delete refused. line 330"},
        {"save refused", {L"A2"}, Buttons(false, false, false, true), "Save refused. line 330"},
        {"move refused", {L"A2"}, Buttons(true, false, false, false), "Move refused. line 330"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessHarness h(Profile({Item("A1", "one"),
                                  Item("A2", "two", R"("fail": { "Delete": "Delete refused.", "Save": "Save refused.",
                                                                 "Move": "Move refused." })"),
                                  Item("A3", "three")}));
        h.AddRows({{L"A1"}, c.middle, {L"A3"}, {L"A4", false}}); // an upper bound of 2
        h.buttons = c.buttons;
        h.Process();
        EXPECT_EQ(h.Status(1), L"2 duplicates were removed successfully");
        EXPECT_EQ(h.itemsPumped, 2);
        EXPECT_EQ(h.positions, (std::vector<int>{1, 2})); // the failed row does not advance the bar
        ASSERT_EQ(h.LogLines().size(), 1u);
        EXPECT_EQ(h.LinesEndingIn(c.line).size(), 1u) << h.LogLines()[0];
        const Snapshot after = h.Reload();
        EXPECT_EQ(Where(after, L"A2"), L"Inbox:two");
        EXPECT_NE(Where(after, L"A1"), L"Inbox:one");
        EXPECT_NE(Where(after, L"A3"), L"Inbox:three");
    }
}

// Without a folder of that exact path every move fails; nothing is moved.
TEST(Processing, MoveToFolderWithoutAMatchFailsEveryRow)
{
    for (const wchar_t* path : {L"", L"\\Store\\Nowhere", L"\\store\\archive", L"\\Store\\Archive\\"}) {
        SCOPED_TRACE(path);
        ProcessHarness h(Profile(kFive));
        h.AddRows({{L"A1"}, {L"A2"}, {L"A3", false}});
        h.buttons = Buttons(false, false, true, false);
        h.moveFolderPath = path;
        const Snapshot before = process_test::ReloadedProfile();
        h.Process();
        EXPECT_EQ(h.Status(1), L"0 duplicates were removed successfully");
        EXPECT_EQ(h.LinesEndingIn("One or more parameter values are not valid. line 330").size(), 2u);
        EXPECT_EQ(h.LogLines().size(), 2u);
        EXPECT_EQ(h.Reload(), before);
    }
}

// Two folders with one path: the later in tree order receives the items, whatever is ticked.
TEST(Processing, TheLastFolderWithThePathIsTheMoveFolder)
{
    ProcessHarness h(Profile({Item("A1", "one")}, R"({ "name": "Twin", "entryID": "F4", "items": [] },
                                                     { "name": "Twin", "entryID": "F5", "items": [] })"));
    std::wstring later;
    for (const auto& node : h.tree.Nodes()) {
        if (node.name == L"Twin") later = node.entryId;
        h.tree.SetNodeState(node.item, FolderTree::kUnticked);
    }
    ASSERT_FALSE(later.empty());
    h.AddRows({{L"A1"}});
    h.buttons = Buttons(false, false, true, false);
    h.moveFolderPath = L"\\Store\\Twin";
    h.Process();
    EXPECT_EQ(h.Status(1), L"1 duplicates were removed successfully");
    EXPECT_EQ(h.Reload().at(L"A1").folderId, later);
}

// A folder that cannot be opened is logged and matches nothing; the later match still counts,
// and the look-up runs whatever the action.
TEST(Processing, AFolderThatCannotBeOpenedDuringTheLookUpIsSkipped)
{
    for (bool moving : {true, false}) {
        SCOPED_TRACE(moving);
        ProcessHarness h(Profile({Item("A1", "one")},
                                 R"({ "name": "Locked", "entryID": "F6", "fail": { "open": "Access denied." } },
                                    { "name": "Archive", "entryID": "F7", "items": [] })"));
        h.AddRows({{L"A1"}});
        h.buttons = moving ? Buttons(false, false, true, false) : Buttons(false, true, false, false);
        h.moveFolderPath = L"\\Store\\Archive";
        h.Process();
        EXPECT_EQ(h.Status(1), L"1 duplicates were removed successfully");
        EXPECT_EQ(h.LinesEndingIn("Access denied. line 310").size(), 1u);
        EXPECT_EQ(h.LogLines().size(), 1u);
        const Snapshot after = h.Reload();
        EXPECT_EQ(after.at(L"A1").folderId, moving ? L"F7" : L"F3");
    }
}

// Without Deleted Items nothing is processed: the list is emptied, the buttons come back, the
// search's summary stays, and the error goes on to the application-wide handler.
TEST(Processing, NoDeletedItemsEndsTheRunBeforeAnyRow)
{
    std::string profile = Profile(kFive);
    profile.insert(profile.find("\"stores\""), R"("namespace": { "fail": { "GetDefaultFolder": "No folder." } }, )");
    ProcessHarness h(profile);
    h.AddRows({{L"A1"}, {L"A2"}});
    h.progress.SetStatusText(L"2 duplicated items found.");
    const Snapshot before = process_test::ReloadedProfile();
    try {
        h.Process();
        ADD_FAILURE() << "no error";
    } catch (const ComError& error) {
        EXPECT_EQ(error.message(), L"No folder.");
    }
    EXPECT_EQ(h.Status(1), L"2 duplicated items found.");
    EXPECT_TRUE(h.rows.empty());
    EXPECT_TRUE(::IsWindowEnabled(h.processButton));
    EXPECT_FALSE(h.progress.Visible());
    EXPECT_EQ(h.PanelZeroWidth(), 0);
    EXPECT_TRUE(h.LogLines().empty());
    EXPECT_EQ(h.Reload(), before);
}

// "Cancel" during the second row is seen when the third ticked row is reached; closing the
// window does the same.
TEST(Processing, CancelIsSeenAtTheNextTickedRow)
{
    for (bool closing : {false, true}) {
        SCOPED_TRACE(closing);
        ProcessHarness h(Profile(kFive));
        h.AddRows({{L"A1"}, {L"A2"}, {L"A3"}, {L"A4"}, {L"A5"}});
        h.onPump = [&] {
            if (h.itemsPumped != 2) return;
            if (closing) h.closeRequested = true;
            else h.cancelRequested = true;
        };
        h.Process();
        EXPECT_EQ(h.Status(1), L"2 duplicates were removed successfully");
        EXPECT_TRUE(h.rows.empty());
        EXPECT_EQ(WhereAll(h.Reload(), {L"A1", L"A2", L"A3", L"A4", L"A5"}),
                  (Places{L"Deleted Items:one", L"Deleted Items:two", L"Inbox:three", L"Inbox:four", L"Inbox:five"}));
    }
}

// Eight rows make an upper bound of 4, passed by six actions: the bar starts over.
TEST(Processing, TheBarStartsOverPastItsUpperBound)
{
    std::vector<std::string> items;
    for (int i = 1; i <= 8; ++i) items.push_back(Item("A" + std::to_string(i), "s"));
    ProcessHarness h(Profile(items));
    h.AddRows({{L"A1"}, {L"A2"}, {L"A3", false}, {L"A4"}, {L"A5"}, {L"A6", false}, {L"A7"}, {L"A8"}});
    h.Process();
    EXPECT_EQ(h.Status(1), L"6 duplicates were removed successfully");
    EXPECT_EQ(::SendMessageW(h.progressBar, PBM_GETRANGE, FALSE, 0), 4);
    ASSERT_EQ(h.positions.size(), 6u);
    EXPECT_EQ((std::vector<int>(h.positions.begin(), h.positions.begin() + 4)), (std::vector<int>{1, 2, 3, 4}));
    for (std::size_t i = 4; i < 6; ++i) EXPECT_LT(h.positions[i], 4) << i;
    std::map<std::wstring, int> perFolder;
    for (const auto& [key, item] : h.Reload()) ++perFolder[item.folderName];
    EXPECT_EQ(perFolder, (std::map<std::wstring, int>{{L"Deleted Items", 6}, {L"Inbox", 2}}));
}

// Sorting and ticking during the run: every row present at the start is reached once, with the
// tick it has when reached.
TEST(Processing, ClicksDuringTheRunReachEachRowOnce)
{
    ProcessHarness h(Profile(kFive));
    h.AddRows({{L"A1"}, {L"A2"}, {L"A3"}, {L"A4", false}, {L"A5"}});
    h.buttons = Buttons(false, false, false, true);
    h.onPump = [&] {
        if (h.itemsPumped != 1) return;
        // Descending by the second column: A5 to A1, so the rows not yet reached move up.
        h.rows.ColumnClick(1);
        h.rows.ColumnClick(1);
        h.rows.SetTickByUser(*h.rows.FindRowIgnoringCase(L"A4"), true);
        h.rows.SetTickByUser(*h.rows.FindRowIgnoringCase(L"A5"), false);
    };
    h.Process();
    EXPECT_EQ(h.Status(1), L"4 duplicates were removed successfully");
    EXPECT_EQ(WhereAll(h.Reload(), {L"A1", L"A2", L"A3", L"A4", L"A5"}),
              (Places{L"Inbox:***DUPLICATE***one", L"Inbox:***DUPLICATE***two", L"Inbox:***DUPLICATE***three",
                      L"Inbox:***DUPLICATE***four", L"Inbox:five"}));
}

// The action and the mark are read at each ticked row; the move-to folder only at the start.
TEST(Processing, ChoicesAreReadAtEachRowAndTheFolderOnce)
{
    ProcessHarness h(Profile(kFive));
    h.AddRows({{L"A1"}, {L"A2"}, {L"A3"}});
    h.buttons = Buttons(false, false, true, false);
    h.moveFolderPath = L"\\Store\\Archive";
    h.onPump = [&] {
        h.moveFolderPath.clear();
        if (h.itemsPumped == 1) {
            h.buttons = Buttons(false, false, false, true);
            h.subjectMark = L"M:";
        } else {
            h.buttons = Buttons(false, false, true, false);
        }
    };
    h.Process();
    EXPECT_EQ(h.Status(1), L"3 duplicates were removed successfully");
    EXPECT_EQ(WhereAll(h.Reload(), {L"A1", L"A2", L"A3"}),
              (Places{L"Archive:one", L"Inbox:M:two", L"Archive:three"}));
}

} // namespace
