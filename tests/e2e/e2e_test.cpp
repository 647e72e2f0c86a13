// The real gleaner.exe, started in a process of its own with a stand-in profile and driven
// from outside: what the user sees in its windows, and what is left in the profile and the
// registry once it has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "Gleaner.h"
#include "ProfileGenerator.h"
#include "Scenario.h"
#include "Wait.h"
#include "platform/Text.h"

using namespace gleaner::e2e;

namespace {

using Contents = std::map<std::wstring, std::vector<std::wstring>>;

constexpr wchar_t kInbox[] = L"\\Personal Folders\\Inbox";
constexpr wchar_t kKept[] = L"\\Personal Folders\\Kept";
constexpr wchar_t kArchive[] = L"\\Personal Folders\\Archive";
constexpr wchar_t kDeleted[] = L"\\Personal Folders\\Deleted Items";

// Mail compared by "Subject*" and "Body*" on a first start: three reports and two lunches in
// the Inbox, one more lunch in another folder, one item without a copy. Sizes differ, so
// the size rules have something to choose by.
constexpr char kSmallProfile[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
  { "name": "Inbox", "defaultItemType": 0, "role": "inbox", "items": [
    { "Subject": "Report", "Body": "weekly figures", "Size": 100 },
    { "Subject": "Report", "Body": "weekly figures", "Size": 300 },
    { "Subject": "Lunch", "Body": "at noon", "Size": 50 },
    { "Subject": "Report", "Body": "weekly figures", "Size": 200 },
    { "Subject": "Lunch", "Body": "at noon", "Size": 60 },
    { "Subject": "Unique", "Body": "only once" } ] },
  { "name": "Kept", "defaultItemType": 0, "items": [ { "Subject": "Lunch", "Body": "at noon", "Size": 70 } ] },
  { "name": "Archive", "defaultItemType": 0, "items": [] },
  { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [] } ] } ] })";

// One column of the rows: Column(rows, &Row::subject).
std::vector<std::wstring> Column(const std::vector<Row>& rows, std::wstring Row::*field)
{
    std::vector<std::wstring> texts;
    for (const Row& row : rows) texts.push_back(row.*field);
    return texts;
}

// Every row shows its item, and is ticked exactly when its caption marks a duplicate.
void ExpectTicksFollowCaptions(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        EXPECT_TRUE(row.caption == L"n" || row.caption == L"c") << gleaner::ToUtf8(row.caption);
        EXPECT_EQ(row.ticked, row.caption == L"c") << gleaner::ToUtf8(row.subject);
        EXPECT_FALSE(row.subject.empty());
    }
}

std::vector<std::wstring> Texts(std::initializer_list<const wchar_t*> texts) { return {texts.begin(), texts.end()}; }

TEST(EndToEnd, FirstStartShowsEveryFolderTickedAndWritesFirstRunSettingsAtExit)
{
    Session session(kSmallProfile);
    const Contents before = session.Contents();
    auto app = session.Start();

    const std::vector<TreeNode> tree = app->Tree();
    std::vector<std::wstring> paths;
    for (const TreeNode& node : tree) {
        paths.push_back(node.path);
        EXPECT_TRUE(node.ticked) << gleaner::ToUtf8(node.path);
    }
    // Sorted by name at every level; the first top-level folder opened one level.
    EXPECT_EQ(paths, Texts({L"\\Personal Folders", kArchive, kDeleted, kInbox, kKept}));
    EXPECT_TRUE(tree.front().expanded);
    EXPECT_TRUE(app->Enabled(kSearchButton));
    EXPECT_TRUE(app->Enabled(kProcessButton));
    EXPECT_FALSE(app->Checked(kFastSearchBox));
    EXPECT_TRUE(app->Rows().empty());
    EXPECT_FALSE(SettingsKeyGuard::Exists()) << "nothing is stored before the program closes";

    EXPECT_EQ(app->Exit(), 0u);
    EXPECT_EQ(SettingsKeyGuard::Value(L"search_pref"), L"10010010000");
    EXPECT_EQ(SettingsKeyGuard::Value(L"MAPI_MoveFolder"), L"");
    EXPECT_EQ(SettingsKeyGuard::Value(L"Item_Subject"), L"***DUPLICATE***");
    EXPECT_EQ(SettingsKeyGuard::Value(L"chklst1"), L"1011100000000000000");
    EXPECT_EQ(SettingsKeyGuard::Value(L"chklst3"), L"11000000000000000000");
    EXPECT_EQ(SettingsKeyGuard::Value(L"chklst6"), L"101100000000000000000");
    for (const wchar_t* layout : {L"SplitX", L"SplitY", L"TV1", L"TV2", L"Form1X", L"Form1Y", L"Form3X", L"Form3Y",
                                  L"AppX", L"AppY", L"SubWidth", L"FoldWidth"})
        EXPECT_TRUE(SettingsKeyGuard::Value(layout).has_value()) << gleaner::ToUtf8(layout);
    EXPECT_EQ(session.Contents(), before) << "a start and an exit change nothing in Outlook";
}

