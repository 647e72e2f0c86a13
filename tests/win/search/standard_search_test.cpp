// The standard search against the Outlook stand-in: the folder walk and its scopes, the
// original-item rule, cancel, every failure level, the summary and the hint, and the calls
// it makes per item.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SearchHarness.h"
#include "platform/Text.h"
#include "platform/Sha256.h"

using namespace gleaner;
using search_test::SearchHarness;

namespace {

// Mail items as JSON: each "subject:size" or "subject" alone.
std::string Mails(std::initializer_list<std::string> items, const std::string& extra = {})
{
    std::string out = "[";
    for (const auto& item : items) {
        if (out.size() > 1) out += ",";
        const auto colon = item.find(':');
        out += R"({ "messageClass": "IPM.Note", "Subject": ")" + item.substr(0, colon) + "\"";
        if (colon != std::string::npos) out += R"(, "Size": )" + item.substr(colon + 1);
        out += "}";
    }
    if (!extra.empty()) out += (out.size() > 1 ? "," : "") + extra;
    return out + "]";
}

std::string Profile(const std::string& inbox, const std::string& second = "[]", const std::string& third = "[]")
{
    return R"({ "stores": [ { "name": "Store", "folders": [
        { "name": "Inbox", "defaultItemType": 0, "items": )" + inbox + R"( },
        { "name": "Second", "defaultItemType": 0, "items": )" + second + R"( },
        { "name": "Third", "defaultItemType": 0, "items": )" + third + R"( } ] } ] })";
}

using Rows = std::vector<std::wstring>;

// The harness window stays hidden, so only the control's own visibility is looked at.
bool Shown(HWND control)
{
    return (::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

long Count(const std::vector<std::string>& lines, const std::string& tail)
{
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
    });
}

TEST(StandardSearch, NoTickedFolderListsNothingAndSaysSo)
{
    SearchHarness h(Profile(Mails({"A", "A"})));
    h.CompareMailSubjects();
    h.TickOnly({});
    h.rows.Append(L"c", true); // rows of an earlier search go
    h.Run();
    EXPECT_TRUE(h.rows.empty());
    EXPECT_EQ(h.Status(1), L"0 duplicated items found.");
    EXPECT_EQ(h.focusCalls, 0);
    ASSERT_EQ(h.hints.shown.size(), 1u);
    EXPECT_EQ(h.hints.shown[0].caption, L"Search Options");
    EXPECT_EQ(h.hints.shown[0].checkBox, L"Don't show this message again.");
    EXPECT_EQ(h.hints.shown[0].text, L"0 duplicates found. If there are some duplicates that were not found,\r\n"
                                     L"please change search options in Options > Search Options.");
    EXPECT_FALSE(h.cancelRequested);
    EXPECT_EQ(search_test::TextOf(h.memo), L"");
    EXPECT_EQ(h.Calls(L"GetFolderFromID"), 0);
}

TEST(StandardSearch, StartAndClosingStepsDriveTheControls)
{
    SearchHarness h(Profile(Mails({"A", "A"}), Mails({"B"})));
    h.CompareMailSubjects();
    std::vector<std::wstring> seen;
    h.onPump = [&] {
        seen.push_back(h.Status(1));
        EXPECT_FALSE(::IsWindowEnabled(h.searchButton));
        EXPECT_FALSE(::IsWindowEnabled(h.processButton));
        EXPECT_TRUE(Shown(h.progressBar));
        EXPECT_EQ(h.PanelZeroWidth(), 300);
        seen.push_back(std::to_wstring(::SendMessageW(h.progressBar, PBM_GETPOS, 0, 0)) + L"/" +
                       std::to_wstring(::SendMessageW(h.progressBar, PBM_GETRANGE, FALSE, 0)));
    };
    h.Run();
    const std::wstring inbox = L"Searching for duplicates in \\Store\\Inbox";
    EXPECT_EQ(seen, (Rows{inbox, L"1/2", inbox, L"2/2", L"Searching for duplicates in \\Store\\Second", L"1/1"}));
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
    EXPECT_TRUE(::IsWindowEnabled(h.processButton));
    EXPECT_FALSE(Shown(h.progressBar));
    EXPECT_EQ(h.PanelZeroWidth(), 0);
    EXPECT_EQ(h.Status(1), L"2 duplicated items found.");
    EXPECT_EQ(h.focusCalls, 1);
    ASSERT_EQ(h.hints.shown.size(), 1u);
    EXPECT_EQ(h.hints.shown[0].text.substr(0, 19), L"2 duplicates found.");
}

