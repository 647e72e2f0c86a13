#include "results/Progress.h"

#include <commctrl.h>

#include <vector>

namespace gleaner {

void ProgressDisplay::Attach(HWND statusBar, HWND progressBar)
{
    statusBar_ = statusBar;
    progressBar_ = progressBar;
    ::SendMessageW(progressBar_, PBM_SETSTEP, 1, 0);
    Hide();
}

void ProgressDisplay::SetPanelWidth(int width)
{
    int parts[] = {width, -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0 | SBT_OWNERDRAW, 0);
    // Placed now as well, not only at the next paint: a hidden window is never painted.
    RECT rect{};
    if (::SendMessageW(statusBar_, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&rect))) StatusBar1DrawPanel(0, rect);
}

void ProgressDisplay::Show()
{
    ::SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
    SetPanelWidth(kBusyWidth);
    ::ShowWindow(progressBar_, SW_SHOWNA);
    visible_ = true;
}

void ProgressDisplay::Hide()
{
    ::ShowWindow(progressBar_, SW_HIDE);
    SetPanelWidth(kIdleWidth);
    visible_ = false;
}

void ProgressDisplay::SetRange(int minimum, int maximum)
{
    ::SendMessageW(progressBar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void ProgressDisplay::SetPosition(int position) { ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }

void ProgressDisplay::Step() { ::SendMessageW(progressBar_, PBM_STEPIT, 0, 0); }

int ProgressDisplay::Position() const { return static_cast<int>(::SendMessageW(progressBar_, PBM_GETPOS, 0, 0)); }

void ProgressDisplay::SetStatusText(const std::wstring& text)
{
    ::SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring ProgressDisplay::StatusText() const
{
    const LRESULT length = LOWORD(::SendMessageW(statusBar_, SB_GETTEXTLENGTHW, 1, 0));
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    ::SendMessageW(statusBar_, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data());
}

void ProgressDisplay::StatusBar1DrawPanel(int panel, const RECT& rect)
{
    if (panel != 0 || !progressBar_) return;
    ::MoveWindow(progressBar_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

} // namespace gleaner