// Out of process, as against a running Outlook.
TEST(EndToEnd, StandardSearchListsEachCopyWithTheOldestKept)
{
    Session session(kSmallProfile, Outlook::OutOfProcess);
    auto app = session.Start();
    const SearchOutcome found = app->Search();

    EXPECT_EQ(found.status, L"6 duplicated items found.");
    EXPECT_NE(found.hint.find(L"6 duplicates found. If there are some duplicates that were not found,"),
              std::wstring::npos) << gleaner::ToUtf8(found.hint);
    EXPECT_NE(found.hint.find(kDontShowAgain), std::wstring::npos);
    const std::vector<Row> rows = app->Rows();
    ExpectTicksFollowCaptions(rows);
    // Rows in the order their items were first matched; the item examined first is kept.
    EXPECT_EQ(Column(rows, &Row::caption), Texts({L"n", L"c", L"c", L"n", L"c", L"c"}));
    EXPECT_EQ(Column(rows, &Row::subject), Texts({L"Report", L"Report", L"Report", L"Lunch", L"Lunch", L"Lunch"}));
    EXPECT_EQ(Column(rows, &Row::folder), Texts({kInbox, kInbox, kInbox, kInbox, kInbox, kKept}));
    EXPECT_GE(session.OutOfProcessCalls(L"Subject"), 7) << "every item's subject read across processes";
    EXPECT_EQ(app->Exit(), 0u);
}

TEST(EndToEnd, SameFolderOptionLimitsMatchesToOneFolderAndIsStored)
{
    Session session(kSmallProfile);
    auto app = session.Start();
    EXPECT_EQ(app->Search().rows, 6);
    EXPECT_EQ(Column(app->Rows(), &Row::folder).back(), kKept);

    OptionsDialog options = app->OpenOptions();
    options.SetChecked(L"Search for only same folder duplicates", true);
    options.Close();
    // The lunch in Kept no longer matches the two in the Inbox.
    EXPECT_EQ(app->Search().rows, 5);
    const std::vector<Row> rows = app->Rows();
    EXPECT_EQ(Column(rows, &Row::folder), Texts({kInbox, kInbox, kInbox, kInbox, kInbox}));
    ExpectTicksFollowCaptions(rows);

    // Unticking the Inbox leaves nothing to compare.
    app->SetFolderTick(kInbox, false);
    EXPECT_EQ(app->Search().rows, 0);
    EXPECT_EQ(app->Exit(), 0u);
    EXPECT_EQ(SettingsKeyGuard::Value(L"search_pref").value_or(L"").substr(5, 1), L"1");
}

TEST(EndToEnd, RestartKeepsTheChoicesOfTheLastRun)
{
    Session session(kSmallProfile);
    {
        auto app = session.Start();
        OptionsDialog options = app->OpenOptions(L"Remove Options...");
        options.Choose(L"Largest size");
        options.Choose(L"Modify subject for duplicates");
        options.SetSubjectMark(L"[dup] ");
        options.SetChecked(L"Search for only same folder duplicates", true);
        options.Close();
        // Ticking the box in the hint turns the hint off for good.
        app->Search(HintAnswer::DontShowAgain);
        EXPECT_EQ(app->Exit(), 0u);
    }
    EXPECT_EQ(SettingsKeyGuard::Value(L"search_pref"), L"00000101010");
    EXPECT_EQ(SettingsKeyGuard::Value(L"Item_Subject"), L"[dup] ");

    auto app = session.Start();
    OptionsDialog options = app->OpenOptions(L"Remove Options...");
    EXPECT_TRUE(options.IsOn(L"Largest size"));
    EXPECT_FALSE(options.IsOn(L"Oldest creation time"));
    EXPECT_TRUE(options.IsOn(L"Modify subject for duplicates"));
    EXPECT_FALSE(options.IsOn(L"Delete (permanetly)"));
    EXPECT_TRUE(options.IsOn(L"Search for only same folder duplicates"));
    EXPECT_EQ(options.SubjectMark(), L"[dup] ");
    options.Close();

    const SearchOutcome found = app->Search(HintAnswer::NotExpected);
    EXPECT_EQ(found.rows, 5);
    // The largest of each set is the original now.
    EXPECT_EQ(Column(app->Rows(), &Row::caption), Texts({L"c", L"n", L"c", L"c", L"n"}));
    EXPECT_EQ(app->Exit(), 0u);
}

