// The MAPI-table stand-in's query parser: the one form the program sends, keywords in any
// letter case, the catalogue's columns, and refusal of everything else with a message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapiQuery.h"

using mapitable::ParseQuery;

TEST(MapiTableQuery, AcceptsTheProgramsForm)
{
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> columns;
    } cases[] = {
        {L"SELECT EntryID from Folder", {}},
        {L"SELECT EntryID, Subject, Body, Size from Folder", {L"Subject", L"Body", L"Size"}},
        {L"select entryid, subject FROM folder", {L"subject"}},
        {L"SELECT EntryID, Attachments., Attachments from Folder", {L"Attachments.", L"Attachments"}},
        {L"SELECT EntryID, TTYTDDTelephoneNumber, Startdate, Duedate, Categories from Folder",
         {L"TTYTDDTelephoneNumber", L"Startdate", L"Duedate", L"Categories"}},
    };
    for (const auto& c : cases) {
        const auto query = ParseQuery(c.text);
        EXPECT_TRUE(query.ok) << query.error;
        EXPECT_EQ(query.columns, c.columns);
    }
}

TEST(MapiTableQuery, RefusesAnyOtherTextWithAMessage)
{
    const wchar_t* bad[] = {
        L"",
        L"SELECT EntryID",
        L"SELECT EntryID from Folder ",
        L"SELECT EntryID from Folder;",
        L" SELECT EntryID from Folder",
        L"SELECT  EntryID from Folder",
        L"SELECT EntryID,Subject from Folder",
        L"SELECT EntryID, from Folder",
        L"SELECT EntryID, Subject,  Body from Folder",
        L"SELECT EntryID, Subject from Inbox",
        L"SELECT Subject from Folder",
        L"SELECT EntryID, Nonsense from Folder",
        L"SELECT EntryID, EntryID from Folder",
        L"SELECT EntryID, Sub\u0130ect from Folder",
    };
    for (const wchar_t* text : bad) {
        const auto query = ParseQuery(text);
        EXPECT_FALSE(query.ok) << std::wstring(text).size();
        EXPECT_FALSE(query.error.empty());
    }
    EXPECT_EQ(ParseQuery(L"SELECT EntryID, Nonsense from Folder").error, L"Unknown column \"Nonsense\" in query.");
}

TEST(MapiTableQuery, MultiValuedTextsSplitAtTheirSeparator)
{
    EXPECT_TRUE(mapitable::MultiValuedColumn(L"categories"));
    EXPECT_FALSE(mapitable::MultiValuedColumn(L"Subject"));
    EXPECT_EQ(mapitable::SplitValues(L"Red, Blue"), (std::vector<std::wstring>{L"Red", L"Blue"}));
    EXPECT_EQ(mapitable::SplitValues(L"One"), (std::vector<std::wstring>{L"One"}));
}
