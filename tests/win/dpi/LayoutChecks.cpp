#include "LayoutChecks.h"

#include <commctrl.h>

#include "platform/Dpi.h"
#include "platform/Text.h"

namespace gleaner::test {

int Scaled(int designPixels, int dpi) { return DpiScale(dpi)(designPixels); }

std::wstring Text(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring VisibleText(HWND window)
{
    const std::wstring caption = Text(window);
    const bool prefixes = (::GetWindowLongPtrW(window, GWL_STYLE) & SS_NOPREFIX) == 0;
    std::wstring shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (prefixes && caption[i] == L'&' && ++i == caption.size()) break;
        shown += caption[i];
    }
    return shown;
}

RECT BoundsIn(HWND parent, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

SIZE TextExtent(HWND control, const std::wstring& text, bool wrap)
{
    RECT client{};
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, wrap ? client.right : 100000, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return {r.right, r.bottom};
}

int FontHeightOf(HWND control)
{
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return metrics.tmHeight;
}

LOGFONTW FontOf(HWND control)
{
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

std::vector<HWND> VisibleChildren(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::IsWindowVisible(child)) children.push_back(child);
    return children;
}

void ExpectTextFits(HWND control, int room, bool wrap)
{
    RECT client{};
    ::GetClientRect(control, &client);
    const std::wstring text = VisibleText(control);
    const SIZE need = TextExtent(control, text, wrap);
    EXPECT_LE(need.cx + room, client.right) << ToUtf8(text) << ": wide enough";
    EXPECT_LE(wrap ? need.cy : FontHeightOf(control), client.bottom) << ToUtf8(text) << ": high enough";
}

namespace {

bool IsFrame(HWND window)
{
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) == WC_TABCONTROLW) return true;
    return std::wstring(className) == L"Button" && (::GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

} // namespace

void ExpectNoOverlap(HWND parent, const std::vector<HWND>& controls)
{
    auto holds = [&](HWND frame, HWND inner) {
        return IsFrame(frame) && Inside(BoundsIn(parent, inner), BoundsIn(parent, frame));
    };
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            if (holds(controls[i], controls[j]) || holds(controls[j], controls[i])) continue;
            RECT both{}, a = BoundsIn(parent, controls[i]), b = BoundsIn(parent, controls[j]);
            EXPECT_FALSE(::IntersectRect(&both, &a, &b))
                << ToUtf8(Text(controls[i])) << " (" << i << ") / " << ToUtf8(Text(controls[j])) << " (" << j << ")";
        }
    }
}

void ExpectInside(HWND parent, const std::vector<HWND>& controls, const RECT& area)
{
    for (HWND control : controls) EXPECT_TRUE(Inside(BoundsIn(parent, control), area)) << ToUtf8(Text(control));
}

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void Repaint(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    // The X server shows what Wine drew a moment later.
    ::Sleep(300);
    Pump();
}

std::wstring PictureFolder()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

} // namespace gleaner::test
