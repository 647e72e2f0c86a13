#pragma once
// The status bar StatusBar1 and the progress bar ProgressBar1 that lives in its panel 0. The
// searches and processing drive it; panel 1 carries their status texts. Owns neither window.
#include <windows.h>

#include <string>

#include "platform/Dpi.h"

namespace gleaner {

class ProgressDisplay {
public:
    // Panel 0's width while idle and while a search or processing runs, at 96 DPI.
    static constexpr int kIdleWidth = 0;
    static constexpr int kBusyWidth = 300;

    // Takes over the status bar (two panels, panel 0 drawn by the program) and the progress
    // bar, which must already be a child of the status bar. Starts idle.
    void Attach(HWND statusBar, HWND progressBar);

    // The window's DPI, to which the panel's width is scaled.
    void SetDpi(int dpi);

    // Panel 0 to 300 pixels (at 96 DPI) with the progress bar at 0 in it / back to 0 pixels, bar hidden.
    void Show();
    void Hide();
    bool Visible() const noexcept { return visible_; }
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    // One step of 1, wrapping to the start past the maximum as the control's own step does.
    // The control is told only when the bar's filled width changes: each position change
    // repaints it at once, which would cost more than the work per item.
    void Step();
    int Position() const;
    // Panel 1's text.
    void SetStatusText(const std::wstring& text);
    std::wstring StatusText() const;

    // The status bar has a program-drawn panel to paint (WM_DRAWITEM from StatusBar1).
    void StatusBar1DrawPanel(int panel, const RECT& rect);

private:
    void SetPanelWidth(int width);
    // Takes the control's range and position as they now stand.
    void Reread();
    // Hands the control the steps it has not been told of.
    void Flush() const;
    int FilledWidth(long long position) const;

    HWND statusBar_ = nullptr;
    HWND progressBar_ = nullptr;
    bool visible_ = false;
    int dpi_ = kDesignDpi;
    int minimum_ = 0, maximum_ = 0;
    mutable int shown_ = 0;   // the control's position
    mutable int pending_ = 0; // steps since, not yet shown
};

} // namespace gleaner
