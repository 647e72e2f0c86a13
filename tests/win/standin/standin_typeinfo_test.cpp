// The stand-in's type information, as a client reads it: each class its own interface under
// Outlook's name and GUID, DISPIDs that agree with it (and differ between classes where
// Outlook's do), and every round trip counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Members.h"
#include "platform/Bstr.h"
#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInControl;
using gleaner::test::StandInProfile;

namespace {

// One folder of every item class, each item with nothing but its class, so that what an item
// serves is exactly its class's members.
const char kEveryClass[] = R"({
  "version": "14.0.0.7015",
  "addins": [ { "description": "A", "progId": "A.Addin", "guid": "{11111111-2222-3333-4444-555555555555}", "connect": true } ],
  "stores": [ { "name": "Personal Folders", "folders": [
    { "name": "Mixed", "defaultItemType": 0, "items": [
      { "messageClass": "IPM.Note", "attachments": ["a.txt"] },
      { "messageClass": "IPM.Appointment" }, { "messageClass": "IPM.Contact" }, { "messageClass": "IPM.Activity" },
      { "messageClass": "IPM.StickyNote" }, { "messageClass": "IPM.Task" },
      { "messageClass": "IPM.Schedule.Meeting.Request" }, { "messageClass": "IPM.Post" },
      { "messageClass": "IPM.DistList" }, { "messageClass": "REPORT.IPM.Note.NDR" } ] },
    { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems", "items": [] } ] } ] })";

const wchar_t* const kMemberNames[] = {
#define STANDIN_NAME(name) L## #name,
    STANDIN_MEMBERS(STANDIN_NAME)
#undef STANDIN_NAME
};

bool IsStandInMember(const std::wstring& name)
{
    for (const wchar_t* known : kMemberNames) {
        if (::lstrcmpiW(known, name.c_str()) == 0) return true;
    }
    return false;
}

HRESULT LookUp(IDispatch* object, const std::wstring& name, DISPID& id)
{
    std::wstring text = name;
    LPOLESTR names[] = {text.data()};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT Read(IDispatch* object, DISPID id, Variant& value)
{
    DISPPARAMS none{};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(), nullptr,
                          nullptr);
}

ComPtr<ITypeInfo> TypeInfoOf(const Dispatch& object)
{
    ComPtr<ITypeInfo> info;
    CheckHr(object.get()->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
    return info;
}

GUID GuidOf(ITypeInfo* info)
{
    TYPEATTR* attr = nullptr;
    CheckHr(info->GetTypeAttr(&attr));
    GUID guid = attr->guid;
    info->ReleaseTypeAttr(attr);
    return guid;
}

std::wstring NameOf(ITypeInfo* info)
{
    Bstr name;
    CheckHr(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr));
    return name.str();
}

// A member as the type information declares it.
struct Declared {
    MEMBERID id = DISPID_UNKNOWN;
    bool readable = false;    // a propget without arguments
    VARTYPE type = VT_EMPTY;  // what that propget returns; VT_VARIANT for anything
};

std::map<std::wstring, Declared> DeclaredMembers(ITypeInfo* info)
{
    std::map<std::wstring, Declared> members;
    TYPEATTR* attr = nullptr;
    CheckHr(info->GetTypeAttr(&attr));
    const WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        CheckHr(info->GetFuncDesc(i, &desc));
        Bstr name;
        UINT names = 0;
        if (!(desc->wFuncFlags & FUNCFLAG_FRESTRICTED) &&
            SUCCEEDED(info->GetNames(desc->memid, name.put(), 1, &names)) && names == 1) {
            Declared& d = members[name.str()];
            d.id = desc->memid;
            if (desc->invkind == INVOKE_PROPERTYGET && desc->cParams == 0) {
                VARTYPE vt = desc->elemdescFunc.tdesc.vt;
                d.readable = true;
                d.type = vt == VT_PTR ? static_cast<VARTYPE>(VT_DISPATCH) : vt;
            }
        }
        info->ReleaseFuncDesc(desc);
    }
    return members;
}

class TypeInfoTest : public ::testing::Test {
protected:
    ComInit com;
    StandInProfile profile{kEveryClass};
    Dispatch app = CreateOutlook();
    Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
    Dispatch folder = ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
    Dispatch items = folder.getObject(L"Items");

    struct Reach {
        std::wstring interfaceName;
        std::function<Dispatch()> object;
        std::wstring through; // the member it is reached by, when that may be still to come
    };
    std::vector<Reach> EveryClass()
    {
        auto item = [this](int i) { return [this, i] { return items.callObject(L"Item", i); }; };
        return {
            {L"_Application", [this] { return app; }, L""},
            {L"_NameSpace", [this] { return ns; }, L""},
            {L"_Folders", [this] { return ns.getObject(L"Folders"); }, L""},
            {L"MAPIFolder", [this] { return folder; }, L""},
            {L"_Items", [this] { return items; }, L""},
            {L"_MailItem", item(1), L""},
            {L"_AppointmentItem", item(2), L""},
            {L"_ContactItem", item(3), L""},
            {L"_JournalItem", item(4), L""},
            {L"_NoteItem", item(5), L""},
            {L"_TaskItem", item(6), L""},
            {L"_MeetingItem", item(7), L""},
            {L"_PostItem", item(8), L""},
            {L"_DistListItem", item(9), L""},
            {L"_ReportItem", item(10), L""},
            {L"Attachments", [this] { return items.callObject(L"Item", 1).getObject(L"Attachments"); }, L""},
            {L"Attachment",
             [this] { return items.callObject(L"Item", 1).getObject(L"Attachments").callObject(L"Item", 1); }, L""},
            {L"COMAddIns", [this] { return app.getObject(L"COMAddIns"); }, L""},
            {L"COMAddIn", [this] { return app.getObject(L"COMAddIns").callObject(L"Item", 1); }, L""},
            {L"_StandIn", [this] { return StandInControl(app); }, L""},
            {L"_Store", [this] { return ns.getObject(L"DefaultStore"); }, L"DefaultStore"},
            {L"_Stores", [this] { return ns.getObject(L"Stores"); }, L"Stores"},
        };
    }
};

TEST_F(TypeInfoTest, EveryClassHasItsOwnInterfaceUnderOutlooksName)
{
    std::map<std::wstring, std::wstring> guids; // GUID -> interface
    for (const Reach& reach : EveryClass()) {
        SCOPED_TRACE(reach.interfaceName);
        // A class reached through a member no object serves yet is declared ahead of it.
        if (!reach.through.empty() && !IsStandInMember(reach.through)) continue;
        Dispatch object = reach.object();
        UINT count = 0;
        ASSERT_EQ(object.get()->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        ComPtr<ITypeInfo> info = TypeInfoOf(object);
        EXPECT_EQ(NameOf(info.get()), reach.interfaceName);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        const GUID guid = attr->guid;
        info->ReleaseTypeAttr(attr);
        EXPECT_FALSE(IsEqualGUID(guid, GUID_NULL));
        EXPECT_FALSE(IsEqualGUID(guid, IID_IDispatch));
        wchar_t text[40] = {};
        ::StringFromGUID2(guid, text, 40);
        EXPECT_TRUE(guids.emplace(text, reach.interfaceName).second) << "shared with " << guids[text].c_str();
        ComPtr<ITypeInfo> none;
        EXPECT_EQ(object.get()->GetTypeInfo(1, LOCALE_USER_DEFAULT, none.put()), DISP_E_BADINDEX);
    }
    // Outlook's own GUIDs, as clients that know them expect.
    EXPECT_EQ(guids[L"{00063034-0000-0000-C000-000000000046}"], L"_MailItem");
    EXPECT_EQ(guids[L"{00063025-0000-0000-C000-000000000046}"], L"_NoteItem");
    EXPECT_EQ(guids[L"{00063006-0000-0000-C000-000000000046}"], L"MAPIFolder");
}

// The C++ member sets of the classes and the IDL's interfaces agree both ways, with the same
// DISPIDs and the same value types, so that neither can grow without the other.
TEST_F(TypeInfoTest, WhatEachObjectServesIsWhatItsTypeInformationDeclares)
{
    for (const Reach& reach : EveryClass()) {
        SCOPED_TRACE(reach.interfaceName);
        if (!reach.through.empty() && !IsStandInMember(reach.through)) continue;
        Dispatch object = reach.object();
        ComPtr<ITypeInfo> info = TypeInfoOf(object);
        const std::map<std::wstring, Declared> declared = DeclaredMembers(info.get());
        EXPECT_FALSE(declared.empty());
        for (const auto& [name, d] : declared) {
            // Declared for a member no class serves yet: nothing answers the name.
            if (!IsStandInMember(name)) continue;
            DISPID id = DISPID_UNKNOWN;
            EXPECT_EQ(LookUp(object.get(), name, id), S_OK) << "declared, not served: " << name.c_str();
            EXPECT_EQ(id, d.id) << name.c_str();
            MEMBERID fromTypeInfo = DISPID_UNKNOWN;
            std::wstring text = name;
            LPOLESTR names[] = {text.data()};
            EXPECT_EQ(info->GetIDsOfNames(names, 1, &fromTypeInfo), S_OK);
            EXPECT_EQ(fromTypeInfo, d.id) << name.c_str();
            if (!d.readable || d.type == VT_VARIANT) continue;
            Variant value;
            EXPECT_EQ(Read(object.get(), d.id, value), S_OK) << name.c_str();
            EXPECT_EQ(value.vt(), d.type) << name.c_str();
        }
        for (const wchar_t* name : kMemberNames) {
            DISPID id = DISPID_UNKNOWN;
            if (FAILED(LookUp(object.get(), name, id))) continue;
            bool found = false;
            for (const auto& [declaredName, d] : declared) found = found || ::lstrcmpiW(declaredName.c_str(), name) == 0;
            EXPECT_TRUE(found) << "served, not declared: " << name;
        }
    }
}

// DISPIDs belong to a class: the same name may have another DISPID in another class, and a
// DISPID a class does not have is not a member of it.
TEST_F(TypeInfoTest, DispIdsAreTheClasssOwn)
{
    Dispatch mail = items.callObject(L"Item", 1);
    Dispatch note = items.callObject(L"Item", 5);
    Dispatch attachment = mail.getObject(L"Attachments").callObject(L"Item", 1);
    struct Case {
        const Dispatch* object;
        const wchar_t* name;
        DISPID id; // Outlook's
    };
    const Case cases[] = {
        {&mail, L"Subject", 55}, {&note, L"Subject", 63392}, {&mail, L"Parent", 61441}, {&attachment, L"Parent", 113},
        {&mail, L"EntryID", 61470}, {&note, L"EntryID", 61470}, {&folder, L"Items", 12544},
    };
    for (const Case& c : cases) {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(LookUp(c.object->get(), c.name, id), S_OK) << c.name;
        EXPECT_EQ(id, c.id) << c.name;
    }
    Variant value;
    EXPECT_EQ(Read(note.get(), 55, value), DISP_E_MEMBERNOTFOUND);      // a mail's Subject
    EXPECT_EQ(Read(mail.get(), 63392, value), DISP_E_MEMBERNOTFOUND);   // a note's Subject
    EXPECT_EQ(Read(attachment.get(), 61441, value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Read(mail.get(), 0x10000 + 1, value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Read(mail.get(), 12345678, value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Read(note.get(), 63392, value), S_OK);
}

TEST(StandInTypeInfo, PropertiesOutsideTheClassKeepWorkingUnderDispIdsOfTheirOwn)
{
    ComInit com;
    StandInProfile profile(R"({ "stores": [ { "name": "S", "folders": [ { "name": "F", "items": [
        { "messageClass": "IPM.Note", "Subject": "a", "Location": "Room 7", "Custom": 42 },
        { "messageClass": "IPM.Note", "Subject": "b" } ] } ] } ] })");
    Dispatch app = CreateOutlook();
    Dispatch items = app.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders").callObject(L"Item", 1)
                         .getObject(L"Folders").callObject(L"Item", 1).getObject(L"Items");
    Dispatch with = items.callObject(L"Item", 1);
    Dispatch without = items.callObject(L"Item", 2);
    ComPtr<ITypeInfo> info = TypeInfoOf(with);
    const auto declared = DeclaredMembers(info.get());
    DISPID highest = 0;
    for (const auto& [name, d] : declared) highest = std::max(highest, d.id);
    for (const wchar_t* name : {L"Location", L"custom"}) {
        SCOPED_TRACE(name);
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(LookUp(with.get(), name, id), S_OK);
        EXPECT_GT(id, highest);
        Variant value;
        EXPECT_EQ(Read(with.get(), id, value), S_OK);
        EXPECT_FALSE(value.isEmpty());
        // The other mail has no such property: the name is unknown to it, the DISPID too.
        DISPID other = DISPID_UNKNOWN;
        EXPECT_EQ(LookUp(without.get(), name, other), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(Read(without.get(), id, value), DISP_E_MEMBERNOTFOUND);
    }
    EXPECT_EQ(with.get(L"Location").toText(), L"Room 7");
    EXPECT_EQ(with.get(L"Custom").toInt(), 42);
}

// What the type information declares read-only cannot be set, as in Outlook.
TEST_F(TypeInfoTest, ReadOnlyPropertiesCannotBeSet)
{
    Dispatch mail = items.callObject(L"Item", 1);
    Dispatch note = items.callObject(L"Item", 5);
    const std::pair<const Dispatch*, const wchar_t*> readOnly[] = {
        {&note, L"Subject"}, {&mail, L"EntryID"}, {&mail, L"CreationTime"}, {&mail, L"SenderName"}, {&folder, L"Items"}};
    for (const auto& [object, name] : readOnly) EXPECT_THROW(object->put(name, Variant(L"x")), ComError) << name;
    mail.put(L"Subject", L"set");
    note.put(L"Body", L"set");
    EXPECT_EQ(mail.get(L"Subject").toText(), L"set");
    EXPECT_EQ(note.get(L"Body").toText(), L"set");
}

// A client that keeps one DISPID per name, whatever the class, goes wrong in a folder of mixed
// classes (the demo's "Follow-up": mails beside notes, posts and a meeting request); one that
// keeps them per type (the GUID of GetTypeInfo's TYPEATTR) reads every item right.
TEST(StandInTypeInfo, DispIdsCachedByNameOnlyFailInTheDemosMixedFolder)
{
    ComInit com;
    StandInProfile profile = StandInProfile::CopyOf(gleaner::test::SourcePath(L"standins/profiles/demo.json"));
    Dispatch app = CreateOutlook();
    Dispatch personal = app.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders").callObject(L"Item", 1);
    Dispatch items = personal.getObject(L"Folders").callObject(L"Item", L"Follow-up").getObject(L"Items");
    const int count = items.get(L"Count").toInt();
    ASSERT_GT(count, 4);

    std::set<std::wstring> classes;
    std::map<std::wstring, DISPID> byName;
    std::map<std::wstring, DISPID> byType; // GUID text -> Subject's DISPID
    int wrongByName = 0, notesOrNot = 0;
    bool firstIsNote = false;
    for (int i = 1; i <= count; ++i) {
        Dispatch item = items.callObject(L"Item", i);
        const std::wstring cls = item.get(L"MessageClass").toText();
        const bool isNote = cls == L"IPM.StickyNote";
        classes.insert(cls);
        DISPID fresh = DISPID_UNKNOWN;
        ASSERT_EQ(LookUp(item.get(), L"Subject", fresh), S_OK);
        Variant truth;
        ASSERT_EQ(Read(item.get(), fresh, truth), S_OK);

        if (byName.empty()) {
            byName[L"Subject"] = fresh;
            firstIsNote = isNote;
        }
        Variant cached;
        HRESULT hr = Read(item.get(), byName[L"Subject"], cached);
        if (isNote != firstIsNote) {
            ++notesOrNot;
            EXPECT_EQ(hr, DISP_E_MEMBERNOTFOUND) << i << " " << cls.c_str();
            wrongByName += FAILED(hr) ? 1 : 0;
        } else {
            EXPECT_EQ(hr, S_OK) << i;
            EXPECT_EQ(cached.toText(), truth.toText()) << i;
        }

        wchar_t guid[40] = {};
        ::StringFromGUID2(GuidOf(TypeInfoOf(item).get()), guid, 40);
        auto slot = byType.emplace(guid, fresh).first;
        Variant perType;
        ASSERT_EQ(Read(item.get(), slot->second, perType), S_OK) << i;
        EXPECT_EQ(perType.toText(), truth.toText()) << i;
    }
    EXPECT_TRUE(classes.count(L"IPM.Note") && classes.count(L"IPM.StickyNote") && classes.count(L"IPM.Post"));
    EXPECT_GT(notesOrNot, 0);
    EXPECT_EQ(wrongByName, notesOrNot);
    EXPECT_GE(byType.size(), 3u);
}

// The counters for a known sequence: one GetIDsOfNames, two Invokes, GetTypeInfoCount,
// GetTypeInfo, GetTypeAttr and ReleaseTypeAttr on what it gave, and the final releases of that
// type information and of the item.
TEST_F(TypeInfoTest, RoundTripsCountEveryCallOfAKnownSequence)
{
    Dispatch control = StandInControl(app);
    Dispatch mail = items.callObject(L"Item", 1);
    IDispatch* raw = mail.get();
    control.call(L"ResetCounts");

    DISPID subject = DISPID_UNKNOWN;
    ASSERT_EQ(LookUp(raw, L"Subject", subject), S_OK);
    Variant value;
    ASSERT_EQ(Read(raw, subject, value), S_OK);
    ASSERT_EQ(Read(raw, subject, value), S_OK);
    UINT count = 0;
    ASSERT_EQ(raw->GetTypeInfoCount(&count), S_OK);
    {
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(raw->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
        GuidOf(info.get());
    }
    mail.reset();

    auto trips = [&](const wchar_t* kind, const wchar_t* member = nullptr) {
        return member ? control.call(L"RoundTrips", kind, member).toInt() : control.call(L"RoundTrips", kind).toInt();
    };
    const struct {
        const wchar_t* kind;
        const wchar_t* member;
        long expected;
    } cases[] = {
        {L"GetIDsOfNames", nullptr, 1}, {L"GetIDsOfNames", L"subject", 1}, {L"GetIDsOfNames", L"Body", 0},
        {L"Invoke", nullptr, 2},        {L"Invoke", L"Subject", 2},         {L"GetTypeInfoCount", nullptr, 1},
        {L"GetTypeInfoCount", L"_MailItem", 1}, {L"GetTypeInfoCount", L"_NoteItem", 0},
        {L"GetTypeInfo", nullptr, 1},   {L"GetTypeInfo", L"_MailItem", 1},  {L"TypeInfo", nullptr, 3},
        {L"TypeInfo", L"GetTypeAttr", 1}, {L"TypeInfo", L"ReleaseTypeAttr", 1}, {L"TypeInfo", L"Release", 1},
        {L"TypeInfo", L"GetFuncDesc", 0}, {L"Release", nullptr, 1},       {L"Release", L"_MailItem", 1},
        {L"Release", L"MAPIFolder", 0}, {L"Total", nullptr, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trips(c.kind, c.member), c.expected) << c.kind << " " << (c.member ? c.member : L"");
    }
    EXPECT_EQ(gleaner::test::CallCount(app, L"Subject"), 2);
    // The control object's own calls are not counted.
    EXPECT_EQ(trips(L"Total"), 9);
    for (const auto& bad : {std::make_pair(L"Calls", L""), std::make_pair(L"Release", L"_NoSuchItem"),
                            std::make_pair(L"TypeInfo", L"Frobnicate"), std::make_pair(L"Total", L"Subject")}) {
        EXPECT_THROW(bad.second[0] ? trips(bad.first, bad.second) : trips(bad.first), ComError) << bad.first;
    }
    control.call(L"ResetCounts");
    EXPECT_EQ(trips(L"Total"), 0);
    EXPECT_EQ(gleaner::test::CallCount(app, L"Subject"), 0);
}

// StandIn.TypeInfo false: objects answer as an IDispatch without type information, under the
// same DISPIDs (for comparing a client with and without it).
TEST_F(TypeInfoTest, TypeInformationCanBeSwitchedOff)
{
    Dispatch control = StandInControl(app);
    Dispatch note = items.callObject(L"Item", 5);
    control.put(L"TypeInfo", false);
    UINT count = 1;
    EXPECT_EQ(note.get()->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(note.get()->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), DISP_E_BADINDEX);
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(LookUp(note.get(), L"Subject", id), S_OK);
    EXPECT_EQ(id, 63392);
    control.put(L"TypeInfo", true);
    EXPECT_EQ(note.get()->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
}

} // namespace
