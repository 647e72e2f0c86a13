// The program without a mouse: from start-up, the keys a Windows user expects reach every
// control of the main window and of the Options dialog through the program's own message
// loop, Alt+F opens the File menu, F1 asks for help, Enter clicks the button that should be
// clicked and Esc closes the Options dialog and the About box.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/ErrorLog.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "platform/ComInit.h"
#include "settings/OptionsForm.h"
#include "support/AboutBox.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr char kTwoStores[] = R"({ "version": "12.0.0.6423", "stores": [
  { "name": "Personal Folders", "folders": [
      { "name": "Inbox", "defaultItemType": 0, "items": [
          { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "Text" } ] },
      { "name": "Calendar", "defaultItemType": 1 } ] },
  { "name": "Archive Folders", "folders": [ { "name": "Old", "defaultItemType": 0 } ] } ] })";

class SilentPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
};

std::wstring Text(HWND window)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

// The program as main.cpp starts it, driven by keys posted to the focused control and handled
// by the program's own message loop.
class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        logFolder_ = std::wstring(temp) + L"gleaner-keys-test-" + std::to_wstring(::GetCurrentProcessId());
        SetLogFolderForTesting(logFolder_);
        ASSERT_TRUE(application_.Create());
        form_ = std::make_unique<TForm1>();
        window_ = form_->Create(application_.hwnd());
        application_.SetMainForm(window_);
        application_.SetAccelerators(form_->Accelerators());
        ::ShowWindow(window_, SW_SHOW);
        Run();
    }
    void TearDown() override
    {
        if (::IsWindow(window_)) form_->Close();
        Run();
        form_.reset();
        ::DeleteFileW(ErrorLogPath().c_str());
        ::RemoveDirectoryW(logFolder_.c_str());
        SetLogFolderForTesting(L"");
    }

    // Handles everything pending in the program's message loop.
    void Run()
    {
        ::PostQuitMessage(0);
        application_.Run();
    }
    // One key, pressed and let go at the focused control, as the keyboard delivers it; with
    // Alt held, the system's variant of the messages.
    void Press(UINT key, bool alt = false)
    {
        HWND target = ::GetFocus() ? ::GetFocus() : window_;
        const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? 1 << 29 : 0);
        const LPARAM up = down | (1u << 30) | (1u << 31);
        ::PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
        ::PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
        Run();
    }
    // Tab or Shift+Tab: the dialog manager reads Shift from the thread's keyboard state.
    void Tab(bool back = false)
    {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = back ? 0x80 : 0;
        ::SetKeyboardState(keys);
        Press(VK_TAB);
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
    }
    std::wstring StatusText() const
    {
        wchar_t text[128] = {};
        ::SendMessageW(form_->StatusBar1, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
        return text;
    }

    ComInit com_;
    SilentPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    StandInProfile profile_{kTwoStores};
    std::wstring logFolder_;
    TApplication application_;
    std::unique_ptr<TForm1> form_;
    HWND window_ = nullptr;
};

