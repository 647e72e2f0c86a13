#pragma once
// One open registry key. Reads and writes throw Win32Error with the system's text;
// the Try forms return nothing instead.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/Handles.h"

namespace gleaner {

class RegKey {
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : key_(key) {}

    // Opens an existing key; empty result when it does not exist.
    static std::optional<RegKey> TryOpen(HKEY root, std::wstring_view path, REGSAM access = KEY_READ);
    // Opens the key, creating it and any missing parents.
    static RegKey Create(HKEY root, std::wstring_view path, REGSAM access = KEY_READ | KEY_WRITE);
    static bool Exists(HKEY root, std::wstring_view path);

    HKEY get() const noexcept { return key_.get(); }

    bool hasValue(std::wstring_view name) const;
    // The stored type of a value (REG_SZ, REG_DWORD, ...); nothing when absent.
    std::optional<DWORD> valueType(std::wstring_view name) const;

    // Throws when the value is absent or of another type.
    std::wstring readString(std::wstring_view name) const;
    DWORD readDword(std::wstring_view name) const;
    std::optional<std::wstring> tryReadString(std::wstring_view name) const;
    std::optional<DWORD> tryReadDword(std::wstring_view name) const;

    void writeString(std::wstring_view name, std::wstring_view value) const;
    void writeDword(std::wstring_view name, DWORD value) const;
    void deleteValue(std::wstring_view name) const;

private:
    UniqueHkey key_;
};

} // namespace gleaner
