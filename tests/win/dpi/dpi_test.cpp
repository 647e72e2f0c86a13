// The main window, the Options dialog and the About box at the screen's DPI, and again after
// a move to a screen of another DPI. run_at_dpi.sh runs these tests in a prefix of their own
// whose LogPixels is set (96, 120, 144, 192) and names the DPI in GLEANER_TEST_DPI; each run
// keeps PNG pictures of the three windows in its working folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LayoutChecks.h"
#include "Screenshot.h"
#include "app/Application.h"
#include "app/ErrorLog.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "platform/ComInit.h"
#include "platform/Dpi.h"
#include "platform/RegKey.h"
#include "platform/Text.h"
#include "settings/OptionsForm.h"
#include "settings/SettingsStore.h"
#include "support/AboutBox.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr char kFolders[] = R"({ "version": "12.0.0.6423", "stores": [
  { "name": "Personal Folders", "folders": [
      { "name": "Inbox", "defaultItemType": 0, "folders": [ { "name": "Old mail", "defaultItemType": 0 } ] },
      { "name": "Calendar", "defaultItemType": 1 }, { "name": "Contacts", "defaultItemType": 2 },
      { "name": "Journal", "defaultItemType": 4 }, { "name": "Notes", "defaultItemType": 5 },
      { "name": "Tasks", "defaultItemType": 3 } ] },
  { "name": "Archive Folders", "folders": [ { "name": "Old", "defaultItemType": 0 } ] } ] })";

class SilentPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
};

// The DPI this run was started for; the screen's own when run by hand.
int ExpectedDpi()
{
    const char* named = std::getenv("GLEANER_TEST_DPI");
    return named && *named ? std::atoi(named) : SystemDpi();
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    return {client.right, client.bottom};
}

int PictureSize(HIMAGELIST list)
{
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    EXPECT_EQ(width, height);
    return width;
}

// A check box's or radio button's mark and the gap to its text.
int MarkRoom(int dpi) { return SystemMetricForDpi(SM_CXMENUCHECK, dpi) + Scaled(4, dpi); }

// A picture of the window as the screen shows it, when all of it fits on the screen (the main
// window at 192 DPI is wider than the test display).
void SaveShot(HWND window, const std::wstring& name, int dpi)
{
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    if (bounds.right > ::GetSystemMetrics(SM_CXSCREEN) || bounds.bottom > ::GetSystemMetrics(SM_CYSCREEN)) return;
    Repaint(window);
    e2e::SaveScreenshot(window, PictureFolder() + L"\\" + name + L"-" + std::to_wstring(dpi) + L".png");
}

