#pragma once
// The check boxes of a list view with LVS_EX_CHECKBOXES are state pictures that the control
// makes once, at the size of the DPI it started with. A window that moves to a screen of
// another DPI gives its lists new ones.
#include <windows.h>

namespace gleaner {

// Gives `listView` check box pictures `size` pixels square, drawn as the system draws check
// boxes, unless the ones it has are that size already. The control owns and frees them.
void FitCheckBoxImages(HWND listView, int size) noexcept;

} // namespace gleaner
