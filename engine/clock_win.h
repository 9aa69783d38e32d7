// The production clock: the platform's local time and UTC seconds.
#pragma once
#include "engine/clock.h"

class LocalClock : public Clock {
public:
  LocalTime Now() override;
  int64_t Seconds() override;
  uint64_t Milliseconds() override;
};
