#include "detect/MatchEngine.h"
#include "pairwise_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using gleaner::ExaminedItem;
using gleaner::MatchEngine;
using gleaner::MatchFailure;
using gleaner::OriginalRule;
using gleaner::ResultModel;
using gleaner::RowContent;
using gleaner::RowRole;

int PlainCompare(const std::wstring& a, const std::wstring& b)
{
    return a.compare(b);
}

// Fills every row completely and keeps one rule.
struct SimpleHost : gleaner::MatchHost {
    OriginalRule rule;
    std::vector<std::wstring> failures;

    OriginalRule Rule() override { return rule; }
    void FillRow(const std::wstring& entryId, std::uint32_t, RowRole, RowContent& row) override
    {
        row.subItems.push_back(L"Subject of " + entryId);
        row.subItems.push_back(L"\\Store\\Inbox");
        row.entryId = entryId;
    }
    void Failed(const std::exception& error, MatchFailure where) override
    {
        failures.push_back(std::wstring(error.what(), error.what() + std::strlen(error.what())) +
                           std::wstring(gleaner::LocationText(where)));
    }
};

struct Search {
    ResultModel rows{PlainCompare};
    MatchEngine engine{rows};
    SimpleHost host;

    void Add(const std::wstring& id, const std::string& key, int size = 0, bool inDestination = false)
    {
        engine.AddItem(ExaminedItem{id, key, size, key != "notsupported", inDestination}, host);
        engine.Resync();
    }
    std::wstring Captions() const
    {
        std::wstring text;
        for (std::size_t i = 0; i < rows.size(); ++i)
            text += rows.At(i).caption;
        return text;
    }
    std::wstring Ticks() const
    {
        std::wstring text;
        for (std::size_t i = 0; i < rows.size(); ++i)
            text += rows.At(i).ticked ? L'x' : L'.';
        return text;
    }
    std::wstring RowIds() const
    {
        std::wstring text;
        for (std::size_t i = 0; i < rows.size(); ++i)
            text += rows.At(i).entryId.value_or(L"?");
        return text;
    }
};

OriginalRule Only(int which)
{
    OriginalRule rule{false, false, false, false};
    switch (which) {
    case 2: rule.oldestCreationTime = true; break;
    case 3: rule.newestCreationTime = true; break;
    case 4: rule.smallestSize = true; break;
    case 8: rule.largestSize = true; break;
    default: break;
    }
    return rule;
}

TEST(MatchEngine, ThreeEqualItemsUnderEachRule)
{
    struct Case {
        int radioButton;
        const wchar_t* captions;   // rows A, B, C
    };
    const Case cases[] = {
        {2, L"ncc"},   // oldest creation time keeps A
        {3, L"ccn"},   // newest creation time keeps C
        {4, L"cnc"},   // smallest size keeps B (5)
        {8, L"ncc"},   // largest size keeps A (10)
        {0, L"ccn"},   // none on: the earlier item of each pair goes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radioButton);
        Search s;
        s.host.rule = Only(c.radioButton);
        s.Add(L"A", "same", 10);
        s.Add(L"B", "same", 5);
        s.Add(L"C", "same", 7);
        EXPECT_EQ(s.RowIds(), L"ABC");
        EXPECT_EQ(s.Captions(), c.captions);
        std::wstring ticks;
        for (const wchar_t* p = c.captions; *p; ++p)
            ticks += *p == L'c' ? L'x' : L'.';
        EXPECT_EQ(s.Ticks(), ticks);
        EXPECT_EQ(std::count(ticks.begin(), ticks.end(), L'.'), 1);
    }
}

