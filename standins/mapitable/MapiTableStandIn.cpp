// Stand-in for the MAPI-table component (ProgID vexla.MapiTable), for tests and the demo
// only. `Item` takes an Items collection of the Outlook stand-in; `ExecSQL` parses the one
// query form the program sends and returns a record set with ADO's members (EOF, BOF,
// MoveNext, MoveFirst, RecordCount, Fields, Fields.Item(name or index), Field.Name and
// Field.Value). Like a MAPI-table component, which reads the store through MAPI in its
// client's process, it reads the Outlook stand-in's profile itself (StoreReader), wherever
// Outlook runs, never item by item. Field objects follow the record set's current
// row, as ADO's do. Test controls on the MapiTable object:
//   CallCount (calls into this component's objects since the last ResetCounts), QueryCount
//   (ExecSQL calls since then), ResetCounts(),
//   FailMoveNextAt (row index whose MoveNext fails in later record sets; -1 for none).
#include <windows.h>

#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "MapiQuery.h"
#include "StoreReader.h"
#include "platform/ComError.h"
#include "platform/Dispatch.h"
#include "platform/RegKey.h"
#include "platform/SafeArray.h"
#include "platform/Variant.h"

namespace mapitable {

namespace {

const CLSID kClsid = {0x7c1e5a40, 0x2b9d, 0x4f6e, {0x8a, 0x31, 0x5d, 0x0c, 0x9e, 0x7b, 0x2f, 0x14}};
const wchar_t kClsidText[] = L"{7C1E5A40-2B9D-4F6E-8A31-5D0C9E7B2F14}";
const wchar_t kProgId[] = L"vexla.MapiTable";

const wchar_t kNoCurrentRecord[] =
    L"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.";
const wchar_t kNoSuchField[] = L"Item cannot be found in the collection corresponding to the requested name or ordinal.";

constexpr UINT kTableTextLength = 255;

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
std::atomic<long> g_calls{0};
std::atomic<long> g_queries{0};
std::atomic<long> g_failMoveNextAt{-1};

struct Fault {
    std::wstring message;
    HRESULT code = E_FAIL;
};

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

struct Member {
    const wchar_t* name;
    DISPID id;
};

// Arguments in natural order, references resolved; the value of a property write apart.
struct Args {
    std::vector<gleaner::Variant> list;
    gleaner::Variant value;

    Args(const DISPPARAMS* params, WORD flags)
    {
        if (!params) return;
        UINT first = 0;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (params->cArgs == 0) throw Fault{L"A value is required.", DISP_E_PARAMNOTOPTIONAL};
            ::VariantCopyInd(value.put(), &params->rgvarg[0]);
            first = 1;
        }
        for (UINT i = params->cArgs; i > first; --i) {
            gleaner::Variant v;
            ::VariantCopyInd(v.put(), &params->rgvarg[i - 1]);
            list.push_back(std::move(v));
        }
    }
    const gleaner::Variant& at(size_t i) const
    {
        if (i >= list.size()) throw Fault{L"Argument not optional.", DISP_E_PARAMNOTOPTIONAL};
        return list[i];
    }
};

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

// IDispatch by a fixed table of member names (letter case ignored), no type information.
class Object : public IDispatch {
public:
    Object() { ++g_objects; }
    virtual ~Object() { --g_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i > 0) continue;
            for (const Member& member : members())
                if (SameName(names[0], member.name)) ids[0] = member.id;
            if (ids[0] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        if (count > 1) result = DISP_E_UNKNOWNNAME;
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override
    {
        ++g_calls;
        bool known = id == DISPID_VALUE && hasDefault();
        for (const Member& member : members()) known = known || member.id == id;
        if (!known) return DISP_E_MEMBERNOTFOUND;
        try {
            Args args(params, flags);
            gleaner::Variant out;
            call(id, flags, args, out);
            if (result) *result = out.release();
            return S_OK;
        } catch (const Fault& fault) {
            return Raise(fault, info);
        } catch (const gleaner::ComError& error) {
            return Raise(Fault{error.message()}, info);
        } catch (const std::exception&) {
            return Raise(Fault{L"The MAPI-table stand-in failed."}, info);
        }
    }

protected:
    virtual const std::vector<Member>& members() const = 0;
    virtual bool hasDefault() const { return false; }
    virtual void call(DISPID id, WORD flags, const Args& args, gleaner::Variant& result) = 0;

    static void Give(gleaner::Variant& result, Object* object)
    {
        result = gleaner::Variant(static_cast<IDispatch*>(object));
        object->Release();
    }

private:
    static HRESULT Raise(const Fault& fault, EXCEPINFO* info)
    {
        if (!info) return fault.code == E_FAIL ? DISP_E_EXCEPTION : fault.code;
        *info = EXCEPINFO{};
        info->bstrSource = ::SysAllocString(kProgId);
        info->bstrDescription = ::SysAllocString(fault.message.c_str());
        info->scode = fault.code;
        return DISP_E_EXCEPTION;
    }

    std::atomic<ULONG> refs_{1};
};

// One query's result: the names of the fields and the rows as StoreReader read them from the store.
struct Table {
    std::vector<std::wstring> names; // "EntryID", then the query's columns
    gleaner::Variant rows;           // 2-D array of VARIANT: row, then column
    LONG rowCount = 0;
    LONG failMoveNextAt = -1;

