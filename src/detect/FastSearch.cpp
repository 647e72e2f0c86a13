#include "detect/FastSearch.h"

#include <oleauto.h>

#include <exception>
#include <optional>
#include <vector>

#include "detect/FastSearchText.h"
#include "detect/ItemSignature.h"
#include "detect/SearchRun.h"
#include "detect/SignatureText.h"
#include "folders/FolderPath.h"
#include "platform/ComError.h"
#include "platform/LocaleFormat.h"
#include "platform/OutlookLookup.h"
#include "platform/Sha256.h"

namespace gleaner {

namespace {

constexpr std::int32_t kMailItemType = 0;
constexpr std::size_t kMailBodyRow = 1; // "Body*" in the Mail list

std::wstring DecimalSeparator()
{
    wchar_t buffer[8] = {};
    const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : L".";
}

std::wstring DateText(double oleDate)
{
    const SYSTEMTIME time = OleDateToSystemTime(oleDate);
    const bool midnight = time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0;
    return JoinDateAndTime(FormatShortDate(time), midnight ? std::wstring() : FormatLongTime(time), midnight);
}

// An object's default value, a nested variant's value: automation's own conversion.
std::wstring StandardText(const VARIANT& value)
{
    Variant text;
    if (FAILED(::VariantChangeType(text.put(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return {};
    return text.toText();
}

void ArrayText(SAFEARRAY* array, VARTYPE elementType, std::vector<std::wstring>& lines)
{
    if (!array) return;
    const UINT dimensions = ::SafeArrayGetDim(array);
    if (dimensions == 0) return;
    // Along the last dimension; any others stay at their lower bounds.
    std::vector<LONG> index(dimensions);
    for (UINT d = 1; d < dimensions; ++d) CheckHr(::SafeArrayGetLBound(array, d, &index[d - 1]));
    LONG lower = 0, upper = -1;
    CheckHr(::SafeArrayGetLBound(array, dimensions, &lower));
    CheckHr(::SafeArrayGetUBound(array, dimensions, &upper));
    for (LONG i = lower; i <= upper; ++i) {
        index[dimensions - 1] = i;
        Variant element;
        if (elementType == VT_VARIANT) {
            CheckHr(::SafeArrayGetElement(array, index.data(), element.put()));
        } else {
            VARIANT& raw = *element.put();
            // The element's bytes go into the value part of the variant, whose type then says
            // what they are (BSTRs and interfaces come as copies the variant now owns).
            CheckHr(::SafeArrayGetElement(array, index.data(), &raw.lVal));
            raw.vt = elementType;
        }
        lines.push_back(VariantToText(element));
    }
}

// Text of the variant's own type; throws on what only the guard can handle.
std::wstring Convert(const VARIANT& value, std::vector<std::wstring>& lines)
{
    const VARTYPE type = value.vt;
    if (type & VT_ARRAY) {
        SAFEARRAY* array = (type & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        VARTYPE elementType = VT_EMPTY;
        if (!array || FAILED(::SafeArrayGetVartype(array, &elementType))) return {};
        if (elementType == VT_RECORD) return {};
        ArrayText(array, elementType, lines);
        return JoinLines(lines);
    }
    switch (type) {
    case VT_I2: return std::to_wstring(value.iVal);
    case VT_I4: return std::to_wstring(value.lVal);
    case VT_UI1: return std::to_wstring(value.bVal);
    case VT_R4: return GeneralFloatText(value.fltVal, DecimalSeparator());
    case VT_R8: return GeneralFloatText(value.dblVal, DecimalSeparator());
    case VT_CY: return GeneralFloatText(static_cast<double>(value.cyVal.int64) / 10000.0, DecimalSeparator());
    case VT_DATE: return DateText(value.date);
    case VT_BOOL: return value.boolVal != VARIANT_FALSE ? L"True" : L"False";
    case VT_BSTR: return value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : L"";
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT | VT_BYREF: return StandardText(value);
    default: return {}; // empty, Null, error codes and every other type
    }
}

// The body check of a mail folder: both items fetched by entry identifier (with their store's
// identifier when it is known) and their full bodies compared.
class FastMatchHost final : public SearchMatchHost {
public:
    FastMatchHost(const Dispatch& nameSpace, SearchRun& run, const MatchEngine& lists)
        : SearchMatchHost(nameSpace, run), lists_(lists)
    {
    }

    // Called for each row before its matches are handled.
    void SetCurrent(std::wstring entryId, std::uint32_t folder, bool confirmBodies)
    {
        currentId_ = std::move(entryId);
        currentFolder_ = folder;
        currentBody_.reset();
        confirmBodies_ = confirmBodies;
    }

    bool Confirm(std::size_t earlierPosition) override
    {
        if (!confirmBodies_) return true;
        // The current body is read once per row, however many earlier rows share its key.
        if (!currentBody_) currentBody_ = Body(currentId_, currentFolder_);
        const Variant earlier = Body(lists_.EntryID(earlierPosition), lists_.FolderAt(earlierPosition));
        return SameValue(*currentBody_, earlier);
    }

private:
    Variant Body(const std::wstring& entryId, std::uint32_t folder) const
    {
        const Variant omitted = Variant::Missing();
        return ItemFromId(nameSpace_, entryId, StoreOf(folder), &omitted).get(L"body");
    }

    // Texts are equal when they have the same characters, letter case significant; other
    // values as automation compares them.
    static bool SameValue(const Variant& a, const Variant& b)
    {
        if (a.vt() == VT_BSTR && b.vt() == VT_BSTR) return a.toText() == b.toText();
        return ::VarCmp(const_cast<VARIANT*>(&a.raw()), const_cast<VARIANT*>(&b.raw()), LOCALE_USER_DEFAULT, 0) ==
               VARCMP_EQ;
    }

    const MatchEngine& lists_;
    std::wstring currentId_;
    std::uint32_t currentFolder_ = 0;
    std::optional<Variant> currentBody_;
    bool confirmBodies_ = false;
};

class FastSearch {
public:
    explicit FastSearch(SearchRun& run)
        : run_(run), s_(run.Surface()), host_(*s_.nameSpace, run, *s_.lists)
    {
    }

    void SearchFolder(const FolderTree::Node& node)
    {
        Dispatch folder = FolderFromId(*s_.nameSpace, node.entryId, node.storeId);
        const std::uint32_t folderNumber = host_.AddFolder(node.storeId);
        const bool inDestination = run_.InDestination(node);
        const std::wstring path = GetFolderPath(folder);
        run_.ShowFolder(path);
        Dispatch items = folder.getObject(L"Items");
        run_.StartProgress(items.get(L"Count").toInt());
        const std::int32_t itemType = folder.get(L"DefaultItemType").toInt();
        s_.profiles().CheckedProps(itemType, *s_.columnList);
        const std::vector<std::wstring> columns = *s_.columnList;
        const bool mailFolder = itemType == kMailItemType;
        if (!s_.mapiTable || !*s_.mapiTable)
            throw ComError(E_POINTER, L"The MAPI-table component (vexla.MapiTable) could not be created.");
        s_.mapiTable->put(L"Item", items.variant());
        const std::vector<std::wstring> selected = SelectedColumns(columns);
        Dispatch recordSet = s_.mapiTable->callObject(L"ExecSQL", FastQueryText(selected));
        if (s_.recordSet) *s_.recordSet = recordSet;

        // ADO's fields follow the record set's current row, so each is looked up once.
        Dispatch fields = recordSet.getObject(L"Fields");
        const Dispatch entryField = fields.callObject(L"Item", L"EntryID");
        std::vector<Dispatch> keyFields;
        for (const std::wstring& column : columns) keyFields.push_back(fields.callObject(L"Item", column));
        const Dispatch sizeField = fields.callObject(L"Item", kSizeColumn);

        while (!recordSet.get(L"EOF").toBool()) {
            if (!run_.NextItem()) return;
            ExaminedItem examined;
            examined.entryId = entryField.get(L"Value").toText();
            FastKey key;
            for (const Dispatch& field : keyFields) {
                const Variant value = field.get(L"Value");
                if (value.isNull()) key.appendNull();
                else key.appendValue(VariantToText(value));
            }
            const Variant size = sizeField.get(L"Value");
            examined.size = size.isNull() ? 0 : size.toInt();
            // Only once the row was read and the record set moved on do the lists take it.
            recordSet.call(L"MoveNext");

            if (key.empty()) key.replaceWithUnique(NewGuidString());
            if (s_.profiles().sameFolder()) key.appendFolderPath(path);
            examined.comparable = key.comparable();
            if (examined.comparable) examined.key = Sha256Key(KeyWithKind(itemType, key.framed()));
            examined.folder = folderNumber;
            examined.inDestination = inDestination;
            host_.SetCurrent(examined.entryId, folderNumber,
                             mailFolder && s_.profiles().ticked(ItemKind::Mail, kMailBodyRow));
            run_.AddItem(examined, host_);
        }
    }

private:
    SearchRun& run_;
    const SearchSurface& s_;
    FastMatchHost host_;
};

} // namespace

std::wstring VariantToText(const VARIANT& value) noexcept
{
    std::vector<std::wstring> lines;
    try {
        return Convert(value, lines);
    } catch (...) {
        // An array keeps the elements converted before the failure.
        try {
            return JoinLines(lines);
        } catch (...) {
            return {};
        }
    }
}

void RunFastSearch(const SearchSurface& s)
{
    SearchRun run(s);
    FastSearch search(run);
    run.Run([&search](const FolderTree::Node& node) { search.SearchFolder(node); });
}

} // namespace gleaner
