// Every Outlook call site of the searches, the preview, the open, processing, the folder tree
// and the support report failing in turn (the stand-in's faults on demand), and Outlook going
// away at every point of a search and of processing. Each run goes through the real main
// window: start-up, search, preview and open of the first row, processing, close. The failure
// is logged with the location text of its call site (bare, where it escapes to the
// application-wide handler), the closing steps run, nobody is shown anything, and the profile
// read back holds exactly what the completed actions say: nothing but ticked rows' items was
// touched, the summary counts what was, and each of them has an untouched equal survivor.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <span>
#include <fstream>
#include <functional>
#include <set>

#include "ProfileTools.h"
#include "ProgramHarness.h"
#include "SettingsSupport.h"
#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/Text.h"
#include "results/ResultList.h"
#include "settings/OptionsForm.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace reliability;

namespace {

constexpr wchar_t kFault[] = L"Injected fault.";
const std::string kFaultJson = "\"Injected fault.\"";

// Two sets of equal mails across two folders, and one mail of its own. The tree is sorted, so
// Archive comes first: with the first-start ticks (Subject, Body) and "Oldest creation time"
// the rows are A3 n, A1 c, A2 c, B3 n, B1 c, B2 c.
struct Mail {
    const char* name;
    const wchar_t* subject;
    const wchar_t* body;
};
const Mail kInbox[] = {{"A1", L"Alpha", L"one"}, {"A2", L"Alpha", L"one"}, {"B1", L"Beta", L"two"},
                       {"B2", L"Beta", L"two"},  {"C", L"Gamma", L"three"}};
const Mail kArchive[] = {{"A3", L"Alpha", L"one"}, {"B3", L"Beta", L"two"}};

// Where a fault goes: an item by name, a folder by name, the namespace or the application.
struct Fault {
    std::string item;
    std::string folder;
    std::string member;
    bool onNamespace = false;
    bool onApplication = false;
};

struct Fixture {
    std::vector<StoreDef> stores;
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> values; // entry ID -> subject, body
    std::map<std::wstring, std::wstring> folderOf;                        // entry ID -> folder path
    std::string json;
};

Fixture BuildFixture(const Fault& fault)
{
    Fixture f;
    unsigned next = 0;
    auto folder = [&](const wchar_t* name, std::span<const Mail> mails) {
        FolderDef def{name, 0, "", {}, {}, ""};
        const std::string folderName = ToUtf8(name);
        if (fault.folder == folderName) def.fail = "{ \"" + fault.member + "\": " + kFaultJson + " }";
        for (const Mail& mail : mails) {
            ItemDef item;
            item.entryId = EntryIdFor(++next);
            item.texts = {{L"Subject", mail.subject}, {L"Body", mail.body}, {L"SenderName", L"Sender"}};
            if (fault.item == mail.name) item.fail = "{ \"" + fault.member + "\": " + kFaultJson + " }";
            f.values[item.entryId] = {mail.subject, mail.body};
            f.folderOf[item.entryId] = std::wstring(L"\\Personal Folders\\") + name;
            def.items.push_back(item);
        }
        return def;
    };
    StoreDef store{L"Personal Folders", {folder(L"Inbox", kInbox), folder(L"Archive", kArchive),
                                          folder(L"Target", {}), folder(L"Deleted Items", {})}};
    store.folders.back().role = "deletedItems";
    f.stores = {store};
    const std::string memberFail = "{ \"" + fault.member + "\": " + kFaultJson + " }";
    f.json = ProfileJson(f.stores, fault.onNamespace ? memberFail : "", fault.onApplication ? memberFail : "");
    return f;
}

enum class Step { Search, Preview, Open, Process, Report };

struct Case {
    const char* site;
    Fault fault;
    std::vector<std::wstring> tails; // each failure's location text; "" for the bare message
    DuplicateBehavior action = DuplicateBehavior::DeletePermanently;
    bool fast = false;
    bool report = false; // "Send Error Report" instead of the search and processing
};

std::vector<std::wstring> LogLines()
{
    std::ifstream in(ErrorLogPath().c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring text = FromAnsi(bytes);
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::wstring StatusText(HWND statusBar, int panel)
{
    wchar_t text[512] = {};
    ::SendMessageW(statusBar, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text));
    return text;
}

// What one run left behind.
struct Outcome {
    std::set<std::wstring> tickedRows;  // entry IDs of ticked rows when processing started
    std::wstring searchSummary;
    std::wstring finalStatus;
};

class FaultSweepTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        logFolder_ = std::wstring(temp) + L"gleaner-faults-" + std::to_wstring(::GetCurrentProcessId());
        SetLogFolderForTesting(logFolder_);
    }
    void TearDown() override
    {
        ::DeleteFileW(ErrorLogPath().c_str());
        SetLogFolderForTesting({});
        test::DeleteSettingsKey();
    }

