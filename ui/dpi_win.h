// The DPI of windows and the system functions that take one, bound at run time:
// on a system without them the system DPI stands in, and the calls give what
// the DPI-less ones give. Each top-level window carries the DPI it is laid out
// for (SetWindowDpi), since WM_DPICHANGED may come before the system's own
// answer follows.
#pragma once
#include <windows.h>

#include <vector>

#include "base/dpi.h"
#include "ui/handle_win.h"

// Asks for per-monitor awareness (v2, else v1, else system); a refusal is harmless.
void EnablePerMonitorDpi();

// The DPI of the screen as a whole (LOGPIXELSY of the screen DC).
UINT SystemDpi();
// The DPI a window is laid out for: the one its top-level window carries,
// else GetDpiForWindow, else the system DPI.
UINT WindowDpi(HWND window);
// Records the DPI a top-level window is now laid out for (WM_DPICHANGED's wParam).
void SetWindowDpi(HWND window, UINT dpi);
// v pixels at 96 DPI in the window's pixels.
inline int ScaleFor(HWND window, int v) { return Scale(v, static_cast<int32_t>(WindowDpi(window))); }

int SystemMetricForDpi(int index, UINT dpi);

// A font of the description whose height (pixels at 96 DPI) is scaled to dpi.
FontHandle MakeFontForDpi(LOGFONTW lf, UINT dpi);
// "Tahoma" of `height` pixels at 96 DPI (negative: character height) and weight, at dpi.
FontHandle MakeTahoma(int height, int weight, UINT dpi);

// A font's line is not exactly in proportion to the DPI: a static text, check
// box or radio button of a dialog template can be a pixel lower than a line of
// its font. Such a control is made as high as the line (its top stays).
void GrowToTextLine(HWND control);

// What WM_DPICHANGED asks of a window made of child controls (a dialog, a
// property sheet and its pages): the window moves to the suggested rectangle,
// every child is moved and sized in proportion, every font a child uses is
// made again at the new DPI (the new fonts are kept in `fonts`, which drops the
// previous round's) and list-view columns are widened in proportion. Records
// the new DPI on the window.
void ApplyDpiChange(HWND window, UINT newDpi, const RECT* suggested, std::vector<FontHandle>& fonts);
