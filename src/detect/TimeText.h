#pragma once
// The time of day as a signature writes it: hours, the user's separator, two-digit minutes
// and seconds, and on a 12-hour clock the AM/PM text on the side the user's settings put it.
// Portable; the Windows side reads the settings from the user's regional options.
#include <string>

namespace gleaner {

struct TimeSettings {
    bool twelveHour = false;
    bool leadingZero = true; // hours below 10 written with a 0
    std::wstring separator = L":";
    std::wstring am;
    std::wstring pm;
    bool markerFirst = false; // AM/PM text before the time
};

std::wstring ComposeTime(int hour, int minute, int second, const TimeSettings& settings);

} // namespace gleaner
