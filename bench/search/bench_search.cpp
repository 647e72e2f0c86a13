// A whole standard search under Wine, against the least item-by-item read of the same members
// (bench/standin/LeastRead.h) on the same profile in the same run; the round trips of each per
// examined item and per result row from the stand-in's counters; the peak working set.
//   bench_search.exe [--folders 10] [--per-folder 10000] [--body 300] [--duplicates 0.1]
//                    [--profile <file>] [--out-of-process 1] [--no-pump 1]
// --profile: a profile file (Windows path, e.g. the demo's) instead of a generated one.
// --out-of-process: Outlook is the stand-in's host, attached to as a running Outlook is; every
//   call crosses processes (about 1.3 ms each under Wine): keep such profiles small.
// --no-pump: the window is not handed its messages per item, to see what that costs.
// In process it also times the signature text and digests the search builds, and the progress
// bar's steps.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchOutlook.h"
#include "LeastRead.h"
#include "ProfileGenerator.h"
#include "RoundTrips.h"
#include "detect/ComparisonProfiles.h"
#include "detect/ItemSignature.h"
#include "detect/MatchEngine.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Sha256.h"
#include "platform/Text.h"
#include "results/Progress.h"
#include "results/ResultModel.h"

using namespace gleaner;
using standin_bench::Memory;
using standin_bench::Mb;
using standin_bench::Now;
using standin_bench::RoundTrips;

namespace {

// What the search and the least read call, for the counts without per-kind counters.
const wchar_t* kMembers[] = {L"GetFolderFromID", L"DefaultItemType", L"Items", L"Count", L"Item", L"EntryID",
                             L"Size", L"MessageClass", L"Subject", L"Body", L"GetItemFromID", L"Parent", L"Name",
                             L"Sort", L"Attachments", L"Start", L"End", L"Location", L"FirstName", L"LastName",
                             L"Email1Address", L"StartDate", L"DueDate", L"CreationTime", L"Type", L"Categories"};

struct Options {
    standin_bench::GeneratorOptions generated;
    std::wstring profileFile;
    bool outOfProcess = false;
    bool pump = true;
};

Options Parse(int argc, char** argv)
{
    Options o;
    o.generated.folders = 10;
    o.generated.itemsPerFolder = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--folders")) o.generated.folders = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-folder")) o.generated.itemsPerFolder = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--body")) o.generated.bodySize = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--duplicates")) o.generated.duplicateShare = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--profile")) o.profileFile = FromUtf8(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--out-of-process")) o.outOfProcess = std::atoi(argv[i + 1]) != 0;
        else if (!std::strcmp(argv[i], "--no-pump")) o.pump = std::atoi(argv[i + 1]) == 0;
    }
    return o;
}

// The signature walks and the progress steps: what the search adds per item before any matching.
void TimeSignatures(const Dispatch& ns, const std::vector<std::wstring>& folders, const ComparisonProfiles& profiles,
                    ProgressDisplay& progress, long items, double least)
{
    for (const bool digest : {false, true}) {
        const double a = Now();
        std::size_t keep = 0;
        for (const std::wstring& entryId : folders) {
            Dispatch itemsOf = ns.callObject(L"GetFolderFromID", entryId).getObject(L"Items");
            for (int i = 1, n = itemsOf.get(L"Count").toInt(); i <= n; ++i) {
                Dispatch item = itemsOf.callObject(L"Item", i);
                item.get(L"EntryID");
                item.get(L"Size");
                const std::wstring signature = ItemSignature(profiles).DuplicateSearch(item);
                keep += digest ? static_cast<unsigned char>(Sha256Key(signature)[0]) : signature.size();
            }
        }
        const double t = Now() - a;
        std::printf("read with signatures%s: %.2f s (%.2f x the least read)%s\n", digest ? " and digests" : "", t,
                    t / least, keep == 0 ? " " : "");
    }
    progress.Show();
    progress.SetRange(0, static_cast<int>(items));
    const double a = Now();
    for (long i = 0; i < items; ++i) progress.Step();
    std::printf("progress steps alone: %.2f s (%.2f x the least read)\n", Now() - a, (Now() - a) / least);
}