TEST(MatchEngine, AnItemMetAgainInTheScopeIsNeverItsOwnDuplicate)
{
    // New mail shifted the collection under the walk: B is examined twice, once as "b02".
    for (int radioButton : {2, 3, 4, 8, 0}) {
        SCOPED_TRACE(radioButton);
        Search alone;
        alone.host.rule = Only(radioButton);
        alone.Add(L"B02", "same", 5);
        alone.Add(L"b02", "same", 9);
        EXPECT_EQ(alone.rows.size(), 0u) << "an item matched itself";

        Search pair;
        pair.host.rule = Only(radioButton);
        pair.Add(L"A01", "same", 10);
        pair.Add(L"B02", "same", 5);
        const std::wstring captions = pair.Captions();
        pair.Add(L"B02", "same", 5);
        EXPECT_EQ(pair.RowIds(), L"A01B02");
        EXPECT_EQ(pair.Captions(), captions) << "meeting B again changed a mark";
        EXPECT_EQ(std::count(captions.begin(), captions.end(), L'n'), 1);
    }
    // A new scope (the next folder with the same-folder option) meets it afresh.
    Search scoped;
    scoped.Add(L"A01", "same");
    scoped.engine.ClearLists();
    scoped.Add(L"A01", "same");
    scoped.Add(L"C03", "same");
    EXPECT_EQ(scoped.RowIds(), L"A01C03");
}

TEST(MatchEngine, ACopyWhereDuplicatesArePutIsNeverTheOneKept)
{
    // D lies in Deleted Items or the move-to folder; X and Y elsewhere, in every order.
    for (int radioButton : {2, 3, 4, 8, 0}) {
        for (const wchar_t* order : {L"DXY", L"XDY", L"XYD"}) {
            SCOPED_TRACE(testing::Message() << radioButton << " " << std::string(order, order + 3));
            Search s;
            s.host.rule = Only(radioButton);
            for (const wchar_t* p = order; *p; ++p) {
                const int size = *p == L'D' ? 3 : *p == L'X' ? 1 : 2;
                s.Add(std::wstring(1, *p), "same", size, *p == L'D');
            }
            std::wstring kept;
            for (std::size_t i = 0; i < s.rows.size(); ++i) {
                if (s.rows.At(i).caption == L"n")
                    kept += s.rows.At(i).entryId.value_or(L"?");
            }
            ASSERT_EQ(kept.size(), 1u) << "kept: " << std::string(kept.begin(), kept.end());
            EXPECT_NE(kept, L"D");
        }
    }
    // Two copies both there follow the rule as usual: oldest keeps the first.
    Search both;
    both.host.rule = Only(2);
    both.Add(L"D1", "same", 1, true);
    both.Add(L"D2", "same", 1, true);
    EXPECT_EQ(both.Captions(), L"nc");
}

TEST(MatchEngine, FirstRadioButtonThatIsOnDecides)
{
    // Sizes 10 then 5: smallest marks the earlier, largest the current.
    struct Case {
        OriginalRule rule;
        bool earlier;
    };
    const Case cases[] = {
        {{true, true, true, true}, true},     // newest wins over all
        {{false, true, true, true}, false},   // then oldest
        {{false, false, true, true}, true},   // then smallest
        {{false, false, false, true}, false}, // then largest
        {{false, false, false, false}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gleaner::EarlierIsDuplicate(c.rule, 10, 5), c.earlier);
    // Ties: smallest marks the earlier, largest the current.
    EXPECT_TRUE(gleaner::EarlierIsDuplicate(Only(4), 7, 7));
    EXPECT_FALSE(gleaner::EarlierIsDuplicate(Only(8), 7, 7));
    EXPECT_FALSE(gleaner::EarlierIsDuplicate(Only(4), INT_MIN, INT_MAX));
    EXPECT_TRUE(gleaner::EarlierIsDuplicate(Only(8), INT_MIN, INT_MAX));
}

TEST(MatchEngine, NotSupportedNeverMatchesAndKeysAreExact)
{
    Search s;
    s.Add(L"1", "notsupported");
    s.Add(L"2", "notsupported");
    s.Add(L"3", "Hello");
    s.Add(L"4", "hello");      // letter case counts
    s.Add(L"5", "Hello ");     // nothing trimmed
    s.Add(L"6", std::string("He\0llo", 6));
    s.Add(L"7", std::string("He\0llo", 6));
    EXPECT_EQ(s.RowIds(), L"67");
    EXPECT_EQ(s.engine.size(), 7u);   // unsupported items still hold their place in the lists
}

TEST(MatchEngine, SameFolderScopesKeepEarlierRows)
{
    Search s;
    s.Add(L"A1", "x");
    s.Add(L"A2", "x");
    s.engine.ClearLists();   // next folder
    s.Add(L"B1", "x");       // equal to the first folder's items, but in another scope
    EXPECT_EQ(s.RowIds(), L"A1A2");
    s.Add(L"B2", "x");
    EXPECT_EQ(s.RowIds(), L"A1A2B1B2");
    EXPECT_EQ(s.Captions(), L"ncnc");
    EXPECT_EQ(s.Ticks(), L".x.x");
}

TEST(MatchEngine, ResyncReticksDuplicatesButNeverUnticks)
{
    Search s;
    s.Add(L"AB01", "x");
    s.Add(L"AB02", "x");
    s.rows.SetTickByUser(0, true);    // the original, ticked by the user
    s.rows.SetTickByUser(1, false);   // the duplicate, unticked
    s.engine.Resync();
    EXPECT_EQ(s.Ticks(), L"xx");
    EXPECT_EQ(s.Captions(), L"nc");
}

TEST(MatchEngine, ResyncFindsIdentifiersIgnoringCase)
{
    // The row's identifier comes from the fetched item; here it differs in case from the list.
    struct LowerCaseHost : SimpleHost {
        void FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole role, RowContent& row) override
        {
            SimpleHost::FillRow(entryId, folder, role, row);
            if (entryId == L"AB01")
                row.entryId = L"ab01";
        }
    };
    ResultModel rows{PlainCompare};
    MatchEngine engine{rows};
    LowerCaseHost host;
    host.rule = Only(3);   // newest: the earlier item becomes the duplicate
    engine.AddItem({L"AB01", "x", 0, true}, host);
    engine.AddItem({L"cd02", "x", 0, true}, host);
    engine.Resync();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(*rows.At(0).entryId, L"ab01");
    EXPECT_EQ(rows.At(0).caption, L"c");
    EXPECT_TRUE(rows.At(0).ticked);
}

