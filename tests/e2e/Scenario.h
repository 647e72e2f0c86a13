#pragma once
// What each end-to-end run needs around the program: a folder of its own holding a copy of
// gleaner.exe with the Simple MAPI stand-in beside it, the settings key in a known state
// (put back as it was afterwards), the error log's new lines, and what a stand-in profile
// holds once the program has ended.
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Gleaner.h"
#include "support/OutlookHost.h"

namespace gleaner::e2e {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Ostrel\\Gleaner";

// A Unix path of the build as Wine sees it (drive Z: is the root).
std::wstring WinePath(std::string_view unixPath);

// A fresh temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const noexcept { return path_; }
    std::wstring File(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

private:
    std::wstring path_;
};

// gleaner.exe and the MAPI32.DLL stand-in copied into a folder; Wine is told to load that
// MAPI32.DLL for gleaner.exe instead of its own.
class ProgramCopy {
public:
    ProgramCopy(const std::wstring& exe, const std::wstring& mapi32, const std::wstring& folder);
    const std::wstring& exe() const noexcept { return exe_; }

private:
    std::wstring exe_;
};

// The settings key as it was, put back at the end; in between it starts absent (a first start).
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

    static void Remove();
    static bool Exists();
    // A value of the key: text for strings, decimal for integers; nothing when absent.
    static std::optional<std::wstring> Value(std::wstring_view name);
    static void SetString(std::wstring_view name, std::wstring_view value);

private:
    struct Saved {
        DWORD type;
        std::vector<BYTE> data;
    };
    std::optional<std::map<std::wstring, Saved>> saved_;
};

// Lines the error log gains from now on.
class ErrorLogTail {
public:
    ErrorLogTail();
    std::vector<std::string> NewLines() const;

private:
    std::wstring path_;
    unsigned long long start_ = 0;
};

// What a stand-in profile holds, folder path -> subjects of its items in order, read in this
// process through the stand-in once the program has released it.
std::map<std::wstring, std::vector<std::wstring>> ProfileContents();

// Where the program finds Outlook: the stand-in in its own process (started by the program's
// CoCreateInstance), or the stand-in's host in a process of its own, running before the program
// starts, which the program attaches to through the running object table as to a running Outlook.
enum class Outlook { InProcess, OutOfProcess };

// Runs a complete program session in a folder of its own: the profile, the program copy, the
// registry guard and the error log tail, with a helper to start the program.
class Session {
public:
    // `profileJson`: the stand-in profile (UTF-8). The settings key starts absent.
    explicit Session(std::string_view profileJson, Outlook outlook = Outlook::InProcess);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Starts the program and waits for its main window (unless `waitForMainWindow` is false).
    // Out of process, the host is started first, unless it runs already.
    std::unique_ptr<Gleaner> Start(bool waitForMainWindow = true);
    // The profile's contents now (the program must have ended). Out of process, the host is
    // ended first, so that the profile is folded; it throws when the program never attached to it.
    std::map<std::wstring, std::vector<std::wstring>> Contents();
    // Calls of a member that the host has served (out of process, while it runs).
    long OutOfProcessCalls(std::wstring_view member) const;
    const std::wstring& profile() const noexcept { return profile_; }
    std::wstring MailLog() const { return folder_.File(L"mapi.log"); }
    const ErrorLogTail& errorLog() const noexcept { return errorLog_; }

private:
    void EndOutlook();

    TempFolder folder_;
    SettingsKeyGuard settings_;
    ErrorLogTail errorLog_;
    std::wstring profile_;
    std::optional<ProgramCopy> program_;
    Outlook outlook_;
    // Ended before the folder with the profile goes.
    std::optional<test::OutlookHost> host_;
};

// A text file's bytes (UTF-8 or ANSI); empty when absent.
std::string ReadFileBytes(const std::wstring& path);

} // namespace gleaner::e2e
