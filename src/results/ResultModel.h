#pragma once
// The rows of the result list, free of any window: the list view shows them, the searches
// add them, processing reads them. Portable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gleaner {

inline constexpr std::wstring_view kOriginalCaption = L"n";
inline constexpr std::wstring_view kDuplicateCaption = L"c";

// One result row. A row whose filling failed keeps what it got so far: it may lack
// sub-items or its entry identifier.
struct ResultRow {
    std::wstring caption;                 // the item's mark: "n" or "c"
    bool ticked = false;
    std::vector<std::wstring> subItems;   // 0: subject, 1: folder path
    std::optional<std::wstring> entryId;
    std::wstring storeId;                 // the store of the item's folder; empty when unknown
};

// Rows keep a stable identity (their RowId, in the order they were added) while the user
// sorts them, so the searches find their rows by identifier and processing walks rows by
// identity whatever the display order is.
using RowId = std::uint32_t;

// The locale-aware comparison of two texts (lstrcmpW on Windows): negative, zero or positive.
using TextComparer = std::function<int(const std::wstring&, const std::wstring&)>;

// Entry identifiers compared with letter case ignored. They are hexadecimal text, so
// folding the ASCII letters is enough.
std::wstring FoldEntryId(std::wstring_view id);

// Owns the rows, their display order, the index by entry identifier and the sort-direction
// flags, which live for the whole run (clearing the rows leaves them).
class ResultModel {
public:
    static constexpr int kColumnCount = 3;

    explicit ResultModel(TextComparer compare);

    std::size_t size() const noexcept { return order_.size(); }
    bool empty() const noexcept { return order_.empty(); }

    // Display order: index 0 is the top row of the list.
    RowId IdAt(std::size_t index) const { return order_.at(index); }
    const ResultRow& At(std::size_t index) const { return rows_.at(order_.at(index)); }
    const ResultRow& Row(RowId id) const { return rows_.at(id); }
    // The display order as it stands, for walking rows by identity.
    const std::vector<RowId>& Order() const noexcept { return order_; }

    // Appends a row at the end of the display order.
    RowId Append(std::wstring caption, bool ticked);
    void AddSubItem(RowId id, std::wstring text);
    // A row's identifier is given once, when its item has been fetched.
    void SetEntryId(RowId id, std::wstring entryId);
    void SetStoreId(RowId id, std::wstring storeId) { rows_.at(id).storeId = std::move(storeId); }
    void SetCaption(RowId id, std::wstring caption);
    void SetTicked(RowId id, bool ticked);
    // Removes every row; the sort-direction flags stay.
    void Clear();
    // Changes with every Clear(), so whoever caches row state can tell the rows went away.
    std::uint64_t Generation() const noexcept { return generation_; }

    // The user's tick (mouse or space bar): remembered so that the next re-sync of a
    // search looks at this row again.
    void SetTickByUser(RowId id, bool ticked);
    std::vector<RowId> TakeUserTicked();

    // Rows whose identifier equals id with letter case ignored, in the order they were
    // added. Rows without an identifier are in no bucket.
    const std::vector<RowId>& RowsWithIdIgnoringCase(std::wstring_view id) const;
    std::optional<RowId> FindRowIgnoringCase(std::wstring_view id) const;
    bool HasRowWithExactId(std::wstring_view id) const;

    // The list's comparison for sorting: selector -1 compares captions, 0 or more that
    // sub-item (empty text when a row has fewer); the flag of column selector + 1
    // reverses the result. A missing row compares equal.
    int CompareListItems(const ResultRow* a, const ResultRow* b, int selector) const;
    // A click on the header of column k: sort with selector k - 1, then flip k's flag.
    void ColumnClick(int column);
    bool Descending(int column) const { return flags_.at(static_cast<std::size_t>(column)); }

private:
    TextComparer compare_;
    std::vector<ResultRow> rows_;   // by RowId
    std::vector<RowId> order_;      // display order
    std::unordered_map<std::wstring, std::vector<RowId>> byFoldedId_;
    std::vector<RowId> userTicked_;
    std::array<bool, kColumnCount> flags_{};
    std::uint64_t generation_ = 0;
};

} // namespace gleaner