TEST(StandardSearch, SameFolderOptionDecidesWhetherFoldersMatchEachOther)
{
    for (bool sameFolder : {false, true}) {
        SCOPED_TRACE(sameFolder);
        SearchHarness h(Profile(Mails({"A"}), Mails({"A"})));
        h.CompareMailSubjects();
        h.profiles.setSameFolder(sameFolder);
        h.Run();
        EXPECT_EQ(h.Rows(), sameFolder ? Rows{} : (Rows{L"n A", L"c A"}));
    }
}

// Each folder's set stays listed with its marks while later folders are searched.
TEST(StandardSearch, SameFolderOptionListsTheSetsOfEveryFolder)
{
    SearchHarness h(Profile(Mails({"A", "A"}), Mails({"A", "B", "A"})));
    h.CompareMailSubjects();
    h.profiles.setSameFolder(true);
    h.Run();
    EXPECT_EQ(h.Rows(), (Rows{L"n A", L"c A", L"n A", L"c A"}));
    EXPECT_EQ(h.rows.At(0).subItems.at(1), L"\\Store\\Inbox");
    EXPECT_EQ(h.rows.At(2).subItems.at(1), L"\\Store\\Second");
}

TEST(StandardSearch, UnsupportedItemsNeverMatch)
{
    const std::string others = R"({ "messageClass": "IPM.Post", "Subject": "A" },
                                  { "messageClass": "IPM.Post", "Subject": "A" },
                                  { "messageClass": "ipm.note", "Subject": "A" })";
    SearchHarness h(Profile(Mails({}, others)));
    h.CompareMailSubjects();
    h.Run();
    EXPECT_EQ(h.Rows(), Rows{});
    EXPECT_EQ(h.lists.size(), 3u); // examined and kept in step all the same
}

TEST(StandardSearch, SetOfThreeGivesThreeRowsWithOneOriginal)
{
    SearchHarness h(Profile(Mails({"A", "B", "A"}), Mails({"A"})));
    h.CompareMailSubjects();
    h.Run();
    EXPECT_EQ(h.Rows(), (Rows{L"n A", L"c A", L"c A"}));
    for (std::size_t i = 0; i < h.rows.size(); ++i) {
        const ResultRow& row = h.rows.At(i);
        ASSERT_TRUE(row.entryId);
        Dispatch item = h.nameSpace.callObject(L"GetItemFromID", *row.entryId);
        EXPECT_EQ(row.subItems.at(0), item.get(L"Subject").toText());
    }
    EXPECT_EQ(h.rows.At(2).subItems.at(1), L"\\Store\\Second");
    EXPECT_EQ(h.Status(1), L"3 duplicated items found.");
}

