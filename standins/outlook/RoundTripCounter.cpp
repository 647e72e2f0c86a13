#include "RoundTripCounter.h"

#include <numeric>

#include "Members.h"
#include "Model.h"

namespace standin {

namespace {

constexpr std::wstring_view kTypeInfoCallNames[RoundTripCounter::kTypeInfoCalls] = {
    L"GetTypeAttr",      L"GetTypeComp",     L"GetFuncDesc",      L"GetVarDesc",          L"GetNames",
    L"GetRefTypeOfImplType", L"GetImplTypeFlags", L"GetIDsOfNames", L"Invoke",             L"GetDocumentation",
    L"GetDllEntry",      L"GetRefTypeInfo",  L"AddressOfMember",  L"CreateInstance",      L"GetMops",
    L"GetContainingTypeLib", L"ReleaseTypeAttr", L"ReleaseFuncDesc", L"ReleaseVarDesc", L"Release",
};

template <typename Counts>
unsigned long long Sum(const Counts& counts)
{
    return std::accumulate(counts.begin(), counts.end(), 0ULL);
}

[[noreturn]] void Unknown(std::wstring_view what, std::wstring_view name)
{
    throw Fault{L"RoundTrips: unknown " + std::wstring(what) + L" \"" + std::wstring(name) + L"\".", E_INVALIDARG};
}

} // namespace

unsigned long long RoundTripCounter::invokes(int member) const
{
    return member >= 0 && static_cast<std::size_t>(member) < invokes_.size() ? invokes_[static_cast<std::size_t>(member)]
                                                                              : 0;
}

unsigned long long RoundTripCounter::byMember(const std::vector<unsigned long long>& counts,
                                              unsigned long long stray, const std::wstring* member) const
{
    if (!member) return Sum(counts) + stray;
    int id = FindMember(*member);
    return id >= 0 && static_cast<std::size_t>(id) < counts.size() ? counts[static_cast<std::size_t>(id)] : 0;
}

unsigned long long RoundTripCounter::byClass(const std::array<unsigned long long, kClassCount>& counts,
                                             const std::wstring* member) const
{
    if (!member) return Sum(counts);
    ClassId id;
    if (!FindClass(*member, id)) Unknown(L"class", *member);
    return counts[Index(id)];
}

unsigned long long RoundTripCounter::byTypeInfoCall(const std::wstring* member) const
{
    if (!member) return Sum(typeInfoCalls_);
    for (std::size_t i = 0; i < kTypeInfoCalls; ++i) {
        if (SameName(kTypeInfoCallNames[i], *member)) return typeInfoCalls_[i];
    }
    Unknown(L"ITypeInfo method", *member);
}

unsigned long long RoundTripCounter::count(std::wstring_view kind, const std::wstring* member) const
{
    if (SameName(kind, L"GetTypeInfoCount")) return byClass(typeInfoCounts_, member);
    if (SameName(kind, L"GetTypeInfo")) return byClass(typeInfos_, member);
    if (SameName(kind, L"TypeInfo")) return byTypeInfoCall(member);
    if (SameName(kind, L"GetIDsOfNames")) return byMember(names_, strayNames_, member);
    if (SameName(kind, L"Invoke")) return byMember(invokes_, strayInvokes_, member);
    if (SameName(kind, L"Release")) return byClass(releases_, member);
    if (SameName(kind, L"Total")) {
        if (member) throw Fault{L"RoundTrips: \"Total\" takes no member.", E_INVALIDARG};
        return Sum(typeInfoCounts_) + Sum(typeInfos_) + Sum(typeInfoCalls_) + Sum(names_) + strayNames_ +
               Sum(invokes_) + strayInvokes_ + Sum(releases_);
    }
    Unknown(L"kind", kind);
}

void RoundTripCounter::reset() { *this = RoundTripCounter{}; }

} // namespace standin
