#pragma once
// The Outlook Security Manager component's class and interfaces, as its vendor ships them
// in secman.dll. Only the first three methods of IOutlookSecurityManager are ever called.
#include <windows.h>

#include <oaidl.h>

namespace gleaner {

// {826D7151-8D99-434B-8540-082B8C2AE556}
inline constexpr CLSID kClsidOutlookSecurityManager = {
    0x826D7151, 0x8D99, 0x434B, {0x85, 0x40, 0x08, 0x2B, 0x8C, 0x2A, 0xE5, 0x56}};
// {66EEF543-A9AC-4A9D-AA3C-1ED148AC8EEE}
inline constexpr IID kIidOutlookSecurityManager = {
    0x66EEF543, 0xA9AC, 0x4A9D, {0xAA, 0x3C, 0x1E, 0xD1, 0x48, 0xAC, 0x8E, 0xEE}};
// {66EEF543-A9AC-4A9D-AA3C-1ED148AC8FFE}
inline constexpr IID kIidOutlookSecurityManager2 = {
    0x66EEF543, 0xA9AC, 0x4A9D, {0xAA, 0x3C, 0x1E, 0xD1, 0x48, 0xAC, 0x8F, 0xFE}};

// Slot order matters: callers reach these through the vtable, not by name.
struct IOutlookSecurityManager : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetState(LONG selector, LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetState(LONG selector, LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectTo(VARIANT application) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisconnectFrom(VARIANT application) = 0;
};

struct IOutlookSecurityManager2 : public IOutlookSecurityManager {
    virtual HRESULT STDMETHODCALLTYPE GetVersion(BSTR* version) = 0;
};

} // namespace gleaner