// Moves `window` to a screen of `dpi` as Windows does: WM_DPICHANGED with the window's
// rectangle scaled to the new DPI.
void MoveToDpi(HWND window, int fromDpi, int dpi)
{
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    const DpiScale scale(dpi);
    RECT suggested{bounds.left, bounds.top, bounds.left + scale.From(Width(bounds), fromDpi),
                   bounds.top + scale.From(Height(bounds), fromDpi)};
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

// The main window at `dpi`, whatever size the user gave it.
void CheckMainWindow(TForm1& form, int dpi)
{
    SCOPED_TRACE("main window at " + std::to_string(dpi));
    HWND window = form.hwnd();
    EXPECT_EQ(form.Dpi(), dpi);
    EXPECT_EQ(FontOf(form.Label1).lfHeight, -::MulDiv(8, dpi, 72)) << "Tahoma 8 pt";
    EXPECT_EQ(FontOf(form.TreeView1.hwnd()).lfHeight, -::MulDiv(8, dpi, 72));
    for (HWND button : {form.BitBtn1, form.BitBtn2, form.Button3})
        EXPECT_EQ(FontOf(button).lfHeight, Scaled(16, dpi)) << "a 16-pixel cell at 96 DPI";

    EXPECT_EQ(Height(BoundsIn(window, ::GetDlgItem(window, TForm1::kBanner))), Scaled(TForm1::kBannerHeight, dpi));
    EXPECT_EQ(Width(BoundsIn(window, form.Splitter1.hwnd())), Scaled(4, dpi));
    EXPECT_EQ(Height(BoundsIn(window, form.Splitter2.hwnd())), Scaled(4, dpi));
    MINMAXINFO limits{};
    ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, Scaled(TForm1::kMinWindowWidth, dpi));
    EXPECT_EQ(limits.ptMinTrackSize.y, Scaled(TForm1::kMinWindowHeight, dpi));

    // Pictures at the DPI's size, rows high enough for them and for the text.
    HWND tree = form.TreeView1.hwnd();
    EXPECT_EQ(PictureSize(TreeView_GetImageList(tree, TVSIL_NORMAL)), Scaled(16, dpi));
    EXPECT_EQ(PictureSize(TreeView_GetImageList(tree, TVSIL_STATE)), Scaled(16, dpi));
    EXPECT_EQ(PictureSize(ListView_GetImageList(form.ListView2, LVSIL_STATE)), Scaled(16, dpi));
    EXPECT_GE(TreeView_GetItemHeight(tree), std::max(Scaled(16, dpi), FontHeightOf(tree)));
    EXPECT_EQ(TreeView_GetIndent(tree), static_cast<UINT>(Scaled(19, dpi)));

    ExpectTextFits(form.Label1, 0);
    ExpectTextFits(form.CheckBox1, MarkRoom(dpi));
    for (HWND button : {form.BitBtn1, form.BitBtn2, form.Button3}) ExpectTextFits(button, Scaled(8, dpi));
    const std::vector<HWND> controls = VisibleChildren(window);
    EXPECT_GE(controls.size(), 12u);
    ExpectNoOverlap(window, controls);
    RECT client{};
    ::GetClientRect(window, &client);
    ExpectInside(window, controls, client);

    // The progress panel of a running search.
    form.Progress.Show();
    int parts[2] = {};
    ::SendMessageW(form.StatusBar1, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    EXPECT_EQ(parts[0], Scaled(300, dpi));
    form.Progress.Hide();
}

void CheckOptionsPage(TForm3& dialog, TForm3::Page page)
{
    SCOPED_TRACE(page == TForm3::kSearchOptionsPage ? "Search Options" : "Remove Options");
    dialog.ShowPage(page);
    Pump();
    HWND pageWindow = ::GetParent(page == TForm3::kSearchOptionsPage ? dialog.Label1 : dialog.RadioButton2);
    ASSERT_TRUE(::IsWindowVisible(pageWindow));
    RECT area = BoundsIn(dialog.hwnd(), dialog.PageControl2);
    TabCtrl_AdjustRect(dialog.PageControl2, FALSE, &area);
    EXPECT_TRUE(Inside(BoundsIn(dialog.hwnd(), pageWindow), area));
    const std::vector<HWND> controls = VisibleChildren(pageWindow);
    EXPECT_GE(controls.size(), 4u);
    RECT pageClient{};
    ::GetClientRect(pageWindow, &pageClient);
    ExpectInside(pageWindow, controls, pageClient);
    ExpectNoOverlap(pageWindow, controls);
}

// Both pages of the Options dialog at `dpi`.
void CheckOptions(TForm3& dialog, int dpi)
{
    SCOPED_TRACE("Options at " + std::to_string(dpi));
    EXPECT_EQ(dialog.Dpi(), dpi);
    const SIZE client = ClientSize(dialog.hwnd());
    EXPECT_EQ(client.cx, Scaled(TForm3::kClientWidth, dpi));
    EXPECT_EQ(client.cy, Scaled(TForm3::kClientHeight, dpi));
    EXPECT_EQ(FontOf(dialog.RadioButton2).lfHeight, -::MulDiv(8, dpi, 72));
    CheckOptionsPage(dialog, TForm3::kSearchOptionsPage);
    CheckOptionsPage(dialog, TForm3::kRemoveOptionsPage);

    for (HWND control : {dialog.CheckBox1, dialog.RadioButton2, dialog.RadioButton3, dialog.RadioButton4,
                         dialog.RadioButton8, dialog.RadioButton7, dialog.RadioButton6, dialog.RadioButton5,
                         dialog.RadioButton1})
        ExpectTextFits(control, MarkRoom(dpi));
    for (HWND control : {dialog.Button2, dialog.Button1}) ExpectTextFits(control, Scaled(8, dpi));
    for (HWND control : {dialog.GroupBox1, dialog.GroupBox2}) ExpectTextFits(control, Scaled(16, dpi));
    for (HWND control : {dialog.Label1, dialog.Edit1, dialog.Edit2}) ExpectTextFits(control, 0);
    for (HWND tabs : {dialog.PageControl2, dialog.PageControl1}) {
        for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
            wchar_t caption[64] = {};
            TCITEMW tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = caption;
            tab.cchTextMax = 64;
            TabCtrl_GetItem(tabs, i, &tab);
            RECT item{};
            TabCtrl_GetItemRect(tabs, i, &item);
            const SIZE need = TextExtent(tabs, caption);
            EXPECT_LE(need.cx, Width(item)) << ToUtf8(caption);
            EXPECT_LE(need.cy, Height(item)) << ToUtf8(caption);
        }
    }
    // Every property's caption shows in full beside its tick, rows as high as text and tick.
    for (HWND list : dialog.CheckListBoxes) {
        const int picture = PictureSize(ListView_GetImageList(list, LVSIL_STATE));
        EXPECT_EQ(picture, Scaled(16, dpi));
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            wchar_t caption[128] = {};
            ListView_GetItemText(list, row, 0, caption, 128);
            EXPECT_GE(ListView_GetColumnWidth(list, 0), ListView_GetStringWidth(list, caption) + picture + Scaled(8, dpi))
                << ToUtf8(caption);
        }
        RECT row{};
        ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
        EXPECT_GE(Height(row), std::max(picture, FontHeightOf(list)));
    }
}

