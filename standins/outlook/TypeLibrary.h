#pragma once
// The stand-in's type library (OutlookStandIn.idl, embedded in the module as its TYPELIB
// resource), loaded once per process, and for each class the DISPIDs its interface gives the
// stand-in's member names. Dispatching goes by these tables, so that GetIDsOfNames and Invoke
// agree with the type information a client is handed.
#include <windows.h>

#include <oaidl.h>

#include <string>
#include <utility>
#include <vector>

#include "ClassId.h"
#include "platform/ComPtr.h"

namespace standin {

// Members a profile gives an item beyond its class's interface answer DISPIDs in this range,
// which no interface of the type library uses (Outlook's are below it, Office's far above).
inline constexpr DISPID kExtraDispIdBase = 0x10000;
inline constexpr DISPID kExtraDispIdEnd = 0x20000;

class TypeLibrary {
public:
    // One class's interface.
    struct Interface {
        gleaner::ComPtr<ITypeInfo> info;          // null when the library could not be loaded
        std::vector<DISPID> dispIds;              // by member id: DISPID_UNKNOWN when not declared
        std::vector<unsigned char> invokeKinds;   // by member id: INVOKEKIND bits declared
        std::vector<std::pair<DISPID, int>> byDispId; // (DISPID, member id), sorted

        bool declares(int member) const;
        // The interface's DISPID of a member, or one beyond the interface's range for any other.
        DISPID dispIdOf(int member) const;
        // The member a DISPID stands for in this interface; -1 when it stands for none.
        int memberOf(DISPID id) const;
        // False for a member the interface declares without a way to set it.
        bool writable(int member) const;
    };

    // The library of this process, loaded on first use. Never fails: when it cannot be
    // loaded, ok() is false and every interface is empty.
    static const TypeLibrary& Instance();

    bool ok() const { return SUCCEEDED(loadResult_); }
    HRESULT loadResult() const { return loadResult_; }
    const Interface& of(ClassId id) const { return interfaces_[Index(id)]; }

    // Registers the library of the module at `path` (HKCR\TypeLib, HKCR\Interface), or removes it.
    static HRESULT Register(const std::wstring& path);
    static HRESULT Unregister(const std::wstring& path);

private:
    TypeLibrary();
    void load();
    void describe(ClassId id, gleaner::ComPtr<ITypeInfo> info);

    HRESULT loadResult_ = E_FAIL;
    std::vector<Interface> interfaces_;
};

// The path of the module (DLL or executable) that holds the stand-in's code and resources.
std::wstring StandInModulePath();

} // namespace standin
