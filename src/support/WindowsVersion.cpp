#include "support/WindowsVersion.h"

#include <iterator>

namespace gleaner {

namespace {

enum : int {
    kUnknown = -1, kWindows95, kWindows98SE, kWindows98, kWindowsME, kWindowsNT, kWindows2000, kWindowsXP,
    kWindowsVista, kWindows10, kWindows11,
};

// Windows 11 still reports major version 10; its builds start here.
constexpr unsigned long kFirstWindows11Build = 22000;

} // namespace

int WindowsVersionCode(const std::optional<WindowsVersionInfo>& version)
{
    if (!version) return kUnknown;
    const WindowsVersionInfo& v = *version;
    if (v.platform == kPlatformWin9x) {
        if (v.major != 4) return kUnknown;
        if (v.minor == 0) return kWindows95;
        if (v.minor == 10) return v.servicePack.size() >= 2 && v.servicePack[1] == L'A' ? kWindows98SE : kWindows98;
        if (v.minor == 90) return kWindowsME;
        return kUnknown;
    }
    if (v.platform == kPlatformNt) {
        if (v.major <= 4) return kWindowsNT;
        if (v.major == 5 && v.minor == 0) return kWindows2000;
        if (v.major == 5 && v.minor == 1) return kWindowsXP;
        if (v.major == 6) return kWindowsVista;
        if (v.major >= 10) return v.build >= kFirstWindows11Build ? kWindows11 : kWindows10;
    }
    return kUnknown;
}

std::wstring WindowsVersionName(int code)
{
    static const wchar_t* const names[] = {L"Windows 95", L"Windows 98SE", L"Windows 98", L"Windows ME",
                                           L"Windows NT", L"Windows 2000", L"Windows XP", L"Windows Vista",
                                           L"Windows 10", L"Windows 11"};
    if (code < 0 || code >= static_cast<int>(std::size(names))) return L"Unknown";
    return names[code];
}

} // namespace gleaner
