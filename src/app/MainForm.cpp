#include "app/MainForm.h"

#include <commctrl.h>

#include <algorithm>

#include "app/AppException.h"
#include "app/Application.h"
#include "app/ErrorLog.h"
#include "app/Prompts.h"
#include "detect/FastSearch.h"
#include "platform/CheckBoxImages.h"
#include "platform/ComError.h"
#include "platform/DialogKeys.h"
#include "platform/Dpi.h"
#include "platform/Jpeg.h"
#include "process/Processing.h"
#include "settings/MainFormSettings.h"
#include "settings/OptionsForm.h"
#include "support/AboutBox.h"
#include "support/HelpCommands.h"
#include "support/SupportReport.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr wchar_t kCaption[] = L"Gleaner - get rid of Outlook duplicates";
constexpr wchar_t kDownloadPage[] = L"https://www.ostrel.example/download?id=7";

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr wchar_t kFontFace[] = L"Tahoma";

// Layout at the design size, in pixels at 96 DPI.
constexpr int kMargin = 4;
constexpr int kLabelTop = 76;
constexpr int kLabelHeight = 14;
constexpr int kWorkTop = 94;
constexpr int kSplitterSize = 4;
constexpr int kBottomRowHeight = 38;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 6;
constexpr int kButtonPadding = 28;
constexpr int kMinPane = 30;
constexpr int kSideMargin = 8; // the label, the check box and the buttons from the sides
constexpr int kCheckBoxWidth = 100;
constexpr int kCheckBoxHeight = 17;
constexpr int kCheckGap = 4; // between a check box's mark and its text
constexpr int kPictureSize = 16;
constexpr int kStatusPanel0 = 150;

std::wstring NoFoldersMessage()
{
    return std::wstring(L"Please start Microsoft Outlook and click Gleaner toolbar to start Gleaner. If you do have "
                        L"Outlook Express, please download Rinsel for Outlook Express at ") +
           kDownloadPage + L".";
}

void LogWith(const std::exception& error, const wchar_t* location)
{
    LogError(ExceptionMessage(error) + location);
}

// The preview is read-only: it keeps the arrow keys for scrolling, and leaves Tab, Enter and
// Esc to the window. A multi-line edit box would take them all, and on Esc close its parent.
LRESULT CALLBACK PreviewKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_HASSETSEL;
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, PreviewKeys, 0);
    return ::DefSubclassProc(window, message, wParam, lParam);
}

HBITMAP LoadJpegResource(const wchar_t* name)
{
    const std::string bytes = LoadResourceBytes(::GetModuleHandleW(nullptr), name);
    if (bytes.empty()) return nullptr;
    return CreateBitmapHandle(DecodeJpeg(bytes.data(), bytes.size()));
}

} // namespace

TForm1::TForm1() = default;

TForm1::~TForm1()
{
    if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND TForm1::Create(HWND owner)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (!::GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &TForm1::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = ::LoadIconW(instance, L"MAINICON");
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        if (!::RegisterClassExW(&windowClass)) ThrowLastError();
    }
    CreateMenuBar();
    // The system's DPI to begin with; a window that opens on a monitor of another DPI is told
    // so right after it is made, and WM_DPICHANGED says so whenever it moves.
    dpi_ = SystemDpi();
    const DpiScale scale(dpi_);
    const SIZE client{scale(kDesignWidth), scale(kDesignHeight)};
    const RECT bounds = WindowRectForClient(client, kStyle, true, kExStyle, dpi_);
    HWND window = ::CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                    bounds.right - bounds.left, bounds.bottom - bounds.top, owner, menu_, instance,
                                    this);
    if (!window) {
        ::DestroyMenu(menu_);
        menu_ = nullptr;
        ThrowLastError();
    }
    FitClientArea(window, client);
    if (const int dpi = DpiOfWindow(window); dpi != dpi_) OnDpiChanged(dpi, nullptr);
    // Only now, after FormCreate: nothing there may read a setting.
    Form3 = std::make_unique<TForm3>();
    Form3->Create(window, std::make_unique<MainFormSettings>(*this), OutlookNamespace);
    return window;
}

