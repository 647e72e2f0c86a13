// The searches against Outlook's own behaviour where items are at stake: a copy already where
// duplicates are put is never the one kept, an item met twice is never its own duplicate, the
// creation order, a refused guard, a busy Outlook and stores found only by their identifier.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FastHarness.h"
#include "ProfileSnapshot.h"
#include "platform/BusyRetry.h"
#include "platform/ComError.h"
#include "process/Processing.h"
#include "platform/OutlookLookup.h"

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

namespace {

std::string TimedMail(const std::string& id, const std::string& subject, const std::string& created)
{
    return R"({ "messageClass": "IPM.Note", "entryID": ")" + id + R"(", "Subject": ")" + subject +
           R"(", "CreationTime": ")" + created + R"(" })";
}

std::string OneInbox(const std::string& topKeys, const std::string& folderKeys, const std::string& items)
{
    return "{ " + topKeys + R"( "stores": [ { "name": "Store", "folders": [ { "name": "Inbox", "defaultItemType": 0, )" +
           folderKeys + R"( "items": [ )" + items + " ] } ] } ] }";
}

// New mail with an older creation time arrives while the Inbox is walked: after the sort by
// creation time, every later position shifts and one item is met a second time. Whenever that
// happens, it must not match itself: no row at all, as every subject differs.
TEST(MetTwice, AnItemExaminedTwiceMakesNoRowOfItsOwnUnderEveryRule)
{
    const std::string items = TimedMail("0A01", "P", "2009-03-05T10:00:00") + "," +
                              TimedMail("0A02", "Q", "2009-03-06T10:00:00") + "," +
                              TimedMail("0A03", "R", "2009-03-07T10:00:00");
    for (int radioButton : {2, 3, 4, 8}) {
        bool metTwice = false;
        for (int afterCalls = 1; afterCalls <= 40; ++afterCalls) {
            SCOPED_TRACE(testing::Message() << "radio button " << radioButton << ", arrival after " << afterCalls);
            const std::string arrivals = R"("arrivals": [ { "afterCalls": )" + std::to_string(afterCalls) +
                                         R"(, "items": [ )" + TimedMail("0B01", "N", "2009-03-01T10:00:00") + " ] } ],";
            fast_test::FastHarness h(OneInbox("", arrivals, items));
            h.CompareMailSubjects();
            h.rule = Only(radioButton);
            h.Run();
            EXPECT_EQ(h.rows.size(), 0u) << "an item matched itself";
            for (std::size_t i = 0; i + 1 < h.lists.size(); ++i)
                metTwice = metTwice || h.lists.EntryID(i) == h.lists.EntryID(i + 1);
        }
        EXPECT_TRUE(metTwice) << "no arrival made the walk meet an item twice";
    }
}

// Exchange in cached mode gives a folder's items newest first; "Oldest creation time" must still
// keep the oldest copy.
TEST(CreationOrder, ANewestFirstFolderKeepsTheOldestCopy)
{
    const std::string items = TimedMail("0A01", "Same", "2009-03-05T10:00:00") + "," +
                              TimedMail("0A02", "Same", "2009-03-01T10:00:00") + "," +
                              TimedMail("0A03", "Same", "2009-03-03T10:00:00");
    fast_test::FastHarness h(OneInbox("", R"("order": "newestFirst",)", items));
    h.CompareMailSubjects();
    h.rule = Only(2);
    h.Run();
    ASSERT_EQ(h.rows.size(), 3u);
    std::vector<std::wstring> kept;
    for (std::size_t i = 0; i < h.rows.size(); ++i) {
        if (h.rows.At(i).caption == L"n") kept.push_back(h.rows.At(i).entryId.value_or(L"?"));
    }
    EXPECT_EQ(kept, std::vector<std::wstring>{L"0A02"});
    EXPECT_TRUE(h.LogLines().empty());
}

// A folder whose items cannot be sorted is walked as it comes, with one line in the log.
TEST(CreationOrder, AFailingSortIsLoggedAndTheFolderIsStillSearched)
{
    const std::string items = TimedMail("0A01", "Same", "2009-03-05T10:00:00") + "," +
                              TimedMail("0A02", "Same", "2009-03-01T10:00:00");
    fast_test::FastHarness h(OneInbox("", R"("fail": { "Items.Sort": "The property cannot be sorted." },)", items));
    h.CompareMailSubjects();
    h.Run();
    EXPECT_EQ(h.rows.size(), 2u);
    const std::vector<std::string> log = h.LogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].ends_with(" The property cannot be sorted. line 214")) << log[0];
}

