// An error log that cannot be written: its folder cannot be created, its file name is taken
// by a folder, or another process holds the file open without sharing. A start-up and a
// search that both log failures run as they would with a good log: nothing reaches the user,
// nothing stops, and the settings are saved at the close.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "ProgramHarness.h"
#include "SettingsSupport.h"
#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/Handles.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;
using reliability::Program;

namespace {

// Two equal mails, then one whose body cannot be read: the search logs " line 220" and ends
// that folder with two rows.
constexpr char kProfile[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
    { "name": "Inbox", "defaultItemType": 0, "items": [
        { "Subject": "Minutes", "Body": "same" },
        { "Subject": "Minutes", "Body": "same" },
        { "Subject": "Broken", "fail": { "Body": "The item is not available." } } ] },
    { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems" } ] } ] })";

std::wstring TempFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"gleaner-reliability-" + name + L"-" + std::to_wstring(::GetCurrentProcessId()) +
           L"-" + std::to_wstring(::GetTickCount());
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::wstring BesideThisProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self = path;
    return self.substr(0, self.find_last_of(L'\\') + 1) + name;
}

// Another process that holds `file` open without sharing until this object goes.
class FileHolder {
public:
    explicit FileHolder(const std::wstring& file)
    {
        const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
        const std::wstring readyName = L"gleaner-log-ready-" + tag;
        const std::wstring releaseName = L"gleaner-log-release-" + tag;
        ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
        release_.reset(::CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
        std::wstring command = L"\"" + BesideThisProgram(L"log_holder.exe") + L"\" \"" + file + L"\" " + readyName +
                               L" " + releaseName;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        process_.reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        const HANDLE either[] = {ready_.get(), process_.get()};
        holding_ = ::WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
    }
    ~FileHolder()
    {
        ::SetEvent(release_.get());
        if (process_) ::WaitForSingleObject(process_.get(), 30000);
    }
    bool holding() const noexcept { return holding_; }

private:
    UniqueHandle ready_;
    UniqueHandle release_;
    UniqueHandle process_;
    bool holding_ = false;
};

std::wstring StatusText(HWND statusBar, int panel)
{
    wchar_t text[512] = {};
    ::SendMessageW(statusBar, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text));
    return text;
}

class ErrorLogRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        root_ = TempFolder(L"log");
        ASSERT_TRUE(CreateFolderChain(root_));
    }
    void TearDown() override
    {
        SetLogFolderForTesting({});
        DeleteSettingsKey();
    }

    // A start-up with a stored value of the wrong type, a search that meets an unreadable
    // item, and the close; returns what the error log holds afterwards.
    void RunProgram()
    {
        DeleteSettingsKey();
        WriteText(L"TV1", L"wrong type");
        WriteText(L"chklst3", L"11"); // mail: Subject and Body
        prompter_.texts.clear();
        StandInProfile profile(kProfile);
        {
            Program program;
            program.Show();
            EXPECT_TRUE(::IsWindowVisible(program.window));
            program.form->ShowFoundMessage = false;
            ::SendMessageW(program.form->BitBtn1, BM_CLICK, 0, 0);
            reliability::PumpMessages();
            EXPECT_EQ(StatusText(program.form->StatusBar1, 1), L"2 duplicated items found.");
            EXPECT_EQ(program.form->Results.size(), 2u);
            EXPECT_TRUE(::IsWindowEnabled(program.form->BitBtn1));
            EXPECT_TRUE(prompter_.texts.empty()); // nothing was shown to the user
            program.form->Close();
            reliability::PumpMessages();
            EXPECT_FALSE(::IsWindow(program.window));
        }
        // The close saved the settings whole, the bad value rewritten.
        EXPECT_EQ(StoredValues().size(), 21u);
        EXPECT_EQ(StoredNumber(L"TV1"), 209u);
    }

    ComInit com_;
    std::wstring root_;
    reliability::RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

TEST_F(ErrorLogRobustnessTest, AnUnwritableLogStopsNothingAndShowsNothing)
{
    // With a good log the same run writes both failures, so the cases below do lose lines.
    SetLogFolderForTesting(root_ + L"\\good");
    RunProgram();
    const std::string good = FileBytes(ErrorLogPath());
    EXPECT_NE(good.find("Invalid data type for 'TV1'\r\n"), std::string::npos) << good;
    EXPECT_NE(good.find("The item is not available. line 220\r\n"), std::string::npos) << good;

    // The folder's parent is a file: the folder cannot be created.
    {
        SCOPED_TRACE("folder cannot be created");
        const std::wstring blocker = root_ + L"\\blocker";
        { std::ofstream(blocker.c_str()) << "x"; }
        SetLogFolderForTesting(blocker + L"\\Ostrel\\Gleaner");
        RunProgram();
        EXPECT_EQ(FileBytes(blocker), "x");
    }
    // A folder where the file belongs: it cannot be opened.
    {
        SCOPED_TRACE("file name taken by a folder");
        SetLogFolderForTesting(root_ + L"\\taken");
        ASSERT_TRUE(CreateFolderChain(ErrorLogPath()));
        RunProgram();
    }
    // Another process holds the file without sharing: every line is lost, none is half written.
    {
        SCOPED_TRACE("file held by another process");
        SetLogFolderForTesting(root_ + L"\\held");
        ASSERT_TRUE(CreateFolderChain(LogFolder()));
        {
            FileHolder holder(ErrorLogPath());
            ASSERT_TRUE(holder.holding());
            RunProgram();
        }
        EXPECT_EQ(FileBytes(ErrorLogPath()), "");
        LogError(L"after the holder let go");
        EXPECT_NE(FileBytes(ErrorLogPath()).find(" after the holder let go\r\n"), std::string::npos);
    }
}

} // namespace
