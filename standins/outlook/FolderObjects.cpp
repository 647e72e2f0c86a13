// Folders, the Folders and Items collections, and the direct table read of a folder.
#include "ObjectBase.h"

#include <algorithm>

namespace standin {

namespace {

// One row per item of `items`: EntryID, then the named columns, read straight from the store.
void Table(const std::vector<std::shared_ptr<Item>>& items, const std::wstring& columnText, gleaner::Variant& result)
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
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(items.size()), 0}, {static_cast<ULONG>(names.size() + 1), 0}};
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) throw std::bad_alloc();
    VARIANT* raw = result.put();
    raw->vt = VT_ARRAY | VT_VARIANT;
    raw->parray = array;
    for (size_t row = 0; row < items.size(); ++row) {
        const Item& item = *items[row];
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

// What Items.Sort compares an item by.
Value SortValue(const Item& item, int id)
{
    switch (id) {
    case M_EntryID: return Value::OfText(item.entryId);
    case M_MessageClass: return Value::OfText(item.messageClass);
    case M_Size: return Value::OfInt(item.size());
    default:
        if (const Value* value = item.find(id)) return *value;
        return DefaultValue(id);
    }
}

// Negative, zero or positive as `a` sorts before, with or after `b`: Null first, numbers and
// dates by value, texts without regard to case.
int CompareValues(const Value& a, const Value& b)
{
    if (a.type == Value::Null || b.type == Value::Null) return (a.type != Value::Null) - (b.type != Value::Null);
    if (a.type != Value::Text && b.type != Value::Text) return (a.number > b.number) - (a.number < b.number);
    int order = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.text.c_str(), static_cast<int>(a.text.size()),
                                 b.text.c_str(), static_cast<int>(b.text.size()));
    return order - CSTR_EQUAL;
}

// The member Items.Sort orders by, from its name with or without brackets ("[CreationTime]").
int SortMember(std::wstring name)
{
    if (name.size() >= 2 && name.front() == L'[' && name.back() == L']') name = name.substr(1, name.size() - 2);
    int id = FindMember(name);
    if (id < 0) throw Fault{L"The property \"" + name + L"\" is unknown.", E_INVALIDARG};
    // Outlook cannot sort by these (nor by multi-valued properties).
    if (id == M_Categories || id == M_Class || id == M_Saved || id == M_Companies)
        throw Fault{L"The property \"" + name + L"\" cannot be used to sort items.", E_INVALIDARG};
    return id;
}

class ItemsObject : public Object {
public:
    ItemsObject(std::shared_ptr<Session> s, IDispatch* app, Folder* folder) : Object(std::move(s), app), folder_(folder) {}
    ClassId classId() const override { return ClassId::Items; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent,      M_Class,
                                       M_Count,       M_Item,    M_StandInTable, M_Sort};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(folder_->fail, L"Items." + MemberName(id));
        profile().enter(*folder_);
        const auto& items = view();
        int count = static_cast<int>(items.size());
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewFolder(session_, application(), folder_)); break;
        case M_Class: result = gleaner::Variant(16); break;
        case M_Count: result = gleaner::Variant(count); break;
        case M_Item: {
            int i = args.integer(0);
            if (i < 1 || i > count) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, NewItem(session_, application(), items[static_cast<size_t>(i - 1)]));
            break;
        }
        case M_StandInTable: Table(items, args.text(0), result); break;
        case M_Sort:
            sortBy_ = SortMember(args.text(0));
            descending_ = args.present(1) && args.boolean(1);
            viewVersion_ = ~std::uint64_t{0};
            break;
        }
    }

private:
    // The folder's items as this collection shows them: in the store's order, or sorted by
    // Sort (equal values keep the store's order), with whatever came into the folder since.
    const std::vector<std::shared_ptr<Item>>& view()
    {
        if (sortBy_ < 0 && folder_->order == Order::AsListed) return folder_->items;
        if (viewVersion_ != folder_->version) {
            view_ = folder_->storeOrder();
            if (sortBy_ >= 0) {
                std::stable_sort(view_.begin(), view_.end(), [this](const auto& a, const auto& b) {
                    int order = CompareValues(SortValue(*a, sortBy_), SortValue(*b, sortBy_));
                    return descending_ ? order > 0 : order < 0;
                });
            }
            viewVersion_ = folder_->version;
        }
        return view_;
    }

    Folder* folder_;
    int sortBy_ = -1;
    bool descending_ = false;
    std::vector<std::shared_ptr<Item>> view_;
    std::uint64_t viewVersion_ = ~std::uint64_t{0};
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
                                       M_DefaultItemType, M_Folders, M_Items, M_FolderPath, M_Store};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(folder_->fail, MemberName(id));
        profile().enter(*folder_);
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
        case M_Store: Give(result, NewStore(session_, application(), folder_->store)); break;
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
