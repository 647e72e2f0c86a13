// The settings with the real main window: its menu opens the dialog, bad stored values
// never stop start-up, and the layout and every choice come back after a restart.
#include <windows.h>

#include <commctrl.h>

#include "SettingsSupport.h"
#include "app/Application.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr char kFolders[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
    { "name": "Inbox", "defaultItemType": 0, "folders": [ { "name": "Old mail", "defaultItemType": 0 } ] },
    { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems" } ] } ] })";
constexpr char kNoStores[] = R"({ "stores": [] })";

class RecordingPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override
    {
        texts.push_back(text);
        return IDOK;
    }
    std::vector<std::wstring> texts;
};

// A main window as the program makes it, shown until the test closes it.
class Program {
public:
    Program()
    {
        application_.Create();
        form = std::make_unique<TForm1>();
        window = form->Create(application_.hwnd());
        application_.SetMainForm(window);
    }
    ~Program()
    {
        form.reset();
        Pump();
    }
    void Show()
    {
        ::ShowWindow(window, SW_SHOW);
        Pump();
    }
    TForm3& Options() { return *form->Form3; }

    TApplication application_;
    std::unique_ptr<TForm1> form;
    HWND window = nullptr;
};

class SettingsMainFormTest : public SettingsTest {
protected:
    // The log's lines about anything but the MAPI-table component, which the test prefix lacks.
    std::vector<std::wstring> SettingsLogLines() const
    {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : LogLines()) {
            if (line.size() < 9 || line.substr(line.size() - 9) != L" line 820") lines.push_back(line);
        }
        return lines;
    }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