    gleaner::Variant value(LONG row, LONG column) const
    {
        gleaner::Variant cell;
        LONG index[2] = {row, column};
        gleaner::CheckHr(::SafeArrayGetElement(rows.raw().parray, index, cell.put()));
        const std::wstring& name = names[static_cast<size_t>(column)];
        if (column > 0 && MultiValuedColumn(name) && cell.vt() == VT_BSTR) return MultiValue(cell.toText());
        // A MAPI table gives long texts cut short; only the item itself has the whole body.
        if (SameName(name, L"Body") && cell.vt() == VT_BSTR && ::SysStringLen(cell.raw().bstrVal) > kTableTextLength)
            return gleaner::Variant(std::wstring_view(cell.raw().bstrVal, kTableTextLength));
        return cell;
    }

    // Multi-valued properties come back as arrays of texts; none at all is Null.
    static gleaner::Variant MultiValue(const std::wstring& text)
    {
        if (text.empty()) return gleaner::Variant::Null();
        const std::vector<std::wstring> values = SplitValues(text);
        gleaner::SafeArray array = gleaner::SafeArray::OfVariants(static_cast<ULONG>(values.size()));
        for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
            gleaner::Variant element(values[static_cast<size_t>(i)]);
            gleaner::CheckHr(::SafeArrayPutElement(array.get(), &i, &element.raw()));
        }
        gleaner::Variant result;
        VARIANT* raw = result.put();
        raw->vt = VT_ARRAY | VT_VARIANT;
        raw->parray = array.release();
        return result;
    }
};

// The table and the record set's current row, shared by the record set and its fields.
struct Cursor {
    std::shared_ptr<const Table> table;
    LONG row = 0;
    bool eof() const { return row >= table->rowCount; }
};

enum : DISPID { kName = 1, kValue, kCount, kItem, kEof, kBof, kMoveNext, kMoveFirst, kRecordCount, kFields,
                kExecSql, kCallCount, kResetCounts, kFailMoveNextAt, kQueryCount };

class Field final : public Object {
public:
    Field(std::shared_ptr<Cursor> cursor, LONG column) : cursor_(std::move(cursor)), column_(column) {}

protected:
    const std::vector<Member>& members() const override
    {
        static const std::vector<Member> list{{L"Name", kName}, {L"Value", kValue}};
        return list;
    }
    bool hasDefault() const override { return true; }
    void call(DISPID id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) throw Fault{L"The record set is read-only."};
        if (id == kName) {
            result = gleaner::Variant(cursor_->table->names[static_cast<size_t>(column_)]);
            return;
        }
        if (cursor_->eof()) throw Fault{kNoCurrentRecord};
        result = cursor_->table->value(cursor_->row, column_);
    }

private:
    std::shared_ptr<Cursor> cursor_;
    LONG column_;
};

class Fields final : public Object {
public:
    explicit Fields(std::shared_ptr<Cursor> cursor) : cursor_(std::move(cursor)) {}

protected:
    const std::vector<Member>& members() const override
    {
        static const std::vector<Member> list{{L"Count", kCount}, {L"Item", kItem}};
        return list;
    }
    bool hasDefault() const override { return true; }
    void call(DISPID id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) throw Fault{L"The record set is read-only."};
        const std::vector<std::wstring>& names = cursor_->table->names;
        if (id == kCount) {
            result = gleaner::Variant(static_cast<long>(names.size()));
            return;
        }
        const gleaner::Variant& index = args.at(0);
        LONG column = -1;
        if (index.vt() == VT_BSTR) {
            const std::wstring wanted = index.toText();
            for (size_t i = 0; i < names.size() && column < 0; ++i)
                if (SameName(names[i], wanted)) column = static_cast<LONG>(i);
        } else {
            column = index.toInt();
        }
        if (column < 0 || column >= static_cast<LONG>(names.size())) throw Fault{kNoSuchField, DISP_E_BADINDEX};
        Give(result, new Field(cursor_, column));
    }

private:
    std::shared_ptr<Cursor> cursor_;
};

