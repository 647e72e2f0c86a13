// The release installer, as a user's machine sees it: a silent install into a temporary folder,
// the installed program started against the stand-ins, and a silent uninstall through the
// command Add/Remove Programs would run. The prefix is left as it was found: every test
// uninstalls, and the settings key is put back as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "GleanerVersion.h"
#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/RegKey.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"
#include "support/Links.h"
#include "support/OutlookStandIn.h"

namespace gleaner::test {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gleaner";
constexpr wchar_t kMainCaption[] = L"Gleaner - get rid of Outlook duplicates";
constexpr DWORD kTimeoutMs = 60'000;

// A path of the build tree (a Unix path) as Windows sees it.
std::wstring WindowsPath(const char* unixPath)
{
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring SetupPath() { return WindowsPath(GLEANER_SETUP); }

std::wstring ShortcutPath() { return GetSpecialFolderPath(CSIDL_PROGRAMS) + L"\\Gleaner.lnk"; }

// A started process with its main thread.
struct Process {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD id = 0;
};

std::optional<Process> Start(std::wstring commandLine, DWORD flags = 0, const wchar_t* folder = nullptr)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, folder, &startup,
                          &info))
        return std::nullopt;
    return Process{UniqueHandle(info.hProcess), UniqueHandle(info.hThread), info.dwProcessId};
}

// The exit code once the process has ended; nothing on a time-out.
std::optional<DWORD> ExitCode(const Process& started)
{
    if (::WaitForSingleObject(started.process.get(), kTimeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(started.process.get(), &code);
    return code;
}

// Runs a command line and waits for it and every process it starts: the uninstaller copies
// itself to the temporary folder, starts the copy and ends before the copy has done anything.
// The exit code of the command's own process; nothing on a time-out.
std::optional<DWORD> RunToTheEnd(std::wstring commandLine)
{
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    std::optional<Process> started = Start(std::move(commandLine), CREATE_SUSPENDED);
    if (!job || !started) return std::nullopt;
    // In the job before it runs, so that whatever it starts is in the job too.
    ::AssignProcessToJobObject(job.get(), started->process.get());
    ::ResumeThread(started->thread.get());
    const std::optional<DWORD> code = ExitCode(*started);
    for (DWORD waited = 0; code && waited < kTimeoutMs; waited += 50) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (!::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &accounting,
                                         sizeof(accounting), nullptr))
            return std::nullopt;
        if (accounting.ActiveProcesses == 0) return code;
        ::Sleep(50);
    }
    return std::nullopt;
}

// The names in a folder, sorted; none when it does not exist.
std::vector<std::wstring> FileNames(const fs::path& folder)
{
    std::vector<std::wstring> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    return names;
}

std::optional<RegKey> UninstallEntry() { return RegKey::TryOpen(HKEY_CURRENT_USER, kUninstallKey); }

// One string of the version resource's first translation; empty when absent.
std::wstring VersionString(const std::vector<BYTE>& block, const std::wstring& name)
{
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &size) ||
        size < sizeof(Translation))
        return {};
    wchar_t query[64];
    swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    wchar_t* text = nullptr;
    if (!::VerQueryValueW(block.data(), (query + name).c_str(), reinterpret_cast<void**>(&text), &size) || !text)
        return {};
    return text;
}

