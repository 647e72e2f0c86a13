// Processing from the main window: "Process duplicates" after a search, closing the window
// during a run, and whole cycles on the demo profile with each removal action.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ProfileSnapshot.h"
#include "app/Application.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "app/SecManInterface.h"
#include "platform/ComInit.h"
#include "platform/ComPtr.h"
#include "process/Processing.h"
#include "settings/OptionsForm.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;

namespace {

// Closes the search's hint without OK.
class QuietPrompter final : public Prompter {
public:
    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    int CheckedMessage(HWND, const std::wstring&, const std::wstring&, const std::wstring&, bool&) override
    {
        return IDCANCEL;
    }
};

// The main window over the stand-in profile in use, searched with `profiles`.
struct SearchedWindow {
    explicit SearchedWindow(const ComparisonProfiles& profiles)
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
        EXPECT_TRUE(application.Create());
        form = std::make_unique<TForm1>();
        window = form->Create(application.hwnd());
        application.SetMainForm(window);
        form->Form3->SetProfiles(profiles);
        ::SendMessageW(form->BitBtn1, BM_CLICK, 0, 0);
    }

    // Entry identifiers of the ticked rows, in list order.
    std::vector<std::wstring> Ticked() const
    {
        std::vector<std::wstring> out;
        for (std::size_t i = 0; i < form->Results.size(); ++i) {
            if (form->Results.At(i).ticked) out.push_back(form->Results.At(i).entryId.value());
        }
        return out;
    }

    void PumpUntilClosed()
    {
        MSG message;
        while (::IsWindow(window) && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    TApplication application;
    std::unique_ptr<TForm1> form;
    HWND window = nullptr;
};

// The security manager stand-in keeps the Outlook object the window handed it for the whole
// process. Letting it go, once the window is gone, lets the stand-in fold its changes into
// the profile file, so the next Outlook loads the profile afresh.
void ReleaseOutlook()
{
    ComPtr<IOutlookSecurityManager> manager;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(kClsidOutlookSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                                kIidOutlookSecurityManager, manager.putVoid()));
    VARIANT none{};
    manager->DisconnectFrom(none);
}

// The top-level folder of a folder path: "\Store" of "\Store\Inbox\Sub".
std::wstring StoreOf(const std::wstring& folderPath) { return folderPath.substr(0, folderPath.find(L'\\', 1)); }

ComparisonProfiles MailSubjects()
{
    ComparisonProfiles profiles;
    profiles.setTicked(ItemKind::Mail, 0, true);
    return profiles;
}

constexpr char kProfile[] = R"({ "stores": [ { "name": "Store", "folders": [
    { "name": "Inbox", "items": [ { "TestKey": "K1", "Subject": "A" }, { "TestKey": "K2", "Subject": "A" },
                                  { "TestKey": "K3", "Subject": "A" } ] },
    { "name": "Second", "items": [ { "TestKey": "K4", "Subject": "A" } ] },
    { "name": "Deleted Items", "role": "deletedItems", "items": [] } ] } ] })";

// Closing (the close box, or "Exit") during a run stops it at the next ticked row; the window
// goes once the handler has returned, and the profile holds exactly what the count says.
TEST(ProcessWindow, ClosingDuringARunClosesAfterItsHandler)
{
    for (bool viaExit : {false, true}) {
        SCOPED_TRACE(viaExit);
        test::StandInProfile profile(kProfile);
        ComInit com;
        QuietPrompter prompter;
        ScopedPrompter scoped(prompter);
        const process_test::Snapshot before = process_test::ReloadedProfile();
        std::vector<std::wstring> ticked;
        {
            SearchedWindow w(MailSubjects());
            ticked = w.Ticked();
            ASSERT_EQ(ticked.size(), 3u);
            w.form->Form3->SetBehavior(DuplicateBehavior::DeletePermanently);
            ::PostMessageW(w.window, viaExit ? WM_COMMAND : WM_CLOSE, viaExit ? TForm1::kExit1 : 0, 0);
            ::SendMessageW(w.form->BitBtn2, BM_CLICK, 0, 0);

            EXPECT_TRUE(::IsWindow(w.window)); // still there while the handler ran
            EXPECT_EQ(w.form->Progress.StatusText(), RemovedSummary(1));
            EXPECT_EQ(w.form->Results.size(), 0u);
            EXPECT_TRUE(::IsWindowEnabled(w.form->BitBtn2));
            w.PumpUntilClosed();
            EXPECT_FALSE(::IsWindow(w.window));
        }
        ReleaseOutlook();
        // The one processed row's item is in Deleted Items: Outlook's Delete moves it there.
        std::map<std::wstring, std::wstring> expected = process_test::PathsAndSubjects(before);
        const std::wstring key = process_test::KeyOf(before, ticked[0]);
        expected[key] = L"\\Store\\Deleted Items:" + before.at(key).subject;
        EXPECT_EQ(process_test::PathsAndSubjects(process_test::ReloadedProfile()), expected);
    }
}