void TForm1::Close()
{
    if (!hwnd_ || closing_) return;
    if (searching_) {
        // The run still uses the window: it stops at its next item, then the window closes.
        CancelRequested = true;
        closeAfterRun_ = true;
        return;
    }
    closing_ = true;
    RunGuarded([&] { FormClose(); });
    ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FormWindowProc<TForm1, &TForm1::hwnd_, &TForm1::OnMessage>(window, message, wParam, lParam);
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_SHOWWINDOW: OnShowWindow(wParam != 0); return 0;
    case WM_SIZE: OnSize(); return 0;
    case WM_GETMINMAXINFO: OnMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE, HIWORD(wParam) != 0); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_DRAWITEM: OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_NEXTDLGCTL: OnNextDlgCtl(wParam, lParam); return 0;
    // Enter clicks the focused push button, else "Search for duplicates".
    case DM_GETDEFID: return DefaultButtonId(hwnd_, kBitBtn1);
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: RunGuarded([&] { FormDestroy(); }); return 0;
    case WM_NCDESTROY: {
        HWND window = hwnd_;
        hwnd_ = nullptr;
        ::DefWindowProcW(window, message, wParam, lParam);
        // Closing the main window ends the program.
        ::PostQuitMessage(0);
        return 0;
    }
    default: return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void TForm1::OnCreate()
{
    const DpiScale scale(dpi_);
    treeWidth_ = scale(kTreeWidth);
    memoHeight_ = scale(kMemoHeight);
    CreateFonts();
    CreateControls();
    ScalePictures();
    RunGuarded([&] { LoadBanner(); });
    RunGuarded([&] { FormCreate(); });
    Layout();
}

void TForm1::OnShowWindow(bool shown)
{
    if (!shown || shown_) return;
    shown_ = true;
    RunGuarded([&] { FormShow(); });
}

void TForm1::OnCommand(int id, int code, HWND control)
{
    // Menus (code 0) and accelerators (1) come without a control; controls count only when clicked.
    if (control ? code != BN_CLICKED : code > 1) return;
    switch (id) {
    case kExit1: Exit1Click(); break;
    case kSearchOptions1: SearchOptions1Click(); break;
    case kRemoveOptions1: RemoveOptions1Click(); break;
    case kGleanerontheWeb1: GleanerontheWeb1Click(); break;
    case kHelp1: Help1Click(); break;
    case kGetTechnicalSupport1: GetTechnicalSupport1Click(); break;
    case kAbout2: About2Click(); break;
    case kBitBtn1: BitBtn1Click(); break;
    case kBitBtn2: Button1Click(); break;
    case kButton3: Button3Click(); break;
    // Esc, from the keyboard handling of the message loop: stops a run like "Cancel".
    case IDCANCEL:
        if (!control && searching_) Button3Click();
        break;
    default: break;
    }
}

void TForm1::OnActivate(bool active, bool minimized)
{
    if (!active) {
        // The control that had the focus gets it back when the window is active again.
        if (HWND focus = FocusIn(hwnd_)) lastFocus_ = focus;
        return;
    }
    if (minimized) return;
    HWND focus = lastFocus_ && ::IsChild(hwnd_, lastFocus_) && ::IsWindowEnabled(lastFocus_) ? lastFocus_
                                                                                             : TreeView1.hwnd();
    ::SetFocus(focus);
}

void TForm1::OnNextDlgCtl(WPARAM wParam, LPARAM lParam)
{
    // The label's mnemonic focuses the label, then asks for the next control: the tree it
    // names, though the tree is not a tab stop.
    if (!LOWORD(lParam) && !wParam && ::GetFocus() == Label1) {
        ::SetFocus(TreeView1.hwnd());
        return;
    }
    MoveDialogFocus(hwnd_, wParam, lParam);
}

