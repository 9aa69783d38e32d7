// The shell: opening documents and addresses, the notification-area call
// and where the shell keeps its display options.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Opens a web or mail address with the shell's "open" verb. When the shell
// fails (a result of 32 or less), the registered ".htm" handler is run with the
// target instead. Returns the shell's result, or on that fallback path a
// result in the same sense (above 31 when the handler started).
intptr_t OpenDocument(const std::wstring& target, int showCommand);

// Opens a file or folder with a shell verb ("open", "explore") and nothing
// else: a missing file is never handed to the web-page handler. Returns the
// shell's result (above 32 on success).
intptr_t ShellOpen(const std::wstring& target, const wchar_t* verb, int showCommand);

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
