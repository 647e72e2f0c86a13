// "Send Error Report" under Wine with the Outlook and MAPI32 stand-ins: the system log, the
// registry export through the shell, the support mail and its attachments, and failures.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ReportTestSupport.h"
#include "app/AppException.h"
#include "app/ErrorLog.h"
#include "app/MainForm.h"
#include "platform/ComError.h"
#include "platform/ComInit.h"
#include "support/Links.h"
#include "support/OutlookStandIn.h"
#include "support/SupportReport.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

constexpr char kHyphens[] = "--------------------------------------------------------";
constexpr wchar_t kSettingsKey[] = L"Software\\Ostrel\\Gleaner";

constexpr char kTwoAddIns[] = R"({ "version": "12.0.0.6423",
  "addins": [
    { "description": "Business Contact Manager", "progId": "BCM.Connect", "guid": "{11111111-2222-3333-4444-555555555555}", "connect": true },
    { "description": "Old Toolbar", "progId": "Old.Toolbar", "guid": "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", "connect": false } ],
  "stores": [ { "name": "Personal Folders", "folders": [ { "name": "Inbox" } ] } ] })";

// The Windows lines as this system's own version query gives them.
std::vector<std::string> WindowsLines()
{
    OSVERSIONINFOW v{sizeof(v)};
    ::GetVersionExW(&v);
    WindowsVersionInfo info{v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, v.szCSDVersion};
    return {"Windows version: " + Utf8(WindowsVersionName(WindowsVersionCode(info))),
            "Service packs: " + Utf8(v.szCSDVersion)};
}

class SupportReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = NewTempPath(L"gleaner-report-");
        folder = root + L"\\Local\\Ostrel\\Gleaner";
        SetLogFolderForTesting(folder);
        keyExisted = RegKey::Exists(HKEY_CURRENT_USER, kSettingsKey);
        RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).writeString(L"ReportTestMarker", L"1");
        window = ::CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        ::DestroyWindow(window);
        SetLogFolderForTesting({});
        if (keyExisted) RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).deleteValue(L"ReportTestMarker");
        else ::RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
        ::DeleteFileW(record.c_str());
    }

    Dispatch Namespace(const Dispatch& outlook) { return outlook.callObject(L"GetNamespace", L"MAPI"); }
    std::vector<std::string> SystemLog() { return CrLfLines(ReadBytes(SystemLogPath())); }
    std::vector<std::string> Record() { return CrLfLines(ReadBytes(record)); }
    // The record's attachment lines (path and name).
    std::vector<std::string> Attachments()
    {
        std::vector<std::string> files;
        for (const std::string& line : Record())
            if (line.rfind("file ", 0) == 0) files.push_back(line);
        return files;
    }
    static std::string FileLine(const std::wstring& path, const char* name)
    {
        return "file flags=0 position=-1 path=\"" + Utf8(path) + "\" name=\"" + name + "\" type=(null)";
    }

    ComInit com;
    std::wstring root, folder;
    bool keyExisted = false;
    HWND window = nullptr;
    std::wstring record = NewTempPath(L"report-record-") + L".txt";
    ScopedEnvironment logVariable{L"MAPI_STANDIN_LOG", record};
};

} // namespace

TEST_F(SupportReportTest, FirstReportCreatesTheFolderWritesTheLogAndOpensTheSupportMail)
{
    StandInProfile profile(kTwoAddIns);
    {
        Dispatch outlook = CreateOutlook();
        ASSERT_FALSE(Exists(folder));
        SendErrorReport(window, Namespace(outlook));
    }

    std::vector<std::string> expected = WindowsLines();
    EXPECT_EQ(expected[0], "Windows version: Windows Vista"); // the prefix reports Windows 7
    expected.insert(expected.end(), {"Outlook version: 12.0.0.6423",
                                     kHyphens, "Business Contact Manager", "BCM.Connect",
                                     "{11111111-2222-3333-4444-555555555555}", "Connected",
                                     kHyphens, "Old Toolbar", "Old.Toolbar",
                                     "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", "Not Connected"});
    EXPECT_EQ(SystemLog(), expected);
    const std::string bytes = ReadBytes(SystemLogPath());
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    const std::vector<std::string> mail = Record();
    ASSERT_GE(mail.size(), 8u);
    EXPECT_EQ(mail[0], "MAPISendMail session=0 uiparam=" + std::to_string(reinterpret_cast<std::uintptr_t>(window)) +
                           " flags=11 reserved=0");
    EXPECT_EQ(mail[1], "subject=\"Gleaner support request\"");
    EXPECT_EQ(mail[2], "body=\"Please describe your problem here.\"");
    EXPECT_EQ(mail[4], "originator class=0 name=\"\" address=\"\" eid=0");
    EXPECT_EQ(mail[5], "recipients=1");
    const std::string address = Utf8(kSupportAddress);
    EXPECT_EQ(mail[6], "recipient class=1 name=\"" + address + "\" address=\"SMTP:" + address + "\" eid=0");
    // Nothing was logged yet, and the registry editor has not finished when the files are tested.
    const std::vector<std::string> files = Attachments();
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files[0], FileLine(SystemLogPath(), "Gleaner.sys.log"));
    EXPECT_FALSE(Exists(ErrorLogPath()));

    // The export of the settings key arrives from the registry editor's own process.
    ASSERT_TRUE(WaitForFile(RegistryExportPath(), 20));
    const std::string exported = ReadBytes(RegistryExportPath());
    const std::wstring text(reinterpret_cast<const wchar_t*>(exported.data()), exported.size() / sizeof(wchar_t));
    EXPECT_NE(text.find(L"[HKEY_CURRENT_USER\\Software\\Ostrel\\Gleaner]"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"ReportTestMarker\"=\"1\""), std::wstring::npos);
}

