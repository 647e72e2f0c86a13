#pragma once
// A fast search over a stand-in profile: the standard search's harness with the MAPI-table
// stand-in, the holder of the last record set and the column list added.
#include <string>
#include <string_view>
#include <vector>

#include "SearchHarness.h"
#include "detect/FastSearch.h"

namespace fast_test {

class FastHarness : public search_test::SearchHarness {
public:
    explicit FastHarness(std::string_view json) : SearchHarness(json), mapiTable(gleaner::Dispatch::Create(L"vexla.MapiTable")) {}

    gleaner::SearchSurface FastSurface()
    {
        gleaner::SearchSurface s = Surface();
        s.mapiTable = &mapiTable;
        s.recordSet = &recordSet;
        s.columnList = &columnList;
        return s;
    }
    void RunFast() { gleaner::RunFastSearch(FastSurface()); }

    // Entry identifier of each row, with its caption: "n <id>".
    std::vector<std::wstring> RowIds() const
    {
        std::vector<std::wstring> out;
        for (std::size_t i = 0; i < rows.size(); ++i)
            out.push_back(rows.At(i).caption + L" " + rows.At(i).entryId.value_or(L"?"));
        return out;
    }

    // Released before the Outlook objects of the base.
    gleaner::Dispatch mapiTable;
    gleaner::Dispatch recordSet; // ADODataSet1
    std::vector<std::wstring> columnList;
};

// A profile of one store "Store" with the given folders, each "name", kind and items (JSON).
struct FolderDef {
    std::string name;
    int kind;
    std::string items;
};

inline std::string Profile(std::initializer_list<FolderDef> folders)
{
    std::string out = R"({ "stores": [ { "name": "Store", "folders": [)";
    bool first = true;
    for (const FolderDef& f : folders) {
        if (!first) out += ",";
        first = false;
        out += R"({ "name": ")" + f.name + R"(", "defaultItemType": )" + std::to_string(f.kind) +
               R"(, "items": [)" + f.items + "] }";
    }
    return out + "] } ] }";
}

} // namespace fast_test