    // Start-up, search, preview and open of the first row, processing, close. `beforeSearch`
    // and `beforeProcessing` get the stand-in's control object.
    Outcome Run(const Case& c, const std::function<void(Dispatch&)>& beforeSearch = {},
                const std::function<void(Dispatch&)>& beforeProcessing = {},
                const std::function<void(Dispatch&)>& afterProcessing = {})
    {
        Outcome outcome;
        test::DeleteSettingsKey();
        ::DeleteFileW(ErrorLogPath().c_str());
        prompter_.texts.clear();
        Dispatch outlook = test::CreateOutlook();
        Dispatch control = test::StandInControl(outlook);
        {
            Program program;
            program.Show();
            TForm1& form = *program.form;
            TForm3& options = program.Options();
            options.SetBehavior(c.action);
            options.SetMoveFolderPath(L"\\Personal Folders\\Target");
            form.ShowFoundMessage = false;
            ::SendMessageW(form.CheckBox1, BM_SETCHECK, c.fast ? BST_CHECKED : BST_UNCHECKED, 0);
            if (c.report) {
                ::SendMessageW(program.window, WM_COMMAND, MAKEWPARAM(TForm1::kGetTechnicalSupport1, 0), 0);
                PumpMessages();
            } else {
                if (beforeSearch) beforeSearch(control);
                ::SendMessageW(form.BitBtn1, BM_CLICK, 0, 0);
                PumpMessages();
                ExpectClosingSteps(form);
                outcome.searchSummary = StatusText(form.StatusBar1, 1);
                EXPECT_TRUE(EndsWith(outcome.searchSummary, L" duplicated items found.")) << ToUtf8(outcome.searchSummary);
                if (!form.Results.empty()) {
                    form.ResultView.Refresh();
                    form.ResultView.Select(0);
                    form.ResultView.ListView2SelectItem(0, true);
                    form.ResultView.ListView2DblClick();
                }
                for (std::size_t i = 0; i < form.Results.size(); ++i) {
                    const ResultRow& row = form.Results.At(i);
                    if (row.ticked && row.entryId) outcome.tickedRows.insert(*row.entryId);
                }
                if (beforeProcessing) beforeProcessing(control);
                ::SendMessageW(form.BitBtn2, BM_CLICK, 0, 0);
                PumpMessages();
                ExpectClosingSteps(form);
                EXPECT_TRUE(form.Results.empty()); // processed or not, the list is emptied
                outcome.finalStatus = StatusText(form.StatusBar1, 1);
                if (afterProcessing) afterProcessing(control);
            }
            EXPECT_TRUE(::IsWindow(program.window));
            form.Close();
            PumpMessages();
        }
        control.reset();
        outlook.reset();
        EXPECT_TRUE(prompter_.texts.empty()) << "something was shown to the user";
        return outcome;
    }

    static void ExpectClosingSteps(TForm1& form)
    {
        EXPECT_TRUE(::IsWindowEnabled(form.BitBtn1));
        EXPECT_TRUE(::IsWindowEnabled(form.BitBtn2));
        EXPECT_FALSE(::IsWindowVisible(form.ProgressBar1));
    }

