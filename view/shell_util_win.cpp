#include "view/shell_util_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "ui/handle_win.h"
#include "view/text_util.h"

namespace {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looks "SetLayeredWindowAttributes" up in user32; the module stays loaded by
// the caller's handle for as long as the pointer is used.
SetLayeredWindowAttributesFn FindSetLayered(ModuleHandle& user32) {
  user32.reset(::LoadLibraryW(L"user32.dll"));
  if (!user32) return nullptr;
  const FARPROC proc = ::GetProcAddress(user32.get(), "SetLayeredWindowAttributes");
  return reinterpret_cast<SetLayeredWindowAttributesFn>(reinterpret_cast<void (*)()>(proc));
}

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

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An existing directory passes, a missing one is created; a file in the way fails.
bool PassOrCreate(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
  // Someone else may have created it in the meantime.
  return ::GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

// Past the end of the component that starts at pos (at its closing separator or the end).
size_t SkipComponent(const std::wstring& path, size_t pos) {
  while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
  return pos;
}

// The length of the part of a path that cannot be created: "C:", "\\server\share",
// "\\?\C:", "\\?\UNC\server\share"; zero for relative paths.
size_t RootLength(const std::wstring& path) {
  auto startsWith = [&](const wchar_t* prefix) { return path.rfind(prefix, 0) == 0; };
  size_t pos = 0;
  if (startsWith(L"\\\\?\\UNC\\")) return SkipComponent(path, SkipComponent(path, 8) + 1);
  if (startsWith(L"\\\\?\\")) pos = 4;
  else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
    return SkipComponent(path, SkipComponent(path, 2) + 1);
  if (path.size() >= pos + 2 && path[pos + 1] == L':') pos += 2;
  return pos;
}

}  // namespace

bool IsWindowsXpOrLater() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return false;
  return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0);
}

void ApplyFontToChildren(HWND window, HFONT font) {
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

intptr_t OpenDocument(const std::wstring& target, int showCommand) {
  const intptr_t result =
      reinterpret_cast<intptr_t>(::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, showCommand));
  if (result > 32) return result;
  // No handler for the target itself: hand it to whatever opens web pages.
  const std::optional<std::wstring> htmlClass = ReadDefaultText(HKEY_CLASSES_ROOT, L".htm");
  if (!htmlClass || htmlClass->empty()) return result;
  const std::optional<std::wstring> command = ReadDefaultText(HKEY_CLASSES_ROOT, *htmlClass + L"\\shell\\open\\command");
  if (!command || command->empty()) return result;
  return RunCommandLine(HandlerCommandLine(*command, target), showCommand);
}

bool EnsureDirectory(const std::wstring& path, bool create) {
  if (IsDirectory(path)) return true;
  return create && CreateDirectoryPath(path);
}

bool CreateDirectoryPath(const std::wstring& path) {
  if (path.empty()) return false;
  const size_t root = RootLength(path);
  for (size_t i = root + 1; i < path.size(); ++i) {
    if (!IsSeparator(path[i]) || IsSeparator(path[i - 1])) continue;
    if (!PassOrCreate(path.substr(0, i))) return false;
  }
  if (IsSeparator(path.back())) return path.size() <= root + 1 ? IsDirectory(path) : true;
  return PassOrCreate(path);
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::wstring> ModuleDirectory() {
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::nullopt;
    if (length >= size) continue;  // cut short: try a larger buffer
    std::wstring path(buffer.data(), length);
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::nullopt;
    path.resize(slash + 1);
    return path;
  }
  return std::nullopt;
}

bool SetTopmost(HWND window, bool on) {
  return ::SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

bool CanSetTransparency() {
  ModuleHandle user32;
  return FindSetLayered(user32) != nullptr;
}

BYTE TransparencyAlpha(int percent) {
  percent = std::clamp(percent, 0, 100);
  return static_cast<BYTE>((100 - percent) * 255 / 100);
}

bool SetWindowTransparency(HWND window, int percent, bool clickThrough) {
  ModuleHandle user32;
  const SetLayeredWindowAttributesFn setLayered = FindSetLayered(user32);
  // A layered window whose attributes are never set stays invisible, so the
  // style changes only when the attributes can follow.
  if (!setLayered) return false;
  LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED;
  if (clickThrough) style |= WS_EX_TRANSPARENT;
  else style &= ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, style);
  return setLayered(window, 0, TransparencyAlpha(percent), LWA_ALPHA) != FALSE;
}

bool ChooseFile(HWND owner, std::wstring_view filter, std::wstring& fileName, DWORD* filterIndex,
                std::wstring_view title, std::wstring_view defaultExtension, DWORD flags, bool open) {
  std::wstring filterList(filter);
  std::replace(filterList.begin(), filterList.end(), L'|', L'\0');
  filterList.append(2, L'\0');  // the list ends with two NULs
  const std::wstring titleText(title);
  const std::wstring extensionText(defaultExtension);
  std::vector<wchar_t> buffer(32768, L'\0');  // room for a multiple selection too

  OPENFILENAMEW ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filterList.c_str();
  ofn.nFilterIndex = filterIndex ? *filterIndex : 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size() - 1);
  ofn.lpstrTitle = title.empty() ? nullptr : titleText.c_str();
  ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : extensionText.c_str();
  ofn.Flags = flags;
  fileName.clear();
  const BOOL chosen = open ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (!chosen) return false;
  if (flags & OFN_ALLOWMULTISELECT) {
    // Folder and file names, each ended by a NUL; the list ends with an empty name.
    size_t end = 0;
    while (end + 1 < buffer.size() && !(buffer[end] == L'\0' && buffer[end + 1] == L'\0')) ++end;
    fileName.assign(buffer.data(), end);
  } else {
    fileName = buffer.data();
  }
  if (!open && filterIndex) *filterIndex = ofn.nFilterIndex;
  return true;
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

LocalTime CurrentLocalTime() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.dayOfWeek = st.wDayOfWeek;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  return t;
}
