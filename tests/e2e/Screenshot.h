#pragma once
// Pictures of what the screen shows, for the demo's tour.
#include <windows.h>

#include <string>

namespace gleaner::e2e {

// Saves the screen area of `window` as a PNG file (through the system's imaging component).
void SaveScreenshot(HWND window, const std::wstring& pngPath);

} // namespace gleaner::e2e
