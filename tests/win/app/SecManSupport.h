#pragma once
// Puts the security manager stand-in into the registration state a test needs, and reaches
// its record of calls. Registration is shared by the whole Wine prefix: every test that
// changes it runs under the "secman_registration" resource lock and leaves it registered.
#include <windows.h>

#include <string>

#include "app/SecManInterface.h"
#include "platform/ComError.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"

namespace gleaner::test {

// A Unix path of the build as Wine sees it (drive Z: is the root).
inline std::wstring WinePath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c) path += (*c == '/') ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

inline std::wstring SecManDll() { return WinePath(GLEANER_SECMAN_DLL); }

inline std::wstring SecManFolder()
{
    std::wstring path = SecManDll();
    return path.substr(0, path.find_last_of(L'\\'));
}

inline FARPROC SecManExport(const char* name)
{
    // Kept loaded: it is the same module the program's COM activation uses.
    HMODULE module = ::LoadLibraryW(SecManDll().c_str());
    if (!module) ThrowLastError();
    return ::GetProcAddress(module, name);
}

// Through regsvr32 in its own process: once loaded here, "secman.dll" would be found by name
// whatever the search path says.
inline void RunRegsvr32(const std::wstring& options)
{
    std::wstring command = L"regsvr32.exe /s " + options + L" \"" + SecManDll() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        ThrowLastError();
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
}

inline void RegisterSecMan() { RunRegsvr32(L""); }
inline void UnregisterSecMan() { RunRegsvr32(L"/u"); }

inline bool SecManRegistered()
{
    wchar_t clsid[64] = {};
    ::StringFromGUID2(kClsidOutlookSecurityManager, clsid, 64);
    HKEY key = nullptr;
    const std::wstring path = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

// Loads the DLL into this process. An instance made straight from the DLL, whatever the registry says; its IDispatch members
// read the record every instance of the process shares.
inline Dispatch SecManControl()
{
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto entry = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(SecManExport("DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    CheckHr(entry(kClsidOutlookSecurityManager, IID_IClassFactory, factory.putVoid()));
    ComPtr<IDispatch> object;
    CheckHr(factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid()));
    return Dispatch(std::move(object));
}

inline std::wstring SecManCalls() { return SecManControl().get(L"Calls").toText(); }

} // namespace gleaner::test