TEST(MatchEngine, FailuresAreReportedWhereTheyHappen)
{
    // Fills fail for item "B"; the body check fails once.
    struct FailingHost : SimpleHost {
        int confirms = 0;
        bool Confirm(std::size_t) override
        {
            if (++confirms == 3)
                throw std::runtime_error("The item is not available.");
            return true;
        }
        void FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole role, RowContent& row) override
        {
            if (entryId == L"B") {
                row.subItems.push_back(L"Subject of B");
                throw std::runtime_error("Parent failed.");
            }
            SimpleHost::FillRow(entryId, folder, role, row);
        }
    } host;
    ResultModel rows{PlainCompare};
    MatchEngine engine{rows};
    auto add = [&](const wchar_t* id) {
        engine.AddItem({id, "x", 0, true}, host);
        engine.Resync();
    };
    add(L"A");
    add(L"B");   // A-B: row A, row B (fails after its subject)
    add(L"C");   // A-C: row C; B-C: the third comparison fails
    add(L"D");   // A-D: row D; B-D: B has no row with its identifier, so it gets another one
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows.At(1).subItems, std::vector<std::wstring>{L"Subject of B"});
    EXPECT_FALSE(rows.At(1).entryId);
    EXPECT_EQ(rows.At(3).entryId, L"D");
    EXPECT_EQ(rows.At(4).subItems.size(), 1u);
    EXPECT_FALSE(rows.At(4).entryId);
    EXPECT_EQ(host.failures, (std::vector<std::wstring>{L"Parent failed. line 201", L"The item is not available. line 208",
                                                        L"Parent failed. line 188"}));
    EXPECT_EQ(gleaner::LocationText(MatchFailure::Match), L" line 205");
}

TEST(MatchEngine, ConfirmDecidesBetweenEqualKeys)
{
    struct BodyHost : SimpleHost {
        std::vector<std::size_t> asked;
        bool Confirm(std::size_t earlier) override
        {
            asked.push_back(earlier);
            return earlier != 1;   // the body of item 1 differs
        }
    };
    ResultModel rows{PlainCompare};
    MatchEngine engine{rows};
    BodyHost host;
    for (const wchar_t* id : {L"A", L"B", L"X", L"C"}) {
        engine.AddItem({id, id == std::wstring(L"X") ? "other" : "key", 0, true}, host);
        engine.Resync();
    }
    EXPECT_EQ(host.asked, (std::vector<std::size_t>{0, 0, 1}));   // ascending, equal keys only
    EXPECT_EQ(rows.size(), 3u);   // A, B from A-B; C from A-C
}