// The values of a key with no subkeys, to put it back as it was.
struct SavedValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<std::vector<SavedValue>> SaveKey(const wchar_t* path)
{
    std::optional<RegKey> key = RegKey::TryOpen(HKEY_CURRENT_USER, path);
    if (!key) return std::nullopt;
    std::vector<SavedValue> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        DWORD type = 0;
        DWORD dataSize = 0;
        if (::RegEnumValueW(key->get(), index, name, &nameLength, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        SavedValue value{name, type, std::vector<BYTE>(dataSize)};
        ::RegQueryValueExW(key->get(), name, nullptr, nullptr, value.data.data(), &dataSize);
        values.push_back(std::move(value));
    }
    return values;
}

void RestoreKey(const wchar_t* path, const std::optional<std::vector<SavedValue>>& saved)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
    if (!saved) return;
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, path);
    for (const SavedValue& value : *saved)
        ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        ASSERT_TRUE(fs::exists(SetupPath())) << "No installer at " << ToUtf8(SetupPath())
                                             << ": scripts/test builds it in the release build";
        // A run that was killed half-way may have left its install behind.
        RemoveInstall();
        savedSettings_ = SaveKey(kSettingsKey);
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        root_ = fs::path(temp) / (L"gleaner installer test " + std::to_wstring(::GetCurrentProcessId()));
        // A blank in the name: the uninstall commands must quote it.
        installDir_ = root_ / L"Ostrel Gleaner";
        fs::create_directories(root_);
        ASSERT_EQ(RunToTheEnd(L"\"" + SetupPath() + L"\" /S /D=" + installDir_.wstring()), 0u);
    }

    void TearDown() override
    {
        RemoveInstall();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        RestoreKey(kSettingsKey, savedSettings_);
    }

    static void RemoveInstall()
    {
        if (std::optional<RegKey> entry = UninstallEntry()) {
            if (auto command = entry->tryReadString(L"QuietUninstallString")) RunToTheEnd(*command);
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        ::DeleteFileW(ShortcutPath().c_str());
    }

    // Runs the uninstall command that Add/Remove Programs offers for a silent uninstall.
    void UninstallQuietly()
    {
        std::optional<RegKey> entry = UninstallEntry();
        ASSERT_TRUE(entry);
        ASSERT_EQ(RunToTheEnd(entry->readString(L"QuietUninstallString")), 0u);
    }

    fs::path exe() const { return installDir_ / L"gleaner.exe"; }

    ComInit com_;
    fs::path root_;
    fs::path installDir_;
    std::optional<std::vector<SavedValue>> savedSettings_;
};

TEST_F(InstallerTest, InstallsTheProgramItsHelpAShortcutAndTheUninstallEntry)
{
    // The program, its help and the uninstaller; nothing of the stand-ins.
    EXPECT_EQ(FileNames(installDir_), (std::vector<std::wstring>{L"gleaner.chm", L"gleaner.exe", L"Uninstall.exe"}));

    // What ships has its symbols split off: no DWARF sections, a link to gleaner.exe.debug.
    std::ifstream file(exe(), std::ios::binary);
    const std::string contents{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(contents.find(".debug_info"), std::string::npos);
    EXPECT_NE(contents.find("gleaner.exe.debug"), std::string::npos);

    DWORD ignored = 0;
    std::vector<BYTE> version(::GetFileVersionInfoSizeW(exe().c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(exe().c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(::VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(GLEANER_VERSION_MINOR, GLEANER_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, GLEANER_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    const std::wstring fileVersion = L"" GLEANER_FILE_VERSION_TEXT;
    for (const auto& [name, expected] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"CompanyName", L"Ostrel"},
             {L"ProductName", L"Gleaner"},
             {L"FileVersion", fileVersion},
             {L"ProductVersion", fileVersion},
             {L"OriginalFilename", L"gleaner.exe"}})
        EXPECT_EQ(VersionString(version, name), expected) << ToUtf8(name);
    EXPECT_NE(VersionString(version, L"FileDescription"), L"");
    EXPECT_NE(VersionString(version, L"LegalCopyright").find(L"Ostrel"), std::wstring::npos);

    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid()));
    ASSERT_HRESULT_SUCCEEDED(link.query<IPersistFile>()->Load(ShortcutPath().c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0));
    EXPECT_TRUE(fs::equivalent(target, exe())) << ToUtf8(target);

    std::optional<RegKey> entry = UninstallEntry();
    ASSERT_TRUE(entry);
    const std::wstring dir = installDir_.wstring();
    const std::wstring uninstaller = L"\"" + dir + L"\\Uninstall.exe\"";
    for (const auto& [name, expected] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"DisplayName", L"Gleaner"},
             {L"DisplayVersion", L"" GLEANER_VERSION_TEXT},
             {L"Publisher", L"Ostrel"},
             {L"DisplayIcon", dir + L"\\gleaner.exe,0"},
             {L"InstallLocation", dir},
             {L"URLInfoAbout", kProductPage},
             {L"UninstallString", uninstaller},
             {L"QuietUninstallString", uninstaller + L" /S"}})
        EXPECT_EQ(entry->tryReadString(name), expected) << ToUtf8(name);
    EXPECT_EQ(entry->tryReadDword(L"NoModify"), 1u);
    EXPECT_EQ(entry->tryReadDword(L"NoRepair"), 1u);
    // In KB, of the installed files.
    uintmax_t installed = 0;
    for (const auto& item : fs::directory_iterator(installDir_)) installed += item.file_size();
    const DWORD size = entry->tryReadDword(L"EstimatedSize").value_or(0);
    EXPECT_GE(size + 3, installed / 1024);
    EXPECT_LE(size, installed / 1024 + 3);
}

