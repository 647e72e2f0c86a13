#include "support/AboutBox.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "GleanerVersion.h"
#include "app/AppException.h"
#include "platform/ComError.h"
#include "platform/DialogKeys.h"
#include "platform/Dpi.h"
#include "support/HelpCommands.h"
#include "support/Links.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TAboutBox";
constexpr wchar_t kVersionText[] = L"" GLEANER_VERSION_TEXT;
constexpr wchar_t kDescription[] = L"Ostrel Gleaner is a tool designed to eliminate MS Office Outlook duplicates "
                                   L"(contacts, calendar, tasks, notes, emails, journal).";

constexpr wchar_t kFontFace[] = L"Tahoma";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Layout in client pixels at 96 DPI.
constexpr RECT kPanel{8, 8, 290, 222};
constexpr int kInset = 8;
constexpr int kIconSize = 64;
constexpr int kTextLeft = 96;
constexpr int kLineHeight = 16;
constexpr int kProductNameTop = 24;
constexpr int kVersionTop = 48;
constexpr int kCommentsTop = 92;
constexpr int kCommentsHeight = 72;
constexpr int kLinkTop = 176;
constexpr int kLinkGap = 4;
constexpr int kLinkInset = 6; // the address is long: keep it clear of the bevel
constexpr int kButtonTop = 234;
constexpr int kButtonHeight = 25;
constexpr int kOKWidth = 75;
constexpr int kSendWidth = 120;
constexpr int kButtonGap = 8;
constexpr int kButtonTextPadding = 16;

HCURSOR& ScreenCursorSlot()
{
    static HCURSOR cursor = nullptr;
    return cursor;
}

} // namespace

HCURSOR ScreenCursor() noexcept { return ScreenCursorSlot(); }

void SetScreenCursor(HCURSOR cursor) noexcept
{
    ScreenCursorSlot() = cursor;
    ::SetCursor(cursor ? cursor : ::LoadCursorW(nullptr, IDC_ARROW));
}

TAboutBox::TAboutBox(std::function<void()> sendErrorReport) : sendErrorReport_(std::move(sendErrorReport)) {}

TAboutBox::~TAboutBox()
{
    if (hwnd_) ::DestroyWindow(hwnd_);
}

RECT TAboutBox::PanelRect(int dpi) noexcept { return DpiScale(dpi)(kPanel); }

HWND TAboutBox::Create(HWND owner)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (!::GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &TAboutBox::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        if (!::RegisterClassExW(&windowClass)) ThrowLastError();
    }
    owner_ = owner;
    dpi_ = SystemDpi();
    const DpiScale scale(dpi_);
    const SIZE client{scale(kClientWidth), scale(kClientHeight)};
    const RECT bounds = WindowRectForClient(client, kStyle, false, kExStyle, dpi_);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    HWND window = ::CreateWindowExW(kExStyle, kClassName, L"About", kStyle, x, y, width, height, owner, nullptr,
                                    instance, this);
    if (!window) ThrowLastError();
    FitClientArea(window, client);
    if (const int dpi = DpiOfWindow(window); dpi != dpi_) OnDpiChanged(dpi, nullptr);
    return window;
}

