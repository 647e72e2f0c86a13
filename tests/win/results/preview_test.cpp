// The preview of the selected row, and opening its item, against the Outlook stand-in.
#include <gtest/gtest.h>

#include <optional>

#include "ResultsHost.h"
#include "platform/LocaleFormat.h"
#include "support/OutlookStandIn.h"

using gleaner::Dispatch;

namespace {

constexpr const char* kProfile = R"({ "stores": [ { "name": "Personal Folders", "folders": [
  { "name": "Inbox", "defaultItemType": 0, "items": [
    { "entryID": "00A1", "messageClass": "IPM.Note", "Subject": "Lunch", "SenderName": "Ann Smith",
      "To": "Bob; Carl", "Body": "See you at noon." },
    { "entryID": "00A2", "messageClass": "IPM.Note.SMIME", "Subject": "Signed", "SenderName": "Ann",
      "To": "Bob", "Body": "signed body" },
    { "entryID": "00A3", "messageClass": "IPM.Note", "Subject": "Broken", "Body": "x",
      "fail": { "Body": "The body is not available.", "Display": "The item cannot be shown." } },
    { "entryID": "00A4", "messageClass": "IPM.Note", "Subject": "Doomed", "Body": "gone soon" } ] },
  { "name": "Calendar", "defaultItemType": 1, "items": [
    { "entryID": "00B1", "messageClass": "IPM.Appointment", "Subject": "Dentist",
      "Start": "2009-03-07T14:05:09", "End": "2009-03-07T15:30:00", "Body": "Bring the card." } ] },
  { "name": "Contacts", "defaultItemType": 2, "items": [
    { "entryID": "00C1", "messageClass": "IPM.Contact", "Subject": "Ann Smith", "Email1Address": "ann@example.com",
      "MailingAddress": "1 Main St", "BusinessTelephoneNumber": "555-1", "HomeTelephoneNumber": "555-2",
      "BusinessFaxNumber": "555-3", "MobileTelephoneNumber": "555-4", "Body": "" } ] },
  { "name": "Journal", "defaultItemType": 4, "items": [
    { "entryID": "00D1", "messageClass": "IPM.Activity", "Subject": "Call", "Body": "Phoned Ann." } ] },
  { "name": "Notes", "defaultItemType": 5, "items": [
    { "entryID": "00E1", "messageClass": "IPM.StickyNote", "Subject": "Milk",
      "LastModificationTime": "2010-12-31T23:59:58", "Body": "Milk" } ] },
  { "name": "Tasks", "defaultItemType": 3, "items": [
    { "entryID": "00F1", "messageClass": "IPM.Task", "Subject": "Taxes",
      "StartDate": "2011-01-02T00:00:00", "DueDate": "2011-04-15T00:00:00", "Body": "File them." } ] } ] },
  { "name": "Public", "requiresStoreID": true, "folders": [ { "name": "Shared", "defaultItemType": 0, "items": [
    { "entryID": "00G1", "messageClass": "IPM.Note", "Subject": "For all", "SenderName": "Dee", "To": "All",
      "Body": "Shared body." } ] } ] } ] })";

const std::wstring kRule(64, L'-');

std::wstring DateAt(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0)
{
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    return gleaner::FormatShortDate(time);
}

std::wstring DateTimeAt(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    return gleaner::FormatShortDate(time) + L" " + gleaner::FormatLongTime(time);
}

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest()
    {
        application = gleaner::test::CreateOutlook();
        host.nameSpace = application.callObject(L"GetNamespace", L"MAPI");
        control = gleaner::test::StandInControl(application);
        for (const wchar_t* id : {L"00A1", L"00A2", L"00A3", L"00A4", L"00B1", L"00C1", L"00D1", L"00E1", L"00F1"})
            host.AddRow(L"n", id, L"\\Personal Folders", id);
    }
    ~PreviewTest() override { host.nameSpace.reset(); }

    // Selects the row as a click would: the list view tells the window, which previews.
    void SelectRow(std::size_t index) { host.list.Select(index); }
    std::size_t RowOf(const std::wstring& entryId)
    {
        for (std::size_t i = 0; i < host.model.size(); ++i)
            if (host.model.At(i).entryId == entryId) return i;
        ADD_FAILURE() << "no row";
        return 0;
    }

    // Declared first, so that every Outlook object is released before the profile goes.
    gleaner::test::StandInProfile profile{kProfile};
    ResultsHost host;
    Dispatch application;
    Dispatch control;
};

