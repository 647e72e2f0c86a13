#include "settings/OptionsForm.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "app/AppException.h"
#include "folders/FolderPath.h"
#include "platform/CheckBoxImages.h"
#include "platform/ComError.h"
#include "platform/DialogKeys.h"
#include "platform/Dpi.h"
#include "settings/SettingsStore.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TForm3";
constexpr wchar_t kCaption[] = L"Options";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

constexpr wchar_t kFontFace[] = L"Tahoma";

// Layout at the design size, in pixels at 96 DPI.
constexpr int kMargin = 4;
constexpr int kLabelHeight = 14;
constexpr int kLineHeight = 17;
constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kRadioStep = 20;
constexpr int kGap = 4;
constexpr int kGroupHeader = 18;    // a group box's caption, above its first button
constexpr int kGroupGap = 12;       // between the two groups
constexpr int kGroupPadding = 10;   // below a group's last control
constexpr int kRadioIndent = 12;    // a group's buttons from its frame
constexpr int kEditIndent = 16;     // a text box under its radio button
constexpr int kButton2Width = 160;
constexpr int kButtonTextPadding = 16;
constexpr int kBrowseWidth = 64;
constexpr int kBrowseGap = 6;
constexpr int kBrowseRaise = 2; // the button stands a little taller than its text box
constexpr int kPictureSize = 16;