LRESULT TForm1::OnNotify(NMHDR* header)
{
    LRESULT result = 0;
    if (header->hwndFrom == TreeView1.hwnd() && TreeView1.OnNotify(header, &result)) return result;
    if (ResultView.OnNotify(header, &result)) return result;
    return 0;
}

void TForm1::OnDrawItem(const DRAWITEMSTRUCT* item)
{
    if (item->hwndItem == banner_) {
        PaintBanner(item->hDC);
    } else if (item->hwndItem == StatusBar1) {
        Progress.StatusBar1DrawPanel(static_cast<int>(item->itemID), item->rcItem);
    }
}

void TForm1::OnMinMaxInfo(MINMAXINFO* info)
{
    const DpiScale scale(dpi_);
    info->ptMinTrackSize.x = scale(kMinWindowWidth);
    info->ptMinTrackSize.y = scale(kMinWindowHeight);
}

void TForm1::OnSize()
{
    if (StatusBar1) ::SendMessageW(StatusBar1, WM_SIZE, 0, 0);
    Layout();
}

void TForm1::CreateFonts()
{
    font_ = CreatePointFont(kFontFace, 8, dpi_);
    buttonFont_ = CreateCellFont(kFontFace, 16, dpi_);
}

void TForm1::OnDpiChanged(int dpi, const RECT* suggested)
{
    if (dpi <= 0) return;
    const int oldDpi = dpi_;
    const DpiScale scale(dpi);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (dpi != oldDpi) {
        dpi_ = dpi;
        // What the user sized stays the same size on the new screen.
        treeWidth_ = scale.From(treeWidth_, oldDpi);
        memoHeight_ = scale.From(memoHeight_, oldDpi);
        for (int column = 0; column < ResultModel::kColumnCount; ++column)
            ListView_SetColumnWidth(ListView2, column, scale.From(ListView_GetColumnWidth(ListView2, column), oldDpi));
        // The controls take the new fonts before the old ones go.
        UniqueGdiObject oldFont = std::move(font_), oldButtonFont = std::move(buttonFont_);
        CreateFonts();
        for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const bool button = child == BitBtn1 || child == BitBtn2 || child == Button3;
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>((button ? buttonFont_ : font_).get()), TRUE);
        }
        ScalePictures();
    }
    if (suggested)
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!::IsZoomed(hwnd_)) FitClientArea(hwnd_, {scale.From(client.right, oldDpi), scale.From(client.bottom, oldDpi)});
    OnSize();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TForm1::ScalePictures()
{
    const DpiScale scale(dpi_);
    TreeView1.ScaleTo(dpi_);
    FitCheckBoxImages(ListView2, scale(kPictureSize));
    Progress.SetDpi(dpi_);
}

// The captions keep their words; the ampersands only mark the keys that open them with Alt.
void TForm1::CreateMenuBar()
{
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuW(file, MF_STRING, kExit1, L"E&xit");
    HMENU options = ::CreatePopupMenu();
    ::AppendMenuW(options, MF_STRING, kSearchOptions1, L"&Search Options...");
    ::AppendMenuW(options, MF_STRING, kRemoveOptions1, L"&Remove Options...");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuW(help, MF_STRING, kGleanerontheWeb1, L"Gleaner on the &Web");
    ::AppendMenuW(help, MF_STRING, kHelp1, L"&Help");
    ::AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(help, MF_STRING, kGetTechnicalSupport1, L"Send Error &Report");
    ::AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(help, MF_STRING, kAbout2, L"&About");
    menu_ = ::CreateMenu();
    ::AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    ::AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(options), L"&Options");
    ::AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    // F1 opens the help file, as everywhere in Windows.
    ACCEL keys[] = {{FVIRTKEY, VK_F1, static_cast<WORD>(kHelp1)}};
    accelerators_.reset(::CreateAcceleratorTableW(keys, 1));
}

