// The traffic log the meter window holds open for the whole run: where it is,
// opening (creating, converting, reinitialising) it, today's counters loaded
// from it and written back to it, clearing it, and the dialogs when it cannot
// be opened. The platform (files, folders, the companion service, the adapter
// list) is reached through LogPlatform, so all of this runs natively in tests.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "measure/adapter_entry.h"
#include "measure/adapter_source.h"
#include "settings/registry_store.h"
#include "trafficlog/log_check.h"
#include "trafficlog/log_format.h"
#include "base/dates.h"

inline constexpr wchar_t kLogFileName[] = L"sum_v2.log";
inline constexpr wchar_t kOldLogFileName[] = L"sum.log";
inline constexpr wchar_t kLogFolderName[] = L"ZephraData";
inline constexpr wchar_t kLogPathValue[] = L"TrafficLogFile";
// Service states as the service control manager reports them.
constexpr int kServiceNotInstalled = -1;
constexpr int kServiceStopped = 1;
constexpr int kServiceStartPending = 2;
constexpr int kServiceRunning = 4;
// How often opening in normal mode asks a running service to stop when the file
// stays locked. Each stop waits for the service (bounded, see service control),
// so a service that keeps the file or comes back at once cannot hang start-up.
constexpr int kMaxServiceStopsOnOpen = 2;
// A log path holds at most this many characters.
constexpr size_t kMaxLogPath = 259;

enum class LogOpenMode {
  ServiceRead,      // existing file, read only, others may read and write (the service writes)
  NormalReadWrite,  // read and write, created if missing, others may only read
  OldLogRead,       // existing file, read only, others may read
  CreateNew,        // a new file for writing that must not exist yet (the copy of a foreign file)
  Replace,          // a file for writing, created or emptied, others may not open it (a copy's temporary file)
};

class LogPlatform {
public:
  virtual ~LogPlatform() = default;
  virtual std::unique_ptr<LogFile> OpenFile(const std::wstring& path, LogOpenMode mode) = 0;
  // The user's application-data folder, created if missing (no trailing separator).
  virtual bool AppDataFolder(std::wstring& out) = 0;
  // True when the folder exists as a directory or was created.
  virtual bool EnsureDirectory(const std::wstring& path) = 0;
  // The program's own folder, ending in a separator.
  virtual bool ProgramFolder(std::wstring& out) = 0;
  virtual int QueryServiceState() = 0;  // kServiceNotInstalled when unknown
  virtual bool StopService() = 0;       // waits, bounded, until stopped
  virtual bool ListAdapters(std::vector<AdapterInfo>& out) = 0;
  // The copies of the log: `from` renamed over `to` (replacing it), a file
  // removed, and the names of the files in a folder (none when it is missing).
  virtual bool ReplaceFile(const std::wstring&, const std::wstring&) { return false; }
  virtual bool RemoveFile(const std::wstring&) { return false; }
  virtual std::vector<std::wstring> ListFiles(const std::wstring&) { return {}; }
};

// Any container of entries, of pointers or of owning pointers to entries, as the
// list of pointers that the log operations take.
template <class Range>
std::vector<AdapterEntry*> EntryList(Range& range) {
  std::vector<AdapterEntry*> out;
  for (auto& e : range) {
    if constexpr (std::is_same_v<std::decay_t<decltype(e)>, AdapterEntry>) out.push_back(&e);
    else out.push_back(&*e);
  }
  return out;
}
using EntrySpan = std::span<AdapterEntry* const>;

class TrafficLog {
public:
  explicit TrafficLog(LogPlatform& platform) : platform_(platform) {}
  TrafficLog(const TrafficLog&) = delete;
  TrafficLog& operator=(const TrafficLog&) = delete;

  // Sets the log path: the option "TrafficLogFile" when present (custom path),
  // else <application data>\ZephraData\sum_v2.log, else the program's folder.
  // Stores the path back under the per-user root, and the machine-wide root when
  // the service is enabled. registryRoot is e.g. "Software\Quarlen\Zephra\".
  void LocateLogFile(RegistryStore& registry, const std::wstring& registryRoot, bool serviceEnabled);
  // Writes the log path as "TrafficLogFile" in "<registryRoot>Options" of the given root.
  bool SaveLogPathSetting(RegistryStore& registry, RegRoot root, const std::wstring& registryRoot) const;

