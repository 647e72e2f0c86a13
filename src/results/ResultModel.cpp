#include "results/ResultModel.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace gleaner {

std::wstring FoldEntryId(std::wstring_view id)
{
    std::wstring folded(id);
    for (wchar_t& ch : folded) {
        if (ch >= L'a' && ch <= L'z')
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    return folded;
}

ResultModel::ResultModel(TextComparer compare) : compare_(std::move(compare))
{
    if (!compare_)
        throw std::invalid_argument("ResultModel needs a text comparison");
}

RowId ResultModel::Append(std::wstring caption, bool ticked)
{
    const auto id = static_cast<RowId>(rows_.size());
    rows_.push_back(ResultRow{std::move(caption), ticked, {}, std::nullopt, {}});
    order_.push_back(id);
    return id;
}

void ResultModel::AddSubItem(RowId id, std::wstring text)
{
    rows_.at(id).subItems.push_back(std::move(text));
}

void ResultModel::SetEntryId(RowId id, std::wstring entryId)
{
    ResultRow& row = rows_.at(id);
    if (row.entryId)
        throw std::logic_error("a result row's entry identifier is set only once");
    byFoldedId_[FoldEntryId(entryId)].push_back(id);
    row.entryId = std::move(entryId);
}

void ResultModel::SetCaption(RowId id, std::wstring caption)
{
    rows_.at(id).caption = std::move(caption);
}

void ResultModel::SetTicked(RowId id, bool ticked)
{
    rows_.at(id).ticked = ticked;
}

void ResultModel::Clear()
{
    rows_.clear();
    order_.clear();
    byFoldedId_.clear();
    userTicked_.clear();
    ++generation_;
}

void ResultModel::SetTickByUser(RowId id, bool ticked)
{
    rows_.at(id).ticked = ticked;
    userTicked_.push_back(id);
}

std::vector<RowId> ResultModel::TakeUserTicked()
{
    return std::exchange(userTicked_, {});
}

const std::vector<RowId>& ResultModel::RowsWithIdIgnoringCase(std::wstring_view id) const
{
    static const std::vector<RowId> none;
    const auto found = byFoldedId_.find(FoldEntryId(id));
    return found == byFoldedId_.end() ? none : found->second;
}

std::optional<RowId> ResultModel::FindRowIgnoringCase(std::wstring_view id) const
{
    const auto& rows = RowsWithIdIgnoringCase(id);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

bool ResultModel::HasRowWithExactId(std::wstring_view id) const
{
    for (RowId row : RowsWithIdIgnoringCase(id)) {
        if (*rows_[row].entryId == id)
            return true;
    }
    return false;
}

int ResultModel::CompareListItems(const ResultRow* a, const ResultRow* b, int selector) const
{
    if (!a || !b)
        return 0;
    static const std::wstring emptyText;
    auto text = [selector](const ResultRow& row) -> const std::wstring& {
        if (selector < 0)
            return row.caption;
        const auto index = static_cast<std::size_t>(selector);
        return index < row.subItems.size() ? row.subItems[index] : emptyText;
    };
    const int result = compare_(text(*a), text(*b));
    const int column = selector + 1;
    const bool reversed = column >= 0 && column < kColumnCount && flags_[static_cast<std::size_t>(column)];
    // Only the sign counts; mapping to -1/0/1 keeps negation safe for any comparer.
    const int sign = (result > 0) - (result < 0);
    return reversed ? -sign : sign;
}

void ResultModel::ColumnClick(int column)
{
    if (column < 0 || column >= kColumnCount)
        return;
    const int selector = column - 1;
    // Stable, so rows with equal texts keep their order from one click to the next.
    std::stable_sort(order_.begin(), order_.end(), [&](RowId a, RowId b) {
        return CompareListItems(&rows_[a], &rows_[b], selector) < 0;
    });
    flags_[static_cast<std::size_t>(column)] = !flags_[static_cast<std::size_t>(column)];
}

} // namespace gleaner
