// The MAPI-table stand-in as the fast search uses it: a folder's items chosen through Item,
// ExecSQL's record set with its fields, the value types, and refusals with a message.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;

namespace {

const char kProfile[] = R"({ "stores": [ { "name": "S", "folders": [
    { "name": "Notes", "defaultItemType": 5, "items": [
      { "entryID": "00AA", "Subject": "Red and blue", "Categories": "Red, Blue", "UnRead": true,
        "CreationTime": "2009-03-07T14:05:09", "Size": 321 },
      { "entryID": "00BB", "Subject": "Plain" } ] },
    { "name": "Inbox", "defaultItemType": 0, "items": [
      { "entryID": "00CC", "Subject": "Mail", "attachments": ["a.txt", "b.txt"], "Importance": 2 } ] },
    { "name": "Broken", "defaultItemType": 0, "items": [
      { "Subject": "X", "fail": { "Subject": "The item is not available." } } ] } ] } ] })";

class MapiTableStandIn : public ::testing::Test {
protected:
    Dispatch Items(int folder) const
    {
        return nameSpace.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", folder)
            .getObject(L"Items");
    }
    Dispatch Query(int folder, const wchar_t* text) const
    {
        table.put(L"Item", Items(folder).variant());
        return table.callObject(L"ExecSQL", text);
    }
    static Variant Value(const Dispatch& recordSet, const wchar_t* name)
    {
        return recordSet.getObject(L"Fields").callObject(L"Item", name).get(L"Value");
    }
    static std::wstring Failure(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const ComError& error) {
            return error.message();
        }
        return L"(no failure)";
    }

    ComInit com_;
    test::StandInProfile profile_{kProfile};
    Dispatch outlook = test::CreateOutlook();
    Dispatch nameSpace = outlook.callObject(L"GetNamespace", L"MAPI");
    Dispatch table = Dispatch::Create(L"vexla.MapiTable");
};

} // namespace

TEST_F(MapiTableStandIn, RowsWithTheSelectedColumnsAndTheirTypes)
{
    Dispatch rs = Query(1, L"select EntryID, Subject, Categories, UnRead, CreationTime, Size, Location FROM FOLDER");
    EXPECT_EQ(rs.getObject(L"Fields").get(L"Count").toInt(), 7);
    EXPECT_EQ(rs.get(L"RecordCount").toInt(), 2);
    ASSERT_FALSE(rs.get(L"EOF").toBool());
    EXPECT_EQ(Value(rs, L"entryid").toText(), L"00AA");
    EXPECT_EQ(Value(rs, L"Subject").toText(), L"Red and blue");
    const Variant categories = Value(rs, L"Categories");
    ASSERT_EQ(categories.vt(), VT_ARRAY | VT_VARIANT);
    LONG upper = -1;
    ::SafeArrayGetUBound(categories.raw().parray, 1, &upper);
    EXPECT_EQ(upper, 1);
    EXPECT_EQ(Value(rs, L"UnRead").vt(), VT_BOOL);
    EXPECT_EQ(Value(rs, L"CreationTime").vt(), VT_DATE);
    EXPECT_EQ(Value(rs, L"Size").vt(), VT_I4);
    EXPECT_EQ(Value(rs, L"Size").toInt(), 321);
    EXPECT_TRUE(Value(rs, L"Location").isNull()); // a note has none

    // A field looked up once follows the record set's current row, as ADO's do.
    Dispatch subject = rs.getObject(L"Fields").callObject(L"Item", L"Subject");
    rs.call(L"MoveNext");
    EXPECT_EQ(subject.get(L"Value").toText(), L"Plain");
    EXPECT_TRUE(Value(rs, L"Categories").isNull());
    rs.call(L"MoveNext");
    EXPECT_TRUE(rs.get(L"EOF").toBool());
    EXPECT_NE(Failure([&] { subject.get(L"Value"); }).find(L"current record"), std::wstring::npos);
    EXPECT_NE(Failure([&] { rs.call(L"MoveNext"); }).find(L"current record"), std::wstring::npos);
}

TEST_F(MapiTableStandIn, AttachmentsWithOrWithoutTheFullStop)
{
    Dispatch rs = Query(2, L"SELECT EntryID, Attachments., Importance from Folder");
    EXPECT_EQ(Value(rs, L"Attachments.").vt(), VT_I4);
    EXPECT_EQ(Value(rs, L"Attachments.").toInt(), 2);
    EXPECT_EQ(Value(rs, L"Importance").toInt(), 2);
    EXPECT_EQ(Value(Query(2, L"SELECT EntryID, Attachments from Folder"), L"Attachments").toInt(), 2);
}

TEST_F(MapiTableStandIn, RefusalsCarryAMessage)
{
    Dispatch fresh = Dispatch::Create(L"vexla.MapiTable");
    EXPECT_NE(Failure([&] { fresh.call(L"ExecSQL", L"SELECT EntryID from Folder"); }).find(L"Item"), std::wstring::npos);
    EXPECT_EQ(Failure([&] { Query(1, L"SELECT EntryID, Nonsense from Folder"); }),
              L"Unknown column \"Nonsense\" in query.");
    EXPECT_NE(Failure([&] { Query(1, L"SELECT * from Folder"); }).find(L"Syntax error"), std::wstring::npos);
    EXPECT_EQ(Failure([&] { Query(3, L"SELECT EntryID, Subject from Folder"); }), L"The item is not available.");
    Dispatch rs = Query(1, L"SELECT EntryID from Folder");
    EXPECT_NE(Failure([&] { Value(rs, L"Subject"); }).find(L"cannot be found"), std::wstring::npos);
}

// The table is read from the store: no item is opened, and the guard sees no body read.
TEST_F(MapiTableStandIn, ReadsNoItemThroughAutomation)
{
    test::StandInControl(outlook).call(L"ResetCounts");
    Dispatch rs = Query(1, L"SELECT EntryID, Subject, Body from Folder");
    while (!rs.get(L"EOF").toBool()) {
        Value(rs, L"Body");
        rs.call(L"MoveNext");
    }
    EXPECT_EQ(test::CallCount(outlook, L"Item"), 2); // the two folder lookups of Items()
    EXPECT_EQ(test::CallCount(outlook, L"Body"), 0);
    EXPECT_EQ(test::CallCount(outlook, L"Subject"), 0);
    EXPECT_EQ(test::StandInControl(outlook).get(L"SecurityPrompts").toInt(), 0);
}
