// Day records for the log tests, with the week day worked out from the date.
#pragma once
#include <cstdint>
#include <string>

#include "trafficlog/log_format.h"
#include "base/dates.h"

inline DayRecord Rec(int y, int m, int d, int32_t kind, const std::string& id, uint64_t down, uint64_t up) {
  DayRecord r;
  r.year = static_cast<uint16_t>(y);
  r.month = static_cast<uint16_t>(m);
  r.day = static_cast<uint16_t>(d);
  r.weekday = static_cast<uint16_t>(DayOfWeek(CivilDate{y, m, d}));
  r.kind = kind;
  r.id = id;
  r.down = down;
  r.up = up;
  return r;
}

// A log built record by record, in file order.
struct TestLog {
  MemoryLogFile file;
  TestLog() {
    uint8_t h[kLogHeaderSize];
    EncodeLogHeader(h);
    file.WriteAt(0, h, sizeof h);
  }
  TestLog& Add(int y, int m, int d, uint64_t down, uint64_t up, int32_t kind = 100, const std::string& id = "") {
    const DayRecord r = Rec(y, m, d, kind, id, down, up);
    uint8_t image[kDayRecordSize];
    EncodeDayRecord(r, image);
    uint64_t size = 0;
    file.Size(size);
    file.WriteAt(size, image, sizeof image);
    return *this;
  }
};
