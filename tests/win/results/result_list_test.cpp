// ListView2 over the result model: ticks by mouse and space bar, sorting by header clicks,
// refreshing and clearing. No Outlook: a preview here fails and is logged, which shows when one ran.
#include <gtest/gtest.h>

#include <algorithm>

#include "ResultsHost.h"

namespace {

std::vector<std::wstring> ShownColumn(const ResultsHost& host, int column)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < ListView_GetItemCount(host.listView); ++i) texts.push_back(host.ShownText(i, column));
    return texts;
}

std::vector<bool> ShownTicks(const ResultsHost& host)
{
    std::vector<bool> ticks;
    for (int i = 0; i < ListView_GetItemCount(host.listView); ++i) ticks.push_back(host.ShownTick(i));
    return ticks;
}

void PressSpace(HWND window)
{
    ::SetFocus(window);
    ::PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::PostMessageW(window, WM_KEYUP, VK_SPACE, 0xC0390001);
    ResultsHost::Pump();
}

TEST(ResultListTest, ColumnsAndStylesOfTheList)
{
    ResultsHost host;
    const wchar_t* captions[] = {L"", L"Subject", L"Folder"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ListView_GetColumnWidth(host.listView, i), gleaner::ResultList::kColumnWidths[i]);
        wchar_t text[32] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 32;
        ListView_GetColumn(host.listView, i, &column);
        EXPECT_STREQ(text, captions[i]);
    }
    const DWORD exStyle = ListView_GetExtendedListViewStyle(host.listView);
    EXPECT_TRUE(exStyle & LVS_EX_CHECKBOXES);
    EXPECT_TRUE(exStyle & LVS_EX_FULLROWSELECT);
    EXPECT_FALSE(::GetWindowLongPtrW(host.listView, GWL_STYLE) & LVS_EDITLABELS);

    // A list that keeps its own items cannot show the model.
    HWND plain = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 10, 10, host.listView, nullptr,
                                   nullptr, nullptr);
    gleaner::ResultModel model(gleaner::CompareLocaleText);
    gleaner::Dispatch none;
    gleaner::ResultList other(model, none);
    EXPECT_THROW(other.Attach(plain, nullptr), std::invalid_argument);
}

TEST(ResultListTest, TicksByMouseAtTheCheckBoxAndByTheSpaceBar)
{
    ResultsHost host;
    const auto first = host.AddRow(L"n", L"one", L"\\A", L"01");
    const auto second = host.AddRow(L"c", L"two", L"\\A", L"02");
    const auto third = host.AddRow(L"n", L"three", L"\\A", L"03");
    ASSERT_EQ(ShownTicks(host), (std::vector<bool>{false, true, false}));

    LVHITTESTINFO hit{};
    hit.pt = host.CheckBoxOf(0);
    ASSERT_EQ(ListView_HitTest(host.listView, &hit), 0);
    ASSERT_EQ(hit.flags & LVHT_ONITEM, static_cast<UINT>(LVHT_ONITEMSTATEICON));

    ResultsHost::Click(host.listView, host.CheckBoxOf(0));
    EXPECT_TRUE(host.model.Row(first).ticked);
    ResultsHost::Click(host.listView, host.CheckBoxOf(1)); // a duplicate may be unticked too
    EXPECT_FALSE(host.model.Row(second).ticked);
    // A click on the text selects the row and leaves its tick.
    ResultsHost::Click(host.listView, host.SubjectOf(2));
    EXPECT_FALSE(host.model.Row(third).ticked);
    EXPECT_EQ(host.list.SelectedIndex(), 2u);

    PressSpace(host.listView);
    EXPECT_TRUE(host.model.Row(third).ticked);
    EXPECT_EQ(ShownTicks(host), (std::vector<bool>{true, false, true}));
    PressSpace(host.listView);
    EXPECT_FALSE(host.model.Row(third).ticked);

    // Captions stay the search's marks; every row the user ticked is remembered for the re-sync.
    EXPECT_EQ(ShownColumn(host, 0), (std::vector<std::wstring>{L"n", L"c", L"n"}));
    auto userTicked = host.model.TakeUserTicked();
    std::sort(userTicked.begin(), userTicked.end());
    userTicked.erase(std::unique(userTicked.begin(), userTicked.end()), userTicked.end());
    EXPECT_EQ(userTicked, (std::vector<gleaner::RowId>{first, second, third}));
}

