// A clock under a test's control: UTC seconds that the test moves, shown as
// local time through an offset that the test sets (daylight saving, zones).
// Advancing moves the monotonic milliseconds too; setting the time does not.
#pragma once
#include "engine/clock.h"

class ScriptedClock : public Clock {
public:
  int64_t seconds = 0;  // UTC
  int64_t offset = 0;   // local time minus UTC
  uint64_t milliseconds = 0;

  LocalTime Now() override { return FromNaiveSeconds(seconds + offset); }
  int64_t Seconds() override { return seconds; }
  uint64_t Milliseconds() override { return milliseconds; }
  // Sets the clock to a local time, as the user does.
  void Set(int y, int mo, int d, int h, int mi, int s) {
    seconds = NaiveSeconds(MakeLocalTime(y, mo, d, h, mi, s)) - offset;
  }
  void Advance(int64_t by) {
    seconds += by;
    milliseconds += static_cast<uint64_t>(by > 0 ? by : 0) * 1000;
  }
};
