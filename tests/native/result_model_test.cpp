#include "results/ResultModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gleaner::ResultModel;
using gleaner::RowId;

int PlainCompare(const std::wstring& a, const std::wstring& b)
{
    return a.compare(b);
}

struct Rows {
    ResultModel model{PlainCompare};

    RowId Add(const wchar_t* caption, const wchar_t* subject, const wchar_t* folder, const wchar_t* id)
    {
        const RowId row = model.Append(caption, std::wstring(caption) == L"c");
        model.AddSubItem(row, subject);
        model.AddSubItem(row, folder);
        model.SetEntryId(row, id);
        return row;
    }
    // Sub-item s of every row in display order, joined with '|'.
    std::wstring Column(int selector) const
    {
        std::wstring text;
        for (std::size_t i = 0; i < model.size(); ++i) {
            const auto& row = model.At(i);
            if (i)
                text += L'|';
            text += selector < 0 ? row.caption : row.subItems.at(static_cast<std::size_t>(selector));
        }
        return text;
    }
};

TEST(ResultModel, ColumnClicksAlternateEachColumnOnItsOwn)
{
    Rows r;
    r.Add(L"n", L"b", L"\\S\\2", L"01");
    r.Add(L"c", L"a", L"\\S\\3", L"02");
    r.Add(L"c", L"c", L"\\S\\1", L"03");
    const int folder = 2;
    const int subject = 1;

    r.model.ColumnClick(folder);
    EXPECT_EQ(r.Column(1), L"\\S\\1|\\S\\2|\\S\\3");
    r.model.ColumnClick(folder);
    EXPECT_EQ(r.Column(1), L"\\S\\3|\\S\\2|\\S\\1");
    r.model.ColumnClick(subject);   // leaves the folder flag alone
    EXPECT_EQ(r.Column(0), L"a|b|c");
    EXPECT_TRUE(r.model.Descending(subject));
    r.model.ColumnClick(folder);
    EXPECT_EQ(r.Column(1), L"\\S\\1|\\S\\2|\\S\\3");

    // The flags outlive the rows: the next search's first click on "Subject" sorts descending.
    r.model.Clear();
    EXPECT_TRUE(r.model.empty());
    EXPECT_TRUE(r.model.Descending(subject));
    EXPECT_TRUE(r.model.Descending(folder));
    r.Add(L"n", L"x", L"\\S", L"10");
    r.Add(L"c", L"y", L"\\S", L"11");
    r.model.ColumnClick(subject);
    EXPECT_EQ(r.Column(0), L"y|x");
}

TEST(ResultModel, SortingByMarkPutsDuplicatesFirstAndKeepsTicks)
{
    Rows r;
    const RowId a = r.Add(L"n", L"a", L"\\F", L"01");
    const RowId b = r.Add(L"c", L"b", L"\\F", L"02");
    const RowId c = r.Add(L"n", L"c", L"\\F", L"03");
    const RowId d = r.Add(L"c", L"d", L"\\F", L"04");
    r.model.SetTickByUser(b, false);
    r.model.SetTickByUser(c, true);

    r.model.ColumnClick(0);
    EXPECT_EQ(r.Column(-1), L"c|c|n|n");
    EXPECT_EQ(r.Column(0), L"b|d|a|c");   // equal marks keep their order
    EXPECT_EQ(r.model.Order(), (std::vector<RowId>{b, d, a, c}));
    // Each row keeps its own caption and tick.
    EXPECT_FALSE(r.model.Row(b).ticked);
    EXPECT_TRUE(r.model.Row(c).ticked);
    EXPECT_TRUE(r.model.Row(d).ticked);
    EXPECT_FALSE(r.model.Row(a).ticked);
    EXPECT_EQ(r.model.Row(c).caption, L"n");
    EXPECT_EQ(r.model.TakeUserTicked(), (std::vector<RowId>{b, c}));
    EXPECT_TRUE(r.model.TakeUserTicked().empty());

    r.model.ColumnClick(0);
    EXPECT_EQ(r.Column(-1), L"n|n|c|c");
}

TEST(ResultModel, CompareListItemsHandlesMissingRowsAndSubItems)
{
    ResultModel model{[](const std::wstring& a, const std::wstring& b) { return a < b ? -7 : (b < a ? 7 : 0); }};
    const RowId full = model.Append(L"c", true);
    model.AddSubItem(full, L"Subject");
    const RowId bare = model.Append(L"n", false);   // its filling failed at once
    const auto& f = model.Row(full);
    const auto& b = model.Row(bare);

    EXPECT_EQ(model.CompareListItems(nullptr, &b, 0), 0);
    EXPECT_EQ(model.CompareListItems(&f, nullptr, 0), 0);
    EXPECT_GT(model.CompareListItems(&f, &b, 0), 0);    // "Subject" against empty text
    EXPECT_EQ(model.CompareListItems(&f, &b, 1), 0);    // neither has a folder
    EXPECT_LT(model.CompareListItems(&f, &b, -1), 0);
    model.ColumnClick(1);                                // flips the flag of column 1 (selector 0)
    EXPECT_LT(model.CompareListItems(&f, &b, 0), 0);
    EXPECT_LT(model.CompareListItems(&f, &b, -1), 0);   // column 0's flag untouched
    EXPECT_EQ(model.CompareListItems(&f, &b, 5), 0);    // no such column: empty texts, no flag
}

TEST(ResultModel, FindsRowsByIdentifierIgnoringCase)
{
    Rows r;
    const RowId first = r.Add(L"n", L"a", L"\\F", L"00ab");
    const RowId unfilled = r.model.Append(L"c", true);
    const RowId second = r.Add(L"c", L"b", L"\\F", L"00AB");
    r.model.ColumnClick(1);   // display order does not matter

    EXPECT_EQ(r.model.FindRowIgnoringCase(L"00Ab"), first);
    EXPECT_EQ(r.model.RowsWithIdIgnoringCase(L"00aB"), (std::vector<RowId>{first, second}));
    EXPECT_TRUE(r.model.HasRowWithExactId(L"00AB"));
    EXPECT_FALSE(r.model.HasRowWithExactId(L"00Ab"));
    EXPECT_FALSE(r.model.FindRowIgnoringCase(L""));
    EXPECT_THROW(r.model.SetEntryId(first, L"11"), std::logic_error);
    r.model.SetEntryId(unfilled, L"11");
    EXPECT_EQ(r.model.FindRowIgnoringCase(L"11"), unfilled);
    r.model.Clear();
    EXPECT_FALSE(r.model.FindRowIgnoringCase(L"00ab"));
}

} // namespace
