#pragma once
// The Outlook stand-in a benchmark runs against: its profile in a temporary file, and Outlook
// either in this process (the stand-in's DLL) or out of process (the stand-in's host, attached
// to through the running object table as a running Outlook is).
#include <windows.h>

#include <optional>
#include <string>

#include "platform/Dispatch.h"
#include "support/OutlookHost.h"

namespace standin_bench {

class BenchOutlook {
public:
    // Writes `profileText` (UTF-8 JSON) to a temporary file and starts Outlook on it.
    BenchOutlook(const std::string& profileText, bool outOfProcess);
    ~BenchOutlook();
    BenchOutlook(const BenchOutlook&) = delete;
    BenchOutlook& operator=(const BenchOutlook&) = delete;

    bool outOfProcess() const noexcept { return host_.has_value(); }
    const gleaner::Dispatch& application() const noexcept { return application_; }
    // Application.StandIn, fetched once, before anything is counted: the control object's own
    // members are not counted, but fetching it is a call like any other.
    const gleaner::Dispatch& control() const noexcept { return control_; }
    // Seconds from nothing to a loaded profile and a first answer (the host's start included).
    double startSeconds() const noexcept { return startSeconds_; }
    const std::wstring& path() const noexcept { return path_; }

private:
    std::wstring path_;
    std::optional<gleaner::test::OutlookHost> host_;
    gleaner::Dispatch application_;
    gleaner::Dispatch control_;
    double startSeconds_ = 0;
};

// The text of a profile file given on the command line (a Windows path).
std::string ReadProfileFile(const std::wstring& path);

} // namespace standin_bench
