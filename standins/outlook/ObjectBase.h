#pragma once
// What every object of the stand-in shares: the session (one Outlook instance and the test
// state beside it), the arguments of an Invoke, and the automation base class.
#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ClassId.h"
#include "Members.h"
#include "Model.h"
#include "RoundTripCounter.h"
#include "TypeLibrary.h"
#include "platform/ComPtr.h"
#include "platform/Variant.h"

namespace standin {

// Lets the server recognise its own objects.
extern const IID IID_StandInObject;

inline constexpr wchar_t kNotFound[] = L"The operation failed. An object could not be found.";
inline constexpr wchar_t kOutOfBounds[] = L"Array index out of bounds.";
inline constexpr wchar_t kBadParameter[] = L"Could not complete the operation. One or more parameter values are not valid.";
inline constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);

// What one Outlook instance holds for its clients: the profile, and the state the tests
// read and set through the control object.
struct Session {
    std::unique_ptr<Profile> profile = std::make_unique<Profile>();
    std::wstring loadError;
    RoundTripCounter trips;
    // False: objects answer as an IDispatch without type information (GetTypeInfoCount 0).
    bool typeInfo = true;
    bool guard = true;
    long long prompts = 0;
    Folder* pickAnswer = nullptr;
    std::vector<std::wstring> displayLog;
    // Calls still answered before Outlook "goes away"; negative: never.
    long long disconnectAfter = -1;
    // Busy and guard, from the profile at load, changed by the control object.
    Answers answers;

    // True from the moment Outlook is gone: every call then fails as a dead server's would.
    bool gone() const { return disconnectAfter == 0; }
    // What a call or name look-up fails with before it reaches the object, as it reaches a
    // client: a dead server, or a busy one rejecting it; S_OK when it goes through.
    HRESULT refusal()
    {
        if (gone()) return RPC_E_DISCONNECTED;
        if (answers.rejectCalls > 0) {
            --answers.rejectCalls;
            return answers.rejectCode;
        }
        return S_OK;
    }
    void count(int id)
    {
        trips.invoke(id);
        if (disconnectAfter > 0) --disconnectAfter;
    }
};

// The session of the Outlook instance alive in this process, else a new one with the profile loaded.
std::shared_ptr<Session> AcquireSession();

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

inline bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

[[noreturn]] void ReadOnly();
void CheckFault(const FailMap& fail, std::wstring_view name);

// Keeps the server loaded (DllCanUnloadNow) while an object it handed out is alive.
class LiveObject {
public:
    LiveObject();
    ~LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

// The automation base: reference counting, a member table per class, type information and
// DISPIDs from the class's interface in the type library, round trips counted, and Invoke that
// turns a Fault into DISP_E_EXCEPTION with the message in EXCEPINFO.
class Object : public IDispatch {
public:
    Object(std::shared_ptr<Session> session, IDispatch* application);
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override;

    // The class whose interface describes this object.
    virtual ClassId classId() const = 0;

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
    const TypeLibrary::Interface& type() const;
    bool hasTypeInfo() const;

    LiveObject alive_;
    std::atomic<long> refs_{1};
    gleaner::ComPtr<IDispatch> application_;
    mutable const TypeLibrary::Interface* type_ = nullptr;
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

void PutValue(gleaner::Variant& result, const Value& value);
// What a member the item has no value for reads as.
Value DefaultValue(int id);
Value ValueFromVariant(int id, const gleaner::Variant& v);

// Factories shared between the object files; each returns a new object with one reference.
Object* NewNameSpace(const std::shared_ptr<Session>& s, IDispatch* app);
Object* NewFolder(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder);
// `owner` null: the NameSpace's collection of top-level folders.
Object* NewFolders(const std::shared_ptr<Session>& s, IDispatch* app, Folder* owner);
Object* NewItems(const std::shared_ptr<Session>& s, IDispatch* app, Folder* folder);
Object* NewItem(const std::shared_ptr<Session>& s, IDispatch* app, std::shared_ptr<Item> item);
Object* NewStore(const std::shared_ptr<Session>& s, IDispatch* app, Store* store);
Object* NewStores(const std::shared_ptr<Session>& s, IDispatch* app);
// The stand-in folder a variant holds, or null when it holds no folder of this server.
Folder* FolderOf(const gleaner::Variant& value);

} // namespace standin
