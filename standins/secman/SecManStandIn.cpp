// Stand-in for the Outlook Security Manager (secman.dll), for tests and the demo only.
// It serves the component's class and interfaces in their slot order, and while switched
// on for a connected Outlook stand-in it turns that Application's security guard off
// (Application.StandIn.SecurityGuard). Every call it receives is recorded; tests read the
// record and steer the answers through IDispatch members of any instance:
//   Calls (text, one call per line), ResetCalls(), QueryAnswer (what GetState returns),
//   Fail (text: when not empty every interface call fails with it), Connected (bool).
#include <windows.h>

#include <olectl.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/SecManInterface.h"
#include "platform/Bstr.h"
#include "platform/ComError.h"
#include "platform/Dispatch.h"
#include "platform/RegKey.h"

namespace secman_standin {

using gleaner::IOutlookSecurityManager2;

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};

// Shared by every instance of the process, so a test's own instance sees the calls the
// program's instance received.
struct Record {
    std::vector<std::wstring> calls;
    LONG queryAnswer = 0;
    std::wstring fail;
    gleaner::Dispatch application;
};

// Never destroyed: at process exit the Outlook object it may hold is already gone.
Record& State()
{
    static Record* record = new Record();
    return *record;
}

HRESULT Fail(const std::wstring& text)
{
    gleaner::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        create->SetSource(const_cast<LPOLESTR>(L"secman"));
        if (auto info = create.tryQuery<IErrorInfo>(IID_IErrorInfo)) ::SetErrorInfo(0, info.get());
    }
    return E_FAIL;
}

enum Member : DISPID { kCalls = 1, kResetCalls, kQueryAnswer, kFail, kConnected };

struct Name {
    const wchar_t* text;
    DISPID id;
};
constexpr Name kNames[] = {{L"Calls", kCalls},
                           {L"ResetCalls", kResetCalls},
                           {L"QueryAnswer", kQueryAnswer},
                           {L"Fail", kFail},
                           {L"Connected", kConnected}};

class SecurityManager final : public IOutlookSecurityManager2 {
public:
    SecurityManager() { ++g_objects; }
    ~SecurityManager() { --g_objects; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, gleaner::kIidOutlookSecurityManager) ||
            IsEqualIID(iid, gleaner::kIidOutlookSecurityManager2)) {
            *out = static_cast<IOutlookSecurityManager2*>(this);
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

    // IDispatch: the test controls.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const Name& name : kNames)
                if (::lstrcmpiW(names[i], name.text) == 0) ids[i] = name.id;
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        Record& state = State();
        const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
        gleaner::Variant answer;
        try {
            switch (id) {
            case kCalls: {
                std::wstring text;
                for (const std::wstring& call : state.calls) text += call + L"\n";
                answer = gleaner::Variant(text);
                break;
            }
            case kResetCalls:
                state = Record();
                break;
            case kQueryAnswer:
                if (put) state.queryAnswer = Argument(params).toInt();
                else answer = gleaner::Variant(static_cast<int>(state.queryAnswer));
                break;
            case kFail:
                if (put) state.fail = Argument(params).toText();
                else answer = gleaner::Variant(state.fail);
                break;
            case kConnected:
                answer = gleaner::Variant(static_cast<bool>(state.application));
                break;
            default:
                return DISP_E_MEMBERNOTFOUND;
            }
        } catch (const gleaner::ComError& error) {
            return error.code();
        }
        if (result && !put) *result = answer.release();
        return S_OK;
    }

    // IOutlookSecurityManager
    HRESULT STDMETHODCALLTYPE GetState(LONG selector, LONG* value) override
    {
        Record& state = State();
        state.calls.push_back(L"GetState " + std::to_wstring(selector));
        if (!value) return E_POINTER;
        if (!state.fail.empty()) return Fail(state.fail);
        *value = state.queryAnswer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetState(LONG selector, LONG value) override
    {
        Record& state = State();
        state.calls.push_back(L"SetState " + std::to_wstring(selector) + L" " + std::to_wstring(value));
        if (!state.fail.empty()) return Fail(state.fail);
        if (!state.application) return S_OK;
        try {
            gleaner::Dispatch control = state.application.getObject(L"StandIn");
            control.put(L"SecurityGuard", value == 0);
        } catch (const gleaner::ComError& error) {
            return Fail(error.message());
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectTo(VARIANT application) override
    {
        Record& state = State();
        state.calls.push_back(L"ConnectTo");
        if (!state.fail.empty()) return Fail(state.fail);
        try {
            gleaner::Variant copy;
            gleaner::CheckHr(::VariantCopyInd(copy.put(), &application));
            state.application = gleaner::Dispatch::FromVariant(copy);
        } catch (const gleaner::ComError& error) {
            return Fail(error.message());
        }
        return state.application ? S_OK : Fail(L"No Outlook Application object was given.");
    }
    HRESULT STDMETHODCALLTYPE DisconnectFrom(VARIANT) override
    {
        Record& state = State();
        state.calls.push_back(L"DisconnectFrom");
        state.application.reset();
        return S_OK;
    }

    // IOutlookSecurityManager2
    HRESULT STDMETHODCALLTYPE GetVersion(BSTR* version) override
    {
        if (!version) return E_POINTER;
        *version = ::SysAllocString(L"stand-in");
        return S_OK;
    }

private:
    static gleaner::Variant Argument(DISPPARAMS* params)
    {
        if (!params || params->cArgs < 1) gleaner::ThrowComError(DISP_E_BADPARAMCOUNT);
        gleaner::Variant copy;
        gleaner::CheckHr(::VariantCopyInd(copy.put(), &params->rgvarg[0]));
        return copy;
    }

    std::atomic<ULONG> refs_{1};
};

class Factory final : public IClassFactory {
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
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new SecurityManager();
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

std::wstring ClassKeyPath()
{
    wchar_t text[64] = {};
    ::StringFromGUID2(gleaner::kClsidOutlookSecurityManager, text, 64);
    return std::wstring(L"CLSID\\") + text;
}

} // namespace secman_standin

using namespace secman_standin;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    static Factory factory;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, gleaner::kClsidOutlookSecurityManager)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, out);
}

// The record must outlive every instance: tests read it after the program let go.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer()
{
    try {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(g_module, path, MAX_PATH);
        const std::wstring key = ClassKeyPath();
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, key).writeString(L"", L"Outlook Security Manager");
        gleaner::RegKey server = gleaner::RegKey::Create(HKEY_CLASSES_ROOT, key + L"\\InprocServer32");
        server.writeString(L"", path);
        server.writeString(L"ThreadingModel", L"Apartment");
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

STDAPI DllUnregisterServer()
{
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
    return (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) ? S_OK : SELFREG_E_CLASS;
}
