// Window and system helpers: the platform version, fonts on child windows,
// the always-on-top band, layered-window transparency and the local time.
#pragma once
#include <windows.h>

#include "base/dates.h"
#include "ui/handle_win.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The header of a 32-bit top-down bitmap of w x h (pixels 0x00RRGGBB).
BITMAPINFO TopDownBitmapInfo(int32_t w, int32_t h);
// A DIB section of that kind; its pixels in `bits` (null when none was made).
BitmapHandle MakeTopDownDib(HDC like, int32_t w, int32_t h, uint32_t*& bits);

// True on Windows XP (5.1) or later.
bool IsWindowsXpOrLater();

// Gives the window and each of its direct children the font (with redraw).
void ApplyFontToChildren(HWND window, HFONT font);

// Puts the window into (on) or out of the always-on-top band without moving it.
bool SetTopmost(HWND window, bool on);

// A window of its own for a modal tool window: the program's icon (resource
// iconId) large and small, centred on the desktop, and a task-bar button.
// The icons are returned for the caller to keep while the window lives.
void MakeAppWindow(HWND window, HINSTANCE inst, int iconId, HICON& big, HICON& small);

// A control's text, however long.
std::wstring ControlText(HWND control);
// A dialog item's text; empty when there is no such item.
std::wstring ItemText(HWND dlg, int id);
// Replaces a dialog item's text only when it differs, so the label does not flicker.
void SetItemTextIfChanged(HWND dlg, int id, const std::wstring& text);

// True when the window manager offers layered windows ("SetLayeredWindowAttributes").
bool CanSetTransparency();
// percent 0 = opaque .. 100 = fully transparent (clamped); clickThrough lets
// mouse clicks pass through the window. False when layered windows are missing.
bool SetWindowTransparency(HWND window, int percent, bool clickThrough);
// The alpha value SetWindowTransparency gives for a percentage.
BYTE TransparencyAlpha(int percent);

// The platform's local date and time.
LocalTime CurrentLocalTime();

// Loads the icon resource in the large and the small size into the two
// handles and gives them to the window.
void SetWindowIcons(HWND window, HINSTANCE inst, int iconId, IconHandle& big, IconHandle& small);
