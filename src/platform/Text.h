#pragma once
// Conversions between the program's wide text and 8-bit encodings.
#include <string>
#include <string_view>

namespace gleaner {

// The system's ANSI code page, as the error and system logs are written.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// Upper-case copy by the system's rules for wide text (for case-insensitive keys).
std::wstring UpperCase(std::wstring_view text);

} // namespace gleaner
