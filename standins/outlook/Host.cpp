// outlook_standin_host.exe: holds the Outlook stand-in in a process of its own, as OUTLOOK.EXE
// holds Outlook, so that every call of a client crosses processes through COM's marshalling.
//   outlook_standin_host.exe [--end-event <name>]
// The profile is the one OUTLOOK_STANDIN_PROFILE names in this process's environment. The host
// ends when the named event is set, on WM_QUIT, or once its last client has gone; its exit code
// is 0 when every object was released (so the profile was folded), 1 when some were left, and
// 2 when it could not start (the reason on stderr).
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"

namespace {

const CLSID kClsidOutlookApplication = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// How often the host looks whether its last client has gone: the server learns of a release only
// through the object count, which nothing signals.
constexpr DWORD kIdleCheckMs = 50;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// The stand-in DLL loaded into this process, its Application registered in the running object
// table and its class factory as the class's local server; both registrations are revoked when
// this object goes.
class Host {
public:
    Host() = default;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host()
    {
        if (classCookie_) ::CoRevokeClassObject(classCookie_);
        if (rotCookie_) ::RevokeActiveObject(rotCookie_, nullptr);
    }

    // Throws ComError naming what failed.
    void Start(HMODULE standIn)
    {
        auto getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(standIn, "DllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(::GetProcAddress(standIn, "DllCanUnloadNow"));
        if (!getClassObject || !canUnloadNow_) gleaner::ThrowComError(E_NOINTERFACE, L"outlook_standin.dll lacks its entry points");
        gleaner::ComPtr<IClassFactory> factory;
        Check(getClassObject(kClsidOutlookApplication, IID_IClassFactory, factory.putVoid()), L"DllGetClassObject");
        gleaner::ComPtr<IUnknown> application;
        Check(factory->CreateInstance(nullptr, IID_IUnknown, application.putVoid()), L"creating the Application");
        // Weakly, as Office registers itself: the table's own entry must not keep the server
        // alive once its clients have gone.
        Check(::RegisterActiveObject(application.get(), kClsidOutlookApplication, ACTIVEOBJECT_WEAK, &rotCookie_),
              L"RegisterActiveObject");
        Check(::CoRegisterClassObject(kClsidOutlookApplication, factory.get(), CLSCTX_LOCAL_SERVER,
                                      REGCLS_MULTIPLEUSE, &classCookie_),
              L"CoRegisterClassObject");
        // From here on only COM holds the Application, for the table and the clients: when the
        // last of them lets go, no object of the stand-in is left.
    }

    bool ObjectsLeft() const { return canUnloadNow_ && canUnloadNow_() != S_OK; }

    // Pumps messages (the apartment's calls arrive as messages) until `end` is set, WM_QUIT
    // arrives, or no object is left.
    void Serve(HANDLE end) const
    {
        for (;;) {
            const DWORD handles = end ? 1 : 0;
            const DWORD woken = ::MsgWaitForMultipleObjects(handles, &end, FALSE, kIdleCheckMs, QS_ALLINPUT);
            if (handles && woken == WAIT_OBJECT_0) return;
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) return;
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (!ObjectsLeft()) return;
        }
    }

private:
    static void Check(HRESULT hr, const wchar_t* what)
    {
        if (FAILED(hr)) gleaner::ThrowComError(hr, std::wstring(what) + L" failed: " + gleaner::HresultText(hr));
    }

    CanUnloadNowFn canUnloadNow_ = nullptr;
    DWORD rotCookie_ = 0;
    DWORD classCookie_ = 0;
};

// The stand-in DLL beside this executable.
std::wstring StandInPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"outlook_standin.dll";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    gleaner::UniqueHandle end;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wstring(argv[i]) == L"--end-event") end.reset(::CreateEventW(nullptr, TRUE, FALSE, argv[i + 1]));
    }
    // Declared before COM, so the DLL stays loaded until COM has released its objects.
    gleaner::UniqueHmodule standIn(::LoadLibraryW(StandInPath().c_str()));
    if (!standIn) {
        std::fwprintf(stderr, L"outlook_standin_host: cannot load %ls\n", StandInPath().c_str());
        return 2;
    }
    {
        gleaner::ComInit com;
        if (!com.ok()) {
            std::fwprintf(stderr, L"outlook_standin_host: OleInitialize failed\n");
            return 2;
        }
        Host host;
        try {
            host.Start(standIn.get());
        } catch (const gleaner::ComError& error) {
            std::fwprintf(stderr, L"outlook_standin_host: %ls\n", error.message().c_str());
            return 2;
        }
        host.Serve(end.get());
        // Leaving the apartment disconnects any client still attached and releases what it
        // held; the last object to go folds the profile.
    }
    auto canUnloadNow = reinterpret_cast<CanUnloadNowFn>(::GetProcAddress(standIn.get(), "DllCanUnloadNow"));
    return canUnloadNow && canUnloadNow() == S_OK ? 0 : 1;
}
