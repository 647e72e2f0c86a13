#pragma once
// The demo's tour: Gleaner on the demo profile, step by step, with a screenshot after each
// step and a line saying what the step found.
#include <string>

namespace gleaner::e2e {

// Runs the tour on the program `exe` with the profile that OUTLOOK_STANDIN_PROFILE names,
// saving screenshots into `screenshotFolder`. Returns 0 when every step did what it should.
int RunTour(const std::wstring& exe, const std::wstring& screenshotFolder);

} // namespace gleaner::e2e
