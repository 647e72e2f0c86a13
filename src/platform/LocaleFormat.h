#pragma once
// Dates and times in the user's regional settings (user default locale).
#include <windows.h>

#include <string>

namespace gleaner {

std::wstring FormatShortDate(const SYSTEMTIME& time);
std::wstring FormatLongTime(const SYSTEMTIME& time);

// An OLE automation date (VT_DATE) as local SYSTEMTIME; milliseconds are kept.
SYSTEMTIME OleDateToSystemTime(double oleDate);

} // namespace gleaner