// A, B and C of sizes 10, 5 and 7, equal, examined in that order.
TEST(StandardSearch, OriginalItemRuleForEveryChoice)
{
    struct Case {
        const char* name;
        OriginalRule rule;
        Rows rows;
    } cases[] = {
        {"oldest", {false, true, false, false}, {L"n A", L"c B", L"c C"}},
        {"newest", {true, false, false, false}, {L"c A", L"c B", L"n C"}},
        {"smallest", {false, false, true, false}, {L"c A", L"n B", L"c C"}},
        {"largest", {false, false, false, true}, {L"n A", L"c B", L"c C"}},
        {"none", {false, false, false, false}, {L"c A", L"c B", L"n C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string items = R"({ "Subject": "X", "Body": "A", "Size": 10 },
                                     { "Subject": "X", "Body": "B", "Size": 5 },
                                     { "Subject": "X", "Body": "C", "Size": 7 })";
        SearchHarness h(Profile(Mails({}, items)));
        h.CompareMailSubjects();
        h.rule = c.rule;
        h.Run();
        Rows bodies;
        for (std::size_t i = 0; i < h.rows.size(); ++i) {
            Dispatch item = h.nameSpace.callObject(L"GetItemFromID", *h.rows.At(i).entryId);
            bodies.push_back(h.rows.At(i).caption + L" " + item.get(L"Body").toText());
        }
        EXPECT_EQ(bodies, c.rows);
    }
}

// A rule changed while the search runs must not leave a set without its original: read at
// every match, "Smallest size" for B and then "Largest size" for C would mark A, B and C.
TEST(StandardSearch, RuleChangedDuringTheSearchKeepsOneOriginalPerSet)
{
    SearchHarness h(Profile(Mails({"X:10", "X:5", "X:7"})));
    h.CompareMailSubjects();
    h.rule = {false, false, true, false};
    h.onPump = [&] {
        if (h.itemsPumped == 2) h.rule = {false, false, false, true};
    };
    h.Run();
    EXPECT_EQ(h.Rows(), (Rows{L"c X", L"n X", L"c X"}));
}

TEST(StandardSearch, CancelKeepsTheRowsAndExaminesNothingMore)
{
    SearchHarness h(Profile(Mails({"A", "A", "B", "B", "A"}), Mails({"A", "A"}), "[]"));
    h.CompareMailSubjects();
    h.rule = {true, false, false, false}; // newest: the earlier item is marked later
    h.onPump = [&] {
        if (h.itemsPumped == 3) {
            // Unticked by the user; the re-sync after this item ticks it again.
            h.rows.SetTickByUser(h.rows.IdAt(0), false);
            h.cancelRequested = true;
        }
    };
    h.ResetCounts();
    h.Run();
    EXPECT_EQ(h.itemsPumped, 3);
    EXPECT_EQ(h.Rows(), (Rows{L"c A", L"n A"}));
    EXPECT_TRUE(h.rows.At(0).ticked);
    EXPECT_TRUE(h.cancelRequested); // until the next run clears it
    // The later folders are still opened and named, and none of their items is read (the
    // store's own folder comes first; it is also opened once more to find the store's
    // Deleted Items).
    EXPECT_EQ(h.Calls(L"GetFolderFromID"), 4 + 1);
    EXPECT_EQ(h.Calls(L"Item"), 3);
    EXPECT_EQ(h.Status(1), L"2 duplicated items found.");
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
    EXPECT_EQ(h.hints.shown.size(), 1u);
}

TEST(StandardSearch, UnreadableItemEndsOnlyItsFolder)
{
    const std::string broken = R"({ "Subject": "A", "fail": { "Size": "The item is not available." } })";
    SearchHarness h(Profile(Mails({"A", "A"}, broken + R"(, { "Subject": "A" })"), Mails({"A"})));
    h.CompareMailSubjects();
    h.Run();
    EXPECT_EQ(h.Rows(), (Rows{L"n A", L"c A", L"c A"}));
    EXPECT_EQ(h.rows.At(2).subItems.at(1), L"\\Store\\Second");
    // The failed item left no entries: the lists hold the two before it and the one after.
    EXPECT_EQ(h.lists.size(), 3u);
    const auto lines = h.LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("The item is not available. line 220"), std::string::npos) << lines[0];
}

TEST(StandardSearch, FailuresOfAFolderOrARowAreLoggedWhereTheyHappen)
{
    struct Case {
        const char* name;
        std::string json;
        Rows rows;
        std::string tail;
    } cases[] = {
        {"folder cannot be opened",
         R"({ "stores": [ { "name": "Store", "folders": [
              { "name": "Inbox", "fail": { "open": "Cannot open." }, "items": [ { "Subject": "A" } ] },
              { "name": "Second", "items": [ { "Subject": "A" }, { "Subject": "A" } ] } ] } ] })",
         {L"n A", L"c A"}, "Cannot open. line 220"},
        {"count cannot be read",
         R"({ "stores": [ { "name": "Store", "folders": [
              { "name": "Inbox", "fail": { "Items.Count": "No count." }, "items": [ { "Subject": "A" } ] },
              { "name": "Second", "items": [ { "Subject": "A" }, { "Subject": "A" } ] } ] } ] })",
         {L"n A", L"c A"}, "No count. line 220"},
        {"earlier item cannot be fetched again",
         Profile(Mails({"B"}, R"({ "Subject": "A", "fail": { "open": "Gone." } }, { "Subject": "A" })")),
         {L"n ?", L"c A"}, "Gone. line 188"},
        {"current item cannot be fetched again",
         Profile(Mails({"A"}, R"({ "Subject": "A", "fail": { "open": "Gone." } })")),
         {L"n A", L"c ?"}, "Gone. line 201"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchHarness h(c.json);
        h.CompareMailSubjects();
        h.Run();
        EXPECT_EQ(h.Rows(), c.rows);
        const auto lines = h.LogLines();
        EXPECT_EQ(lines.size(), 1u);
        EXPECT_EQ(Count(lines, c.tail), 1) << (lines.empty() ? "" : lines[0]);
    }
}

