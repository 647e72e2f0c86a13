// The demo profile loads whole and its folder tree can be walked as the program walks it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

struct Walk {
    const Dispatch& ns;
    int folders = 0;
    int items = 0;
    std::set<int> kinds;
    std::set<std::wstring> entryIds;
    std::map<std::wstring, int> copies; // class + subject + body -> count
    std::set<std::wstring> classes;

    void folder(const Dispatch& f)
    {
        ++folders;
        std::wstring id = f.get(L"EntryID").toText();
        EXPECT_EQ(ns.callObject(L"GetFolderFromID", id).get(L"Name").toText(), f.get(L"Name").toText());
        kinds.insert(f.get(L"DefaultItemType").toInt());
        Dispatch list = f.getObject(L"Items");
        for (int i = 1, n = list.get(L"Count").toInt(); i <= n; ++i) {
            Dispatch item = list.callObject(L"Item", i);
            ++items;
            EXPECT_TRUE(entryIds.insert(item.get(L"EntryID").toText()).second);
            std::wstring cls = item.get(L"MessageClass").toText();
            classes.insert(cls);
            ++copies[cls + L"|" + item.get(L"Subject").toText() + L"|" + item.get(L"Body").toText()];
        }
        Dispatch subs = f.getObject(L"Folders");
        for (int i = 1, n = subs.get(L"Count").toInt(); i <= n; ++i) folder(subs.callObject(L"Item", i));
    }
};

TEST(StandInDemo, ProfileLoadsAndItsTreeWalks)
{
    ComInit com;
    StandInProfile profile = StandInProfile::CopyOf(SourcePath(L"standins/profiles/demo.json"));
    std::string text = profile.text();
    int classesInFile = 0;
    for (size_t at = 0; (at = text.find("\"messageClass\"", at)) != std::string::npos; ++at) ++classesInFile;

    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
    Dispatch stores = ns.getObject(L"Folders");
    ASSERT_EQ(stores.get(L"Count").toInt(), 2);
    EXPECT_EQ(stores.callObject(L"Item", 1).get(L"Name").toText(), L"Personal Folders");

    Walk walk{ns};
    for (int i = 1; i <= 2; ++i) walk.folder(stores.callObject(L"Item", i));
    EXPECT_EQ(walk.items, classesInFile);
    EXPECT_GE(walk.items, 200);
    EXPECT_EQ(walk.kinds, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    for (const wchar_t* cls : {L"IPM.Note", L"IPM.Appointment", L"IPM.Contact", L"IPM.Activity", L"IPM.StickyNote",
                               L"IPM.Task", L"IPM.Note.SMIME", L"IPM.Post"}) {
        EXPECT_TRUE(walk.classes.count(cls)) << cls;
    }
    // Exact copies of every kind, for the searches to find.
    std::set<std::wstring> kindsWithCopies;
    for (auto& [key, count] : walk.copies) {
        if (count > 1) kindsWithCopies.insert(key.substr(0, key.find(L'|')));
    }
    for (const wchar_t* cls :
         {L"IPM.Note", L"IPM.Appointment", L"IPM.Contact", L"IPM.Activity", L"IPM.StickyNote", L"IPM.Task"}) {
        EXPECT_TRUE(kindsWithCopies.count(cls)) << cls;
    }
    Dispatch deleted = ns.callObject(L"GetDefaultFolder", 3);
    EXPECT_EQ(deleted.get(L"Name").toText(), L"Deleted Items");
    EXPECT_EQ(deleted.getObject(L"Parent").get(L"Name").toText(), L"Personal Folders");
    EXPECT_EQ(app.getObject(L"COMAddIns").get(L"Count").toInt(), 2);
}

} // namespace
