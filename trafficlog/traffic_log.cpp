#include "trafficlog/traffic_log.h"

#include <climits>

#include "base/text_util.h"
#include "trafficlog/log_backup.h"

namespace {

std::wstring OptionsKey(const std::wstring& registryRoot) { return registryRoot + L"Options"; }

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring WithSeparator(std::wstring folder) {
  if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/')) folder += L'\\';
  return folder;
}

bool WriteHeader(LogFile& f) {
  uint8_t header[kLogHeaderSize];
  EncodeLogHeader(header);
  return f.WriteAt(0, header, sizeof header) && f.Flush();
}

}  // namespace

const wchar_t kLogGiveUpText[] =
    L"Dear user, you've given up to choose a file for traffic log, which means all traffic information will be "
    L"lost when the software restarts.";

std::wstring ServiceModeOpenFailureText(const std::wstring& path) {
  return FillPlaces(
      L"Failed to open traffic log file (%s), or the file was corrupted by other programs.\n\n"
      L"Please stop %s and disable service on Options, and then try again.",
      {path, L"Zephra Service"});
}

std::wstring NormalModeOpenFailureText(const std::wstring& path) {
  return FillPlaces(
      L"Failed to create traffic log file \"%s\". Please make sure you have permission to create and write file at "
      L"the folder.\n\nDo you want to choose a custom log file?",
      {path});
}

void TrafficLog::LocateLogFile(RegistryStore& registry, const std::wstring& registryRoot, bool serviceEnabled) {
  std::wstring stored;
  if (registry.ReadString(RegRoot::CurrentUser, OptionsKey(registryRoot), kLogPathValue, stored)) {
    const size_t nul = stored.find(L'\0');
    if (nul != std::wstring::npos) stored.resize(nul);
    // A value longer than a path can be is not taken (it would name another file).
    if (!stored.empty() && stored.size() <= kMaxLogPath) {
      path_ = stored;
      customPath_ = true;
      return;
    }
  }

  std::wstring folder;
  bool haveFolder = false;
  if (platform_.AppDataFolder(folder)) {
    folder = WithSeparator(folder) + kLogFolderName + L"\\";
    haveFolder = platform_.EnsureDirectory(folder);
  }
  if (!haveFolder) {
    if (!platform_.ProgramFolder(folder)) folder.clear();
    else folder = WithSeparator(folder);
  }
  path_ = folder + kLogFileName;
  customPath_ = false;
  // From the next start on the path comes from the option, so "sum.log" is
  // converted on the first start only.
  SaveLogPathSetting(registry, RegRoot::CurrentUser, registryRoot);
  if (serviceEnabled) SaveLogPathSetting(registry, RegRoot::LocalMachine, registryRoot);
}

bool TrafficLog::SaveLogPathSetting(RegistryStore& registry, RegRoot root, const std::wstring& registryRoot) const {
  return registry.WriteString(root, OptionsKey(registryRoot), kLogPathValue, path_);
}

bool TrafficLog::OpenLogFile(bool serviceMode) {
  ++changes_;
  openCheck_ = LogCheck{};
  if (!OpenFileOnly(serviceMode)) return false;
  openCheck_ = CheckLog(*file_);
  return true;
}

bool TrafficLog::OpenFileOnly(bool serviceMode) {
  file_.reset();
  serviceMode_ = serviceMode;
  refusedForeign_ = false;
  if (path_.empty()) return false;

  if (serviceMode) {
    // The service owns the file: read it as it is, or not at all.
    std::unique_ptr<LogFile> f = platform_.OpenFile(path_, LogOpenMode::ServiceRead);
    if (!f) return false;
    uint8_t header[kLogHeaderSize];
    if (f->ReadAt(0, header, sizeof header) != sizeof header || !IsCurrentLogHeader(header, sizeof header))
      return false;
    file_ = std::move(f);
    return true;
  }

  std::unique_ptr<LogFile> f = platform_.OpenFile(path_, LogOpenMode::NormalReadWrite);
  for (int stops = 0; !f && stops < kMaxServiceStopsOnOpen; ++stops) {
    // A running service holds the file for writing; ask it to stop, then retry.
    const int state = platform_.QueryServiceState();
    if (state != kServiceStartPending && state != kServiceRunning) break;
    ++serviceStops_;
    platform_.StopService();
    f = platform_.OpenFile(path_, LogOpenMode::NormalReadWrite);
  }
  if (!f) return false;

  uint64_t size = 0;
  if (!f->Size(size)) return false;
  if (size == 0) {
    if (!WriteHeader(*f)) return false;
    file_ = std::move(f);
    ConvertOldLog();
    return true;
  }
  uint8_t header[kLogHeaderSize];
  if (f->ReadAt(0, header, sizeof header) == sizeof header && IsCurrentLogHeader(header, sizeof header)) {
    file_ = std::move(f);
    return true;
  }
  // Not a log of this format. Start afresh, but only once its bytes are safe
  // in a copy: the path may name some other file of the user's.
  if (leaveForeign_) {
    refusedForeign_ = true;
    return false;
  }
  if (!CopyAside(*f)) return false;
  if (!f->Truncate(0) || !WriteHeader(*f)) return false;
  file_ = std::move(f);
  return true;
}

