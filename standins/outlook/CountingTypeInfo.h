#pragma once
// The type information the stand-in hands out: the type library's ITypeInfo behind a wrapper
// that counts every call made on it (and its final release) as a round trip, as each would
// cross to an Outlook in another process. Type information it leads to (GetRefTypeInfo) is
// wrapped the same way; an ITypeComp or ITypeLib it leads to is not, and calls on those go
// uncounted.
#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <memory>

#include "ObjectBase.h"

namespace standin {

class CountingTypeInfo final : public ITypeInfo {
public:
    // `session` null: nothing is counted (the control object's type information).
    CountingTypeInfo(gleaner::ComPtr<ITypeInfo> inner, std::shared_ptr<Session> session);
    CountingTypeInfo(const CountingTypeInfo&) = delete;
    CountingTypeInfo& operator=(const CountingTypeInfo&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override;
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** desc) override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** desc) override;
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context,
                                               BSTR* helpFile) override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dll, BSTR* name, WORD* ordinal) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE type, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* address) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) override;
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID id, BSTR* mops) override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attr) override;
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* desc) override;
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* desc) override;

private:
    ~CountingTypeInfo() = default;
    // Counts the call; false when Outlook has gone away, as through a dead server's proxy.
    bool counted(RoundTripCounter::TypeInfoCall call);

    gleaner::ComPtr<ITypeInfo> inner_;
    std::shared_ptr<Session> session_;
    LiveObject alive_;
    std::atomic<long> refs_{1};
};

} // namespace standin
