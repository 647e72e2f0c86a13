#pragma once
// A shown top-level window hosting a FolderTree, forwarding WM_NOTIFY as the main window does;
// the error log goes to a fresh folder of the test's own.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"

class TreeHost {
public:
    TreeHost()
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"GleanerTreeHost";
        ::RegisterClassW(&wc); // fails harmlessly when already registered
        parent_ = ::CreateWindowExW(0, L"GleanerTreeHost", L"tree", WS_OVERLAPPEDWINDOW, 0, 0, 400, 600, nullptr,
                                    nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&tree));
        tree.Create(parent_, 100);
        ::MoveWindow(tree.hwnd(), 0, 0, 380, 560, TRUE);
        // Hidden: item rectangles and hit tests need no mapped window, and Wine waits on unmapping.


        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        logFolder_ = std::wstring(temp) + L"gleaner-tree-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                     std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++counter);
        gleaner::SetLogFolderForTesting(logFolder_);
    }
    ~TreeHost()
    {
        gleaner::SetLogFolderForTesting({});
        ::DestroyWindow(parent_);
    }

    // The messages of the error log (each line's text after the time stamp's date and time).
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

    HWND parent() const { return parent_; }

    gleaner::ComInit com;
    gleaner::FolderTree tree;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NOTIFY) {
            auto* tree = reinterpret_cast<gleaner::FolderTree*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            LRESULT result = 0;
            if (tree && tree->OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return result;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND parent_ = nullptr;
    std::wstring logFolder_;
};
