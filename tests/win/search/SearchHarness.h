#pragma once
// A standard search over a stand-in profile: the Outlook namespace, a folder tree filled from
// it, the status bar, progress bar, preview and buttons in a hidden window, the result
// model and the search lists, the user's choices as plain values, the error log in a
// folder of the test's own, and a prompter that records the hint instead of showing it.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/Prompts.h"
#include "detect/ComparisonProfiles.h"
#include "detect/MatchEngine.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "results/ResultModel.h"
#include "support/OutlookStandIn.h"

namespace search_test {

struct HintShown {
    std::wstring text;
    std::wstring caption;
    std::wstring checkBox;
};

// Answers the hint as a test tells it to.
class HintPrompter final : public gleaner::Prompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override
    {
        messages.push_back(text);
        return IDOK;
    }
    int CheckedMessage(HWND, const std::wstring& text, const std::wstring& caption, const std::wstring& checkBox,
                       bool& checked) override
    {
        shown.push_back({text, caption, checkBox});
        checked = tick;
        return button;
    }
    std::vector<HintShown> shown;
    std::vector<std::wstring> messages; // the plain message boxes
    int button = IDOK;
    bool tick = false;
};

inline std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

class SearchHarness {
public:
    explicit SearchHarness(std::string_view json) : profile_(json)
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
        application = gleaner::test::CreateOutlook();
        nameSpace = application.callObject(L"GetNamespace", L"MAPI");
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        window = ::CreateWindowExW(0, L"STATIC", L"search", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                                   instance, nullptr);
        auto child = [&](const wchar_t* className, DWORD style) {
            return ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, window,
                                     nullptr, instance, nullptr);
        };
        statusBar = child(STATUSCLASSNAMEW, 0);
        int parts[] = {150, -1};
        ::SendMessageW(statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        progressBar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 100, 20, statusBar, nullptr,
                                        instance, nullptr);
        progress.Attach(statusBar, progressBar);
        memo = child(L"EDIT", ES_MULTILINE);
        ::SetWindowTextW(memo, L"a preview");
        searchButton = child(L"BUTTON", BS_PUSHBUTTON);
        processButton = child(L"BUTTON", BS_PUSHBUTTON);
        tree.Create(window, 100);
        tree.RetrieveOutlookFolders(nameSpace);

        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        logFolder_ = std::wstring(temp) + L"gleaner-search-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                     std::to_wstring(++counter);
        gleaner::SetLogFolderForTesting(logFolder_);
        ::DeleteFileW(gleaner::ErrorLogPath().c_str());
    }
    ~SearchHarness()
    {
        ::DeleteFileW(gleaner::ErrorLogPath().c_str());
        ::RemoveDirectoryW(logFolder_.c_str());
        gleaner::SetLogFolderForTesting({});
        ::DestroyWindow(window);
    }

    // The parts every run drives: this harness's window, counters and flags.
    void FillWorkSurface(gleaner::WorkSurface& s)
    {
        s.owner = window;
        s.progress = &progress;
        s.memo = memo;
        s.searchButton = searchButton;
        s.processButton = processButton;
        s.nameSpace = &nameSpace;
        s.tree = &tree;
        s.rows = &rows;
        s.showRows = [this] { ++showRowsCalls; };
        s.cancelRequested = &cancelRequested;
        s.closeRequested = [this] { return closeRequested; };
    }

    gleaner::SearchSurface Surface()
    {
        gleaner::SearchSurface s;
        FillWorkSurface(s);
        s.lists = &lists;
        s.profiles = [this]() -> const gleaner::ComparisonProfiles& { return profiles; };
        s.originalRule = [this] {
            return gleaner::OriginalItemButtons{rule.oldestCreationTime, rule.newestCreationTime, rule.smallestSize,
                                                rule.largestSize};
        };
        s.focusFirstRow = [this] { ++focusCalls; };
        s.showFoundMessage = &showFoundMessage;
        s.processMessages = [this] {
            ++itemsPumped;
            if (onPump) onPump();
        };
        return s;
    }

    void Run() { gleaner::RunStandardSearch(Surface()); }

    // Ticks the Subject row of mail items only.
    void CompareMailSubjects()
    {
        profiles.setTicked(gleaner::ItemKind::Mail, 0, true);
    }

    void TickOnly(std::initializer_list<std::wstring> names)
    {
        for (const auto& node : tree.Nodes()) {
            bool on = false;
            for (const auto& name : names) on = on || node.name == name;
            tree.SetNodeState(node.item, on ? gleaner::FolderTree::kTicked : gleaner::FolderTree::kUnticked);
        }
    }

    std::wstring Status(int panel) const
    {
        wchar_t text[512] = {};
        ::SendMessageW(statusBar, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text));
        return text;
    }
    int PanelZeroWidth() const
    {
        int edges[2] = {};
        ::SendMessageW(statusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
        return edges[0];
    }

    // Captions and subjects of the rows in list order, e.g. "n A", "c B".
    std::vector<std::wstring> Rows() const
    {
        std::vector<std::wstring> out;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& row = rows.At(i);
            EXPECT_EQ(row.ticked, row.caption == L"c") << i;
            out.push_back(row.caption + L" " + (row.subItems.empty() ? L"?" : row.subItems[0]));
        }
        return out;
    }

    std::vector<std::string> LogLines() const
    {
        std::ifstream in(gleaner::ErrorLogPath().c_str(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    long Calls(std::wstring_view member) const { return gleaner::test::CallCount(application, member); }
    void ResetCounts() const { gleaner::test::StandInControl(application).call(L"ResetCounts"); }

private:
    gleaner::test::StandInProfile profile_; // goes last: every Outlook object is released before it
    gleaner::ComInit com_;
    std::wstring logFolder_;

public:
    gleaner::Dispatch application;
    gleaner::Dispatch nameSpace;
    HWND window = nullptr;
    HWND statusBar = nullptr;
    HWND progressBar = nullptr;
    gleaner::ProgressDisplay progress;
    HWND memo = nullptr;
    HWND searchButton = nullptr;
    HWND processButton = nullptr;
    gleaner::FolderTree tree;
    gleaner::ResultModel rows{[](const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()); }};
    gleaner::MatchEngine lists{rows};
    gleaner::ComparisonProfiles profiles;
    gleaner::OriginalRule rule;
    std::function<void()> onPump;
    bool cancelRequested = true; // a search clears it
    bool showFoundMessage = true;
    bool closeRequested = false;
    int showRowsCalls = 0;
    int focusCalls = 0;
    int itemsPumped = 0;
    HintPrompter hints;
    gleaner::ScopedPrompter scopedHints{hints};
};

} // namespace search_test
