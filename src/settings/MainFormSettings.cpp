#include "settings/MainFormSettings.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

#include "app/MainForm.h"
#include "platform/Dpi.h"

namespace gleaner {

namespace {

// Stored sizes can be anything; sums with them are taken wide and brought back into range.
int Clamped(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

// A child's bounds in its parent's client area.
RECT ChildBounds(HWND child)
{
    RECT bounds{};
    ::GetWindowRect(child, &bounds);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// The window's bounds and client size as they are when it is neither minimised nor
// maximised: a minimised window would otherwise store a place off the screen and no size.
struct Placement {
    RECT window;
    SIZE client;
};

Placement NormalPlacement(HWND window)
{
    Placement placement{};
    ::GetWindowRect(window, &placement.window);
    RECT client{};
    ::GetClientRect(window, &client);
    placement.client = {client.right, client.bottom};
    if (::IsIconic(window)) {
        WINDOWPLACEMENT normal{};
        normal.length = sizeof(normal);
        ::GetWindowPlacement(window, &normal);
        RECT frame{0, 0, 0, 0};
        ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                             ::GetMenu(window) != nullptr, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
        placement.window = normal.rcNormalPosition;
        placement.client = {(placement.window.right - placement.window.left) - (frame.right - frame.left),
                            (placement.window.bottom - placement.window.top) - (frame.bottom - frame.top)};
    }
    return placement;
}

} // namespace

// Sizes and splitter positions are kept in 96-DPI pixels, so that they mean the same on every
// screen; the window's position stays in screen coordinates.
int MainFormSettings::Get(Value value) const
{
    HWND window = form_.hwnd();
    const DpiScale scale(form_.Dpi());
    switch (value) {
    case Value::SplitX: return scale.ToDesign(ChildBounds(form_.Splitter2.hwnd()).top);
    case Value::SplitY: return scale.ToDesign(ChildBounds(form_.Splitter1.hwnd()).left);
    case Value::TV1: return scale.ToDesign(form_.TreeWidth());
    case Value::TV2: return scale.ToDesign(form_.MemoHeight());
    case Value::Form1X: return NormalPlacement(window).window.left;
    case Value::Form1Y: return NormalPlacement(window).window.top;
    case Value::AppX: return scale.ToDesign(NormalPlacement(window).client.cy);
    case Value::AppY: return scale.ToDesign(NormalPlacement(window).client.cx);
    case Value::SubWidth: return scale.ToDesign(ListView_GetColumnWidth(form_.ListView2, 1));
    case Value::FoldWidth: return scale.ToDesign(ListView_GetColumnWidth(form_.ListView2, 2));
    }
    return 0;
}

void MainFormSettings::Set(Value value, int stored)
{
    HWND window = form_.hwnd();
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    RECT client{};
    ::GetClientRect(window, &client);
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    const int pixels = value == Value::Form1X || value == Value::Form1Y ? stored : DpiScale(form_.Dpi())(stored);
    switch (value) {
    case Value::SplitX: {
        // The bar's top edge: the preview below it takes the rest down to its bottom.
        const RECT bar = ChildBounds(form_.Splitter2.hwnd());
        const RECT memo = ChildBounds(form_.Memo1);
        memoHeight_ = Clamped(static_cast<long long>(memo.bottom) - pixels - (bar.bottom - bar.top));
        ApplyPanes();
        break;
    }
    case Value::SplitY:
        treeWidth_ = Clamped(static_cast<long long>(pixels) - ChildBounds(form_.TreeView1.hwnd()).left);
        ApplyPanes();
        break;
    case Value::TV1: treeWidth_ = pixels; ApplyPanes(); break;
    case Value::TV2: memoHeight_ = pixels; ApplyPanes(); break;
    case Value::Form1X: ::SetWindowPos(window, nullptr, pixels, bounds.top, 0, 0, keep | SWP_NOSIZE); break;
    case Value::Form1Y: ::SetWindowPos(window, nullptr, bounds.left, pixels, 0, 0, keep | SWP_NOSIZE); break;
    case Value::AppX:
        ::SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left,
                       Clamped(static_cast<long long>(bounds.bottom) - bounds.top + pixels - client.bottom),
                       keep | SWP_NOMOVE);
        ApplyPanes();
        break;
    case Value::AppY:
        ::SetWindowPos(window, nullptr, 0, 0,
                       Clamped(static_cast<long long>(bounds.right) - bounds.left + pixels - client.right),
                       bounds.bottom - bounds.top, keep | SWP_NOMOVE);
        ApplyPanes();
        break;
    case Value::SubWidth: ListView_SetColumnWidth(form_.ListView2, 1, pixels); break;
    case Value::FoldWidth: ListView_SetColumnWidth(form_.ListView2, 2, pixels); break;
    }
}

void MainFormSettings::ApplyPanes()
{
    if (treeWidth_) form_.SetTreeWidth(*treeWidth_);
    if (memoHeight_) form_.SetMemoHeight(*memoHeight_);
}

bool MainFormSettings::FastSearch() const
{
    return ::SendMessageW(form_.CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainFormSettings::SetFastSearch(bool on)
{
    ::SendMessageW(form_.CheckBox1, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainFormSettings::ShowFoundMessage() const { return form_.ShowFoundMessage; }

void MainFormSettings::SetShowFoundMessage(bool on) { form_.ShowFoundMessage = on; }

} // namespace gleaner
