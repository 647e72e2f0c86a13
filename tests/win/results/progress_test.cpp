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

} // namespace
