#include "Tour.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "Gleaner.h"
#include "Scenario.h"
#include "Screenshot.h"
#include "platform/ComInit.h"
#include "platform/Text.h"
#include "support/OutlookHost.h"

namespace gleaner::e2e {

namespace {

void Say(const std::wstring& line)
{
    const std::string text = ToUtf8(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::size_t ItemCount(const std::map<std::wstring, std::vector<std::wstring>>& contents)
{
    std::size_t count = 0;
    for (const auto& [folder, subjects] : contents) count += subjects.size();
    return count;
}

// A store's Deleted Items, where Outlook's Delete puts the store's items (and deletes for good
// what is there already).
bool IsDeletedItems(const std::wstring& folderPath)
{
    const std::wstring tail = L"\\Deleted Items";
    return folderPath.size() > tail.size() && folderPath.compare(folderPath.size() - tail.size(), tail.size(), tail) == 0;
}

long long DeletedItemsCount(const std::map<std::wstring, std::vector<std::wstring>>& contents)
{
    long long count = 0;
    for (const auto& [folder, subjects] : contents) {
        if (IsDeletedItems(folder)) count += static_cast<long long>(subjects.size());
    }
    return count;
}

struct RowSummary {
    int ticked = 0;
    int tickedInDeletedItems = 0;
    int originals = 0;
    std::set<std::wstring> folders;
    bool ticksFollowCaptions = true;
};

RowSummary Summarise(const std::vector<Row>& rows)
{
    RowSummary summary;
    for (const Row& row : rows) {
        summary.ticked += row.ticked ? 1 : 0;
        summary.tickedInDeletedItems += row.ticked && IsDeletedItems(row.folder) ? 1 : 0;
        summary.originals += row.caption == L"n" ? 1 : 0;
        summary.folders.insert(row.folder);
        summary.ticksFollowCaptions = summary.ticksFollowCaptions && row.ticked == (row.caption == L"c");
    }
    return summary;
}

class Tour {
public:
    explicit Tour(const std::wstring& folder) : folder_(folder) {}

    // What a step found, and whether it did what it should.
    void Report(const std::wstring& found, bool ok)
    {
        Say((ok ? L"  ok    " : L"  FAIL  ") + found);
        failed_ = failed_ || !ok;
    }
    // The same, with a screenshot of the main window.
    void Step(Gleaner& app, const wchar_t* picture, const std::wstring& found, bool ok)
    {
        SaveScreenshot(app.MainWindow(), folder_ + L"\\" + picture);
        Report(found, ok);
        Say(L"        screenshot " + std::wstring(picture));
    }
    bool failed() const noexcept { return failed_; }

    // A search with "Fast Search" ticked or not: it must list originals and ticked duplicates.
    void SearchStep(Gleaner& app, bool fast, const wchar_t* picture)
    {
        Say(fast ? L"Fast search" : L"Standard search");
        app.SetChecked(kFastSearchBox, fast);
        const SearchOutcome found = app.Search();
        const RowSummary rows = Summarise(app.Rows());
        Step(app, picture,
             std::to_wstring(found.rows) + L" rows in " + std::to_wstring(rows.folders.size()) + L" folders: " +
                 std::to_wstring(rows.ticked) + L" ticked duplicates, " + std::to_wstring(rows.originals) +
                 L" originals kept (status: \"" + found.status + L"\")",
             found.rows > 0 && rows.ticked > 0 && rows.originals > 0 && rows.ticksFollowCaptions);
    }

private:
    std::wstring folder_;
    bool failed_ = false;
};

} // namespace

int RunTour(const std::wstring& exe, const std::wstring& screenshotFolder)
{
    ComInit com;
    try {
        // The tour starts from the first-start settings; the user's own come back afterwards.
        SettingsKeyGuard settings;
        const auto before = ProfileContents();
        LaunchOptions options;
        options.exe = exe;
        wchar_t profile[MAX_PATH * 2] = {};
        ::GetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", profile, MAX_PATH * 2);
        options.profile = profile;
        Tour tour(screenshotFolder);

        // Outlook runs before the program, in a process of its own, as the user's Outlook does:
        // the program attaches to it, and every call of the tour crosses processes.
        Say(L"Outlook (the stand-in's host) started out of process");
        std::optional<test::OutlookHost> outlook(std::in_place, options.profile);

        Say(L"Start-up");
        Gleaner app(options);
        app.WaitForMainWindow();
        const std::vector<TreeNode> tree = app.Tree();
        bool allTicked = !tree.empty();
        for (const TreeNode& node : tree) allTicked = allTicked && node.ticked;
        tour.Step(app, L"1-start-up.png",
                  std::to_wstring(tree.size()) + L" folders in the tree, all ticked; profile of " +
                      std::to_wstring(ItemCount(before)) + L" items",
                  allTicked);

        tour.SearchStep(app, false, L"2-standard-search.png");
        tour.SearchStep(app, true, L"3-fast-search.png");

        Say(L"Processing with the default action, Delete (permanetly)");
        const RowSummary toProcess = Summarise(app.Rows());
        const int ticked = toProcess.ticked;
        const std::wstring processed = app.Process();
        const bool listEmpty = app.Rows().empty();
        tour.Step(app, L"4-processed.png", L"status: \"" + processed + L"\"; the result list is empty",
                  processed == std::to_wstring(ticked) + L" duplicates were removed successfully" && listEmpty);

        Say(L"Exit");
        const DWORD code = app.Exit();
        const long served = outlook->CallCount(L"GetNamespace");
        const DWORD outlookCode = outlook->End();
        outlook.reset();
        tour.Report(L"Outlook out of process: the program attached " + std::to_wstring(served) +
                        L" time(s); it ended with exit code " + std::to_wstring(outlookCode),
                    served > 0 && outlookCode == 0);
        const auto after = ProfileContents();
        // Outlook's Delete moves each ticked item into its store's Deleted Items, and deletes for
        // good those that were there already.
        const long long gone = static_cast<long long>(ItemCount(before)) - static_cast<long long>(ItemCount(after));
        const long long intoBin = DeletedItemsCount(after) - DeletedItemsCount(before) + gone;
        tour.Report(L"exit code " + std::to_wstring(code) + L"; of " + std::to_wstring(ticked) + L" ticked items " +
                        std::to_wstring(intoBin) + L" went into Deleted Items and " + std::to_wstring(gone) +
                        L" were deleted for good from there; the profile holds " + std::to_wstring(ItemCount(after)) +
                        L" of its " + std::to_wstring(ItemCount(before)) + L" items",
                    code == 0 && gone == toProcess.tickedInDeletedItems && intoBin == ticked - gone);
        return tour.failed() ? 1 : 0;
    } catch (const std::exception& error) {
        Say(L"  FAIL  " + FromUtf8(error.what()));
        return 1;
    }
}

} // namespace gleaner::e2e