TEST(MatchEngine, ClearedRowsAreAddedAgain)
{
    Search s;
    s.Add(L"A", "x");
    s.Add(L"B", "x");
    s.Add(L"C", "x");
    s.rows.Clear();           // processing emptied the list
    s.Add(L"D", "x");
    EXPECT_EQ(s.RowIds(), L"ADBC");   // D's match with A comes first
    EXPECT_EQ(s.Captions(), L"nccc");
}

// ---- Differential: the engine against the pairwise search on random runs ----

// Answers from one random stream, so two hosts with the same seed give the same answers as
// long as they are asked the same questions in the same order; the log shows the questions.
struct ScriptedHost : gleaner::MatchHost {
    explicit ScriptedHost(unsigned seed, bool bodyCheck) : rng(seed), bodyCheck(bodyCheck) {}

    std::mt19937 rng;
    bool bodyCheck;
    OriginalRule rule;
    std::vector<std::string> log;

    int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    OriginalRule Rule() override
    {
        log.push_back("rule");
        if (Roll(50) == 0)
            throw std::runtime_error("options unreadable");
        if (Roll(4) == 0) {
            const int pick = Roll(10);
            if (pick < 8)
                rule = Only(std::vector<int>{2, 3, 4, 8}[static_cast<std::size_t>(pick % 4)]);
            else if (pick == 8)
                rule = Only(0);
            else
                rule = OriginalRule{Roll(2) == 0, Roll(2) == 0, Roll(2) == 0, Roll(2) == 0};
        }
        return rule;
    }
    bool Confirm(std::size_t earlier) override
    {
        log.push_back("confirm " + std::to_string(earlier));
        if (!bodyCheck)
            return true;
        const int roll = Roll(10);
        if (roll == 0)
            throw std::runtime_error("body unreadable");
        return roll > 2;
    }
    void FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole role, RowContent& row) override
    {
        log.push_back("fill " + std::string(entryId.begin(), entryId.end()) + (role == RowRole::Earlier ? " j" : " c") +
                      " in " + std::to_string(folder));
        const int roll = Roll(40);
        if (roll == 0)
            throw std::runtime_error("fetch failed");
        row.subItems.push_back(L"s" + entryId);
        if (roll == 1)
            throw std::runtime_error("subject failed");
        row.subItems.push_back(L"\\f");
        if (roll == 2)
            throw std::runtime_error("parent failed");
        std::wstring id = entryId;
        if (roll == 3)
            id = gleaner::FoldEntryId(id);   // the fetched item answers in another case
        else if (roll == 4)
            id += L"0";                       // or with another identifier
        row.entryId = id;
    }
    void Failed(const std::exception& error, MatchFailure where) override
    {
        log.push_back(std::string("failed ") + error.what() + std::to_string(static_cast<int>(where)));
    }
};

std::wstring RandomCase(std::wstring id, std::mt19937& rng)
{
    for (wchar_t& ch : id) {
        if (ch >= L'A' && ch <= L'F' && rng() % 2)
            ch = static_cast<wchar_t>(ch + 32);
    }
    return id;
}

bool Same(const pairwise::PairwiseSearch& ref, const MatchEngine& engine, const ResultModel& rows)
{
    if (ref.EntryIDList.size() != engine.size() || ref.rows.size() != rows.size())
        return false;
    for (std::size_t p = 0; p < engine.size(); ++p) {
        if (ref.MarkList[p][0] != static_cast<wchar_t>(engine.MarkAt(p)) || ref.EntryIDList[p] != engine.EntryID(p))
            return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& a = ref.rows[i];
        const auto& b = rows.Row(static_cast<gleaner::RowId>(i));
        if (a.caption != b.caption || a.ticked != b.ticked || a.subItems != b.subItems || a.entryId != b.entryId)
            return false;
    }
    return true;
}

