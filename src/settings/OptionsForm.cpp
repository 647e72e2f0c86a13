#include "settings/OptionsForm.h"

#include <commctrl.h>

#include <utility>

#include "app/AppException.h"
#include "folders/FolderPath.h"
#include "platform/ComError.h"
#include "settings/SettingsStore.h"

namespace gleaner {

namespace {

constexpr wchar_t kClassName[] = L"TForm3";
constexpr wchar_t kCaption[] = L"Options";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Layout at the design size, in pixels.
constexpr int kMargin = 4;
constexpr int kLineHeight = 17;
constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kRadioStep = 20;

RECT Bounds(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

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
    RECT bounds{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&bounds, kStyle, FALSE, kExStyle);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    // Until the settings give it a place: the middle of the screen.
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!::CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, left, top, width, height, owner, nullptr, instance,
                           this))
        ThrowLastError();
    return hwnd_;
}

LRESULT CALLBACK TForm3::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FormWindowProc<TForm3, &TForm3::hwnd_, &TForm3::OnMessage>(window, message, wParam, lParam);
}

LRESULT TForm3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam));
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
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    LOGFONTW font{};
    ::lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    font.lfHeight = -::MulDiv(8, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
    font_.reset(::CreateFontIndirectW(&font));
    CreateControls();
}

HWND TForm3::Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, RECT bounds,
                   DWORD exStyle)
{
    HWND child = ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_CLIPSIBLINGS | style, bounds.left,
                                   bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
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

HWND TForm3::CreatePage(RECT bounds)
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
    return Child(hwnd_, kPageClass, L"", WS_CLIPCHILDREN, 0, bounds, WS_EX_CONTROLPARENT);
}

void TForm3::CreateControls()
{
    PageControl2 = Child(hwnd_, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP, kPageControl2,
                         Bounds(kMargin, kMargin, kClientWidth - 2 * kMargin, kClientHeight - 2 * kMargin));
    AddTab(PageControl2, kSearchOptionsPage, L"Search Options");
    AddTab(PageControl2, kRemoveOptionsPage, L"Remove Options");
    const RECT area = DisplayArea(PageControl2);
    searchPage_ = CreatePage(area);
    removePage_ = CreatePage(area);
    // Coordinates below are in the page.
    const int left = kMargin;
    const int width = area.right - area.left - 2 * kMargin;
    const int bottom = area.bottom - area.top - kMargin;

    // "Search Options".
    Label1 = Child(searchPage_, L"STATIC", L"Select item properties for comparision:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                   kLabel1, Bounds(left, kMargin, width, 14));
    const int button2Top = bottom - kButtonHeight;
    const int checkBoxTop = button2Top - 4 - kLineHeight;
    const int innerTop = kMargin + 18;
    PageControl1 = Child(searchPage_, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | TCS_MULTILINE, kPageControl1,
                         Bounds(left, innerTop, width, checkBoxTop - 4 - innerTop));
    for (ItemKind kind : kItemKinds) AddTab(PageControl1, static_cast<int>(kind), KindInfo(kind).tabCaption.data());
    const RECT inner = DisplayArea(PageControl1);
    for (ItemKind kind : kItemKinds) {
        const int index = static_cast<int>(kind);
        HWND list = Child(searchPage_, WC_LISTVIEWW, L"",
                          WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                          kCheckListBox1 + index, inner, WS_EX_CLIENTEDGE);
        ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        RECT client{};
        ::GetClientRect(list, &client);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
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
                      WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kCheckBox1, Bounds(left, checkBoxTop, width, kLineHeight));
    Button2 = Child(searchPage_, L"BUTTON", L"Check default properties*", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                    kButton2, Bounds(left, button2Top, 160, kButtonHeight));

    // "Remove Options".
    const int radioLeft = left + 12;
    const int radioWidth = width - 24;
    const int group1Top = kMargin;
    GroupBox1 = Child(removePage_, L"BUTTON", L"Original item is the item with", WS_VISIBLE | BS_GROUPBOX, kGroupBox1,
                      Bounds(left, group1Top, width, 18 + 4 * kRadioStep));
    int y = group1Top + 18;
    auto radio = [&](const wchar_t* caption, int id) {
        HWND button = Child(removePage_, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON, id,
                            Bounds(radioLeft, y, radioWidth, kLineHeight));
        y += kRadioStep;
        return button;
    };
    RadioButton2 = radio(L"Oldest creation time", kRadioButton2);
    RadioButton3 = radio(L"Newest creation time", kRadioButton3);
    RadioButton4 = radio(L"Smallest size", kRadioButton4);
    RadioButton8 = radio(L"Largest size", kRadioButton8);

    const int group2Top = y + 12;
    const int editLeft = radioLeft + 16;
    const int browseWidth = 64;
    y = group2Top + 18;
    RadioButton7 = radio(L"Delete (move to deleted items)", kRadioButton7);
    RadioButton6 = radio(L"Delete (permanetly)", kRadioButton6);
    RadioButton5 = radio(L"Move to folder", kRadioButton5);
    Edit1 = Child(removePage_, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, kEdit1,
                  Bounds(editLeft, y, radioLeft + radioWidth - editLeft - browseWidth - 6, kEditHeight),
                  WS_EX_CLIENTEDGE);
    Button1 = Child(removePage_, L"BUTTON", L"Browse", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButton1,
                    Bounds(radioLeft + radioWidth - browseWidth, y - 2, browseWidth, kButtonHeight));
    y += kEditHeight + 10;
    RadioButton1 = radio(L"Modify subject for duplicates", kRadioButton1);
    Edit2 = Child(removePage_, L"EDIT", kDefaultSubjectMark, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kEdit2,
                  Bounds(editLeft, y, radioLeft + radioWidth - editLeft, kEditHeight), WS_EX_CLIENTEDGE);
    GroupBox2 = Child(removePage_, L"BUTTON", L"Duplicate behavior options", WS_VISIBLE | BS_GROUPBOX, kGroupBox2,
                      Bounds(left, group2Top, width, y + kEditHeight + 10 - group2Top));

    // Frames underneath everything they hold; the page windows over the page control.
    for (HWND frame : {GroupBox2, GroupBox1, PageControl1})
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(PageControl2, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Design defaults.
    SetOriginal(OriginalRule::OldestCreation);
    SetBehavior(DuplicateBehavior::DeletePermanently);
    TabCtrl_SetCurSel(PageControl1, static_cast<int>(ItemKind::Mail));
    TabCtrl_SetCurSel(PageControl2, kSearchOptionsPage);
    ShowPageControls();
}

void TForm3::ShowPageControls()
{
    const bool search = TabCtrl_GetCurSel(PageControl2) == kSearchOptionsPage;
    const int kind = TabCtrl_GetCurSel(PageControl1);
    for (size_t i = 0; i < CheckListBoxes.size(); ++i)
        ::ShowWindow(CheckListBoxes[i], static_cast<int>(i) == kind ? SW_SHOWNA : SW_HIDE);
    ::ShowWindow(search ? removePage_ : searchPage_, SW_HIDE);
    ::ShowWindow(search ? searchPage_ : removePage_, SW_SHOWNA);
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

void TForm3::CheckRadio(HWND on, std::initializer_list<HWND> group)
{
    for (HWND button : group) SetChecked(button, button == on);
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
