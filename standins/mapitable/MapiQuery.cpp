#include "MapiQuery.h"


namespace mapitable {

namespace {

constexpr std::wstring_view kColumns[] = {
    L"Subject", L"Body", L"Location", L"Start", L"End", L"Sendername", L"To", L"Cc", L"Bcc",
    L"Email1Address", L"FullName", L"FirstName", L"LastName", L"Email1DisplayName", L"Startdate", L"Duedate",
    L"Owner", L"Totalwork", L"Actualwork", L"Attachments", L"Attachments.", L"BillingInformation", L"Categories",
    L"Companies", L"ConversationIndex", L"ConversationTopic", L"CreationTime", L"Importance",
    L"LastModificationTime", L"Mileage", L"NoAging", L"Sensitivity", L"Size", L"UnRead",
    L"AssistantTelephoneNumber", L"BusinessTelephoneNumber", L"Business2TelephoneNumber", L"BusinessFaxNumber",
    L"CallbackTelephoneNumber", L"CarTelephoneNumber", L"CompanyMainTelephoneNumber", L"HomeTelephoneNumber",
    L"Home2TelephoneNumber", L"HomeFaxNumber", L"ISDNNumber", L"MobileTelephoneNumber", L"OtherTelephoneNumber",
    L"OtherFaxNumber", L"PagerNumber", L"PrimaryTelephoneNumber", L"RadioTelephoneNumber", L"TelexNumber", L"TTYTDDTelephoneNumber"};

// ASCII folding only: the keywords and column names are ASCII, and other letters must not
// fold into them.
wchar_t Fold(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameText(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

// Consumes `word` (letter case ignored) at the front of `rest`.
bool Take(std::wstring_view& rest, std::wstring_view word)
{
    if (rest.size() < word.size() || !SameText(rest.substr(0, word.size()), word)) return false;
    rest.remove_prefix(word.size());
    return true;
}

ParsedQuery Refuse(std::wstring error)
{
    ParsedQuery query;
    query.error = std::move(error);
    return query;
}

} // namespace

bool KnownColumn(std::wstring_view name)
{
    for (std::wstring_view column : kColumns)
        if (SameText(name, column)) return true;
    return false;
}

bool MultiValuedColumn(std::wstring_view name)
{
    return SameText(name, L"Categories") || SameText(name, L"Companies");
}

std::vector<std::wstring> SplitValues(std::wstring_view text)
{
    std::vector<std::wstring> values;
    for (;;) {
        const std::size_t separator = text.find(L", ");
        values.emplace_back(text.substr(0, separator));
        if (separator == std::wstring_view::npos) return values;
        text.remove_prefix(separator + 2);
    }
}

ParsedQuery ParseQuery(std::wstring_view text)
{
    constexpr std::wstring_view kSyntax = L"Syntax error in query: expected \"SELECT EntryID[, column]... from Folder\".";
    std::wstring_view rest = text;
    if (!Take(rest, L"SELECT EntryID")) return Refuse(std::wstring(kSyntax));
    ParsedQuery query;
    for (;;) {
        if (Take(rest, L" from Folder")) {
            if (!rest.empty()) return Refuse(std::wstring(kSyntax));
            query.ok = true;
            return query;
        }
        if (!Take(rest, L", ")) return Refuse(std::wstring(kSyntax));
        // A column runs to the next ", " or " from Folder", whichever comes first.
        std::size_t end = rest.find(L", ");
        for (std::size_t i = 0; i < rest.size() && i < end; ++i) {
            std::wstring_view tail = rest.substr(i);
            if (tail.size() >= 12 && SameText(tail.substr(0, 12), L" from Folder")) {
                end = i;
                break;
            }
        }
        if (end == std::wstring_view::npos) return Refuse(std::wstring(kSyntax));
        const std::wstring_view column = rest.substr(0, end);
        if (column.empty()) return Refuse(std::wstring(kSyntax));
        if (!KnownColumn(column)) return Refuse(L"Unknown column \"" + std::wstring(column) + L"\" in query.");
        query.columns.emplace_back(column);
        rest.remove_prefix(end);
    }
}

} // namespace mapitable
