// The fast search against the standard search under Wine, on one stand-in profile (first-start
// ticks, the default rule): the time of each, their ratio, the least item-by-item read of the
// standard search's members (bench/standin/LeastRead.h) and a raw walk of the same record sets
// without matching, in the same run; whether both searches list the same rows; the round trips
// into Outlook of each per examined item and per result row (from the Outlook stand-in's
// counters) and the calls into the MAPI-table component per item.
//   bench_fastsearch.exe [--folders 10] [--per-folder 1000] [--body 300] [--duplicates 0.1]
//                        [--profile <file>] [--out-of-process 1]
// --profile: a profile file (Windows path) instead of a generated one; --out-of-process: Outlook
// is the stand-in's host, attached to as a running Outlook is (the MAPI-table component reads
// the store in this process all the same).
// The stand-ins must be registered in the prefix (any test run or scripts/demo does that).
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

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
#include "detect/FastSearch.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Text.h"
#include "results/Progress.h"
#include "results/ResultModel.h"

using namespace gleaner;
using standin_bench::Memory;
using standin_bench::Mb;
using standin_bench::Now;
using standin_bench::RoundTrips;

namespace {

const wchar_t* kMembers[] = {L"GetFolderFromID", L"Items", L"Count", L"DefaultItemType", L"Item",
                             L"GetItemFromID", L"MessageClass", L"Size", L"Body", L"Subject", L"Location", L"Start",
                             L"End", L"Email1Address", L"FirstName", L"LastName", L"StartDate", L"DueDate",
                             L"Parent", L"Name", L"EntryID", L"Application", L"StandIn", L"Sort",
                             L"Attachments", L"CreationTime", L"Type", L"Categories"};

std::vector<std::wstring> RowTexts(const ResultModel& rows)
{
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < rows.size(); ++i) out.push_back(rows.At(i).caption + rows.At(i).entryId.value_or(L""));
    return out;
}

// The fast search's queries and field reads, with no keys and no matching.
void RawRecordSetWalk(const Dispatch& ns, const Dispatch& mapiTable, const std::vector<std::wstring>& folders,
                      const ComparisonProfiles& profiles)
{
    for (const std::wstring& entryId : folders) {
        Dispatch folder = ns.callObject(L"GetFolderFromID", entryId);
        std::vector<std::wstring> columns;
        profiles.CheckedProps(folder.get(L"DefaultItemType").toInt(), columns);
        columns.push_back(L"Size");
        std::wstring query = L"SELECT EntryID";
        for (const auto& column : columns) query += L", " + column;
        mapiTable.put(L"Item", folder.get(L"Items"));
        Dispatch rs = mapiTable.callObject(L"ExecSQL", query + L" from Folder");
        Dispatch fields = rs.getObject(L"Fields");
        std::vector<Dispatch> read{fields.callObject(L"Item", L"EntryID")};
        for (const auto& column : columns) read.push_back(fields.callObject(L"Item", column));
        while (!rs.get(L"EOF").toBool()) {
            for (const Dispatch& field : read) VariantToText(field.get(L"Value"));
            rs.call(L"MoveNext");
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    standin_bench::GeneratorOptions options;
    options.folders = 10;
    options.itemsPerFolder = 1000;
    std::wstring profileFile;
    bool outOfProcess = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--folders")) options.folders = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-folder")) options.itemsPerFolder = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--body")) options.bodySize = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--duplicates")) options.duplicateShare = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--profile")) profileFile = FromUtf8(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--out-of-process")) outOfProcess = std::atoi(argv[i + 1]) != 0;
    }
    ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);

    const std::string text =
        profileFile.empty() ? standin_bench::GenerateProfile(options) : standin_bench::ReadProfileFile(profileFile);
    if (profileFile.empty())
        std::printf("generated: %d folders of %d items, body %d, duplicates %.2f\n", options.folders,
                    options.itemsPerFolder, options.bodySize, options.duplicateShare);
    else
        std::printf("profile: %ls\n", profileFile.c_str());
    std::printf("%.1f MB profile; Outlook %s\n", text.size() / 1e6, outOfProcess ? "OUT OF PROCESS" : "in process");
    {
        standin_bench::BenchOutlook outlook(text, outOfProcess);
        const Dispatch& control = outlook.control();
        Dispatch ns = outlook.application().callObject(L"GetNamespace", L"MAPI");
        Dispatch mapiTable = Dispatch::Create(L"vexla.MapiTable");
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

        ResultModel rows([](const std::wstring& x, const std::wstring& y) { return ::lstrcmpW(x.c_str(), y.c_str()); });
        SearchLists lists(rows);
        Dispatch recordSet;
        std::vector<std::wstring> columnList;
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
        s.mapiTable = &mapiTable;
        s.recordSet = &recordSet;
        s.columnList = &columnList;

        std::vector<std::wstring> folders;
        for (const auto& node : tree.Nodes())
            if (node.ticked) folders.push_back(node.entryId);
        const auto [items, least] = standin_bench::MeasureLeastRead(control, ns, folders, profiles, kMembers);
        double a = Now();
        RawRecordSetWalk(ns, mapiTable, folders, profiles);
        std::printf("raw record-set walk: %.3f s\n", Now() - a);

        control.call(L"ResetCounts");
        a = Now();
        RunStandardSearch(s);
        const double standard = Now() - a;
        const std::vector<std::wstring> standardRows = RowTexts(rows);
        std::printf("standard search: %.3f s, %zu rows; standard / least read = %.2f\n", standard, rows.size(),
                    standard / least);
        RoundTrips::Read(control, kMembers).Print("standard search", static_cast<double>(items),
                                                  static_cast<double>(rows.size()));

        control.call(L"ResetCounts");
        mapiTable.call(L"ResetCounts");
        a = Now();
        RunFastSearch(s);
        const double fast = Now() - a;
        const long componentCalls = mapiTable.get(L"CallCount").toInt() - 1; // this read
        std::printf("fast search: %.3f s, %zu rows (%s the standard search's); standard / fast = %.1f, "
                    "fast / least read = %.2f\n",
                    fast, rows.size(), RowTexts(rows) == standardRows ? "the same as" : "NOT the same as",
                    standard / fast, fast / least);
        RoundTrips::Read(control, kMembers).Print("fast search", static_cast<double>(items),
                                                  static_cast<double>(rows.size()));
        std::printf("  Invokes per item by member:");
        for (const wchar_t* member : kMembers) {
            const long calls = control.call(L"CallCount", member).toInt();
            if (calls) std::printf(" %ls %.4f", member, calls / static_cast<double>(items));
        }
        std::printf("\nMAPI-table and record-set calls per item: %.2f\n", componentCalls / static_cast<double>(items));
        std::printf("peak working set: %.0f MB\n", Mb(Memory().PeakWorkingSetSize));
        recordSet.reset();
        ::DestroyWindow(window);
    }
    return 0;
}
