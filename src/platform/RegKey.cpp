#include "platform/RegKey.h"

#include <vector>

#include "platform/ComError.h"

namespace gleaner {

namespace {

void Check(LSTATUS status)
{
    if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status));
}

} // namespace

std::optional<RegKey> RegKey::TryOpen(HKEY root, std::wstring_view path, REGSAM access)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, std::wstring(path).c_str(), 0, access, &key) != ERROR_SUCCESS) return std::nullopt;
    return RegKey(key);
}

RegKey RegKey::Create(HKEY root, std::wstring_view path, REGSAM access)
{
    HKEY key = nullptr;
    Check(::RegCreateKeyExW(root, std::wstring(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                            &key, nullptr));
    return RegKey(key);
}

bool RegKey::Exists(HKEY root, std::wstring_view path)
{
    return TryOpen(root, path).has_value();
}

std::optional<DWORD> RegKey::valueType(std::wstring_view name) const
{
    DWORD type = 0;
    if (::RegQueryValueExW(key_.get(), std::wstring(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return type;
}

bool RegKey::hasValue(std::wstring_view name) const
{
    return valueType(name).has_value();
}

std::wstring RegKey::readString(std::wstring_view name) const
{
    std::wstring valueName(name);
    DWORD type = 0;
    DWORD bytes = 0;
    Check(::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &bytes));
    if (type != REG_SZ && type != REG_EXPAND_SZ) ThrowWin32Error(ERROR_DATATYPE_MISMATCH);
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    Check(::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &bytes));
    size_t length = bytes / sizeof(wchar_t);
    // Stored strings may or may not carry their terminating zero.
    while (length > 0 && buffer[length - 1] == L'\0') --length;
    return std::wstring(buffer.data(), length);
}

DWORD RegKey::readDword(std::wstring_view name) const
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    LSTATUS status = ::RegQueryValueExW(key_.get(), std::wstring(name).c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(&value), &bytes);
    // A REG_DWORD must hold exactly four bytes; a shorter one would read as a made-up number.
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && (type != REG_DWORD || bytes != sizeof(value))))
        ThrowWin32Error(ERROR_DATATYPE_MISMATCH);
    Check(status);
    return value;
}

std::optional<std::wstring> RegKey::tryReadString(std::wstring_view name) const
{
    try {
        return readString(name);
    } catch (const Win32Error&) {
        return std::nullopt;
    }
}

std::optional<DWORD> RegKey::tryReadDword(std::wstring_view name) const
{
    try {
        return readDword(name);
    } catch (const Win32Error&) {
        return std::nullopt;
    }
}

void RegKey::writeString(std::wstring_view name, std::wstring_view value) const
{
    std::wstring text(value);
    Check(::RegSetValueExW(key_.get(), std::wstring(name).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

void RegKey::writeDword(std::wstring_view name, DWORD value) const
{
    Check(::RegSetValueExW(key_.get(), std::wstring(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof(value)));
}

void RegKey::deleteValue(std::wstring_view name) const
{
    // A value that is already gone is what the caller wanted.
    LSTATUS status = ::RegDeleteValueW(key_.get(), std::wstring(name).c_str());
    if (status != ERROR_FILE_NOT_FOUND) Check(status);
}

} // namespace gleaner
