// Copies of the traffic log in the folder "Backups" beside it: the daily copy
// made by the program that writes the log (the meter, or the companion service
// in service mode), the copy made before a step that empties or replaces the
// log, and the copy the user asks for. Every copy is written to a temporary
// file beside its target and renamed over it only when complete.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/dates.h"
#include "trafficlog/log_format.h"

class LogPlatform;
class TrafficLog;

inline constexpr wchar_t kBackupFolderName[] = L"Backups";
inline constexpr wchar_t kLogBackupDaysValue[] = L"LogBackupDays";
inline constexpr wchar_t kBackupTempSuffix[] = L".part";
inline constexpr wchar_t kBeforeClear[] = L"clear";
inline constexpr wchar_t kBeforeRestore[] = L"restore";
inline constexpr wchar_t kBeforeChange[] = L"change";
constexpr int kDefaultBackupDays = 7;
constexpr int kWeeklyBackups = 8;
// A copy under way moves this much per tick, so a large log never stalls one.
constexpr size_t kBackupStepBytes = 1u << 20;

// "<folder of the log>\Backups\" (with the separator).
std::wstring BackupFolderOf(const std::wstring& logPath);
// "sum_v2-2024-03-05.log"
std::wstring DailyBackupName(const CivilDate& date);
// "sum_v2-2024-03-05-before-clear.log"; n > 1 adds "-n" before the extension.
std::wstring BeforeBackupName(const CivilDate& date, const wchar_t* step, int n = 1);
// The date of a daily copy's name; false for any other name (the copies
// before a step included).
bool ParseDailyBackupName(const std::wstring& name, CivilDate& date);
// The date at the start of any copy's name ("sum_v2-YYYY-MM-DD..."), daily or not.
bool ParseBackupDate(const std::wstring& name, CivilDate& date);

// The daily copies among `names` that are no longer kept: all but the newest
// `days` dates and the newest copy of each of the 8 newest ISO weeks (Monday
// to Sunday) that hold one. Other names are never listed.
std::vector<std::wstring> ExpiredDailyBackups(const std::vector<std::wstring>& names, int days);

// One copy of a log into a file, in steps: the bytes go to target + ".part",
// which replaces the target once every byte is written and flushed. A failure
// removes the temporary file and leaves the target as it was.
class LogCopy {
public:
  enum class State { Copying, Done, Failed };
  LogCopy(LogPlatform& platform, LogFile& source, std::wstring target);
  ~LogCopy();  // an unfinished copy removes its temporary file
  LogCopy(const LogCopy&) = delete;
  LogCopy& operator=(const LogCopy&) = delete;

  // Copies up to maxBytes more (at least one read).
  State Step(size_t maxBytes);
  // The source changed: start again from its first byte.
  void Restart();
  State state() const { return state_; }
  const std::wstring& target() const { return target_; }

private:
  void Fail();

  LogPlatform& platform_;
  LogFile& source_;
  std::wstring target_;
  std::unique_ptr<LogFile> temp_;
  std::vector<uint8_t> block_;
  uint64_t size_ = 0;  // the source's size when the copy (re)started
  uint64_t at_ = 0;
  State state_ = State::Copying;
};

// The whole copy at once; true when the target now holds every byte.
bool CopyLogWhole(LogPlatform& platform, LogFile& source, const std::wstring& target);

// The copy of the open log made before `step` ("clear", "restore", "change")
// into the backups folder, under a name not yet used. True when it is complete
// (or the log holds no record, so nothing can be lost). `made` gets its path.
bool CopyLogBefore(TrafficLog& log, const wchar_t* step, const CivilDate& today, std::wstring* made = nullptr);
// The same for a log given by its open file and path.
bool CopyLogBefore(LogPlatform& platform, LogFile& file, const std::wstring& logPath, const wchar_t* step,
                   const CivilDate& today, std::wstring* made = nullptr);

// The newest daily copy in the log's backups folder; empty when none.
std::wstring NewestDailyBackup(LogPlatform& platform, const std::wstring& logPath);

// The message shown once when the check at opening found damage.
std::wstring LogDamageText(const std::wstring& logPath, uint64_t damagedRecords, const std::wstring& newestBackup);

// The daily copy, driven once a tick by the program that writes the log: at
// the first tick of a date without a copy of that date the copy starts, and
// each tick moves the next kBackupStepBytes. A write of the log meanwhile
// starts it over, so the copy never holds a half-written log. When a copy is
// complete the expired daily copies are removed; never while the log failed
// its check at opening, so copies of a damaged log never push sound ones out.
class LogBackups {
public:
  explicit LogBackups(TrafficLog& log) : log_(log) {}
  // The count of daily copies kept; 0 turns them off.
  void SetDays(int days) { days_ = days; }
  void Tick(const LocalTime& now);
  // At the end of a run: completes a copy under way, or makes the day's copy
  // when the run was too short for a tick to start it.
  void Finish(const LocalTime& now);
  bool copying() const { return copy_ != nullptr; }
  int failures() const { return failures_; }

private:
  void Start(const CivilDate& date);
  void Completed();

  TrafficLog& log_;
  int days_ = kDefaultBackupDays;
  CivilDate checked_{};  // the last date whose copy was made or found
  std::unique_ptr<LogCopy> copy_;
  uint64_t copyChanges_ = 0;
  LogFile* copySource_ = nullptr;
  int failures_ = 0;
};
