// The Outlook stand-in in a process of its own (outlook_standin_host.exe): found as a running
// Outlook is, every call crossing processes through COM's marshalling, failures with their
// messages, changes folded into the profile when it ends, and its end with its last client.
#include <gtest/gtest.h>

#include <objbase.h>

#include <functional>
#include <string>

#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "support/OutlookHost.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using gleaner::test::OutlookHost;
using gleaner::test::StandInProfile;

namespace {

const CLSID kClsidOutlookApplication = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const char kProfile[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
  { "name": "Inbox", "items": [
      { "Subject": "one", "Body": "1" },
      { "Subject": "two", "Body": "2", "fail": { "Body": "The item is not available." } },
      { "Subject": "three", "Body": "3" },
      { "Subject": "four", "Body": "4" } ],
    "folders": [ { "name": "Sub", "items": [] } ] },
  { "name": "Deleted Items", "role": "deletedItems", "items": [] } ] } ] })";

Dispatch Inbox(const Dispatch& nameSpace)
{
    return nameSpace.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
}

std::wstring Subjects(const Dispatch& folder)
{
    std::wstring all;
    Dispatch items = folder.getObject(L"Items");
    for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i)
        all += items.callObject(L"Item", i).get(L"Subject").toText() + L";";
    return all;
}

// Inbox and Sub as the profile file holds them, read in this process by the in-process stand-in.
std::wstring InboxAndSubInTheFile()
{
    Dispatch nameSpace = test::CreateOutlook().callObject(L"GetNamespace", L"MAPI");
    Dispatch inbox = Inbox(nameSpace);
    return Subjects(inbox) + L"|" + Subjects(inbox.getObject(L"Folders").callObject(L"Item", 1));
}

ComError Failure(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ComError& error) {
        return error;
    }
    return ComError(S_OK, L"(no failure)");
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

// The program connects with Dispatch::ConnectOrCreate, which must reach the host through the
// running object table: a proxy, with no stand-in code in this process.
TEST(OutlookHost, ClientInAnotherProcessReachesItAsARunningOutlook)
{
    ComInit com;
    StandInProfile profile(kProfile);
    OutlookHost host(profile.path());
    Dispatch application = Dispatch::ConnectOrCreate(kClsidOutlookApplication);
    EXPECT_TRUE(application.ptr().tryQuery<IClientSecurity>()) << "not a proxy";
    EXPECT_EQ(::GetModuleHandleW(L"outlook_standin.dll"), nullptr);

    Dispatch inbox = Inbox(application.callObject(L"GetNamespace", L"MAPI"));
    EXPECT_EQ(Subjects(inbox), L"one;two;three;four;");
    EXPECT_EQ(host.CallCount(L"Subject"), 4);

    // Registered as the class's local server too: a new Application shares the running one's store.
    ComPtr<IDispatch> created;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(kClsidOutlookApplication, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, created.putVoid()));
    EXPECT_EQ(Dispatch(created).getObject(L"StandIn").get(L"ProfilePath").toText(), profile.path());
    EXPECT_EQ(::GetModuleHandleW(L"outlook_standin.dll"), nullptr);
}

TEST(OutlookHost, FailuresCrossWithTheirMessages)
{
    ComInit com;
    StandInProfile profile(kProfile);
    OutlookHost host(profile.path());
    Dispatch nameSpace = host.application().callObject(L"GetNamespace", L"MAPI");
    Dispatch items = Inbox(nameSpace).getObject(L"Items");

    const ComError body = Failure([&] { items.callObject(L"Item", 2).get(L"Body"); });
    EXPECT_EQ(body.message(), L"The item is not available.");
    const ComError unknown = Failure([&] { nameSpace.callObject(L"GetItemFromID", L"00AB"); });
    EXPECT_EQ(unknown.message(), L"The operation failed. An object could not be found.");
    const ComError bounds = Failure([&] { items.callObject(L"Item", 9); });
    EXPECT_EQ(bounds.message(), L"Array index out of bounds.");
    EXPECT_EQ(Failure([&] { items.get(L"NoSuchMember"); }).code(), DISP_E_UNKNOWNNAME);
}

