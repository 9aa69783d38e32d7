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
