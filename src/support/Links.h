#pragma once
// Where the program points its users. The host is the same as the download page's.
#include <string>

namespace gleaner {

inline constexpr wchar_t kProductPage[] = L"https://www.ostrel.example/gleaner";
inline constexpr wchar_t kSupportAddress[] = L"support@ostrel.example";

// The help file: the executable's path with its extension replaced by ".chm" (".chm" added
// when the file name has none).
std::wstring HelpFilePath(const std::wstring& executablePath);

} // namespace gleaner
