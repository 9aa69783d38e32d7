#include "view/dates.h"

int CompareDates(const CivilDate& a, const CivilDate& b) {
  if (a.year != b.year) return a.year < b.year ? -1 : 1;
  if (a.month != b.month) return a.month < b.month ? -1 : 1;
  if (a.day != b.day) return a.day < b.day ? -1 : 1;
  return 0;
}

int CompareDates(int y1, int m1, int d1, int y2, int m2, int d2) {
  return CompareDates(CivilDate{y1, m1, d1}, CivilDate{y2, m2, d2});
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  if (month == 2) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[month - 1];
}

// Howard Hinnant's days_from_civil: exact for the whole proleptic Gregorian calendar.
int64_t DaysFromCivil(const CivilDate& d) {
  int64_t y = d.year;
  const int64_t m = d.month;
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  return CivilDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

CivilDate AddDays(const CivilDate& d, int64_t days) { return CivilFromDays(DaysFromCivil(d) + days); }

int DayOfWeek(const CivilDate& d) {
  const int64_t z = DaysFromCivil(d);  // 1970-01-01 was a Thursday
  return static_cast<int>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);
}

int64_t NaiveSeconds(const LocalTime& t) {
  return DaysFromCivil(DateOf(t)) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime WithDayOfWeek(LocalTime t) {
  t.dayOfWeek = static_cast<uint16_t>(DayOfWeek(DateOf(t)));
  return t;
}
