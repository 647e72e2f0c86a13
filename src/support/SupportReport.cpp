#include "support/SupportReport.h"

#include <shellapi.h>

#include "app/ErrorLog.h"
#include "platform/ComError.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "support/Links.h"
#include "support/MapiControl.h"

namespace gleaner {

namespace {

constexpr wchar_t kProductName[] = L"Gleaner";
constexpr wchar_t kAddInSeparator[] = L"--------------------------------------------------------";

std::wstring LogFile(const wchar_t* ending) { return LogFolder() + L"\\" + kProductName + ending; }

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Each line goes to the file as it is written, so a failure later keeps what came before.
class LineWriter {
public:
    explicit LineWriter(const std::wstring& path)
        : file_(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (!file_) ThrowLastError();
    }
    void Line(const std::wstring& text)
    {
        const std::string bytes = ToAnsi(text) + "\r\n";
        DWORD written = 0;
        if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            ThrowLastError();
    }

private:
    UniqueFile file_;
};

} // namespace

std::wstring SystemLogPath() { return LogFile(L".sys.log"); }
std::wstring RegistryExportPath() { return LogFile(L".reg.log"); }

std::optional<WindowsVersionInfo> QueryWindowsVersion()
{
    OSVERSIONINFOW raw{};
    raw.dwOSVersionInfoSize = sizeof(raw);
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(::GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
    bool known = rtlGetVersion && rtlGetVersion(&raw) == 0;
    if (!known) {
#pragma warning(suppress : 4996)
        known = ::GetVersionExW(&raw) != 0;
    }
    if (!known) return std::nullopt;
    return WindowsVersionInfo{raw.dwPlatformId, raw.dwMajorVersion, raw.dwMinorVersion, raw.dwBuildNumber,
                              raw.szCSDVersion};
}

std::wstring GetWindowsVersion() { return WindowsVersionName(WindowsVersionCode(QueryWindowsVersion())); }

void WriteSystemLog(const Dispatch& outlookNamespace)
{
    const std::wstring folder = LogFolder();
    if (!CreateFolderChain(folder)) throw Win32Error(ERROR_PATH_NOT_FOUND, L"Cannot create folder " + folder);
    LineWriter log(SystemLogPath());

    const auto version = QueryWindowsVersion();
    log.Line(L"Windows version: " + WindowsVersionName(WindowsVersionCode(version)));
    log.Line(L"Service packs: " + (version ? version->servicePack : std::wstring()));
    const Dispatch outlook = outlookNamespace.getObject(L"Application");
    log.Line(L"Outlook version: " + outlook.get(L"Version").toText());

    const Dispatch addIns = outlook.getObject(L"COMAddIns");
    const int count = addIns.get(L"Count").toInt();
    for (int i = 1; i <= count; ++i) {
        const Dispatch addIn = addIns.callObject(L"Item", i);
        log.Line(kAddInSeparator);
        log.Line(addIn.get(L"Description").toText());
        log.Line(addIn.get(L"ProgId").toText());
        log.Line(addIn.get(L"Guid").toText());
        log.Line(addIn.get(L"Connect").toBool() ? L"Connected" : L"Not Connected");
    }
}

void SendErrorReport(HWND mainWindow, const Dispatch& outlookNamespace)
{
    WriteSystemLog(outlookNamespace);

    // The registry editor runs on its own; its export may land after the files are tested below.
    const std::wstring parameters =
        L"/e \"" + RegistryExportPath() + L"\" HKEY_CURRENT_USER\\Software\\Ostrel\\" + kProductName;
    ::ShellExecuteW(mainWindow, L"open", L"regedit", parameters.c_str(), nullptr, SW_SHOWNORMAL);

    TMapiControl mail;
    mail.Recipients = {kSupportAddress};
    mail.Subject = L"Gleaner support request";
    mail.Body = L"Please describe your problem here.";
    for (const std::wstring& path : {ErrorLogPath(), SystemLogPath(), RegistryExportPath()}) {
        if (FileExists(path)) mail.AttachedFiles.push_back(path);
    }
    mail.ShowDialog = true;
    mail.ParentWindow = reinterpret_cast<std::uintptr_t>(mainWindow);
    mail.Send();
}

} // namespace gleaner
