#include "StoreReader.h"

#include <oleauto.h>

#include "Members.h"
#include "Model.h"
#include "platform/ComError.h"
#include "platform/SafeArray.h"

namespace mapitable {

namespace {

gleaner::Variant CellOf(const standin::Value& value)
{
    switch (value.type) {
    case standin::Value::Text: return gleaner::Variant(value.text);
    case standin::Value::Int: return gleaner::Variant(static_cast<long>(value.number));
    case standin::Value::Bool: return gleaner::Variant(value.number != 0);
    case standin::Value::Date: return gleaner::Variant::Date(value.number);
    case standin::Value::Double: return gleaner::Variant(value.number);
    case standin::Value::Null: break;
    }
    return gleaner::Variant::Null();
}

gleaner::Variant CellOf(const standin::Item& item, const std::wstring& column)
{
    if (const std::wstring* message = standin::FindFault(item.fail, column)) gleaner::ThrowComError(E_FAIL, *message);
    std::wstring name = column;
    if (!name.empty() && name.back() == L'.') name.pop_back();
    const int id = standin::FindMember(name);
    switch (id) {
    case standin::M_Attachments: return gleaner::Variant(static_cast<long>(item.attachments.size()));
    case standin::M_Size: return gleaner::Variant(static_cast<long>(item.size()));
    case standin::M_EntryID: return gleaner::Variant(item.entryId);
    case standin::M_MessageClass: return gleaner::Variant(item.messageClass);
    default: break;
    }
    const standin::Value* value = id >= 0 ? item.find(id) : nullptr;
    return value ? CellOf(*value) : gleaner::Variant::Null();
}

ULONGLONG Ticks(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

} // namespace

StoreReader::StoreReader() = default;
StoreReader::~StoreReader() = default;

StoreReader::Stamp StoreReader::StampOf(const std::wstring& profilePath)
{
    Stamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(profilePath.c_str(), GetFileExInfoStandard, &data)) {
        stamp.profileWritten = Ticks(data.ftLastWriteTime);
        stamp.profileSize = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    if (::GetFileAttributesExW((profilePath + L".journal").c_str(), GetFileExInfoStandard, &data)) {
        stamp.journalWritten = Ticks(data.ftLastWriteTime);
        stamp.journalSize = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return stamp;
}

const standin::Profile& StoreReader::Current(const std::wstring& profilePath)
{
    // Every change Outlook makes is in the file or appended to its journal before its call
    // returns, so an unchanged pair of files is an unchanged store.
    const Stamp stamp = StampOf(profilePath);
    if (profile_ && path_ == profilePath && stamp == stamp_) return *profile_;
    auto loaded = std::make_unique<standin::Profile>();
    try {
        loaded->loadReadOnly(profilePath);
    } catch (const standin::Fault& fault) {
        gleaner::ThrowComError(E_FAIL, L"MAPI-table stand-in: " + fault.message);
    }
    profile_ = std::move(loaded);
    path_ = profilePath;
    stamp_ = stamp;
    return *profile_;
}

gleaner::Variant StoreReader::Rows(const std::wstring& profilePath, const std::wstring& folderEntryId,
                                   const std::vector<std::wstring>& columns)
{
    const standin::Folder* folder = Current(profilePath).findFolder(folderEntryId);
    if (!folder) gleaner::ThrowComError(E_FAIL, L"MAPI-table stand-in: the folder is not in the store.");
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(folder->items.size()), 0},
                                {static_cast<ULONG>(columns.size() + 1), 0}};
    gleaner::Variant rows;
    VARIANT* raw = rows.put();
    raw->parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!raw->parray) throw std::bad_alloc();
    raw->vt = VT_ARRAY | VT_VARIANT;
    for (LONG row = 0; row < static_cast<LONG>(folder->items.size()); ++row) {
        const standin::Item& item = *folder->items[static_cast<size_t>(row)];
        for (LONG column = 0; column <= static_cast<LONG>(columns.size()); ++column) {
            gleaner::Variant cell = column == 0 ? gleaner::Variant(item.entryId)
                                                : CellOf(item, columns[static_cast<size_t>(column - 1)]);
            LONG index[2] = {row, column};
            gleaner::CheckHr(::SafeArrayPutElement(raw->parray, index, &cell.raw()));
        }
    }
    return rows;
}

} // namespace mapitable
