#pragma once
// A small in-memory folder hierarchy behind IDispatch, for tree and path tests that need no
// Outlook: folders with Name, EntryID, DefaultItemType, Folders and Parent, collections with
// Count and Item(i), and members that fail with a message as Outlook's do.
#include <windows.h>

#include <oaidl.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/Dispatch.h"
#include "platform/Variant.h"

namespace fake {

struct FolderDef {
    std::wstring name;
    int defaultItemType = 0;
    std::vector<FolderDef> folders = {};
    // Member name -> the message reading it raises ("Name", "Folders", "Count" fails the
    // folder's sub-folder collection's Count, "EntryID", "DefaultItemType", "Parent").
    std::map<std::wstring, std::wstring> fail = {};
};

class Object : public IDispatch {
public:
    using Getter = std::function<gleaner::Variant(const DISPPARAMS&)>;
    void Set(const std::wstring& name, Getter getter) { members_[Upper(name)] = std::move(getter); }
    void Fail(const std::wstring& name, const std::wstring& message) { failures_[Upper(name)] = message; }
    std::map<std::wstring, int> calls; // by upper-case member name

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    // The world owns every object: references are counted but never free anything.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override;

private:
    static std::wstring Upper(std::wstring text);
    std::map<std::wstring, Getter> members_;
    std::map<std::wstring, std::wstring> failures_;
    std::vector<std::wstring> ids_;
};

// Owns the objects of one fake profile.
class World {
public:
    // A NameSpace whose Folders holds one top-level folder per store; its Name fails, as
    // Outlook's does.
    // A non-empty `countFailure` makes the top-level collection's Count fail with it.
    gleaner::Dispatch NameSpace(const std::vector<FolderDef>& stores, const std::wstring& countFailure = L"");
    // The folder object reached by names from the top ("Personal Folders", "Inbox").
    gleaner::Dispatch Folder(const std::vector<std::wstring>& path) const;

private:
    Object* New() { return &objects_.emplace_back(); }
    Object* Collection(Object* parent, const std::vector<FolderDef>& defs, const std::wstring& prefix);
    std::deque<Object> objects_;
    std::map<std::wstring, Object*> byPath_;
    Object* nameSpace_ = nullptr;
};

gleaner::Dispatch Wrap(Object* object);

} // namespace fake
