// The input is a log file. Scans it, opens it as the meter does in normal mode,
// loads and writes today's records, and checks that no whole record of another
// day was changed or lost.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

#include "trafficlog/traffic_log.h"

namespace {

class FuzzPlatform : public LogPlatform {
public:
  std::map<std::wstring, std::shared_ptr<std::vector<uint8_t>>> files;
  std::unique_ptr<LogFile> OpenFile(const std::wstring& path, LogOpenMode mode) override {
    auto it = files.find(path);
    if (mode == LogOpenMode::CreateNew) {
      if (it != files.end()) return nullptr;
      return std::make_unique<MemoryLogFile>(files[path] = std::make_shared<std::vector<uint8_t>>());
    }
    if (it == files.end()) {
      if (mode != LogOpenMode::NormalReadWrite) return nullptr;
      it = files.emplace(path, std::make_shared<std::vector<uint8_t>>()).first;
    }
    return std::make_unique<MemoryLogFile>(it->second, mode == LogOpenMode::NormalReadWrite);
  }
  bool AppDataFolder(std::wstring&) override { return false; }
  bool EnsureDirectory(const std::wstring&) override { return false; }
  bool ProgramFolder(std::wstring& out) override { out = L"C:\\"; return true; }
  int QueryServiceState() override { return kServiceNotInstalled; }
  bool StopService() override { return false; }
  bool ListAdapters(std::vector<AdapterInfo>&) override { return true; }
};

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(data, data + size);
  const std::vector<uint8_t> before = *bytes;

  // Every reader sees exactly the whole records after the header.
  MemoryLogFile raw(bytes, false);
  RecordScanner scan(&raw);
  DayRecord r;
  uint64_t offset = 0, count = 0;
  while (scan.Next(r, offset)) {
    Check(offset == RecordOffset(count++));
    Check(r.id.size() <= kLogIdFieldSize);
  }
  const uint64_t whole = size >= kLogHeaderSize ? (size - kLogHeaderSize) / kDayRecordSize : 0;
  Check(count == whole);

  // Today is the date of the first record, if any, so that loading finds something.
  LocalTime today;
  today.year = 2008;
  today.month = 3;
  today.day = 15;
  if (whole > 0) {
    RecordScanner first(&raw);
    first.Next(r, offset);
    if (IsCalendarDate(r.year, r.month, r.day)) {
      today.year = r.year;
      today.month = r.month;
      today.day = r.day;
    }
  }
  today = WithDayOfWeek(today);

  FuzzPlatform platform;
  platform.files[L"C:\\sum_v2.log"] = bytes;
  TrafficLog log(platform);
  log.SetPath(L"C:\\sum_v2.log", true);
  Check(log.OpenLogFile(false));
  const bool wasLog = IsCurrentLogHeader(before.data(), before.size());
  Check(wasLog || size == 0 || platform.files.count(L"C:\\sum_v2.log.bak") == 1);
  if (!wasLog && size > 0) Check(*platform.files[L"C:\\sum_v2.log.bak"] == before);

  std::vector<std::unique_ptr<AdapterEntry>> owned;
  for (int32_t kind : {100, 200, 300, 300}) {
    owned.push_back(std::make_unique<AdapterEntry>(1));
    owned.back()->kind = kind;
  }
  owned[2]->id = "{A}";
  owned[3]->id = r.id.size() < kLogIdFieldSize ? r.id : "{B}";
  std::vector<AdapterEntry*> entries = EntryList(owned);
  Check(log.LoadTodayCounters(entries, today));
  for (AdapterEntry* e : entries) {
    Check(e->logRecordOffset == -1 ||
          (e->logRecordOffset >= 24 && (e->logRecordOffset - 24) % kDayRecordSize == 0));
    e->todayIn += 1;
  }
  log.WriteTodayRecords(entries, today);

  // Whole records of other days are untouched.
  if (wasLog) {
    const std::vector<uint8_t>& after = *bytes;
    for (uint64_t k = 0; k < whole; ++k) {
      const uint8_t* old = before.data() + RecordOffset(k);
      const DayRecord o = DecodeDayRecord(old);
      if (o.year == today.year && o.month == today.month && o.day == today.day) continue;
      Check(std::equal(old, old + kDayRecordSize, after.data() + RecordOffset(k)));
    }
    Check((after.size() - kLogHeaderSize) % kDayRecordSize == 0 || after.size() == before.size());
  }
  return 0;
}
