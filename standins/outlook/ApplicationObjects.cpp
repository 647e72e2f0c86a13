// The Application, its NameSpace and add-ins, and the control object the tests use.
#include "Objects.h"

#include "ObjectBase.h"

namespace standin {

namespace {

// The store argument of GetFolderFromID and GetItemFromID may be left out, passed as an
// omitted optional argument or as Empty; anything else must name a store.
const Store* StoreArgument(const Args& args, const Profile& profile)
{
    if (!args.present(1)) return nullptr;
    std::wstring storeId = args.text(1);
    const Store* store = profile.findStore(storeId);
    if (!store) throw Fault{L"The store ID is not valid.", E_INVALIDARG};
    return store;
}

// Whether a look-up by entry ID with this store argument reaches what `holder` keeps: a named
// store must be its own, and a store marked so is searched only when named.
bool Reachable(const Store* named, const Store& holder)
{
    return named ? named == &holder : !holder.requiresStoreId;
}

// Entry IDs are hexadecimal texts; Outlook refuses to compare anything else.
bool IsEntryIdText(const std::wstring& text)
{
    if (text.empty() || text.size() % 2) return false;
    return text.find_first_not_of(L"0123456789ABCDEFabcdef") == std::wstring::npos;
}

class NameSpaceObject : public Object {
public:
    NameSpaceObject(std::shared_ptr<Session> s, IDispatch* app) : Object(std::move(s), app) {}
    ClassId classId() const override { return ClassId::NameSpace; }

protected:
    // No Name: reading it fails, as Outlook's NameSpace does.
    bool has(int id) const override
    {
        static const MemberSet members{M_Application,      M_Session,       M_Parent,           M_Class,
                                       M_Type,             M_Logon,         M_Logoff,           M_Folders,
                                       M_GetFolderFromID,  M_GetItemFromID, M_GetDefaultFolder, M_PickFolder,
                                       M_Stores,           M_DefaultStore,  M_CompareEntryIDs};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(profile().namespaceFail, MemberName(id));
        switch (id) {
        case M_Application:
        case M_Parent: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Class: result = gleaner::Variant(1); break;
        case M_Type: result = gleaner::Variant(L"MAPI"); break;
        case M_Logon:
        case M_Logoff: break;
        case M_Folders: Give(result, NewFolders(session_, application(), nullptr)); break;
        case M_GetFolderFromID: {
            std::wstring entryId = args.text(0);
            const Store* store = StoreArgument(args, profile());
            Folder* folder = profile().findFolder(entryId);
            if (!folder || !Reachable(store, *folder->store)) throw Fault{kNotFound, kMapiNotFound};
            CheckFault(folder->fail, L"open");
            Give(result, NewFolder(session_, application(), folder));
            break;
        }
        case M_GetItemFromID: {
            std::wstring entryId = args.text(0);
            const Store* store = StoreArgument(args, profile());
            std::shared_ptr<Item> item = profile().findItem(entryId);
            if (!item || !Reachable(store, *item->parent->store)) throw Fault{kNotFound, kMapiNotFound};
            CheckFault(item->fail, L"open");
            Give(result, NewItem(session_, application(), std::move(item)));
            break;
        }
        case M_GetDefaultFolder: {
            // The default store's folder, never another store's.
            const wchar_t* role = RoleOfDefaultFolder(args.integer(0));
            Store* store = profile().defaultStore();
            Folder* folder = role && store ? store->folderByRole(role) : nullptr;
            if (!folder) throw Fault{L"The default folder could not be found.", kMapiNotFound};
            Give(result, NewFolder(session_, application(), folder));
            break;
        }
        case M_PickFolder:
            if (session().pickAnswer) Give(result, NewFolder(session_, application(), session().pickAnswer));
            else GiveNothing(result);
            break;
        case M_Stores: Give(result, NewStores(session_, application())); break;
        case M_DefaultStore:
            if (!profile().defaultStore()) throw Fault{L"The default store could not be found.", kMapiNotFound};
            Give(result, NewStore(session_, application(), profile().defaultStore()));
            break;
        case M_CompareEntryIDs: {
            const std::wstring first = args.text(0), second = args.text(1);
            if (!IsEntryIdText(first) || !IsEntryIdText(second)) throw Fault{kBadParameter, E_INVALIDARG};
            // Hexadecimal digits name the same bytes in either case.
            result = gleaner::Variant(SameName(first, second));
            break;
        }
        }
    }
};

class AddInObject : public Object {
public:
    AddInObject(std::shared_ptr<Session> s, IDispatch* app, size_t index) : Object(std::move(s), app), index_(index) {}
    ClassId classId() const override { return ClassId::AddIn; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Parent, M_Description, M_ProgId, M_Guid, M_Connect};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        AddIn& addin = profile().addins.at(index_);
        CheckFault(addin.fail, MemberName(id));
        if (IsPut(flags)) {
            if (id != M_Connect) ReadOnly();
            addin.connect = args.value().toBool();
            return;
        }
        switch (id) {
        case M_Application:
        case M_Parent: result = gleaner::Variant(application()); break;
        case M_Description: result = gleaner::Variant(addin.description); break;
        case M_ProgId: result = gleaner::Variant(addin.progId); break;
        case M_Guid: result = gleaner::Variant(addin.guid); break;
        case M_Connect: result = gleaner::Variant(addin.connect); break;
        }
    }

private:
    size_t index_;
};

class AddInsObject : public Object {
public:
    using Object::Object;
    ClassId classId() const override { return ClassId::AddIns; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Parent, M_Count, M_Item};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(profile().applicationFail, L"COMAddIns." + MemberName(id));
        auto& addins = profile().addins;
        switch (id) {
        case M_Application:
        case M_Parent: result = gleaner::Variant(application()); break;
        case M_Count: result = gleaner::Variant(static_cast<int>(addins.size())); break;
        case M_Item: {
            if (args.at(0).vt() == VT_BSTR) {
                std::wstring progId = args.text(0);
                for (size_t i = 0; i < addins.size(); ++i) {
                    if (SameName(addins[i].progId, progId)) {
                        Give(result, new AddInObject(session_, application(), i));
                        return;
                    }
                }
                throw Fault{kNotFound, kMapiNotFound};
            }
            int i = args.integer(0);
            if (i < 1 || i > static_cast<int>(addins.size())) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, new AddInObject(session_, application(), static_cast<size_t>(i - 1)));
            break;
        }
        }
    }
};

