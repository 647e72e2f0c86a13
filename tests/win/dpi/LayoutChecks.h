#pragma once
// What a window laid out for a DPI must show, checked on the real controls: every control's
// text fits it in the control's own font, no two sibling controls overlap, and the sizes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace gleaner::test {

// A 96-DPI size at `dpi`, rounded as the program rounds.
int Scaled(int designPixels, int dpi);

std::wstring Text(HWND window);
// The text as the screen shows it: the "&" that marks a mnemonic left out.
std::wstring VisibleText(HWND window);
RECT BoundsIn(HWND parent, HWND child);
int Width(const RECT& r);
int Height(const RECT& r);
bool Inside(const RECT& inner, const RECT& outer);

// The size `text` needs in the control's font, wrapped at the control's width when `wrap`.
SIZE TextExtent(HWND control, const std::wstring& text, bool wrap = false);
// The character height (tmHeight) of the control's font.
int FontHeightOf(HWND control);
// The LOGFONT of the control's font.
LOGFONTW FontOf(HWND control);

// The visible children of `parent`, in Z order.
std::vector<HWND> VisibleChildren(HWND parent);

// The visible text of `control` fits it, leaving `room` pixels beside the text (a check
// box's mark, a button's border) and the font's height.
void ExpectTextFits(HWND control, int room, bool wrap = false);
// No two of `controls` overlap, except a frame (group box, tab control) and what it holds.
void ExpectNoOverlap(HWND parent, const std::vector<HWND>& controls);
// Every control of `controls` lies within `area` (client coordinates of `parent`).
void ExpectInside(HWND parent, const std::vector<HWND>& controls, const RECT& area);

// Repaints `window` with everything in it and hands pending messages on, so that the screen
// shows it as it is now.
void Repaint(HWND window);
// Handles this thread's pending messages.
void Pump();
// The folder the run keeps its pictures in (its working folder).
std::wstring PictureFolder();

} // namespace gleaner::test
