#pragma once
// The Outlook stand-in out of process, for a test or a benchmark: its host executable
// (standins/outlook/Host.cpp) started on a profile and reached the way a running Outlook is.
#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"

namespace gleaner::test {

// One running host. The constructor starts it with OUTLOOK_STANDIN_PROFILE = `profilePath`
// and returns once GetActiveObject in this process finds it serving that profile; this object
// then holds that connection. The destructor ends it: the connection is let go, the host is
// told to end, and the destructor waits until the process has exited, so the profile has been
// folded and can be read back. Only one host may run at a time (the running object table holds
// one Outlook): tests that start one hold the ctest resource lock `running_outlook`.
class OutlookHost {
public:
    explicit OutlookHost(const std::wstring& profilePath);
    ~OutlookHost();
    OutlookHost(const OutlookHost&) = delete;
    OutlookHost& operator=(const OutlookHost&) = delete;

    // The running Application as a client of this process sees it (a proxy); empty after
    // Disconnect().
    const Dispatch& application() const noexcept { return application_; }
    // Application.StandIn, the control object, through the same connection.
    Dispatch Control() const;
    // Calls and reads of a member the host has served since its last ResetCounts.
    long CallCount(std::wstring_view member) const;

    // Lets go of this object's own connection: the host then ends once its other clients go.
    void Disconnect() noexcept;
    // Waits for the host to end by itself; its exit code (0: every object was released and the
    // profile folded). Throws when it is still running after `timeout`.
    DWORD WaitForExit(std::chrono::milliseconds timeout = std::chrono::milliseconds(60000));
    // Disconnects, tells the host to end and waits for it; its exit code.
    DWORD End();
    bool Running() const;
    DWORD processId() const noexcept { return processId_; }

    // The executable, as a Windows path.
    static std::wstring ExePath();

private:
    // This thread's COM, for as long as the connection is held (the caller may have none).
    ComInit com_;
    std::wstring profilePath_;
    std::wstring endEventName_;
    UniqueHandle endEvent_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    Dispatch application_;
};

} // namespace gleaner::test
