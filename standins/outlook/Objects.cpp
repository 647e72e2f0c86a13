#include "Objects.h"

#include <oleauto.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Members.h"
#include "Model.h"
#include "platform/ComPtr.h"
#include "platform/Variant.h"

namespace standin {

namespace {

std::atomic<long> g_objects{0};

// {5B0E4C61-3C1F-4C7A-9E43-1D7F0B1E6A52}: lets the server recognise its own objects.
const IID IID_StandInObject = {0x5b0e4c61, 0x3c1f, 0x4c7a, {0x9e, 0x43, 0x1d, 0x7f, 0x0b, 0x1e, 0x6a, 0x52}};

const wchar_t kNotFound[] = L"The operation failed. An object could not be found.";
const wchar_t kOutOfBounds[] = L"Array index out of bounds.";
const wchar_t kBadParameter[] = L"Could not complete the operation. One or more parameter values are not valid.";
constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);

// What one Outlook instance holds for its clients: the profile, and the state the tests
// read and set through the control object.
struct Session {
    std::unique_ptr<Profile> profile = std::make_unique<Profile>();
    std::wstring loadError;
    std::vector<unsigned long long> counts;
    bool guard = true;
    long long prompts = 0;
    Folder* pickAnswer = nullptr;
    std::vector<std::wstring> displayLog;
    // Calls still answered before Outlook "goes away"; negative: never.
    long long disconnectAfter = -1;

    // True from the moment Outlook is gone: every call then fails as a dead server's would.
    bool gone() const { return disconnectAfter == 0; }
    void count(int id)
    {
        if (static_cast<size_t>(id) >= counts.size()) counts.resize(static_cast<size_t>(id) + 1);
        ++counts[static_cast<size_t>(id)];
        if (disconnectAfter > 0) --disconnectAfter;
    }
};

std::shared_ptr<Session> AcquireSession()
{
    static std::mutex lock;
    static std::weak_ptr<Session> current;
    std::lock_guard<std::mutex> guard(lock);
    if (auto alive = current.lock()) return alive;
    auto session = std::make_shared<Session>();
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = ::GetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) {
        session->loadError = L"Outlook stand-in: OUTLOOK_STANDIN_PROFILE names no profile file.";
    } else {
        try {
            session->profile->load(buffer);
        } catch (const Fault& f) {
            session->loadError = L"Outlook stand-in: " + f.message;
            session->profile = std::make_unique<Profile>();
        } catch (const std::exception&) {
            session->loadError = L"Outlook stand-in: the profile could not be loaded.";
            session->profile = std::make_unique<Profile>();
        }
    }
    current = session;
    return session;
}

// Arguments of one Invoke, in natural order, references resolved.
class Args {
public:
    Args(const DISPPARAMS* params, WORD flags)
    {
        if (!params) return;
        UINT first = 0;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (params->cArgs == 0) throw Fault{L"A value is required.", DISP_E_PARAMNOTOPTIONAL};
            ::VariantCopyInd(value_.put(), &params->rgvarg[0]);
            first = 1;
        }
        for (UINT i = params->cArgs; i > first; --i) {
            gleaner::Variant v;
            ::VariantCopyInd(v.put(), &params->rgvarg[i - 1]);
            args_.push_back(std::move(v));
        }
    }

    size_t size() const { return args_.size(); }
    // Present: given, and neither an omitted optional argument nor Empty.
    bool present(size_t i) const { return i < args_.size() && !args_[i].isMissing() && !args_[i].isEmpty(); }
    const gleaner::Variant& at(size_t i) const
    {
        if (i >= args_.size()) throw Fault{L"Argument not optional.", DISP_E_PARAMNOTOPTIONAL};
        return args_[i];
    }
    std::wstring text(size_t i) const
    {
        try {
            return at(i).toText();
        } catch (const std::exception&) {
            throw Fault{L"Type mismatch.", DISP_E_TYPEMISMATCH};
        }
    }
    int integer(size_t i) const
    {
        try {
            return at(i).toInt();
        } catch (const std::exception&) {
            throw Fault{L"Type mismatch.", DISP_E_TYPEMISMATCH};
        }
    }
    bool boolean(size_t i) const
    {
        try {
            return at(i).toBool();
        } catch (const std::exception&) {
            throw Fault{L"Type mismatch.", DISP_E_TYPEMISMATCH};
        }
    }
    const gleaner::Variant& value() const { return value_; }