// Application.StandIn: what tests read and set; never part of Outlook's model.
class ControlObject : public Object {
public:
    using Object::Object;
    ClassId classId() const override { return ClassId::Control; }

protected:
    bool counted() const override { return false; }
    bool has(int id) const override
    {
        static const MemberSet members{M_CallCount, M_ResetCounts, M_PickFolderAnswer, M_DisplayLog, M_DisplayCount,
                                       M_SecurityPrompts, M_SecurityGuard, M_ProfilePath, M_DisconnectAfter,
                                       M_RoundTrips, M_TypeInfo, M_RejectCalls, M_RejectCode,
                                       M_GuardAnswer};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        Session& s = session();
        switch (id) {
        case M_CallCount: {
            result = gleaner::Variant(static_cast<long>(s.trips.invokes(FindMember(args.text(0)))));
            break;
        }
        case M_ResetCounts: s.trips.reset(); break;
        case M_PickFolderAnswer:
            if (IsPut(flags)) {
                const gleaner::Variant& v = args.value();
                if (v.isEmpty() || v.isNull() || v.isMissing() || (v.vt() == VT_DISPATCH && !v.raw().pdispVal)) {
                    s.pickAnswer = nullptr;
                } else {
                    Folder* folder = FolderOf(v);
                    if (!folder) throw Fault{L"PickFolderAnswer takes a Folder or Empty.", E_INVALIDARG};
                    s.pickAnswer = folder;
                }
            } else if (s.pickAnswer) {
                Give(result, NewFolder(session_, application(), s.pickAnswer));
            }
            break;
        case M_DisplayLog: {
            std::wstring text;
            for (auto& line : s.displayLog) text += line + L"\r\n";
            if (IsPut(flags)) s.displayLog.clear();
            else result = gleaner::Variant(text);
            break;
        }
        case M_DisplayCount: result = gleaner::Variant(static_cast<long>(s.displayLog.size())); break;
        case M_SecurityPrompts:
            if (IsPut(flags)) s.prompts = args.value().toInt();
            else result = gleaner::Variant(static_cast<long>(s.prompts));
            break;
        case M_SecurityGuard:
            if (IsPut(flags)) s.guard = args.value().toBool();
            else result = gleaner::Variant(s.guard);
            break;
        case M_ProfilePath: result = gleaner::Variant(s.profile->path()); break;
        case M_DisconnectAfter:
            if (IsPut(flags)) s.disconnectAfter = args.value().toInt();
            else result = gleaner::Variant(static_cast<long>(s.disconnectAfter));
            break;
        case M_RoundTrips: {
            const bool byMember = args.present(1);
            const std::wstring member = byMember ? args.text(1) : std::wstring();
            result = gleaner::Variant(static_cast<long>(s.trips.count(args.text(0), byMember ? &member : nullptr)));
            break;
        }
        case M_TypeInfo:
            if (IsPut(flags)) s.typeInfo = args.value().toBool();
            else result = gleaner::Variant(s.typeInfo);
            break;
        case M_RejectCalls:
            if (IsPut(flags)) s.answers.rejectCalls = args.value().toInt();
            else result = gleaner::Variant(static_cast<long>(s.answers.rejectCalls));
            break;
        case M_RejectCode:
            if (IsPut(flags)) s.answers.rejectCode = static_cast<HRESULT>(args.value().toInt());
            else result = gleaner::Variant(static_cast<long>(s.answers.rejectCode));
            break;
        case M_GuardAnswer:
            if (IsPut(flags)) s.answers.guardRefuses = SameName(args.value().toText(), L"No");
            else result = gleaner::Variant(s.answers.guardRefuses ? L"No" : L"Yes");
            break;
        }
    }
};

