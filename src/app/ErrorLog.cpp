#include "app/ErrorLog.h"

#include <shlobj.h>

#include "platform/Handles.h"
#include "platform/LocaleFormat.h"
#include "platform/Text.h"

namespace gleaner {

namespace {

std::wstring& TestFolder()
{
    static std::wstring folder;
    return folder;
}

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

} // namespace

std::wstring GetSpecialFolderPath(int folder)
{
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    return buffer;
}

std::wstring LogFolder()
{
    if (!TestFolder().empty()) return TestFolder();
    return GetSpecialFolderPath(CSIDL_LOCAL_APPDATA) + L"\\Ostrel\\" + L"Gleaner";
}

std::wstring ErrorLogPath() { return LogFolder() + L"\\" + L"Gleaner" + L".error.log"; }

std::wstring FormatLogLine(const SYSTEMTIME& time, std::wstring_view message)
{
    // The date alone at midnight, as a date-time value with no time part is shown.
    bool midnight = time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0 && time.wMilliseconds == 0;
    std::wstring stamp = FormatShortDate(time);
    if (!midnight) stamp += L" " + FormatLongTime(time);
    std::wstring line = stamp + L" ";
    line += message;
    return line;
}

bool CreateFolderChain(const std::wstring& folder) noexcept
{
    try {
        if (FolderExists(folder)) return true;
        // Each prefix that ends before a separator, from the top down; prefixes that are drive
        // or server names fail harmlessly.
        for (size_t i = 1; i < folder.size(); ++i) {
            if (IsSeparator(folder[i]) && !IsSeparator(folder[i - 1]) && folder[i - 1] != L':') {
                ::CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
            }
        }
        ::CreateDirectoryW(folder.c_str(), nullptr);
        return FolderExists(folder);
    } catch (...) {
        return false;
    }
}

void LogError(const std::wstring& message) noexcept
{
    // Called from inside error handlers: whatever goes wrong here, the line is lost and the
    // caller goes on.
    try {
        std::wstring folder = LogFolder();
        if (!CreateFolderChain(folder)) return;
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        std::string line = ToAnsi(FormatLogLine(now, message)) + "\r\n";
        UniqueFile file(::CreateFileW(ErrorLogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
    }
}

void SetLogFolderForTesting(std::wstring folder) { TestFolder() = std::move(folder); }

} // namespace gleaner
