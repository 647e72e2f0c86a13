#include "detect/TimeText.h"

namespace gleaner {

namespace {

void AppendTwoDigits(std::wstring& out, int value)
{
    out += static_cast<wchar_t>(L'0' + value / 10 % 10);
    out += static_cast<wchar_t>(L'0' + value % 10);
}

} // namespace

std::wstring ComposeTime(int hour, int minute, int second, const TimeSettings& settings)
{
    int shown = hour;
    if (settings.twelveHour) {
        shown = hour % 12;
        if (shown == 0) shown = 12;
    }
    std::wstring time;
    if (shown < 10 && settings.leadingZero) time += L'0';
    time += std::to_wstring(shown);
    time += settings.separator;
    AppendTwoDigits(time, minute);
    time += settings.separator;
    AppendTwoDigits(time, second);
    if (!settings.twelveHour) return time;

    const std::wstring& marker = hour < 12 ? settings.am : settings.pm;
    // A locale with no AM/PM text gets no stray blank either.
    if (marker.empty()) return time;
    return settings.markerFirst ? marker + L' ' + time : time + L' ' + marker;
}

} // namespace gleaner