private:
    std::vector<gleaner::Variant> args_;
    gleaner::Variant value_;
};

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

[[noreturn]] void ReadOnly() { throw Fault{L"The property is read-only.", DISP_E_MEMBERNOTFOUND}; }

void CheckFault(const FailMap& fail, std::wstring_view name)
{
    if (fail.empty()) return;
    if (const std::wstring* message = FindFault(fail, name)) throw Fault{*message};
}

// The automation base: reference counting, a member table per class, and Invoke that
// turns a Fault into DISP_E_EXCEPTION with the message in EXCEPINFO.
class Object : public IDispatch {
public:
    Object(std::shared_ptr<Session> session, IDispatch* application)
        : session_(std::move(session)), application_(application)
    {
        ++g_objects;
    }
    virtual ~Object() { --g_objects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_StandInObject)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        long left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        if (counted() && session_->gone()) return RPC_E_DISCONNECTED;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        int id = FindMember(names[0] ? names[0] : L"");
        if (id >= 0 && has(id)) ids[0] = id;
        else hr = DISP_E_UNKNOWNNAME;
        if (count > 1) hr = DISP_E_UNKNOWNNAME; // no named arguments
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override
    {
        if (result) ::VariantInit(result);
        if (id < 0 || static_cast<size_t>(id) >= MemberCount() || !has(id)) return DISP_E_MEMBERNOTFOUND;
        if (counted()) {
            if (session_->gone()) return RPC_E_DISCONNECTED;
            session_->count(id);
        }
        try {
            Args args(params, flags);
            gleaner::Variant answer;
            call(id, flags, args, answer);
            if (result) *result = answer.release();
            return S_OK;
        } catch (const Fault& fault) {
            if (info) {
                *info = EXCEPINFO{};
                info->bstrSource = ::SysAllocString(L"Microsoft Office Outlook");
                info->bstrDescription = ::SysAllocString(fault.message.c_str());
                info->scode = fault.code;
            }
            return DISP_E_EXCEPTION;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

protected:
    virtual bool has(int id) const = 0;
    virtual void call(int id, WORD flags, const Args& args, gleaner::Variant& result) = 0;
    // The control object's own members are not Outlook calls and are not counted.
    virtual bool counted() const { return true; }

    Session& session() const { return *session_; }
    Profile& profile() const { return *session_->profile; }
    IDispatch* application() { return application_ ? application_.get() : static_cast<IDispatch*>(this); }

    // Hands a new object to a result variant, which takes the one reference.
    static void Give(gleaner::Variant& result, Object* object)
    {
        VARIANT* raw = result.put();
        raw->vt = VT_DISPATCH;
        raw->pdispVal = object;
    }
    static void GiveNothing(gleaner::Variant& result)
    {
        VARIANT* raw = result.put();
        raw->vt = VT_DISPATCH;
        raw->pdispVal = nullptr;
    }

    std::shared_ptr<Session> session_;

private:
    std::atomic<long> refs_{1};
    gleaner::ComPtr<IDispatch> application_;
};

// Members per class, indexed by member id.
class MemberSet {
public:
    MemberSet(std::initializer_list<Member> members) { add(members); }
    MemberSet(const MemberSet& base, std::initializer_list<Member> members) : bits_(base.bits_) { add(members); }
    bool has(int id) const { return id < kKnownMembers && bits_[static_cast<size_t>(id)]; }

private:
    void add(std::initializer_list<Member> members)
    {
        for (Member m : members) bits_[m] = true;
    }
    std::vector<bool> bits_ = std::vector<bool>(kKnownMembers, false);
};

const MemberSet& ItemMembers(Kind kind)
{
    static const MemberSet common{M_Application, M_Session, M_Parent, M_Class, M_EntryID, M_MessageClass, M_Subject,
                                  M_Size, M_Attachments, M_Save, M_Move, M_Delete, M_Display, M_Close, M_Saved,
                                  M_Body, M_BillingInformation, M_Categories, M_Companies, M_ConversationIndex,
                                  M_ConversationTopic, M_CreationTime, M_Importance, M_LastModificationTime,
                                  M_Mileage, M_NoAging, M_Sensitivity, M_UnRead};
    static const MemberSet note{M_Application, M_Session, M_Parent, M_Class, M_EntryID, M_MessageClass, M_Subject,
                                M_Size, M_Save, M_Move, M_Delete, M_Display, M_Close, M_Saved, M_Body, M_Categories,
                                M_CreationTime, M_LastModificationTime};
    static const MemberSet mail{common, {M_SenderName, M_SenderEmailAddress, M_To, M_CC, M_BCC, M_ReceivedTime,
                                         M_SentOn, M_HTMLBody}};
    static const MemberSet meeting{common, {M_SenderName, M_SenderEmailAddress, M_ReceivedTime, M_SentOn}};
    static const MemberSet post{common, {M_SenderName, M_SenderEmailAddress, M_ReceivedTime, M_SentOn, M_HTMLBody}};
    static const MemberSet appointment{common, {M_Location, M_Start, M_End, M_Duration, M_AllDayEvent, M_Organizer,
                                                M_RequiredAttendees, M_OptionalAttendees, M_BusyStatus}};
    static const MemberSet contact{
        common,
        {M_Email1Address, M_Email1DisplayName, M_Email2Address, M_FullName, M_FirstName, M_LastName, M_MailingAddress,
         M_CompanyName, M_JobTitle, M_AssistantTelephoneNumber, M_BusinessTelephoneNumber, M_Business2TelephoneNumber,
         M_BusinessFaxNumber, M_CallbackTelephoneNumber, M_CarTelephoneNumber, M_CompanyMainTelephoneNumber,
         M_HomeTelephoneNumber, M_Home2TelephoneNumber, M_HomeFaxNumber, M_ISDNNumber, M_MobileTelephoneNumber,
         M_OtherTelephoneNumber, M_OtherFaxNumber, M_PagerNumber, M_PrimaryTelephoneNumber, M_RadioTelephoneNumber,
         M_TelexNumber, M_TTYTDDTelephoneNumber}};
    static const MemberSet journal{common, {M_Start, M_End, M_Duration, M_Type, M_ContactNames}};
    static const MemberSet task{common, {M_StartDate, M_DueDate, M_Owner, M_TotalWork, M_ActualWork, M_Complete,
                                         M_Status, M_PercentComplete, M_DateCompleted}};
    switch (kind) {
    case Kind::Mail: return mail;
    case Kind::Appointment: return appointment;
    case Kind::Contact: return contact;
    case Kind::Journal: return journal;
    case Kind::Note: return note;
    case Kind::Task: return task;
    case Kind::Meeting: return meeting;
    case Kind::Post: return post;
    default: return common;
    }
}

int ClassNumber(Kind kind)
{
    switch (kind) {
    case Kind::Mail: return 43;
    case Kind::Appointment: return 26;
    case Kind::Contact: return 40;
    case Kind::Journal: return 42;
    case Kind::Note: return 44;
    case Kind::Task: return 48;
    case Kind::Meeting: return 53;
    case Kind::Post: return 45;
    case Kind::DistList: return 69;
    default: return 46;
    }
}

bool IsGuarded(int id)
{
    switch (id) {
    case M_Body: case M_To: case M_CC: case M_BCC: case M_SenderName: case M_Email1Address: case M_Email1DisplayName:
    case M_SenderEmailAddress: case M_HTMLBody: return true;
    default: return false;
    }
}

void PutValue(gleaner::Variant& result, const Value& value)
{
    switch (value.type) {
    case Value::Text: result = gleaner::Variant(value.text); break;
    case Value::Int: result = gleaner::Variant(static_cast<long>(value.number)); break;
    case Value::Bool: result = gleaner::Variant(value.number != 0); break;
    case Value::Date: result = gleaner::Variant::Date(value.number); break;
    case Value::Double: result = gleaner::Variant(value.number); break;
    case Value::Null: result = gleaner::Variant::Null(); break;
    }
}

Value DefaultValue(int id)
{
    if (IsDateMember(id)) {
        // Outlook's "None" date for task dates; a fixed day for the rest, stable across runs.
        bool none = id == M_StartDate || id == M_DueDate || id == M_DateCompleted;
        return Value::OfDate(none ? 949998.0 : 39814.0);
    }
    if (IsIntMember(id)) return Value::OfInt(id == M_Importance ? 1 : 0);
    if (IsBoolMember(id)) return Value::OfBool(false);
    return Value::OfText(L"");
}

Value ValueFromVariant(int id, const gleaner::Variant& v)
{
    VARTYPE want = IsDateMember(id) ? VT_DATE : IsIntMember(id) ? VT_I4 : IsBoolMember(id) ? VT_BOOL : VT_BSTR;
    if (v.isNull()) return Value{Value::Null, {}, 0};
    gleaner::Variant converted;
    if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(&v.raw()), 0, want))) throw Fault{L"Type mismatch.", DISP_E_TYPEMISMATCH};
    const VARIANT& raw = converted.raw();
    switch (want) {
    case VT_DATE: return Value::OfDate(raw.date);
    case VT_I4: return Value::OfInt(raw.lVal);
    case VT_BOOL: return Value::OfBool(raw.boolVal != VARIANT_FALSE);
    default: return Value::OfText(raw.bstrVal ? std::wstring(raw.bstrVal, ::SysStringLen(raw.bstrVal)) : L"");
    }
}