// Signed mails have a message class of their own, which the standard search does not compare;
// the fast search keys every row of a mail folder with the mail columns.
TEST(EndToEnd, FastSearchReadsFoldersAsTablesAndKeysEveryRowByTheFolderKind)
{
    Session session(R"({ "stores": [ { "name": "Personal Folders", "folders": [
      { "name": "Inbox", "defaultItemType": 0, "items": [
        { "Subject": "Report", "Body": "weekly figures" },
        { "messageClass": "IPM.Note.SMIME", "Subject": "Signed", "Body": "sealed" },
        { "Subject": "Report", "Body": "weekly figures" },
        { "messageClass": "IPM.Note.SMIME", "Subject": "Signed", "Body": "sealed" },
        { "Subject": "Report", "Body": "other figures" } ] },
      { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [] } ] } ] })");
    auto app = session.Start();
    EXPECT_EQ(app->Search().rows, 2);

    app->SetChecked(kFastSearchBox, true);
    const SearchOutcome found = app->Search();
    EXPECT_EQ(found.status, L"4 duplicated items found.");
    const std::vector<Row> rows = app->Rows();
    ExpectTicksFollowCaptions(rows);
    EXPECT_EQ(Column(rows, &Row::subject), Texts({L"Report", L"Report", L"Signed", L"Signed"}));
    EXPECT_EQ(Column(rows, &Row::caption), Texts({L"n", L"c", L"n", L"c"}));
    EXPECT_EQ(app->Exit(), 0u);
    EXPECT_EQ(SettingsKeyGuard::Value(L"search_pref").value_or(L"").substr(10, 1), L"1") << "the box is stored";
}

// 20,000 items in four folders; the tree is sorted, so "Calendar 1" is searched first and
// "Mail 1" last.
std::string TwentyThousandItems()
{
    standin_bench::GeneratorOptions generated;
    generated.folders = 4; // Mail 1, Calendar 1, Contacts 1, Journal 1
    generated.itemsPerFolder = 5000;
    generated.duplicateShare = 0.1;
    generated.bodySize = 100;
    return standin_bench::GenerateProfile(generated);
}

// Starts a search and waits until it works on its first folder.
void SearchUntilTheFirstFolder(Gleaner& app)
{
    app.StartSearch();
    const std::wstring firstFolder = L"Searching for duplicates in \\Personal Folders\\Calendar 1";
    WaitUntil("the search to reach its first folder", [&] { return app.Status() == firstFolder; });
}

TEST(EndToEnd, CancelStopsASearchOfTwentyThousandItems)
{
    Session session(TwentyThousandItems());
    auto app = session.Start();
    SearchUntilTheFirstFolder(*app);
    app->Click(kCancelButton);
    const SearchOutcome found = app->FinishSearch(HintAnswer::Ok);

    EXPECT_TRUE(app->Enabled(kSearchButton));
    EXPECT_TRUE(app->Enabled(kProcessButton));
    const std::vector<Row> rows = app->Rows();
    EXPECT_EQ(static_cast<int>(rows.size()), found.rows);
    ExpectTicksFollowCaptions(rows);
    for (const Row& row : rows) {
        ASSERT_EQ(row.folder, L"\\Personal Folders\\Calendar 1") << "a folder after the cancel was searched";
    }
    EXPECT_EQ(app->Exit(), 0u);
    EXPECT_TRUE(gleaner::e2e::ReadFileBytes(session.profile() + L".journal").empty()) << "a search changes nothing";
}

// The close box during a search: the search stops, the settings are saved and the program
// ends cleanly once the search has returned.
TEST(EndToEnd, ClosingDuringASearchEndsTheProgramCleanly)
{
    Session session(TwentyThousandItems());
    auto app = session.Start();
    SearchUntilTheFirstFolder(*app);
    ::PostMessageW(app->MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0u);
    EXPECT_EQ(SettingsKeyGuard::Value(L"search_pref"), L"10010010000");
    EXPECT_TRUE(gleaner::e2e::ReadFileBytes(session.profile() + L".journal").empty());
}

TEST(EndToEnd, WithoutOutlookTheProgramSaysSoAndEnds)
{
    Session session(R"({ "unavailable": true, "stores": [] })");
    auto app = session.Start(false);
    HWND box = app->WaitForWindowTitled(kApplicationTitle, L"#32770");
    bool told = false;
    for (const std::wstring& text : app->ChildTexts(box))
        told = told || text.rfind(L"Please start Microsoft Outlook and click Gleaner toolbar to start Gleaner.", 0) == 0;
    EXPECT_TRUE(told);
    ::PostMessageW(app->Child(box, L"OK", L"Button"), BM_CLICK, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0u);

    const std::vector<std::string> logged = session.errorLog().NewLines();
    const auto createFailures = std::count_if(logged.begin(), logged.end(), [](const std::string& line) {
        return line.size() >= 17 && line.compare(line.size() - 17, 17, " FormCreate event") == 0;
    });
    EXPECT_EQ(createFailures, 1);
    EXPECT_TRUE(SettingsKeyGuard::Exists()) << "closing saves the settings, also this way";
}

