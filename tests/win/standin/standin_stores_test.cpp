// Where Delete and Move put an item, the entry IDs they leave, and the stores: as Microsoft's
// Outlook reference describes them, and durable across a reload.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInProfile;

namespace {

// Three stores: Personal (the default) and Archive each with their own Deleted Items; Public,
// without one, found by entry ID only with its store ID.
const char kStores[] = R"({ "version": "14.0.0.7000", "stores": [
  { "name": "Personal", "folders": [
      { "name": "Inbox", "items": [ { "entryID": "0A01", "Subject": "inbox one" }, { "entryID": "0A02", "Subject": "inbox two" } ],
        "folders": [ { "name": "Sub", "entryID": "0F11", "items": [] } ] },
      { "name": "Deleted Items", "entryID": "0F12", "role": "deletedItems",
        "items": [ { "entryID": "0A03", "Subject": "already deleted" } ],
        "folders": [ { "name": "Kept", "items": [ { "entryID": "0A04", "Subject": "below deleted items" } ] } ] } ] },
  { "name": "Archive", "folders": [
      { "name": "Inbox", "entryID": "0F21", "items": [ { "entryID": "0B01", "Subject": "archived" } ] },
      { "name": "Deleted Items", "role": "deletedItems", "items": [] } ] },
  { "name": "Public", "requiresStoreID": true, "folders": [
      { "name": "Board", "entryID": "0F31", "items": [ { "entryID": "0C01", "Subject": "posted" } ] } ] } ] })";

std::wstring ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ComError& e) {
        return e.message();
    }
    return L"(no error)";
}

struct Outlook {
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");

    Dispatch folder(const wchar_t* store, const wchar_t* name) const
    {
        return ns.getObject(L"Folders").callObject(L"Item", store).getObject(L"Folders").callObject(L"Item", name);
    }
    Dispatch item(const std::wstring& id) const { return ns.callObject(L"GetItemFromID", id); }
    bool found(const std::wstring& id) const
    {
        return ErrorOf([&] { ns.call(L"GetItemFromID", id); }) == L"(no error)";
    }
    // "Subject=EntryID;" for each item, in collection order.
    std::wstring contents(const Dispatch& folder) const
    {
        std::wstring all;
        Dispatch items = folder.getObject(L"Items");
        for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i) {
            Dispatch item = items.callObject(L"Item", i);
            all += item.get(L"Subject").toText() + L"=" + item.get(L"EntryID").toText() + L";";
        }
        return all;
    }
};

// The entry ID an item with this subject has now in that folder; empty when it is not there.
std::wstring IdIn(const Dispatch& folder, const std::wstring& subject)
{
    Dispatch items = folder.getObject(L"Items");
    for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i) {
        Dispatch item = items.callObject(L"Item", i);
        if (item.get(L"Subject").toText() == subject) return item.get(L"EntryID").toText();
    }
    return {};
}

