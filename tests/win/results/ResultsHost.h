#pragma once
// A top-level window laid out like the main window's right side: ListView2 over Memo1 and a
// status bar with the progress bar in it, forwarding WM_NOTIFY and WM_DRAWITEM as TForm1 does.
// The error log goes to a fresh folder of the test's own.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "results/Progress.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"

class ResultsHost {
public:
    ResultsHost() : list(model, nameSpace)
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&init);
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"GleanerResultsHost";
        ::RegisterClassW(&wc); // fails harmlessly when already registered
        parent_ = ::CreateWindowExW(0, L"GleanerResultsHost", L"results", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                    nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        listView = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                     WS_CHILD | WS_VISIBLE | gleaner::ResultList::kListStyle, 0, 0, 600, 300, parent_,
                                     nullptr, wc.hInstance, nullptr);
        memo = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 300, 600, 100,
                                 parent_, nullptr, wc.hInstance, nullptr);
        statusBar = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                      parent_, nullptr, wc.hInstance, nullptr);
        progressBar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 10, 10, statusBar, nullptr,
                                        wc.hInstance, nullptr);
        list.Attach(listView, memo);
        progress.Attach(statusBar, progressBar);
        // Hidden: hit tests and item rectangles need no mapped window, and Wine waits on unmapping.

        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        logFolder_ = std::wstring(temp) + L"gleaner-results-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                     std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++counter);
        gleaner::SetLogFolderForTesting(logFolder_);
    }
    ~ResultsHost()
    {
        gleaner::SetLogFolderForTesting({});
        ::DestroyWindow(parent_);
    }
    ResultsHost(const ResultsHost&) = delete;
    ResultsHost& operator=(const ResultsHost&) = delete;

    // Appends a row as a search would, and shows it.
    gleaner::RowId AddRow(const std::wstring& caption, const std::wstring& subject, const std::wstring& folder,
                          const std::wstring& entryId)
    {
        const gleaner::RowId id = model.Append(caption, caption == L"c");
        model.AddSubItem(id, subject);
        model.AddSubItem(id, folder);
        if (!entryId.empty()) model.SetEntryId(id, entryId);
        list.Refresh();
        return id;
    }

    // The messages of the error log, each line whole.
    std::vector<std::string> LogLines() const
    {
        std::ifstream in(gleaner::ErrorLogPath().c_str(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // Hands every waiting message to its window.
    static void Pump()
    {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // A press and release of the left button at `point` of `window` (two for a double-click),
    // queued as the system would queue them, then handled.
    static void Click(HWND window, POINT point, bool twice = false)
    {
        const LPARAM at = MAKELPARAM(point.x, point.y);
        ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(window, WM_LBUTTONUP, 0, at);
        if (twice) {
            ::PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            ::PostMessageW(window, WM_LBUTTONUP, 0, at);
        }
        Pump();
    }
    // Points inside row `index` of the list: on its check box, and on its subject.
    POINT CheckBoxOf(int index) const
    {
        RECT bounds{};
        ListView_GetItemRect(listView, index, &bounds, LVIR_BOUNDS);
        return {bounds.left + 8, (bounds.top + bounds.bottom) / 2};
    }
    POINT SubjectOf(int index) const
    {
        RECT bounds{};
        ListView_GetSubItemRect(listView, index, 1, LVIR_BOUNDS, &bounds);
        return {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    }
    // The tick the control shows for row `index`.
    bool ShownTick(int index) const
    {
        return (ListView_GetItemState(listView, index, LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    std::wstring ShownText(int index, int column) const
    {
        wchar_t text[256] = {};
        ListView_GetItemText(listView, index, column, text, 256);
        return text;
    }

    std::wstring MemoText() const
    {
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(memo)) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(memo, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    gleaner::ComInit com;
    gleaner::Dispatch nameSpace;
    gleaner::ResultModel model{gleaner::CompareLocaleText};
    gleaner::ResultList list;
    gleaner::ProgressDisplay progress;
    HWND listView = nullptr;
    HWND memo = nullptr;
    HWND statusBar = nullptr;
    HWND progressBar = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ResultsHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_NOTIFY) {
            LRESULT result = 0;
            if (self->list.OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return result;
        }
        if (self && message == WM_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->hwndItem == self->statusBar)
                self->progress.StatusBar1DrawPanel(static_cast<int>(item->itemID), item->rcItem);
            return TRUE;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND parent_ = nullptr;
    std::wstring logFolder_;
};
