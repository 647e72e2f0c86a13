#include "FakeFolders.h"

#include "platform/Bstr.h"

namespace fake {

using gleaner::Variant;

HRESULT Object::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

std::wstring Object::Upper(std::wstring text)
{
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    std::wstring name = Upper(names[0]);
    if (!members_.count(name) && !failures_.count(name)) return DISP_E_UNKNOWNNAME;
    for (size_t i = 0; i < ids_.size(); ++i) {
        if (ids_[i] == name) {
            ids[0] = static_cast<DISPID>(i + 1);
            return hr;
        }
    }
    ids_.push_back(name);
    ids[0] = static_cast<DISPID>(ids_.size());
    return hr;
}

HRESULT Object::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT*)
{
    if (id < 1 || static_cast<size_t>(id) > ids_.size()) return DISP_E_MEMBERNOTFOUND;
    const std::wstring& name = ids_[static_cast<size_t>(id - 1)];
    ++calls[name];
    auto failure = failures_.find(name);
    if (failure != failures_.end()) {
        if (excep) {
            *excep = EXCEPINFO{};
            excep->scode = E_FAIL;
            excep->bstrSource = ::SysAllocString(L"Fake Outlook");
            excep->bstrDescription = ::SysAllocString(failure->second.c_str());
        }
        return DISP_E_EXCEPTION;
    }
    Variant value = members_.at(name)(*params);
    if (result) *result = value.release();
    return S_OK;
}

gleaner::Dispatch Wrap(Object* object)
{
    return gleaner::Dispatch(gleaner::ComPtr<IDispatch>(static_cast<IDispatch*>(object)));
}

Object* World::Collection(Object* parent, const std::vector<FolderDef>& defs, const std::wstring& prefix)
{
    Object* collection = New();
    auto items = std::make_shared<std::vector<Object*>>();
    for (const FolderDef& def : defs) {
        Object* folder = New();
        std::wstring path = prefix + L"\\" + def.name;
        byPath_[path] = folder;
        std::wstring name = def.name;
        std::wstring entryId = L"EID" + path;
        int type = def.defaultItemType;
        folder->Set(L"Name", [name](const DISPPARAMS&) { return Variant(name); });
        folder->Set(L"EntryID", [entryId](const DISPPARAMS&) { return Variant(entryId); });
        folder->Set(L"DefaultItemType", [type](const DISPPARAMS&) { return Variant(type); });
        folder->Set(L"Parent", [parent](const DISPPARAMS&) { return Variant(static_cast<IDispatch*>(parent)); });
        Object* children = Collection(folder, def.folders, path);
        folder->Set(L"Folders", [children](const DISPPARAMS&) { return Variant(static_cast<IDispatch*>(children)); });
        for (const auto& [member, message] : def.fail) {
            if (member == L"Count") children->Fail(L"Count", message);
            else folder->Fail(member, message);
        }
        items->push_back(folder);
    }
    collection->Set(L"Count", [items](const DISPPARAMS&) { return Variant(static_cast<int>(items->size())); });
    collection->Set(L"Item", [items](const DISPPARAMS& params) {
        Variant index;
        ::VariantChangeType(index.put(), &params.rgvarg[params.cArgs - 1], 0, VT_I4);
        return Variant(static_cast<IDispatch*>(items->at(static_cast<size_t>(index.raw().lVal - 1))));
    });
    return collection;
}

gleaner::Dispatch World::NameSpace(const std::vector<FolderDef>& stores, const std::wstring& countFailure)
{
    nameSpace_ = New();
    Object* folders = Collection(nameSpace_, stores, L"");
    if (!countFailure.empty()) folders->Fail(L"Count", countFailure);
    nameSpace_->Set(L"Folders", [folders](const DISPPARAMS&) { return Variant(static_cast<IDispatch*>(folders)); });
    nameSpace_->Fail(L"Name", L"The NameSpace has no Name.");
    return Wrap(nameSpace_);
}

gleaner::Dispatch World::Folder(const std::vector<std::wstring>& path) const
{
    std::wstring key;
    for (const std::wstring& name : path) key += L"\\" + name;
    return Wrap(byPath_.at(key));
}

} // namespace fake
