#include "trafficlog/log_file_win.h"

#include "ui/common_dialogs_win.h"

#include <algorithm>
#include <memory>

#include "service_control/service_control_win.h"
#include "ui/files_win.h"

namespace {

bool Seek(HANDLE h, uint64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(h, at, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace

size_t WinLogFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  if (!Seek(handle_.get(), offset)) return 0;
  size_t total = 0;
  while (total < size) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size - total, 1u << 30));
    if (!::ReadFile(handle_.get(), buffer + total, want, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

bool WinLogFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
  if (!writable_ || !Seek(handle_.get(), offset)) return false;
  size_t total = 0;
  while (total < size) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size - total, 1u << 30));
    if (!::WriteFile(handle_.get(), data + total, want, &put, nullptr) || put == 0) return false;
    total += put;
  }
  return true;
}

bool WinLogFile::Size(uint64_t& size) {
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(handle_.get(), &s)) return false;
  size = static_cast<uint64_t>(s.QuadPart);
  return true;
}

bool WinLogFile::Truncate(uint64_t size) {
  return writable_ && Seek(handle_.get(), size) && ::SetEndOfFile(handle_.get());
}

bool WinLogFile::Flush() { return writable_ && ::FlushFileBuffers(handle_.get()); }

std::unique_ptr<LogFile> OpenLogFileHandle(const std::wstring& path, LogOpenMode mode, bool plainFilesOnly) {
  DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS;
  switch (mode) {
    case LogOpenMode::ServiceRead:
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
    case LogOpenMode::NormalReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
    case LogOpenMode::OldLogRead:
      flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
      break;
    case LogOpenMode::CreateNew:
      access = GENERIC_READ | GENERIC_WRITE;
      share = 0;
      disposition = CREATE_NEW;
      flags = FILE_ATTRIBUTE_NORMAL;
      break;
    case LogOpenMode::Replace:
      access = GENERIC_READ | GENERIC_WRITE;
      share = 0;
      disposition = CREATE_ALWAYS;
      flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
      break;
  }
  // The link itself is opened, never what it points to.
  if (plainFilesOnly) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  FileHandle h(::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  if (!h) return nullptr;
  if (plainFilesOnly) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h.get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || info.nNumberOfLinks > 1)
      return nullptr;
  }
  return std::make_unique<WinLogFile>(std::move(h), (access & GENERIC_WRITE) != 0);
}

std::unique_ptr<LogFile> WinLogPlatform::OpenFile(const std::wstring& path, LogOpenMode mode) {
  return OpenLogFileHandle(path, mode, plainFilesOnly_);
}

bool WinLogPlatform::AppDataFolder(std::wstring& out) {
  // Looked up at run time: very old shells lack it.
  using GetFolderFn = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
  ModuleHandle shell(::LoadLibraryW(L"shell32.dll"));
  if (!shell) return false;
  auto fn = reinterpret_cast<GetFolderFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(shell.get(), "SHGetSpecialFolderPathW")));
  wchar_t path[MAX_PATH] = {};
  if (!fn || !fn(nullptr, path, 26 /* CSIDL_APPDATA */, TRUE)) return false;
  out = path;
  return !out.empty();
}

bool WinLogPlatform::EnsureDirectory(const std::wstring& path) { return ::EnsureDirectory(path, true); }

bool WinLogPlatform::ProgramFolder(std::wstring& out) {
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return false;
  out = *dir;
  return true;
}

int WinLogPlatform::QueryServiceState() { return ::QueryServiceState(serviceName_); }

bool WinLogPlatform::StopService() { return StopServiceAndWait(serviceName_); }

bool WinLogPlatform::ListAdapters(std::vector<AdapterInfo>& out) {
  return adapters_ != nullptr && adapters_->ListAdapters(out);
}

bool WinLogPlatform::ReplaceFile(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool WinLogPlatform::RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

std::vector<std::wstring> WinLogPlatform::ListFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW((pattern + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return names;
}

void WinLogOpenPrompts::ServiceModeWarning(const std::wstring& text) {
  ::MessageBoxW(owner_, text.c_str(), L"Zephra", MB_OK | MB_ICONWARNING);
}

bool WinLogOpenPrompts::AskChooseCustomFile(const std::wstring& text) {
  return ::MessageBoxW(owner_, text.c_str(), L"Zephra", MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool WinLogOpenPrompts::ChooseLogFile(std::wstring& path) {
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = L"Log File (*.log)\0*.log\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"log";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!CommonGetSaveFileName(&ofn)) return false;
  path = file;
  return true;
}

void WinLogOpenPrompts::GiveUpNotice(const std::wstring& text) {
  ::MessageBoxW(owner_, text.c_str(), L"Zephra", MB_OK | MB_ICONINFORMATION);
}