const std::wstring kNote = L"IPM.StickyNote";

// The ticked notes, which "Modify subject" cannot mark: Outlook's NoteItem.Subject is read-only
// (worked out from the body), so setting it fails and the row counts as not done.
std::size_t Unmarkable(DuplicateBehavior behavior, const process_test::Snapshot& before,
                       const std::vector<std::wstring>& ticked)
{
    if (behavior != DuplicateBehavior::ModifySubject) return 0;
    std::size_t notes = 0;
    for (const std::wstring& id : ticked) notes += before.at(process_test::KeyOf(before, id)).messageClass == kNote ? 1 : 0;
    EXPECT_GT(notes, 0u) << "the demo's duplicates include notes";
    return notes;
}

// A whole cycle from the demo's profile: a search, a few ticks changed by hand, then one
// action; afterwards the profile shows exactly the ticked items removed, moved or marked (all
// but the notes, for "Modify subject").
TEST(ProcessWindow, DemoProfileCycleWithEachAction)
{
    struct Case {
        const char* name;
        DuplicateBehavior behavior;
        std::wstring movedTo; // empty: deleted or marked
    };
    const std::wstring mark = L"[дубликат] ";
    // Outlook's Delete moves an item to its store's Deleted Items.
    const Case cases[] = {
        {"delete permanently", DuplicateBehavior::DeletePermanently, L"Deleted Items"},
        {"move to deleted items", DuplicateBehavior::MoveToDeletedItems, L"\\Personal Folders\\Deleted Items"},
        {"move to folder", DuplicateBehavior::MoveToFolder, L"\\Archive Folders\\Deleted Items"},
        {"modify subject", DuplicateBehavior::ModifySubject, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto profile = test::StandInProfile::TaggedCopyOf(test::SourcePath(L"standins/profiles/demo.json"));
        ComInit com;
        QuietPrompter prompter;
        ScopedPrompter scoped(prompter);
        const process_test::Snapshot before = process_test::ReloadedProfile();
        std::vector<std::wstring> ticked;
        {
            ComparisonProfiles profiles;
            profiles.ApplyFirstStart();
            SearchedWindow w(profiles);
            ASSERT_GT(w.form->Results.size(), 10u);
            // An original ticked and a duplicate unticked by the user.
            for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{2}}) w.form->ResultView.ToggleTick(i);
            ticked = w.Ticked();
            ASSERT_FALSE(ticked.empty());
            std::cout << "[ demo     ] " << c.name << ": " << before.size() << " items, " << w.form->Results.size()
                      << " rows, " << ticked.size() << " ticked\n";
            w.form->Form3->SetBehavior(c.behavior);
            w.form->Form3->SetMoveFolderPath(L"\\Archive Folders\\Deleted Items");
            w.form->Form3->SetSubjectMark(mark);
            ::SendMessageW(w.form->BitBtn2, BM_CLICK, 0, 0);
            EXPECT_EQ(w.form->Progress.StatusText(),
                      RemovedSummary(ticked.size() - Unmarkable(c.behavior, before, ticked)));
            EXPECT_EQ(w.form->Results.size(), 0u);
            EXPECT_EQ(ListView_GetItemCount(w.form->ListView2), 0);
            w.form->Close();
        }
        ReleaseOutlook();
        std::map<std::wstring, std::wstring> expected = process_test::PathsAndSubjects(before);
        for (const std::wstring& id : ticked) {
            const std::wstring key = process_test::KeyOf(before, id);
            const process_test::StoredItem& item = before.at(key);
            if (c.behavior == DuplicateBehavior::DeletePermanently)
                expected[key] = StoreOf(item.folderPath) + L"\\" + c.movedTo + L":" + item.subject;
            else if (c.behavior != DuplicateBehavior::ModifySubject)
                expected[key] = c.movedTo + L":" + item.subject;
            else if (item.messageClass != kNote)
                expected[key] = item.folderPath + L":" + mark + item.subject;
        }
        EXPECT_EQ(process_test::PathsAndSubjects(process_test::ReloadedProfile()), expected);
    }
}

} // namespace