    // The profile holds exactly what the completed actions say. Returns how many items the
    // run removed or marked.
    static int ExpectProfileMatchesActions(const test::StandInProfile& profile, const Fixture& fixture,
                                           const Outcome& outcome, DuplicateBehavior action)
    {
        DisarmFaults(profile.path(), ToUtf8(kFault));
        const std::map<std::wstring, ItemState> after = ReadProfileItems();
        std::set<std::wstring> changed;
        std::set<std::pair<std::wstring, std::wstring>> survivors;
        for (const auto& [id, values] : fixture.values) {
            const auto now = after.find(id);
            const bool untouched = now != after.end() && now->second.folderPath == fixture.folderOf.at(id) &&
                                   now->second.subject == values.first;
            if (untouched) {
                survivors.insert(values);
                continue;
            }
            changed.insert(id);
            EXPECT_TRUE(outcome.tickedRows.count(id)) << "an item without a ticked row was touched";
            if (action == DuplicateBehavior::ModifySubject && now != after.end())
                EXPECT_EQ(now->second.subject, L"***DUPLICATE***" + values.first);
            // Delete, as Outlook does it, and Move take the item to a folder, never out of the store.
            const bool moves = action == DuplicateBehavior::DeletePermanently ||
                               action == DuplicateBehavior::MoveToDeletedItems || action == DuplicateBehavior::MoveToFolder;
            if (moves) {
                const wchar_t* const to = action == DuplicateBehavior::MoveToFolder ? L"\\Personal Folders\\Target"
                                                                                     : L"\\Personal Folders\\Deleted Items";
                EXPECT_TRUE(now != after.end() && now->second.folderPath == to) << "a processed item is not in " << ToUtf8(to);
            }
        }
        for (const std::wstring& id : changed)
            EXPECT_TRUE(survivors.count(fixture.values.at(id))) << "an item was removed without an equal survivor";
        // The summary counts exactly the completed actions; a run that failed before its rows
        // leaves the search's summary.
        const std::wstring removed = L" duplicates were removed successfully";
        if (EndsWith(outcome.finalStatus, removed)) {
            EXPECT_EQ(outcome.finalStatus, std::to_wstring(changed.size()) + removed);
        } else {
            EXPECT_EQ(outcome.finalStatus, outcome.searchSummary);
            EXPECT_TRUE(changed.empty());
        }
        return static_cast<int>(changed.size());
    }

    ComInit com_;
    std::wstring logFolder_;
    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

Fault ItemFault(const char* item, const char* member) { return {item, "", member}; }
Fault FolderFault(const char* folder, const char* member) { return {"", folder, member}; }
Fault NamespaceFault(const char* member) { return {"", "", member, true}; }
Fault ApplicationFault(const char* member) { return {"", "", member, false, true}; }

const Case kCases[] = {
    // The standard search.
    {"GetFolderFromID of a ticked folder", FolderFault("Inbox", "open"), {L" line 220", L" line 310"}},
    {"Folder.Items", FolderFault("Inbox", "Items"), {L" line 220"}},
    {"Items.Count", FolderFault("Inbox", "Items.Count"), {L" line 220"}},
    {"Items.Item", FolderFault("Archive", "Items.Item"), {L" line 220"}},
    {"item EntryID", ItemFault("A2", "EntryID"), {L" line 220"}},
    {"item Size", ItemFault("B1", "Size"), {L" line 220"}},
    {"item MessageClass", ItemFault("A2", "MessageClass"), {L" line 220"}},
    {"item Subject", ItemFault("A3", "Subject"), {L" line 220"}},
    {"item Body", ItemFault("B2", "Body"), {L" line 220"}},
    // The earlier item is the unticked original; the current one's row, left without its entry
    // identifier, fails in processing with a message of its own.
    {"GetItemFromID of the earlier item's row", ItemFault("A3", "open"), {L" line 188"}},
    {"GetItemFromID of the current item's row", ItemFault("A1", "open"), {L" line 201", L"* line 330"}},
    {"item Parent for the row", ItemFault("B2", "Parent"), {L" line 201"}},
    {"GetItemFromID for every row", NamespaceFault("GetItemFromID"), {L" line 188", L" line 330"}},
    // Preview and open of the first row (A3).
    {"preview: SenderName", ItemFault("A3", "SenderName"), {L" line 475"}},
    {"open: Display", ItemFault("A3", "Display"), {L" line 421"}},
    // Processing.
    {"Delete", ItemFault("A2", "Delete"), {L" line 330"}},
    {"Move to Deleted Items", ItemFault("B2", "Move"), {L" line 330"}, DuplicateBehavior::MoveToDeletedItems},
    {"Move to folder", ItemFault("A2", "Move"), {L" line 330"}, DuplicateBehavior::MoveToFolder},
    {"Save of a marked subject", ItemFault("A2", "Save"), {L" line 330"}, DuplicateBehavior::ModifySubject},
    {"GetDefaultFolder(3)", NamespaceFault("GetDefaultFolder"), {L""}},
    // No move-to folder: every move is refused with Outlook's own message.
    {"GetFolderFromID of the move-to folder", FolderFault("Target", "open"), {L" line 220", L" line 310", L"* line 330"},
     DuplicateBehavior::MoveToFolder},
    // The folder tree at start-up: the rest of the tree is searched.
    {"tree: Folders of a folder", FolderFault("Archive", "Folders"), {L" RetrieveOutlookFolders event"}},
    // The fast search.
    {"fast: the folder's table", ItemFault("A2", "Subject"), {L" line 220"}, DuplicateBehavior::DeletePermanently,
     true},
    {"fast: GetItemFromID for the body check", ItemFault("A2", "open"), {L" line 208"},
     DuplicateBehavior::DeletePermanently, true},
    {"fast: GetFolderFromID", NamespaceFault("GetFolderFromID"), {L" line 220", L" line 310"},
     DuplicateBehavior::DeletePermanently, true},
    // The support report: nothing is caught inside it.
    {"report: Application.Version", ApplicationFault("Version"), {L""}, DuplicateBehavior::DeletePermanently, false,
     true},
    {"report: Application.COMAddIns", ApplicationFault("COMAddIns"), {L""}, DuplicateBehavior::DeletePermanently,
     false, true},
};

TEST_F(FaultSweepTest, EveryCallSiteFailingInTurn)
{
    int sites = 0;
    int survived = 0;
    int itemsChecked = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.site);
        const Fixture fixture = BuildFixture(c.fault);
        test::StandInProfile profile(fixture.json);
        const int failuresBefore = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        const Outcome outcome = Run(c);
        const std::vector<std::wstring> lines = LogLines();
        std::string log;
        for (const std::wstring& line : lines) log += "\n  " + ToUtf8(line);
        for (const std::wstring& tail : c.tails) {
            // "*" in front: the failure's own message, whatever it is, then the location text.
            const std::wstring expected = tail.empty()         ? std::wstring(L" ") + kFault
                                          : tail.front() == L'*' ? tail.substr(1)
                                                                 : kFault + tail;
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return EndsWith(l, expected); }))
                << "no line ending in \"" << ToUtf8(expected) << "\"; the log:" << log;
        }
        if (!c.report) itemsChecked += ExpectProfileMatchesActions(profile, fixture, outcome, c.action);
        ++sites;
        if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() == failuresBefore) ++survived;
    }
    std::printf("fault sweep: %d call sites failed, %d faults survived, %d removed items checked\n", sites, survived,
                itemsChecked);
}

