#pragma once
// What the system's dialog procedure does for the keyboard, for windows of our own classes
// that take their keys through IsDialogMessage: it asks them for the next control to focus
// (WM_NEXTDLGCTL, for arrow keys and the mnemonics of labels) and for the button that Enter
// clicks (DM_GETDEFID), and a window that is not a dialog has no answer of its own.
#include <windows.h>

namespace gleaner {

// WM_NEXTDLGCTL: with `lParam` set, focuses the control `wParam`; else the next tab stop
// after the focused control (the previous one when `wParam` is non-zero).
void MoveDialogFocus(HWND window, WPARAM wParam, LPARAM lParam) noexcept;

// DM_GETDEFID: the push button that has the focus, as in a dialog, else `defaultId`
// (0: none).
LRESULT DefaultButtonId(HWND window, int defaultId) noexcept;

// The focused control when it lies in `window`, else null.
HWND FocusIn(HWND window) noexcept;

} // namespace gleaner
