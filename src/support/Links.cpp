#include "support/Links.h"

namespace gleaner {

std::wstring HelpFilePath(const std::wstring& executablePath)
{
    // A dot counts only within the file name, not in a folder name above it.
    const size_t nameStart = executablePath.find_last_of(L"\\/:");
    const size_t dot = executablePath.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && (nameStart == std::wstring::npos || dot > nameStart);
    return (hasExtension ? executablePath.substr(0, dot) : executablePath) + L".chm";
}

} // namespace gleaner