// The prompt of Outlook's guard answered "No": every protected read fails. The search ends at
// the first refusal, says why, and leaves nothing ticked.
TEST(RefusedGuard, EndsTheSearchWithAMessageInBothSearches)
{
    const std::string mails = R"({ "messageClass": "IPM.Note", "Subject": "Same", "Body": "b" },
                                 { "messageClass": "IPM.Note", "Subject": "Same", "Body": "b" })";
    const std::string profile = R"({ "guardAnswer": "no", "stores": [ { "name": "Store", "folders": [
        { "name": "Inbox", "defaultItemType": 0, "items": [ )" + mails + R"( ] },
        { "name": "Second", "defaultItemType": 0, "items": [ )" + mails + R"( ] } ] } ] })";
    for (Mode mode : {Mode::Standard, Mode::Fast}) {
        SCOPED_TRACE(Name(mode));
        fast_test::FastHarness h(profile);
        h.CompareMailSubjects();
        h.profiles.setTicked(ItemKind::Mail, 1, true); // Body
        h.ResetCounts();
        Search(h, mode, {});
        EXPECT_EQ(h.hints.messages, std::vector<std::wstring>{kGuardRefusedText});
        EXPECT_TRUE(h.hints.shown.empty()) << "the hint was shown beside the refusal";
        for (std::size_t i = 0; i < h.rows.size(); ++i) EXPECT_FALSE(h.rows.At(i).ticked);
        EXPECT_TRUE(::IsWindowEnabled(h.searchButton));
        // Nothing after the folder where Outlook refused.
        EXPECT_LE(h.Calls(L"GetFolderFromID"), 3);
        EXPECT_FALSE(h.LogLines().empty());
    }
    // Any other failure is only logged, as before.
    fast_test::FastHarness other(OneInbox("", "", R"({ "messageClass": "IPM.Note", "Subject": "A",
        "fail": { "Subject": "The item is not available." } })"));
    other.CompareMailSubjects();
    other.Run();
    EXPECT_TRUE(other.hints.messages.empty());
    EXPECT_EQ(other.hints.shown.size(), 1u);
}

unsigned g_pauses = 0;
void CountPause(unsigned) { ++g_pauses; }

// Outlook rejects calls while it shows a dialog: fewer rejections than the retry bound cost
// nothing, more make that call fail as any failure does.
TEST(BusyOutlook, RejectionsWithinTheBoundCostNoItem)
{
    const std::string items = R"({ "messageClass": "IPM.Note", "Subject": "Same" },
                                 { "messageClass": "IPM.Note", "Subject": "Same" },
                                 { "messageClass": "IPM.Note", "Subject": "Other" })";
    const BusyRetryPolicy previous = SetBusyRetry({8, CountPause});
    struct Case {
        int rejections;
        bool allFound;
    };
    for (const Case& c : {Case{0, true}, Case{5, true}, Case{8, true}, Case{30, false}}) {
        SCOPED_TRACE(c.rejections);
        fast_test::FastHarness h(OneInbox("", "", items));
        h.CompareMailSubjects();
        g_pauses = 0;
        gleaner::test::StandInControl(h.application).put(L"RejectCalls", c.rejections);
        h.Run();
        if (c.allFound) {
            EXPECT_EQ(h.rows.size(), 2u);
            EXPECT_TRUE(h.LogLines().empty());
            EXPECT_EQ(g_pauses, static_cast<unsigned>(c.rejections));
        } else {
            // Opening the store's folder and the Inbox each fail after 8 retries; nothing is found.
            EXPECT_TRUE(h.rows.empty());
            const std::vector<std::string> log = h.LogLines();
            EXPECT_EQ(log.size(), 2u);
            for (const std::string& line : log) EXPECT_TRUE(line.ends_with(" line 220")) << line;
            EXPECT_EQ(g_pauses, 16u);
        }
    }
    SetBusyRetry(previous);
}

