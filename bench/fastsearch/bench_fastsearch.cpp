// The fast search against the standard search under Wine, on one generated stand-in profile
// (first-start ticks, the default rule): the time of each, their ratio, a raw walk of the
// same record sets without matching, whether they list the
// same rows, Outlook's late-bound calls per item in the fast search (from the Outlook
// stand-in's counters) and the calls into the MAPI-table component per item.
//   bench_fastsearch.exe [--folders 10] [--per-folder 1000] [--body 300] [--duplicates 0.1]
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
#include "ProfileGenerator.h"
#include "detect/ComparisonProfiles.h"
#include "detect/FastSearch.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"
#include "results/Progress.h"
#include "results/ResultModel.h"

using namespace gleaner;
using standin_bench::Memory;
using standin_bench::Mb;
using standin_bench::Now;

namespace {

const wchar_t* kMembers[] = {L"GetFolderFromID", L"Items", L"Count", L"DefaultItemType", L"StandInTable", L"Item",
                             L"GetItemFromID", L"MessageClass", L"Size", L"Body", L"Subject", L"Location", L"Start",
                             L"End", L"Email1Address", L"FirstName", L"LastName", L"StartDate", L"DueDate",
                             L"Parent", L"Name", L"EntryID"};

long OutlookCalls(const Dispatch& control)
{
    long calls = 0;
    for (const wchar_t* member : kMembers) calls += control.call(L"CallCount", member).toInt();
    return calls;
}

std::vector<std::wstring> RowTexts(const ResultModel& rows)
{
    std::vector<std::wstring> out;
    for (std::size_t i = 0; i < rows.size(); ++i) out.push_back(rows.At(i).caption + rows.At(i).entryId.value_or(L""));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    standin_bench::GeneratorOptions options;
    options.folders = 10;
    options.itemsPerFolder = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--folders")) options.folders = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-folder")) options.itemsPerFolder = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--body")) options.bodySize = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--duplicates")) options.duplicateShare = std::atof(argv[i + 1]);
    }
    ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);

    const std::string text = standin_bench::GenerateProfile(options);
    wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"ofs", 0, path);
    {
        UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    ::SetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", path);
    const long items = static_cast<long>(options.folders) * options.itemsPerFolder;
    std::printf("%ld items in %d folders, body %d, %.1f MB profile\n", items, options.folders, options.bodySize,
                text.size() / 1e6);
    {
        Dispatch app = Dispatch::Create(L"Outlook.Application");
        Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
        Dispatch control = app.getObject(L"StandIn");
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

        // Raw walk: the same queries and field reads, no keys, no matching.
        double a = Now();
        for (const auto& node : tree.Nodes()) {
            Dispatch folder = ns.callObject(L"GetFolderFromID", node.entryId);
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
        const double raw = Now() - a;
        std::printf("raw record-set walk: %.2f s\n", raw);

        control.call(L"ResetCounts");
        a = Now();
        RunStandardSearch(s);
        const double standard = Now() - a;
        const std::vector<std::wstring> standardRows = RowTexts(rows);
        std::printf("standard search: %.2f s, %zu rows, %.2f Outlook calls per item\n", standard, rows.size(),
                    OutlookCalls(control) / static_cast<double>(items));

        control.call(L"ResetCounts");
        mapiTable.call(L"ResetCounts");
        a = Now();
        RunFastSearch(s);
        const double fast = Now() - a;
        const long componentCalls = mapiTable.get(L"CallCount").toInt() - 1; // this read
        std::printf("fast search: %.2f s, %zu rows (%s the standard search's); standard / fast = %.1f\n", fast,
                    rows.size(), RowTexts(rows) == standardRows ? "the same as" : "NOT the same as", standard / fast);
        std::printf("Outlook calls per item in the fast search:");
        const long outlookCalls = OutlookCalls(control);
        for (const wchar_t* member : kMembers) {
            const long calls = control.call(L"CallCount", member).toInt();
            if (calls) std::printf(" %ls %.4f", member, calls / static_cast<double>(items));
        }
        std::printf("\n  in all %.4f per item (%ld calls for %zu rows)\n", outlookCalls / static_cast<double>(items),
                    outlookCalls, rows.size());
        std::printf("MAPI-table and record-set calls per item: %.2f\n", componentCalls / static_cast<double>(items));
        std::printf("peak working set: %.0f MB\n", Mb(Memory().PeakWorkingSetSize));
        recordSet.reset();
        ::DestroyWindow(window);
    }
    ::DeleteFileW(path);
    ::DeleteFileW((std::wstring(path) + L".journal").c_str());
    return 0;
}
