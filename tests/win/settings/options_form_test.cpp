// The Options dialog itself: captions, pages and what its controls do, Browse through
// Outlook's folder picker, a round trip of every control, and pictures of both pages.
#include <windows.h>

#include <commctrl.h>

#include <fstream>

#include "SettingsSupport.h"
#include "app/Application.h"
#include "folders/FolderPath.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

std::wstring Text(HWND window)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

std::wstring TabText(HWND tabControl, int index)
{
    wchar_t text[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = 64;
    TabCtrl_GetItem(tabControl, index, &tab);
    return text;
}

std::wstring RowText(HWND list, int row)
{
    wchar_t text[128] = {};
    ListView_GetItemText(list, row, 0, text, 128);
    return text;
}

void Click(HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); }

// Selects a tab as a click would: the control tells its parent.
void SelectTab(HWND tabControl, int index)
{
    TabCtrl_SetCurSel(tabControl, index);
    NMHDR header{tabControl, static_cast<UINT_PTR>(::GetDlgCtrlID(tabControl)), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(::GetParent(tabControl), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

RECT ScreenBounds(HWND window)
{
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    return bounds;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT both{};
    return ::IntersectRect(&both, &a, &b) != 0;
}

// The text's extent in the control's font fits the control (less the check mark's room).
bool CaptionFits(HWND control, int room)
{
    const std::wstring text = Text(control);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    RECT client{};
    ::GetClientRect(control, &client);
    return size.cx + room <= client.right;
}

// The window's client area as the screen shows it, as a 24-bit BMP file.
void SaveScreenshot(HWND window, const std::wstring& path)
{
    RECT bounds{};
    ::GetClientRect(window, &bounds);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    ::SelectObject(memory, old);

    BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB};
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::string pixels(static_cast<size_t>(stride) * static_cast<size_t>(height), '\0');
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

TEST_F(SettingsTest, DialogHasItsPagesCaptionsAndFixedClientSize)
{
    TForm3& dialog = NewDialog();
    EXPECT_EQ(Text(dialog.hwnd()), L"Options");
    RECT client{};
    ::GetClientRect(dialog.hwnd(), &client);
    EXPECT_EQ(client.right, 274);
    EXPECT_EQ(client.bottom, 341);
    const LONG_PTR style = ::GetWindowLongPtrW(dialog.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));

    ASSERT_EQ(TabCtrl_GetItemCount(dialog.PageControl2), 2);
    EXPECT_EQ(TabText(dialog.PageControl2, 0), L"Search Options");
    EXPECT_EQ(TabText(dialog.PageControl2, 1), L"Remove Options");
    EXPECT_EQ(dialog.ActivePage(), TForm3::kSearchOptionsPage);
    const wchar_t* kinds[] = {L"Calendar", L"Contact", L"Mail", L"Journal", L"Note", L"Task"};
    ASSERT_EQ(TabCtrl_GetItemCount(dialog.PageControl1), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(TabText(dialog.PageControl1, i), kinds[i]);
    EXPECT_EQ(TabCtrl_GetCurSel(dialog.PageControl1), 2); // Mail shows first

    const std::pair<HWND, const wchar_t*> captions[] = {
        {dialog.Label1, L"Select item properties for comparision:"},
        {dialog.CheckBox1, L"Search for only same folder duplicates"},
        {dialog.Button2, L"Check default properties*"},
        {dialog.GroupBox1, L"Original item is the item with"},
        {dialog.RadioButton2, L"Oldest creation time"},
        {dialog.RadioButton3, L"Newest creation time"},
        {dialog.RadioButton4, L"Smallest size"},
        {dialog.RadioButton8, L"Largest size"},
        {dialog.GroupBox2, L"Duplicate behavior options"},
        {dialog.RadioButton7, L"Delete (move to deleted items)"},
        {dialog.RadioButton6, L"Delete (permanetly)"},
        {dialog.RadioButton5, L"Move to folder"},
        {dialog.RadioButton1, L"Modify subject for duplicates"},
        {dialog.Button1, L"Browse"},
        {dialog.Edit2, L"***DUPLICATE***"},
    };
    for (const auto& [control, caption] : captions) EXPECT_EQ(Text(control), caption);
    EXPECT_NE(::GetWindowLongPtrW(dialog.Edit1, GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(::GetWindowLongPtrW(dialog.Edit2, GWL_STYLE) & ES_READONLY, 0);

    // The rows of every list, as the profiles name them; nothing ticked in a new dialog.
    for (ItemKind kind : kItemKinds) {
        HWND list = dialog.CheckListBoxes[static_cast<size_t>(kind)];
        const auto rows = ProfileRows(kind);
        ASSERT_EQ(ListView_GetItemCount(list), static_cast<int>(rows.size()));
        for (size_t row = 0; row < rows.size(); ++row)
            EXPECT_EQ(RowText(list, static_cast<int>(row)), rows[row]->caption);
        EXPECT_EQ(ListTicks(dialog, kind), std::wstring(rows.size(), L'0'));
    }
}

TEST_F(SettingsTest, ControlsChangeTheChoicesTheSearchesRead)
{
    TForm3& dialog = NewDialog();
    // Radio buttons: one on per group, groups independent.
    Click(dialog.RadioButton4);
    Click(dialog.RadioButton5);
    EXPECT_EQ(dialog.Original(), OriginalRule::SmallestSize);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::MoveToFolder);
    EXPECT_FALSE(Checked(dialog.RadioButton2));
    EXPECT_FALSE(Checked(dialog.RadioButton6));
    Click(dialog.RadioButton8);
    EXPECT_EQ(dialog.Original(), OriginalRule::LargestSize);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::MoveToFolder);

    // Ticking in a list reaches the profiles at once.
    HWND mail = dialog.CheckListBoxes[static_cast<size_t>(ItemKind::Mail)];
    ListView_SetCheckState(mail, 6, TRUE); // "Attachments"
    std::vector<std::wstring> columns;
    dialog.CheckedProps(0, columns);
    EXPECT_EQ(columns, std::vector<std::wstring>{L"Attachments."});
    Click(dialog.CheckBox1);
    EXPECT_TRUE(dialog.SameFolder());

    // "Check default properties*": starred rows only, same folder off, radios untouched.
    Click(dialog.Button2);
    EXPECT_EQ(ListTicks(dialog, ItemKind::Mail), L"11111100000000000000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Contact), L"1111111" + std::wstring(33, L'0'));
    EXPECT_FALSE(dialog.SameFolder());
    EXPECT_FALSE(Checked(dialog.CheckBox1));
    EXPECT_EQ(dialog.Original(), OriginalRule::LargestSize);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::MoveToFolder);

    ListView_SetCheckState(mail, 0, FALSE);
    EXPECT_FALSE(dialog.Profiles().ticked(ItemKind::Mail, 0));

    // Pages: the menu's choice shows the dialog on that page, modeless.
    dialog.ShowPage(TForm3::kRemoveOptionsPage);
    EXPECT_TRUE(::IsWindowVisible(dialog.hwnd()));
    EXPECT_EQ(dialog.ActivePage(), TForm3::kRemoveOptionsPage);
    EXPECT_TRUE(::IsWindowVisible(dialog.RadioButton5));
    EXPECT_FALSE(::IsWindowVisible(mail));
    SelectTab(dialog.PageControl2, TForm3::kSearchOptionsPage);
    EXPECT_FALSE(::IsWindowVisible(dialog.RadioButton5));
    EXPECT_TRUE(::IsWindowVisible(mail));
    SelectTab(dialog.PageControl1, static_cast<int>(ItemKind::Task));
    EXPECT_FALSE(::IsWindowVisible(mail));
    EXPECT_TRUE(::IsWindowVisible(dialog.CheckListBoxes[static_cast<size_t>(ItemKind::Task)]));
    ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
}

constexpr char kFolders[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
    { "name": "Inbox", "defaultItemType": 0, "folders": [ { "name": "Old mail", "defaultItemType": 0 } ] },
    { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems" } ] } ] })";

// The dialog is modeless, so the program's message loop must give it Tab like the main window.
TEST_F(SettingsTest, TabInTheMessageLoopMovesToTheDialogsNextControl)
{
    TForm3& dialog = NewDialog();
    dialog.ShowPage(TForm3::kRemoveOptionsPage);
    ::SetFocus(dialog.Edit1);
    ASSERT_EQ(::GetFocus(), dialog.Edit1);
    HWND next = ::GetNextDlgTabItem(dialog.hwnd(), dialog.Edit1, FALSE);
    ASSERT_NE(next, dialog.Edit1);

    TApplication application;
    ASSERT_TRUE(application.Create());
    ::PostMessageW(dialog.Edit1, WM_KEYDOWN, VK_TAB, 0x000F0001);
    ::PostQuitMessage(0);
    application.Run();
    EXPECT_EQ(::GetFocus(), next);
}

TEST_F(SettingsTest, BrowsePutsThePickedFolderInTheBoxAndCancellingEmptiesIt)
{
    StandInProfile profile(kFolders);
    {
        Dispatch outlook = CreateOutlook();
        Dispatch control = StandInControl(outlook);
        outlookNamespace_ = outlook.callObject(L"GetNamespace", L"MAPI");
        TForm3& dialog = NewDialog();
        Dispatch archive = outlookNamespace_.getObject(L"Folders")
                               .callObject(L"Item", 1)
                               .getObject(L"Folders")
                               .callObject(L"Item", 1)
                               .getObject(L"Folders")
                               .callObject(L"Item", 1);
        control.put(L"PickFolderAnswer", archive.variant());
        Click(dialog.Button1);
        EXPECT_EQ(dialog.MoveFolderPath(), L"\\Personal Folders\\Inbox\\Old mail");
        dialog.SaveSettings();
        EXPECT_EQ(StoredText(L"MAPI_MoveFolder"), L"\\Personal Folders\\Inbox\\Old mail");

        control.put(L"PickFolderAnswer", Variant());
        Click(dialog.Button1);
        EXPECT_EQ(dialog.MoveFolderPath(), L"");
        EXPECT_EQ(CallCount(outlook, L"PickFolder"), 2);
        ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
        EXPECT_EQ(StoredText(L"MAPI_MoveFolder"), L"");
        EXPECT_TRUE(LogLines().empty());
        dialog_.reset();
        outlookNamespace_.reset();
    }
}

// Every control changed, saved by closing, and a new dialog loads them all back.
TEST_F(SettingsTest, EveryControlSurvivesARoundTrip)
{
    {
        TForm3& dialog = NewDialog();
        Click(dialog.RadioButton3);
        Click(dialog.RadioButton7);
        Click(dialog.CheckBox1);
        ::SetWindowTextW(dialog.Edit2, L"[Doppelt] \u00e4\u20ac ");
        dialog.SetMoveFolderPath(L"\\Personal Folders\\Inbox\\Old mail");
        int n = 0;
        for (ItemKind kind : kItemKinds) {
            HWND list = dialog.CheckListBoxes[static_cast<size_t>(kind)];
            for (int row = 0; row < ListView_GetItemCount(list); ++row)
                ListView_SetCheckState(list, row, (++n % 3) == 0);
        }
        dialog.SetPosition({210, 77});
        mainWindow().fastSearch = true;
        mainWindow().showFoundMessage = false;
        mainWindow().values[MainWindowSettings::Value::SubWidth] = 222;
        ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    }
    std::vector<std::wstring> saved;
    for (ItemKind kind : kItemKinds) saved.push_back(EncodeCheckList(dialog_->Profiles(), kind));

    TForm3& dialog = NewDialog();
    dialog.ReadSettings();
    EXPECT_EQ(dialog.Original(), OriginalRule::NewestCreation);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::MoveToDeletedItems);
    EXPECT_TRUE(dialog.SameFolder());
    EXPECT_TRUE(Checked(dialog.CheckBox1));
    EXPECT_EQ(dialog.SubjectMark(), L"[Doppelt] \u00e4\u20ac ");
    EXPECT_EQ(dialog.MoveFolderPath(), L"\\Personal Folders\\Inbox\\Old mail");
    for (ItemKind kind : kItemKinds)
        EXPECT_EQ(ListTicks(dialog, kind), saved[static_cast<size_t>(kind)]) << static_cast<int>(kind);
    EXPECT_NE(saved[0], std::wstring(19, L'0'));
    EXPECT_EQ(dialog.Position().x, 210);
    EXPECT_EQ(dialog.Position().y, 77);
    EXPECT_TRUE(mainWindow().fastSearch);
    EXPECT_FALSE(mainWindow().showFoundMessage);
    EXPECT_EQ(mainWindow().values.at(MainWindowSettings::Value::SubWidth), 222);
    EXPECT_TRUE(LogLines().empty());
}

// Both pages on the screen: every shown control inside the page, no two overlapping except
// a frame and what it holds, every caption fitting its control. The pictures are kept in
// the test's folder for a person to look at.
TEST_F(SettingsTest, BothPagesFitTheirControlsWithoutOverlap)
{
    TForm3& dialog = NewDialog();
    dialog.SetPosition({20, 20});
    const RECT page = [&] {
        RECT area = ScreenBounds(dialog.PageControl2);
        TabCtrl_AdjustRect(dialog.PageControl2, FALSE, &area);
        return area;
    }();
    const struct {
        TForm3::Page index;
        HWND anyControl;
        const wchar_t* file;
    } pages[] = {{TForm3::kSearchOptionsPage, dialog.Label1, L"options_search.bmp"},
                 {TForm3::kRemoveOptionsPage, dialog.RadioButton2, L"options_remove.bmp"}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.index);
        dialog.ShowPage(p.index);
        ::RedrawWindow(dialog.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        ::Sleep(200);
        Pump();
        SaveScreenshot(dialog.hwnd(), p.file);

        HWND pageWindow = ::GetParent(p.anyControl);
        ASSERT_TRUE(::IsWindowVisible(pageWindow));
        EXPECT_TRUE(Inside(ScreenBounds(pageWindow), page));
        std::vector<HWND> shown;
        for (HWND child = ::GetWindow(pageWindow, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (::IsWindowVisible(child)) shown.push_back(child);
        }
        ASSERT_GE(shown.size(), 4u);
        auto holds = [&](HWND frame, HWND inner) {
            wchar_t className[32] = {};
            ::GetClassNameW(frame, className, 32);
            const bool isFrame = std::wstring(className) == WC_TABCONTROLW ||
                                 (::GetWindowLongPtrW(frame, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
            return isFrame && Inside(ScreenBounds(inner), ScreenBounds(frame));
        };
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(Inside(ScreenBounds(shown[i]), page)) << Text(shown[i]);
            for (size_t j = i + 1; j < shown.size(); ++j) {
                if (holds(shown[i], shown[j]) || holds(shown[j], shown[i])) continue;
                EXPECT_FALSE(Overlap(ScreenBounds(shown[i]), ScreenBounds(shown[j])))
                    << Text(shown[i]) << " / " << Text(shown[j]);
            }
        }
        // The other page is out of sight.
        HWND otherPage = ::GetParent(p.anyControl == dialog.Label1 ? dialog.RadioButton2 : dialog.Label1);
        EXPECT_FALSE(::IsWindowVisible(otherPage));
    }
    const int checkRoom = ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
    for (HWND control : {dialog.CheckBox1, dialog.RadioButton2, dialog.RadioButton3, dialog.RadioButton4,
                         dialog.RadioButton8, dialog.RadioButton7, dialog.RadioButton6, dialog.RadioButton5,
                         dialog.RadioButton1})
        EXPECT_TRUE(CaptionFits(control, checkRoom)) << Text(control);
    for (HWND control : {dialog.Label1, dialog.Button2, dialog.Button1}) EXPECT_TRUE(CaptionFits(control, 4)) << Text(control);
    // The list shows its longest caption without a horizontal scroll bar.
    HWND contact = dialog.CheckListBoxes[static_cast<size_t>(ItemKind::Contact)];
    EXPECT_GE(ListView_GetColumnWidth(contact, 0),
              ListView_GetStringWidth(contact, L"Company Main Telephone Number") + 24);
    ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
}

} // namespace