BOOL CALLBACK SetFontOf(HWND child, LPARAM font)
{
    ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

void Move(HWND window, int left, int top, int width, int height)
{
    ::MoveWindow(window, left, top, width, height, TRUE);
}

void Move(HWND window, const RECT& bounds)
{
    Move(window, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

RECT DisplayArea(HWND tabControl)
{
    RECT area{};
    ::GetWindowRect(tabControl, &area);
    ::MapWindowPoints(nullptr, ::GetParent(tabControl), reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(tabControl, FALSE, &area);
    return area;
}

void AddTab(HWND tabControl, int index, const wchar_t* caption)
{
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(caption);
    TabCtrl_InsertItem(tabControl, index, &tab);
}

bool Checked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool on)
{
    ::SendMessageW(button, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

TForm3::TForm3() = default;

TForm3::~TForm3()
{
    if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND TForm3::Create(HWND owner, std::unique_ptr<MainWindowSettings> mainWindow, const Dispatch& outlookNamespace)
{
    mainWindow_ = std::move(mainWindow);
    outlookNamespace_ = &outlookNamespace;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (!::GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &TForm3::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        if (!::RegisterClassExW(&windowClass)) ThrowLastError();
    }
    // Opened in the middle of the screen, at the system's DPI until a monitor says otherwise.
    dpi_ = SystemDpi();
    const RECT bounds = WindowRectForClient(ClientSize(), kStyle, false, kExStyle, dpi_);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    // Until the settings give it a place: the middle of the screen.
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!::CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, left, top, width, height, owner, nullptr, instance,
                           this))
        ThrowLastError();
    FitClientArea(hwnd_, ClientSize());
    if (const int dpi = DpiOfWindow(hwnd_); dpi != dpi_) OnDpiChanged(dpi, nullptr);
    return hwnd_;
}

SIZE TForm3::ClientSize() const noexcept
{
    const DpiScale scale(dpi_);
    return {scale(kClientWidth), scale(kClientHeight)};
}

LRESULT CALLBACK TForm3::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FormWindowProc<TForm3, &TForm3::hwnd_, &TForm3::OnMessage>(window, message, wParam, lParam);
}

LRESULT TForm3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_NEXTDLGCTL: MoveDialogFocus(hwnd_, wParam, lParam); return 0;
    // No OK button: Enter clicks only a push button that has the focus.
    case DM_GETDEFID: return DefaultButtonId(hwnd_, 0);
    case WM_CLOSE: Close(); return 0;
    case WM_NCDESTROY: {
        HWND window = hwnd_;
        hwnd_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    default: return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void TForm3::OnCreate()
{
    font_ = CreatePointFont(kFontFace, 8, dpi_);
    CreateControls();
}

void TForm3::OnActivate(bool active)
{
    if (!active) {
        if (HWND focus = FocusIn(hwnd_)) lastFocus_ = focus;
        return;
    }
    // Back where the user left, while that control is still on show; else on the page tabs.
    const bool usable = lastFocus_ && ::IsChild(hwnd_, lastFocus_) && ::IsWindowVisible(lastFocus_) &&
                        ::IsWindowEnabled(lastFocus_);
    ::SetFocus(usable ? lastFocus_ : PageControl2);
}

void TForm3::OnDpiChanged(int dpi, const RECT* suggested)
{
    if (dpi <= 0) return;
    if (dpi != dpi_) {
        dpi_ = dpi;
        UniqueGdiObject oldFont = std::move(font_);
        font_ = CreatePointFont(kFontFace, 8, dpi_);
        ::EnumChildWindows(hwnd_, SetFontOf, reinterpret_cast<LPARAM>(font_.get()));
    }
    if (suggested)
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea(hwnd_, ClientSize());
    Layout();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

HWND TForm3::Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle)
{
    HWND child = ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                   nullptr);
    if (!child) ThrowLastError();
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return child;
}

// A page is an opaque window over the page control's display area: hiding it hides its
// controls, and showing it paints over whatever the other page left. Its controls' messages
// go on to the dialog.
LRESULT CALLBACK TForm3::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        return ::SendMessageW(::GetParent(window), message, wParam, lParam);
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND TForm3::CreatePage()
{
    static constexpr wchar_t kPageClass[] = L"TForm3Page";
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW pageClass{};
    if (!::GetClassInfoExW(instance, kPageClass, &pageClass)) {
        pageClass.cbSize = sizeof(pageClass);
        pageClass.lpfnWndProc = &TForm3::PageProc;
        pageClass.hInstance = instance;
        pageClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        pageClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        pageClass.lpszClassName = kPageClass;
        if (!::RegisterClassExW(&pageClass)) ThrowLastError();
    }
    return Child(hwnd_, kPageClass, L"", WS_CLIPCHILDREN, 0, WS_EX_CONTROLPARENT);
}

// Created in the order Tab and the arrow keys follow; Layout places them.
void TForm3::CreateControls()
{
    PageControl2 = Child(hwnd_, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP, kPageControl2);
    AddTab(PageControl2, kSearchOptionsPage, L"Search Options");
    AddTab(PageControl2, kRemoveOptionsPage, L"Remove Options");
    searchPage_ = CreatePage();
    removePage_ = CreatePage();

    // "Search Options".
    Label1 = Child(searchPage_, L"STATIC", L"Select item properties for comparision:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                   kLabel1);
    PageControl1 = Child(searchPage_, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | TCS_MULTILINE, kPageControl1);
    for (ItemKind kind : kItemKinds) AddTab(PageControl1, static_cast<int>(kind), KindInfo(kind).tabCaption.data());
    for (ItemKind kind : kItemKinds) {
        const int index = static_cast<int>(kind);
        HWND list = Child(searchPage_, WC_LISTVIEWW, L"",
                          WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                          kCheckListBox1 + index, WS_EX_CLIENTEDGE);
        ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        ListView_InsertColumn(list, 0, &column);
        mirroring_ = true;
        int row = 0;
        for (const PropertyInfo* property : ProfileRows(kind)) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row++;
            item.pszText = const_cast<wchar_t*>(property->caption.data());
            ListView_InsertItem(list, &item);
        }
        mirroring_ = false;
        CheckListBoxes[static_cast<size_t>(index)] = list;
    }
    CheckBox1 = Child(searchPage_, L"BUTTON", L"Search for only same folder duplicates",
                      WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1);
    Button2 = Child(searchPage_, L"BUTTON", L"Check default properties*", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                    kButton2);

    // "Remove Options": each group's buttons one after another and the first of them starting
    // the group, so that the arrow keys move (and choose) within it; the check follows the
    // focus as with the system's own radio buttons.
    auto radio = [&](const wchar_t* caption, int id, DWORD group) {
        return Child(removePage_, L"BUTTON", caption, WS_VISIBLE | BS_AUTORADIOBUTTON | group, id);
    };
    RadioButton2 = radio(L"Oldest creation time", kRadioButton2, WS_GROUP);
    RadioButton3 = radio(L"Newest creation time", kRadioButton3, 0);
    RadioButton4 = radio(L"Smallest size", kRadioButton4, 0);
    RadioButton8 = radio(L"Largest size", kRadioButton8, 0);
    RadioButton7 = radio(L"Delete (move to deleted items)", kRadioButton7, WS_GROUP);
    RadioButton6 = radio(L"Delete (permanetly)", kRadioButton6, 0);
    RadioButton5 = radio(L"Move to folder", kRadioButton5, 0);
    RadioButton1 = radio(L"Modify subject for duplicates", kRadioButton1, 0);
    Edit1 = Child(removePage_, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | ES_READONLY, kEdit1,
                  WS_EX_CLIENTEDGE);
    Button1 = Child(removePage_, L"BUTTON", L"Browse", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButton1);
    Edit2 = Child(removePage_, L"EDIT", kDefaultSubjectMark, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kEdit2,
                  WS_EX_CLIENTEDGE);
    GroupBox1 = Child(removePage_, L"BUTTON", L"Original item is the item with", WS_VISIBLE | BS_GROUPBOX, kGroupBox1);
    GroupBox2 = Child(removePage_, L"BUTTON", L"Duplicate behavior options", WS_VISIBLE | WS_GROUP | BS_GROUPBOX,
                      kGroupBox2);

    // Frames underneath everything they hold; the page windows over the page control.
    for (HWND frame : {GroupBox2, GroupBox1, PageControl1})
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(PageControl2, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Design defaults.
    SetOriginal(OriginalRule::OldestCreation);
    SetBehavior(DuplicateBehavior::DeletePermanently);
    TabCtrl_SetCurSel(PageControl1, static_cast<int>(ItemKind::Mail));
    TabCtrl_SetCurSel(PageControl2, kSearchOptionsPage);
    Layout();
    ShowPageControls();
}

// Every control placed from its 96-DPI size, scaled to the dialog's DPI; the page controls'
// display areas come from the controls themselves, in their current font.
void TForm3::Layout()
{
    const DpiScale scale(dpi_);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int margin = scale(kMargin);
    Move(PageControl2, margin, margin, client.right - 2 * margin, client.bottom - 2 * margin);
    const RECT area = DisplayArea(PageControl2);
    Move(searchPage_, area);
    Move(removePage_, area);
    // Coordinates below are in the page.
    const int left = margin;
    const int width = area.right - area.left - 2 * margin;
    const int bottom = area.bottom - area.top - margin;
    LayoutSearchPage(left, width, bottom);
    LayoutRemovePage(left, width);
    for (HWND list : CheckListBoxes) FitCheckBoxImages(list, scale(kPictureSize));
}

void TForm3::LayoutSearchPage(int left, int width, int bottom)
{
    const DpiScale scale(dpi_);
    const int labelHeight = std::max(scale(kLabelHeight), FontHeight(Label1, font_.get()));
    Move(Label1, left, scale(kMargin), width, labelHeight);
    const int buttonHeight = scale(kButtonHeight);
    const int button2Top = bottom - buttonHeight;
    const int checkBoxTop = button2Top - scale(kGap) - scale(kLineHeight);
    const int innerTop = scale(kMargin) + labelHeight + scale(kGap);
    Move(PageControl1, left, innerTop, width, checkBoxTop - scale(kGap) - innerTop);
    const RECT inner = DisplayArea(PageControl1);
    // One column as wide as the list inside its border, room left for a scroll bar, which a
    // long list shows already and a short one not.
    const int columnWidth = (inner.right - inner.left) - 2 * SystemMetricForDpi(SM_CXEDGE, dpi_) -
                            SystemMetricForDpi(SM_CXVSCROLL, dpi_);
    for (HWND list : CheckListBoxes) {
        Move(list, inner);
        ListView_SetColumnWidth(list, 0, columnWidth);
    }
    Move(CheckBox1, left, checkBoxTop, width, scale(kLineHeight));
    const int button2Width =
        std::max(scale(kButton2Width), TextWidth(Button2, font_.get(), L"Check default properties*") +
                                           scale(kButtonTextPadding));
    Move(Button2, left, button2Top, button2Width, buttonHeight);
}

void TForm3::LayoutRemovePage(int left, int width)
{
    const DpiScale scale(dpi_);
    const int radioLeft = left + scale(kRadioIndent);
    const int radioWidth = width - 2 * scale(kRadioIndent);
    const int lineHeight = scale(kLineHeight);
    const int step = scale(kRadioStep);
    const int editHeight = scale(kEditHeight);
    int y = scale(kMargin);
    const int group1Top = y;
    y += scale(kGroupHeader);
    for (HWND button : {RadioButton2, RadioButton3, RadioButton4, RadioButton8}) {
        Move(button, radioLeft, y, radioWidth, lineHeight);
        y += step;
    }
    Move(GroupBox1, left, group1Top, width, y - group1Top);

    const int group2Top = y + scale(kGroupGap);
    const int editLeft = radioLeft + scale(kEditIndent);
    const int browseWidth = scale(kBrowseWidth);
    y = group2Top + scale(kGroupHeader);
    for (HWND button : {RadioButton7, RadioButton6, RadioButton5}) {
        Move(button, radioLeft, y, radioWidth, lineHeight);
        y += step;
    }
    Move(Edit1, editLeft, y, radioLeft + radioWidth - editLeft - browseWidth - scale(kBrowseGap), editHeight);
    Move(Button1, radioLeft + radioWidth - browseWidth, y - scale(kBrowseRaise), browseWidth, scale(kButtonHeight));
    y += editHeight + scale(kGroupPadding);
    Move(RadioButton1, radioLeft, y, radioWidth, lineHeight);
    y += step;
    Move(Edit2, editLeft, y, radioLeft + radioWidth - editLeft, editHeight);
    Move(GroupBox2, left, group2Top, width, y + editHeight + scale(kGroupPadding) - group2Top);
}

void TForm3::ShowPageControls()
{
    const bool search = TabCtrl_GetCurSel(PageControl2) == kSearchOptionsPage;
    const int kind = TabCtrl_GetCurSel(PageControl1);
    for (size_t i = 0; i < CheckListBoxes.size(); ++i)
        ::ShowWindow(CheckListBoxes[i], static_cast<int>(i) == kind ? SW_SHOWNA : SW_HIDE);
    ::ShowWindow(search ? removePage_ : searchPage_, SW_HIDE);
    ::ShowWindow(search ? searchPage_ : removePage_, SW_SHOWNA);
    // The focus never stays on a control that went out of sight: a list of another kind
    // hands it to the kinds' tabs, a page that was left to the pages' tabs.
    HWND focus = FocusIn(hwnd_);
    if (focus && !::IsWindowVisible(focus))
        ::SetFocus(::IsWindowVisible(::GetParent(focus)) ? PageControl1 : PageControl2);
}

void TForm3::ShowPage(Page page)
{
    TabCtrl_SetCurSel(PageControl2, page);
    ShowPageControls();
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
}

int TForm3::ActivePage() const { return TabCtrl_GetCurSel(PageControl2); }

void TForm3::Close()
{
    if (!hwnd_) return;
    RunGuarded([&] { FormClose(); });
    ::ShowWindow(hwnd_, SW_HIDE);
}

void TForm3::FormClose() { SaveSettings(); }

void TForm3::ReadSettings()
{
    if (mainWindow_) LoadSettings(*this, *mainWindow_);
}

void TForm3::SaveSettings()
{
    if (mainWindow_) StoreSettings(*this, *mainWindow_);
}

void TForm3::OnCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDCANCEL: Close(); break; // Esc
    case kButton1: Button1Click(); break;
    case kButton2: Button2Click(); break;
    case kCheckBox1: profiles_.setSameFolder(Checked(CheckBox1)); break;
    case kRadioButton2: case kRadioButton3: case kRadioButton4: case kRadioButton8:
        CheckRadio(control, {RadioButton2, RadioButton3, RadioButton4, RadioButton8});
        break;
    case kRadioButton7: case kRadioButton6: case kRadioButton5: case kRadioButton1:
        CheckRadio(control, {RadioButton7, RadioButton6, RadioButton5, RadioButton1});
        break;
    default: break;
    }
}

LRESULT TForm3::OnNotify(NMHDR* header)
{
    if (header->code == TCN_SELCHANGE && (header->hwndFrom == PageControl2 || header->hwndFrom == PageControl1)) {
        ShowPageControls();
        return 0;
    }
    if (header->code == LVN_ITEMCHANGED && !mirroring_) {
        const int kind = KindOfList(header->hwndFrom);
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (kind >= 0 && change->iItem >= 0 && (change->uChanged & LVIF_STATE) &&
            ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK)) {
            const bool on = ListView_GetCheckState(header->hwndFrom, change->iItem) != 0;
            profiles_.setTicked(kItemKinds[static_cast<size_t>(kind)], static_cast<size_t>(change->iItem), on);
        }
    }
    return 0;
}

int TForm3::KindOfList(HWND list) const
{
    for (size_t i = 0; i < CheckListBoxes.size(); ++i)
        if (CheckListBoxes[i] == list) return static_cast<int>(i);
    return -1;
}

// Tab reaches a group at its chosen button, or at its first when none is chosen.
void TForm3::CheckRadio(HWND on, std::initializer_list<HWND> group)
{
    for (HWND button : group) SetChecked(button, button == on);
    HWND tabStop = on ? on : *group.begin();
    for (HWND button : group) {
        const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
        ::SetWindowLongPtrW(button, GWL_STYLE, button == tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void TForm3::MirrorProfiles()
{
    mirroring_ = true;
    for (ItemKind kind : kItemKinds) {
        HWND list = CheckListBoxes[static_cast<size_t>(kind)];
        for (size_t row = 0; row < profiles_.rowCount(kind); ++row)
            ListView_SetCheckState(list, static_cast<int>(row), profiles_.ticked(kind, row));
    }
    mirroring_ = false;
    SetChecked(CheckBox1, profiles_.sameFolder());
}

void TForm3::Button1Click()
{
    // Cancelling the picker gives no folder, whose path is empty: that empties the box.
    Dispatch folder;
    if (outlookNamespace_) folder = outlookNamespace_->callObject(L"PickFolder");
    SetMoveFolderPath(GetFolderPath(folder));
}

void TForm3::Button2Click()
{
    profiles_.Button2Click();
    MirrorProfiles();
}

void TForm3::SetProfiles(const ComparisonProfiles& profiles)
{
    profiles_ = profiles;
    MirrorProfiles();
}

OriginalRule TForm3::Original() const
{
    if (Checked(RadioButton2)) return OriginalRule::OldestCreation;
    if (Checked(RadioButton3)) return OriginalRule::NewestCreation;
    if (Checked(RadioButton4)) return OriginalRule::SmallestSize;
    if (Checked(RadioButton8)) return OriginalRule::LargestSize;
    return OriginalRule::None;
}

DuplicateBehavior TForm3::Behavior() const
{
    if (Checked(RadioButton7)) return DuplicateBehavior::MoveToDeletedItems;
    if (Checked(RadioButton6)) return DuplicateBehavior::DeletePermanently;
    if (Checked(RadioButton5)) return DuplicateBehavior::MoveToFolder;
    if (Checked(RadioButton1)) return DuplicateBehavior::ModifySubject;
    return DuplicateBehavior::None;
}

void TForm3::SetOriginal(OriginalRule rule)
{
    HWND on = rule == OriginalRule::OldestCreation ? RadioButton2
              : rule == OriginalRule::NewestCreation ? RadioButton3
              : rule == OriginalRule::SmallestSize   ? RadioButton4
              : rule == OriginalRule::LargestSize    ? RadioButton8
                                                     : nullptr;
    CheckRadio(on, {RadioButton2, RadioButton3, RadioButton4, RadioButton8});
}

void TForm3::SetBehavior(DuplicateBehavior behavior)
{
    HWND on = behavior == DuplicateBehavior::MoveToDeletedItems  ? RadioButton7
              : behavior == DuplicateBehavior::DeletePermanently ? RadioButton6
              : behavior == DuplicateBehavior::MoveToFolder      ? RadioButton5
              : behavior == DuplicateBehavior::ModifySubject     ? RadioButton1
                                                                 : nullptr;
    CheckRadio(on, {RadioButton7, RadioButton6, RadioButton5, RadioButton1});
}

std::wstring TForm3::MoveFolderPath() const { return WindowText(Edit1); }
std::wstring TForm3::SubjectMark() const { return WindowText(Edit2); }

void TForm3::SetMoveFolderPath(const std::wstring& path) { ::SetWindowTextW(Edit1, path.c_str()); }
void TForm3::SetSubjectMark(const std::wstring& mark) { ::SetWindowTextW(Edit2, mark.c_str()); }

POINT TForm3::Position() const
{
    RECT bounds{};
    ::GetWindowRect(hwnd_, &bounds);
    return {bounds.left, bounds.top};
}

void TForm3::SetPosition(POINT topLeft)
{
    ::SetWindowPos(hwnd_, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace gleaner
