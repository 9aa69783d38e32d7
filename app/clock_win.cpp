#include "app/clock_win.h"

#include <windows.h>
#include <ctime>

#include "ui/window_util_win.h"

LocalTime LocalClock::Now() { return CurrentLocalTime(); }

int64_t LocalClock::CalendarSeconds(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;  // daylight saving decided by the platform
  const std::time_t s = std::mktime(&tm);
  return s == static_cast<std::time_t>(-1) ? NaiveSeconds(t) : static_cast<int64_t>(s);
}