// Every change is durable when the call returns (the host's journal) and is in the profile
// file once the host has ended.
TEST(OutlookHost, ChangesAreInTheProfileOnceItHasEnded)
{
    ComInit com;
    StandInProfile profile(kProfile);
    const std::string before = profile.text();
    {
        OutlookHost host(profile.path());
        Dispatch inbox = Inbox(host.application().callObject(L"GetNamespace", L"MAPI"));
        Dispatch items = inbox.getObject(L"Items");
        Dispatch first = items.callObject(L"Item", 1);
        first.put(L"Subject", L"one, marked");
        first.call(L"Save");
        items.callObject(L"Item", 3).call(L"Move", inbox.getObject(L"Folders").callObject(L"Item", 1).variant());
        items.callObject(L"Item", 2).call(L"Delete");
        EXPECT_TRUE(FileExists(profile.journalPath()));
        EXPECT_EQ(profile.text(), before) << "folded only when the host ends";
        EXPECT_EQ(host.End(), 0u);
    }
    EXPECT_FALSE(FileExists(profile.journalPath()));
    EXPECT_EQ(InboxAndSubInTheFile(), L"one, marked;four;|three;");
}

// Told to end while a client still holds its objects: the client is disconnected, and what it
// changed is folded all the same.
TEST(OutlookHost, EndsWhenToldWhileAClientIsAttached)
{
    ComInit com;
    StandInProfile profile(kProfile);
    Dispatch item;
    {
        OutlookHost host(profile.path());
        item = Inbox(host.application().callObject(L"GetNamespace", L"MAPI")).getObject(L"Items").callObject(L"Item", 4);
        item.put(L"Subject", L"four, marked");
        item.call(L"Save");
        EXPECT_EQ(host.End(), 0u);
        EXPECT_FALSE(host.Running());
    }
    EXPECT_TRUE(FAILED(Failure([&] { item.get(L"Subject"); }).code())) << "a call after the end must fail";
    item.reset();
    EXPECT_EQ(InboxAndSubInTheFile(), L"one;two;three;four, marked;|");
}

// A server that its own registration kept alive would never end: the host ends once no client
// holds any of its objects, whichever object that client held last.
TEST(OutlookHost, EndsWithItsLastClient)
{
    ComInit com;
    StandInProfile profile(kProfile);
    OutlookHost host(profile.path());
    Dispatch nameSpace = host.application().callObject(L"GetNamespace", L"MAPI");
    host.Disconnect();
    // Only the NameSpace is held now, and it still serves.
    Dispatch first = Inbox(nameSpace).getObject(L"Items").callObject(L"Item", 1);
    first.put(L"Subject", L"one, marked");
    first.call(L"Save");
    EXPECT_TRUE(host.Running());
    first.reset();
    nameSpace.reset();
    EXPECT_EQ(host.WaitForExit(), 0u);
    EXPECT_FALSE(FileExists(profile.journalPath()));
    EXPECT_EQ(InboxAndSubInTheFile(), L"one, marked;two;three;four;|");
}

// A busy Outlook and a refused guard reach a client across the process boundary as they reach
// one in process: the rejection as the call's own HRESULT, the refusal with its code and text.
TEST(OutlookHost, BusyRejectionsAndARefusedGuardCrossAsTheyAre)
{
    ComInit com;
    StandInProfile profile(kProfile);
    OutlookHost host(profile.path());
    Dispatch inbox = Inbox(host.application().callObject(L"GetNamespace", L"MAPI"));
    Dispatch item = inbox.getObject(L"Items").callObject(L"Item", 1);
    Dispatch control = host.Control();
    for (HRESULT code : {RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER}) {
        control.put(L"RejectCode", static_cast<long>(code));
        control.put(L"RejectCalls", 2);
        IDispatch* raw = item.get();
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"Subject")};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(raw->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), code);
        DISPPARAMS none{};
        Variant result;
        EXPECT_EQ(raw->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), code);
        ASSERT_EQ(raw->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        control.put(L"RejectCalls", 1);
        EXPECT_EQ(raw->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                              nullptr),
                  code);
        EXPECT_EQ(item.get(L"Subject").toText(), L"one");
    }
    control.put(L"SecurityGuard", true);
    control.put(L"GuardAnswer", L"No");
    const ComError refused = Failure([&] { item.get(L"Body"); });
    EXPECT_EQ(static_cast<unsigned>(refused.code()), 0x80040102u); // MAPI_E_NOT_SUPPORTED
    EXPECT_EQ(refused.message(), L"Operation aborted");
    EXPECT_EQ(item.get(L"Subject").toText(), L"one"); // not protected
}