TEST_F(KeyboardTest, TabAndTheLabelsMnemonicReachEveryControlOfTheMainWindow)
{
    TForm1& form = *form_;
    // The folders first, as the line above them says.
    EXPECT_EQ(::GetFocus(), form.TreeView1.hwnd());
    const HWND cycle[] = {form.ListView2, form.Memo1, form.CheckBox1, form.BitBtn1, form.BitBtn2, form.Button3,
                          form.ListView2};
    for (HWND next : cycle) {
        Tab();
        EXPECT_EQ(::GetFocus(), next) << Text(next);
    }
    Tab(true);
    EXPECT_EQ(::GetFocus(), form.Button3);

    // The tree takes no focus by Tab; Alt and the label's letter lead to it, and the arrow
    // keys move in it.
    Press('S', true);
    ASSERT_EQ(::GetFocus(), form.TreeView1.hwnd());
    HTREEITEM before = TreeView_GetSelection(form.TreeView1.hwnd());
    Press(VK_DOWN);
    EXPECT_NE(TreeView_GetSelection(form.TreeView1.hwnd()), before);

    // Space ticks "Fast Search" when it has the focus.
    while (::GetFocus() != form.CheckBox1) Tab();
    Press(VK_SPACE);
    EXPECT_EQ(::SendMessageW(form.CheckBox1, BM_GETCHECK, 0, 0), BST_CHECKED);
    Press(VK_SPACE);
    EXPECT_EQ(::SendMessageW(form.CheckBox1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

// Enter clicks the push button that has the focus, else the default "Search for duplicates",
// also from the preview, where Esc does not close the window either.
TEST_F(KeyboardTest, EnterClicksTheFocusedButtonElseSearches)
{
    TForm1& form = *form_;
    // Focused as a click focuses it (reached by Tab, Wine's dialog manager would also have
    // made it the default button).
    ::SetFocus(form.Button3);
    Press(VK_RETURN);
    EXPECT_TRUE(form.CancelRequested) << "\"Cancel\" ran";
    EXPECT_EQ(StatusText(), L"") << "no search ran";

    while (::GetFocus() != form.Memo1) Tab();
    Press(VK_ESCAPE);
    Run();
    ASSERT_TRUE(::IsWindow(window_));
    Press(VK_RETURN);
    EXPECT_EQ(StatusText(), L"0 duplicated items found.");
    EXPECT_FALSE(form.CancelRequested);
}

// Esc in the main window stops a search or processing run, as "Cancel" does, and does
// nothing else.
TEST_F(KeyboardTest, EscStopsARunningSearchAndNothingElse)
{
    TForm1& form = *form_;
    Press(VK_ESCAPE);
    EXPECT_FALSE(form.CancelRequested);
    ASSERT_TRUE(::IsWindow(window_));
    // The search hands the window its pending keys after each item.
    ::PostMessageW(form.BitBtn1, BM_CLICK, 0, 0);
    Press(VK_ESCAPE);
    EXPECT_TRUE(form.CancelRequested) << "seen by the search, and left set until the next run";
    EXPECT_TRUE(::IsWindow(window_));
}

// Catches the menu's popups as the program's window opens them, closes the menu loop from
// inside, and ends the test's message loop once the menu loop is over: a quit message that
// arrived meanwhile would be taken by the menu loop.
struct MenuWatch {
    HHOOK hook = nullptr;
    std::vector<HMENU> opened;
    bool ended = false;
    int ticks = 0;
} menuWatch;

LRESULT CALLBACK WatchMenus(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP)
        menuWatch.opened.push_back(reinterpret_cast<HMENU>(call->wParam));
    if (code == HC_ACTION && call->message == WM_EXITMENULOOP) menuWatch.ended = true;
    return ::CallNextHookEx(menuWatch.hook, code, wParam, lParam);
}

void CALLBACK EndMenuOnceOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    // Timers reach here inside the menu's own loop too.
    ++menuWatch.ticks;
    if (menuWatch.ended || menuWatch.ticks > 100) {
        ::KillTimer(nullptr, id);
        ::PostQuitMessage(0);
    } else if (!menuWatch.opened.empty() || menuWatch.ticks > 40) {
        ::EndMenu();
    }
}

TEST_F(KeyboardTest, AltFOpensTheFileMenu)
{
    menuWatch = {};
    menuWatch.hook = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchMenus, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(menuWatch.hook);
    HWND focus = ::GetFocus();
    ::PostMessageW(focus, WM_SYSKEYDOWN, 'F', 1 | (1 << 29));
    ::PostMessageW(focus, WM_SYSKEYUP, 'F', 1 | (1 << 29) | (3u << 30));
    ::SetTimer(nullptr, 0, 50, EndMenuOnceOpen);
    application_.Run();
    ::UnhookWindowsHookEx(menuWatch.hook);
    ASSERT_EQ(menuWatch.opened.size(), 1u);
    EXPECT_EQ(menuWatch.opened[0], ::GetSubMenu(::GetMenu(window_), 0));
    EXPECT_TRUE(menuWatch.ended);
    EXPECT_TRUE(::IsWindow(window_));
}

// What F1 asks the main window for, kept from the shell.
LRESULT CALLBACK RecordHelp(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR asked)
{
    if (message == WM_COMMAND && LOWORD(wParam) == TForm1::kHelp1) {
        ++*reinterpret_cast<int*>(asked);
        return 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(KeyboardTest, F1AsksForHelpFromEveryWindow)
{
    int asked = 0;
    ::SetWindowSubclass(window_, RecordHelp, 1, reinterpret_cast<DWORD_PTR>(&asked));
    Press(VK_F1);
    EXPECT_EQ(asked, 1);
    form_->Form3->ShowPage(TForm3::kSearchOptionsPage);
    Run();
    ASSERT_TRUE(::IsChild(form_->Form3->hwnd(), ::GetFocus()));
    Press(VK_F1);
    EXPECT_EQ(asked, 2);
    ::RemoveWindowSubclass(window_, RecordHelp, 1);
}

TEST_F(KeyboardTest, TabAndArrowsReachEveryControlOfTheOptionsDialog)
{
    TForm3& options = *form_->Form3;
    // The choices as a first start has them, whatever an earlier run stored.
    options.SetOriginal(OriginalRule::OldestCreation);
    options.SetBehavior(DuplicateBehavior::DeletePermanently);
    options.ShowPage(TForm3::kSearchOptionsPage);
    Run();
    ASSERT_EQ(::GetFocus(), options.PageControl2);
    std::set<HWND> reached{options.PageControl2};
    auto expectFocus = [&](HWND control) {
        EXPECT_EQ(::GetFocus(), control) << Text(control);
        reached.insert(::GetFocus());
    };

    // "Search Options": the content of the page, then its tabs, like a property sheet. The
    // arrow keys on the kinds' tabs show each kind's list.
    Tab();
    expectFocus(options.CheckListBoxes[static_cast<size_t>(ItemKind::Mail)]);
    Tab();
    expectFocus(options.CheckBox1);
    Tab();
    expectFocus(options.Button2);
    Tab();
    expectFocus(options.PageControl1);
    Press(VK_LEFT);
    Press(VK_LEFT);
    for (ItemKind kind : kItemKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        ASSERT_EQ(TabCtrl_GetCurSel(options.PageControl1), static_cast<int>(kind));
        Tab(true);
        Tab(true);
        Tab(true);
        expectFocus(options.CheckListBoxes[static_cast<size_t>(kind)]);
        Tab();
        Tab();
        Tab();
        expectFocus(options.PageControl1);
        Press(VK_RIGHT);
    }
    Tab();
    expectFocus(options.PageControl2);

    // "Remove Options": Tab stops at each group's chosen button, the arrows move and choose
    // within the group, the other group keeps its choice.
    Press(VK_RIGHT);
    ASSERT_EQ(options.ActivePage(), TForm3::kRemoveOptionsPage);
    Tab();
    expectFocus(options.RadioButton2);
    for (HWND next : {options.RadioButton3, options.RadioButton4, options.RadioButton8}) {
        Press(VK_DOWN);
        expectFocus(next);
    }
    EXPECT_EQ(options.Original(), OriginalRule::LargestSize);
    EXPECT_EQ(options.Behavior(), DuplicateBehavior::DeletePermanently);
    Tab();
    expectFocus(options.RadioButton6);
    Press(VK_UP);
    expectFocus(options.RadioButton7);
    for (HWND next : {options.RadioButton6, options.RadioButton5, options.RadioButton1}) {
        Press(VK_DOWN);
        expectFocus(next);
    }
    EXPECT_EQ(options.Behavior(), DuplicateBehavior::ModifySubject);
    EXPECT_EQ(options.Original(), OriginalRule::LargestSize);
    for (HWND next : {options.Edit1, options.Button1, options.Edit2, options.PageControl2}) {
        Tab();
        expectFocus(next);
    }
    Tab(true);
    Tab(true);
    Tab(true);
    Tab(true);
    expectFocus(options.RadioButton1);

    std::set<HWND> focusable{options.PageControl2, options.PageControl1, options.CheckBox1, options.Button2,
                             options.RadioButton2, options.RadioButton3, options.RadioButton4, options.RadioButton8,
                             options.RadioButton7, options.RadioButton6, options.RadioButton5, options.RadioButton1,
                             options.Edit1, options.Button1, options.Edit2};
    focusable.insert(options.CheckListBoxes.begin(), options.CheckListBoxes.end());
    EXPECT_EQ(reached, focusable);

    // Esc closes the dialog (saving, as every close does).
    Press(VK_ESCAPE);
    EXPECT_FALSE(::IsWindowVisible(options.hwnd()));
}

// A group with no chosen button is still reached by Tab, at its first button.
TEST_F(KeyboardTest, AGroupWithNothingChosenIsReachedAtItsFirstButton)
{
    TForm3& options = *form_->Form3;
    options.SetOriginal(OriginalRule::None);
    options.ShowPage(TForm3::kRemoveOptionsPage);
    Run();
    Tab();
    EXPECT_EQ(::GetFocus(), options.RadioButton2);
    Press(VK_SPACE);
    EXPECT_EQ(options.Original(), OriginalRule::OldestCreation);
}

// Enter clicks the focused "Check default properties*"; the dialog has no default button.
TEST_F(KeyboardTest, EnterClicksTheOptionsDialogsFocusedButton)
{
    TForm3& options = *form_->Form3;
    options.ShowPage(TForm3::kSearchOptionsPage);
    Run();
    ComparisonProfiles none = options.Profiles();
    for (ItemKind kind : kItemKinds)
        for (size_t row = 0; row < none.rowCount(kind); ++row) none.setTicked(kind, row, false);
    options.SetProfiles(none);
    ::SetFocus(options.Button2); // as a click does
    Press(VK_RETURN);
    EXPECT_TRUE(options.Profiles().ticked(ItemKind::Mail, 0));
    EXPECT_TRUE(::IsWindowVisible(options.hwnd()));
}

// Steps through the About box's own modal loop from a timer: Enter on "Send Error Report"
// focused as by a click (the box stays), Tab, Esc.
struct AboutWalk {
    TAboutBox* box = nullptr;
    int step = 0;
    int focusAtStart = 0, focusAfterTab = 0; // the focused controls' identifiers
    bool openAfterEnter = false;
} aboutWalk;

void PostKey(UINT key)
{
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
}

void CALLBACK WalkAboutBox(HWND, UINT, UINT_PTR, DWORD)
{
    AboutWalk& walk = aboutWalk;
    switch (walk.step++) {
    case 0:
        walk.focusAtStart = ::GetDlgCtrlID(::GetFocus());
        ::SetFocus(walk.box->Button2);
        PostKey(VK_RETURN);
        break;
    case 1: walk.openAfterEnter = ::IsWindow(walk.box->hwnd()); PostKey(VK_TAB); break;
    case 2: walk.focusAfterTab = ::GetDlgCtrlID(::GetFocus()); PostKey(VK_ESCAPE); break;
    default: walk.box->OKButtonClick(); break; // Esc did not close it
    }
}

TEST_F(KeyboardTest, AboutBoxEnterClicksTheFocusedButtonTabGoesRoundEscCloses)
{
    int reports = 0;
    TAboutBox box([&] { ++reports; });
    aboutWalk = {&box};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, WalkAboutBox);
    box.ShowModal(window_);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(aboutWalk.focusAtStart, TAboutBox::kOKButton);
    EXPECT_EQ(aboutWalk.focusAfterTab, TAboutBox::kOKButton) << "Tab goes round the two buttons";
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(aboutWalk.openAfterEnter);
    EXPECT_LT(aboutWalk.step, 4) << "Esc closed the box";
    EXPECT_EQ(box.hwnd(), nullptr);
}

} // namespace
