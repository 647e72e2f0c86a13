#include "TypeLibrary.h"

#include <algorithm>

#include "Members.h"
#include "platform/Bstr.h"

namespace standin {

namespace {

// A TYPEATTR or FUNCDESC handed back to its type information when the scope ends.
class ScopedTypeAttr {
public:
    explicit ScopedTypeAttr(ITypeInfo* info) : info_(info) {}
    ~ScopedTypeAttr()
    {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    ScopedTypeAttr(const ScopedTypeAttr&) = delete;
    ScopedTypeAttr& operator=(const ScopedTypeAttr&) = delete;
    TYPEATTR** put() { return &attr_; }
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class ScopedFuncDesc {
public:
    explicit ScopedFuncDesc(ITypeInfo* info) : info_(info) {}
    ~ScopedFuncDesc()
    {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    ScopedFuncDesc(const ScopedFuncDesc&) = delete;
    ScopedFuncDesc& operator=(const ScopedFuncDesc&) = delete;
    FUNCDESC** put() { return &desc_; }
    const FUNCDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

HRESULT LoadFrom(const std::wstring& path, REGKIND kind, gleaner::ComPtr<ITypeLib>& library)
{
    return ::LoadTypeLibEx(path.c_str(), kind, library.put());
}

} // namespace

std::wstring StandInModulePath()
{
    HMODULE module = nullptr;
    // The module this code was linked into: the DLL, or an executable that links the same objects.
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&StandInModulePath), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool TypeLibrary::Interface::declares(int member) const
{
    return member >= 0 && static_cast<size_t>(member) < dispIds.size() &&
           dispIds[static_cast<size_t>(member)] != DISPID_UNKNOWN;
}

DISPID TypeLibrary::Interface::dispIdOf(int member) const
{
    return declares(member) ? dispIds[static_cast<size_t>(member)] : kExtraDispIdBase + member;
}

int TypeLibrary::Interface::memberOf(DISPID id) const
{
    auto found = std::lower_bound(byDispId.begin(), byDispId.end(), std::make_pair(id, -1));
    if (found != byDispId.end() && found->first == id) return found->second;
    if (id < kExtraDispIdBase || id >= kExtraDispIdEnd) return -1;
    int member = id - kExtraDispIdBase;
    return declares(member) ? -1 : member;
}

bool TypeLibrary::Interface::writable(int member) const
{
    if (!declares(member)) return true;
    return (invokeKinds[static_cast<size_t>(member)] & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
}

const TypeLibrary& TypeLibrary::Instance()
{
    // Kept for the life of the process: type information handed out may outlive every object.
    static const TypeLibrary* const library = new TypeLibrary();
    return *library;
}

TypeLibrary::TypeLibrary() : interfaces_(kClassCount) { load(); }

void TypeLibrary::load()
{
    gleaner::ComPtr<ITypeLib> library;
    loadResult_ = LoadFrom(StandInModulePath(), REGKIND_NONE, library);
    if (FAILED(loadResult_)) return;
    std::vector<bool> found(kClassCount, false);
    for (UINT i = 0, n = library->GetTypeInfoCount(); i < n; ++i) {
        gleaner::Bstr name;
        if (FAILED(library->GetDocumentation(static_cast<INT>(i), name.put(), nullptr, nullptr, nullptr))) continue;
        ClassId id;
        if (!FindClass(name.str(), id)) continue;
        gleaner::ComPtr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
        describe(id, std::move(info));
        found[Index(id)] = true;
    }
    // Every class needs its interface; a library without one is a build fault, reported as such.
    if (std::find(found.begin(), found.end(), false) != found.end()) {
        loadResult_ = TYPE_E_ELEMENTNOTFOUND;
        interfaces_.assign(kClassCount, Interface{});
    }
}

void TypeLibrary::describe(ClassId id, gleaner::ComPtr<ITypeInfo> info)
{
    Interface& face = interfaces_[Index(id)];
    face.dispIds.assign(kKnownMembers, DISPID_UNKNOWN);
    face.invokeKinds.assign(kKnownMembers, 0);
    ScopedTypeAttr attr(info.get());
    if (FAILED(info->GetTypeAttr(attr.put())) || !attr) return;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        ScopedFuncDesc desc(info.get());
        if (FAILED(info->GetFuncDesc(i, desc.put())) || !desc) continue;
        if (desc->wFuncFlags & FUNCFLAG_FRESTRICTED) continue; // IDispatch's own methods
        gleaner::Bstr name;
        UINT names = 0;
        if (FAILED(info->GetNames(desc->memid, name.put(), 1, &names)) || names == 0) continue;
        // Names the stand-in does not know are declared for members still to come; nothing serves them.
        int member = FindMember(name.str());
        if (member < 0 || member >= kKnownMembers) continue;
        face.dispIds[static_cast<size_t>(member)] = desc->memid;
        face.invokeKinds[static_cast<size_t>(member)] |= static_cast<unsigned char>(desc->invkind);
        face.byDispId.emplace_back(desc->memid, member);
    }
    std::sort(face.byDispId.begin(), face.byDispId.end());
    face.byDispId.erase(std::unique(face.byDispId.begin(), face.byDispId.end()), face.byDispId.end());
    face.info = std::move(info);
}

HRESULT TypeLibrary::Register(const std::wstring& path)
{
    gleaner::ComPtr<ITypeLib> library;
    return LoadFrom(path, REGKIND_REGISTER, library);
}

HRESULT TypeLibrary::Unregister(const std::wstring& path)
{
    gleaner::ComPtr<ITypeLib> library;
    HRESULT hr = LoadFrom(path, REGKIND_NONE, library);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = library->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    TLIBATTR copy = *attr;
    library->ReleaseTLibAttr(attr);
    return ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
}

} // namespace standin