TEST_F(SupportReportTest, LaterReportAttachesTheThreeFilesInOrder)
{
    StandInProfile profile(kTwoAddIns);
    Dispatch outlook = CreateOutlook();
    SendErrorReport(window, Namespace(outlook));
    ASSERT_TRUE(WaitForFile(RegistryExportPath(), 20));
    LogError(L"Something failed line 220");
    ::DeleteFileW(record.c_str());

    SendErrorReport(window, Namespace(outlook));
    const std::vector<std::string> expected = {FileLine(ErrorLogPath(), "Gleaner.error.log"),
                                               FileLine(SystemLogPath(), "Gleaner.sys.log"),
                                               FileLine(RegistryExportPath(), "Gleaner.reg.log")};
    EXPECT_EQ(Attachments(), expected);
    EXPECT_EQ(Record()[7], "files=3");
}

TEST_F(SupportReportTest, NoAddInsGivesExactlyThreeLines)
{
    StandInProfile profile(R"({ "version": "11.0.5608", "addins": [],
                                "stores": [ { "name": "Personal Folders", "folders": [] } ] })");
    Dispatch outlook = CreateOutlook();
    WriteSystemLog(Namespace(outlook));
    std::vector<std::string> expected = WindowsLines();
    expected.push_back("Outlook version: 11.0.5608");
    EXPECT_EQ(SystemLog(), expected);
}

TEST_F(SupportReportTest, OutlookFailureKeepsTheLinesSoFarSendsNoMailAndReachesTheApplicationHandler)
{
    struct Case {
        const char* profile;
        const wchar_t* message;
        size_t lines;
    } cases[] = {
        {R"({ "application": { "fail": { "Version": "Outlook is busy." } }, "stores": [] })", L"Outlook is busy.", 2},
        {R"({ "application": { "fail": { "COMAddIns": "No add-ins here." } }, "stores": [] })", L"No add-ins here.", 3},
        {R"({ "addins": [ { "description": "A", "progId": "A.A", "guid": "{A}", "connect": true },
                          { "description": "B", "progId": "B.B", "guid": "{B}", "connect": true,
                            "fail": { "Description": "The add-in is gone." } } ], "stores": [] })",
         L"The add-in is gone.", 3 + 5 + 1},
    };
    for (const Case& c : cases) {
        ::DeleteFileW(ErrorLogPath().c_str());
        StandInProfile profile(c.profile);
        {
            Dispatch outlook = CreateOutlook();
            Dispatch ns = Namespace(outlook);
            try {
                SendErrorReport(window, ns);
                ADD_FAILURE() << "no error for " << Utf8(c.message);
            } catch (const ComError& e) {
                EXPECT_EQ(e.message(), c.message);
            }
            // From a menu handler, the application-wide handler logs the bare message.
            EXPECT_FALSE(RunGuarded([&] { SendErrorReport(window, ns); }));
        }
        EXPECT_EQ(SystemLog().size(), c.lines) << Utf8(c.message);
        EXPECT_FALSE(Exists(record)) << Utf8(c.message);
        const std::vector<std::string> logged = CrLfLines(ReadBytes(ErrorLogPath()));
        ASSERT_EQ(logged.size(), 1u);
        const std::string suffix = " " + Utf8(c.message);
        EXPECT_EQ(logged[0].substr(logged[0].size() - suffix.size()), suffix);
    }
}

TEST_F(SupportReportTest, LogFolderThatCannotBeCreatedEndsTheReportBeforeAnythingElse)
{
    // A file where the folder should be.
    ::CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring blocker = root + L"\\Local";
    { std::ofstream(blocker.c_str()) << "x"; }
    StandInProfile profile(kTwoAddIns);
    Dispatch outlook = CreateOutlook();
    EXPECT_THROW(SendErrorReport(window, Namespace(outlook)), Win32Error);
    EXPECT_FALSE(Exists(record));
}

TEST_F(SupportReportTest, TheMainMenuCommandSendsTheReportWithTheMainWindowAsParent)
{
    StandInProfile profile(kTwoAddIns);
    TForm1 form;
    HWND main = form.Create(nullptr);
    ASSERT_TRUE(main);
    ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(TForm1::kGetTechnicalSupport1, 0), 0);
    const std::vector<std::string> mail = Record();
    ASSERT_FALSE(mail.empty());
    EXPECT_EQ(mail[0], "MAPISendMail session=0 uiparam=" + std::to_string(reinterpret_cast<std::uintptr_t>(main)) +
                           " flags=11 reserved=0");
    const std::vector<std::string> files = Attachments();
    EXPECT_NE(std::find(files.begin(), files.end(), FileLine(SystemLogPath(), "Gleaner.sys.log")), files.end());
    EXPECT_EQ(SystemLog().size(), 3u + 2 * 5);
}
