// The main window's start-up and shut-down against the Outlook and security manager
// stand-ins, its layout, and the application-wide exception handler.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cwctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SecManSupport.h"
#include "app/AppException.h"
#include "app/Application.h"
#include "app/ErrorLog.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "platform/ComInit.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr char kTwoStores[] = R"({ "version": "12.0.0.6423", "stores": [
  { "name": "Personal Folders", "folders": [
      { "name": "Inbox", "defaultItemType": 0, "items": [
          { "messageClass": "IPM.Note", "Subject": "Hello", "Body": "Guarded text" } ],
        "folders": [ { "name": "Archive", "defaultItemType": 0 } ] },
      { "name": "Calendar", "defaultItemType": 1 } ] },
  { "name": "Archive Folders", "folders": [ { "name": "Old", "defaultItemType": 0 } ] } ] })";

constexpr char kNoStores[] = R"({ "version": "12.0.0.6423", "stores": [] })";

constexpr wchar_t kNoFoldersText[] =
    L"Please start Microsoft Outlook and click Gleaner toolbar to start Gleaner. If you do have Outlook Express, "
    L"please download Rinsel for Outlook Express at https://www.ostrel.example/download?id=7.";

struct Prompt {
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class RecordingPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        prompts.push_back({text, caption, type});
        return IDOK;
    }
    std::vector<Prompt> prompts;
};

// A class whose every activation fails, registered for this process only: to COM in this
// process the component looks installed but unable to start.
class FailingFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** out) override
    {
        *out = nullptr;
        ++attempts;
        return CO_E_SERVER_EXEC_FAILURE;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    int attempts = 0;
};

class ScopedFailingClass {
public:
    explicit ScopedFailingClass(REFCLSID clsid)
    {
        CheckHr(::CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_));
    }
    ~ScopedFailingClass() { ::CoRevokeClassObject(cookie_); }
    FailingFactory factory;

