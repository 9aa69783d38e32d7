// Small shell, file and window utilities that several windows call. Results
// are owned strings; no caller buffer can be overrun.
#pragma once
#include <windows.h>

#include "view/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// True on Windows XP (5.1) or later.
bool IsWindowsXpOrLater();

// Gives the window and each of its direct children the font (with redraw).
void ApplyFontToChildren(HWND window, HFONT font);

// Opens a document, web or mail address with the shell's "open" verb. When the
// shell fails (a result of 32 or less), the registered ".htm" handler is run
// with the target instead. Returns the shell's result, or on that fallback
// path a result in the same sense (above 31 when the handler started).
intptr_t OpenDocument(const std::wstring& target, int showCommand);

// True when the path is an existing directory; otherwise creates it (with
// CreateDirectoryPath) when create is set.
bool EnsureDirectory(const std::wstring& path, bool create);
// Creates every missing directory along the path ("\" or "/" separated).
// False when a part exists as a file or cannot be created.
bool CreateDirectoryPath(const std::wstring& path);
// True when the path names an existing file (not a directory).
bool IsExistingFile(const std::wstring& path);

// The folder of the running program, ending with "\" so that a file name can
// be appended directly; none when it cannot be found.
std::optional<std::wstring> ModuleDirectory();

// Puts the window into (on) or out of the always-on-top band without moving it.
bool SetTopmost(HWND window, bool on);

// True when the window manager offers layered windows ("SetLayeredWindowAttributes").
bool CanSetTransparency();
// percent 0 = opaque .. 100 = fully transparent (clamped); clickThrough lets
// mouse clicks pass through the window. False when layered windows are missing.
bool SetWindowTransparency(HWND window, int percent, bool clickThrough);
// The alpha value SetWindowTransparency gives for a percentage.
BYTE TransparencyAlpha(int percent);

// Runs the open (open = true) or save file dialog. The filter lists
// description and pattern pairs separated by "|" (or by NUL characters), as
// in "Text files (*.txt)|*.txt|All files (*.*)|*.*". fileName is emptied
// first and holds the chosen path when the dialog returns true. filterIndex
// (optional) gives the first filter shown, 1-based (1 when none), and receives
// the filter the user chose after a save dialog.
bool ChooseFile(HWND owner, std::wstring_view filter, std::wstring& fileName, DWORD* filterIndex,
                std::wstring_view title, std::wstring_view defaultExtension, DWORD flags, bool open);

// Shell_NotifyIconW with a first-version NOTIFYICONDATAW; the tooltip is cut
// to what its 64-character field holds with the terminating NUL.
bool TrayIconCall(HWND window, DWORD operation, UINT iconId, UINT flags, UINT callbackMessage, HICON icon,
                  std::wstring_view tooltip);
// The tooltip text as TrayIconCall stores it: at most maxChars characters,
// never ending in the first half of a surrogate pair.
std::wstring CutTooltip(std::wstring_view tooltip, size_t maxChars = 63);

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Advanced", the key of
// the shell's display options under HKEY_CURRENT_USER.
std::wstring ExplorerAdvancedKeyPath();

// The platform's local date and time.
LocalTime CurrentLocalTime();