class RecordSet final : public Object {
public:
    explicit RecordSet(std::shared_ptr<const Table> table) : cursor_(std::make_shared<Cursor>())
    {
        cursor_->table = std::move(table);
    }

protected:
    const std::vector<Member>& members() const override
    {
        static const std::vector<Member> list{{L"EOF", kEof}, {L"BOF", kBof}, {L"MoveNext", kMoveNext},
                                              {L"MoveFirst", kMoveFirst}, {L"RecordCount", kRecordCount},
                                              {L"Fields", kFields}};
        return list;
    }
    void call(DISPID id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) throw Fault{L"The record set is read-only."};
        Cursor& cursor = *cursor_;
        switch (id) {
        case kEof: result = gleaner::Variant(cursor.eof()); break;
        case kBof: result = gleaner::Variant(cursor.table->rowCount == 0); break;
        case kRecordCount: result = gleaner::Variant(static_cast<long>(cursor.table->rowCount)); break;
        case kMoveFirst: cursor.row = 0; break;
        case kMoveNext:
            if (cursor.eof()) throw Fault{kNoCurrentRecord};
            if (cursor.row == cursor.table->failMoveNextAt) throw Fault{L"MAPI-table stand-in: MoveNext failed here."};
            ++cursor.row;
            break;
        case kFields: Give(result, new Fields(cursor_)); break;
        }
    }

private:
    std::shared_ptr<Cursor> cursor_;
};

class MapiTable final : public Object {
protected:
    const std::vector<Member>& members() const override
    {
        static const std::vector<Member> list{{L"Item", kItem}, {L"ExecSQL", kExecSql}, {L"CallCount", kCallCount},
                                              {L"ResetCounts", kResetCounts}, {L"FailMoveNextAt", kFailMoveNextAt},
                                              {L"QueryCount", kQueryCount}};
        return list;
    }
    void call(DISPID id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        switch (id) {
        case kItem:
            if (IsPut(flags)) items_ = gleaner::Dispatch::FromVariant(args.value);
            else result = items_.variant();
            break;
        case kExecSql:
            ++g_queries;
            Give(result, new RecordSet(Query(args.at(0).toText())));
            break;
        case kCallCount: result = gleaner::Variant(static_cast<long>(g_calls.load())); break;
        case kQueryCount: result = gleaner::Variant(static_cast<long>(g_queries.load())); break;
        case kResetCounts:
            g_calls = 0;
            g_queries = 0;
            break;
        case kFailMoveNextAt:
            if (IsPut(flags)) g_failMoveNextAt = args.value.toInt();
            else result = gleaner::Variant(static_cast<long>(g_failMoveNextAt.load()));
            break;
        }
    }

private:
    std::shared_ptr<const Table> Query(const std::wstring& text)
    {
        const ParsedQuery query = ParseQuery(text);
        if (!query.ok) throw Fault{query.error};
        if (!items_) throw Fault{L"No folder chosen: set Item to a folder's items first."};
        auto table = std::make_shared<Table>();
        table->names.push_back(L"EntryID");
        for (const std::wstring& column : query.columns) table->names.push_back(column);
        table->rows = reader_.Rows(ProfilePath(), FolderEntryId(), query.columns);
        LONG upper = -1;
        gleaner::CheckHr(::SafeArrayGetUBound(table->rows.raw().parray, 1, &upper));
        table->rowCount = upper + 1;
        table->failMoveNextAt = g_failMoveNextAt.load();
        return table;
    }

    // Which folder the Items collection shows: a constant number of calls into Outlook per query.
    std::wstring FolderEntryId() const
    {
        try {
            return items_.getObject(L"Parent").get(L"EntryID").toText();
        } catch (const gleaner::ComError&) {
            throw Fault{L"Item is not an Items collection of the Outlook stand-in."};
        }
    }
    // The profile the Outlook stand-in serves, asked once: a MAPI session stays on its profile.
    const std::wstring& ProfilePath()
    {
        if (profilePath_.empty()) {
            try {
                profilePath_ = items_.getObject(L"Application").getObject(L"StandIn").get(L"ProfilePath").toText();
            } catch (const gleaner::ComError&) {
                throw Fault{L"Item is not an Items collection of the Outlook stand-in."};
            }
        }
        return profilePath_;
    }

    gleaner::Dispatch items_;
    std::wstring profilePath_;
    StoreReader reader_;
};

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // A static object: its lifetime is the module's.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        MapiTable* table = new (std::nothrow) MapiTable();
        if (!table) return E_OUTOFMEMORY;
        const HRESULT hr = table->QueryInterface(iid, out);
        table->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock) ++g_locks;
        else --g_locks;
        return S_OK;
    }
};

ClassFactory g_factory;

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

} // namespace mapitable

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        mapitable::g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, mapitable::kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return mapitable::g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return mapitable::g_objects.load() == 0 && mapitable::g_locks.load() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    using mapitable::kClsidText;
    using mapitable::kProgId;
    try {
        const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey).writeString(L"", L"MAPI table (stand-in)");
        gleaner::RegKey server = gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32");
        server.writeString(L"", mapitable::ModulePath());
        server.writeString(L"ThreadingModel", L"Apartment");
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID").writeString(L"", kProgId);
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, kProgId).writeString(L"", L"MAPI table (stand-in)");
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID").writeString(L"", kClsidText);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + mapitable::kClsidText).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, mapitable::kProgId);
    return S_OK;
}