private:
    DWORD cookie_ = 0;
};

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        logFolder_ = std::wstring(temp) + L"gleaner-app-test-" + std::to_wstring(::GetCurrentProcessId());
        SetLogFolderForTesting(logFolder_);
        ::DeleteFileW(ErrorLogPath().c_str());
    }
    void TearDown() override
    {
        ::DeleteFileW(ErrorLogPath().c_str());
        ::RemoveDirectoryW(logFolder_.c_str());
        SetLogFolderForTesting(L"");
        ::SetDllDirectoryW(nullptr);
        RegisterSecMan();
    }

    // The messages of the log's lines (each line is "<date> <time> <message>").
    std::vector<std::wstring> LogLines() const
    {
        std::ifstream in(ErrorLogPath().c_str(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::wstring text = FromAnsi(bytes.str());
        std::vector<std::wstring> lines;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    // Handles this thread's messages until `window` is gone or nothing is left to do.
    static void Pump(HWND window)
    {
        MSG message;
        while (::IsWindow(window) && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // True when the main window ended the program.
    static bool QuitPosted()
    {
        MSG message;
        return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }

    ComInit com_;
    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    std::wstring logFolder_;
};

// The normal run, and every way of closing: settings saved and the security manager switched
// off exactly once, before destruction; Outlook logged off, never told to quit.
TEST_F(MainFormTest, NormalRunSwitchesSecurityAroundTheSessionForEveryWayOfClosing)
{
    enum class Way { Menu, CloseBox, TaskBar };
    for (Way way : {Way::Menu, Way::CloseBox, Way::TaskBar}) {
        SCOPED_TRACE(static_cast<int>(way));
        StandInProfile profile(kTwoStores);
        {
            Dispatch outlook = CreateOutlook(); // shares the stand-in's session and counters
            Dispatch control = StandInControl(outlook);
            control.call(L"ResetCounts");
            SecManControl().call(L"ResetCalls");
            TApplication application;
            ASSERT_TRUE(application.Create());
            auto form = std::make_unique<TForm1>();
            HWND window = form->Create(application.hwnd());
            application.SetMainForm(window);
            EXPECT_EQ(CallCount(outlook, L"Logon"), 1);
            EXPECT_EQ(SecManCalls(), L"ConnectTo\n");
            EXPECT_TRUE(form->ShowFoundMessage);

            ::ShowWindow(window, SW_SHOW);
            Pump(window);
            EXPECT_EQ(SecManCalls(), L"ConnectTo\nGetState 3\nSetState 3 1\n");
            EXPECT_FALSE(control.get(L"SecurityGuard").toBool());
            // A guarded read while the security manager is on prompts nothing.
            Dispatch item = form->OutlookNamespace.getObject(L"Folders")
                                .callObject(L"Item", 1)
                                .getObject(L"Folders")
                                .callObject(L"Item", 1)
                                .getObject(L"Items")
                                .callObject(L"Item", 1);
            EXPECT_EQ(item.get(L"Body").toText(), L"Guarded text");
            EXPECT_EQ(control.get(L"SecurityPrompts").toInt(), 0);
            item.reset();

            switch (way) {
            case Way::Menu: ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(TForm1::kExit1, 0), 0); break;
            case Way::CloseBox: ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
            case Way::TaskBar: ::SendMessageW(application.hwnd(), WM_CLOSE, 0, 0); break;
            }
            Pump(window);
            EXPECT_FALSE(::IsWindow(window));
            EXPECT_TRUE(QuitPosted());
            EXPECT_EQ(SecManCalls(), L"ConnectTo\nGetState 3\nSetState 3 1\nGetState 3\nSetState 3 0\n");
            EXPECT_TRUE(control.get(L"SecurityGuard").toBool());
            EXPECT_EQ(CallCount(outlook, L"Logoff"), 1);
            EXPECT_EQ(CallCount(outlook, L"Quit"), 0);
            EXPECT_FALSE(form->OutlookNamespace);
            EXPECT_FALSE(form->OutlookApplication1.connected());
            EXPECT_TRUE(prompter_.prompts.empty());
            form.reset();
        }
        for (const std::wstring& line : LogLines()) EXPECT_TRUE(EndsWith(line, L" line 820")) << ToUtf8(line);
        ::DeleteFileW(ErrorLogPath().c_str());
    }
}

TEST_F(MainFormTest, FilledTreeIsTickedWithTheFirstStoreExpanded)
{
    StandInProfile profile(kTwoStores);
    TForm1 form;
    form.Create(nullptr);
    const auto nodes = form.TreeView1.Nodes();
    ASSERT_EQ(nodes.size(), 6u);
    std::vector<HTREEITEM> roots;
    for (const auto& node : nodes) {
        EXPECT_TRUE(node.ticked);
        if (node.level == 0) roots.push_back(node.item);
    }
    ASSERT_EQ(roots.size(), 2u);
    auto expanded = [&](HTREEITEM item) {
        return (TreeView_GetItemState(form.TreeView1.hwnd(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    };
    EXPECT_TRUE(expanded(roots[0]));
    EXPECT_FALSE(expanded(roots[1]));
    for (const auto& node : nodes) {
        if (node.level > 0) EXPECT_FALSE(expanded(node.item));
    }
}

TEST_F(MainFormTest, OutlookAbsentLogsOnceTellsTheUserAndEnds)
{
    ScopedFailingClass outlook(kClsidOutlookApplication);
    SecManControl().call(L"ResetCalls");
    {
        TForm1 form;
        HWND window = form.Create(nullptr);
        ::ShowWindow(window, SW_SHOW);
        Pump(window);
        EXPECT_FALSE(::IsWindow(window));
        EXPECT_TRUE(QuitPosted());
        EXPECT_FALSE(form.OutlookNamespace);
        EXPECT_FALSE(form.TreeView1.HasFolders());
    }
    EXPECT_EQ(outlook.factory.attempts, 1); // nothing else tried to reach Outlook
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(EndsWith(lines[0], L" FormCreate event")) << ToUtf8(lines[0]);
    ASSERT_EQ(prompter_.prompts.size(), 1u);
    EXPECT_EQ(prompter_.prompts[0].text, kNoFoldersText);
    EXPECT_EQ(prompter_.prompts[0].caption, kApplicationTitle);
    EXPECT_EQ(prompter_.prompts[0].type, static_cast<UINT>(MB_OK));
    // Never connected, so the unconnected selector; switched on at show, off at close.
    EXPECT_EQ(SecManCalls(), L"GetState 0\nSetState 0 1\nGetState 0\nSetState 0 0\n");
}

TEST_F(MainFormTest, ProfileWithoutFoldersShowsTheMessageAndCloses)
{
    StandInProfile profile(kNoStores);
    Dispatch outlook = CreateOutlook();
    SecManControl().call(L"ResetCalls");
    {
        TForm1 form;
        HWND window = form.Create(nullptr);
        ::ShowWindow(window, SW_SHOW);
        Pump(window);
        EXPECT_FALSE(::IsWindow(window));
    }
    ASSERT_EQ(prompter_.prompts.size(), 1u);
    EXPECT_EQ(prompter_.prompts[0].text, kNoFoldersText);
    EXPECT_EQ(SecManCalls(), L"ConnectTo\nGetState 3\nSetState 3 1\nGetState 3\nSetState 3 0\n");
    EXPECT_EQ(CallCount(outlook, L"Logoff"), 1);
}

TEST_F(MainFormTest, SecurityManagerNotInstalledLogsExactlyTwoLines)
{
    UnregisterSecMan();
    StandInProfile profile(kTwoStores);
    {
        TForm1 form;
        HWND window = form.Create(nullptr);
        ::ShowWindow(window, SW_SHOW);
        Pump(window);
        EXPECT_FALSE(form.SecMan->available());
        form.Close();
        EXPECT_FALSE(::IsWindow(window));
    }
    std::vector<std::wstring> lines;
    // The MAPI-table component has a case of its own below.
    for (const std::wstring& line : LogLines())
        if (!EndsWith(line, L" line 820")) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(EndsWith(lines[0], L"Outlook Security Manager is not found. SecMan ConnectTo event"));
    EXPECT_TRUE(EndsWith(lines[1], L"Outlook Security Manager is not found. SecMan Enable event"));
    EXPECT_TRUE(prompter_.prompts.empty());
}

TEST_F(MainFormTest, MapiTableThatCannotStartIsLoggedOnceAndStartUpGoesOn)
{
    StandInProfile profile(kTwoStores);
    CLSID mapiTable{};
    std::unique_ptr<ScopedFailingClass> failing;
    // Registered or not, in this process the component cannot start.
    if (SUCCEEDED(::CLSIDFromProgID(L"vexla.MapiTable", &mapiTable)))
        failing = std::make_unique<ScopedFailingClass>(mapiTable);
    {
        TForm1 form;
        form.Create(nullptr);
        EXPECT_FALSE(form.MapiTable);
        EXPECT_TRUE(form.TreeView1.HasFolders());
        EXPECT_TRUE(form.ShowFoundMessage);
    }
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(EndsWith(lines[0], L" line 820")) << ToUtf8(lines[0]);
}

TEST_F(MainFormTest, ExceptionEscapingDestroyIsLoggedBare)
{
    StandInProfile profile(R"({ "version": "12.0.0.6423", "namespace": { "fail": { "Logoff": "Logoff refused." } },
        "stores": [ { "name": "Personal Folders", "folders": [ { "name": "Inbox", "defaultItemType": 0 } ] } ] })");
    {
        TForm1 form;
        HWND window = form.Create(nullptr);
        form.Close();
        EXPECT_FALSE(::IsWindow(window));
    }
    std::vector<std::wstring> lines;
    for (const std::wstring& line : LogLines())
        if (!EndsWith(line, L" line 820")) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(EndsWith(lines[0], L" Logoff refused.")) << ToUtf8(lines[0]);
}

// A window whose button handler throws, behind the same boundary every window procedure has.
LRESULT CALLBACK ThrowingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!RunGuarded([&] {
            if (message == WM_COMMAND && LOWORD(wParam) == 1) throw ComError(E_FAIL, L"The item vanished.");
            if (message == WM_COMMAND && LOWORD(wParam) == 2) throw Abort();
            result = ::DefWindowProcW(window, message, wParam, lParam);
        }))
        return 0;
    return result;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    if (::lstrcmpW(name, L"#32770") == 0 && ::IsWindowVisible(window)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

TEST_F(MainFormTest, ExceptionEscapingAButtonHandlerIsLoggedBareWithoutADialog)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ThrowingWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ThrowingTestWindow";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowW(L"ThrowingTestWindow", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(window);
    HWND failing = ::CreateWindowW(L"BUTTON", L"Fail", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window,
                                   reinterpret_cast<HMENU>(1), windowClass.hInstance, nullptr);
    HWND aborting = ::CreateWindowW(L"BUTTON", L"Abort", WS_CHILD | WS_VISIBLE, 60, 0, 50, 20, window,
                                    reinterpret_cast<HMENU>(2), windowClass.hInstance, nullptr);
    ::SendMessageW(failing, BM_CLICK, 0, 0);
    ::SendMessageW(aborting, BM_CLICK, 0, 0); // cancelled silently: no line
    Pump(window);
    bool dialog = false;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    EXPECT_FALSE(dialog);
    EXPECT_TRUE(::IsWindow(window)); // the program goes on
    ::DestroyWindow(window);

    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(EndsWith(lines[0], L" The item vanished.")) << ToUtf8(lines[0]);
    EXPECT_TRUE(prompter_.prompts.empty());
}

} // namespace

namespace {

RECT ChildRect(HWND parent, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

std::wstring MenuText(HMENU menu, int position)
{
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// A caption as the screen shows it: each "&" that marks a mnemonic left out ("&&" is one "&").
std::wstring VisibleText(const std::wstring& caption)
{
    std::wstring text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && ++i == caption.size()) break;
        text += caption[i];
    }
    return text;
}

// The letter a caption's "&" marks, in upper case; 0 when there is none.
wchar_t Mnemonic(const std::wstring& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(caption[i + 1]));
        ++i;
    }
    return 0;
}

TEST_F(MainFormTest, LayoutFollowsTheWindowAndTheSplitters)
{
    StandInProfile profile(kTwoStores);
    TApplication application;
    ASSERT_TRUE(application.Create());
    TForm1 form;
    HWND window = form.Create(application.hwnd());
    EXPECT_EQ(::GetWindow(window, GW_OWNER), application.hwnd());
    wchar_t text[80] = {};
    ::GetWindowTextW(application.hwnd(), text, 80);
    EXPECT_STREQ(text, L"Gleaner - Get Rid of Outlook Duplicates");
    ::GetWindowTextW(window, text, 80);
    EXPECT_STREQ(text, L"Gleaner - get rid of Outlook duplicates");

    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, TForm1::kDesignWidth);
    EXPECT_EQ(client.bottom, TForm1::kDesignHeight);
    EXPECT_EQ(Width(ChildRect(window, form.TreeView1.hwnd())), 209);
    EXPECT_EQ(Width(ChildRect(window, form.Splitter1.hwnd())), 4);
    EXPECT_EQ(Height(ChildRect(window, form.Splitter2.hwnd())), 4);
    EXPECT_EQ(Height(ChildRect(window, form.Memo1)), 113);
    const int columns[] = {24, 178, 173};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, i), columns[i]);
    EXPECT_EQ(::GetParent(form.ProgressBar1), form.StatusBar1);
    EXPECT_FALSE(::GetWindowLongPtrW(form.ProgressBar1, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_FALSE(::IsWindowVisible(form.ProgressBar1));

    // Resized larger: the buttons keep their distance to the bottom right corner, the banner and
    // the work area grow, the tree and the preview keep their sizes.
    auto corner = [&](HWND control) {
        RECT r = ChildRect(window, control);
        RECT c{};
        ::GetClientRect(window, &c);
        return std::pair(c.right - r.right, c.bottom - r.bottom);
    };
    const auto buttonCorner = corner(form.Button3);
    const auto searchCorner = corner(form.BitBtn1);
    const int listWidth = Width(ChildRect(window, form.ListView2));
    const int listHeight = Height(ChildRect(window, form.ListView2));
    ::SetWindowPos(window, nullptr, 0, 0, 1000, 760, SWP_NOMOVE | SWP_NOZORDER);
    ::GetClientRect(window, &client);
    EXPECT_EQ(corner(form.Button3), buttonCorner);
    EXPECT_EQ(corner(form.BitBtn1), searchCorner);
    EXPECT_EQ(Width(ChildRect(window, ::GetDlgItem(window, TForm1::kBanner))), client.right);
    EXPECT_EQ(Width(ChildRect(window, form.ListView2)), listWidth + client.right - TForm1::kDesignWidth);
    EXPECT_EQ(Height(ChildRect(window, form.ListView2)), listHeight + client.bottom - TForm1::kDesignHeight);
    EXPECT_EQ(Width(ChildRect(window, form.TreeView1.hwnd())), 209);
    EXPECT_EQ(Height(ChildRect(window, form.Memo1)), 113);

    // No smaller than the minimum window size when the user drags the frame.
    MINMAXINFO limits{};
    ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, TForm1::kMinWindowWidth);
    EXPECT_EQ(limits.ptMinTrackSize.y, TForm1::kMinWindowHeight);

    // Dragging the splitters with the mouse.
    ::SendMessageW(form.Splitter1.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
    ::SendMessageW(form.Splitter1.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(41, 10));
    ::SendMessageW(form.Splitter1.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(41, 10));
    EXPECT_EQ(Width(ChildRect(window, form.TreeView1.hwnd())), 249);
    ::SendMessageW(form.Splitter2.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 2));
    ::SendMessageW(form.Splitter2.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, -48));
    ::SendMessageW(form.Splitter2.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, -48));
    EXPECT_EQ(Height(ChildRect(window, form.Memo1)), 163);
    EXPECT_EQ(ChildRect(window, form.Splitter1.hwnd()).left, ChildRect(window, form.TreeView1.hwnd()).right);
    EXPECT_EQ(ChildRect(window, form.Splitter2.hwnd()).bottom, ChildRect(window, form.Memo1).top);
}

