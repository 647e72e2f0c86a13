#pragma once
// "Send Error Report": writes the system log, starts the export of the settings key, and opens
// a support mail with the three log files attached in the user's mail program.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/Dispatch.h"
#include "support/WindowsVersion.h"

namespace gleaner {

std::wstring SystemLogPath();
std::wstring RegistryExportPath();

// Errors are not caught here: they reach the application-wide handler. `outlookNamespace` is
// the logged-on namespace; `mainWindow` owns the registry editor and the mail dialog.
void SendErrorReport(HWND mainWindow, const Dispatch& outlookNamespace);

// Windows, its service packs, Outlook's version and its COM add-ins, one item a line, in the
// ANSI code page. A failure leaves the lines written so far.
void WriteSystemLog(const Dispatch& outlookNamespace);

// The system's own version numbers (not the compatibility figures GetVersionEx gives a
// program without a manifest entry for newer systems); nothing when the query fails.
std::optional<WindowsVersionInfo> QueryWindowsVersion();
std::wstring GetWindowsVersion();

} // namespace gleaner
