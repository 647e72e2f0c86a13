// Folders, the Folders and Items collections, and the direct table read of a folder.
#include "ObjectBase.h"

namespace standin {

namespace {

// One row per item: EntryID, then the named columns, read straight from the store.
void Table(Folder& folder, const std::wstring& columnText, gleaner::Variant& result)
{
    std::vector<std::wstring> names;
    for (size_t start = 0; start <= columnText.size();) {
        size_t comma = columnText.find(L',', start);
        if (comma == std::wstring::npos) comma = columnText.size();
        std::wstring name = columnText.substr(start, comma - start);
        while (!name.empty() && name.front() == L' ') name.erase(name.begin());
        while (!name.empty() && name.back() == L' ') name.pop_back();
        if (!name.empty()) names.push_back(name);
        start = comma + 1;
    }
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(folder.items.size()), 0},
                                {static_cast<ULONG>(names.size() + 1), 0}};
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) throw std::bad_alloc();
    VARIANT* raw = result.put();
    raw->vt = VT_ARRAY | VT_VARIANT;
    raw->parray = array;
    for (size_t row = 0; row < folder.items.size(); ++row) {
        const Item& item = *folder.items[row];
        for (size_t column = 0; column <= names.size(); ++column) {
            gleaner::Variant cell;
            if (column == 0) {
                cell = gleaner::Variant(item.entryId);
            } else {
                std::wstring name = names[column - 1];
                if (const std::wstring* message = FindFault(item.fail, name)) throw Fault{*message};
                if (!name.empty() && name.back() == L'.') name.pop_back();
                int id = FindMember(name);
                if (id == M_Attachments) cell = gleaner::Variant(static_cast<long>(item.attachments.size()));
                else if (id == M_Size) cell = gleaner::Variant(static_cast<long>(item.size()));
                else if (id == M_EntryID) cell = gleaner::Variant(item.entryId);
                else if (id == M_MessageClass) cell = gleaner::Variant(item.messageClass);
                else if (const Value* value = id >= 0 ? item.find(id) : nullptr) PutValue(cell, *value);
                else cell = gleaner::Variant::Null();
            }
            LONG index[2] = {static_cast<LONG>(row), static_cast<LONG>(column)};
            ::SafeArrayPutElement(array, index, &cell.raw());
        }
    }
}

class ItemsObject : public Object {
public:
    ItemsObject(std::shared_ptr<Session> s, IDispatch* app, Folder* folder) : Object(std::move(s), app), folder_(folder) {}
    ClassId classId() const override { return ClassId::Items; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Count, M_Item, M_StandInTable};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(folder_->fail, L"Items." + MemberName(id));
        int count = static_cast<int>(folder_->items.size());
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewFolder(session_, application(), folder_)); break;
        case M_Class: result = gleaner::Variant(16); break;
        case M_Count: result = gleaner::Variant(count); break;
        case M_Item: {
            int i = args.integer(0);
            if (i < 1 || i > count) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, NewItem(session_, application(), folder_->items[static_cast<size_t>(i - 1)]));
            break;
        }
        case M_StandInTable: Table(*folder_, args.text(0), result); break;
        }
    }

private:
    Folder* folder_;
};

class FoldersObject : public Object {
public:
    // `owner` null: the NameSpace's collection of top-level folders.
    FoldersObject(std::shared_ptr<Session> s, IDispatch* app, Folder* owner) : Object(std::move(s), app), owner_(owner) {}
    ClassId classId() const override { return ClassId::Folders; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Count, M_Item};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(owner_ ? owner_->fail : profile().namespaceFail, L"Folders." + MemberName(id));
        std::vector<Folder*> list;
        if (owner_) {
            for (auto& f : owner_->folders) list.push_back(f.get());
        } else {
            for (auto& store : profile().stores) list.push_back(store.top.get());
        }
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent:
            if (owner_) Give(result, NewFolder(session_, application(), owner_));
            else Give(result, NewNameSpace(session_, application()));
            break;
        case M_Class: result = gleaner::Variant(15); break;
        case M_Count: result = gleaner::Variant(static_cast<int>(list.size())); break;
        case M_Item: {
            const gleaner::Variant& index = args.at(0);
            if (index.vt() == VT_BSTR) {
                std::wstring wanted = args.text(0);
                for (Folder* f : list) {
                    if (SameName(f->name, wanted)) {
                        Give(result, NewFolder(session_, application(), f));
                        return;
                    }
                }
                throw Fault{kNotFound, kMapiNotFound};
            }
            int i = args.integer(0);
            if (i < 1 || i > static_cast<int>(list.size())) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, NewFolder(session_, application(), list[static_cast<size_t>(i - 1)]));
            break;
        }
        }
    }

private:
    Folder* owner_;
};

class FolderObject : public Object {
public:
    FolderObject(std::shared_ptr<Session> s, IDispatch* app, Folder* folder) : Object(std::move(s), app), folder_(folder) {}
    ClassId classId() const override { return ClassId::Folder; }
    Folder* folder() const { return folder_; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Name, M_EntryID, M_StoreID,
                                       M_DefaultItemType, M_Folders, M_Items, M_FolderPath};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(folder_->fail, MemberName(id));
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent:
            if (folder_->parent) Give(result, NewFolder(session_, application(), folder_->parent));
            else Give(result, NewNameSpace(session_, application()));
            break;
        case M_Class: result = gleaner::Variant(2); break;
        case M_Name: result = gleaner::Variant(folder_->name); break;
        case M_EntryID: result = gleaner::Variant(folder_->entryId); break;
        case M_StoreID: result = gleaner::Variant(folder_->store->storeId); break;
        case M_DefaultItemType: result = gleaner::Variant(folder_->defaultItemType); break;
        case M_Folders: Give(result, new FoldersObject(session_, application(), folder_)); break;
        case M_Items: Give(result, new ItemsObject(session_, application(), folder_)); break;
        case M_FolderPath: {
            std::wstring path;
            for (Folder* f = folder_; f; f = f->parent) path = L"\\" + f->name + path;
            result = gleaner::Variant(L"\\" + path);
            break;
        }
        }
    }

private:
    Folder* folder_;
};

} // namespace

Folder* FolderOf(const gleaner::Variant& value)
{
    const VARIANT& raw = value.raw();
    IUnknown* unknown = raw.vt == VT_DISPATCH ? raw.pdispVal : raw.vt == VT_UNKNOWN ? raw.punkVal : nullptr;
    if (!unknown) return nullptr;
    gleaner::ComPtr<IDispatch> mine;
    if (FAILED(unknown->QueryInterface(IID_StandInObject, mine.putVoid())) || !mine) return nullptr;
    auto* folder = dynamic_cast<FolderObject*>(static_cast<Object*>(mine.get()));
    return folder ? folder->folder() : nullptr;
}

Object* NewFolder(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder)
{
    return new FolderObject(s, app, folder);
}
Object* NewFolders(const std::shared_ptr<Session>& s, IDispatch* app, Folder* owner)
{
    return new FoldersObject(s, app, owner);
}
Object* NewItems(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder)
{
    return new ItemsObject(s, app, folder);
}

} // namespace standin
