#pragma once
// The query text the MAPI-table stand-in understands, exactly in the one form the program
// sends: "SELECT EntryID" (", " column)* " from Folder", keywords without regard to case,
// every column a property name the stand-in knows. Portable: no Windows header.
#include <string>
#include <string_view>
#include <vector>

namespace mapitable {

struct ParsedQuery {
    bool ok = false;
    std::wstring error;                // why the text was refused, when !ok
    std::vector<std::wstring> columns; // after EntryID, as the text spells them
};

ParsedQuery ParseQuery(std::wstring_view text);

// Whether `name` is a column the stand-in serves (letter case ignored). "Attachments." is
// Mail's spelling of "Attachments".
bool KnownColumn(std::wstring_view name);

// True for the multi-valued properties, which come back as arrays of texts.
bool MultiValuedColumn(std::wstring_view name);

// A multi-valued property stored as one text, its values separated by ", ".
std::vector<std::wstring> SplitValues(std::wstring_view text);

} // namespace mapitable
