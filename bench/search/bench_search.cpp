// A whole standard search under Wine over a generated stand-in profile, against a raw read of
// the same members (Item, EntryID, Size, MessageClass and the ticked properties) without any
// matching; the calls per item from the stand-in's counters; the peak working set.
//   bench_search.exe [--folders 10] [--per-folder 10000] [--body 300] [--duplicates 0.1] [--no-pump 1]
// (--no-pump: the window is not handed its messages per item, to see what that costs)
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>

#include "BenchClock.h"
#include "ProfileGenerator.h"
#include "detect/ComparisonProfiles.h"
#include "detect/ItemSignature.h"
#include "detect/MatchEngine.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"
#include "platform/Sha256.h"
#include "results/Progress.h"
#include "results/ResultModel.h"

using namespace gleaner;
using standin_bench::Memory;
using standin_bench::Mb;
using standin_bench::Now;

namespace {

const wchar_t* kMembers[] = {L"Item", L"EntryID", L"Size", L"MessageClass", L"Subject", L"Body", L"GetItemFromID",
                             L"GetFolderFromID", L"Items", L"Parent", L"Name"};

} // namespace

int main(int argc, char** argv)
{
    standin_bench::GeneratorOptions options;
    options.folders = 10;
    options.itemsPerFolder = 10000;
    bool pump = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--folders")) options.folders = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-folder")) options.itemsPerFolder = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--body")) options.bodySize = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--no-pump")) pump = false;
        else if (!std::strcmp(argv[i], "--duplicates")) options.duplicateShare = std::atof(argv[i + 1]);
    }
    ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);

    wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"osr", 0, path);
    double profileMb = 0;
    {
        // Written and dropped before anything is measured.
        const std::string text = standin_bench::GenerateProfile(options);
        profileMb = text.size() / 1e6;
        UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        for (std::size_t done = 0; done < text.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
            if (!::WriteFile(file.get(), text.data() + done, chunk, &written, nullptr) || !written) return 1;
            done += written;
        }
    }
    ::SetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", path);
    const long items = static_cast<long>(options.folders) * options.itemsPerFolder;
    std::printf("%ld items in %d folders, body %d, %.1f MB profile\n", items, options.folders, options.bodySize,
                profileMb);
    {
        Dispatch app = Dispatch::Create(L"Outlook.Application");
        Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
        Dispatch control = app.getObject(L"StandIn");
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

        // Every item of every folder, with its EntryID and Size read, handed to `examine`.
        auto walk = [&](const auto& examine) {
            for (const auto& node : tree.Nodes()) {
                Dispatch itemsOf = ns.callObject(L"GetFolderFromID", node.entryId).getObject(L"Items");
                const int count = itemsOf.get(L"Count").toInt();
                for (int i = 1; i <= count; ++i) {
                    Dispatch item = itemsOf.callObject(L"Item", i);
                    item.get(L"EntryID");
                    item.get(L"Size");
                    examine(item);
                }
            }
        };

        // Raw read: the same members, no signature, no matching.
        control.call(L"ResetCounts");
        double a = Now();
        walk([&](const Dispatch& item) {
            const auto kind = KindFromMessageClass(item.get(L"MessageClass").toText());
            if (!kind) return;
            const auto rows = ProfileRows(*kind);
            for (std::size_t r = 0; r < rows.size(); ++r)
                if (profiles.ticked(*kind, r)) PropertyText(item, *rows[r]);
        });
        const double raw = Now() - a;
        std::printf("raw read: %.2f s\n", raw);

        // The same walk building each item's signature, then also its digest: what the search
        // adds per item before any matching.
        for (const bool digest : {false, true}) {
            a = Now();
            std::size_t keep = 0;
            walk([&](const Dispatch& item) {
                const std::wstring signature = ItemSignature(profiles).DuplicateSearch(item);
                keep += digest ? static_cast<unsigned char>(Sha256Key(signature)[0]) : signature.size();
            });
            std::printf("read with signatures%s: %.2f s (%.2f x the raw read)\n", digest ? " and digests" : "",
                        Now() - a, (Now() - a) / raw);
            if (keep == 0) std::printf(" ");
        }

        // The progress bar's step, which the search takes once per item.
        progress.Show();
        progress.SetRange(0, static_cast<int>(items));
        a = Now();
        for (long i = 0; i < items; ++i) progress.Step();
        std::printf("progress steps alone: %.2f s (%.2f x the raw read)\n", Now() - a, (Now() - a) / raw);

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
        // the search is what the search itself holds at its peak (the stand-in's store, which
        // lives in this process, is already loaded by then).
        SIZE_T highest = 0;
        long examined = 0;
        s.processMessages = [&] {
            if (++examined % 256 == 0) highest = std::max(highest, Memory().WorkingSetSize);
            if (pump) ProcessPendingMessages(window);
        };
        control.call(L"ResetCounts");
        const SIZE_T before = Memory().WorkingSetSize;
        a = Now();
        RunStandardSearch(s);
        const double search = Now() - a;
        std::printf("standard search: %.2f s, %zu rows (%.2f x the raw read)\n", search, rows.size(), search / raw);
        std::printf("calls per item:");
        for (const wchar_t* member : kMembers)
            std::printf(" %ls %.3f", member, control.call(L"CallCount", member).toInt() / static_cast<double>(items));
        std::printf("\nworking set before the search %.0f MB, highest during it %.0f MB (+%.0f MB), process peak %.0f MB\n",
                    Mb(before), Mb(std::max(highest, before)), Mb(std::max(highest, before) - before),
                    Mb(Memory().PeakWorkingSetSize));
        ::DestroyWindow(window);
    }
    ::DeleteFileW(path);
    ::DeleteFileW((std::wstring(path) + L".journal").c_str());
    return 0;
}
