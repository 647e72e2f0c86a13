// Resizes the running Gleaner main window (for the screenshots of tests/e2e/screenshots.sh):
// resize_window <client width> <client height>
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 2;
    HWND window = nullptr;
    for (int i = 0; i < 100 && !window; ++i) {
        window = ::FindWindowW(L"TForm1", nullptr);
        if (!window) ::Sleep(100);
    }
    if (!window) return 1;
    RECT bounds{0, 0, static_cast<LONG>(std::wcstol(argv[1], nullptr, 10)),
                static_cast<LONG>(std::wcstol(argv[2], nullptr, 10))};
    ::AdjustWindowRectEx(&bounds, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), TRUE,
                         static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
    ::SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}
