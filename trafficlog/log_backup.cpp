#include "trafficlog/log_backup.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "base/text_util.h"
#include "base/utf16.h"
#include "trafficlog/traffic_log.h"

namespace {

constexpr wchar_t kPrefix[] = L"sum_v2-";
constexpr size_t kPrefixLength = 7;
constexpr size_t kDateLength = 10;  // YYYY-MM-DD

std::wstring Digits(int value, int width) {
  std::wstring s = std::to_wstring(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), L'0');
  return s;
}

std::wstring IsoName(const CivilDate& d) {
  return Digits(d.year, 4) + L"-" + Digits(d.month, 2) + L"-" + Digits(d.day, 2);
}

bool Number(const std::wstring& s, size_t at, size_t count, int& value) {
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (s[i] < L'0' || s[i] > L'9') return false;
    value = value * 10 + (s[i] - L'0');
  }
  return true;
}

// Monday-based weeks: 1970-01-05, day 4 since the epoch, was a Monday.
int64_t IsoWeekOf(const CivilDate& d) {
  const int64_t days = DaysFromCivil(d) - 4;
  return days >= 0 ? days / 7 : -((-days + 6) / 7);
}

}  // namespace

std::wstring BackupFolderOf(const std::wstring& logPath) {
  const size_t slash = logPath.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : logPath.substr(0, slash + 1);
  return folder + kBackupFolderName + L"\\";
}

std::wstring DailyBackupName(const CivilDate& date) { return kPrefix + IsoName(date) + L".log"; }

std::wstring BeforeBackupName(const CivilDate& date, const wchar_t* step, int n) {
  return kPrefix + IsoName(date) + L"-before-" + step + (n > 1 ? L"-" + std::to_wstring(n) : std::wstring()) + L".log";
}

bool ParseBackupDate(const std::wstring& name, CivilDate& date) {
  if (name.size() < kPrefixLength + kDateLength || name.compare(0, kPrefixLength, kPrefix) != 0) return false;
  const size_t at = kPrefixLength;
  if (name[at + 4] != L'-' || name[at + 7] != L'-') return false;
  if (!Number(name, at, 4, date.year) || !Number(name, at + 5, 2, date.month) || !Number(name, at + 8, 2, date.day))
    return false;
  return IsCalendarDate(date.year, date.month, date.day);
}

bool ParseDailyBackupName(const std::wstring& name, CivilDate& date) {
  return name.size() == kPrefixLength + kDateLength + 4 && EqualNoCase(name.substr(kPrefixLength + kDateLength), L".log") &&
         ParseBackupDate(name, date);
}

std::vector<std::wstring> ExpiredDailyBackups(const std::vector<std::wstring>& names, int days) {
  std::map<int64_t, std::wstring, std::greater<>> daily;  // newest first; one name per date
  for (const std::wstring& n : names) {
    CivilDate d;
    if (ParseDailyBackupName(n, d)) daily.emplace(DaysFromCivil(d), n);
  }
  std::vector<std::wstring> expired;
  int kept = 0, weeks = 0;
  int64_t lastWeek = INT64_MAX;
  for (const auto& [day, name] : daily) {
    const int64_t week = IsoWeekOf(CivilFromDays(day));
    const bool newestOfWeek = week != lastWeek;
    lastWeek = week;
    bool keep = false;
    if (kept < days) keep = true, ++kept;
    if (newestOfWeek && weeks < kWeeklyBackups) keep = true, ++weeks;
    if (!keep) expired.push_back(name);
  }
  return expired;
}

LogCopy::LogCopy(LogPlatform& platform, LogFile& source, std::wstring target)
    : platform_(platform), source_(source), target_(std::move(target)) {
  Restart();
}

LogCopy::~LogCopy() {
  if (state_ != State::Done && temp_) {
    temp_.reset();
    platform_.RemoveFile(target_ + kBackupTempSuffix);
  }
}

void LogCopy::Restart() {
  temp_.reset();
  at_ = 0;
  state_ = State::Copying;
  if (!source_.Size(size_)) return Fail();
  temp_ = platform_.OpenFile(target_ + kBackupTempSuffix, LogOpenMode::Replace);
  if (!temp_) return Fail();
  if (!temp_->Truncate(0)) return Fail();
}

void LogCopy::Fail() {
  state_ = State::Failed;
  if (temp_) {
    temp_.reset();
    platform_.RemoveFile(target_ + kBackupTempSuffix);
  }
}

LogCopy::State LogCopy::Step(size_t maxBytes) {
  if (state_ != State::Copying) return state_;
  if (block_.empty()) block_.resize(std::min<uint64_t>(kBackupStepBytes, std::max<uint64_t>(size_, 1)));
  uint64_t moved = 0;
  while (at_ < size_) {
    if (moved >= maxBytes) return state_;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(block_.size(), size_ - at_));
    const size_t got = source_.ReadAt(at_, block_.data(), want);
    if (got == 0 || !temp_->WriteAt(at_, block_.data(), got)) {
      Fail();
      return state_;
    }
    at_ += got;
    moved += got;
  }
  const bool flushed = temp_->Flush();
  temp_.reset();  // closed before the rename
  if (!flushed || !platform_.ReplaceFile(target_ + kBackupTempSuffix, target_)) {
    Fail();
    platform_.RemoveFile(target_ + kBackupTempSuffix);
    return state_;
  }
  state_ = State::Done;
  return state_;
}