class NameSpaceObject;
class FolderObject;

Object* NewNameSpace(const std::shared_ptr<Session>& s, IDispatch* app);
Object* NewFolder(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder);
Object* NewItem(const std::shared_ptr<Session>& s, IDispatch* app, std::shared_ptr<Item> item);

class AttachmentObject : public Object {
public:
    AttachmentObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item, int index)
        : Object(std::move(s), app), item_(std::move(item)), index_(index)
    {
    }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_DisplayName, M_FileName,
                                       M_Index, M_Size};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args&, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        if (static_cast<size_t>(index_) > item_->attachments.size()) throw Fault{kNotFound, kMapiNotFound};
        const std::wstring& name = item_->attachments[static_cast<size_t>(index_ - 1)];
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewItem(session_, application(), item_)); break;
        case M_Class: result = gleaner::Variant(5); break;
        case M_DisplayName:
        case M_FileName: result = gleaner::Variant(name); break;
        case M_Index: result = gleaner::Variant(index_); break;
        case M_Size: result = gleaner::Variant(1024); break;
        }
    }

private:
    std::shared_ptr<Item> item_;
    int index_;
};

class AttachmentsObject : public Object {
public:
    AttachmentsObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item)
        : Object(std::move(s), app), item_(std::move(item))
    {
    }

