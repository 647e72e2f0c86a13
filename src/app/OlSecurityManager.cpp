#include "app/OlSecurityManager.h"

#include <oleauto.h>

#include "platform/Bstr.h"
#include "platform/ComError.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace gleaner {

namespace {

constexpr wchar_t kNotFound[] = L"Outlook Security Manager is not found.";
constexpr LONG kSelectorConnected = 3;
constexpr LONG kSelectorUnconnected = 0;

// The component reports its own text through the thread's error object.
void CheckComponent(HRESULT hr)
{
    if (SUCCEEDED(hr)) return;
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
        Bstr description;
        if (SUCCEEDED(info->GetDescription(description.put())) && !description.str().empty())
            ThrowComError(hr, description.str());
    }
    ThrowComError(hr);
}

ComPtr<IUnknown> CreateComponent()
{
    ComPtr<IUnknown> object;
    if (FAILED(::CoCreateInstance(kClsidOutlookSecurityManager, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, object.putVoid())))
        object.reset();
    return object;
}

// An unregistered component that can be loaded registers itself through its own export.
bool RegisterFromLibrary()
{
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    UniqueHmodule library(::LoadLibraryW(L"secman.dll"));
    ::SetErrorMode(oldMode);
    if (!library) return false;
    using RegisterServer = HRESULT(STDAPICALLTYPE*)();
    auto proc = ::GetProcAddress(library.get(), "DllRegisterServer");
    if (proc) reinterpret_cast<RegisterServer>(reinterpret_cast<void*>(proc))();
    return true;
}

} // namespace

TosmException::TosmException() : std::runtime_error(ToUtf8(kNotFound)), message_(kNotFound) {}

TOlSecurityManager::TOlSecurityManager()
{
    if (ComPtr<IUnknown> object = CreateComponent()) {
        manager_ = object.tryQuery<IOutlookSecurityManager>(kIidOutlookSecurityManager);
        return;
    }
    try {
        if (!RegisterFromLibrary()) return;
        if (ComPtr<IUnknown> object = CreateComponent()) {
            // After self-registration the newer interface is asked for; it derives from the
            // first, through which every call is made.
            ComPtr<IOutlookSecurityManager2> second =
                object.tryQuery<IOutlookSecurityManager2>(kIidOutlookSecurityManager2);
            manager_ = ComPtr<IOutlookSecurityManager>(second.get());
        }
    } catch (...) {
        // Any failure here leaves the component unavailable, as if it were not installed.
        manager_.reset();
    }
}

IOutlookSecurityManager* TOlSecurityManager::require() const
{
    if (!manager_) throw TosmException();
    return manager_.get();
}

void TOlSecurityManager::ConnectTo(const Dispatch& application)
{
    IOutlookSecurityManager* manager = require();
    // Set before the call, so a failing connection still selects the connected state.
    connected_ = true;
    Variant argument = application.variant();
    CheckComponent(manager->ConnectTo(argument.raw()));
}

void TOlSecurityManager::Enabled(bool value)
{
    if (value == enabled_) return;
    IOutlookSecurityManager* manager = require();
    const LONG selector = connected_ ? kSelectorConnected : kSelectorUnconnected;
    LONG state = 0;
    CheckComponent(manager->GetState(selector, &state));
    if (state == 0) CheckComponent(manager->SetState(selector, value ? 1 : 0));
    enabled_ = value;
}

} // namespace gleaner
