// The order items come in: the store's own (as listed, newest first, shuffled), Items.Sort on
// one collection, and new items arriving while a folder is walked.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInProfile;

namespace {

// Items of one folder as the profile lists them: subject, creation time.
std::string Items(const std::vector<std::pair<const char*, const char*>>& items)
{
    std::string out;
    for (auto& [subject, created] : items) {
        out += std::string(out.empty() ? "" : ", ") + R"({ "entryID": "0E)" + std::string(subject) + R"(", "Subject": ")" +
               subject + R"(", "CreationTime": ")" + created + "\" }";
    }
    return out;
}

// a is listed first, c and d have one creation time, f is the newest.
const std::string kListed = Items({{"A1", "2009-03-02T10:00:00"},
                                   {"B1", "2009-03-01T10:00:00"},
                                   {"C1", "2009-03-04T10:00:00"},
                                   {"D1", "2009-03-04T10:00:00"},
                                   {"E1", "2009-02-27T10:00:00"},
                                   {"F1", "2009-03-09T10:00:00"}});

std::string Profile(const std::string& folderKeys, const std::string& items = kListed)
{
    return R"({ "stores": [ { "name": "S", "folders": [ { "name": "F", )" + folderKeys + R"( "items": [ )" + items +
           " ] } ] } ] }";
}

struct Outlook {
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
    Dispatch folder() const
    {
        return ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
    }
};

// The subjects of a collection, in its order, read by position as a walk does.
std::wstring Subjects(const Dispatch& items)
{
    std::wstring all;
    for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i)
        all += items.callObject(L"Item", i).get(L"Subject").toText() + L" ";
    return all;
}

TEST(StandInOrder, EachFolderHandsOutItsItemsInTheStoresOrder)
{
    ComInit com;
    struct Case {
        const char* keys;
        std::wstring expected; // empty: any permutation other than the listed order
    };
    const Case cases[] = {
        {"", L"A1 B1 C1 D1 E1 F1 "},
        {R"("order": "asListed",)", L"A1 B1 C1 D1 E1 F1 "},
        // Equal creation times keep the listed order.
        {R"("order": "newestFirst",)", L"F1 C1 D1 A1 B1 E1 "},
        {R"("order": "shuffled", "seed": 1,)", L""},
        {R"("order": "shuffled", "seed": 2,)", L""},
    };
    std::vector<std::wstring> shuffles;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        StandInProfile profile(Profile(c.keys));
        std::wstring first;
        {
            Outlook o;
            first = Subjects(o.folder().getObject(L"Items"));
            if (!c.expected.empty()) {
                EXPECT_EQ(first, c.expected);
            } else {
                std::wstring sorted = first;
                EXPECT_NE(first, L"A1 B1 C1 D1 E1 F1 ");
                std::sort(sorted.begin(), sorted.end());
                std::wstring listed = L"A1 B1 C1 D1 E1 F1 ";
                std::sort(listed.begin(), listed.end());
                EXPECT_EQ(sorted, listed);
                shuffles.push_back(first);
            }
            // A change makes the stand-in fold the profile; the order survives it.
            Dispatch item = o.folder().getObject(L"Items").callObject(L"Item", 1);
            item.put(L"Subject", item.get(L"Subject").toText());
            item.call(L"Save");
        }
        Outlook again;
        EXPECT_EQ(Subjects(again.folder().getObject(L"Items")), first);
    }
    ASSERT_EQ(shuffles.size(), 2u);
    EXPECT_NE(shuffles[0], shuffles[1]);
}

TEST(StandInOrder, SortOrdersThatCollectionAndKeepsTheStoresOrderForEqualValues)
{
    ComInit com;
    StandInProfile profile(Profile(R"("order": "newestFirst",)"));
    Outlook o;
    struct Case {
        const wchar_t* property;
        Variant descending;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"CreationTime", Variant::Missing(), L"E1 B1 A1 C1 D1 F1 "},
        {L"[CreationTime]", Variant(false), L"E1 B1 A1 C1 D1 F1 "},
        {L"[CreationTime]", Variant(true), L"F1 C1 D1 A1 B1 E1 "},
        {L"subject", Variant(true), L"F1 E1 D1 C1 B1 A1 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.property));
        Dispatch items = o.folder().getObject(L"Items");
        const Variant args[] = {Variant(c.property), c.descending};
        EXPECT_TRUE(items.invoke(L"Sort", DISPATCH_METHOD, args, 2).isEmpty());
        EXPECT_EQ(Subjects(items), c.expected);
        // The direct table read follows the collection too.
        Variant table = items.call(L"StandInTable", L"Subject");
        LONG index[2] = {0, 1};
        Variant first;
        ::SafeArrayGetElement(table.raw().parray, index, first.put());
        EXPECT_EQ(first.toText() + L" ", c.expected.substr(0, 3));
    }
    // Another read of Folder.Items is a new collection, in the store's order.
    EXPECT_EQ(Subjects(o.folder().getObject(L"Items")), L"F1 C1 D1 A1 B1 E1 ");
    Dispatch items = o.folder().getObject(L"Items");
    for (const wchar_t* refused : {L"Categories", L"[Class]", L"NoSuchProperty"})
        EXPECT_THROW(items.call(L"Sort", refused), ComError) << ToUtf8(refused);
}

// New items come in after a number of calls into the folder, at the top of the list, so that
// every later position shifts; a sorted collection shows them at their sorted place, whatever
// their creation time.
TEST(StandInOrder, ArrivalsShiftPositionsWhileAFolderIsWalked)
{
    ComInit com;
    const std::string arrivals = R"("arrivals": [ { "afterCalls": 4, "items": [
        { "entryID": "0EN1", "Subject": "N1", "CreationTime": "2009-03-03T10:00:00" } ] },
        { "afterCalls": 1000, "items": [ { "entryID": "0EN2", "Subject": "N2" } ] } ],)";
    StandInProfile profile(Profile(arrivals, Items({{"A1", "2009-03-02T10:00:00"}, {"B1", "2009-03-01T10:00:00"},
                                                    {"C1", "2009-03-04T10:00:00"}})));
    {
        Outlook o;
        Dispatch folder = o.folder();
        Dispatch items = folder.getObject(L"Items");  // call 1 into the folder
        Dispatch sorted = folder.getObject(L"Items"); // call 2
        sorted.call(L"Sort", L"CreationTime");        // call 3
        EXPECT_THROW(o.ns.call(L"GetItemFromID", L"0EN1"), ComError);
        EXPECT_EQ(items.get(L"Count").toInt(), 3);                             // call 4
        EXPECT_EQ(items.callObject(L"Item", 1).get(L"Subject").toText(), L"N1"); // arrived before this call
        EXPECT_EQ(items.get(L"Count").toInt(), 4);
        EXPECT_EQ(Subjects(items), L"N1 A1 B1 C1 ");
        EXPECT_EQ(Subjects(sorted), L"B1 A1 N1 C1 ");
        EXPECT_EQ(o.ns.callObject(L"GetItemFromID", L"0EN1").get(L"Subject").toText(), L"N1");
        EXPECT_THROW(o.ns.call(L"GetItemFromID", L"0EN2"), ComError);
    }
    // The arrival stays after a reload and does not come again; the later one is still due.
    EXPECT_NE(profile.text().find("\"afterCalls\": 1000"), std::string::npos);
    Outlook again;
    EXPECT_EQ(Subjects(again.folder().getObject(L"Items")), L"N1 A1 B1 C1 ");
}

} // namespace
