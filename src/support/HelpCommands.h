#pragma once
// The Help menu's pointers elsewhere: the product web page and the help file, both handed to
// the shell. The shell's answer is not looked at: a missing file or program shows nothing.
#include <windows.h>

#include <string>

namespace gleaner {

// "Gleaner on the Web", and the About box's link.
void OpenProductPage(HWND parent);
// "Help": the help file beside the executable, with its base name.
void OpenHelpFile(HWND parent);
// This executable's full path.
std::wstring ExecutablePath();

} // namespace gleaner