TEST_F(PreviewTest, HeaderByExactMessageClassThenRuleThenBody)
{
    const struct {
        const wchar_t* entryId;
        std::wstring expected;
    } cases[] = {
        {L"00A1", L"From: Ann Smith\r\nTo: Bob; Carl\r\n" + kRule + L"\r\nSee you at noon."},
        // A signed mail's class only begins with "IPM.Note": no header.
        {L"00A2", L"\r\n" + kRule + L"\r\nsigned body"},
        {L"00B1", L"Start Time: " + DateTimeAt(2009, 3, 7, 14, 5, 9) + L"\r\nEnd Time: " +
                      DateTimeAt(2009, 3, 7, 15, 30, 0) + L"\r\n" + kRule + L"\r\nBring the card."},
        {L"00C1", L"E-mail: ann@example.com\r\n" + kRule + L"\r\nMailing Address: 1 Main St\r\n"
                  L"Business Phone Number: 555-1\r\nHome Phone Number: 555-2\r\nBusiness Fax Number: 555-3\r\n"
                  L"Mobile Phone Number: 555-4\r\n" + kRule + L"\r\n"},
        // A journal entry has no header, so its preview starts with an empty line.
        {L"00D1", L"\r\n" + kRule + L"\r\nPhoned Ann."},
        {L"00E1", L"Last Modified On: " + DateTimeAt(2010, 12, 31, 23, 59, 58) + L"\r\n" + kRule + L"\r\nMilk"},
        // A task shows both dates without times.
        {L"00F1", L"Start Date: " + DateAt(2011, 1, 2) + L"\r\nDue Date: " + DateAt(2011, 4, 15) + L"\r\n" + kRule +
                      L"\r\nFile them."},
    };
    for (const auto& c : cases) {
        SelectRow(RowOf(c.entryId));
        EXPECT_EQ(host.MemoText(), c.expected) << c.entryId;
    }
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(PreviewTest, FailureLogsLine475AndKeepsThePreviousPreview)
{
    // A row whose filling stopped before its identifier was read.
    host.AddRow(L"c", L"half", L"", L"");
    Dispatch doomed = host.nameSpace.callObject(L"GetItemFromID", L"00A4");
    doomed.call(L"Delete");
    doomed.reset();

    SelectRow(RowOf(L"00A1"));
    const std::wstring before = host.MemoText();
    ASSERT_FALSE(before.empty());
    const std::size_t halfRow = host.model.size() - 1;
    for (std::size_t row : {RowOf(L"00A3"), RowOf(L"00A4"), halfRow}) {
        SelectRow(row);
        EXPECT_EQ(host.MemoText(), before) << row;
    }
    const auto lines = host.LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("The body is not available. line 475"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("could not be found. line 475"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" line 475"), std::string::npos) << lines[2];
}

TEST_F(PreviewTest, UnselectingKeepsThePreview)
{
    SelectRow(RowOf(L"00D1"));
    const std::wstring shown = host.MemoText();
    ListView_SetItemState(host.listView, -1, 0, LVIS_SELECTED);
    EXPECT_FALSE(host.list.SelectedIndex());
    EXPECT_EQ(host.MemoText(), shown);
}

TEST_F(PreviewTest, DoubleClickDisplaysTheSelectedItemNotModally)
{
    host.list.ListView2DblClick();
    EXPECT_EQ(control.get(L"DisplayCount").toInt(), 0);

    SelectRow(RowOf(L"00B1"));
    host.list.ListView2DblClick();
    EXPECT_EQ(control.get(L"DisplayLog").toText(), L"00B1\tDentist\tFalse\r\n");

    // The item refuses: logged, nothing else.
    SelectRow(RowOf(L"00A3"));
    host.list.ListView2DblClick();
    EXPECT_EQ(control.get(L"DisplayCount").toInt(), 1);
    const auto lines = host.LogLines();
    ASSERT_EQ(lines.size(), 2u); // the preview's failure, then the open's
    EXPECT_NE(lines[1].find("The item cannot be shown. line 421"), std::string::npos) << lines[1];
}

// A public folder or delegate mailbox finds its items only with its store identifier, which the
// row keeps: previewed and opened like any other.
TEST_F(PreviewTest, AnItemOfAStoreThatNeedsItsIdentifierIsPreviewedAndOpened)
{
    const std::wstring storeId =
        host.nameSpace.getObject(L"Folders").callObject(L"Item", 2).get(L"StoreID").toText();
    host.AddRow(L"c", L"For all", L"\\Public\\Shared", L"00G1");
    const std::size_t row = host.model.size() - 1;
    SelectRow(row);
    EXPECT_EQ(host.LogLines().size(), 1u) << "found without its store identifier";

    host.model.SetStoreId(host.model.IdAt(row), storeId);
    SelectRow(RowOf(L"00A1"));
    SelectRow(row);
    EXPECT_EQ(host.MemoText(), L"From: Dee\r\nTo: All\r\n" + kRule + L"\r\nShared body.");
    host.list.ListView2DblClick();
    EXPECT_EQ(control.get(L"DisplayLog").toText(), L"00G1\tFor all\tFalse\r\n");
    EXPECT_EQ(host.LogLines().size(), 1u);
}

TEST_F(PreviewTest, MouseDoubleClicksOpenOnlyWithARowSelected)
{
    RECT last{};
    ListView_GetItemRect(host.listView, static_cast<int>(host.model.size()) - 1, &last, LVIR_BOUNDS);
    const POINT below{last.left + 40, last.bottom + 20};
    RECT client{};
    ::GetClientRect(host.listView, &client);
    ASSERT_LT(below.y, client.bottom);

    ResultsHost::Click(host.listView, below, true);
    EXPECT_EQ(control.get(L"DisplayCount").toInt(), 0);

    const int row = static_cast<int>(RowOf(L"00E1"));
    ResultsHost::Click(host.listView, host.SubjectOf(row), true);
    EXPECT_EQ(host.list.SelectedIndex(), static_cast<std::size_t>(row));
    EXPECT_EQ(control.get(L"DisplayLog").toText(), L"00E1\tMilk\tFalse\r\n");
}

} // namespace
