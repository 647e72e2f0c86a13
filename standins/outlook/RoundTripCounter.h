#pragma once
// Every round trip a client makes to the stand-in's objects, as it would cross to an Outlook
// in another process: GetTypeInfoCount, GetTypeInfo and the calls on the type information
// handed out (per class or per ITypeInfo method), GetIDsOfNames and Invoke (per member name),
// and the final release of every object. Counting is an array increment; names are looked up
// only when the counts are read.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ClassId.h"

namespace standin {

class RoundTripCounter {
public:
    // The methods of ITypeInfo a client may call on the type information it was given; Release
    // is its final release.
    enum class TypeInfoCall : int {
        GetTypeAttr, GetTypeComp, GetFuncDesc, GetVarDesc, GetNames, GetRefTypeOfImplType, GetImplTypeFlags,
        GetIDsOfNames, Invoke, GetDocumentation, GetDllEntry, GetRefTypeInfo, AddressOfMember, CreateInstance,
        GetMops, GetContainingTypeLib, ReleaseTypeAttr, ReleaseFuncDesc, ReleaseVarDesc, Release,
    };
    static constexpr std::size_t kTypeInfoCalls = static_cast<std::size_t>(TypeInfoCall::Release) + 1;

    void invoke(int member) { Bump(invokes_, member); }
    // An Invoke of a DISPID the object does not have.
    void strayInvoke() { ++strayInvokes_; }
    // `member` -1: a name the stand-in does not know at all.
    void nameLookup(int member)
    {
        if (member < 0) ++strayNames_;
        else Bump(names_, member);
    }
    void typeInfoCount(ClassId c) { ++typeInfoCounts_[Index(c)]; }
    void typeInfo(ClassId c) { ++typeInfos_[Index(c)]; }
    void typeInfoCall(TypeInfoCall call) { ++typeInfoCalls_[static_cast<std::size_t>(call)]; }
    void release(ClassId c) { ++releases_[Index(c)]; }

    unsigned long long invokes(int member) const;
    // The count of a kind ("GetTypeInfoCount", "GetTypeInfo", "TypeInfo", "GetIDsOfNames",
    // "Invoke", "Release", "Total"), in all or for one member: a member name for GetIDsOfNames
    // and Invoke (0 for a name never counted), an interface name such as "_MailItem" for
    // GetTypeInfoCount, GetTypeInfo and Release, an ITypeInfo method name for TypeInfo.
    // Throws Fault for an unknown kind, class or method, or a member with Total.
    unsigned long long count(std::wstring_view kind, const std::wstring* member) const;
    void reset();

private:
    static void Bump(std::vector<unsigned long long>& counts, int member)
    {
        if (static_cast<std::size_t>(member) >= counts.size()) counts.resize(static_cast<std::size_t>(member) + 1);
        ++counts[static_cast<std::size_t>(member)];
    }
    unsigned long long byMember(const std::vector<unsigned long long>& counts, unsigned long long stray,
                                const std::wstring* member) const;
    unsigned long long byClass(const std::array<unsigned long long, kClassCount>& counts,
                               const std::wstring* member) const;
    unsigned long long byTypeInfoCall(const std::wstring* member) const;

    std::vector<unsigned long long> invokes_, names_; // by member id
    unsigned long long strayInvokes_ = 0, strayNames_ = 0;
    std::array<unsigned long long, kClassCount> typeInfoCounts_{}, typeInfos_{}, releases_{};
    std::array<unsigned long long, kTypeInfoCalls> typeInfoCalls_{};
};

} // namespace standin