// Finds a visible top-level window of one process by its caption.
bool HasWindow(DWORD processId, const wchar_t* caption, HWND* found)
{
    struct Search {
        DWORD processId;
        const wchar_t* caption;
        HWND window = nullptr;
    } search{processId, caption};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* search = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t text[128] = {};
            ::GetWindowTextW(window, text, 128);
            if (owner != search->processId || ::wcscmp(text, search->caption) != 0 || !::IsWindowVisible(window))
                return TRUE;
            search->window = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    *found = search.window;
    return search.window != nullptr;
}

TEST_F(InstallerTest, InstalledProgramStartsAgainstTheStandInsAndCloses)
{
    // The child takes the profile from the environment this object sets.
    StandInProfile profile = StandInProfile::CopyOf(SourcePath(L"standins/profiles/demo.json"));
    std::optional<Process> program = Start(L"\"" + exe().wstring() + L"\"", 0, installDir_.c_str());
    ASSERT_TRUE(program);

    HWND window = nullptr;
    for (DWORD waited = 0; waited < kTimeoutMs && !HasWindow(program->id, kMainCaption, &window); waited += 100)
        ::Sleep(100);
    if (!window) ::TerminateProcess(program->process.get(), 1);
    ASSERT_NE(window, nullptr) << "The main window did not appear";
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    const std::optional<DWORD> code = ExitCode(*program);
    if (!code) ::TerminateProcess(program->process.get(), 1);
    EXPECT_EQ(code, 0u) << "The program did not close, or not cleanly";
}

TEST_F(InstallerTest, QuietUninstallRemovesWhatWasInstalledAndKeepsSettingsAndLogs)
{
    RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).writeString(L"installer test", L"kept");
    ASSERT_TRUE(CreateFolderChain(LogFolder()));
    const fs::path log = fs::path(LogFolder()) / (L"installer test " + std::to_wstring(::GetCurrentProcessId()) + L".log");
    std::ofstream(log) << "kept\n";

    UninstallQuietly();

    EXPECT_FALSE(fs::exists(installDir_));
    EXPECT_TRUE(fs::exists(root_));
    EXPECT_FALSE(fs::exists(ShortcutPath()));
    EXPECT_FALSE(UninstallEntry());
    std::optional<RegKey> settings = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->tryReadString(L"installer test"), L"kept");
    EXPECT_TRUE(fs::exists(log));
    std::error_code ignored;
    fs::remove(log, ignored);
}

TEST_F(InstallerTest, UninstallLeavesFilesItDidNotInstall)
{
    // The user may have installed into a folder of their own.
    std::ofstream(installDir_ / L"notes.txt") << "mine\n";

    UninstallQuietly();

    EXPECT_EQ(FileNames(installDir_), std::vector<std::wstring>{L"notes.txt"});
    EXPECT_FALSE(UninstallEntry());
}

} // namespace
} // namespace gleaner::test