TEST(ResultListTest, HeaderClicksSortAndRowsKeepTicksCaptionsAndSelection)
{
    ResultsHost host;
    host.AddRow(L"n", L"banana", L"\\B", L"01");
    host.AddRow(L"c", L"apple", L"\\A", L"02");
    host.AddRow(L"c", L"Apple", L"\\C", L"03");
    host.AddRow(L"n", L"cherry", L"\\A", L"04");
    host.list.Select(0); // banana; previews (and fails: no Outlook here)
    const std::size_t previews = host.LogLines().size();
    ASSERT_EQ(previews, 1u);

    HWND header = ListView_GetHeader(host.listView);
    auto clickHeader = [&](int column) {
        RECT rect{};
        Header_GetItemRect(header, column, &rect);
        ResultsHost::Click(header, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    };

    clickHeader(1);
    EXPECT_EQ(ShownColumn(host, 1), (std::vector<std::wstring>{L"apple", L"Apple", L"banana", L"cherry"}));
    EXPECT_EQ(ShownColumn(host, 0), (std::vector<std::wstring>{L"c", L"c", L"n", L"n"}));
    EXPECT_EQ(ShownTicks(host), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(host.list.SelectedIndex(), 2u);

    clickHeader(1);
    EXPECT_EQ(ShownColumn(host, 1), (std::vector<std::wstring>{L"cherry", L"banana", L"Apple", L"apple"}));
    EXPECT_EQ(host.list.SelectedIndex(), 1u);

    clickHeader(2);
    EXPECT_EQ(ShownColumn(host, 2), (std::vector<std::wstring>{L"\\A", L"\\A", L"\\B", L"\\C"}));
    clickHeader(0);
    EXPECT_EQ(ShownColumn(host, 0), (std::vector<std::wstring>{L"c", L"c", L"n", L"n"}));
    EXPECT_EQ(host.ShownText(static_cast<int>(*host.list.SelectedIndex()), 1), L"banana");
    // The selection followed its row without a new preview.
    EXPECT_EQ(host.LogLines().size(), previews);
}

TEST(ResultListTest, RefreshShowsNewRowsAndClearingEmptiesListAndPreviewButKeepsTheFlags)
{
    ResultsHost host;
    host.AddRow(L"n", L"a", L"\\A", L"01");
    const auto added = host.model.Append(L"n", false);
    EXPECT_EQ(ListView_GetItemCount(host.listView), 1);
    host.list.Refresh();
    EXPECT_EQ(ListView_GetItemCount(host.listView), 2);
    // A row that lacks its sub-items shows empty text.
    EXPECT_EQ(host.ShownText(1, 2), L"");
    // A re-sync ticks rows in the model; the list shows the model.
    host.model.SetCaption(added, L"c");
    host.model.SetTicked(added, true);
    host.list.Refresh();
    EXPECT_TRUE(host.ShownTick(1));
    EXPECT_EQ(host.ShownText(1, 0), L"c");

    host.list.ListView2ColumnClick(1);
    ::SetWindowTextW(host.memo, L"old preview");
    host.list.ClearRows();
    EXPECT_EQ(ListView_GetItemCount(host.listView), 0);
    EXPECT_TRUE(host.model.empty());
    EXPECT_EQ(host.MemoText(), L"");
    EXPECT_TRUE(host.model.Descending(1));

    host.AddRow(L"c", L"b", L"\\B", L"02");
    EXPECT_EQ(ListView_GetItemCount(host.listView), 1);
    EXPECT_EQ(host.ShownText(0, 1), L"b");
}

TEST(ResultListTest, RowsAddedOutOfSightReachTheListOnceMessagesAreHandled)
{
    ResultsHost host;
    const int page = ListView_GetCountPerPage(host.listView);
    ASSERT_GT(page, 0);
    for (int i = 0; i < page * 3; ++i) host.AddRow(L"c", std::to_wstring(i), L"\\A", std::to_wstring(i));
    // However the batches fell, every row arrives without another call.
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    while (static_cast<std::size_t>(ListView_GetItemCount(host.listView)) != host.model.size() &&
           ::GetTickCount64() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        ResultsHost::Pump();
    }
    ASSERT_EQ(static_cast<std::size_t>(ListView_GetItemCount(host.listView)), host.model.size());
    EXPECT_EQ(host.ShownText(page * 3 - 1, 1), std::to_wstring(page * 3 - 1));
}

} // namespace
