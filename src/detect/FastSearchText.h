#pragma once
// The texts of the fast search that need no Windows: the query for one folder, the key built
// from one record-set row, and the pieces of VariantToText that are plain formatting.
// Portable.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gleaner {

inline constexpr std::wstring_view kSizeColumn = L"Size";

// The columns a folder's query selects after EntryID: the column list, then "Size" unless
// the list already holds it (the size rules read every row's size from the record set).
std::vector<std::wstring> SelectedColumns(std::span<const std::wstring> columnList);

// "SELECT EntryID" + ", " and each column + " from Folder".
std::wstring FastQueryText(std::span<const std::wstring> columns);

// A row's key: each column's text framed in list order, a Null column framed as empty text,
// so no two different rows of values give the same key. The rules that look at the text
// look at the values themselves, joined without separators.
class FastKey {
public:
    void appendValue(std::wstring_view text);
    void appendNull() { appendValue({}); }

    // True when every column's text is empty: the row must match nothing, and the caller
    // gives it a fresh GUID instead.
    bool empty() const noexcept { return !hasText_; }
    // In place of the values, once empty() said so.
    void replaceWithUnique(std::wstring_view guid);
    // The folder's path after the values (same-folder option).
    void appendFolderPath(std::wstring_view path);

    // The plain text: values and folder path one directly after the other.
    const std::wstring& plain() const noexcept { return plain_; }
    // False when the plain text is exactly "notsupported", which never matches.
    bool comparable() const;
    const std::wstring& framed() const noexcept { return framed_; }

private:
    std::wstring plain_;
    std::wstring framed_;
    bool hasText_ = false;
};

// A floating-point value in the general format: at most 15 significant digits, fixed
// notation unless the decimal exponent is below -4 or at least 15 (then e.g. 1.5E-7, 1E20), with
// `decimalSeparator` in place of the point.
std::wstring GeneralFloatText(double value, std::wstring_view decimalSeparator);

// A date-time as the short date, a blank and the long time; the date alone at midnight.
std::wstring JoinDateAndTime(std::wstring_view shortDate, std::wstring_view longTime, bool midnight);

// Array elements' texts, each followed by CR LF, the last CR LF removed.
std::wstring JoinLines(std::span<const std::wstring> lines);

} // namespace gleaner