void TAboutBox::ShowModal(HWND owner)
{
    HWND box = Create(owner);
    modal_ = true;
    if (owner) ::EnableWindow(owner, FALSE);
    ::ShowWindow(box, SW_SHOWNORMAL);
    ::SetFocus(OKButton);
    MSG message;
    bool quit = false;
    while (hwnd_) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (::IsDialogMessageW(box, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    if (hwnd_) {
        if (owner) ::EnableWindow(owner, TRUE);
        ::DestroyWindow(hwnd_);
    }
    modal_ = false;
    // The program's own loop must still see the end of the program.
    if (quit) ::PostQuitMessage(static_cast<int>(message.wParam));
}

LRESULT CALLBACK TAboutBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FormWindowProc<TAboutBox, &TAboutBox::hwnd_, &TAboutBox::OnMessage>(window, message, wParam, lParam);
}

LRESULT TAboutBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    // Enter clicks the focused button, else OK.
    case DM_GETDEFID: return DefaultButtonId(hwnd_, kOKButton);
    case WM_PAINT: OnPaint(); return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        ::SetTextColor(dc, reinterpret_cast<HWND>(lParam) == Label2 ? kLinkColor : ::GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (HCURSOR cursor = ScreenCursor(); cursor && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(cursor);
            return TRUE;
        }
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_CLOSE: OKButtonClick(); return 0;
    case WM_NCDESTROY: {
        HWND window = std::exchange(hwnd_, nullptr);
        if (Label2) ::RemoveWindowSubclass(Label2, &TAboutBox::LinkProc, 0);
        ProgramIcon = ProductName = Version = Comments = Label1 = Label2 = OKButton = Button2 = nullptr;
        if (overLink_) Label2MouseLeave();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    default: return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

HWND TAboutBox::Child(const wchar_t* className, DWORD style, int id)
{
    HWND child = ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                   nullptr);
    if (!child) ThrowLastError();
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

void TAboutBox::OnCreate()
{
    CreateFonts();
    ProgramIcon = Child(L"STATIC", SS_ICON | SS_CENTERIMAGE, kProgramIcon);
    ProductName = Child(L"STATIC", SS_LEFT | SS_NOPREFIX, kProductName);
    ::SendMessageW(ProductName, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    Version = Child(L"STATIC", SS_LEFT | SS_NOPREFIX, kVersion);
    Comments = Child(L"STATIC", SS_LEFT | SS_NOPREFIX, kComments);
    Label1 = Child(L"STATIC", SS_LEFT | SS_NOPREFIX, kLabel1);
    ::SetWindowTextW(Label1, L"Homepage:");
    Label2 = Child(L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kLabel2);
    ::SetWindowSubclass(Label2, &TAboutBox::LinkProc, 0, reinterpret_cast<DWORD_PTR>(this));
    OKButton = Child(L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, kOKButton);
    ::SetWindowTextW(OKButton, L"OK");
    Button2 = Child(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kButton2);
    ::SetWindowTextW(Button2, L"Send Error Report");
    LoadProgramIcon();

    FormCreate();
    Layout();
}

void TAboutBox::CreateFonts()
{
    font_ = CreatePointFont(kFontFace, 8, dpi_);
    boldFont_ = CreatePointFont(kFontFace, 8, dpi_, FW_BOLD);
}

// The icon is drawn at 64 x 64 (at 96 DPI) whatever sizes the resource holds.
void TAboutBox::LoadProgramIcon()
{
    const int size = DpiScale(dpi_)(kIconSize);
    UniqueHicon icon(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0)));
    if (icon) ::SendMessageW(ProgramIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    icon_ = std::move(icon);
}

void TAboutBox::OnDpiChanged(int dpi, const RECT* suggested)
{
    if (dpi <= 0) return;
    const DpiScale scale(dpi);
    if (dpi != dpi_) {
        dpi_ = dpi;
        // The controls take the new fonts before the old ones go.
        UniqueGdiObject oldFont = std::move(font_), oldBoldFont = std::move(boldFont_);
        CreateFonts();
        for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const HGDIOBJ font = child == ProductName ? boldFont_.get() : font_.get();
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        LoadProgramIcon();
    }
    if (suggested)
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea(hwnd_, {scale(kClientWidth), scale(kClientHeight)});
    Layout();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TAboutBox::FormCreate()
{
    ::SetWindowTextW(ProductName, L"Ostrel Gleaner");
    ::SetWindowTextW(Version, kVersionText);
    ::SetWindowTextW(Comments, kDescription);
    ::SetWindowTextW(Label2, kProductPage);
}

int TAboutBox::TextWidth(HWND control) const
{
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), length, &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size.cx;
}

// Every element at its 96-DPI place, scaled. "Homepage:" and the link sit side by side, each
// as wide as its text, so that only the link's own text reacts to the pointer.
void TAboutBox::Layout()
{
    const DpiScale scale(dpi_);
    const RECT panel = scale(kPanel);
    const int inset = scale(kInset);
    const int textLeft = scale(kTextLeft);
    const int lineHeight = std::max(scale(kLineHeight), FontHeight(Version, font_.get()));
    const int left = panel.left + inset;
    const int iconSize = scale(kIconSize);
    ::MoveWindow(ProgramIcon, left, panel.top + inset, iconSize, iconSize, FALSE);
    ::MoveWindow(ProductName, textLeft, scale(kProductNameTop), panel.right - inset - textLeft,
                 std::max(lineHeight, FontHeight(ProductName, boldFont_.get())), FALSE);
    ::MoveWindow(Version, textLeft, scale(kVersionTop), panel.right - inset - textLeft, lineHeight, FALSE);
    ::MoveWindow(Comments, left, scale(kCommentsTop), panel.right - panel.left - 2 * inset, scale(kCommentsHeight),
                 FALSE);

    const int linkLeft = panel.left + scale(kLinkInset);
    const int labelWidth = TextWidth(Label1);
    ::MoveWindow(Label1, linkLeft, scale(kLinkTop), labelWidth, lineHeight, FALSE);
    ::MoveWindow(Label2, linkLeft + labelWidth + scale(kLinkGap), scale(kLinkTop), TextWidth(Label2), lineHeight,
                 FALSE);

    const int okWidth = scale(kOKWidth);
    const int sendWidth = std::max(scale(kSendWidth), TextWidth(Button2) + scale(kButtonTextPadding));
    const int gap = scale(kButtonGap);
    const int buttonsLeft = (scale(kClientWidth) - (okWidth + gap + sendWidth)) / 2;
    const int buttonTop = scale(kButtonTop);
    const int buttonHeight = scale(kButtonHeight);
    ::MoveWindow(OKButton, buttonsLeft, buttonTop, okWidth, buttonHeight, FALSE);
    ::MoveWindow(Button2, buttonsLeft + okWidth + gap, buttonTop, sendWidth, buttonHeight, FALSE);
}

void TAboutBox::OnCommand(int id, int code)
{
    if (id == kLabel2 && code == STN_CLICKED) return Label2Click();
    if (code != BN_CLICKED) return;
    switch (id) {
    case kOKButton: OKButtonClick(); break;
    case IDCANCEL: OKButtonClick(); break;
    case kButton2: Button2Click(); break;
    default: break;
    }
}

void TAboutBox::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd_, &paint);
    RECT panel = PanelRect(dpi_);
    ::DrawEdge(dc, &panel, EDGE_ETCHED, BF_RECT);
    ::EndPaint(hwnd_, &paint);
}

LRESULT CALLBACK TAboutBox::LinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data)
{
    auto* self = reinterpret_cast<TAboutBox*>(data);
    switch (message) {
    case WM_MOUSEMOVE:
        if (!self->overLink_) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
            ::TrackMouseEvent(&track);
            RunGuarded([&] { self->Label2MouseEnter(); });
        }
        break;
    case WM_MOUSELEAVE: RunGuarded([&] { self->Label2MouseLeave(); }); break;
    default: break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void TAboutBox::Label2Click() { OpenProductPage(hwnd_); }

void TAboutBox::Label2MouseEnter()
{
    overLink_ = true;
    SetScreenCursor(::LoadCursorW(nullptr, IDC_HAND));
}

void TAboutBox::Label2MouseLeave()
{
    overLink_ = false;
    SetScreenCursor(nullptr);
}

void TAboutBox::OKButtonClick()
{
    if (!hwnd_) return;
    // The owner comes back before the box goes, so that it is the window activated next.
    if (modal_ && owner_) ::EnableWindow(owner_, TRUE);
    ::DestroyWindow(hwnd_);
}

void TAboutBox::Button2Click()
{
    if (sendErrorReport_) sendErrorReport_();
}

} // namespace gleaner