class ApplicationObject : public Object {
public:
    explicit ApplicationObject(std::shared_ptr<Session> s) : Object(std::move(s), nullptr) {}
    ClassId classId() const override { return ClassId::Application; }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Name, M_Version, M_COMAddIns,
                                       M_GetNamespace, M_StandIn, M_Quit};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        if (id == M_StandIn) {
            Give(result, new ControlObject(session_, application()));
            return;
        }
        CheckFault(profile().applicationFail, MemberName(id));
        switch (id) {
        case M_Application:
        case M_Parent: result = gleaner::Variant(application()); break;
        case M_Class: result = gleaner::Variant(0); break;
        case M_Name: result = gleaner::Variant(L"Outlook"); break;
        case M_Version: result = gleaner::Variant(profile().version); break;
        case M_COMAddIns: Give(result, new AddInsObject(session_, application())); break;
        case M_Quit: break;
        case M_GetNamespace:
        case M_Session:
            if (id == M_GetNamespace && !SameName(args.text(0), L"MAPI"))
                throw Fault{L"The namespace type is not supported.", E_INVALIDARG};
            if (!session().loadError.empty()) throw Fault{session().loadError};
            Give(result, NewNameSpace(session_, application()));
            break;
        }
    }
};


} // namespace

Object* NewNameSpace(const std::shared_ptr<Session>& s, IDispatch* app) { return new NameSpaceObject(s, app); }

HRESULT CreateApplication(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::shared_ptr<Session> session = AcquireSession();
        // A profile can say Outlook is not there at all.
        if (session->profile->unavailable) return CO_E_SERVER_EXEC_FAILURE;
        auto* app = new ApplicationObject(std::move(session));
        HRESULT hr = app->QueryInterface(iid, out);
        app->Release();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace standin