bool TrafficLog::CopyAside(LogFile& foreign) {
  for (int n = 1; n <= 9; ++n) {
    const std::wstring name = path_ + (n == 1 ? std::wstring(L".bak") : L"." + std::to_wstring(n) + L".bak");
    std::unique_ptr<LogFile> copy = platform_.OpenFile(name, LogOpenMode::CreateNew);
    if (!copy) continue;
    std::vector<uint8_t> block(64 * 1024);
    uint64_t at = 0, size = 0;
    if (!foreign.Size(size)) return false;
    while (at < size) {
      const size_t got = foreign.ReadAt(at, block.data(), block.size());
      if (got == 0 || !copy->WriteAt(at, block.data(), got)) return false;
      at += got;
    }
    if (!copy->Flush()) return false;
    backupPath_ = name;
    return true;
  }
  return false;
}

void TrafficLog::ConvertOldLog() {
  if (!file_ || customPath_ || !EndsWith(path_, kLogFileName)) return;
  const std::wstring oldPath = path_.substr(0, path_.size() - std::wstring(kLogFileName).size()) + kOldLogFileName;
  std::unique_ptr<LogFile> old = platform_.OpenFile(oldPath, LogOpenMode::OldLogRead);
  if (!old) return;
  std::vector<AdapterInfo> adapters;
  if (!platform_.ListAdapters(adapters)) return;
  ConvertOldRecords(*old, *file_, adapters);
}

bool TrafficLog::LoadTodayCounters(EntrySpan entries, const LocalTime& date) {
  if (!file_) return false;
  for (AdapterEntry* e : entries) {
    e->todayIn = e->todayOut = 0;
    e->logRecordOffset = -1;
  }
  RecordScanner scan(file_.get());
  DayRecord r;
  uint64_t offset = 0;
  while (scan.Next(r, offset)) {
    if (r.year != date.year || r.month != date.month || r.day != date.day) continue;
    if (offset > static_cast<uint64_t>(INT32_MAX)) break;
    for (AdapterEntry* e : entries) {
      if (!RecordMatches(r.kind, r.id, e->kind, e->id)) continue;
      // A later record of the same key wins.
      e->todayIn = r.down;
      e->todayOut = r.up;
      e->logRecordOffset = static_cast<int32_t>(offset);
      break;
    }
  }
  return true;
}

void TrafficLog::WriteTodayRecords(EntrySpan entries, const LocalTime& date) {
  if (!file_ || serviceMode_) return;
  // A moment that is no calendar date (a clock not yet read) would overwrite
  // today's records with a date no reader can place.
  if (!IsCalendarDate(date.year, date.month, date.day)) return;
  DayRecord r;
  r.year = date.year;
  r.month = date.month;
  r.day = date.day;
  r.weekday = date.dayOfWeek;
  uint8_t image[kDayRecordSize];
  for (AdapterEntry* e : entries) {
    uint64_t offset;
    if (e->logRecordOffset < 0) {
      offset = AppendOffset(*file_);
      if (offset > static_cast<uint64_t>(INT32_MAX)) continue;
    } else {
      offset = static_cast<uint64_t>(e->logRecordOffset);
    }
    r.kind = e->kind;
    r.id = e->isAggregate() ? std::string() : e->id;
    r.down = e->todayIn;
    r.up = e->todayOut;
    EncodeDayRecord(r, image);
    ++changes_;
    if (file_->WriteAt(offset, image, sizeof image)) e->logRecordOffset = static_cast<int32_t>(offset);
  }
  file_->Flush();
}

bool TrafficLog::ClearLog(EntrySpan entries, const CivilDate& today) {
  // In service mode the file is read-only here; the service's records stay.
  if (!file_ || serviceMode_) return false;
  if (!CopyLogBefore(*this, kBeforeClear, today)) return false;
  ++changes_;
  if (file_->Truncate(kLogHeaderSize)) file_->Flush();
  for (AdapterEntry* e : entries) {
    e->todayIn = e->todayOut = 0;
    e->logRecordOffset = -1;
  }
  return true;
}

bool ReportOpenFailure(TrafficLog& log, LogOpenPrompts& prompts, RegistryStore& registry,
                       const std::wstring& registryRoot, EntrySpan entries, const LocalTime& date) {
  if (log.isOpen()) return true;
  if (log.serviceMode()) {
    prompts.ServiceModeWarning(ServiceModeOpenFailureText(log.path()));
    return false;
  }
  if (prompts.AskChooseCustomFile(NormalModeOpenFailureText(log.path()))) {
    for (;;) {
      std::wstring chosen;
      if (!prompts.ChooseLogFile(chosen) || chosen.empty()) break;
      log.SetPath(chosen, true);
      registry.WriteString(RegRoot::CurrentUser, registryRoot + L"Options", kLogPathValue, chosen);
      if (log.OpenLogFile(false)) {
        log.LoadTodayCounters(entries, date);
        return true;
      }
      if (!prompts.AskChooseCustomFile(NormalModeOpenFailureText(chosen))) break;
    }
  }
  prompts.GiveUpNotice(kLogGiveUpText);
  return false;
}
