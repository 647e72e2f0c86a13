#include "detect/FastSearchText.h"

#include <charconv>
#include <cmath>

#include "detect/SignatureText.h"

namespace gleaner {

std::vector<std::wstring> SelectedColumns(std::span<const std::wstring> columnList)
{
    std::vector<std::wstring> columns(columnList.begin(), columnList.end());
    bool hasSize = false;
    for (const std::wstring& column : columns) hasSize = hasSize || column == kSizeColumn;
    if (!hasSize) columns.emplace_back(kSizeColumn);
    return columns;
}

std::wstring FastQueryText(std::span<const std::wstring> columns)
{
    std::wstring query = L"SELECT EntryID";
    for (const std::wstring& column : columns) {
        query += L", ";
        query += column;
    }
    query += L" from Folder";
    return query;
}

void FastKey::appendValue(std::wstring_view text)
{
    plain_ += text;
    if (!text.empty()) hasText_ = true;
    AppendFramed(framed_, text);
}

void FastKey::replaceWithUnique(std::wstring_view guid)
{
    plain_ = guid;
    framed_.clear();
    // 'G' keeps a GUID apart from a row whose single value is the same text.
    framed_ += L'G';
    AppendFramed(framed_, guid);
}

void FastKey::appendFolderPath(std::wstring_view path)
{
    plain_ += path;
    framed_ += L'F';
    AppendFramed(framed_, path);
}

bool FastKey::comparable() const
{
    return plain_ != kNotSupported;
}

std::wstring GeneralFloatText(double value, std::wstring_view decimalSeparator)
{
    if (!std::isfinite(value)) return std::isnan(value) ? L"NAN" : (value < 0 ? L"-INF" : L"INF");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    const std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
    // to_chars writes the exponent as e-05 / e+20; shown as E-5 / E20.
    std::wstring text;
    std::size_t i = 0;
    for (; i < digits.size() && digits[i] != 'e'; ++i) {
        if (digits[i] == '.') text += decimalSeparator;
        else text += static_cast<wchar_t>(digits[i]);
    }
    if (i < digits.size()) {
        text += L'E';
        ++i;
        if (digits[i] == '-') text += L'-';
        if (digits[i] == '-' || digits[i] == '+') ++i;
        while (i + 1 < digits.size() && digits[i] == '0') ++i;
        for (; i < digits.size(); ++i) text += static_cast<wchar_t>(digits[i]);
    }
    return text;
}

std::wstring JoinDateAndTime(std::wstring_view shortDate, std::wstring_view longTime, bool midnight)
{
    std::wstring text(shortDate);
    if (!midnight) {
        text += L' ';
        text += longTime;
    }
    return text;
}

std::wstring JoinLines(std::span<const std::wstring> lines)
{
    std::wstring text;
    for (const std::wstring& line : lines) {
        text += line;
        text += L"\r\n";
    }
    if (!text.empty()) text.resize(text.size() - 2);
    return text;
}

} // namespace gleaner
