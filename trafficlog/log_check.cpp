#include "trafficlog/log_check.h"

#include <cstring>
#include <map>
#include <unordered_map>

#include "base/bytes.h"
#include "base/format.h"

namespace {

std::string Where(uint64_t index) {
  return "record " + std::to_string(index) + " at offset " + std::to_string(RecordOffset(index));
}

const char* TypeName(int32_t kind) {
  return kind == 100 ? "All Connections" : kind == 200 ? "Dial-Up Connections" : "adapter";
}

struct DaySums {
  bool hasAll = false;
  uint64_t allDown = 0, allUp = 0;
  int adapters = 0;
  uint64_t down = 0, up = 0;  // the adapters' sum
};

}  // namespace

bool LogCheck::damaged() const {
  for (const LogFinding& f : findings)
    if (f.damage) return true;
  return false;
}

bool HasLogHeader(LogFile& file) {
  uint8_t header[kLogHeaderSize];
  return file.ReadAt(0, header, kLogHeaderSize) == kLogHeaderSize && IsCurrentLogHeader(header, kLogHeaderSize);
}

LogCheck CheckLog(LogFile& file) {
  LogCheck check;
  auto damage = [&](std::string text) { check.findings.push_back({true, std::move(text)}); };
  uint64_t size = 0;
  if (!file.Size(size)) size = 0;
  uint8_t header[kLogHeaderSize] = {};
  const size_t got = file.ReadAt(0, header, kLogHeaderSize);
  if (got < kLogHeaderSize) {
    damage("the file of " + std::to_string(size) + " bytes is shorter than the 24-byte header");
    return check;
  }
  if (std::memcmp(header, kLogSignature, 4) != 0) {
    damage("wrong signature: the file does not begin with NTSL");
    return check;
  }
  if (GetU32Le(header + 4) != kLogVersion) {
    damage("wrong version " + std::to_string(GetU32Le(header + 4)) + ", expected 2");
    return check;
  }
  if ((size - kLogHeaderSize) % kDayRecordSize != 0)
    damage("length " + std::to_string(size) + " is not 24 + 296*k: a torn tail of " +
           std::to_string((size - kLogHeaderSize) % kDayRecordSize) + " bytes after the last whole record");

  std::unordered_map<std::string, uint64_t> seen;  // key -> first record
  std::map<int64_t, DaySums> days;
  RecordScanner scan(&file);
  DayRecord r;
  uint64_t offset = 0;
  for (uint64_t index = 0; scan.Next(r, offset); ++index) {
    check.records = index + 1;
    const size_t before = check.findings.size();
    struct CountDamaged {  // every exit of this pass counts the record once
      LogCheck& c;
      size_t before;
      ~CountDamaged() {
        if (c.findings.size() > before) ++c.damagedRecords;
      }
    } counted{check, before};
    const bool realDate = IsCalendarDate(r.year, r.month, r.day);
    if (!realDate) {
      damage(Where(index) + ": impossible date " + IsoDate(r.year, r.month, r.day));
    } else if (r.weekday != DayOfWeek(r.date())) {
      damage(Where(index) + ": weekday field " + std::to_string(r.weekday) + " disagrees with " + IsoDate(r.date()) +
             ", a " + kWeekdayNamesNarrow[DayOfWeek(r.date())]);
    }
    const bool known = r.kind == 100 || r.kind == 200 || r.kind == 300;
    if (!known) damage(Where(index) + ": unknown type " + std::to_string(r.kind));
    // An ID field without a NUL is decoded whole, all 260 bytes.
    if (r.id.size() >= kLogIdFieldSize) damage(Where(index) + ": ID without a terminating NUL");
    if ((r.kind == 100 || r.kind == 200) && !r.id.empty())
      damage(Where(index) + ": " + TypeName(r.kind) + " record with an ID");
    if (!known || !realDate) continue;

    std::string key(reinterpret_cast<const char*>(&r.year), 2);
    key.append(reinterpret_cast<const char*>(&r.month), 2).append(reinterpret_cast<const char*>(&r.day), 2);
    key.append(reinterpret_cast<const char*>(&r.kind), 4).append(r.kind == 300 ? r.id : std::string());
    auto [it, fresh] = seen.emplace(std::move(key), index);
    if (!fresh)
      damage(Where(index) + ": a second record for " + (r.kind == 300 ? "adapter " + r.id : std::string(TypeName(r.kind))) +
             " on " + IsoDate(r.date()) + " (the first is record " + std::to_string(it->second) + ")");

    DaySums& d = days[DaysFromCivil(r.date())];
    if (r.kind == 100) {
      d.hasAll = true;
      d.allDown += r.down;
      d.allUp += r.up;
    } else if (r.kind == 300) {
      ++d.adapters;
      d.down += r.down;
      d.up += r.up;
    }
  }
  for (const auto& [day, d] : days) {
    if (!d.hasAll || d.adapters == 0 || (d.allDown == d.down && d.allUp == d.up)) continue;
    check.findings.push_back(
        {false, IsoDate(CivilFromDays(day)) + ": All Connections (down " + std::to_string(d.allDown) + ", up " +
                    std::to_string(d.allUp) + ") is not the sum of its " + std::to_string(d.adapters) +
                    " adapters (down " + std::to_string(d.down) + ", up " + std::to_string(d.up) + ")"});
  }
  return check;
}

