// One run of the meter's core as the meter window holds it: at start the
// catalogue from the registry and the live adapters, the log opened and
// today's counters loaded; at a normal end today's records written and the
// catalogue saved. Also the records of a log held in memory.
#pragma once
#include <string>
#include <vector>

#include "engine/meter_tick.h"

struct MeterRun {
  static constexpr wchar_t kRoot[] = L"Software\\ZephraCoreTests\\";
  Catalogue catalogue;
  TrafficLog log;
  MeterTick tick;

  MeterRun(LogPlatform& platform, RegistryStore& registry, AdapterSource& source, Clock& clock,
           const std::wstring& logPath)
      : log(platform), tick(clock, catalogue, log) {
    BuildCatalogue(catalogue, registry, source, kRoot);
    log.SetPath(logPath, true);
    if (log.OpenLogFile(false)) tick.LoadTodayCounters();
  }
  void Close(RegistryStore& registry) {
    tick.WriteTodayRecords();
    SaveAdapterEntries(catalogue, registry, RegRoot::CurrentUser, kGroupIdentity, kRoot);
  }
};

inline std::vector<DayRecord> ReadRecords(const std::vector<uint8_t>& bytes) {
  MemoryLogFile file(std::make_shared<std::vector<uint8_t>>(bytes), false);
  RecordScanner scan(&file);
  std::vector<DayRecord> out;
  DayRecord r;
  uint64_t offset = 0;
  while (scan.Next(r, offset)) out.push_back(r);
  return out;
}