TEST(EndToEnd, SupportReportReachesTheMailProgram)
{
    Session session(kSmallProfile);
    auto app = session.Start();
    app->Menu(L"Help", L"Send Error Report");
    std::string mail;
    WaitUntil("the support mail", [&] {
        mail = gleaner::e2e::ReadFileBytes(session.MailLog());
        return mail.find("\nfiles=") != std::string::npos;
    });
    EXPECT_NE(mail.find("subject=\"Gleaner support request\""), std::string::npos) << mail;
    EXPECT_NE(mail.find("body=\"Please describe your problem here.\""), std::string::npos) << mail;
    EXPECT_NE(mail.find("recipients=1\r\n"), std::string::npos) << mail;
    EXPECT_NE(mail.find("name=\"Gleaner.sys.log\""), std::string::npos) << mail;
    EXPECT_EQ(app->Exit(), 0u);
}


// Processing with each of the four actions, after the user has unticked one duplicate; Outlook
// out of process, as a running Outlook is.
struct ActionCase {
    const char* name;
    const wchar_t* radioButton;
    bool moveToArchive; // "Move to folder" needs the folder in the settings
    Contents changed;   // the folders whose items change
};

// Test names carry the case's name, not its bytes.
void PrintTo(const ActionCase& action, std::ostream* out) { *out << action.name; }

class Processing : public ::testing::TestWithParam<ActionCase> {};

TEST_P(Processing, TickedRowsGetTheChosenActionAndTheListEmpties)
{
    const ActionCase& action = GetParam();
    Session session(kSmallProfile, Outlook::OutOfProcess);
    Contents expected = session.Contents();
    for (const auto& [folder, subjects] : action.changed) expected[folder] = subjects;
    if (action.moveToArchive) {
        // The folder box is filled only by Outlook's folder picker or from the stored settings.
        EXPECT_EQ(session.Start()->Exit(), 0u);
        SettingsKeyGuard::SetString(L"MAPI_MoveFolder", kArchive);
    }
    auto app = session.Start();
    OptionsDialog options = app->OpenOptions(L"Remove Options...");
    if (action.moveToArchive) {
        EXPECT_EQ(options.MoveFolder(), kArchive);
    }
    options.Choose(action.radioButton);
    options.Close();

    ASSERT_EQ(app->Search().rows, 6);
    app->ToggleRowTick(2); // the third report stays
    EXPECT_EQ(Column(app->Rows(), &Row::caption), Texts({L"n", L"c", L"c", L"n", L"c", L"c"}));
    EXPECT_EQ(app->Process(), L"3 duplicates were removed successfully");
    EXPECT_TRUE(app->Rows().empty());
    EXPECT_EQ(app->Exit(), 0u);
    EXPECT_EQ(session.Contents(), expected);
}

const Contents kRemovedFromInboxAndKept = {{kInbox, {L"Report", L"Lunch", L"Report", L"Unique"}}, {kKept, {}}};

Contents With(Contents base, const wchar_t* folder, std::vector<std::wstring> subjects)
{
    base[folder] = std::move(subjects);
    return base;
}

INSTANTIATE_TEST_SUITE_P(
    EndToEnd, Processing,
    ::testing::Values(
        // Outlook's Delete moves items into Deleted Items: "permanetly" leaves them there.
        ActionCase{"DeletePermanently", L"Delete (permanetly)", false,
                   With(kRemovedFromInboxAndKept, kDeleted, {L"Report", L"Lunch", L"Lunch"})},
        ActionCase{"MoveToDeletedItems", L"Delete (move to deleted items)", false,
                   With(kRemovedFromInboxAndKept, kDeleted, {L"Report", L"Lunch", L"Lunch"})},
        ActionCase{"MoveToFolder", L"Move to folder", true,
                   With(kRemovedFromInboxAndKept, kArchive, {L"Report", L"Lunch", L"Lunch"})},
        ActionCase{"MarkSubject", L"Modify subject for duplicates", false,
                   {{kInbox, {L"Report", L"***DUPLICATE***Report", L"Lunch", L"Report", L"***DUPLICATE***Lunch", L"Unique"}},
                    {kKept, {L"***DUPLICATE***Lunch"}}}}),
    [](const ::testing::TestParamInfo<ActionCase>& info) { return std::string(info.param.name); });

} // namespace