protected:
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Count, M_Item};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        if (IsPut(flags)) ReadOnly();
        CheckFault(item_->fail, L"Attachments." + MemberName(id));
        int count = static_cast<int>(item_->attachments.size());
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); break;
        case M_Session: Give(result, NewNameSpace(session_, application())); break;
        case M_Parent: Give(result, NewItem(session_, application(), item_)); break;
        case M_Class: result = gleaner::Variant(18); break;
        case M_Count: result = gleaner::Variant(count); break;
        case M_Item: {
            int i = args.integer(0);
            if (i < 1 || i > count) throw Fault{kOutOfBounds, DISP_E_BADINDEX};
            Give(result, new AttachmentObject(session_, application(), item_, i));
            break;
        }
        }
    }

private:
    std::shared_ptr<Item> item_;
};

Folder* FolderTarget(IDispatch* object);

Folder* FolderOf(const gleaner::Variant& value)
{
    const VARIANT& raw = value.raw();
    IUnknown* unknown = raw.vt == VT_DISPATCH ? raw.pdispVal : raw.vt == VT_UNKNOWN ? raw.punkVal : nullptr;
    if (!unknown) return nullptr;
    gleaner::ComPtr<IDispatch> mine;
    if (FAILED(unknown->QueryInterface(IID_StandInObject, mine.putVoid())) || !mine) return nullptr;
    return FolderTarget(mine.get());
}

