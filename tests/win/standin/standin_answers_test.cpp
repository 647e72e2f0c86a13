// A busy Outlook that rejects calls, and the object-model guard whose prompt is answered "No":
// the failures reach the caller as they would from Outlook.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::CallCount;
using gleaner::test::CreateOutlook;
using gleaner::test::StandInControl;
using gleaner::test::StandInProfile;

namespace {

std::string OneFolder(const std::string& topKeys, const std::string& items)
{
    return "{ " + topKeys + R"( "stores": [ { "name": "S", "folders": [ { "name": "F", "items": [ )" + items +
           " ] } ] } ] }";
}

Dispatch FirstFolder(const Dispatch& app)
{
    return app.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders").callObject(L"Item", 1)
        .getObject(L"Folders").callObject(L"Item", 1);
}

// One name look-up and one property read through the raw IDispatch, as they reach a client.
HRESULT LookUp(IDispatch* object, const wchar_t* name, DISPID& id)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
}
HRESULT Read(IDispatch* object, DISPID id)
{
    DISPPARAMS none{};
    Variant result;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr, nullptr);
}

TEST(StandInAnswers, ABusyOutlookRejectsASetNumberOfCalls)
{
    ComInit com;
    struct Case {
        const char* keys;
        HRESULT code;
    };
    const Case cases[] = {
        {R"("rejectCalls": 3,)", RPC_E_CALL_REJECTED},
        {R"("rejectCalls": 3, "rejectCode": "RPC_E_SERVERCALL_RETRYLATER",)", RPC_E_SERVERCALL_RETRYLATER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        StandInProfile profile(OneFolder(c.keys, R"({ "Subject": "s" })"));
        Dispatch app = CreateOutlook();
        Dispatch control = StandInControl(app); // the control object is never rejected
        EXPECT_EQ(control.get(L"RejectCalls").toInt(), 3);
        IDispatch* raw = app.get();
        DISPID version = DISPID_UNKNOWN;
        EXPECT_EQ(LookUp(raw, L"Version", version), c.code);
        EXPECT_EQ(LookUp(raw, L"Version", version), c.code);
        control.call(L"ResetCounts");
        EXPECT_EQ(LookUp(raw, L"Version", version), c.code);
        EXPECT_EQ(control.get(L"RejectCalls").toInt(), 0);
        ASSERT_EQ(LookUp(raw, L"Version", version), S_OK);
        EXPECT_EQ(Read(raw, version), S_OK);
        // Switched on again while running, Invoke is rejected the same way; a rejected call
        // never reached Outlook, so it is not counted.
        control.put(L"RejectCalls", 1);
        EXPECT_EQ(Read(raw, version), c.code);
        EXPECT_EQ(Read(raw, version), S_OK);
        EXPECT_EQ(CallCount(app, L"Version"), 2);
        control.put(L"RejectCode", static_cast<long>(RPC_E_SERVERCALL_RETRYLATER));
        control.put(L"RejectCalls", 1);
        EXPECT_EQ(Read(raw, version), RPC_E_SERVERCALL_RETRYLATER);
        EXPECT_EQ(app.get(L"Version").toText(), L"12.0.0.6423");
    }
}

// Each class's protected members, from Microsoft's "Protected Properties and Methods", and a
// few that are not protected.
struct Member {
    const char* messageClass;
    const wchar_t* name;
    bool guarded;
};
const Member kMembers[] = {
    {"IPM.Note", L"Body", true},           {"IPM.Note", L"To", true},
    {"IPM.Note", L"CC", true},             {"IPM.Note", L"BCC", true},
    {"IPM.Note", L"SenderName", true},     {"IPM.Note", L"SenderEmailAddress", true},
    {"IPM.Note", L"HTMLBody", true},       {"IPM.Note", L"Subject", false},
    {"IPM.Appointment", L"Organizer", true}, {"IPM.Appointment", L"RequiredAttendees", true},
    {"IPM.Appointment", L"OptionalAttendees", true}, {"IPM.Appointment", L"Location", false},
    {"IPM.Contact", L"Email1Address", true}, {"IPM.Contact", L"Email1DisplayName", true},
    {"IPM.Contact", L"Email2Address", true}, {"IPM.Contact", L"FullName", false},
    {"IPM.Task", L"Owner", true},          {"IPM.Task", L"Body", true},
    {"IPM.Activity", L"ContactNames", true}, {"IPM.StickyNote", L"Body", true},
    {"IPM.Post", L"SenderName", true},     {"IPM.Post", L"HTMLBody", true},
    {"IPM.Schedule.Meeting.Request", L"SenderName", true},
    {"IPM.Schedule.Meeting.Request", L"SenderEmailAddress", false},
};

std::string ItemsOfEveryClass()
{
    std::string items;
    for (const Member& m : kMembers) items += std::string(items.empty() ? "" : ", ") + R"({ "messageClass": ")" + m.messageClass + "\" }";
    return items;
}

// Reads every member, each of its own item; the message of each failure, or "" when it read.
std::vector<std::wstring> ReadAll(const Dispatch& app)
{
    std::vector<std::wstring> outcomes;
    Dispatch items = FirstFolder(app).getObject(L"Items");
    for (std::size_t i = 0; i < std::size(kMembers); ++i) {
        try {
            items.callObject(L"Item", static_cast<int>(i + 1)).get(kMembers[i].name);
            outcomes.push_back(L"");
        } catch (const ComError& e) {
            outcomes.push_back(e.message() + L" " + std::to_wstring(static_cast<unsigned long>(e.code())));
        }
    }
    return outcomes;
}

TEST(StandInAnswers, ARefusedGuardPromptFailsEveryProtectedMember)
{
    ComInit com;
    struct Case {
        const char* keys;
        bool refused;
        HRESULT code;
    };
    const Case cases[] = {
        {"", false, S_OK},
        {R"("guardAnswer": "no",)", true, static_cast<HRESULT>(0x80040102)}, // MAPI_E_NOT_SUPPORTED
        {R"("guardAnswer": "no", "guardCode": "E_ABORT",)", true, E_ABORT},
    };
    long guarded = 0;
    for (const Member& m : kMembers) guarded += m.guarded;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        StandInProfile profile(OneFolder(c.keys, ItemsOfEveryClass()));
        Dispatch app = CreateOutlook();
        Dispatch control = StandInControl(app);
        EXPECT_EQ(control.get(L"GuardAnswer").toText(), c.refused ? L"No" : L"Yes");
        const std::vector<std::wstring> outcomes = ReadAll(app);
        const std::wstring refusal = L"Operation aborted " + std::to_wstring(static_cast<unsigned long>(c.code));
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const bool fails = c.refused && kMembers[i].guarded;
            EXPECT_EQ(outcomes[i], fails ? refusal : L"") << kMembers[i].messageClass << " " << ToUtf8(kMembers[i].name);
        }
        // Every protected read showed the prompt, answered either way.
        EXPECT_EQ(control.get(L"SecurityPrompts").toInt(), guarded);

        // The security manager's switch silences the guard; the control switches the answer.
        control.put(L"SecurityGuard", false);
        for (const std::wstring& outcome : ReadAll(app)) EXPECT_EQ(outcome, L"");
        EXPECT_EQ(control.get(L"SecurityPrompts").toInt(), guarded);
        control.put(L"SecurityGuard", true);
        control.put(L"GuardAnswer", c.refused ? L"Yes" : L"No");
        const std::vector<std::wstring> switched = ReadAll(app);
        EXPECT_EQ(switched[0].empty(), c.refused);
    }
}

} // namespace
