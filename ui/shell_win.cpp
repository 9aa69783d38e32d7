#include "ui/shell_win.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "base/text_util.h"
#include "ui/handle_win.h"

namespace {

// The default value of a key as text (environment strings expanded); none
// when the key or value is missing or not text.
std::optional<std::wstring> ReadDefaultText(HKEY root, const std::wstring& subKey) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return std::nullopt;
  RegKey key(raw);
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(data.data());  // the stored text may or may not carry its NUL
  if (type == REG_EXPAND_SZ) {
    const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::vector<wchar_t> expanded(needed + 1, L'\0');
    if (::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed + 1) != 0) text = expanded.data();
  }
  return text;
}

// Runs a command line; a result above 31 when it started, as the shell reports success.
intptr_t RunCommandLine(const std::wstring& commandLine, int showCommand) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    const DWORD error = ::GetLastError();
    return error > 0 && error < 32 ? static_cast<intptr_t>(error) : 0;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return 33;
}

}  // namespace

intptr_t ShellOpen(const std::wstring& target, const wchar_t* verb, int showCommand) {
  return reinterpret_cast<intptr_t>(::ShellExecuteW(nullptr, verb, target.c_str(), nullptr, nullptr, showCommand));
}

intptr_t OpenDocument(const std::wstring& target, int showCommand) {
  const intptr_t result = ShellOpen(target, L"open", showCommand);
  if (result > 32) return result;
  // No handler for the target itself: hand it to whatever opens web pages.
  const std::optional<std::wstring> htmlClass = ReadDefaultText(HKEY_CLASSES_ROOT, L".htm");
  if (!htmlClass || htmlClass->empty()) return result;
  const std::optional<std::wstring> command = ReadDefaultText(HKEY_CLASSES_ROOT, *htmlClass + L"\\shell\\open\\command");
  if (!command || command->empty()) return result;
  return RunCommandLine(HandlerCommandLine(*command, target), showCommand);
}

std::wstring CutTooltip(std::wstring_view tooltip, size_t maxChars) {
  size_t length = std::min(tooltip.size(), maxChars);
  if (length < tooltip.size() && length > 0 && tooltip[length - 1] >= 0xD800 && tooltip[length - 1] <= 0xDBFF)
    --length;  // do not leave half a surrogate pair behind
  return std::wstring(tooltip.substr(0, length));
}

bool TrayIconCall(HWND window, DWORD operation, UINT iconId, UINT flags, UINT callbackMessage, HICON icon,
                  std::wstring_view tooltip) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = window;
  data.uID = iconId;
  data.uFlags = flags;
  data.uCallbackMessage = callbackMessage;
  data.hIcon = icon;
  // The first version's tooltip field holds 64 characters with the NUL.
  const std::wstring tip = CutTooltip(tooltip, 63);
  std::copy(tip.begin(), tip.end(), data.szTip);
  data.szTip[tip.size()] = L'\0';
  return ::Shell_NotifyIconW(operation, &data) != FALSE;
}

std::wstring ExplorerAdvancedKeyPath() {
  return std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\") + L"Explorer\\Advanced";
}