// The About box at `dpi`.
void CheckAboutBox(TAboutBox& box, int dpi)
{
    SCOPED_TRACE("About at " + std::to_string(dpi));
    HWND window = box.hwnd();
    EXPECT_EQ(box.Dpi(), dpi);
    const SIZE client = ClientSize(window);
    EXPECT_EQ(client.cx, Scaled(TAboutBox::kClientWidth, dpi));
    EXPECT_EQ(client.cy, Scaled(TAboutBox::kClientHeight, dpi));
    EXPECT_EQ(FontOf(box.Version).lfHeight, -::MulDiv(8, dpi, 72));
    const RECT panel = TAboutBox::PanelRect(dpi);
    EXPECT_TRUE(Inside(panel, RECT{0, 0, client.cx, client.cy}));
    const int bevel = Scaled(3, dpi);
    const RECT inPanel{panel.left + bevel, panel.top + bevel, panel.right - bevel, panel.bottom - bevel};
    for (HWND text : {box.ProductName, box.Version, box.Label1, box.Label2}) ExpectTextFits(text, 0);
    ExpectTextFits(box.Comments, 0, true);
    ExpectInside(window, {box.ProgramIcon, box.ProductName, box.Version, box.Comments, box.Label1, box.Label2},
                 inPanel);
    const RECT icon = BoundsIn(window, box.ProgramIcon);
    EXPECT_EQ(Width(icon), Scaled(64, dpi));
    EXPECT_EQ(Height(icon), Scaled(64, dpi));
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(box.ProgramIcon, STM_GETICON, 0, 0)), &info));
    BITMAP picture{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(picture), &picture);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    EXPECT_EQ(picture.bmWidth, Scaled(64, dpi)) << "the icon drawn at its size, not stretched";
    for (HWND button : {box.OKButton, box.Button2}) {
        EXPECT_GE(BoundsIn(window, button).top, panel.bottom);
        ExpectTextFits(button, Scaled(8, dpi));
    }
    const std::vector<HWND> controls = VisibleChildren(window);
    EXPECT_EQ(controls.size(), 8u);
    ExpectNoOverlap(window, controls);
    ExpectInside(window, controls, RECT{0, 0, client.cx, client.cy});
}

class DpiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
        ::InitCommonControlsEx(&controls);
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        logFolder_ = std::wstring(temp) + L"gleaner-dpi-test-" + std::to_wstring(::GetCurrentProcessId());
        SetLogFolderForTesting(logFolder_);
        // The prefix is this run's own: a first start, with no stored layout.
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override
    {
        if (form_) {
            form_->Close();
            form_.reset();
        }
        Pump();
        ::DeleteFileW(ErrorLogPath().c_str());
        ::RemoveDirectoryW(logFolder_.c_str());
        SetLogFolderForTesting(L"");
    }

    // The main window as the program starts it, shown.
    TForm1& StartProgram()
    {
        application_.Create();
        form_ = std::make_unique<TForm1>();
        HWND window = form_->Create(application_.hwnd());
        application_.SetMainForm(window);
        ::ShowWindow(window, SW_SHOW);
        Pump();
        return *form_;
    }

    const int dpi_ = SystemDpi();
    ComInit com_;
    SilentPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    StandInProfile profile_{kFolders};
    std::wstring logFolder_;
    TApplication application_;
    std::unique_ptr<TForm1> form_;
};

TEST_F(DpiTest, RunsAtTheDpiItWasStartedFor)
{
    EXPECT_EQ(dpi_, ExpectedDpi());
    TForm1& form = StartProgram();
    EXPECT_EQ(form.Dpi(), ExpectedDpi());
    EXPECT_EQ(DpiOfWindow(form.hwnd()), ExpectedDpi());
}

TEST_F(DpiTest, MainWindowIsTheDesignScaled)
{
    TForm1& form = StartProgram();
    const SIZE client = ClientSize(form.hwnd());
    EXPECT_EQ(client.cx, Scaled(TForm1::kDesignWidth, dpi_));
    EXPECT_EQ(client.cy, Scaled(TForm1::kDesignHeight, dpi_));
    EXPECT_EQ(Width(BoundsIn(form.hwnd(), form.TreeView1.hwnd())), Scaled(209, dpi_));
    EXPECT_EQ(Height(BoundsIn(form.hwnd(), form.Memo1)), Scaled(113, dpi_));
    const int columns[] = {24, 178, 173};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, i), Scaled(columns[i], dpi_));
    CheckMainWindow(form, dpi_);
    SaveShot(form.hwnd(), L"main", dpi_);
}

TEST_F(DpiTest, OptionsDialogIsTheDesignScaled)
{
    TForm3& dialog = *StartProgram().Form3;
    CheckOptions(dialog, dpi_);
    for (auto [page, name] : {std::pair{TForm3::kSearchOptionsPage, L"options-search"},
                              std::pair{TForm3::kRemoveOptionsPage, L"options-remove"}}) {
        dialog.ShowPage(page);
        SaveShot(dialog.hwnd(), name, dpi_);
    }
    dialog.Close();
}

TEST_F(DpiTest, AboutBoxIsTheDesignScaled)
{
    TAboutBox box{[] {}};
    box.Create(nullptr);
    ::ShowWindow(box.hwnd(), SW_SHOW);
    Pump();
    CheckAboutBox(box, dpi_);
    SaveShot(box.hwnd(), L"about", dpi_);
}