  // Opens the log at the path; true when a usable log is open. In service mode
  // the file must already be a log and is never changed. In normal mode a missing
  // file is created (and "sum.log" converted at the default location); a file that
  // is not a log is first copied aside (backupPath()) and then started afresh, and
  // when it cannot be copied it is left alone and opening fails.
  bool OpenLogFile(bool serviceMode);
  void CloseLogFile() { file_.reset(); }
  // The companion service keeps the log as the local system, at a path a user
  // chose: a file that is not a log is then refused (refusedForeign()), never
  // copied aside nor started afresh.
  void SetLeaveForeignFiles(bool leave) { leaveForeign_ = leave; }
  bool refusedForeign() const { return refusedForeign_; }

  // Fills every entry's today counters and record offset from the records of the date.
  bool LoadTodayCounters(EntrySpan entries, const LocalTime& date);
  // Writes every entry's record for the date (appending new ones) and flushes.
  void WriteTodayRecords(EntrySpan entries, const LocalTime& date);
  // Removes every record and zeroes today's counters, once the records are
  // safe in a copy "-before-clear" in the backups folder. False, with nothing
  // changed, when that copy fails or in service mode (the service keeps the log).
  bool ClearLog(EntrySpan entries, const CivilDate& today);

  bool isOpen() const { return file_ != nullptr; }
  LogFile* file() const { return file_.get(); }  // readers scan through it; null when none
  const std::wstring& path() const { return path_; }
  bool customPath() const { return customPath_; }
  bool serviceMode() const { return serviceMode_; }
  void SetPath(const std::wstring& path, bool custom) { path_ = path; customPath_ = custom; }
  // Where the last foreign file was copied before reinitialising; empty when none.
  const std::wstring& backupPath() const { return backupPath_; }
  int serviceStopRequests() const { return serviceStops_; }
  LogPlatform& platform() const { return platform_; }
  // Counts every change of the file, so a copy can tell that it went stale.
  uint64_t changes() const { return changes_; }
  // The check run when the log was opened.
  const LogCheck& openCheck() const { return openCheck_; }

private:
  bool OpenFileOnly(bool serviceMode);
  void ConvertOldLog();
  bool CopyAside(LogFile& foreign);

  LogPlatform& platform_;
  std::wstring path_;
  bool customPath_ = false;
  bool serviceMode_ = false;
  bool leaveForeign_ = false;
  bool refusedForeign_ = false;
  std::unique_ptr<LogFile> file_;
  std::wstring backupPath_;
  int serviceStops_ = 0;
  uint64_t changes_ = 0;
  LogCheck openCheck_;
};

// The questions and notices shown when the log could not be opened; the shell
// shows message boxes and the save dialog, tests answer them.
class LogOpenPrompts {
public:
  virtual ~LogOpenPrompts() = default;
  virtual void ServiceModeWarning(const std::wstring& text) = 0;
  virtual bool AskChooseCustomFile(const std::wstring& text) = 0;  // Yes = true
  virtual bool ChooseLogFile(std::wstring& path) = 0;              // false = cancelled
  virtual void GiveUpNotice(const std::wstring& text) = 0;
};

std::wstring ServiceModeOpenFailureText(const std::wstring& path);
std::wstring NormalModeOpenFailureText(const std::wstring& path);
extern const wchar_t kLogGiveUpText[];

// Runs the failure dialogs when no log is open (nothing otherwise). In normal
// mode a chosen file is stored as "TrafficLogFile", opened and, on success,
// today's counters are loaded from it. True when a log is open at the end.
bool ReportOpenFailure(TrafficLog& log, LogOpenPrompts& prompts, RegistryStore& registry,
                       const std::wstring& registryRoot, EntrySpan entries, const LocalTime& date);
