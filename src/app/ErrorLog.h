#pragma once
// The error log: one time-stamped line per event in Gleaner.error.log under the local
// application-data folder, ANSI text, read by support staff. Writing never fails into the caller.
#include <windows.h>

#include <string>
#include <string_view>

namespace gleaner {

// A shell special folder's current path (CSIDL), without a trailing backslash; empty on failure.
std::wstring GetSpecialFolderPath(int folder);

// The folder that holds the program's logs; "\Ostrel\Gleaner" on the current drive when the
// shell has no local application-data folder.
std::wstring LogFolder();
std::wstring ErrorLogPath();

// Appends one line: the user's short date, the long time (left out at exactly midnight), the
// message unchanged. The file is opened and closed per call, so nothing is held between lines.
void LogError(const std::wstring& message) noexcept;

// The line LogError writes at `time`, without the line end.
std::wstring FormatLogLine(const SYSTEMTIME& time, std::wstring_view message);

// Creates `folder` and every missing folder above it; false when it does not exist afterwards.
bool CreateFolderChain(const std::wstring& folder) noexcept;

// Tests move the log folder so that processes running at the same time do not share a file;
// empty restores the user's folder. The program itself never calls this.
void SetLogFolderForTesting(std::wstring folder);

} // namespace gleaner