class ItemObject : public Object {
public:
    ItemObject(std::shared_ptr<Session> s, IDispatch* app, std::shared_ptr<Item> item)
        : Object(std::move(s), app), item_(std::move(item)), kind_(KindOfClass(item_->messageClass)),
          members_(&ItemMembers(kind_))
    {
    }

protected:
    bool has(int id) const override
    {
        if (members_->has(id)) return true;
        if (item_->find(id)) return true;
        for (auto& [key, value] : pending_) {
            if (key == id) return true;
        }
        return false;
    }

    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        const std::wstring& name = MemberName(id);
        if (item_->deleted) throw Fault{kNotFound, kMapiNotFound};
        CheckFault(item_->fail, name);
        switch (id) {
        case M_Application: result = gleaner::Variant(application()); return;
        case M_Session: Give(result, NewNameSpace(session_, application())); return;
        case M_Parent: Give(result, NewFolder(session_, application(), item_->parent)); return;
        case M_Class: result = gleaner::Variant(ClassNumber(kind_)); return;
        case M_EntryID:
            if (IsPut(flags)) ReadOnly();
            result = gleaner::Variant(item_->entryId);
            return;
        case M_Size:
            if (IsPut(flags)) ReadOnly();
            result = gleaner::Variant(static_cast<long>(item_->size()));
            return;
        case M_Attachments: Give(result, new AttachmentsObject(session_, application(), item_)); return;
        case M_Saved: result = gleaner::Variant(pending_.empty()); return;
        case M_Close: return;
        case M_Save:
            if (!pending_.empty()) profile().setValues(*item_, pending_);
            pending_.clear();
            return;
        case M_Move: {
            Folder* destination = args.size() > 0 ? FolderOf(args.at(0)) : nullptr;
            if (!destination) throw Fault{kBadParameter, E_INVALIDARG};
            profile().move(*item_, *destination);
            Give(result, NewItem(session_, application(), item_));
            return;
        }
        case M_Delete: profile().remove(*item_); return;
        case M_Display: {
            bool modal = args.present(0) && args.boolean(0);
            const Value* subject = item_->find(M_Subject);
            session().displayLog.push_back(item_->entryId + L"\t" + (subject ? subject->text : L"") + L"\t" +
                                           (modal ? L"True" : L"False"));
            return;
        }
        case M_MessageClass:
            if (!IsPut(flags)) {
                const Value* pending = findPending(id);
                result = gleaner::Variant(pending ? pending->text : item_->messageClass);
                return;
            }
            break;
        }
        if (IsPut(flags)) {
            Value value = ValueFromVariant(id, args.value());
            for (auto& [key, existing] : pending_) {
                if (key == id) {
                    existing = std::move(value);
                    return;
                }
            }
            pending_.emplace_back(id, std::move(value));
            return;
        }
        if (IsGuarded(id) && session().guard) ++session().prompts;
        if (const Value* pending = findPending(id)) PutValue(result, *pending);
        else if (const Value* stored = item_->find(id)) PutValue(result, *stored);
        else PutValue(result, DefaultValue(id));
    }

private:
    const Value* findPending(int id) const
    {
        for (auto& [key, value] : pending_) {
            if (key == id) return &value;
        }
        return nullptr;
    }

    std::shared_ptr<Item> item_;
    Kind kind_;
    const MemberSet* members_;
    // Property writes wait for Save, as in Outlook.
    std::vector<std::pair<int, Value>> pending_;
};

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

Folder* FolderTarget(IDispatch* object)
{
    auto* folder = dynamic_cast<FolderObject*>(static_cast<Object*>(object));
    return folder ? folder->folder() : nullptr;
}

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

