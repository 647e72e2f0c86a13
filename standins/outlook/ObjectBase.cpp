#include "ObjectBase.h"

#include <mutex>

#include "CountingTypeInfo.h"
#include "Objects.h"

namespace standin {

namespace {

std::atomic<long> g_objects{0};

std::wstring HexCode(HRESULT hr)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(static_cast<unsigned long>(hr) >> shift) & 0xF];
    return text;
}

} // namespace

// {5B0E4C61-3C1F-4C7A-9E43-1D7F0B1E6A52}
const IID IID_StandInObject = {0x5b0e4c61, 0x3c1f, 0x4c7a, {0x9e, 0x43, 0x1d, 0x7f, 0x0b, 0x1e, 0x6a, 0x52}};

std::shared_ptr<Session> AcquireSession()
{
    static std::mutex lock;
    static std::weak_ptr<Session> current;
    std::lock_guard<std::mutex> guard(lock);
    if (auto alive = current.lock()) return alive;
    auto session = std::make_shared<Session>();
    const TypeLibrary& types = TypeLibrary::Instance();
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = ::GetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) {
        session->loadError = L"Outlook stand-in: OUTLOOK_STANDIN_PROFILE names no profile file.";
    } else {
        try {
            session->profile->load(buffer);
            session->answers = session->profile->answers;
        } catch (const Fault& f) {
            session->loadError = L"Outlook stand-in: " + f.message;
            session->profile = std::make_unique<Profile>();
        } catch (const std::exception&) {
            session->loadError = L"Outlook stand-in: the profile could not be loaded.";
            session->profile = std::make_unique<Profile>();
        }
    }
    if (!types.ok() && session->loadError.empty()) {
        session->loadError =
            L"Outlook stand-in: its type library could not be loaded (" + HexCode(types.loadResult()) + L").";
    }
    current = session;
    return session;
}

[[noreturn]] void ReadOnly() { throw Fault{L"The property is read-only.", DISP_E_MEMBERNOTFOUND}; }

void CheckFault(const FailMap& fail, std::wstring_view name)
{
    if (fail.empty()) return;
    if (const std::wstring* message = FindFault(fail, name)) throw Fault{*message};
}

LiveObject::LiveObject() { ++g_objects; }
LiveObject::~LiveObject() { --g_objects; }

Object::Object(std::shared_ptr<Session> session, IDispatch* application)
    : session_(std::move(session)), application_(application)
{
}

Object::~Object() = default;

const TypeLibrary::Interface& Object::type() const
{
    if (!type_) type_ = &TypeLibrary::Instance().of(classId());
    return *type_;
}

bool Object::hasTypeInfo() const { return type().info && (!counted() || session_->typeInfo); }

HRESULT STDMETHODCALLTYPE Object::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_StandInObject)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE Object::Release()
{
    long left = --refs_;
    if (left == 0) {
        // Out of process the final release is a round trip of its own; earlier ones stay in the proxy.
        if (counted() && !session_->gone()) session_->trips.release(classId());
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE Object::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    if (counted()) {
        if (session_->gone()) return RPC_E_DISCONNECTED;
        session_->trips.typeInfoCount(classId());
    }
    *count = hasTypeInfo() ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Object::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (counted()) {
        if (session_->gone()) return RPC_E_DISCONNECTED;
        session_->trips.typeInfo(classId());
    }
    if (index != 0 || !hasTypeInfo()) return DISP_E_BADINDEX;
    try {
        *info = new CountingTypeInfo(type().info, counted() ? session_ : nullptr);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!names || !ids || count == 0) return E_INVALIDARG;
    int id = FindMember(names[0] ? names[0] : L"");
    // Application.StandIn is the tests' way in, never refused.
    if (counted() && id != M_StandIn) {
        if (HRESULT refused = session_->refusal(); FAILED(refused)) return refused;
    }
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (counted() && id != M_StandIn) session_->trips.nameLookup(id);
    if (id >= 0 && has(id)) ids[0] = type().dispIdOf(id);
    else hr = DISP_E_UNKNOWNNAME;
    if (count > 1) hr = DISP_E_UNKNOWNNAME; // no named arguments
    return hr;
}

HRESULT STDMETHODCALLTYPE Object::Invoke(DISPID dispId, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* info, UINT*)
{
    if (result) ::VariantInit(result);
    const TypeLibrary::Interface& face = type();
    int id = face.memberOf(dispId);
    if (id < 0 || static_cast<size_t>(id) >= MemberCount() || !has(id)) {
        if (counted()) session_->trips.strayInvoke();
        return DISP_E_MEMBERNOTFOUND;
    }
    // A dead or busy server turns the call away before it reaches the object.
    if (counted() && id != M_StandIn) {
        if (HRESULT refused = session_->refusal(); FAILED(refused)) return refused;
    }
    // Application.StandIn leads to the control object: a test's own call, not one of Outlook's.
    if (counted() && id != M_StandIn) session_->count(id);
    try {
        // A property the interface declares without a put is read-only, as Outlook's are.
        if (IsPut(flags) && !face.writable(id)) ReadOnly();
        Args args(params, flags);
        gleaner::Variant answer;
        call(id, flags, args, answer);
        if (result) *result = answer.release();
        return S_OK;
    } catch (const Fault& fault) {
        if (info) {
            *info = EXCEPINFO{};
            info->bstrSource = ::SysAllocString(L"Microsoft Office Outlook");
            info->bstrDescription = ::SysAllocString(fault.message.c_str());
            info->scode = fault.code;
        }
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

void PutValue(gleaner::Variant& result, const Value& value)
{
    switch (value.type) {
    case Value::Text: result = gleaner::Variant(value.text); break;
    case Value::Int: result = gleaner::Variant(static_cast<long>(value.number)); break;
    case Value::Bool: result = gleaner::Variant(value.number != 0); break;
    case Value::Date: result = gleaner::Variant::Date(value.number); break;
    case Value::Double: result = gleaner::Variant(value.number); break;
    case Value::Null: result = gleaner::Variant::Null(); break;
    }
}

Value DefaultValue(int id)
{
    if (IsDateMember(id)) {
        // Outlook's "None" date for task dates; a fixed day for the rest, stable across runs.
        bool none = id == M_StartDate || id == M_DueDate || id == M_DateCompleted;
        return Value::OfDate(none ? 949998.0 : 39814.0);
    }
    if (IsIntMember(id)) return Value::OfInt(id == M_Importance ? 1 : 0);
    if (IsBoolMember(id)) return Value::OfBool(false);
    return Value::OfText(L"");
}

Value ValueFromVariant(int id, const gleaner::Variant& v)
{
    VARTYPE want = IsDateMember(id) ? VT_DATE : IsIntMember(id) ? VT_I4 : IsBoolMember(id) ? VT_BOOL : VT_BSTR;
    if (v.isNull()) return Value{Value::Null, {}, 0};
    gleaner::Variant converted;
    if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(&v.raw()), 0, want))) throw Fault{L"Type mismatch.", DISP_E_TYPEMISMATCH};
    const VARIANT& raw = converted.raw();
    switch (want) {
    case VT_DATE: return Value::OfDate(raw.date);
    case VT_I4: return Value::OfInt(raw.lVal);
    case VT_BOOL: return Value::OfBool(raw.boolVal != VARIANT_FALSE);
    default: return Value::OfText(raw.bstrVal ? std::wstring(raw.bstrVal, ::SysStringLen(raw.bstrVal)) : L"");
    }
}

bool NoObjectsAlive() { return g_objects.load() == 0; }

} // namespace standin
