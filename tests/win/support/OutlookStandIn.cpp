#include "support/OutlookStandIn.h"

#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/ComError.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace gleaner::test {

namespace {

const wchar_t kVariable[] = L"OUTLOOK_STANDIN_PROFILE";

std::wstring NewTempFile()
{
    wchar_t dir[MAX_PATH + 1] = {};
    wchar_t file[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH, dir) || !::GetTempFileNameW(dir, L"osp", 0, file))
        throw std::runtime_error("cannot make a temporary profile file");
    return file;
}

void WriteFileText(const std::wstring& path, std::string_view text)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw std::runtime_error("cannot write the profile file");
}

std::string ReadFileText(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot read " + ToUtf8(path));
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
}

} // namespace

StandInProfile::StandInProfile(std::string_view json)
{
    path_ = NewTempFile();
    owner_ = true;
    WriteFileText(path_, json);
    point();
}

StandInProfile StandInProfile::CopyOf(const std::wstring& windowsPath)
{
    return StandInProfile(ReadFileText(windowsPath));
}

StandInProfile StandInProfile::TaggedCopyOf(const std::wstring& windowsPath)
{
    return StandInProfile(WithTestKeys(ReadFileText(windowsPath)));
}

void StandInProfile::point()
{
    std::vector<wchar_t> buffer(32768);
    DWORD n = ::GetEnvironmentVariableW(kVariable, buffer.data(), static_cast<DWORD>(buffer.size()));
    hadPrevious_ = n > 0 && n < buffer.size();
    if (hadPrevious_) previous_.assign(buffer.data(), n);
    ::SetEnvironmentVariableW(kVariable, path_.c_str());
}

StandInProfile::StandInProfile(StandInProfile&& other) noexcept
    : path_(std::move(other.path_)), previous_(std::move(other.previous_)), hadPrevious_(other.hadPrevious_),
      owner_(std::exchange(other.owner_, false))
{
}

StandInProfile::~StandInProfile()
{
    if (!owner_) return;
    ::SetEnvironmentVariableW(kVariable, hadPrevious_ ? previous_.c_str() : nullptr);
    ::DeleteFileW(path_.c_str());
    ::DeleteFileW((path_ + L".journal").c_str());
    ::DeleteFileW((path_ + L".tmp").c_str());
}

std::string StandInProfile::text() const { return ReadFileText(path_); }

Dispatch CreateOutlook() { return Dispatch::Create(L"Outlook.Application"); }

Dispatch StandInControl(const Dispatch& application) { return application.getObject(L"StandIn"); }

long CallCount(const Dispatch& application, std::wstring_view member)
{
    return StandInControl(application).call(L"CallCount", std::wstring(member)).toInt();
}

std::string WithTestKeys(std::string_view json)
{
    const std::string_view marker = "\"messageClass\"";
    std::string out;
    out.reserve(json.size() + json.size() / 8);
    int next = 0;
    for (std::size_t at = 0;;) {
        const std::size_t found = json.find(marker, at);
        out.append(json.substr(at, found == std::string_view::npos ? std::string_view::npos : found - at));
        if (found == std::string_view::npos) return out;
        char key[32];
        std::snprintf(key, sizeof key, "\"%s\": \"K%05d\", ", ToUtf8(kTestKey).c_str(), ++next);
        out += key;
        out.append(marker);
        at = found + marker.size();
    }
}

std::wstring TestKeyOf(const Dispatch& item)
{
    try {
        return item.get(kTestKey).toText();
    } catch (const ComError&) {
        return item.get(L"EntryID").toText();
    }
}

std::wstring SourcePath(std::wstring_view relative)
{
    std::wstring path = L"Z:" + FromUtf8(GLEANER_SOURCE_DIR) + L"/" + std::wstring(relative);
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

} // namespace gleaner::test