// Outlook goes away after N calls of a search, then after N calls of processing, for N from 0
// to past the phase's last call: no crash, every failure logged, each run ends with its closing
// steps, and the profile holds what the completed actions say.
TEST_F(FaultSweepTest, OutlookDisappearingMidSearchAndMidProcessing)
{
    const Fixture fixture = BuildFixture({});
    const Case plain{"disconnect", {}, {}};
    constexpr long kNever = 1000000000;

    // How many calls each phase makes when nothing goes wrong.
    long searchCalls = 0;
    long processingCalls = 0;
    {
        test::StandInProfile profile(fixture.json);
        long left = 0;
        const Outcome outcome = Run(
            plain, [&](Dispatch& control) { control.put(L"DisconnectAfter", kNever); },
            [&](Dispatch& control) { left = control.get(L"DisconnectAfter").toInt(); },
            [&](Dispatch& control) { processingCalls = left - control.get(L"DisconnectAfter").toInt(); });
        searchCalls = kNever - left;
        EXPECT_EQ(outcome.finalStatus, L"4 duplicates were removed successfully");
    }
    ASSERT_GT(searchCalls, 0);
    ASSERT_GT(processingCalls, 0);

    int runs = 0;
    int itemsChecked = 0;
    for (const bool duringProcessing : {false, true}) {
        const long calls = duringProcessing ? processingCalls : searchCalls;
        const long step = std::max(1L, calls / 8);
        for (long after = 0; after <= calls; after += step) {
            SCOPED_TRACE((duringProcessing ? "processing, after " : "search, after ") + std::to_string(after));
            test::StandInProfile profile(fixture.json);
            auto disconnect = [after](Dispatch& control) { control.put(L"DisconnectAfter", after); };
            const Outcome outcome = duringProcessing ? Run(plain, {}, disconnect) : Run(plain, disconnect);
            ++runs;
            const std::vector<std::wstring> lines = LogLines();
            if (after < calls) {
                EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::wstring& l) {
                    return l.find(L"disconnected") != std::wstring::npos;
                })) << "the failures were not logged";
            }
            itemsChecked += ExpectProfileMatchesActions(profile, fixture, outcome, plain.action);
        }
    }
    std::printf("Outlook gone mid-run: search %ld calls, processing %ld calls; %d runs, %d removed items checked\n",
                searchCalls, processingCalls, runs, itemsChecked);
}

} // namespace