// Sizes and splitter positions are stored in 96-DPI pixels: a stored layout comes back scaled
// to the screen, and is stored again unchanged; the window's place stays in screen pixels.
TEST_F(DpiTest, LayoutIsStoredIn96DpiPixels)
{
    const struct {
        const wchar_t* name;
        DWORD value;
    } stored[] = {{L"SplitX", 260}, {L"SplitY", 200}, {L"TV1", 250}, {L"TV2", 120}, {L"Form1X", 30},
                  {L"Form1Y", 20},  {L"Form3X", 70},  {L"Form3Y", 60}, {L"AppX", 420}, {L"AppY", 620},
                  {L"SubWidth", 150}, {L"FoldWidth", 200}};
    {
        RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKey);
        for (const auto& value : stored) key.writeDword(value.name, value.value);
    }
    TForm1& form = StartProgram();
    HWND window = form.hwnd();
    const SIZE client = ClientSize(window);
    EXPECT_EQ(client.cx, Scaled(620, dpi_));
    EXPECT_EQ(client.cy, Scaled(420, dpi_));
    EXPECT_EQ(form.TreeWidth(), Scaled(250, dpi_));
    EXPECT_EQ(form.MemoHeight(), Scaled(120, dpi_));
    EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, 1), Scaled(150, dpi_));
    EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, 2), Scaled(200, dpi_));
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.left, 30);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(form.Form3->Position().x, 70);
    EXPECT_EQ(form.Form3->Position().y, 60);
    CheckMainWindow(form, dpi_);
    const RECT memo = BoundsIn(window, form.Memo1);

    form.Close();
    form_.reset();
    std::optional<RegKey> key = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(key);
    for (const auto& value : stored) {
        const int read = static_cast<int>(key->readDword(value.name));
        if (std::wstring(value.name) == L"SplitY") {
            EXPECT_NEAR(read, 4 + 250, 1) << "the bar beside the tree, in 96-DPI pixels";
        } else if (std::wstring(value.name) == L"SplitX") {
            EXPECT_NEAR(read, DpiScale(dpi_).ToDesign(memo.top) - 4, 1) << "the bar above the preview";
        } else {
            EXPECT_EQ(read, static_cast<int>(value.value)) << ToUtf8(value.name);
        }
    }
}

// A move to a screen of another DPI: every window takes the new scale and the main window
// keeps the sizes the user gave it (in 96-DPI terms), however often it moves: the last move
// is back to the first screen, where all is as it was.
TEST_F(DpiTest, AMoveToAnotherDpiLaysEveryWindowOutAgain)
{
    std::vector<int> moves;
    for (int dpi : {96, 120, 144, 192})
        if (dpi != dpi_) moves.push_back(dpi);
    moves.push_back(dpi_);

    TForm1& form = StartProgram();
    form.SetTreeWidth(Scaled(250, dpi_));
    TForm3& dialog = *form.Form3;
    dialog.ShowPage(TForm3::kSearchOptionsPage);
    TAboutBox box{[] {}};
    box.Create(nullptr);
    ::ShowWindow(box.hwnd(), SW_SHOW);
    Pump();
    int from = dpi_;
    for (int dpi : moves) {
        MoveToDpi(form.hwnd(), from, dpi);
        MoveToDpi(dialog.hwnd(), from, dpi);
        MoveToDpi(box.hwnd(), from, dpi);
        from = dpi;
        const SIZE client = ClientSize(form.hwnd());
        EXPECT_EQ(client.cx, Scaled(TForm1::kDesignWidth, dpi)) << dpi;
        EXPECT_EQ(client.cy, Scaled(TForm1::kDesignHeight, dpi)) << dpi;
        EXPECT_EQ(form.TreeWidth(), Scaled(250, dpi)) << dpi;
        EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, 1), Scaled(178, dpi)) << dpi;
        CheckMainWindow(form, dpi);
        CheckOptions(dialog, dpi);
        CheckAboutBox(box, dpi);
    }
    dialog.Close();
}

} // namespace
