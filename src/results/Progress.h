#pragma once
// The status bar StatusBar1 and the progress bar ProgressBar1 that lives in its panel 0. The
// searches and processing drive it; panel 1 carries their status texts. Owns neither window.
#include <windows.h>

#include <string>

namespace gleaner {

class ProgressDisplay {
public:
    // Panel 0's width while idle and while a search or processing runs.
    static constexpr int kIdleWidth = 0;
    static constexpr int kBusyWidth = 300;

    // Takes over the status bar (two panels, panel 0 drawn by the program) and the progress
    // bar, which must already be a child of the status bar. Starts idle.
    void Attach(HWND statusBar, HWND progressBar);

    // Panel 0 to 300 pixels with the progress bar at 0 in it / back to 0 pixels, bar hidden.
    void Show();
    void Hide();
    bool Visible() const noexcept { return visible_; }
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    // One step of 1.
    void Step();
    int Position() const;
    // Panel 1's text.
    void SetStatusText(const std::wstring& text);
    std::wstring StatusText() const;

    // The status bar has a program-drawn panel to paint (WM_DRAWITEM from StatusBar1).
    void StatusBar1DrawPanel(int panel, const RECT& rect);

private:
    void SetPanelWidth(int width);

    HWND statusBar_ = nullptr;
    HWND progressBar_ = nullptr;
    bool visible_ = false;
};

} // namespace gleaner