bool CopyLogWhole(LogPlatform& platform, LogFile& source, const std::wstring& target) {
  LogCopy copy(platform, source, target);
  return copy.Step(SIZE_MAX) == LogCopy::State::Done;
}

bool CopyLogBefore(TrafficLog& log, const wchar_t* step, const CivilDate& today, std::wstring* made) {
  return log.file() && CopyLogBefore(log.platform(), *log.file(), log.path(), step, today, made);
}

bool CopyLogBefore(LogPlatform& platform, LogFile& log, const std::wstring& logPath, const wchar_t* step,
                   const CivilDate& today, std::wstring* made) {
  LogFile* file = &log;
  uint64_t size = 0;
  if (!file->Size(size)) return false;
  if (size < RecordOffset(1)) return true;  // not one record to lose
  const std::wstring folder = BackupFolderOf(logPath);
  if (!platform.EnsureDirectory(folder)) return false;
  const std::vector<std::wstring> present = platform.ListFiles(folder);
  for (int n = 1; n < 1000; ++n) {
    const std::wstring name = BeforeBackupName(today, step, n);
    bool taken = false;
    for (const std::wstring& p : present) taken = taken || EqualNoCase(p, name);
    if (taken) continue;
    if (!CopyLogWhole(platform, *file, folder + name)) return false;
    if (made) *made = folder + name;
    return true;
  }
  return false;
}

std::wstring NewestDailyBackup(LogPlatform& platform, const std::wstring& logPath) {
  const std::wstring folder = BackupFolderOf(logPath);
  std::wstring newest;
  int64_t newestDay = INT64_MIN;
  for (const std::wstring& n : platform.ListFiles(folder)) {
    CivilDate d;
    if (ParseDailyBackupName(n, d) && DaysFromCivil(d) > newestDay) {
      newestDay = DaysFromCivil(d);
      newest = folder + n;
    }
  }
  return newest;
}

std::wstring LogDamageText(const std::wstring& logPath, uint64_t damagedRecords, const std::wstring& newestBackup) {
  std::wstring text = FillPlaces(
      L"The traffic log \"%s\" has %s damaged record(s). Zephra goes on with the records it can read; the damaged "
      L"ones are left as they are and are not counted in the reports.\n\n",
      {logPath, std::to_wstring(damagedRecords)});
  if (newestBackup.empty()) return text + L"There is no automatic backup of the log yet.";
  return text + FillPlaces(
                    L"The newest automatic backup is \"%s\". To go back to it, use Restore on the Summary page of the "
                    L"reports window (F3).",
                    {newestBackup});
}

void LogBackups::Tick(const LocalTime& now) {
  LogFile* file = log_.file();
  if (days_ <= 0 || !file || log_.serviceMode() || !file->writable()) {
    copy_.reset();
    return;
  }
  if (copy_ && file != copySource_) {
    // The log was closed and opened again: the copy starts afresh.
    copy_.reset();
    checked_ = CivilDate{};
  }
  if (copy_) {
    if (log_.changes() != copyChanges_) {
      copyChanges_ = log_.changes();
      copy_->Restart();
    }
    switch (copy_->Step(kBackupStepBytes)) {
      case LogCopy::State::Copying: return;
      case LogCopy::State::Done: Completed(); return;
      case LogCopy::State::Failed:
        ++failures_;
        copy_.reset();
        return;
    }
  }
  const CivilDate today = DateOf(now);
  if (!IsCalendarDate(today.year, today.month, today.day) || CompareDates(today, checked_) == 0) return;
  checked_ = today;
  Start(today);
}

void LogBackups::Start(const CivilDate& date) {
  LogPlatform& platform = log_.platform();
  const std::wstring folder = BackupFolderOf(log_.path());
  const std::wstring name = DailyBackupName(date);
  for (const std::wstring& n : platform.ListFiles(folder))
    if (EqualNoCase(n, name)) return;  // made by an earlier run of the day: never replaced
  if (!platform.EnsureDirectory(folder)) {
    ++failures_;
    return;
  }
  copyChanges_ = log_.changes();
  copySource_ = log_.file();
  copy_ = std::make_unique<LogCopy>(platform, *log_.file(), folder + name);
}

void LogBackups::Completed() {
  copy_.reset();
  if (log_.openCheck().damaged()) return;
  LogPlatform& platform = log_.platform();
  const std::wstring folder = BackupFolderOf(log_.path());
  for (const std::wstring& n : ExpiredDailyBackups(platform.ListFiles(folder), days_)) platform.RemoveFile(folder + n);
}

void LogBackups::Finish(const LocalTime& now) {
  Tick(now);
  while (copy_) {
    LogFile* file = log_.file();
    if (file != copySource_) return copy_.reset();
    if (log_.changes() != copyChanges_) {
      copyChanges_ = log_.changes();
      copy_->Restart();
    }
    switch (copy_->Step(SIZE_MAX)) {
      case LogCopy::State::Copying: break;
      case LogCopy::State::Done: Completed(); break;
      case LogCopy::State::Failed:
        ++failures_;
        copy_.reset();
        break;
    }
  }
}
