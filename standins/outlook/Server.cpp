// In-process server entry points: the class factory for Outlook.Application and the
// registration that regsvr32 calls.
#include <windows.h>

#include <atomic>
#include <string>

#include "Objects.h"
#include "TypeLibrary.h"
#include "platform/RegKey.h"

namespace {

const CLSID CLSID_OutlookApplication = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const wchar_t kClsidText[] = L"{0006F03A-0000-0000-C000-000000000046}";
const wchar_t kProgId[] = L"Outlook.Application";

HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

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
        if (out) *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return standin::CreateApplication(iid, out);
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
        DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_OutlookApplication)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return standin::NoObjectsAlive() && g_locks.load() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey).writeString(L"", L"Microsoft Outlook (stand-in)");
        gleaner::RegKey server = gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32");
        server.writeString(L"", ModulePath());
        server.writeString(L"ThreadingModel", L"Apartment");
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID").writeString(L"", kProgId);
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, kProgId).writeString(L"", L"Microsoft Outlook (stand-in)");
        gleaner::RegKey::Create(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID").writeString(L"", kClsidText);
        return standin::TypeLibrary::Register(ModulePath());
    } catch (...) {
        return E_FAIL;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    standin::TypeLibrary::Unregister(ModulePath());
    return S_OK;
}
