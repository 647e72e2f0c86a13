#pragma once
// Texts for error codes whose system text is missing on some platforms (Wine's
// FormatMessage knows no DISP_E_*, RPC_E_* or CO_E_* code). Portable.
#include <cstdint>
#include <optional>
#include <string>

namespace gleaner {

// Our own text for a known automation, RPC or class-factory code, with the hex code.
std::optional<std::wstring> KnownErrorText(std::uint32_t code);

// "0x80020006" style, upper-case digits.
std::wstring HexCode(std::uint32_t code);

} // namespace gleaner
