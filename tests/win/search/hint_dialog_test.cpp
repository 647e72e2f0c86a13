// The hint after a search as the system shows it: a task dialog with a check box, answered
// from a timer on this thread while it runs modally.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "detect/StandardSearch.h"

using namespace gleaner;

namespace {

enum class Answer { TickAndOk, TickAndCloseBox, Ok };

struct Driver {
    Answer answer = Answer::Ok;
    HWND dialog = nullptr;
    std::vector<std::wstring> texts; // of the dialog's controls
    int ticks = 0;
    bool boxFound = false;
};
Driver g_driver;

BOOL CALLBACK FindDialog(HWND window, LPARAM)
{
    wchar_t title[64] = {};
    ::GetWindowTextW(window, title, 64);
    if (::IsWindowVisible(window) && std::wstring(title) == L"Search Options") {
        g_driver.dialog = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(child, text, 512);
    g_driver.texts.push_back(text);
    if (std::wstring(text) == L"Don't show this message again." &&
        (g_driver.answer == Answer::TickAndOk || g_driver.answer == Answer::TickAndCloseBox)) {
        g_driver.boxFound = true;
        ::SendMessageW(child, BM_CLICK, 0, 0);
    }
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    ++g_driver.ticks;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, 0);
    if (!g_driver.dialog) return;
    ::KillTimer(nullptr, timer);
    ::EnumChildWindows(g_driver.dialog, CollectChild, 0);
    if (g_driver.answer == Answer::TickAndCloseBox)
        ::SendMessageW(g_driver.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        ::SendMessageW(g_driver.dialog, TDM_CLICK_BUTTON, IDOK, 0);
}

bool Shows(const std::wstring& text)
{
    for (const auto& t : g_driver.texts)
        if (t.find(text) != std::wstring::npos) return true;
    return false;
}

TEST(FoundHint, TaskDialogAnswers)
{
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);
    struct Case {
        Answer answer;
        bool after;
    } cases[] = {{Answer::TickAndOk, false}, {Answer::TickAndCloseBox, true}, {Answer::Ok, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        g_driver = Driver{};
        g_driver.answer = c.answer;
        ::SetTimer(nullptr, 0, 50, OnTimer);
        bool showFoundMessage = true;
        ShowFoundHint(nullptr, 7, showFoundMessage);
        ASSERT_TRUE(g_driver.dialog) << "no dialog titled Search Options";
        EXPECT_EQ(showFoundMessage, c.after);
        EXPECT_TRUE(Shows(L"7 duplicates found. If there are some duplicates that were not found,"));
        EXPECT_TRUE(Shows(L"please change search options in Options > Search Options."));
        if (c.answer != Answer::Ok) EXPECT_TRUE(g_driver.boxFound);
    }
}

} // namespace
