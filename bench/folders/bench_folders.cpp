// Fills the folder tree from a profile of 2,000 folders (two stores, three levels below each,
// names in reverse order so that every level needs sorting) and reports the time per fill.
// Run under Wine with the stand-in registered (the tests register it in the build's prefix):
//   $GLEANER_BUILD/win/wine-run $GLEANER_BUILD/win/bench/folders/bench_folders.exe [runs]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Text.h"

using namespace gleaner;

namespace {

// One store: itself, 9 folders, 10 below each, 10 below those: 1,000 folders.
std::string StoreJson(int store)
{
    auto name = [](const char* stem, int i) {
        char text[32];
        std::snprintf(text, sizeof(text), "%s %03d", stem, 999 - i);
        return std::string(text);
    };
    std::string json = "{ \"name\": \"" + name("Store", store) + "\", \"folders\": [";
    for (int a = 0; a < 9; ++a) {
        json += std::string(a ? "," : "") + "{ \"name\": \"" + name("Folder", a) + "\", \"defaultItemType\": " +
                std::to_string(a % 8) + ", \"folders\": [";
        for (int b = 0; b < 10; ++b) {
            json += std::string(b ? "," : "") + "{ \"name\": \"" + name("Sub", b) + "\", \"folders\": [";
            for (int c = 0; c < 10; ++c) json += std::string(c ? "," : "") + "{ \"name\": \"" + name("Leaf", c) + "\" }";
            json += "] }";
        }
        json += "] }";
    }
    return json + "] }";
}

// The same Outlook reads as the fill, without the tree: what the automation calls cost alone.
int Walk(const Dispatch& folders)
{
    int count = folders.get(L"Count").toInt(), total = 0;
    for (int i = 1; i <= count; ++i) {
        Dispatch folder = folders.callObject(L"Item", i);
        folder.get(L"EntryID");
        folder.get(L"Name");
        folder.get(L"DefaultItemType");
        total += 1 + Walk(folder.getObject(L"Folders"));
    }
    return total;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
    ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring profile = std::wstring(temp) + L"gleaner-bench-folders.json";
    {
        std::ofstream out(profile.c_str(), std::ios::binary);
        out << "{ \"stores\": [" << StoreJson(0) << "," << StoreJson(1) << "] }";
    }
    ::SetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", profile.c_str());

    HWND parent = ::CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 300, 600, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    std::vector<double> times, walks;
    size_t nodes = 0;
    {
        Dispatch application = Dispatch::Create(L"Outlook.Application");
        Dispatch nameSpace = application.callObject(L"GetNamespace", L"MAPI");
        for (int run = 0; run < runs; ++run) {
            FolderTree tree;
            tree.Create(parent, 100);
            LARGE_INTEGER start, end;
            ::QueryPerformanceCounter(&start);
            tree.RetrieveOutlookFolders(nameSpace);
            ::QueryPerformanceCounter(&end);
            times.push_back(Seconds(start, end));
            std::printf("run %d: %.3f s\n", run + 1, times.back());
            nodes = tree.Nodes().size();
            ::DestroyWindow(tree.hwnd());

            ::QueryPerformanceCounter(&start);
            Walk(nameSpace.getObject(L"Folders"));
            ::QueryPerformanceCounter(&end);
            walks.push_back(Seconds(start, end));
        }
    }
    ::DestroyWindow(parent);
    ::DeleteFileW(profile.c_str());

    std::sort(times.begin(), times.end());
    std::sort(walks.begin(), walks.end());
    std::printf("folders in tree: %zu\n", nodes);
    std::printf("fill (RetrieveOutlookFolders) over %d runs: fastest %.3f s, median %.3f s, slowest %.3f s\n", runs,
                times.front(), times[times.size() / 2], times.back());
    std::printf("the same Outlook reads without the tree: median %.3f s\n", walks[walks.size() / 2]);
    return nodes == 2000 ? 0 : 1;
}