HWND TForm1::Child(const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle)
{
    HWND child = ::CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 10, 10, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                   nullptr);
    if (!child) ThrowLastError();
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

void TForm1::CreateControls()
{
    const DpiScale scale(dpi_);
    banner_ = Child(L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW, kBanner);
    // Alt+S moves to the tree below, which takes no focus by Tab.
    Label1 = Child(L"STATIC", L"&Selected folders to search for duplicates. Checked duplicates will be removed.",
                   WS_VISIBLE | SS_LEFT, kLabel1);

    HWND tree = TreeView1.Create(hwnd_, kTreeView1);
    if (!tree) ThrowLastError();
    ::SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    Splitter1.Create(hwnd_, kSplitter1, Splitter::Direction::Vertical, [this](int left) {
        SetTreeWidth(left - DpiScale(dpi_)(kMargin));
    });

    ListView2 = Child(WC_LISTVIEWW, L"", WS_VISIBLE | WS_TABSTOP | ResultList::kListStyle, kListView2,
                      WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(ListView2, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const wchar_t* captions[ResultModel::kColumnCount] = {L"", L"Subject", L"Folder"};
    for (int i = 0; i < ResultModel::kColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(captions[i]);
        column.cx = scale(ResultList::kColumnWidths[i]);
        ListView_InsertColumn(ListView2, i, &column);
    }
    Splitter2.Create(hwnd_, kSplitter2, Splitter::Direction::Horizontal, [this](int top) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        RECT memo{};
        ::GetWindowRect(Memo1, &memo);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&memo), 2);
        SetMemoHeight(memo.bottom - (top + DpiScale(dpi_)(kSplitterSize)));
    });
    // A tab stop, so that the keyboard can scroll the preview too.
    Memo1 = Child(L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                  kMemo1, WS_EX_CLIENTEDGE);
    ::SetWindowSubclass(Memo1, PreviewKeys, 0, 0);
    ResultView.Attach(ListView2, Memo1);

    CheckBox1 = Child(L"BUTTON", L"Fast Search", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1);
    BitBtn1 = Child(L"BUTTON", L"Search for duplicates", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kBitBtn1);
    BitBtn2 = Child(L"BUTTON", L"Process duplicates", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kBitBtn2);
    Button3 = Child(L"BUTTON", L"Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButton3);
    for (HWND button : {BitBtn1, BitBtn2, Button3})
        ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), FALSE);

    StatusBar1 = Child(STATUSCLASSNAMEW, L"", WS_VISIBLE | SBARS_SIZEGRIP, kStatusBar1);
    int parts[] = {scale(kStatusPanel0), -1};
    ::SendMessageW(StatusBar1, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(StatusBar1, SB_SETTEXTW, 0 | SBT_OWNERDRAW, 0);
    // Created on the window; FormCreate moves it into the status bar.
    ProgressBar1 = Child(PROGRESS_CLASSW, L"", 0, kProgressBar1, WS_EX_STATICEDGE);
}

void TForm1::LoadBanner()
{
    bannerLeft_.reset(LoadJpegResource(L"BANNER"));
    bannerFiller_.reset(LoadJpegResource(L"BANNERFILL"));
}

