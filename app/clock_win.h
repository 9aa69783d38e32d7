// The production clock: the platform's local time.
#pragma once
#include "app/clock.h"

class LocalClock : public Clock {
public:
  LocalTime Now() override;
  int64_t CalendarSeconds(const LocalTime& t) override;
};
