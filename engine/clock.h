// Where the meter gets the time. The tick reads it through this seam so that
// tests can drive days, slices, clock changes and sleeps exactly.
#pragma once
#include <cstdint>
#include "base/dates.h"

class Clock {
public:
  virtual ~Clock() = default;
  // The local date and time.
  virtual LocalTime Now() = 0;
  // The current moment in seconds on a scale that neither daylight saving nor
  // the time zone moves (UTC). The gap rule compares two of these: turning
  // local times back into seconds is ambiguous in the hour that daylight
  // saving repeats.
  virtual int64_t Seconds() = 0;
  // Milliseconds since an arbitrary start that setting the clock never moves
  // (GetTickCount64): for intervals that must run on when the user sets the time.
  virtual uint64_t Milliseconds() = 0;
};
