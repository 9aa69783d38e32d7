// Where the meter gets the local time. The tick reads it through this seam so
// that tests can drive days, slices and clock jumps exactly.
#pragma once
#include <cstdint>
#include "base/dates.h"

class Clock {
public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  // Calendar seconds of a local time, daylight saving decided by the platform.
  virtual int64_t CalendarSeconds(const LocalTime& t) = 0;
};