int DefaultFolderRole(int kind, std::wstring& role)
{
    switch (kind) {
    case 3: role = L"deletedItems"; break;
    case 4: role = L"outbox"; break;
    case 5: role = L"sentMail"; break;
    case 6: role = L"inbox"; break;
    case 9: role = L"calendar"; break;
    case 10: role = L"contacts"; break;
    case 11: role = L"journal"; break;
    case 12: role = L"notes"; break;
    case 13: role = L"tasks"; break;
    case 16: role = L"drafts"; break;
    default: return 0;
    }
    return 1;
}

class NameSpaceObject : public Object {
public:
    NameSpaceObject(std::shared_ptr<Session> s, IDispatch* app) : Object(std::move(s), app) {}

protected:
    // No Name: reading it fails, as Outlook's NameSpace does.
    bool has(int id) const override
    {
        static const MemberSet members{M_Application, M_Session, M_Parent, M_Class, M_Type, M_Logon, M_Logoff,
                                       M_Folders, M_GetFolderFromID, M_GetItemFromID, M_GetDefaultFolder, M_PickFolder};
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
        case M_Folders: Give(result, new FoldersObject(session_, application(), nullptr)); break;
        case M_GetFolderFromID: {
            std::wstring entryId = args.text(0);
            const Store* store = StoreArgument(args, profile());
            Folder* folder = profile().findFolder(entryId);
            if (!folder || (store && folder->store != store)) throw Fault{kNotFound, kMapiNotFound};
            CheckFault(folder->fail, L"open");
            Give(result, NewFolder(session_, application(), folder));
            break;
        }
        case M_GetItemFromID: {
            std::wstring entryId = args.text(0);
            const Store* store = StoreArgument(args, profile());
            std::shared_ptr<Item> item = profile().findItem(entryId);
            if (!item || (store && item->parent->store != store)) throw Fault{kNotFound, kMapiNotFound};
            CheckFault(item->fail, L"open");
            Give(result, NewItem(session_, application(), std::move(item)));
            break;
        }
        case M_GetDefaultFolder: {
            std::wstring role;
            Folder* folder = DefaultFolderRole(args.integer(0), role) ? profile().folderByRole(role) : nullptr;
            if (!folder) throw Fault{L"The default folder could not be found.", kMapiNotFound};
            Give(result, NewFolder(session_, application(), folder));
            break;
        }
        case M_PickFolder:
            if (session().pickAnswer) Give(result, NewFolder(session_, application(), session().pickAnswer));
            else GiveNothing(result);
            break;
        }
    }
};

class AddInObject : public Object {
public:
    AddInObject(std::shared_ptr<Session> s, IDispatch* app, size_t index) : Object(std::move(s), app), index_(index) {}

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

protected:
    bool counted() const override { return false; }
    bool has(int id) const override
    {
        static const MemberSet members{M_CallCount, M_ResetCounts, M_PickFolderAnswer, M_DisplayLog, M_DisplayCount,
                                       M_SecurityPrompts, M_SecurityGuard, M_ProfilePath, M_DisconnectAfter};
        return members.has(id);
    }
    void call(int id, WORD flags, const Args& args, gleaner::Variant& result) override
    {
        Session& s = session();
        switch (id) {
        case M_CallCount: {
            int member = FindMember(args.text(0));
            unsigned long long n = member >= 0 && static_cast<size_t>(member) < s.counts.size()
                                       ? s.counts[static_cast<size_t>(member)]
                                       : 0;
            result = gleaner::Variant(static_cast<long>(n));
            break;
        }
        case M_ResetCounts: s.counts.assign(s.counts.size(), 0); break;
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
        }
    }
};

class ApplicationObject : public Object {
public:
    explicit ApplicationObject(std::shared_ptr<Session> s) : Object(std::move(s), nullptr) {}

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

Object* NewNameSpace(const std::shared_ptr<Session>& s, IDispatch* app) { return new NameSpaceObject(s, app); }
Object* NewFolder(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder)
{
    return new FolderObject(s, app, folder);
}
Object* NewItem(const std::shared_ptr<Session>& s, IDispatch* app, std::shared_ptr<Item> item)
{
    return new ItemObject(s, app, std::move(item));
}

} // namespace

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

bool NoObjectsAlive() { return g_objects.load() == 0; }

} // namespace standin
