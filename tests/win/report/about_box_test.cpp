// The About box: its window, texts, layout with nothing clipped, the navy link and its cursor,
// and its two buttons. Writes a screenshot (about_box.bmp in the working folder) for a look.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <string>

#include "ReportTestSupport.h"
#include "support/AboutBox.h"
#include "support/Links.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

std::wstring Text(HWND control)
{
    wchar_t buffer[512] = {};
    ::GetWindowTextW(control, buffer, 512);
    return buffer;
}

RECT ClientRectIn(HWND control, HWND parent)
{
    RECT r{};
    ::GetClientRect(control, &r);
    ::MapWindowPoints(control, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The size the control's text needs in its own font, wrapped at its width when `wrap`.
SIZE Needed(HWND control, bool wrap)
{
    RECT client{};
    ::GetClientRect(control, &client);
    const std::wstring text = Text(control);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, wrap ? client.right : 10000, 0};
    ::DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return {r.right, r.bottom};
}

void SaveBitmap(HBITMAP bitmap, int width, int height, const wchar_t* path)
{
    BITMAPINFOHEADER header{sizeof(header), width, height, 1, 24, BI_RGB};
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
    int reports = 0;
    TAboutBox box{[this] { ++reports; }};
};

} // namespace

TEST_F(AboutBoxTest, WindowTextsAndButtons)
{
    HWND window = box.Create(nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(Text(window), L"About");
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 298);
    EXPECT_EQ(client.bottom, 270);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME); // fixed size

    RECT outer{}, work{};
    ::GetWindowRect(window, &outer);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((outer.left + outer.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (work.top + work.bottom) / 2, 1);

    EXPECT_EQ(Text(box.ProductName), L"Ostrel Gleaner");
    EXPECT_EQ(Text(box.Version), L"1.5.1");
    EXPECT_EQ(Text(box.Comments), L"Ostrel Gleaner is a tool designed to eliminate MS Office Outlook duplicates "
                                  L"(contacts, calendar, tasks, notes, emails, journal).");
    EXPECT_EQ(Text(box.Label1), L"Homepage:");
    EXPECT_EQ(Text(box.Label2), kProductPage);
    EXPECT_EQ(Text(box.OKButton), L"OK");
    EXPECT_EQ(Text(box.Button2), L"Send Error Report");
    EXPECT_EQ(::GetWindowLongW(box.OKButton, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(::SendMessageW(box.ProgramIcon, STM_GETICON, 0, 0)) << "no program icon";

    // "Send Error Report" runs the report and leaves the box open, as often as it is clicked.
    ::SendMessageW(box.Button2, BM_CLICK, 0, 0);
    ::SendMessageW(box.Button2, BM_CLICK, 0, 0);
    EXPECT_EQ(reports, 2);
    EXPECT_TRUE(::IsWindow(window));

    ::SendMessageW(box.OKButton, BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(box.hwnd(), nullptr);
    EXPECT_EQ(reports, 2);
}

TEST_F(AboutBoxTest, NothingIsClippedAndTheLinkIsNavy)
{
    HWND window = box.Create(nullptr);
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::UpdateWindow(window);
    RECT client{};
    ::GetClientRect(window, &client);
    const RECT panel = TAboutBox::PanelRect();
    EXPECT_TRUE(Inside(panel, client));

    const struct {
        HWND control;
        bool wrap;
    } texts[] = {{box.ProductName, false}, {box.Version, false}, {box.Comments, true},
                 {box.Label1, false},      {box.Label2, false}};
    for (const auto& t : texts) {
        RECT r = ClientRectIn(t.control, window);
        SIZE need = Needed(t.control, t.wrap);
        EXPECT_LE(need.cx, r.right - r.left) << Utf8(Text(t.control));
        EXPECT_LE(need.cy, r.bottom - r.top) << Utf8(Text(t.control));
        // Clear of the panel's two-pixel bevel.
        EXPECT_TRUE(Inside(r, RECT{panel.left + 3, panel.top + 3, panel.right - 3, panel.bottom - 3}))
            << Utf8(Text(t.control));
    }
    RECT icon = ClientRectIn(box.ProgramIcon, window);
    EXPECT_EQ(icon.right - icon.left, 64);
    EXPECT_EQ(icon.bottom - icon.top, 64);
    EXPECT_TRUE(Inside(icon, panel));
    RECT label = ClientRectIn(box.Label1, window), link = ClientRectIn(box.Label2, window);
    EXPECT_LE(label.right, link.left) << "the link sits beside \"Homepage:\"";
    for (HWND button : {box.OKButton, box.Button2}) {
        RECT r = ClientRectIn(button, window);
        EXPECT_TRUE(Inside(r, client));
        EXPECT_GE(r.top, panel.bottom) << "buttons below the panel";
        EXPECT_LE(Needed(button, false).cx, r.right - r.left - 8) << Utf8(Text(button));
    }

    // What the screen shows: navy text in the link, none in the description.
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT outer{};
    ::GetWindowRect(window, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, outer.left, outer.top, SRCCOPY);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    auto countNavy = [&](const RECT& r) {
        int navy = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (::GetPixel(memory, x + origin.x - outer.left, y + origin.y - outer.top) == TAboutBox::kLinkColor)
                    ++navy;
        return navy;
    };
    EXPECT_GT(countNavy(link), 20);
    EXPECT_EQ(countNavy(ClientRectIn(box.Comments, window)), 0);
    ::SelectObject(memory, old);
    SaveBitmap(bitmap, width, height, L"about_box.bmp");
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

TEST_F(AboutBoxTest, PointerOverTheLinkShowsTheHandEverywhereUntilItLeaves)
{
    HWND window = box.Create(nullptr);
    HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    auto cursorOver = [](HWND control) {
        ::SetCursor(nullptr);
        ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };

    ::SendMessageW(box.Label2, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(ScreenCursor(), hand);
    for (HWND control : {box.Label2, box.Comments, box.OKButton, window}) EXPECT_EQ(cursorOver(control), hand);

    ::SendMessageW(box.Label2, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ScreenCursor(), nullptr);
    EXPECT_EQ(::GetCursor(), arrow);
    EXPECT_EQ(cursorOver(box.Comments), arrow);

    // Closing the box while the pointer is on the link gives the cursor back too.
    ::SendMessageW(box.Label2, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(ScreenCursor(), hand);
    box.OKButtonClick();
    EXPECT_EQ(ScreenCursor(), nullptr);
}

namespace {

// Clicks OK from inside the modal loop, noting whether the owner was disabled then.
struct ModalProbe {
    HWND owner = nullptr;
    bool ownerDisabled = false;
} probe;

void CALLBACK ClickOK(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    HWND box = ::FindWindowW(L"TAboutBox", L"About");
    probe.ownerDisabled = box && !::IsWindowEnabled(probe.owner);
    if (box) ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

} // namespace

TEST_F(AboutBoxTest, ShowModalDisablesTheOwnerUntilOK)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    probe = {owner, false};
    ::SetTimer(nullptr, 0, 50, &ClickOK);
    box.ShowModal(owner);
    EXPECT_TRUE(probe.ownerDisabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(box.hwnd(), nullptr);
    ::DestroyWindow(owner);
}
