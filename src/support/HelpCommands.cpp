#include "support/HelpCommands.h"

#include <shellapi.h>

#include "support/Links.h"

namespace gleaner {

std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void OpenProductPage(HWND parent) { ::ShellExecuteW(parent, L"open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL); }

void OpenHelpFile(HWND parent)
{
    const std::wstring help = HelpFilePath(ExecutablePath());
    ::ShellExecuteW(parent, L"open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace gleaner
