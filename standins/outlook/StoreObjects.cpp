// Outlook's stores: the Store object of each top-level folder and the NameSpace's Stores.
#include "ObjectBase.h"

namespace standin {

namespace {

constexpr int kClassStore = 107;  // olStore
constexpr int kClassStores = 108; // olStores

class StoreObject : public Object {
public:
    StoreObject(std::shared_ptr<Session> s, IDispatch* app, Store* store) : Object(std::move(s), app), store_(store) {}
    ClassId classId() const override { return ClassId::Store; }

protected:
    // GetDefaultFolder came with Outlook 2010 (version 14); Outlook 2007's Store has none.
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent,      M_Class,
                                       M_StoreID,     M_DisplayName, M_GetRootFolder};
        return members.has(id) || (id == M_GetDefaultFolder && profile().majorVersion() >= 14);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(store_->top->fail, L"Store." + MemberName(id));
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session:
        case M_Parent: Give(result, NewNameSpace(session_, application())); break;
        case M_Class: result = gleaner::Variant(kClassStore); break;
        case M_StoreID: result = gleaner::Variant(store_->storeId); break;
        case M_DisplayName: result = gleaner::Variant(store_->top->name); break;
        case M_GetRootFolder: Give(result, NewFolder(session_, application(), store_->top.get())); break;
        case M_GetDefaultFolder: {
            const wchar_t* role = RoleOfDefaultFolder(args.integer(0));
            Folder* folder = role ? store_->folderByRole(role) : nullptr;
            if (folder) Give(result, NewFolder(session_, application(), folder));
            else if (store_->missingDefaultFolderIsNothing) GiveNothing(result);
            else throw Fault{kNotFound, kMapiNotFound};
            break;
        }
        }
    }

private:
    Store* store_;
};

class StoresObject : public Object {
public:
    using Object::Object;
    ClassId classId() const override { return ClassId::Stores; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Count, M_Item};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(profile().namespaceFail, L"Stores." + MemberName(id));
        auto& stores = profile().stores;
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session:
        case M_Parent: Give(result, NewNameSpace(session_, application())); break;
        case M_Class: result = gleaner::Variant(kClassStores); break;
        case M_Count: result = gleaner::Variant(static_cast<int>(stores.size())); break;
        case M_Item: {
            // By position from 1, or by DisplayName, the Store's default property.
            if (args.at(0).vt() == VT_BSTR) {
                const std::wstring name = args.text(0);
                for (Store& store : stores) {
                    if (SameName(store.top->name, name)) {
                        Give(result, NewStore(session_, application(), &store));
                        return;
                    }
                }
                throw Fault{kNotFound, kMapiNotFound};
            }
            int i = args.integer(0);
            if (i < 1 || i > static_cast<int>(stores.size())) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, NewStore(session_, application(), &stores[static_cast<size_t>(i - 1)]));
            break;
        }
        }
    }
};

} // namespace

Object* NewStore(const std::shared_ptr<Session>& s, IDispatch* app, Store* store)
{
    return new StoreObject(s, app, store);
}
Object* NewStores(const std::shared_ptr<Session>& s, IDispatch* app) { return new StoresObject(s, app); }

} // namespace standin
