// The fast search's texts: the query for a folder parsed back by the MAPI-table stand-in,
// row keys that never join two different rows of values, and numbers as text.
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "MapiQuery.h"
#include "detect/FastSearchText.h"

using namespace gleaner;

namespace {

// A row of columns, each a text or Null.
struct Row {
    std::vector<std::wstring> values;
    std::vector<bool> null;
};

FastKey KeyOf(const Row& row, const std::wstring* folder)
{
    FastKey key;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (row.null[i]) key.appendNull();
        else key.appendValue(row.values[i]);
    }
    if (folder) key.appendFolderPath(*folder);
    return key;
}

Row ReadRow(fuzz::FuzzInput& in, std::size_t columns)
{
    Row row;
    for (std::size_t i = 0; i < columns; ++i) {
        const bool null = in.Byte() & 1;
        row.null.push_back(null);
        row.values.push_back(null ? std::wstring() : in.Text());
    }
    return row;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();

    if (mode % 3 == 0) {
        // Any text given to the stand-in's parser is refused or read; what it reads, the
        // program's own query text for those columns says again.
        const std::wstring text = in.Rest();
        const mapitable::ParsedQuery parsed = mapitable::ParseQuery(text);
        FUZZ_CHECK(parsed.ok || !parsed.error.empty());
        if (parsed.ok) {
            const mapitable::ParsedQuery again = mapitable::ParseQuery(FastQueryText(parsed.columns));
            FUZZ_CHECK(again.ok && again.columns == parsed.columns);
        }
        for (const std::wstring& value : mapitable::SplitValues(text)) FUZZ_CHECK(value.size() <= text.size());
        return 0;
    }
    if (mode % 3 == 1) {
        // Two rows of one folder's columns: equal keys exactly when the values are equal,
        // a Null counting as empty text.
        const std::size_t columns = 1 + in.Byte() % 5;
        const bool withFolder = in.Byte() & 1;
        const std::wstring folder = withFolder ? in.Text() : std::wstring();
        const Row a = ReadRow(in, columns);
        const Row b = (in.Byte() & 1) ? a : ReadRow(in, columns);
        const FastKey first = KeyOf(a, withFolder ? &folder : nullptr);
        const FastKey second = KeyOf(b, withFolder ? &folder : nullptr);
        FUZZ_CHECK((first.framed() == second.framed()) == (a.values == b.values));
        std::wstring plain;
        bool anyText = false;
        for (const std::wstring& value : a.values) {
            plain += value;
            anyText = anyText || !value.empty();
        }
        FUZZ_CHECK(first.empty() == !anyText);
        FUZZ_CHECK(first.plain() == plain + folder);
        // A fresh GUID in place of the values matches no row of values.
        FastKey unique = KeyOf(a, nullptr);
        unique.replaceWithUnique(in.Text());
        FUZZ_CHECK(unique.framed() != KeyOf(b, nullptr).framed());
        return 0;
    }
    // Numbers of any bit pattern as text.
    double value = 0;
    std::uint8_t bytes[sizeof value] = {};
    for (std::uint8_t& byte : bytes) byte = in.Byte();
    std::memcpy(&value, bytes, sizeof value);
    const std::wstring separator = in.Text();
    const std::wstring text = GeneralFloatText(value, separator);
    FUZZ_CHECK(!text.empty() && text.size() <= 32 + separator.size());
    return 0;
}
