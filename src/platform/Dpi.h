#pragma once
// Screen scale. Layouts are written in pixels at 96 DPI (100 %); a window shows them scaled to
// its own DPI. The calls that know a monitor's DPI came after Windows 7, so they are found at
// run time and replaced by the system's DPI where they are missing.
#include <windows.h>

#include "platform/Handles.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace gleaner {

inline constexpr int kDesignDpi = 96;

// Turns 96-DPI sizes into a DPI's pixels and back, rounding as MulDiv does; results that
// would not fit an int are clamped, so that stored values of any size stay harmless.
class DpiScale {
public:
    constexpr explicit DpiScale(int dpi = kDesignDpi) noexcept : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

    int dpi() const noexcept { return dpi_; }
    int operator()(int designPixels) const noexcept;
    RECT operator()(const RECT& design) const noexcept;
    int ToDesign(int pixels) const noexcept;
    // A size at `fromDpi` in this scale's pixels, for a window that moved between screens:
    // through 96-DPI pixels, so that a size that goes there and back comes back unchanged.
    int From(int pixels, int fromDpi) const noexcept;

private:
    int dpi_;
};

// The system's DPI (the DPI of the primary monitor at log-on), which every window has at start.
int SystemDpi() noexcept;
// The DPI of the monitor the window is on, where the system can tell; else the system's DPI.
int DpiOfWindow(HWND window) noexcept;
// GetSystemMetrics as it is at `dpi`.
int SystemMetricForDpi(int index, int dpi) noexcept;
// The window rectangle for a client area of `client` at `dpi` (origin at the client's top left).
RECT WindowRectForClient(SIZE client, DWORD style, bool menu, DWORD exStyle, int dpi) noexcept;
// Resizes the window, keeping its top left, so that its client area is exactly `client`: the
// frame a system draws for a DPI (and a menu bar that wraps) need not be what was asked for.
void FitClientArea(HWND window, SIZE client) noexcept;
// A font of `points` points at `dpi`.
UniqueGdiObject CreatePointFont(const wchar_t* face, int points, int dpi, int weight = FW_DONTCARE);
// A font whose character cell is `cellPixels` (a 96-DPI size) high at `dpi`.
UniqueGdiObject CreateCellFont(const wchar_t* face, int cellPixels, int dpi);
// The font's character height (tmHeight) in pixels.
int FontHeight(HWND window, HGDIOBJ font) noexcept;
// Width of `text` in `font` as GetTextExtentPoint32 measures it.
int TextWidth(HWND window, HGDIOBJ font, const wchar_t* text) noexcept;

} // namespace gleaner
