#include "Scenario.h"

#include <objbase.h>
#include <shlwapi.h>

#include <stdexcept>

#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"
#include "platform/RegKey.h"
#include "platform/Text.h"
#include "support/OutlookStandIn.h"

namespace gleaner::e2e {

namespace {

void WriteFileBytes(const std::wstring& path, std::string_view bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write " + ToUtf8(path));
}

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

void Walk(const Dispatch& folder, const std::wstring& parentPath, std::map<std::wstring, std::vector<std::wstring>>& out)
{
    const std::wstring path = parentPath + L"\\" + folder.get(L"Name").toText();
    std::vector<std::wstring>& subjects = out[path];
    Dispatch items = folder.getObject(L"Items");
    for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i)
        subjects.push_back(items.callObject(L"Item", i).get(L"Subject").toText());
    Dispatch folders = folder.getObject(L"Folders");
    for (int i = 1, n = folders.get(L"Count").toInt(); i <= n; ++i) Walk(folders.callObject(L"Item", i), path, out);
}

} // namespace

std::wstring WinePath(std::string_view unixPath)
{
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::string ReadFileBytes(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

TempFolder::TempFolder()
{
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, base);
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t name[64] = {};
    ::StringFromGUID2(guid, name, 64);
    path_ = std::wstring(base) + L"gleaner-e2e-" + std::wstring(name).substr(1, 8);
    if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() { RemoveTree(path_); }

ProgramCopy::ProgramCopy(const std::wstring& exe, const std::wstring& mapi32, const std::wstring& folder)
    : exe_(folder + L"\\gleaner.exe")
{
    if (!::CopyFileW(exe.c_str(), exe_.c_str(), FALSE) ||
        !::CopyFileW(mapi32.c_str(), (folder + L"\\MAPI32.DLL").c_str(), FALSE))
        throw std::runtime_error("cannot copy the program into its test folder");
    // Wine prefers its built-in mapi32 over one beside the program unless told otherwise.
    RegKey::Create(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\gleaner.exe\\DllOverrides")
        .writeString(L"mapi32", L"native,builtin");
}

SettingsKeyGuard::SettingsKeyGuard()
{
    if (auto key = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey)) {
        std::map<std::wstring, Saved> values;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256] = {};
            DWORD nameLength = 256;
            DWORD type = 0;
            DWORD size = 0;
            if (::RegEnumValueW(key->get(), i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            Saved saved{type, std::vector<BYTE>(size)};
            nameLength = 256;
            ::RegEnumValueW(key->get(), i, name, &nameLength, nullptr, &type, saved.data.data(), &size);
            values[name] = std::move(saved);
        }
        saved_ = std::move(values);
    }
    Remove();
}

SettingsKeyGuard::~SettingsKeyGuard()
{
    Remove();
    if (!saved_) return;
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKey);
    for (const auto& [name, saved] : *saved_)
        ::RegSetValueExW(key.get(), name.c_str(), 0, saved.type, saved.data.data(), static_cast<DWORD>(saved.data.size()));
}

void SettingsKeyGuard::Remove() { ::SHDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey); }

bool SettingsKeyGuard::Exists() { return RegKey::Exists(HKEY_CURRENT_USER, kSettingsKey); }

std::optional<std::wstring> SettingsKeyGuard::Value(std::wstring_view name)
{
    auto key = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return std::nullopt;
    const auto type = key->valueType(name);
    if (!type) return std::nullopt;
    if (*type == REG_DWORD) return std::to_wstring(key->readDword(name));
    return key->readString(name);
}

void SettingsKeyGuard::SetString(std::wstring_view name, std::wstring_view value)
{
    RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).writeString(name, value);
}

ErrorLogTail::ErrorLogTail() : path_(ErrorLogPath()), start_(ReadFileBytes(path_).size()) {}

std::vector<std::string> ErrorLogTail::NewLines() const
{
    const std::string text = ReadFileBytes(path_);
    std::vector<std::string> lines;
    if (text.size() <= start_) return lines;
    std::size_t at = static_cast<std::size_t>(start_);
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::map<std::wstring, std::vector<std::wstring>> ProfileContents()
{
    ComInit com;
    std::map<std::wstring, std::vector<std::wstring>> contents;
    Dispatch application = test::CreateOutlook();
    Dispatch nameSpace = application.callObject(L"GetNamespace", L"MAPI");
    Dispatch stores = nameSpace.getObject(L"Folders");
    for (int i = 1, n = stores.get(L"Count").toInt(); i <= n; ++i) Walk(stores.callObject(L"Item", i), L"", contents);
    return contents;
}

Session::Session(std::string_view profileJson, Outlook outlook)
    : profile_(folder_.File(L"profile.json")), outlook_(outlook)
{
    WriteFileBytes(profile_, profileJson);
    program_.emplace(WinePath(GLEANER_EXE), WinePath(GLEANER_MAPI32), folder_.path());
}

Session::~Session() = default;

std::unique_ptr<Gleaner> Session::Start(bool waitForMainWindow)
{
    if (outlook_ == Outlook::OutOfProcess && !host_) host_.emplace(profile_);
    LaunchOptions options;
    options.exe = program_->exe();
    options.profile = profile_;
    options.environment = {{L"MAPI_STANDIN_LOG", MailLog()}};
    auto app = std::make_unique<Gleaner>(options);
    if (waitForMainWindow) app->WaitForMainWindow();
    return app;
}

long Session::OutOfProcessCalls(std::wstring_view member) const { return host_ ? host_->CallCount(member) : 0; }

void Session::EndOutlook()
{
    if (!host_) return;
    // The program reaches Outlook through GetNamespace first; without it the program must have
    // fallen back to an Outlook of its own.
    const long attached = host_->CallCount(L"GetNamespace");
    const DWORD code = host_->End();
    host_.reset();
    if (attached == 0) throw std::runtime_error("the program never attached to Outlook out of process");
    if (code != 0) throw std::runtime_error("Outlook out of process ended with objects left, exit code " + std::to_string(code));
}

std::map<std::wstring, std::vector<std::wstring>> Session::Contents()
{
    EndOutlook();
    ::SetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", profile_.c_str());
    return ProfileContents();
}

} // namespace gleaner::e2e