void ExpectSame(const pairwise::PairwiseSearch& ref, const MatchEngine& engine, const ResultModel& rows)
{
    if (Same(ref, engine, rows))
        return;
    ASSERT_EQ(ref.EntryIDList.size(), engine.size());
    for (std::size_t p = 0; p < engine.size(); ++p) {
        ASSERT_EQ(ref.EntryIDList[p], engine.EntryID(p)) << p;
        ASSERT_EQ(ref.MarkList[p], MatchEngine::Caption(engine.MarkAt(p))) << p;
        ASSERT_EQ(ref.SizeList[p], std::to_wstring(engine.SizeAt(p))) << p;
    }
    ASSERT_EQ(ref.rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& a = ref.rows[i];
        const auto& b = rows.Row(static_cast<gleaner::RowId>(i));   // in the order they were added
        ASSERT_EQ(a.caption, b.caption) << "row " << i;
        ASSERT_EQ(a.ticked, b.ticked) << "row " << i;
        ASSERT_EQ(a.subItems, b.subItems) << "row " << i;
        ASSERT_EQ(a.entryId, b.entryId) << "row " << i;
    }
}

void RunRandomSearch(unsigned seed)
{
    std::mt19937 rng(seed);
    auto roll = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const bool bodyCheck = roll(3) == 0;
    const int keyPool = 1 + roll(12);
    // Mostly short runs; every 50th is long enough for large sets and many rows.
    const int steps = seed % 50 == 0 ? 300 : 10 + roll(70);

    pairwise::PairwiseSearch ref;
    ResultModel rows{PlainCompare};
    MatchEngine engine{rows};
    ScriptedHost refHost(seed, bodyCheck);
    ScriptedHost engineHost(seed, bodyCheck);
    std::vector<std::wstring> ids;

    for (int step = 0; step < steps; ++step) {
        const int action = roll(100);
        if (action < 78) {
            std::wstring id;
            const int idRoll = roll(20);
            if (!ids.empty() && idRoll == 0)
                id = ids[static_cast<std::size_t>(roll(static_cast<int>(ids.size())))];
            else if (!ids.empty() && idRoll == 1)
                id = RandomCase(ids[static_cast<std::size_t>(roll(static_cast<int>(ids.size())))], rng);
            else {
                wchar_t text[16];
                std::swprintf(text, 16, L"%08X", static_cast<unsigned>(0xABCD0000u + ids.size()));
                id = text;
                ids.push_back(id);
            }
            const std::string key = roll(15) == 0 ? "notsupported" : "k" + std::to_string(roll(keyPool));
            int size = roll(4);
            if (roll(20) == 0)
                size = roll(2) ? INT_MAX : INT_MIN;
            const bool inDestination = roll(6) == 0;
            const auto folder = static_cast<std::uint32_t>(roll(5));
            ref.Examine(id, key, size, refHost, inDestination, folder);
            engine.AddItem(
                ExaminedItem{id, key, static_cast<std::int32_t>(size), key != "notsupported", inDestination, folder},
                engineHost);
        } else if (action < 86) {
            ref.ClearLists();       // next folder, same-folder option on
            engine.ClearLists();
            continue;
        } else if (action < 87) {
            ref.ClearLists();       // a new search
            ref.rows.clear();
            engine.ClearLists();
            rows.Clear();
            continue;
        } else if (action < 88) {
            ref.rows.clear();       // only the rows go, the lists stay
            rows.Clear();
        }
        // Otherwise a cancelled or failed item: nothing examined, but the re-sync runs.

        // The window handles its messages: the user ticks, unticks and sorts.
        const int changes = roll(3) == 0 ? roll(4) : 0;
        for (int k = 0; k < changes && !ref.rows.empty(); ++k) {
            const auto row = static_cast<std::size_t>(roll(static_cast<int>(ref.rows.size())));
            const bool tick = roll(2) == 0;
            ref.rows[row].ticked = tick;
            rows.SetTickByUser(static_cast<gleaner::RowId>(row), tick);
        }
        if (roll(10) == 0)
            rows.ColumnClick(roll(3));

        ref.Resync();
        engine.Resync();
        ASSERT_NO_FATAL_FAILURE(ExpectSame(ref, engine, rows)) << "seed " << seed << " step " << step;
    }
    ASSERT_EQ(refHost.log, engineHost.log) << "seed " << seed;
}

TEST(MatchEngine, AgreesWithPairwiseSearchOnRandomRuns)
{
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        ASSERT_NO_FATAL_FAILURE(RunRandomSearch(seed));
    }
}

} // namespace
