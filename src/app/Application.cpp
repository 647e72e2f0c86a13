#include "app/Application.h"

#include "app/AppException.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TApplication";

} // namespace

TApplication::~TApplication()
{
    if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND TApplication::Create()
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (!::GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &TApplication::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = ::LoadIconW(instance, L"MAINICON");
        windowClass.lpszClassName = kClassName;
        ::RegisterClassExW(&windowClass);
    }
    // Zero-sized in the middle of the screen: the title is seen only on the task bar.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    hwnd_ = ::CreateWindowExW(0, kClassName, kApplicationTitle,
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                              nullptr, nullptr, instance, this);
    return hwnd_;
}

void TApplication::Show()
{
    if (hwnd_) ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

int TApplication::Run()
{
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (accelerators_ && mainForm_ && ::IsWindow(mainForm_) &&
            ::TranslateAcceleratorW(mainForm_, accelerators_, &message))
            continue;
        // Tab, arrows and mnemonics between the controls of the window the message is for, the
        // main window or the Options dialog; Enter for its default button, Esc.
        HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root && root != hwnd_ && ::IsDialogMessageW(root, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TApplication*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->hwnd_) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!RunGuarded([&] { result = self->OnMessage(message, wParam, lParam); })) return 0;
    return result;
}

LRESULT TApplication::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE: // the task bar button was clicked: the main window takes over
        if (LOWORD(wParam) != WA_INACTIVE && mainForm_ && ::IsWindowEnabled(mainForm_)) ::SetActiveWindow(mainForm_);
        return 0;
    case WM_CLOSE: // "Close window" on the task bar button closes the main window
        if (mainForm_) ::PostMessageW(mainForm_, WM_CLOSE, 0, 0);
        return 0;
    case WM_NCDESTROY: {
        HWND window = hwnd_;
        hwnd_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    default:
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

} // namespace gleaner
