#include "base/dates.h"

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

LocalTime MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
  LocalTime t;
  t.year = static_cast<uint16_t>(year);
  t.month = static_cast<uint16_t>(month);
  t.day = static_cast<uint16_t>(day);
  t.hour = static_cast<uint16_t>(hour);
  t.minute = static_cast<uint16_t>(minute);
  t.second = static_cast<uint16_t>(second);
  return WithDayOfWeek(t);
}

LocalTime FromNaiveSeconds(int64_t s) {
  const int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  const int64_t rest = s - days * 86400;
  const CivilDate d = CivilFromDays(days);
  return MakeLocalTime(d.year, d.month, d.day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                       static_cast<int>(rest % 60));
}

LocalTime WithDayOfWeek(LocalTime t) {
  t.dayOfWeek = static_cast<uint16_t>(DayOfWeek(DateOf(t)));
  return t;
}

int DayOfYear(const CivilDate& d) {
  return static_cast<int>(DaysFromCivil(d) - DaysFromCivil(CivilDate{d.year, 1, 1})) + 1;
}

namespace {
// A stored week start day outside 0-6 is read as its week day.
int NormalWeekDay(int day) { return (day % 7 + 7) % 7; }
}  // namespace

// 1 January is always in week 1; when it is itself a week start day, week n
// holds days 7n - 6 to 7n of the year.
int WeekNumber(int year, int month, int day, int weekStart) {
  weekStart = NormalWeekDay(weekStart);
  const int d = DayOfYear(CivilDate{year, month, day});
  const int f = DayOfWeek(CivilDate{year, 1, 1}) + 1;  // 1 = Sunday .. 7 = Saturday
  const int e = d - (weekStart - f + 8) % 7;           // zero or negative in the first, partial week
  return (f != weekStart + 1 ? 1 : 0) + (e % 7 > 0 ? 1 : 0) + e / 7;
}

CivilDate LastDaysFirst(int year, int month, int day, int n) {
  return AddDays(CivilDate{year, month, day}, -(static_cast<int64_t>(n) - 1));
}

DateRange LastDaysRange(int year, int month, int day, int n) {
  return DateRange{LastDaysFirst(year, month, day, n), CivilDate{year, month, day}};
}

DateRange WeekRange(int year, int month, int day, int dayOfWeek, int weekStart) {
  const int back = (NormalWeekDay(dayOfWeek) - NormalWeekDay(weekStart) + 7) % 7;
  const CivilDate first = AddDays(CivilDate{year, month, day}, -back);
  return DateRange{first, AddDays(first, 6)};
}

// A period runs from day startDay of one month to day startDay - 1 of the next;
// a start day that a month lacks moves to the 1st of the month after, and an end
// day that a month lacks moves back to the month's last day.
DateRange MonthPeriod(int year, int month, int today, int startDay) {
  if (startDay < 1) startDay = 1;
  if (startDay > 31) startDay = 31;
  CivilDate first{year, month, startDay};
  CivilDate last{year, month, startDay - 1};
  if (today < startDay) {
    if (month == 1) first = CivilDate{year - 1, 12, startDay};
    else first.month = month - 1;
  } else {
    if (month == 12) last = CivilDate{year + 1, 1, startDay - 1};
    else last.month = month + 1;
  }
  if (last.day == 0) {
    if (last.month == 1) last = CivilDate{last.year - 1, 12, 31};
    else last = CivilDate{last.year, last.month - 1, 31};
  }
  if ((first.month == 2 || first.day > 30) && first.day > 28 && first.day > DaysInMonth(first.year, first.month)) {
    if (first.month == 12) first = CivilDate{first.year + 1, 1, 1};
    else first = CivilDate{first.year, first.month + 1, 1};
  }
  if ((last.month == 2 || last.day > 30) && last.day >= 29 && last.day > DaysInMonth(last.year, last.month))
    last.day = DaysInMonth(last.year, last.month);
  return DateRange{first, last};
}
