#include "results/Progress.h"

#include <commctrl.h>

#include <vector>

namespace gleaner {

void ProgressDisplay::Attach(HWND statusBar, HWND progressBar)
{
    statusBar_ = statusBar;
    progressBar_ = progressBar;
    ::SendMessageW(progressBar_, PBM_SETSTEP, 1, 0);
    Reread();
    Hide();
}

void ProgressDisplay::SetDpi(int dpi)
{
    dpi_ = dpi;
    if (statusBar_) SetPanelWidth(visible_ ? kBusyWidth : kIdleWidth);
}

void ProgressDisplay::SetPanelWidth(int width)
{
    int parts[] = {DpiScale(dpi_)(width), -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0 | SBT_OWNERDRAW, 0);
    // Placed now as well, not only at the next paint: a hidden window is never painted.
    RECT rect{};
    if (::SendMessageW(statusBar_, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&rect))) StatusBar1DrawPanel(0, rect);
}

void ProgressDisplay::Show()
{
    SetPosition(0);
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
    Flush();
    ::SendMessageW(progressBar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
    Reread();
}

void ProgressDisplay::Reread()
{
    PBRANGE range{};
    ::SendMessageW(progressBar_, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    minimum_ = range.iLow;
    maximum_ = range.iHigh;
    shown_ = static_cast<int>(::SendMessageW(progressBar_, PBM_GETPOS, 0, 0));
    pending_ = 0;
}

void ProgressDisplay::Flush() const
{
    if (!pending_) return;
    shown_ += pending_;
    pending_ = 0;
    ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(shown_), 0);
}

int ProgressDisplay::FilledWidth(long long position) const
{
    RECT client{};
    ::GetClientRect(progressBar_, &client);
    return static_cast<int>((position - minimum_) * (client.right - client.left) / (static_cast<long long>(maximum_) - minimum_));
}

void ProgressDisplay::SetPosition(int position)
{
    pending_ = 0;
    ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    Reread();
}

void ProgressDisplay::Step()
{
    // Past the maximum (or with no range) the control's own step decides where it goes.
    if (maximum_ <= minimum_ || static_cast<long long>(shown_) + pending_ + 1 > maximum_) {
        Flush();
        ::SendMessageW(progressBar_, PBM_STEPIT, 0, 0);
        Reread();
        return;
    }
    ++pending_;
    if (FilledWidth(static_cast<long long>(shown_) + pending_) != FilledWidth(shown_)) Flush();
}

int ProgressDisplay::Position() const
{
    Flush();
    return static_cast<int>(::SendMessageW(progressBar_, PBM_GETPOS, 0, 0));
}

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
