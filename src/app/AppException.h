#pragma once
// The application-wide exception policy: an exception that escapes a handler of any window
// is logged with its bare message, no dialog is shown, and the program goes on.
#include <windows.h>

#include <exception>

namespace gleaner {

// Cancels the current handler silently: neither shown nor logged.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Logs the exception's message with nothing added.
void ApplicationEvents1Exception(const std::exception& error);

// For a catch (...) block at a window procedure or COM boundary: hands the exception in
// flight to the application-wide handler. Never throws.
void HandleEscapedException() noexcept;

// Runs `work`; whatever escapes it goes to the application-wide handler.
template <typename Work>
bool RunGuarded(Work&& work) noexcept
{
    try {
        work();
        return true;
    } catch (...) {
        HandleEscapedException();
        return false;
    }
}

// The window procedure of a form object: binds the window to the object passed as the
// creation parameter, and runs every message through the guarded handler. A form's own
// static window procedure forwards here, naming its handle member and message handler.
template <typename Form, HWND Form::*Handle, LRESULT (Form::*Handler)(UINT, WPARAM, LPARAM)>
LRESULT FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->*Handle = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !(self->*Handle)) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!RunGuarded([&] { result = (self->*Handler)(message, wParam, lParam); })) return 0;
    return result;
}

} // namespace gleaner