// A row filled as far as it got: the subject, but no folder path and no identifier; its
// caption is then never re-synced, which the search survives.
TEST(StandardSearch, RowFilledPartlyStaysInTheList)
{
    const std::string items = R"({ "Subject": "A", "fail": { "Parent": "No parent." } }, { "Subject": "A" })";
    SearchHarness h(Profile(Mails({}, items)));
    h.CompareMailSubjects();
    h.Run();
    ASSERT_EQ(h.rows.size(), 2u);
    EXPECT_EQ(h.rows.At(0).subItems, std::vector<std::wstring>{L"A"});
    EXPECT_FALSE(h.rows.At(0).entryId);
    EXPECT_EQ(Count(h.LogLines(), "No parent. line 188"), 1);
}

TEST(StandardSearch, HintAnswersSetTheFlag)
{
    struct Case {
        int button;
        bool tick;
        bool before;
        bool after;
    } cases[] = {
        {IDOK, true, true, false},
        {IDOK, false, true, true},
        {IDCANCEL, true, true, true},
    };
    for (const Case& c : cases) {
        SearchHarness h(Profile("[]"));
        h.hints.button = c.button;
        h.hints.tick = c.tick;
        h.showFoundMessage = c.before;
        h.Run();
        EXPECT_EQ(h.showFoundMessage, c.after);
        EXPECT_EQ(h.hints.shown.size(), 1u);
        // Off: no hint after later searches.
        h.Run();
        EXPECT_EQ(h.hints.shown.size(), c.after ? 2u : 1u);
    }
}

// Per item: Item, EntryID, Size, MessageClass and the ticked properties, one read each;
// per folder: GetFolderFromID, Items and Count once; per row: the fetch and its three reads;
// per store, once a search reads its first folder: its top folder, to find its Deleted Items.
TEST(StandardSearch, CallsPerItem)
{
    SearchHarness h(Profile(Mails({"A", "B", "C", "A"}), Mails({"D", "E"})));
    h.CompareMailSubjects();
    h.profiles.setTicked(ItemKind::Mail, 1, true); // Body
    h.ResetCounts();
    h.Run();
    ASSERT_EQ(h.rows.size(), 2u);
    const long items = 6, folders = 4, rows = 2, stores = 1; // the store's own folder is searched too
    EXPECT_EQ(h.Calls(L"GetFolderFromID"), folders + stores);
    EXPECT_EQ(h.Calls(L"Items"), folders);
    EXPECT_EQ(h.Calls(L"Count"), folders);
    EXPECT_EQ(h.Calls(L"Item"), items);
    EXPECT_EQ(h.Calls(L"MessageClass"), items);
    EXPECT_EQ(h.Calls(L"Size"), items);
    EXPECT_EQ(h.Calls(L"Body"), items);
    EXPECT_EQ(h.Calls(L"GetItemFromID"), rows);
    EXPECT_EQ(h.Calls(L"EntryID"), items + rows);
    EXPECT_EQ(h.Calls(L"Subject"), items + rows);
}

