#pragma once
// Helpers of the support-report tests: fresh folders, files read back, the MAPI32 stand-in's
// record, and registry values put back as they were.
#include <windows.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/RegKey.h"
#include "platform/Text.h"

namespace gleaner::test {

// A folder name under the temporary folder that nothing uses yet (the folder is not created).
inline std::wstring NewTempPath(const wchar_t* prefix)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    return std::wstring(temp) + prefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++counter);
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Lines ended by CR LF; a last line without one is kept too.
inline std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Polls for a file that another process writes; false after `seconds`.
inline bool WaitForFile(const std::wstring& path, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (Exists(path) && !ReadBytes(path).empty()) return true;
        ::Sleep(50);
    }
    return false;
}

// Sets an environment variable for this object's life.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t buffer[2048];
        DWORD length = ::GetEnvironmentVariableW(name, buffer, 2048);
        if (length > 0 && length < 2048) previous_ = std::wstring(buffer, length);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_, previous_ ? previous_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const wchar_t* name_;
    std::optional<std::wstring> previous_;
};

// Writes a string value and puts the old one back (or removes it) afterwards.
class ScopedRegString {
public:
    ScopedRegString(HKEY root, std::wstring path, std::wstring name, const std::wstring& value)
        : root_(root), path_(std::move(path)), name_(std::move(name))
    {
        RegKey key = RegKey::Create(root_, path_);
        previous_ = key.tryReadString(name_);
        key.writeString(name_, value);
    }
    ~ScopedRegString()
    {
        try {
            RegKey key = RegKey::Create(root_, path_);
            if (previous_) key.writeString(name_, *previous_);
            else key.deleteValue(name_);
        } catch (...) {
        }
    }
    ScopedRegString(const ScopedRegString&) = delete;
    ScopedRegString& operator=(const ScopedRegString&) = delete;

private:
    HKEY root_;
    std::wstring path_;
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

inline std::string Utf8(const std::wstring& text) { return ToUtf8(text); }

} // namespace gleaner::test