TEST(StandInStores, DeleteMovesToItsOwnStoresDeletedItemsOrDeletesForGood)
{
    struct Case {
        const char* what;
        const wchar_t* id;
        const wchar_t* subject;
        const wchar_t* store;   // where the item should be afterwards; null: gone for good
        const wchar_t* storeId; // the store argument its look-up needs
    };
    const Case cases[] = {
        {"default store", L"0A01", L"inbox one", L"Personal", nullptr},
        {"another store: its own Deleted Items", L"0B01", L"archived", L"Archive", nullptr},
        {"already in Deleted Items", L"0A03", L"already deleted", nullptr, nullptr},
        {"in a folder below Deleted Items", L"0A04", L"below deleted items", L"Personal", nullptr},
        {"a store without Deleted Items", L"0C01", L"posted", nullptr, L"Public"},
    };
    ComInit com;
    StandInProfile profile(kStores);
    std::map<std::string, std::wstring> newIds;
    {
        Outlook o;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            Dispatch item = c.storeId ? o.ns.callObject(L"GetItemFromID", c.id,
                                                        o.ns.getObject(L"Stores").callObject(L"Item", c.storeId).get(L"StoreID"))
                                      : o.item(c.id);
            EXPECT_TRUE(item.call(L"Delete").isEmpty());
            // The old object and the old entry ID no longer reach the item.
            EXPECT_EQ(ErrorOf([&] { item.get(L"Subject"); }), L"The item has been moved or deleted.");
            EXPECT_FALSE(o.found(c.id));
            if (!c.store) continue;
            const std::wstring now = IdIn(o.folder(c.store, L"Deleted Items"), c.subject);
            ASSERT_FALSE(now.empty()) << "not in " << ToUtf8(c.store) << "'s Deleted Items";
            EXPECT_NE(now, c.id);
            EXPECT_EQ(o.item(now).getObject(L"Parent").getObject(L"Store").get(L"DisplayName").toText(), c.store);
            newIds[c.what] = now;
        }
        EXPECT_EQ(o.contents(o.folder(L"Personal", L"Inbox")), L"inbox two=0A02;");
        EXPECT_EQ(o.contents(o.folder(L"Public", L"Board")), L"");
    }
    // Folded and loaded again: the same places and the same new IDs.
    EXPECT_EQ(profile.text().find("\"0A01\""), std::string::npos);
    Outlook again;
    EXPECT_EQ(again.contents(again.folder(L"Personal", L"Deleted Items")),
              L"inbox one=" + newIds["default store"] + L";below deleted items=" +
                  newIds["in a folder below Deleted Items"] + L";");
    EXPECT_EQ(again.contents(again.folder(L"Archive", L"Deleted Items")),
              L"archived=" + newIds["another store: its own Deleted Items"] + L";");
    for (const wchar_t* old : {L"0A01", L"0B01", L"0A03", L"0A04"}) EXPECT_FALSE(again.found(old)) << ToUtf8(old);
}

