#include "Gleaner.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <stdexcept>

#include "Remote.h"
#include "Wait.h"
#include "app/MainForm.h"
#include "platform/Text.h"

namespace gleaner::e2e {

namespace {

constexpr std::chrono::minutes kLongRun{5}; // a search or processing of a large profile

std::string Narrow(std::wstring_view text) { return ToUtf8(text); }

bool EndsWith(std::wstring_view text, std::wstring_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

bool SameClass(HWND window, std::wstring_view className)
{
    return className.empty() || ::lstrcmpiW(ClassOf(window).c_str(), std::wstring(className).c_str()) == 0;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> found;
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The environment of this process with `overrides` put in, as CreateProcess takes it.
std::vector<wchar_t> EnvironmentWith(const LaunchOptions& options)
{
    auto upper = [](std::wstring name) {
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
        return name;
    };
    std::map<std::wstring, std::wstring> variables; // upper-case name -> "Name=value"
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += ::lstrlenW(entry) + 1) {
        std::wstring text = entry;
        const std::size_t equals = text.find(L'=', 1); // "=C:=C:\..." entries start with '='
        variables[upper(text.substr(0, equals))] = text;
    }
    ::FreeEnvironmentStringsW(block);
    auto set = [&](const std::wstring& name, const std::wstring& value) { variables[upper(name)] = name + L"=" + value; };
    set(L"OUTLOOK_STANDIN_PROFILE", options.profile);
    for (const auto& [name, value] : options.environment) set(name, value);
    std::vector<wchar_t> result;
    for (const auto& [key, text] : variables) {
        result.insert(result.end(), text.begin(), text.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

} // namespace

std::wstring WindowText(HWND window)
{
    const LRESULT length = SendTo(window, WM_GETTEXTLENGTH);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 2, L'\0');
    SendTo(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

Gleaner::Gleaner(const LaunchOptions& options)
{
    std::vector<wchar_t> environment = EnvironmentWith(options);
    std::wstring commandLine = L"\"" + options.exe + L"\"";
    const std::wstring folder = options.exe.substr(0, options.exe.find_last_of(L'\\'));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(options.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(), &startup, &info))
        throw std::runtime_error("cannot start " + Narrow(options.exe));
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    processId_ = info.dwProcessId;
}

Gleaner::~Gleaner()
{
    if (Running()) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 10000);
    }
}

bool Gleaner::Running() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

DWORD Gleaner::WaitForExit()
{
    WaitUntil("Gleaner to end", [&] { return !Running(); });
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool Gleaner::Mine(HWND window) const
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    return owner == processId_;
}

HWND Gleaner::FindWindowTitled(std::wstring_view title, std::wstring_view className) const
{
    struct Search {
        const Gleaner* self;
        std::wstring_view title;
        std::wstring_view className;
        HWND found = nullptr;
    } search{this, title, className};
    ::EnumWindows(
        [](HWND window, LPARAM data) {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t text[256] = {};
            ::GetWindowTextW(window, text, 256);
            if (s.self->Mine(window) && s.title == text && SameClass(window, s.className)) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Gleaner::WaitForWindowTitled(std::wstring_view title, std::wstring_view className) const
{
    HWND found = nullptr;
    WaitUntil("a window titled \"" + Narrow(title) + "\"", [&] {
        if (!Running()) throw std::runtime_error("Gleaner ended while a window was awaited");
        found = FindWindowTitled(title, className);
        return found && ::IsWindowVisible(found);
    });
    return found;
}

std::vector<std::wstring> Gleaner::ChildTexts(HWND parent) const
{
    std::vector<std::wstring> texts;
    for (HWND child : Descendants(parent)) texts.push_back(WindowText(child));
    return texts;
}

HWND Gleaner::Child(HWND parent, std::wstring_view caption, std::wstring_view className) const
{
    for (HWND child : Descendants(parent))
        if (SameClass(child, className) && WindowText(child) == caption) return child;
    throw std::runtime_error("no control \"" + Narrow(caption) + "\"");
}

void Gleaner::WaitForMainWindow()
{
    WaitUntil("the main window with its controls", [&] {
        if (!Running()) throw std::runtime_error("Gleaner ended before its main window was shown");
        main_ = FindWindowTitled(kMainCaption);
        if (!main_ || !::IsWindowVisible(main_)) return false;
        // The status bar is created last, and start-up then moves the progress bar into it.
        status_ = ControlOfClass(STATUSCLASSNAMEW);
        return status_ && ::GetWindow(status_, GW_CHILD) != nullptr;
    });
    tree_ = ControlOfClass(WC_TREEVIEWW);
    list_ = ControlOfClass(WC_LISTVIEWW);
    memo_ = ControlOfClass(L"Edit");
    if (!tree_ || !list_ || !memo_) throw std::runtime_error("the main window lacks a control");
}

HWND Gleaner::ControlOfClass(const wchar_t* className) const
{
    for (HWND child : Descendants(main_))
        if (::GetParent(child) == main_ && SameClass(child, className)) return child;
    return nullptr;
}

HWND Gleaner::MainControl(std::wstring_view caption) const
{
    // Looked up once: finding it asks every control for its text.
    auto known = controls_.find(std::wstring(caption));
    if (known != controls_.end()) return known->second;
    HWND control = Child(main_, caption, L"Button");
    controls_.emplace(caption, control);
    return control;
}

void Gleaner::Click(std::wstring_view button)
{
    HWND control = MainControl(button);
    if (!::IsWindowEnabled(control)) throw std::runtime_error("\"" + Narrow(button) + "\" is disabled");
    // Posted, as a real click arrives: the handler may run a long while, and modally.
    ::PostMessageW(control, BM_CLICK, 0, 0);
}

bool Gleaner::Enabled(std::wstring_view button) const { return ::IsWindowEnabled(MainControl(button)) != FALSE; }

bool Gleaner::Checked(std::wstring_view checkBox) const
{
    return SendTo(MainControl(checkBox), BM_GETCHECK) == BST_CHECKED;
}

void Gleaner::SetChecked(std::wstring_view checkBox, bool on)
{
    if (Checked(checkBox) == on) return;
    ::PostMessageW(MainControl(checkBox), BM_CLICK, 0, 0);
    WaitUntil("\"" + Narrow(checkBox) + "\" to change", [&] { return Checked(checkBox) == on; });
}

void Gleaner::Menu(std::wstring_view menu, std::wstring_view entry)
{
    auto textOf = [](HMENU owner, int position) {
        wchar_t text[128] = {};
        ::GetMenuStringW(owner, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
        return std::wstring(text);
    };
    HMENU bar = ::GetMenu(main_);
    const int menus = ::GetMenuItemCount(bar);
    for (int i = 0; i < menus; ++i) {
        if (textOf(bar, i) != menu) continue;
        HMENU popup = ::GetSubMenu(bar, i);
        for (int j = 0, m = ::GetMenuItemCount(popup); j < m; ++j) {
            if (textOf(popup, j) != entry) continue;
            ::PostMessageW(main_, WM_COMMAND, MAKEWPARAM(::GetMenuItemID(popup, j), 0), 0);
            return;
        }
    }
    if (menus < 0) {
        // Wine keeps a menu's items in the process that made it, so another process cannot
        // read them; the program's own command identifiers stand in for the look-up there.
        const struct {
            const wchar_t* menu;
            const wchar_t* entry;
            int id;
        } commands[] = {
            {L"File", L"Exit", TForm1::kExit1},
            {L"Options", L"Search Options...", TForm1::kSearchOptions1},
            {L"Options", L"Remove Options...", TForm1::kRemoveOptions1},
            {L"Help", L"Gleaner on the Web", TForm1::kGleanerontheWeb1},
            {L"Help", L"Help", TForm1::kHelp1},
            {L"Help", L"Send Error Report", TForm1::kGetTechnicalSupport1},
            {L"Help", L"About", TForm1::kAbout2},
        };
        for (const auto& command : commands) {
            if (menu == command.menu && entry == command.entry) {
                ::PostMessageW(main_, WM_COMMAND, MAKEWPARAM(command.id, 0), 0);
                return;
            }
        }
    }
    throw std::runtime_error("no menu command " + Narrow(menu) + " > " + Narrow(entry));
}

std::wstring Gleaner::Status(int panel) const
{
    const LRESULT length = LOWORD(SendTo(status_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel)));
    RemoteBuffer text(process_.get(), (static_cast<std::size_t>(length) + 1) * sizeof(wchar_t));
    SendTo(status_, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.address()));
    return text.GetText(0, static_cast<std::size_t>(length));
}

std::wstring Gleaner::Preview() const { return WindowText(memo_); }

std::vector<TreeNode> Gleaner::Tree() const
{
    constexpr std::size_t kChars = 260;
    RemoteBuffer buffer(process_.get(), sizeof(TVITEMW) + kChars * sizeof(wchar_t));
    std::vector<TreeNode> nodes;
    auto visit = [&](auto& self, HTREEITEM item, const std::wstring& parentPath) -> void {
        for (; item; item = reinterpret_cast<HTREEITEM>(SendTo(tree_, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                  reinterpret_cast<LPARAM>(item)))) {
            TVITEMW query{};
            query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
            query.hItem = item;
            query.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
            query.pszText = buffer.at<wchar_t>(sizeof(TVITEMW));
            query.cchTextMax = kChars;
            buffer.Put(query);
            SendTo(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.address()));
            const TVITEMW answer = buffer.Get<TVITEMW>();
            TreeNode node;
            node.item = item;
            node.path = parentPath + L"\\" + buffer.GetText(sizeof(TVITEMW), kChars - 1);
            node.ticked = (answer.state & TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
            node.expanded = (answer.state & TVIS_EXPANDED) != 0;
            nodes.push_back(node);
            self(self,
                 reinterpret_cast<HTREEITEM>(SendTo(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))),
                 node.path);
        }
    };
    visit(visit, reinterpret_cast<HTREEITEM>(SendTo(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0)), L"");
    return nodes;
}

void Gleaner::SetFolderTick(std::wstring_view path, bool ticked)
{
    auto find = [&] {
        for (const TreeNode& node : Tree())
            if (node.path == path) return node;
        throw std::runtime_error("no folder " + Narrow(path) + " in the tree");
    };
    const TreeNode node = find();
    if (node.ticked == ticked) return;
    SendTo(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node.item));
    RemoteBuffer buffer(process_.get(), sizeof(RECT) + sizeof(TVHITTESTINFO));
    buffer.Put(node.item); // TVM_GETITEMRECT takes the item in the rectangle
    if (!SendTo(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(buffer.address())))
        throw std::runtime_error("folder " + Narrow(path) + " is not visible");
    const RECT label = buffer.Get<RECT>();
    // The tick picture lies left of the label and the folder picture: look for it by hit test.
    POINT at{-1, (label.top + label.bottom) / 2};
    for (int x = label.left - 1; x >= 0 && at.x < 0; --x) {
        TVHITTESTINFO hit{};
        hit.pt = {x, at.y};
        buffer.Put(hit, sizeof(RECT));
        SendTo(tree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(buffer.at(sizeof(RECT))));
        hit = buffer.Get<TVHITTESTINFO>(sizeof(RECT));
        if (hit.hItem == node.item && (hit.flags & TVHT_ONITEMSTATEICON)) at.x = x - 3; // well inside it
    }
    if (at.x < 0) throw std::runtime_error("no tick picture for folder " + Narrow(path));
    const LPARAM point = MAKELPARAM(at.x, at.y);
    ::PostMessageW(tree_, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageW(tree_, WM_LBUTTONUP, 0, point);
    WaitUntil("the tick of " + Narrow(path) + " to change", [&] { return find().ticked == ticked; });
}

std::vector<Row> Gleaner::Rows() const
{
    constexpr std::size_t kChars = 1024;
    RemoteBuffer buffer(process_.get(), sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    const int count = static_cast<int>(SendTo(list_, LVM_GETITEMCOUNT));
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        std::wstring texts[3];
        for (int column = 0; column < 3; ++column) {
            LVITEMW query{};
            query.iSubItem = column;
            query.pszText = buffer.at<wchar_t>(sizeof(LVITEMW));
            query.cchTextMax = kChars;
            buffer.Put(query);
            SendTo(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.address()));
            texts[column] = buffer.GetText(sizeof(LVITEMW), kChars - 1);
        }
        const LRESULT state = SendTo(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK);
        rows.push_back({texts[0], (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2), texts[1], texts[2]});
    }
    return rows;
}

void Gleaner::ToggleRowTick(int index)
{
    auto ticked = [&] {
        return (SendTo(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK) &
                LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    };
    const bool before = ticked();
    SendTo(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    RemoteBuffer buffer(process_.get(), sizeof(RECT));
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    buffer.Put(bounds);
    if (!SendTo(list_, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.address())))
        throw std::runtime_error("no row " + std::to_string(index));
    bounds = buffer.Get<RECT>();
    // The check box sits at the left end of the row.
    const LPARAM point = MAKELPARAM(bounds.left + 8, (bounds.top + bounds.bottom) / 2);
    ::PostMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageW(list_, WM_LBUTTONUP, 0, point);
    WaitUntil("the tick of row " + std::to_string(index) + " to change", [&] { return ticked() != before; });
}

void Gleaner::Sync()
{
    // A harmless marker: the preview box's text limit, which nothing else uses (the box is
    // read-only), posted behind everything else and then read back.
    const unsigned marker = 0x100000 + ++syncMarker_;
    ::PostMessageW(memo_, EM_SETLIMITTEXT, marker, 0);
    WaitUntil("Gleaner to handle its messages", [&] {
        if (!Running()) throw std::runtime_error("Gleaner ended unexpectedly");
        return static_cast<unsigned>(SendTo(memo_, EM_GETLIMITTEXT)) == marker;
    }, kLongRun);
}

void Gleaner::StartSearch() { Click(kSearchButton); }

SearchOutcome Gleaner::Search(HintAnswer answer)
{
    StartSearch();
    return FinishSearch(answer);
}

SearchOutcome Gleaner::FinishSearch(HintAnswer answer)
{
    // Once the click has been handed on, the search has disabled its button until its
    // closing steps; the hint, if any, comes last.
    Sync();
    HWND hint = nullptr;
    WaitUntil("the search to end", [&] {
        hint = FindWindowTitled(kHintTitle, L"#32770");
        return hint || (Enabled(kSearchButton) && EndsWith(Status(), L" duplicated items found."));
    }, kLongRun);
    if (!hint) {
        Sync();
        hint = FindWindowTitled(kHintTitle, L"#32770");
    }
    SearchOutcome outcome;
    if (hint) {
        if (answer == HintAnswer::NotExpected) throw std::runtime_error("the hint appeared after the search");
        WaitUntil("the hint to be shown", [&] { return ::IsWindowVisible(hint) != FALSE; });
        for (const std::wstring& text : ChildTexts(hint)) outcome.hint += text + L"\n";
        if (answer == HintAnswer::DontShowAgain) {
            HWND box = Child(hint, kDontShowAgain);
            SendTo(box, BM_CLICK);
            WaitUntil("the hint's check box", [&] { return SendTo(box, BM_GETCHECK) == BST_CHECKED; });
        }
        ::PostMessageW(hint, TDM_CLICK_BUTTON, IDOK, 0);
        WaitUntil("the hint to close", [&] { return !::IsWindow(hint); });
    }
    outcome.status = Status();
    if (!EndsWith(outcome.status, L" duplicated items found."))
        throw std::runtime_error("unexpected status after a search: " + Narrow(outcome.status));
    outcome.rows = std::stoi(outcome.status);
    // The list learns its row count from a timer: wait until it shows them all.
    WaitUntil("the result list to show every row",
              [&] { return SendTo(list_, LVM_GETITEMCOUNT) == static_cast<LRESULT>(outcome.rows); });
    return outcome;
}

std::wstring Gleaner::Process()
{
    Click(kProcessButton);
    Sync();
    std::wstring status;
    WaitUntil("processing to end", [&] {
        if (!Enabled(kProcessButton) || !Enabled(kSearchButton)) return false;
        status = Status();
        return EndsWith(status, L" duplicates were removed successfully");
    }, kLongRun);
    WaitUntil("the result list to empty", [&] { return SendTo(list_, LVM_GETITEMCOUNT) == 0; });
    return status;
}

OptionsDialog Gleaner::OpenOptions(std::wstring_view menuEntry)
{
    Menu(L"Options", menuEntry);
    return OptionsDialog(*this, WaitForWindowTitled(L"Options"));
}

DWORD Gleaner::Exit()
{
    Menu(L"File", L"Exit");
    return WaitForExit();
}

bool OptionsDialog::IsOn(std::wstring_view caption) const
{
    return SendTo(app_.Child(window_, caption, L"Button"), BM_GETCHECK) == BST_CHECKED;
}

void OptionsDialog::Choose(std::wstring_view radioButton)
{
    ::PostMessageW(app_.Child(window_, radioButton, L"Button"), BM_CLICK, 0, 0);
    WaitUntil("\"" + Narrow(radioButton) + "\" to be chosen", [&] { return IsOn(radioButton); });
}

void OptionsDialog::SetChecked(std::wstring_view checkBox, bool on)
{
    if (IsOn(checkBox) == on) return;
    ::PostMessageW(app_.Child(window_, checkBox, L"Button"), BM_CLICK, 0, 0);
    WaitUntil("\"" + Narrow(checkBox) + "\" to change", [&] { return IsOn(checkBox) == on; });
}

HWND OptionsDialog::Edit(bool readOnly) const
{
    for (HWND child : Descendants(window_)) {
        if (!SameClass(child, L"Edit")) continue;
        const bool isReadOnly = (::GetWindowLongW(child, GWL_STYLE) & ES_READONLY) != 0;
        if (isReadOnly == readOnly) return child;
    }
    throw std::runtime_error("the Options dialog lacks a text box");
}

std::wstring OptionsDialog::MoveFolder() const { return WindowText(Edit(true)); }
std::wstring OptionsDialog::SubjectMark() const { return WindowText(Edit(false)); }

void OptionsDialog::SetSubjectMark(std::wstring_view mark)
{
    const std::wstring text(mark);
    SendTo(Edit(false), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void OptionsDialog::Close()
{
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    WaitUntil("the Options dialog to close", [&] { return !::IsWindowVisible(window_); });
}

} // namespace gleaner::e2e
