// The MAPI-table stand-in with Outlook in another process: like a MAPI-table component it
// reads the store in its client's process, so its record sets are those of Outlook in process,
// the changes Outlook has made included, with no item read through Outlook.
#include <gtest/gtest.h>

#include <string>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/SafeArray.h"
#include "support/OutlookHost.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;

namespace {

const std::string kProfile = R"({ "stores": [ { "name": "S", "folders": [
    { "name": "Inbox", "items": [
      { "Subject": "Mail", "Body": "short", "attachments": ["a.txt", "b.txt"], "Importance": 2,
        "Categories": "Red, Blue", "CreationTime": "2009-03-07T14:05:09", "UnRead": true },
      { "Subject": "Long", "Body": ")" + std::string(300, 'x') + R"(" },
      { "Subject": "Third" } ] },
    { "name": "Broken", "items": [ { "Subject": "X", "fail": { "Subject": "The item is not available." } } ] } ] } ] })";

const wchar_t kQuery[] =
    L"SELECT EntryID, Subject, Body, Attachments, Importance, Categories, CreationTime, UnRead, Size from Folder";

std::wstring CellText(const Variant& value)
{
    if (value.vt() == (VT_ARRAY | VT_VARIANT)) {
        std::wstring all = L"[";
        LONG lower = 0, upper = -1;
        ::SafeArrayGetLBound(value.raw().parray, 1, &lower);
        ::SafeArrayGetUBound(value.raw().parray, 1, &upper);
        for (LONG i = lower; i <= upper; ++i) {
            Variant element;
            ::SafeArrayGetElement(value.raw().parray, &i, element.put());
            all += element.toText() + L";";
        }
        return all + L"]";
    }
    if (value.isNull()) return L"<null>";
    return std::to_wstring(value.vt()) + L":" + value.toText();
}

// Every field of every row of the query on the n-th folder, with its type.
std::wstring Table(const Dispatch& nameSpace, int folder)
{
    Dispatch items =
        nameSpace.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", folder).getObject(L"Items");
    Dispatch table = Dispatch::Create(L"vexla.MapiTable");
    table.put(L"Item", items.variant());
    Dispatch rs = table.callObject(L"ExecSQL", kQuery);
    Dispatch fields = rs.getObject(L"Fields");
    std::wstring text;
    for (; !rs.get(L"EOF").toBool(); rs.call(L"MoveNext")) {
        for (int i = 0, n = fields.get(L"Count").toInt(); i < n; ++i) text += CellText(fields.callObject(L"Item", i).get(L"Value")) + L"|";
        text += L"\n";
    }
    return text;
}

std::wstring Failure(const Dispatch& nameSpace, int folder)
{
    try {
        Table(nameSpace, folder);
    } catch (const ComError& error) {
        return error.message();
    }
    return L"(no failure)";
}

} // namespace

TEST(MapiTableOutOfProcess, RecordSetsAreThoseOfOutlookInProcess)
{
    ComInit com;
    test::StandInProfile profile(kProfile);
    std::wstring inProcess;
    {
        Dispatch nameSpace = test::CreateOutlook().callObject(L"GetNamespace", L"MAPI");
        inProcess = Table(nameSpace, 1);
    }
    ASSERT_NE(inProcess.find(L"Red;Blue;"), std::wstring::npos) << "the fixture shows every kind of value";

    test::OutlookHost host(profile.path());
    Dispatch nameSpace = host.application().callObject(L"GetNamespace", L"MAPI");
    host.Control().call(L"ResetCounts");
    EXPECT_EQ(Table(nameSpace, 1), inProcess);
    EXPECT_EQ(Failure(nameSpace, 2), L"The item is not available.");
    // Read from the store, not through Outlook: no item was opened, no table asked of Outlook.
    EXPECT_EQ(host.CallCount(L"Item"), 4); // the folder look-ups of Table()
    EXPECT_EQ(host.CallCount(L"Subject"), 0);
    EXPECT_EQ(host.CallCount(L"StandInTable"), 0);
    EXPECT_EQ(host.Control().get(L"SecurityPrompts").toInt(), 0);
}

// A change is in the store once Outlook's call has returned, so the next query has it.
TEST(MapiTableOutOfProcess, NextQuerySeesWhatOutlookChanged)
{
    ComInit com;
    test::StandInProfile profile(kProfile);
    test::OutlookHost host(profile.path());
    Dispatch nameSpace = host.application().callObject(L"GetNamespace", L"MAPI");
    const std::wstring before = Table(nameSpace, 1);
    Dispatch third = nameSpace.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1)
                         .getObject(L"Items").callObject(L"Item", 3);
    third.put(L"Subject", L"Third, marked");
    EXPECT_EQ(Table(nameSpace, 1), before) << "not saved yet";
    third.call(L"Save");
    const std::wstring after = Table(nameSpace, 1);
    EXPECT_NE(after.find(L"Third, marked"), std::wstring::npos);
    EXPECT_EQ(after.find(L"|8:Third|"), std::wstring::npos);
}
