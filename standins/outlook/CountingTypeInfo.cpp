#include "CountingTypeInfo.h"

namespace standin {

using Call = RoundTripCounter::TypeInfoCall;

CountingTypeInfo::CountingTypeInfo(gleaner::ComPtr<ITypeInfo> inner, std::shared_ptr<Session> session)
    : inner_(std::move(inner)), session_(std::move(session))
{
}

bool CountingTypeInfo::counted(Call call)
{
    if (!session_) return true;
    if (session_->gone()) return false;
    session_->trips.typeInfoCall(call);
    return true;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITypeInfo)) {
        *out = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CountingTypeInfo::Release()
{
    long left = --refs_;
    if (left == 0) {
        if (session_ && !session_->gone()) session_->trips.typeInfoCall(Call::Release);
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetTypeAttr(TYPEATTR** attr)
{
    return counted(Call::GetTypeAttr) ? inner_->GetTypeAttr(attr) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetTypeComp(ITypeComp** comp)
{
    return counted(Call::GetTypeComp) ? inner_->GetTypeComp(comp) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetFuncDesc(UINT index, FUNCDESC** desc)
{
    return counted(Call::GetFuncDesc) ? inner_->GetFuncDesc(index, desc) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetVarDesc(UINT index, VARDESC** desc)
{
    return counted(Call::GetVarDesc) ? inner_->GetVarDesc(index, desc) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count)
{
    return counted(Call::GetNames) ? inner_->GetNames(id, names, max, count) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* type)
{
    return counted(Call::GetRefTypeOfImplType) ? inner_->GetRefTypeOfImplType(index, type) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetImplTypeFlags(UINT index, INT* flags)
{
    return counted(Call::GetImplTypeFlags) ? inner_->GetImplTypeFlags(index, flags) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids)
{
    return counted(Call::GetIDsOfNames) ? inner_->GetIDsOfNames(names, count, ids) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params,
                                                   VARIANT* result, EXCEPINFO* info, UINT* argError)
{
    return counted(Call::Invoke) ? inner_->Invoke(instance, id, flags, params, result, info, argError)
                                 : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                                             BSTR* helpFile)
{
    return counted(Call::GetDocumentation) ? inner_->GetDocumentation(id, name, doc, context, helpFile)
                                           : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dll, BSTR* name,
                                                        WORD* ordinal)
{
    return counted(Call::GetDllEntry) ? inner_->GetDllEntry(id, kind, dll, name, ordinal) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetRefTypeInfo(HREFTYPE type, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (!counted(Call::GetRefTypeInfo)) return RPC_E_DISCONNECTED;
    gleaner::ComPtr<ITypeInfo> referenced;
    HRESULT hr = inner_->GetRefTypeInfo(type, referenced.put());
    if (FAILED(hr)) return hr;
    try {
        *info = new CountingTypeInfo(std::move(referenced), session_);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* address)
{
    return counted(Call::AddressOfMember) ? inner_->AddressOfMember(id, kind, address) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::CreateInstance(IUnknown* outer, REFIID iid, PVOID* object)
{
    return counted(Call::CreateInstance) ? inner_->CreateInstance(outer, iid, object) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetMops(MEMBERID id, BSTR* mops)
{
    return counted(Call::GetMops) ? inner_->GetMops(id, mops) : RPC_E_DISCONNECTED;
}

HRESULT STDMETHODCALLTYPE CountingTypeInfo::GetContainingTypeLib(ITypeLib** library, UINT* index)
{
    return counted(Call::GetContainingTypeLib) ? inner_->GetContainingTypeLib(library, index) : RPC_E_DISCONNECTED;
}

// What was handed out is given back even when Outlook has gone: the memory is the client's.
void STDMETHODCALLTYPE CountingTypeInfo::ReleaseTypeAttr(TYPEATTR* attr)
{
    counted(Call::ReleaseTypeAttr);
    inner_->ReleaseTypeAttr(attr);
}

void STDMETHODCALLTYPE CountingTypeInfo::ReleaseFuncDesc(FUNCDESC* desc)
{
    counted(Call::ReleaseFuncDesc);
    inner_->ReleaseFuncDesc(desc);
}

void STDMETHODCALLTYPE CountingTypeInfo::ReleaseVarDesc(VARDESC* desc)
{
    counted(Call::ReleaseVarDesc);
    inner_->ReleaseVarDesc(desc);
}

} // namespace standin
