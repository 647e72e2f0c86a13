#pragma once
// The real gleaner.exe in a process of its own, driven from outside as a user would drive
// it: its windows are found by caption, buttons and menu commands are clicked by messages,
// and the folder tree, the result list and the status bar are read across the process
// boundary. Every wait polls with a time-out (Wait.h).
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Handles.h"

namespace gleaner::e2e {

inline constexpr wchar_t kMainCaption[] = L"Gleaner - get rid of Outlook duplicates";
inline constexpr wchar_t kApplicationTitle[] = L"Gleaner - Get Rid of Outlook Duplicates";
inline constexpr wchar_t kSearchButton[] = L"Search for duplicates";
inline constexpr wchar_t kProcessButton[] = L"Process duplicates";
inline constexpr wchar_t kCancelButton[] = L"Cancel";
inline constexpr wchar_t kFastSearchBox[] = L"Fast Search";
inline constexpr wchar_t kHintTitle[] = L"Search Options";
inline constexpr wchar_t kDontShowAgain[] = L"Don't show this message again.";

struct LaunchOptions {
    std::wstring exe;     // Windows path of gleaner.exe
    std::wstring profile; // the Outlook stand-in's profile (OUTLOOK_STANDIN_PROFILE)
    std::vector<std::pair<std::wstring, std::wstring>> environment; // more variables
};

struct TreeNode {
    HTREEITEM item = nullptr;
    std::wstring path; // "\Store\Folder\Sub-folder", as the program writes folder paths
    bool ticked = false;
    bool expanded = false;
};

struct Row {
    std::wstring caption; // "n" or "c"
    bool ticked = false;
    std::wstring subject;
    std::wstring folder;
};

// How the hint after a search is answered.
enum class HintAnswer { Ok, DontShowAgain, NotExpected };

// What a finished search showed.
struct SearchOutcome {
    int rows = 0;           // the count in the summary
    std::wstring status;    // the summary in status panel 1
    std::wstring hint;      // the hint's text, empty when none appeared
};

class OptionsDialog;

class Gleaner {
public:
    explicit Gleaner(const LaunchOptions& options);
    // A program still running here means the test failed on the way: it is ended.
    ~Gleaner();
    Gleaner(const Gleaner&) = delete;
    Gleaner& operator=(const Gleaner&) = delete;

    HANDLE process() const noexcept { return process_.get(); }
    bool Running() const;
    // Waits for the program to end; its exit code.
    DWORD WaitForExit();

    // Waits until the main window is shown with all its controls.
    void WaitForMainWindow();
    HWND MainWindow() const noexcept { return main_; }
    // A top-level window of this process with exactly this title and class ("#32770" for
    // dialogs; any when empty), or null.
    HWND FindWindowTitled(std::wstring_view title, std::wstring_view className = {}) const;
    HWND WaitForWindowTitled(std::wstring_view title, std::wstring_view className = {}) const;
    // The texts of a window's descendants, in creation order.
    std::vector<std::wstring> ChildTexts(HWND parent) const;
    // The descendant of `parent` with this caption (and class, when given); throws when absent.
    HWND Child(HWND parent, std::wstring_view caption, std::wstring_view className = {}) const;

    // Main window controls.
    void Click(std::wstring_view button);
    bool Enabled(std::wstring_view button) const;
    bool Checked(std::wstring_view checkBox) const;
    void SetChecked(std::wstring_view checkBox, bool on);
    // Runs a command of the menu bar, e.g. Menu(L"File", L"Exit").
    void Menu(std::wstring_view menu, std::wstring_view entry);
    std::wstring Status(int panel = 1) const;
    std::wstring Preview() const;

    // The folder tree, each node before its children.
    std::vector<TreeNode> Tree() const;
    // Clicks the tick picture of the folder at `path` until it shows `ticked`.
    void SetFolderTick(std::wstring_view path, bool ticked);

    // The rows of the result list, in display order.
    std::vector<Row> Rows() const;
    // Clicks the check box of row `index`; waits until its tick has flipped.
    void ToggleRowTick(int index);

    // Clicks "Search for duplicates" and waits for the search to end; the hint is answered
    // as asked (NotExpected: its appearance fails the wait).
    SearchOutcome Search(HintAnswer answer = HintAnswer::Ok);
    // Starts a search without waiting for it.
    void StartSearch();
    // Waits for a running search to end (see Search).
    SearchOutcome FinishSearch(HintAnswer answer);
    // Clicks "Process duplicates" and waits for the run to end; the closing status text.
    std::wstring Process();

    OptionsDialog OpenOptions(std::wstring_view menuEntry = L"Search Options...");

    // "Exit" from the File menu; waits until the program has ended and returns its exit code.
    DWORD Exit();

    // Returns once every message posted to the program before this call has been handled,
    // by a handler that returned or inside a loop that hands messages on (a running search,
    // a modal dialog).
    void Sync();

private:
    HWND MainControl(std::wstring_view caption) const;
    HWND ControlOfClass(const wchar_t* className) const;
    bool Mine(HWND window) const;

    UniqueHandle process_;
    UniqueHandle thread_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
    HWND tree_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    HWND memo_ = nullptr;
    unsigned syncMarker_ = 0x1000;
    mutable std::map<std::wstring, HWND, std::less<>> controls_; // main window buttons by caption
};

// The modeless Options dialog of a running Gleaner.
class OptionsDialog {
public:
    OptionsDialog(Gleaner& app, HWND window) : app_(app), window_(window) {}
    HWND hwnd() const noexcept { return window_; }

    // Radio buttons and check boxes by caption.
    bool IsOn(std::wstring_view caption) const;
    void Choose(std::wstring_view radioButton);
    void SetChecked(std::wstring_view checkBox, bool on);
    // The read-only move-to folder box and the editable subject mark box.
    std::wstring MoveFolder() const;
    std::wstring SubjectMark() const;
    void SetSubjectMark(std::wstring_view mark);
    // Closes the dialog (which saves the settings) and waits until it is hidden.
    void Close();

private:
    HWND Edit(bool readOnly) const;

    Gleaner& app_;
    HWND window_;
};

// A window's text as its own window procedure gives it (WM_GETTEXT), across processes.
std::wstring WindowText(HWND window);

} // namespace gleaner::e2e
