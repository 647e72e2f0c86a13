// The progress bar in panel 0 of the status bar, as the searches and processing drive it.
#include <gtest/gtest.h>

#include "ResultsHost.h"

namespace {

int PanelZeroWidth(HWND statusBar)
{
    int edges[2] = {};
    EXPECT_EQ(::SendMessageW(statusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges)), 2);
    return edges[0];
}

RECT ChildRect(HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Shown(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(ProgressTest, ShownInA300PixelPanelWhileWorkRunsAndGoneWhenIdle)
{
    ResultsHost host;
    EXPECT_EQ(PanelZeroWidth(host.statusBar), 0);
    EXPECT_FALSE(Shown(host.progressBar));

    host.progress.SetPosition(7);
    host.progress.Show();
    EXPECT_EQ(PanelZeroWidth(host.statusBar), 300);
    EXPECT_TRUE(Shown(host.progressBar));
    EXPECT_EQ(host.progress.Position(), 0);
    RECT panel{};
    ::SendMessageW(host.statusBar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&panel));
    const RECT bar = ChildRect(host.progressBar);
    EXPECT_TRUE(::EqualRect(&panel, &bar));
    EXPECT_EQ(panel.right - panel.left, 300 - panel.left);

    host.progress.SetRange(0, 10);
    for (int i = 0; i < 3; ++i) host.progress.Step();
    EXPECT_EQ(host.progress.Position(), 3);
    host.progress.SetStatusText(L"Searching...");
    EXPECT_EQ(host.progress.StatusText(), L"Searching...");

    host.progress.Hide();
    EXPECT_EQ(PanelZeroWidth(host.statusBar), 0);
    EXPECT_FALSE(Shown(host.progressBar));
    EXPECT_EQ(host.progress.StatusText(), L"Searching...");
}

TEST(ProgressTest, DrawPanelPlacesTheBarOnPanelZeroOnly)
{
    ResultsHost host;
    const RECT before = ChildRect(host.progressBar);
    host.progress.StatusBar1DrawPanel(1, RECT{310, 2, 400, 20});
    const RECT unmoved = ChildRect(host.progressBar);
    EXPECT_TRUE(::EqualRect(&before, &unmoved));
    const RECT target{0, 2, 300, 20};
    host.progress.StatusBar1DrawPanel(0, target);
    const RECT moved = ChildRect(host.progressBar);
    EXPECT_TRUE(::EqualRect(&target, &moved));
}


// The bar skips telling the control of steps that would not change its filled width; what it
// shows must still be, pixel for pixel, what a control stepped every time shows, wraps included.
TEST(ProgressTest, StepsShowWhatTheControlsOwnStepShowsAcrossWraps)
{
    ResultsHost host;
    host.progress.Show();
    HWND reference = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 10, 10, host.statusBar, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(reference, PBM_SETSTEP, 1, 0);
    RECT client{};
    ::GetClientRect(host.progressBar, &client);
    ASSERT_GT(client.right, 100);
    for (const int maximum : {4, 1000, 7919}) {
        SCOPED_TRACE(maximum);
        host.progress.SetRange(0, maximum);
        host.progress.SetPosition(0);
        ::SendMessageW(reference, PBM_SETRANGE32, 0, maximum);
        ::SendMessageW(reference, PBM_SETPOS, 0, 0);
        auto filled = [&](LRESULT position) { return position * client.right / maximum; };
        for (int step = 1; step <= 2 * maximum + 3; ++step) {
            host.progress.Step();
            ::SendMessageW(reference, PBM_STEPIT, 0, 0);
            const LRESULT expected = ::SendMessageW(reference, PBM_GETPOS, 0, 0);
            ASSERT_EQ(filled(::SendMessageW(host.progressBar, PBM_GETPOS, 0, 0)), filled(expected)) << "step " << step;
        }
        EXPECT_EQ(host.progress.Position(), ::SendMessageW(reference, PBM_GETPOS, 0, 0));
    }
    ::DestroyWindow(reference);
}

} // namespace
