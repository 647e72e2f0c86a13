#include "app/Splitter.h"

#include <windowsx.h>

#include "app/AppException.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TSplitter";

void RegisterClassOnce(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    if (::GetClassInfoExW(instance, kClassName, &windowClass)) return;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassExW(&windowClass);
}

} // namespace

HWND Splitter::Create(HWND parent, int controlId, Direction direction, std::function<void(int)> moved)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterClassOnce(instance);
    direction_ = direction;
    moved_ = std::move(moved);
    hwnd_ = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 4, 4, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Splitter::WindowProc));
    }
    return hwnd_;
}

LRESULT CALLBACK Splitter::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Splitter*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!RunGuarded([&] { result = self->OnMessage(message, wParam, lParam); })) return 0;
    return result;
}

LRESULT Splitter::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, direction_ == Direction::Vertical ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    case WM_LBUTTONDOWN:
        grip_ = direction_ == Direction::Vertical ? GET_X_LPARAM(lParam) : GET_Y_LPARAM(lParam);
        ::SetCapture(hwnd_);
        return 0;
    case WM_MOUSEMOVE:
        if (::GetCapture() == hwnd_) OnMouseMove(lParam);
        return 0;
    case WM_LBUTTONUP:
        if (::GetCapture() == hwnd_) ::ReleaseCapture();
        return 0;
    default:
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Splitter::OnMouseMove(LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(hwnd_, ::GetParent(hwnd_), &point, 1);
    const int edge = (direction_ == Direction::Vertical ? point.x : point.y) - grip_;
    if (moved_) moved_(edge);
}

} // namespace gleaner