// Both pictures are drawn at the window's scale: at 96 DPI pixel for pixel, else stretched.
void TForm1::PaintBanner(HDC dc)
{
    const DpiScale scale(dpi_);
    RECT area{};
    ::GetClientRect(banner_, &area);
    HDC source = ::CreateCompatibleDC(dc);
    auto blit = [&](HGDIOBJ picture, int left) {
        BITMAP info{};
        if (!picture || !::GetObjectW(picture, sizeof(info), &info)) return false;
        HGDIOBJ old = ::SelectObject(source, picture);
        const int height = std::min<int>(info.bmHeight, kBannerHeight);
        if (scale.dpi() == kDesignDpi) {
            ::BitBlt(dc, left, 0, info.bmWidth, std::min<int>(info.bmHeight, area.bottom), source, 0, 0, SRCCOPY);
        } else {
            const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::StretchBlt(dc, left, 0, scale(info.bmWidth), scale(height), source, 0, 0, info.bmWidth, height, SRCCOPY);
            ::SetStretchBltMode(dc, oldMode);
        }
        ::SelectObject(source, old);
        return true;
    };
    if (!blit(bannerLeft_.get(), 0) || !blit(bannerFiller_.get(), scale(kBannerFillerLeft)))
        ::FillRect(dc, &area, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    ::DeleteDC(source);
}

void TForm1::Layout()
{
    if (!hwnd_ || !StatusBar1) return;
    const DpiScale scale(dpi_);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int width = client.right;
    RECT status{};
    ::GetWindowRect(StatusBar1, &status);
    const int statusTop = client.bottom - (status.bottom - status.top);

    const int rowHeight = scale(kBottomRowHeight);
    const int rowTop = statusTop - rowHeight;
    const int buttonHeight = scale(kButtonHeight);
    const int buttonTop = rowTop + (rowHeight - buttonHeight) / 2;
    int right = width - scale(kSideMargin);
    for (HWND button : {Button3, BitBtn2, BitBtn1}) {
        wchar_t text[64] = {};
        ::GetWindowTextW(button, text, 64);
        const int buttonWidth = TextWidth(button, buttonFont_.get(), text) + scale(kButtonPadding);
        ::MoveWindow(button, right - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
        right -= buttonWidth + scale(kButtonGap);
    }
    // Wide enough for its caption beside the box in any font.
    const int checkBoxWidth = std::max(scale(kCheckBoxWidth), TextWidth(CheckBox1, font_.get(), L"Fast Search") +
                                                                   SystemMetricForDpi(SM_CXMENUCHECK, dpi_) +
                                                                   scale(kCheckGap));
    const int checkBoxHeight = scale(kCheckBoxHeight);
    ::MoveWindow(CheckBox1, scale(kSideMargin), rowTop + (rowHeight - checkBoxHeight) / 2, checkBoxWidth,
                 checkBoxHeight, TRUE);

    ::MoveWindow(banner_, 0, 0, width, scale(kBannerHeight), TRUE);
    const int labelHeight = std::max(scale(kLabelHeight), FontHeight(Label1, font_.get()));
    ::MoveWindow(Label1, scale(kSideMargin), scale(kLabelTop), std::max(0, width - 2 * scale(kSideMargin)),
                 labelHeight, TRUE);

    // The work area: the tree, a vertical splitter, and on the right the list over the preview.
    const int margin = scale(kMargin);
    const int splitter = scale(kSplitterSize);
    const int minPane = scale(kMinPane);
    const int workTop = scale(kWorkTop);
    const int workBottom = rowTop;
    const int workHeight = std::max(0, workBottom - workTop);
    const int workWidth = std::max(0, width - 2 * margin);
    treeWidth_ = std::clamp(treeWidth_, minPane, std::max(minPane, workWidth - splitter - minPane));
    memoHeight_ = std::clamp(memoHeight_, minPane, std::max(minPane, workHeight - splitter - minPane));
    const int rightLeft = margin + treeWidth_ + splitter;
    const int rightWidth = std::max(0, width - margin - rightLeft);
    const int listHeight = std::max(0, workHeight - splitter - memoHeight_);
    ::MoveWindow(TreeView1.hwnd(), margin, workTop, treeWidth_, workHeight, TRUE);
    ::MoveWindow(Splitter1.hwnd(), margin + treeWidth_, workTop, splitter, workHeight, TRUE);
    ::MoveWindow(ListView2, rightLeft, workTop, rightWidth, listHeight, TRUE);
    ::MoveWindow(Splitter2.hwnd(), rightLeft, workTop + listHeight, rightWidth, splitter, TRUE);
    ::MoveWindow(Memo1, rightLeft, workTop + listHeight + splitter, rightWidth, memoHeight_, TRUE);
}

void TForm1::SetTreeWidth(int width)
{
    treeWidth_ = width;
    Layout();
}

void TForm1::SetMemoHeight(int height)
{
    memoHeight_ = height;
    Layout();
}

void TForm1::FormCreate()
{
    try {
        try {
            SecMan = std::make_unique<TOlSecurityManager>();
        } catch (const std::exception& error) {
            LogWith(error, L" SecMan Create event");
        }
        OutlookApplication1.Connect();
        OutlookNamespace = OutlookApplication1.Application().callObject(L"GetNamespace", L"MAPI");
        // The current profile, without any logon dialog.
        OutlookNamespace.call(L"Logon", L"", L"", false, false);
        if (SecMan) {
            try {
                SecMan->ConnectTo(OutlookApplication1.Application());
            } catch (const std::exception& error) {
                LogWith(error, L" SecMan ConnectTo event");
            }
        }
        // Fills the tree, ticks every folder and expands the first top-level one.
        TreeView1.RetrieveOutlookFolders(OutlookNamespace);
        try {
            MapiTable = Dispatch::Create(L"vexla.MapiTable");
        } catch (const std::exception& error) {
            MapiTable.reset();
            LogWith(error, L" line 820");
        }
    } catch (const std::exception& error) {
        LogWith(error, L" FormCreate event");
    }

    Lists.Clear();
    ColumnList.clear();
    ShowFoundMessage = true;

    // The progress bar sits flat in panel 0 of the status bar.
    ::SetParent(ProgressBar1, StatusBar1);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(ProgressBar1, GWL_EXSTYLE);
    ::SetWindowLongPtrW(ProgressBar1, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE));
    ::SetWindowPos(ProgressBar1, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Progress.Attach(StatusBar1, ProgressBar1);
}

void TForm1::FormShow()
{
    ReadSettings();
    if (SecMan) {
        try {
            SecMan->Enabled(true);
        } catch (const std::exception& error) {
            LogWith(error, L" SecMan Enable event");
        }
    }
    if (!TreeView1.HasFolders()) {
        Prompts().Message(hwnd_, NoFoldersMessage(), kApplicationTitle, MB_OK);
        // Closed from the message loop, once showing has finished.
        ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

void TForm1::FormClose()
{
    SaveSettings();
    if (SecMan) {
        try {
            SecMan->Enabled(false);
        } catch (const std::exception& error) {
            LogWith(error, L" SecMan Disable event on FormClose");
        }
    }
}

void TForm1::FormDestroy()
{
    Lists.Clear();
    ColumnList.clear();
    ADODataSet1.reset();
    MapiTable.reset();
    if (SecMan) {
        try {
            SecMan->Enabled(false);
            SecMan.reset();
        } catch (const std::exception& error) {
            // Freed with the window.
            LogWith(error, L" SecMan Disable, Free event on FormDestroy");
        }
    }
    if (OutlookNamespace) {
        OutlookNamespace.call(L"Logoff");
        OutlookNamespace.reset();
    }
    // Outlook itself is not told to quit: one the user had open stays open.
    OutlookApplication1.Disconnect();
}

void TForm1::Exit1Click() { Close(); }

// Modeless: the main window stays usable while the options are open.
void TForm1::SearchOptions1Click() { Form3->ShowPage(TForm3::kSearchOptionsPage); }
void TForm1::RemoveOptions1Click() { Form3->ShowPage(TForm3::kRemoveOptionsPage); }

void TForm1::GleanerontheWeb1Click() { OpenProductPage(hwnd_); }
void TForm1::Help1Click() { OpenHelpFile(hwnd_); }
void TForm1::GetTechnicalSupport1Click() { SendErrorReport(hwnd_, OutlookNamespace); }

void TForm1::About2Click()
{
    TAboutBox box([this] { SendErrorReport(hwnd_, OutlookNamespace); });
    box.ShowModal(hwnd_);
}

void TForm1::Button3Click() { CancelRequested = true; }

void TForm1::BitBtn1Click()
{
    if (::SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED)
        ButtonMAPIClick();
    else
        Button2Click();
}

void TForm1::Button2Click() { RunSearch(RunStandardSearch); }
void TForm1::ButtonMAPIClick() { RunSearch(RunFastSearch); }

void TForm1::RunSearch(void (*search)(const SearchSurface&))
{
    if (searching_) return;
    static const ComparisonProfiles kNoProfiles;
    SearchSurface surface;
    FillWorkSurface(surface);
    surface.lists = &Lists.Engine();
    surface.profiles = [this]() -> const ComparisonProfiles& { return Form3 ? Form3->Profiles() : kNoProfiles; };
    surface.originalRule = [this] {
        OriginalItemButtons buttons;
        const OriginalRule rule = Form3 ? Form3->Original() : OriginalRule::OldestCreation;
        buttons.oldestCreationTime = rule == OriginalRule::OldestCreation;
        buttons.newestCreationTime = rule == OriginalRule::NewestCreation;
        buttons.smallestSize = rule == OriginalRule::SmallestSize;
        buttons.largestSize = rule == OriginalRule::LargestSize;
        return buttons;
    };
    surface.focusFirstRow = [this] { ListView_SetItemState(ListView2, 0, LVIS_FOCUSED, LVIS_FOCUSED); };
    surface.showFoundMessage = &ShowFoundMessage;
    surface.mapiTable = &MapiTable;
    surface.recordSet = &ADODataSet1;
    surface.columnList = &ColumnList;
    RunWork([&] { search(surface); });
}

void TForm1::Button1Click()
{
    if (searching_) return;
    ProcessSurface surface;
    FillWorkSurface(surface);
    surface.removeButtons = [this] {
        RemoveButtons buttons;
        if (!Form3) return buttons;
        auto on = [](HWND radio) { return ::SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        buttons.moveToDeletedItems = on(Form3->RadioButton7);
        buttons.deletePermanently = on(Form3->RadioButton6);
        buttons.moveToFolder = on(Form3->RadioButton5);
        buttons.modifySubject = on(Form3->RadioButton1);
        return buttons;
    };
    surface.subjectMark = [this] { return Form3 ? Form3->SubjectMark() : std::wstring(TForm3::kDefaultSubjectMark); };
    RunWork([&] { RunProcessing(surface); });
}

void TForm1::FillWorkSurface(WorkSurface& surface)
{
    surface.owner = hwnd_;
    surface.progress = &Progress;
    surface.memo = Memo1;
    surface.searchButton = BitBtn1;
    surface.processButton = BitBtn2;
    surface.nameSpace = &OutlookNamespace;
    surface.tree = &TreeView1;
    surface.rows = &Results;
    surface.showRows = [this] { ResultView.Refresh(); };
    surface.cancelRequested = &CancelRequested;
    surface.closeRequested = [this] { return closeAfterRun_; };
    surface.moveFolderPath = [this] { return Form3 ? Form3->MoveFolderPath() : std::wstring(); };
}

void TForm1::RunWork(const std::function<void()>& work)
{
    searching_ = true;
    auto finish = [this] {
        searching_ = false;
        // Closed from the message loop, once this handler has unwound.
        if (closeAfterRun_) {
            closeAfterRun_ = false;
            ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        }
    };
    try {
        work();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

// Settings are kept by the Options dialog, which restores and stores them here.
void TForm1::ReadSettings()
{
    if (Form3) Form3->ReadSettings();
}

void TForm1::SaveSettings()
{
    if (Form3) Form3->SaveSettings();
}

} // namespace gleaner
