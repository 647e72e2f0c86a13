// The search run from the main window: closing the window while it runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Prompts.h"
#include "platform/ComInit.h"
#include "support/OutlookStandIn.h"
#include "app/MainForm.h"
#include "settings/OptionsForm.h"

using namespace gleaner;

namespace {

constexpr char kProfile[] = R"({ "stores": [ { "name": "Store", "folders": [
    { "name": "Inbox", "items": [ { "Subject": "A" }, { "Subject": "A" }, { "Subject": "A" } ] },
    { "name": "Second", "items": [ { "Subject": "A" } ] } ] } ] })";

// Records the hint and closes it without OK.
class HintPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    int CheckedMessage(HWND, const std::wstring& text, const std::wstring&, const std::wstring&, bool&) override
    {
        shown.push_back(text);
        return IDCANCEL;
    }
    std::vector<std::wstring> shown;
};

bool QuitPosted()
{
    MSG message;
    return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// Closing (the close box, or "Exit") during the search stops it at its next item; nothing
// more is opened, no hint is shown, and the window goes only once the handler has returned.
TEST(SearchWindow, ClosingDuringTheSearchClosesAfterItsHandler)
{
    for (bool viaExit : {false, true}) {
        SCOPED_TRACE(viaExit);
        test::StandInProfile profile(kProfile);
        ComInit com;
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
        HintPrompter hints;
        ScopedPrompter scoped(hints);
        {
            Dispatch outlook = test::CreateOutlook();
            TApplication application;
            ASSERT_TRUE(application.Create());
            auto form = std::make_unique<TForm1>();
            HWND window = form->Create(application.hwnd());
            application.SetMainForm(window);
            ComparisonProfiles profiles;
            profiles.setTicked(ItemKind::Mail, 0, true);
            form->Form3->SetProfiles(profiles);
            test::StandInControl(outlook).call(L"ResetCounts");

            if (viaExit)
                ::PostMessageW(window, WM_COMMAND, TForm1::kExit1, 0);
            else
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            form->BitBtn1Click();

            EXPECT_TRUE(::IsWindow(window)); // still there while the handler ran
            EXPECT_EQ(form->Results.size(), 0u); // stopped after the first item
            // The store's folder (twice: once to find its Deleted Items), Inbox.
            EXPECT_EQ(test::CallCount(outlook, L"GetFolderFromID"), 3);
            EXPECT_EQ(test::CallCount(outlook, L"Item"), 1);
            EXPECT_TRUE(hints.shown.empty());
            EXPECT_TRUE(::IsWindowEnabled(form->BitBtn1));

            MSG message;
            while (::IsWindow(window) && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) continue;
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            EXPECT_FALSE(::IsWindow(window));
            EXPECT_TRUE(QuitPosted());
            form.reset();
        }
    }
}

// A search from the button runs against the window's own parts and lists its rows.
TEST(SearchWindow, SearchButtonRunsTheStandardSearch)
{
    test::StandInProfile profile(kProfile);
    ComInit com;
    HintPrompter hints;
    ScopedPrompter scoped(hints);
    {
        TApplication application;
        ASSERT_TRUE(application.Create());
        auto form = std::make_unique<TForm1>();
        HWND window = form->Create(application.hwnd());
        ComparisonProfiles profiles;
        profiles.setTicked(ItemKind::Mail, 0, true);
        form->Form3->SetProfiles(profiles);
        ::SendMessageW(form->BitBtn1, BM_CLICK, 0, 0);
        EXPECT_EQ(form->Results.size(), 4u);
        EXPECT_EQ(form->Progress.StatusText(), L"4 duplicated items found.");
        EXPECT_EQ(hints.shown.size(), 1u);
        EXPECT_EQ(ListView_GetItemCount(form->ListView2), 4);
        EXPECT_EQ(ListView_GetNextItem(form->ListView2, -1, LVNI_FOCUSED), 0);
        EXPECT_EQ(ListView_GetNextItem(form->ListView2, -1, LVNI_SELECTED), -1);
        form->Close();
        EXPECT_FALSE(::IsWindow(window));
        form.reset();
    }
}

} // namespace