TEST(StandInStores, MoveReturnsTheMovedItemWithANewEntryId)
{
    ComInit com;
    StandInProfile profile(kStores);
    std::wstring withinStore, acrossStores;
    {
        Outlook o;
        Dispatch item = o.item(L"0A02");
        Dispatch moved = item.callObject(L"Move", o.folder(L"Personal", L"Inbox").getObject(L"Folders").callObject(L"Item", 1).variant());
        withinStore = moved.get(L"EntryID").toText();
        EXPECT_NE(withinStore, L"0A02");
        EXPECT_EQ(moved.get(L"Subject").toText(), L"inbox two");
        EXPECT_EQ(moved.getObject(L"Parent").get(L"Name").toText(), L"Sub");
        EXPECT_FALSE(o.found(L"0A02"));
        EXPECT_EQ(ErrorOf([&] { item.get(L"Subject"); }), L"The item has been moved or deleted.");
        EXPECT_EQ(o.item(withinStore).getObject(L"Parent").get(L"EntryID").toText(), L"0F11");

        // Into another store, and on: every move gives the item another ID.
        Dispatch archived = moved.callObject(L"Move", o.folder(L"Archive", L"Inbox").variant());
        acrossStores = archived.get(L"EntryID").toText();
        EXPECT_NE(acrossStores, withinStore);
        EXPECT_FALSE(o.found(withinStore));
        EXPECT_EQ(archived.getObject(L"Parent").get(L"StoreID").toText(),
                  o.folder(L"Archive", L"Inbox").get(L"StoreID").toText());
        EXPECT_EQ(acrossStores.size(), 64u);
        EXPECT_EQ(acrossStores.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    }
    Outlook again;
    EXPECT_EQ(again.contents(again.folder(L"Archive", L"Inbox")), L"archived=0B01;inbox two=" + acrossStores + L";");
    EXPECT_FALSE(again.found(withinStore));
    EXPECT_FALSE(again.found(L"0A02"));
}

// Journals written before Move changed entry IDs and Delete moved to Deleted Items replay as
// they were written: the move keeps the ID, the delete is for good.
TEST(StandInStores, OldJournalsReplayAsWritten)
{
    ComInit com;
    StandInProfile profile(kStores);
    {
        UniqueFile journal(::CreateFileW(profile.journalPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const char lines[] = "{\"op\":\"move\",\"id\":\"0A01\",\"to\":\"0F11\"}\n{\"op\":\"delete\",\"id\":\"0A02\"}\n";
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(journal.get(), lines, sizeof lines - 1, &written, nullptr));
    }
    Outlook o;
    EXPECT_EQ(o.item(L"0A01").getObject(L"Parent").get(L"Name").toText(), L"Sub");
    EXPECT_FALSE(o.found(L"0A02"));
    EXPECT_EQ(o.contents(o.folder(L"Personal", L"Deleted Items")), L"already deleted=0A03;");
}

TEST(StandInStores, StoresAndTheirDefaultFolders)
{
    ComInit com;
    StandInProfile profile(kStores);
    Outlook o;
    Dispatch stores = o.ns.getObject(L"Stores");
    ASSERT_EQ(stores.get(L"Count").toInt(), 3);
    EXPECT_EQ(stores.get(L"Class").toInt(), 108);
    EXPECT_EQ(o.ns.getObject(L"DefaultStore").get(L"DisplayName").toText(), L"Personal");
    // NameSpace.GetDefaultFolder answers the default store's folder.
    EXPECT_EQ(o.ns.callObject(L"GetDefaultFolder", 3).get(L"EntryID").toText(), L"0F12");
    for (int i = 1; i <= 3; ++i) {
        Dispatch store = stores.callObject(L"Item", i);
        const std::wstring name = store.get(L"DisplayName").toText();
        SCOPED_TRACE(ToUtf8(name));
        EXPECT_EQ(store.get(L"Class").toInt(), 107);
        Dispatch top = o.ns.getObject(L"Folders").callObject(L"Item", i);
        EXPECT_EQ(name, top.get(L"Name").toText());
        EXPECT_EQ(store.callObject(L"GetRootFolder").get(L"EntryID").toText(), top.get(L"EntryID").toText());
        EXPECT_EQ(stores.callObject(L"Item", name).get(L"StoreID").toText(), store.get(L"StoreID").toText());
        Dispatch inner = top.getObject(L"Folders").callObject(L"Item", 1);
        EXPECT_EQ(inner.getObject(L"Store").get(L"StoreID").toText(), store.get(L"StoreID").toText());
        EXPECT_EQ(inner.get(L"StoreID").toText(), store.get(L"StoreID").toText());
        if (name == L"Public") {
            EXPECT_EQ(ErrorOf([&] { store.call(L"GetDefaultFolder", 3); }),
                      L"The operation failed. An object could not be found.");
        } else {
            Dispatch bin = store.callObject(L"GetDefaultFolder", 3);
            EXPECT_EQ(bin.get(L"Name").toText(), L"Deleted Items");
            EXPECT_EQ(bin.get(L"StoreID").toText(), store.get(L"StoreID").toText());
        }
    }
    EXPECT_EQ(ErrorOf([&] { stores.call(L"Item", 4); }), L"Array index out of bounds.");
    EXPECT_NE(ErrorOf([&] { stores.call(L"Item", L"Nowhere"); }), L"(no error)");
}

TEST(StandInStores, DefaultFoldersOfStoresWithoutThemAndOfOutlook2007)
{
    ComInit com;
    {
        // The default store has no Deleted Items: the namespace has none, even though another
        // store has; a store marked so answers Nothing.
        StandInProfile profile(R"({ "version": "14.0.0.7000", "stores": [
            { "name": "Mailbox", "missingDefaultFolder": "nothing", "folders": [ { "name": "Inbox" } ] },
            { "name": "Archive", "folders": [ { "name": "Deleted Items", "role": "deletedItems" } ] } ] })");
        Outlook o;
        EXPECT_NE(ErrorOf([&] { o.ns.call(L"GetDefaultFolder", 3); }), L"(no error)");
        Dispatch stores = o.ns.getObject(L"Stores");
        EXPECT_FALSE(stores.callObject(L"Item", 1).callObject(L"GetDefaultFolder", 3));
        EXPECT_EQ(stores.callObject(L"Item", 2).callObject(L"GetDefaultFolder", 3).get(L"Name").toText(), L"Deleted Items");
    }
    // Outlook 2007 has stores, but its Store has no GetDefaultFolder.
    StandInProfile profile(R"({ "version": "12.0.0.6423", "stores": [ { "name": "Mailbox", "folders": [
        { "name": "Deleted Items", "role": "deletedItems" } ] } ] })");
    Outlook o;
    Dispatch store = o.ns.getObject(L"DefaultStore");
    EXPECT_EQ(store.callObject(L"GetRootFolder").get(L"Name").toText(), L"Mailbox");
    EXPECT_THROW(store.call(L"GetDefaultFolder", 3), ComError);
    EXPECT_EQ(o.ns.callObject(L"GetDefaultFolder", 3).get(L"Name").toText(), L"Deleted Items");
}

