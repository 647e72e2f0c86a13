#pragma once
// The Windows version names of the system log. Portable: the version query is Win32 code
// (GetWindowsVersion in SupportReport.h); the table is here.
#include <optional>
#include <string>

namespace gleaner {

// OSVERSIONINFO's platform identifiers.
inline constexpr unsigned long kPlatformWin9x = 1; // VER_PLATFORM_WIN32_WINDOWS
inline constexpr unsigned long kPlatformNt = 2;    // VER_PLATFORM_WIN32_NT

struct WindowsVersionInfo {
    unsigned long platform = 0;
    unsigned long major = 0;
    unsigned long minor = 0;
    unsigned long build = 0;
    std::wstring servicePack;
};

// -1 "Unknown", then the table from "Windows 95" (0) to "Windows Vista" (7); systems of major
// version 10 and later are named for what they are: "Windows 10" (8), "Windows 11" (9).
int WindowsVersionCode(const std::optional<WindowsVersionInfo>& version);
std::wstring WindowsVersionName(int code);

} // namespace gleaner
