// "Search for duplicates" with "Fast Search" ticked runs the fast search from the main window:
// the window's MAPI-table component, its record-set holder and its column list.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/Application.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "platform/ComInit.h"
#include "settings/OptionsForm.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;

namespace {

constexpr char kProfile[] = R"({ "stores": [ { "name": "Store", "folders": [
    { "name": "Inbox", "items": [ { "Subject": "A" }, { "Subject": "A" }, { "Subject": "A" } ] },
    { "name": "Second", "items": [ { "Subject": "A" } ] } ] } ] })";

class QuietPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    int CheckedMessage(HWND, const std::wstring&, const std::wstring&, const std::wstring&, bool&) override
    {
        return IDCANCEL;
    }
};

} // namespace

TEST(FastSearchWindow, FastSearchBoxChoosesTheSearch)
{
    // One profile file for both runs: the security manager's stand-in keeps the first window's
    // Outlook for the rest of the process (nothing disconnects it), so the second window is
    // served from the same store, and the MAPI table reads that store's file.
    test::StandInProfile profile(kProfile);
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        ComInit com;
        QuietPrompter prompter;
        ScopedPrompter scoped(prompter);
        {
            Dispatch outlook = test::CreateOutlook();
            TApplication application;
            ASSERT_TRUE(application.Create());
            auto form = std::make_unique<TForm1>();
            HWND window = form->Create(application.hwnd());
            ASSERT_TRUE(form->MapiTable);
            ComparisonProfiles profiles;
            profiles.setTicked(ItemKind::Mail, 0, true);
            form->Form3->SetProfiles(profiles);
            ::SendMessageW(form->CheckBox1, BM_SETCHECK, fast ? BST_CHECKED : BST_UNCHECKED, 0);
            test::StandInControl(outlook).call(L"ResetCounts");
            form->MapiTable.call(L"ResetCounts");
            ::SendMessageW(form->BitBtn1, BM_CLICK, 0, 0);
            EXPECT_EQ(form->Results.size(), 4u);
            EXPECT_EQ(form->Progress.StatusText(), L"4 duplicated items found.");
            // Only the fast search queries the table and never opens an item by position.
            EXPECT_EQ(static_cast<bool>(form->ADODataSet1), fast);
            EXPECT_EQ(form->MapiTable.get(L"CallCount").toInt() > 1, fast); // more than this read
            EXPECT_EQ(test::CallCount(outlook, L"Item") == 0, fast);
            EXPECT_EQ(form->ColumnList, fast ? std::vector<std::wstring>{L"Subject"} : std::vector<std::wstring>{});
            form->Close();
            EXPECT_FALSE(::IsWindow(window));
            form.reset();
        }
    }
}