TEST(StandInStores, AStoreMarkedSoIsSearchedOnlyWhenNamed)
{
    ComInit com;
    StandInProfile profile(kStores);
    Outlook o;
    const std::wstring publicId = o.folder(L"Public", L"Board").get(L"StoreID").toText();
    const std::wstring personalId = o.folder(L"Personal", L"Inbox").get(L"StoreID").toText();
    const std::wstring notFound = L"The operation failed. An object could not be found.";
    struct Case {
        const char* what;
        const wchar_t* method;
        const wchar_t* id;
        Variant store;
        bool finds;
    };
    const Case cases[] = {
        {"item without its store", L"GetItemFromID", L"0C01", Variant::Missing(), false},
        {"item with an Empty store", L"GetItemFromID", L"0C01", Variant(), false},
        {"item with its store", L"GetItemFromID", L"0C01", Variant(publicId), true},
        {"item with another store", L"GetItemFromID", L"0C01", Variant(personalId), false},
        {"folder without its store", L"GetFolderFromID", L"0F31", Variant::Missing(), false},
        {"folder with its store", L"GetFolderFromID", L"0F31", Variant(publicId), true},
        {"unmarked store's item without a store", L"GetItemFromID", L"0B01", Variant::Missing(), true},
        {"unmarked store's folder without a store", L"GetFolderFromID", L"0F21", Variant::Missing(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Variant args[] = {Variant(c.id), Variant(c.store)};
        const std::wstring error = ErrorOf([&] { o.ns.invoke(c.method, DISPATCH_METHOD, args, 2); });
        EXPECT_EQ(error, c.finds ? L"(no error)" : notFound);
    }
}

TEST(StandInStores, CompareEntryIdsTellsWhetherTwoIdsNameOneObject)
{
    ComInit com;
    StandInProfile profile(kStores);
    Outlook o;
    const std::wstring before = L"0A02";
    const std::wstring after = o.item(before).callObject(L"Move", o.folder(L"Archive", L"Inbox").variant())
                                   .get(L"EntryID").toText();
    const std::wstring lower = [&] {
        std::wstring t = after;
        for (auto& c : t) c = static_cast<wchar_t>(::towlower(c));
        return t;
    }();
    struct Case {
        std::wstring first, second;
        bool same;
    };
    const Case cases[] = {
        {after, after, true}, {after, lower, true}, {L"0A01", L"0A03", false}, {before, after, false}};
    for (const Case& c : cases) {
        Variant answer = o.ns.call(L"CompareEntryIDs", c.first, c.second);
        EXPECT_EQ(answer.vt(), VT_BOOL);
        EXPECT_EQ(answer.toBool(), c.same) << ToUtf8(c.first) << " " << ToUtf8(c.second);
    }
    for (const wchar_t* bad : {L"", L"XYZ1", L"ABC"})
        EXPECT_EQ(ErrorOf([&] { o.ns.call(L"CompareEntryIDs", bad, L"0A01"); }),
                  L"Could not complete the operation. One or more parameter values are not valid.")
            << ToUtf8(bad);
}

} // namespace