// A delegate mailbox or public folder store whose folders and items are found only with its
// store identifier: searched, previewed and processed like any other.
TEST(StoreIdentifiers, AStoreThatRequiresItsIdentifierIsSearchedAndProcessed)
{
    const std::string profile = R"({ "stores": [
        { "name": "Mine", "folders": [ { "name": "Inbox", "defaultItemType": 0, "items": [] },
                                        { "name": "Deleted Items", "role": "deletedItems", "items": [] } ] },
        { "name": "Public", "requiresStoreID": true, "folders": [
          { "name": "Shared", "defaultItemType": 0, "items": [
            { "messageClass": "IPM.Note", "Subject": "Same", "Body": "one" },
            { "messageClass": "IPM.Note", "Subject": "Same", "Body": "two" } ] } ] } ] })";
    for (Mode mode : {Mode::Standard, Mode::Fast}) {
        SCOPED_TRACE(Name(mode));
        fast_test::FastHarness h(profile);
        h.CompareMailSubjects();
        Search(h, mode, {});
        ASSERT_EQ(h.rows.size(), 2u);
        EXPECT_EQ(h.rows.At(0).subItems.at(1), L"\\Public\\Shared");
        EXPECT_TRUE(h.LogLines().empty());
        std::vector<std::pair<std::wstring, std::wstring>> ticked; // entry and store identifiers
        for (std::size_t i = 0; i < h.rows.size(); ++i) {
            const ResultRow& row = h.rows.At(i);
            EXPECT_FALSE(row.storeId.empty());
            if (row.ticked) ticked.emplace_back(*row.entryId, row.storeId);
        }
        ASSERT_EQ(ticked.size(), 1u);
        EXPECT_THROW(h.nameSpace.call(L"GetItemFromID", ticked[0].first), ComError) << "the store needs no identifier";

        ProcessSurface process;
        h.FillWorkSurface(process);
        process.removeButtons = [] { return RemoveButtons{false, false, false, true}; };
        process.subjectMark = [] { return std::wstring(L"*DUP* "); };
        process.moveFolderPath = [] { return std::wstring(); };
        RunProcessing(process);
        EXPECT_EQ(h.Status(1), L"1 duplicates were removed successfully");
        EXPECT_EQ(ItemFromId(h.nameSpace, ticked[0].first, ticked[0].second).get(L"Subject").toText(), L"*DUP* Same");
        EXPECT_TRUE(h.LogLines().empty());
    }
}

} // namespace

namespace {

// Two equal mails in the Inbox, searched and processed with the same default ticks on two days:
// Outlook's Delete moves to Deleted Items too, so the second search meets a copy there first.
// Afterwards the set must still have a copy outside Deleted Items and the move-to folder.
TEST(RemovalDestinations, TwoRunsLeaveEverySetACopyOutsideWhereDuplicatesGo)
{
    const std::string profile = R"({ "version": "14.0.0.4760", "stores": [ { "name": "Store", "folders": [
        { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [] },
        { "name": "Inbox", "defaultItemType": 0, "items": [ )" +
                                TimedMail("0A01", "Same", "2009-03-01T10:00:00") + "," +
                                TimedMail("0A02", "Same", "2009-03-02T10:00:00") + R"( ] },
        { "name": "Kept", "defaultItemType": 0, "items": [] } ] } ] })";
    struct Action {
        const char* name;
        RemoveButtons buttons;
    };
    const Action actions[] = {
        {"delete", {false, true, false, false}},
        {"move to deleted items", {true, false, false, false}},
        {"move to folder", {false, false, true, false}},
        {"modify subject", {false, false, false, true}},
    };
    for (const Action& action : actions) {
        SCOPED_TRACE(action.name);
        fast_test::FastHarness h(profile);
        h.CompareMailSubjects();
        const auto box = [] { return std::wstring(L"\\Store\\Kept"); };
        for (int day = 1; day <= 2; ++day) {
            Search(h, Mode::Standard, box);
            ProcessSurface process;
            h.FillWorkSurface(process);
            process.moveFolderPath = box;
            process.removeButtons = [&] { return action.buttons; };
            process.subjectMark = [] { return std::wstring(L"*DUP* "); };
            RunProcessing(process);
        }
        h.mapiTable.reset();
        h.recordSet.reset();
        h.nameSpace.reset();
        h.application.reset();
        int outside = 0;
        for (const auto& [key, item] : process_test::ReloadedProfile()) {
            if (item.folderPath != L"\\Store\\Deleted Items" && item.folderPath != L"\\Store\\Kept") ++outside;
        }
        EXPECT_GE(outside, 1) << "the Inbox lost its last copy";
        EXPECT_TRUE(h.LogLines().empty());
    }
}

} // namespace