// The captions read as they always have; an ampersand marks the letter that opens each with Alt
// (on the bar) or by itself (in an open menu).
TEST_F(MainFormTest, MenuBarHasEveryEntry)
{
    StandInProfile profile(kTwoStores);
    TForm1 form;
    HWND window = form.Create(nullptr);
    HMENU bar = ::GetMenu(window);
    ASSERT_TRUE(bar);
    ASSERT_EQ(::GetMenuItemCount(bar), 3);
    const std::pair<std::wstring, wchar_t> menus[] = {{L"File", L'F'}, {L"Options", L'O'}, {L"Help", L'H'}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(VisibleText(MenuText(bar, i)), menus[i].first);
        EXPECT_EQ(Mnemonic(MenuText(bar, i)), menus[i].second);
    }
    struct Entry {
        std::wstring caption;
        int id; // 0: a separator
        wchar_t key;
    };
    const struct {
        int menu;
        std::vector<Entry> entries;
    } expected[] = {
        {0, {{L"Exit", TForm1::kExit1, L'X'}}},
        {1,
         {{L"Search Options...", TForm1::kSearchOptions1, L'S'},
          {L"Remove Options...", TForm1::kRemoveOptions1, L'R'}}},
        {2,
         {{L"Gleaner on the Web", TForm1::kGleanerontheWeb1, L'W'},
          {L"Help", TForm1::kHelp1, L'H'},
          {L"", 0, 0},
          {L"Send Error Report", TForm1::kGetTechnicalSupport1, L'R'},
          {L"", 0, 0},
          {L"About", TForm1::kAbout2, L'A'}}},
    };
    for (const auto& menu : expected) {
        HMENU popup = ::GetSubMenu(bar, menu.menu);
        ASSERT_EQ(::GetMenuItemCount(popup), static_cast<int>(menu.entries.size()));
        for (size_t i = 0; i < menu.entries.size(); ++i) {
            const std::wstring text = MenuText(popup, static_cast<int>(i));
            EXPECT_EQ(VisibleText(text), menu.entries[i].caption);
            EXPECT_EQ(Mnemonic(text), menu.entries[i].key) << ToUtf8(text);
            EXPECT_EQ(static_cast<int>(::GetMenuItemID(popup, static_cast<int>(i))),
                      menu.entries[i].id ? menu.entries[i].id : 0);
        }
    }
}

} // namespace