// The round trips of what ran since the last ResetCounts, and the Invokes per item by member.
void PrintCounts(const Dispatch& control, const char* label, long items, std::size_t rows)
{
    RoundTrips::Read(control, kMembers).Print(label, static_cast<double>(items), static_cast<double>(rows));
    std::printf("  Invokes per item by member:");
    for (const wchar_t* member : kMembers) {
        const long calls = control.call(L"CallCount", member).toInt();
        if (calls) std::printf(" %ls %.3f", member, calls / static_cast<double>(items));
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = Parse(argc, argv);
    ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);

    const std::string text = options.profileFile.empty() ? standin_bench::GenerateProfile(options.generated)
                                                         : standin_bench::ReadProfileFile(options.profileFile);
    if (options.profileFile.empty())
        std::printf("generated: %d folders of %d items, body %d, duplicates %.2f\n", options.generated.folders,
                    options.generated.itemsPerFolder, options.generated.bodySize, options.generated.duplicateShare);
    else
        std::printf("profile: %ls\n", options.profileFile.c_str());
    std::printf("%.1f MB profile; Outlook %s\n", text.size() / 1e6, options.outOfProcess ? "OUT OF PROCESS" : "in process");
    {
        standin_bench::BenchOutlook outlook(text, options.outOfProcess);
        std::printf("Outlook started and the profile loaded in %.2f s\n", outlook.startSeconds());
        const Dispatch& control = outlook.control();
        Dispatch ns = outlook.application().callObject(L"GetNamespace", L"MAPI");
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        HWND window = ::CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                        nullptr, instance, nullptr);
        auto child = [&](const wchar_t* cls, HWND parent) {
            return ::CreateWindowExW(0, cls, L"", WS_CHILD, 0, 0, 100, 20, parent, nullptr, instance, nullptr);
        };
        HWND statusBar = child(STATUSCLASSNAMEW, window);
        ProgressDisplay progress;
        progress.Attach(statusBar, child(PROGRESS_CLASSW, statusBar));
        FolderTree tree;
        tree.Create(window, 100);
        tree.RetrieveOutlookFolders(ns);
        ComparisonProfiles profiles;
        profiles.ApplyFirstStart();
        std::vector<std::wstring> folders;
        for (const auto& node : tree.Nodes())
            if (node.ticked) folders.push_back(node.entryId);

        const auto [items, least] = standin_bench::MeasureLeastRead(control, ns, folders, profiles, kMembers);
        if (!options.outOfProcess) TimeSignatures(ns, folders, profiles, progress, items, least);

        ResultModel rows([](const std::wstring& x, const std::wstring& y) { return ::lstrcmpW(x.c_str(), y.c_str()); });
        SearchLists lists(rows);
        bool cancel = false, showFound = false;
        SearchSurface s;
        s.owner = window;
        s.progress = &progress;
        s.nameSpace = &ns;
        s.tree = &tree;
        s.rows = &rows;
        s.lists = &lists.Engine();
        s.profiles = [&]() -> const ComparisonProfiles& { return profiles; };
        s.originalRule = [] { return OriginalItemButtons{}; };
        s.cancelRequested = &cancel;
        s.showFoundMessage = &showFound;
        // The working set is sampled every 256 items: its highest value less the value before
        // the search is what the search itself holds at its peak (in process, the stand-in's
        // store is already loaded by then).
        SIZE_T highest = 0;
        long examined = 0;
        s.processMessages = [&] {
            if (++examined % 256 == 0) highest = std::max(highest, Memory().WorkingSetSize);
            if (options.pump) ProcessPendingMessages(window);
        };
        control.call(L"ResetCounts");
        const SIZE_T before = Memory().WorkingSetSize;
        const double a = Now();
        RunStandardSearch(s);
        const double search = Now() - a;
        std::printf("standard search: %.3f s, %zu rows; search / least read = %.2f\n", search, rows.size(),
                    search / least);
        PrintCounts(control, "standard search", items, rows.size());
        std::printf("working set before the search %.0f MB, highest during it %.0f MB (+%.0f MB), process peak %.0f MB\n",
                    Mb(before), Mb(std::max(highest, before)), Mb(std::max(highest, before) - before),
                    Mb(Memory().PeakWorkingSetSize));
        ::DestroyWindow(window);
    }
    return 0;
}
