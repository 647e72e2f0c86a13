// TMapiControl::Send against the MAPI32.DLL stand-in: the message it receives, the outcome
// reaching exactly one event, and a system without Simple MAPI. ctest runs each test in its own
// process, which matters here: Simple MAPI is looked for once a run.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ReportTestSupport.h"
#include "support/MapiControl.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr wchar_t kMessaging[] = L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem";

class MapiControlTest : public ::testing::Test {
protected:
    std::wstring record = NewTempPath(L"mapi-record-") + L".txt";
    ScopedEnvironment logVariable{L"MAPI_STANDIN_LOG", record};
    void TearDown() override { ::DeleteFileW(record.c_str()); }

    // What the events saw, in order.
    std::string Send(TMapiControl& mail)
    {
        std::string seen;
        mail.OnSuccess = [&](TMapiControl& sender) { seen += &sender == &mail ? "success;" : "wrong sender;"; };
        mail.OnUserAbort = [&](TMapiControl& sender) { seen += &sender == &mail ? "abort;" : "wrong sender;"; };
        mail.OnMapiError = [&](TMapiControl& sender, std::int32_t code) {
            seen += (&sender == &mail ? "error " : "wrong sender ") + std::to_string(code) + ";";
        };
        mail.Send();
        return seen;
    }
};

} // namespace

TEST_F(MapiControlTest, TheStandInReceivesTheWholeMessage)
{
    ScopedRegString present(HKEY_LOCAL_MACHINE, kMessaging, L"MAPI", L"1");
    TMapiControl mail;
    mail.Subject = L"Subject line";
    mail.Body = L"Body text";
    mail.FromName = L"Me";
    mail.FromAdress = L"me@host.example";
    mail.Recipients = {L"x", L"y@host.example"};
    mail.CopyTo = {L"c"};
    mail.BlindCopyTo = {L"b"};
    mail.AttachedFiles = {L"C:\\logs\\Gleaner.sys.log", L"D:notes.txt"};
    mail.ShowDialog = true;
    mail.ParentWindow = 0x1234;
    EXPECT_EQ(Send(mail), "success;");

    const std::string expected =
        "MAPISendMail session=0 uiparam=4660 flags=11 reserved=0\r\n"
        "subject=\"Subject line\"\r\n"
        "body=\"Body text\"\r\n"
        "type=(null) date=(null) conversation=(null) messageflags=0\r\n"
        "originator class=0 name=\"Me\" address=\"me@host.example\" eid=0\r\n"
        "recipients=4\r\n"
        "recipient class=1 name=\"x\" address=\"SMTP:x\" eid=0\r\n"
        "recipient class=1 name=\"y@host.example\" address=\"SMTP:y@host.example\" eid=0\r\n"
        "recipient class=2 name=\"c\" address=\"SMTP:c\" eid=0\r\n"
        "recipient class=3 name=\"b\" address=\"SMTP:b\" eid=0\r\n"
        "files=2\r\n"
        "file flags=0 position=-1 path=\"C:\\logs\\Gleaner.sys.log\" name=\"Gleaner.sys.log\" type=(null)\r\n"
        "file flags=0 position=-1 path=\"D:notes.txt\" name=\"notes.txt\" type=(null)\r\n";
    EXPECT_EQ(ReadBytes(record), expected);
}

TEST_F(MapiControlTest, WithoutDialogOrFilesOrRecipientsTheFlagsAreZeroAndTheOriginatorStays)
{
    TMapiControl mail;
    mail.Subject = L"S";
    EXPECT_EQ(Send(mail), "success;");
    const std::string expected = "MAPISendMail session=0 uiparam=0 flags=0 reserved=0\r\n"
                                 "subject=\"S\"\r\n"
                                 "body=\"\"\r\n"
                                 "type=(null) date=(null) conversation=(null) messageflags=0\r\n"
                                 "originator class=0 name=\"\" address=\"\" eid=0\r\n"
                                 "recipients=0\r\n"
                                 "files=0\r\n";
    EXPECT_EQ(ReadBytes(record), expected);
}

TEST_F(MapiControlTest, EachAnswerReachesOnlyItsEvent)
{
    struct Case {
        const wchar_t* answer;
        const char* events;
    } cases[] = {
        {L"0", "success;"},
        {L"1", "abort;"},       // MAPI_USER_ABORT
        {L"2", "error 2;"},     // MAPI_E_FAILURE
        {L"3", "error 3;"},     // MAPI_E_LOGON_FAILURE
        {L"26", "error 26;"},   // MAPI_E_NOT_SUPPORTED
        {L"4294967295", "error -1;"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment answer(L"MAPI_STANDIN_RESULT", c.answer);
        TMapiControl mail;
        mail.Recipients = {L"x"};
        EXPECT_EQ(Send(mail), c.events) << Utf8(c.answer);
    }
    // Every send reached the stand-in.
    EXPECT_EQ(CrLfLines(ReadBytes(record)).size(), std::size(cases) * 8);
}

TEST_F(MapiControlTest, WithoutSimpleMapiTheSendIsAUserAbortAndNothingIsCalled)
{
    // Needs a process of its own (as ctest runs it): Simple MAPI is looked for on the first send.
    ScopedRegString absent(HKEY_LOCAL_MACHINE, kMessaging, L"MAPI", L"0");
    TMapiControl mail;
    mail.Recipients = {L"x"};
    mail.ShowDialog = true;
    EXPECT_EQ(Send(mail), "abort;");
    EXPECT_FALSE(Exists(record));
    // The answer holds for the rest of the run, whatever the registry says later.
    ScopedRegString present(HKEY_LOCAL_MACHINE, kMessaging, L"MAPI", L"1");
    EXPECT_EQ(Send(mail), "abort;");
    EXPECT_FALSE(Exists(record));
}

TEST_F(MapiControlTest, SimpleMapiFoundOnceStaysForTheRun)
{
    TMapiControl mail;
    mail.Recipients = {L"x"};
    {
        ScopedRegString present(HKEY_LOCAL_MACHINE, kMessaging, L"MAPI", L"1");
        EXPECT_EQ(Send(mail), "success;");
    }
    ScopedRegString absent(HKEY_LOCAL_MACHINE, kMessaging, L"MAPI", L"0");
    EXPECT_EQ(Send(mail), "success;");
    EXPECT_EQ(CrLfLines(ReadBytes(record)).size(), 16u);
}