// A folder of mixed classes (the demo's "Follow-up": mails beside notes, posts and a meeting
// request), where a NoteItem's Subject has another DISPID than a MailItem's: the search lists the
// same rows whether Outlook offers type information or not, and they are the items that have an
// exact copy of their own class.
TEST(StandardSearch, MixedClassesInOneFolderWithAndWithoutTypeInformation)
{
    const std::string demo = test::StandInProfile::CopyOf(test::SourcePath(L"standins/profiles/demo.json")).text();
    static const wchar_t* const kKinds[] = {L"GetIDsOfNames", L"Invoke", L"GetTypeInfoCount", L"GetTypeInfo",
                                            L"TypeInfo", L"Release", L"Total"};
    struct Outcome {
        Rows rows;
        std::vector<std::string> log;
        std::map<std::wstring, long> trips; // by kind
        int items = 0;
        std::size_t copies = 0;
        std::set<std::wstring> classesWithCopies;
    };
    auto run = [&](bool typeInfo) {
        SearchHarness h(demo);
        h.profiles.ApplyFirstStart();
        h.TickOnly({L"Follow-up"});
        Dispatch control = test::StandInControl(h.application);
        control.put(L"TypeInfo", typeInfo);
        Outcome o;
        std::map<std::wstring, std::size_t> sets; // class, subject, body
        Dispatch items = h.nameSpace.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders")
                             .callObject(L"Item", L"Follow-up").getObject(L"Items");
        o.items = items.get(L"Count").toInt();
        for (int i = 1; i <= o.items; ++i) {
            Dispatch item = items.callObject(L"Item", i);
            const std::wstring cls = item.get(L"MessageClass").toText();
            if (!KindFromMessageClass(cls)) continue;
            ++sets[cls + L"\n" + item.get(L"Subject").toText() + L"\n" + item.get(L"Body").toText()];
        }
        for (const auto& [key, size] : sets) {
            if (size < 2) continue;
            o.copies += size;
            o.classesWithCopies.insert(key.substr(0, key.find(L'\n')));
        }
        control.call(L"ResetCounts");
        h.Run();
        o.rows = h.Rows();
        o.log = h.LogLines();
        std::cout << "[ trips    ] Follow-up, " << o.items << " items, type information " << (typeInfo ? "on " : "off")
                  << ", per item:";
        for (const wchar_t* kind : kKinds) {
            o.trips[kind] = control.call(L"RoundTrips", kind).toInt();
            std::cout << " " << ToUtf8(kind) << " " << std::fixed << std::setprecision(2)
                      << o.trips[kind] / static_cast<double>(o.items);
        }
        std::cout << "\n";
        return o;
    };
    const Outcome with = run(true);
    const Outcome without = run(false);
    EXPECT_EQ(with.classesWithCopies, (std::set<std::wstring>{L"IPM.Note", L"IPM.StickyNote"}));
    EXPECT_EQ(with.rows.size(), with.copies);
    EXPECT_EQ(with.rows, without.rows);
    EXPECT_TRUE(with.log.empty()) << with.log.front();
    EXPECT_TRUE(without.log.empty()) << without.log.front();
    // No object is asked for its type: out of process that costs more round trips than it saves.
    EXPECT_EQ(with.trips.at(L"GetTypeInfo"), 0);
    EXPECT_EQ(with.trips.at(L"GetTypeInfoCount"), 0);
    EXPECT_EQ(with.trips.at(L"GetIDsOfNames"), without.trips.at(L"GetIDsOfNames"));
}

TEST(StandardSearch, ClosingTheWindowSkipsEverythingLeft)
{
    SearchHarness h(Profile(Mails({"A", "A", "A"}), Mails({"A"})));
    h.CompareMailSubjects();
    h.onPump = [&] {
        if (h.itemsPumped == 2) {
            h.cancelRequested = true;
            h.closeRequested = true;
        }
    };
    h.ResetCounts();
    h.Run();
    EXPECT_EQ(h.Rows(), (Rows{L"n A", L"c A"}));
    EXPECT_EQ(h.Calls(L"GetFolderFromID"), 2 + 1); // the store's folder (twice: its Deleted Items), Inbox
    EXPECT_TRUE(h.hints.shown.empty());
    EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
    EXPECT_EQ(h.Status(1), L"2 duplicated items found.");
}

TEST(Sha256, KnownDigests)
{
    auto hex = [](const Sha256Digest& digest) {
        std::string out;
        for (unsigned char byte : digest) {
            const char* digits = "0123456789abcdef";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
        return out;
    };
    EXPECT_EQ(hex(Sha256("abc", 3)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(Sha256("", 0)), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Key(L"ab").size(), 32u);
    EXPECT_NE(Sha256Key(L"ab"), Sha256Key(L"aB"));
}

} // namespace
