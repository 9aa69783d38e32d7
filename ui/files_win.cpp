#include "ui/files_win.h"

#include "ui/pickers_win.h"

#include <algorithm>
#include <vector>

#include "base/text_util.h"
#include "ui/handle_win.h"

namespace {

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

bool WriteAllBytes(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    if (!::WriteFile(file, bytes.data() + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
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

bool ChooseFile(HWND owner, std::wstring_view filter, std::wstring& fileName, DWORD* filterIndex,
                std::wstring_view title, std::wstring_view defaultExtension, DWORD flags, bool open,
                std::wstring_view initialDirectory, std::wstring_view startName) {
  std::wstring filterList(filter);
  std::replace(filterList.begin(), filterList.end(), L'|', L'\0');
  filterList.append(2, L'\0');  // the list ends with two NULs
  const std::wstring titleText(title);
  const std::wstring extensionText(defaultExtension);
  const std::wstring folderText(initialDirectory);
  std::vector<wchar_t> buffer(32768, L'\0');  // room for a multiple selection too
  if (startName.size() < buffer.size() - 1) std::copy(startName.begin(), startName.end(), buffer.begin());

  OPENFILENAMEW ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filterList.c_str();
  ofn.nFilterIndex = filterIndex ? *filterIndex : 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size() - 1);
  ofn.lpstrTitle = title.empty() ? nullptr : titleText.c_str();
  ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : extensionText.c_str();
  ofn.lpstrInitialDir = initialDirectory.empty() ? nullptr : folderText.c_str();
  ofn.Flags = flags;
  fileName.clear();
  const BOOL chosen = CurrentPickers().file && CurrentPickers().file(&ofn, open);
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

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryW(folder, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}
