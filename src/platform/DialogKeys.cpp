#include "platform/DialogKeys.h"

namespace gleaner {

HWND FocusIn(HWND window) noexcept
{
    HWND focus = ::GetFocus();
    return focus && ::IsChild(window, focus) ? focus : nullptr;
}

void MoveDialogFocus(HWND window, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND next = nullptr;
    if (LOWORD(lParam)) {
        next = reinterpret_cast<HWND>(wParam);
    } else {
        next = ::GetNextDlgTabItem(window, FocusIn(window), wParam != 0);
    }
    if (!next || !::IsChild(window, next)) return;
    // A text box reached by the keyboard has its text selected, as in a dialog.
    if (::SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) ::SendMessageW(next, EM_SETSEL, 0, -1);
    ::SetFocus(next);
}

LRESULT DefaultButtonId(HWND window, int defaultId) noexcept
{
    if (HWND focus = FocusIn(window)) {
        const LRESULT code = ::SendMessageW(focus, WM_GETDLGCODE, 0, 0);
        if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))
            return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
    }
    return defaultId ? MAKELRESULT(defaultId, DC_HASDEFID) : 0;
}

} // namespace gleaner
