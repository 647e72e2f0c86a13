#include "platform/Dpi.h"

#include <climits>

namespace gleaner {

namespace {

// a * b / c rounded half away from zero, as MulDiv rounds, clamped to int.
int ScaleClamped(int a, int b, int c) noexcept
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    long long result = (product >= 0 ? product + half : product - half) / c;
    if (result > INT_MAX) result = INT_MAX;
    if (result < INT_MIN) result = INT_MIN;
    return static_cast<int>(result);
}

// A function of user32 that older systems lack, or null.
template <typename Function>
Function UserFunction(const char* name) noexcept
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

} // namespace

int DpiScale::operator()(int designPixels) const noexcept { return ScaleClamped(designPixels, dpi_, kDesignDpi); }

RECT DpiScale::operator()(const RECT& design) const noexcept
{
    return RECT{(*this)(design.left), (*this)(design.top), (*this)(design.right), (*this)(design.bottom)};
}

int DpiScale::ToDesign(int pixels) const noexcept { return ScaleClamped(pixels, kDesignDpi, dpi_); }

int DpiScale::From(int pixels, int fromDpi) const noexcept { return (*this)(DpiScale(fromDpi).ToDesign(pixels)); }

int SystemDpi() noexcept
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int DpiOfWindow(HWND window) noexcept
{
    static const auto getDpiForWindow = UserFunction<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) noexcept
{
    static const auto getSystemMetricsForDpi = UserFunction<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi) return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    // Sizes only: every metric asked for here grows with the DPI.
    return ScaleClamped(::GetSystemMetrics(index), dpi, SystemDpi());
}

RECT WindowRectForClient(SIZE client, DWORD style, bool menu, DWORD exStyle, int dpi) noexcept
{
    static const auto adjustForDpi = UserFunction<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT bounds{0, 0, client.cx, client.cy};
    if (!adjustForDpi || !adjustForDpi(&bounds, style, menu, exStyle, static_cast<UINT>(dpi)))
        ::AdjustWindowRectEx(&bounds, style, menu, exStyle);
    return bounds;
}

void FitClientArea(HWND window, SIZE client) noexcept
{
    RECT bounds{}, inside{};
    ::GetWindowRect(window, &bounds);
    ::GetClientRect(window, &inside);
    if (inside.right == client.cx && inside.bottom == client.cy) return;
    const int width = bounds.right - bounds.left - inside.right + client.cx;
    const int height = bounds.bottom - bounds.top - inside.bottom + client.cy;
    ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UniqueGdiObject CreatePointFont(const wchar_t* face, int points, int dpi, int weight)
{
    LOGFONTW font{};
    ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    font.lfHeight = -ScaleClamped(points, dpi, 72);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    return UniqueGdiObject(::CreateFontIndirectW(&font));
}

UniqueGdiObject CreateCellFont(const wchar_t* face, int cellPixels, int dpi)
{
    LOGFONTW font{};
    ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    font.lfHeight = DpiScale(dpi)(cellPixels); // positive: the cell height
    font.lfCharSet = DEFAULT_CHARSET;
    return UniqueGdiObject(::CreateFontIndirectW(&font));
}

int FontHeight(HWND window, HGDIOBJ font) noexcept
{
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return metrics.tmHeight;
}

int TextWidth(HWND window, HGDIOBJ font, const wchar_t* text) noexcept
{
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text, ::lstrlenW(text), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return size.cx;
}

} // namespace gleaner
