#include "support/OutlookHost.h"

#include <objbase.h>
#include <oleauto.h>

#include <cwctype>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/ComError.h"
#include "platform/Text.h"

namespace gleaner::test {

namespace {

const CLSID kClsidOutlookApplication = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Generous: COM's start in a fresh process takes about a second, more on a loaded machine.
constexpr std::chrono::milliseconds kStartTimeout{60000};

// This process's environment with OUTLOOK_STANDIN_PROFILE set, as CreateProcess takes it.
std::vector<wchar_t> EnvironmentWithProfile(const std::wstring& profilePath)
{
    auto upper = [](std::wstring name) {
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
        return name;
    };
    std::map<std::wstring, std::wstring> variables; // upper-case name -> "Name=value"
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += ::lstrlenW(entry) + 1) {
        const std::wstring text = entry;
        variables[upper(text.substr(0, text.find(L'=', 1)))] = text; // "=C:=C:\..." starts with '='
    }
    ::FreeEnvironmentStringsW(block);
    variables[L"OUTLOOK_STANDIN_PROFILE"] = L"OUTLOOK_STANDIN_PROFILE=" + profilePath;
    std::vector<wchar_t> result;
    for (const auto& [key, text] : variables) {
        result.insert(result.end(), text.begin(), text.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

std::wstring UniqueName()
{
    GUID guid{};
    ::CoCreateGuid(&guid);
    wchar_t text[64] = {};
    ::StringFromGUID2(guid, text, 64);
    return L"outlook-standin-host-" + std::wstring(text);
}

// The Outlook in the running object table, when it serves `profilePath`; empty otherwise.
Dispatch RunningOutlookServing(const std::wstring& profilePath)
{
    ComPtr<IUnknown> running;
    if (FAILED(::GetActiveObject(kClsidOutlookApplication, nullptr, running.put())) || !running) return {};
    ComPtr<IDispatch> object = running.tryQuery<IDispatch>();
    if (!object) return {};
    Dispatch application(std::move(object));
    try {
        // An Outlook left over from elsewhere must not be taken for this one.
        if (application.getObject(L"StandIn").get(L"ProfilePath").toText() != profilePath) return {};
    } catch (const ComError&) {
        return {};
    }
    return application;
}

} // namespace

std::wstring OutlookHost::ExePath()
{
    std::wstring path = L"Z:" + FromUtf8(GLEANER_OUTLOOK_HOST);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

OutlookHost::OutlookHost(const std::wstring& profilePath)
    : profilePath_(profilePath), endEventName_(UniqueName())
{
    endEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, endEventName_.c_str()));
    if (!endEvent_) throw std::runtime_error("cannot create the host's end event");
    const std::wstring exe = ExePath();
    std::wstring commandLine = L"\"" + exe + L"\" --end-event " + endEventName_;
    std::vector<wchar_t> environment = EnvironmentWithProfile(profilePath);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), nullptr, &startup, &info))
        throw std::runtime_error("cannot start " + ToUtf8(exe));
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    processId_ = info.dwProcessId;

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!(application_ = RunningOutlookServing(profilePath))) {
        if (!Running()) {
            DWORD code = 0;
            ::GetExitCodeProcess(process_.get(), &code);
            throw std::runtime_error("the Outlook stand-in's host ended at its start, exit code " + std::to_string(code));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::TerminateProcess(process_.get(), 99);
            throw std::runtime_error("the Outlook stand-in's host was not found running within the time-out");
        }
        // Wakes early when the host ends.
        ::WaitForSingleObject(process_.get(), 20);
    }
}

OutlookHost::~OutlookHost()
{
    try {
        End();
    } catch (const std::exception&) {
        ::TerminateProcess(process_.get(), 99);
    }
}

Dispatch OutlookHost::Control() const { return application_.getObject(L"StandIn"); }

long OutlookHost::CallCount(std::wstring_view member) const
{
    return Control().call(L"CallCount", std::wstring(member)).toInt();
}

void OutlookHost::Disconnect() noexcept { application_.reset(); }

bool OutlookHost::Running() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

DWORD OutlookHost::WaitForExit(std::chrono::milliseconds timeout)
{
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        throw std::runtime_error("the Outlook stand-in's host is still running");
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

DWORD OutlookHost::End()
{
    Disconnect();
    ::SetEvent(endEvent_.get());
    return WaitForExit();
}

} // namespace gleaner::test
