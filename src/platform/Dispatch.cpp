#include "platform/Dispatch.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Bstr.h"
#include "platform/BusyRetry.h"
#include "platform/ComError.h"

namespace gleaner {

struct Dispatch::TypeEntry {
    std::unordered_map<std::wstring, DISPID> ids;
};

namespace {

std::wstring FoldedName(std::wstring_view name)
{
    std::wstring folded(name);
    if (!folded.empty()) ::CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

[[noreturn]] void ThrowFromExcepInfo(HRESULT hr, EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    Bstr source = Bstr::Attach(info.bstrSource);
    Bstr description = Bstr::Attach(info.bstrDescription);
    Bstr helpFile = Bstr::Attach(info.bstrHelpFile);
    HRESULT code = FAILED(info.scode) ? info.scode : hr;
    std::wstring text = description.str();
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    ThrowComError(code, text);
}

} // namespace

Dispatch Dispatch::FromVariant(const Variant& value)
{
    const VARIANT& raw = value.raw();
    if (raw.vt == VT_UNKNOWN) {
        if (!raw.punkVal) return {};
        ComPtr<IUnknown> unknown(raw.punkVal);
        return Dispatch(unknown.query<IDispatch>());
    }
    return Dispatch(ComPtr<IDispatch>(value.dispatch()));
}

Dispatch Dispatch::Create(std::wstring_view progId)
{
    CLSID clsid;
    CheckHr(::CLSIDFromProgID(std::wstring(progId).c_str(), &clsid));
    ComPtr<IDispatch> object;
    CheckHr(::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid()));
    return Dispatch(std::move(object));
}

Dispatch Dispatch::ConnectOrCreate(REFCLSID clsid)
{
    ComPtr<IUnknown> running;
    if (SUCCEEDED(::GetActiveObject(clsid, nullptr, running.put())) && running) {
        if (auto object = running.tryQuery<IDispatch>()) return Dispatch(std::move(object));
    }
    ComPtr<IDispatch> object;
    CheckHr(::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid()));
    return Dispatch(std::move(object));
}

Dispatch::TypeEntry& Dispatch::typeEntry() const
{
    if (!type_) type_ = std::make_shared<TypeEntry>();
    return *type_;
}

DISPID Dispatch::dispId(std::wstring_view name) const
{
    if (!object_) ThrowComError(E_POINTER);
    TypeEntry& entry = typeEntry();
    std::wstring folded = FoldedName(name);
    auto found = entry.ids.find(folded);
    if (found != entry.ids.end()) return found->second;
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    CheckHr(RetryWhileBusy([&] { return object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); }));
    entry.ids.emplace(std::move(folded), id);
    return id;
}

Variant Dispatch::invoke(std::wstring_view name, WORD flags, const Variant* args, size_t count) const
{
    DISPID id = dispId(name);

    // Shallow copies: the Variants in `args` keep ownership of their contents.
    std::vector<VARIANTARG> reversed(count);
    for (size_t i = 0; i < count; ++i) reversed[count - 1 - i] = args[i].raw();

    DISPPARAMS params{};
    params.rgvarg = count ? reversed.data() : nullptr;
    params.cArgs = static_cast<UINT>(count);
    DISPID putId = DISPID_PROPERTYPUT;
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (isPut) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    Variant result;
    EXCEPINFO info{};
    UINT argError = 0;
    // A rejected call was not carried out, so making it again is safe.
    HRESULT hr = RetryWhileBusy([&] {
        return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, isPut ? nullptr : result.put(),
                               &info, &argError);
    });
    if (hr == DISP_E_EXCEPTION) ThrowFromExcepInfo(hr, info);
    // Some servers fill EXCEPINFO without answering DISP_E_EXCEPTION; free it anyway.
    Bstr::Attach(info.bstrSource);
    Bstr::Attach(info.bstrDescription);
    Bstr::Attach(info.bstrHelpFile);
    if (FAILED(hr)) ThrowComError(hr);
    return result;
}

} // namespace gleaner