TEST_F(SettingsMainFormTest, MenuOpensTheDialogModelessOnTheChosenPageAndClosingItSaves)
{
    StandInProfile profile(kFolders);
    {
        Program program;
        program.Show();
        DeleteSettingsKey();
        ::SendMessageW(program.window, WM_COMMAND, MAKEWPARAM(TForm1::kRemoveOptions1, 0), 0);
        EXPECT_TRUE(::IsWindowVisible(program.Options().hwnd()));
        EXPECT_EQ(program.Options().ActivePage(), TForm3::kRemoveOptionsPage);
        EXPECT_TRUE(::IsWindowEnabled(program.window));
        EXPECT_EQ(::GetWindow(program.Options().hwnd(), GW_OWNER), program.window);

        ::SendMessageW(program.window, WM_COMMAND, MAKEWPARAM(TForm1::kSearchOptions1, 0), 0);
        EXPECT_EQ(program.Options().ActivePage(), TForm3::kSearchOptionsPage);
        ::SendMessageW(program.Options().hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(::IsWindowVisible(program.Options().hwnd()));
        EXPECT_EQ(StoredText(L"search_pref"), L"10010010000"); // the first run's choices
        EXPECT_EQ(StoredNumber(L"TV1"), static_cast<DWORD>(program.form->TreeWidth()));
        EXPECT_TRUE(::IsWindow(program.window));
        program.form->Close();
    }
}

// A value of the wrong type and a missing integer are each logged once by name; start-up
// still completes: the security manager is switched on and, with no folders, the user is told.
TEST_F(SettingsMainFormTest, BadStoredValuesAreLoggedAndStartUpCompletes)
{
    const struct {
        const char* name;
        void (*spoil)();
        const wchar_t* line;
    } cases[] = {
        {"REG_SZ for TV2", [] { WriteText(L"TV2", L"90"); }, L"Invalid data type for 'TV2'"},
        {"no TV1", [] { DeleteValue(L"TV1"); }, L"Failed to get data for 'TV1'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        WriteText(L"search_pref", L"01000010001");
        for (const wchar_t* name : {L"SplitX", L"SplitY", L"TV1", L"TV2", L"Form1X", L"Form1Y", L"Form3X", L"Form3Y"})
            WriteNumber(name, 100);
        WriteText(L"chklst6", L"1");
        c.spoil();
        ClearLog();
        prompter_.texts.clear();

        StandInProfile profile(kNoStores);
        {
            Dispatch outlook = CreateOutlook();
            Dispatch control = StandInControl(outlook);
            Program program;
            // Shown without handling messages: the close that the empty tree asks for waits.
            ::ShowWindow(program.window, SW_SHOW);
            ASSERT_EQ(SettingsLogLines().size(), 1u);
            const std::wstring line = SettingsLogLines()[0];
            EXPECT_EQ(line.substr(line.size() - std::wstring(c.line).size()), c.line);
            // Loading went on past the bad value, and the show handler to its end.
            EXPECT_EQ(program.Options().Original(), OriginalRule::NewestCreation);
            EXPECT_EQ(ListTicks(program.Options(), ItemKind::Task), L"1" + std::wstring(20, L'0'));
            EXPECT_TRUE(::SendMessageW(program.form->CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED);
            EXPECT_FALSE(control.get(L"SecurityGuard").toBool());
            ASSERT_EQ(prompter_.texts.size(), 1u);
            EXPECT_NE(prompter_.texts[0].find(L"Please start Microsoft Outlook"), std::wstring::npos);
            Pump();
            EXPECT_FALSE(::IsWindow(program.window)); // the program closed itself
            // Closing saved a whole key again.
            EXPECT_EQ(StoredValues().size(), 21u);
            program.form.reset();
            control.reset();
            outlook.reset();
        }
    }
}

// Layout and choices changed, the program closed and started again: all of it comes back.
TEST_F(SettingsMainFormTest, LayoutAndChoicesSurviveARestart)
{
    StandInProfile profile(kFolders);
    {
        Program program;
        program.Show();
        TForm1& form = *program.form;
        // Size first: the panes keep their own size when the window grows.
        RECT bounds{};
        ::GetWindowRect(program.window, &bounds);
        RECT client{};
        ::GetClientRect(program.window, &client);
        ::SetWindowPos(program.window, nullptr, 33, 44, bounds.right - bounds.left + 900 - client.right,
                       bounds.bottom - bounds.top + 640 - client.bottom, SWP_NOZORDER);
        // Panes larger than the window at its design size could hold.
        form.SetTreeWidth(640);
        form.SetMemoHeight(380);
        ListView_SetColumnWidth(form.ListView2, 1, 140);
        ListView_SetColumnWidth(form.ListView2, 2, 210);
        ::SendMessageW(form.CheckBox1, BM_CLICK, 0, 0);
        form.ShowFoundMessage = false;
        TForm3& options = program.Options();
        ::SendMessageW(options.RadioButton4, BM_CLICK, 0, 0);
        ::SendMessageW(options.RadioButton1, BM_CLICK, 0, 0);
        ::SetWindowTextW(options.Edit2, L"DUP: ");
        ListView_SetCheckState(options.CheckListBoxes[static_cast<size_t>(ItemKind::Note)], 5, TRUE);
        options.SetPosition({400, 300});
        form.Close();
        Pump();
    }
    ASSERT_EQ(StoredNumber(L"AppX"), 640u);
    ASSERT_EQ(StoredNumber(L"AppY"), 900u);
    ASSERT_EQ(StoredNumber(L"TV1"), 640u);
    {
        Program program;
        program.Show();
        TForm1& form = *program.form;
        RECT bounds{};
        ::GetWindowRect(program.window, &bounds);
        RECT client{};
        ::GetClientRect(program.window, &client);
        EXPECT_EQ(bounds.left, 33);
        EXPECT_EQ(bounds.top, 44);
        EXPECT_EQ(client.right, 900);
        EXPECT_EQ(client.bottom, 640);
        EXPECT_EQ(form.TreeWidth(), 640);
        EXPECT_EQ(form.MemoHeight(), 380);
        EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, 1), 140);
        EXPECT_EQ(ListView_GetColumnWidth(form.ListView2, 2), 210);
        EXPECT_EQ(::SendMessageW(form.CheckBox1, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(form.ShowFoundMessage);
        TForm3& options = program.Options();
        EXPECT_EQ(options.Original(), OriginalRule::SmallestSize);
        EXPECT_EQ(options.Behavior(), DuplicateBehavior::ModifySubject);
        EXPECT_EQ(options.SubjectMark(), L"DUP: ");
        EXPECT_EQ(ListTicks(options, ItemKind::Note), L"110001");
        EXPECT_EQ(options.Position().x, 400);
        EXPECT_EQ(options.Position().y, 300);
        EXPECT_TRUE(SettingsLogLines().empty());
        form.Close();
    }
}

} // namespace
