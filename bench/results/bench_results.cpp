// Adds rows to a shown result list the way a search does (append, refresh, hand the window its
// messages, once per row), then sorts them by "Subject" both ways and by "Folder".
// Usage: bench_results [rows]   (default 100000)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"

namespace {

gleaner::ResultList* g_list = nullptr;

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && g_list) {
        LRESULT result = 0;
        if (g_list->OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return result;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

double Now()
{
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Word(std::mt19937& random)
{
    static const wchar_t* words[] = {L"Meeting", L"meeting", L"Report", L"r\x00E9sum\x00E9", L"Lunch", L"budget",
                                     L"Budget", L"Invoice", L"invoice", L"Trip", L"\x00C4nderung", L"Zebra"};
    return words[random() % (sizeof(words) / sizeof(words[0]))];
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::size_t rows = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 100000;
    gleaner::ComInit com;
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GleanerResultsBench";
    ::RegisterClassW(&wc);
    HWND parent = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                    nullptr, wc.hInstance, nullptr);
    HWND listView = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                      WS_CHILD | WS_VISIBLE | gleaner::ResultList::kListStyle, 0, 0, 620, 440, parent,
                                      nullptr, wc.hInstance, nullptr);
    gleaner::ResultModel model(gleaner::CompareLocaleText);
    gleaner::Dispatch none;
    gleaner::ResultList list(model, none);
    g_list = &list;
    list.Attach(listView, nullptr);
    ::ShowWindow(parent, SW_SHOW);
    Pump();

    std::mt19937 random(7);
    auto addRows = [&](std::size_t count, bool refresh, bool pump) {
        list.ClearRows();
        Pump();
        const double start = Now();
        for (std::size_t i = 0; i < count; ++i) {
            const auto id = model.Append(i % 3 ? L"c" : L"n", i % 3 != 0);
            model.AddSubItem(id, Word(random) + L" " + std::to_wstring(random() % 100000) + L" " + Word(random));
            model.AddSubItem(id, L"\\Personal Folders\\" + Word(random));
            model.SetEntryId(id, std::to_wstring(i));
            if (refresh) list.Refresh();
            if (pump) Pump();
        }
        list.Refresh();
        // Rows out of sight reach the control from its timer, once messages are handled.
        while (static_cast<std::size_t>(ListView_GetItemCount(listView)) != model.size()) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
        const double took = Now() - start;
        std::printf("add %zu rows, %s: %.2f s (%.1f us per row)\n", count,
                    refresh ? (pump ? "refresh and messages per row" : "refresh per row, no messages")
                            : "messages per row, one refresh at the end",
                    took, took * 1e6 / static_cast<double>(count));
    };
    const std::size_t sample = std::min<std::size_t>(rows, 2000);
    addRows(sample, false, true);
    addRows(rows, true, false);
    addRows(rows, true, true);

    // Scrolled to the end, as a user watching the search would be.
    ListView_EnsureVisible(listView, static_cast<int>(rows) - 1, FALSE);
    Pump();

    const struct {
        int column;
        const char* what;
    } sorts[] = {{1, "sort by Subject, ascending"}, {1, "sort by Subject, descending"}, {2, "sort by Folder, ascending"}};
    double start = 0;
    for (const auto& sort : sorts) {
        start = Now();
        list.ListView2ColumnClick(sort.column);
        ::UpdateWindow(listView);
        std::printf("%s (with repaint): %.2f s\n", sort.what, Now() - start);
    }

    wchar_t first[64] = {}, last[64] = {};
    ListView_GetItemText(listView, 0, 2, first, 64);
    ListView_GetItemText(listView, static_cast<int>(rows) - 1, 2, last, 64);
    std::printf("first folder: %ls, last folder: %ls\n", first, last);

    start = Now();
    list.ClearRows();
    ::UpdateWindow(listView);
    std::printf("clear: %.3f s\n", Now() - start);
    ::DestroyWindow(parent);
    return 0;
}
