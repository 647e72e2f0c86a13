#pragma once
// SHA-256 from the system's cryptography (CNG), for keys that stand in for long texts.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace gleaner {

using Sha256Digest = std::array<unsigned char, 32>;

// The digest of `size` bytes at `data`. Throws ComError when CNG fails.
Sha256Digest Sha256(const void* data, std::size_t size);

// The digest of the text's UTF-16 code units, as 32 bytes in a string (a ready map key).
std::string Sha256Key(std::wstring_view text);

} // namespace gleaner
