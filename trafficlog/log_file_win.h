// The traffic log on disk: a file handle opened with the sharing modes that keep
// the program and the companion service apart, the platform pieces the log needs,
// and the message boxes shown when the log cannot be opened.
#pragma once
#include <windows.h>
#include <string>

#include "measure/adapter_source.h"
#include "trafficlog/traffic_log.h"
#include "ui/handle_win.h"

class WinLogFile : public LogFile {
public:
  WinLogFile(FileHandle handle, bool writable) : handle_(std::move(handle)), writable_(writable) {}
  size_t ReadAt(uint64_t offset, uint8_t* buffer, size_t size) override;
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
  bool Size(uint64_t& size) override;
  bool Truncate(uint64_t size) override;
  bool Flush() override;
  bool writable() const override { return writable_; }
  HANDLE handle() const { return handle_.get(); }

private:
  FileHandle handle_;
  bool writable_;
};

// Normal mode: read and write, others may only read (so the service cannot write
// while the meter runs). Service mode: read only, others may read and write.
// plainFilesOnly: a path that names a link (a reparse point or a file with more
// than one name), a folder or a device is not opened.
std::unique_ptr<LogFile> OpenLogFileHandle(const std::wstring& path, LogOpenMode mode, bool plainFilesOnly = false);

class WinLogPlatform : public LogPlatform {
public:
  // adapters may be null (no conversion of "sum.log" then); serviceName is the
  // companion service's name.
  explicit WinLogPlatform(AdapterSource* adapters, std::wstring serviceName = L"ZephraService")
      : adapters_(adapters), serviceName_(std::move(serviceName)) {}
  std::unique_ptr<LogFile> OpenFile(const std::wstring& path, LogOpenMode mode) override;
  bool AppDataFolder(std::wstring& out) override;
  bool EnsureDirectory(const std::wstring& path) override;
  bool ProgramFolder(std::wstring& out) override;
  int QueryServiceState() override;
  bool StopService() override;
  bool ListAdapters(std::vector<AdapterInfo>& out) override;
  // The companion service opens only plain files (see OpenLogFileHandle).
  void SetPlainFilesOnly(bool only) { plainFilesOnly_ = only; }
  bool ReplaceFile(const std::wstring& from, const std::wstring& to) override;
  bool RemoveFile(const std::wstring& path) override;
  std::vector<std::wstring> ListFiles(const std::wstring& folder) override;

private:
  AdapterSource* adapters_;
  bool plainFilesOnly_ = false;
  std::wstring serviceName_;
};

// Message boxes titled "Zephra" and the save dialog for a custom log file.
class WinLogOpenPrompts : public LogOpenPrompts {
public:
  explicit WinLogOpenPrompts(HWND owner) : owner_(owner) {}
  void ServiceModeWarning(const std::wstring& text) override;
  bool AskChooseCustomFile(const std::wstring& text) override;
  bool ChooseLogFile(std::wstring& path) override;
  void GiveUpNotice(const std::wstring& text) override;

private:
  HWND owner_;
};
