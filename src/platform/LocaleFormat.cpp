#include "platform/LocaleFormat.h"

#include <cmath>

#include "platform/ComError.h"

namespace gleaner {

std::wstring FormatShortDate(const SYSTEMTIME& time)
{
    wchar_t buffer[128];
    int length = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 128);
    if (length <= 0) ThrowLastError();
    return std::wstring(buffer, static_cast<size_t>(length - 1));
}

std::wstring FormatLongTime(const SYSTEMTIME& time)
{
    wchar_t buffer[128];
    int length = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer, 128);
    if (length <= 0) ThrowLastError();
    return std::wstring(buffer, static_cast<size_t>(length - 1));
}

SYSTEMTIME OleDateToSystemTime(double oleDate)
{
    // VariantTimeToSystemTime rounds to whole seconds; split the day ourselves to keep the
    // milliseconds. The whole part counts days (negative before 1899-12-30) and the
    // fraction's magnitude is the time of day, on either side of zero.
    double wholeDay = std::trunc(oleDate);
    long long millis = std::llround(std::fabs(oleDate - wholeDay) * 86400000.0);
    if (millis >= 86400000LL) millis = 86399999LL;
    SYSTEMTIME time{};
    if (!::VariantTimeToSystemTime(wholeDay, &time)) ThrowComError(DISP_E_OVERFLOW);
    time.wHour = static_cast<WORD>(millis / 3600000);
    time.wMinute = static_cast<WORD>(millis / 60000 % 60);
    time.wSecond = static_cast<WORD>(millis / 1000 % 60);
    time.wMilliseconds = static_cast<WORD>(millis % 1000);
    return time;
}

} // namespace gleaner
