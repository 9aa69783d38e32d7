// Whole civil dates, the local time of a tick, and the date-period functions
// that reports and usage alerts use to find the current week or month.
// Gregorian arithmetic throughout; no platform date calls.
#pragma once
#include <cstdint>

// The local date and time as the platform reports it (fields as in SYSTEMTIME).
struct LocalTime {
  uint16_t year = 0;
  uint16_t month = 0;      // 1-12
  uint16_t dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
  uint16_t day = 0;        // 1-31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

struct CivilDate {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
};

struct DateRange {
  CivilDate first;
  CivilDate last;
};

inline CivilDate DateOf(const LocalTime& t) { return CivilDate{t.year, t.month, t.day}; }

// Negative, zero or positive by year, then month, then day.
int CompareDates(const CivilDate& a, const CivilDate& b);
int CompareDates(int y1, int m1, int d1, int y2, int m2, int d2);

int DaysInMonth(int year, int month);
// Days since 1970-01-01 (negative before) and back; the basis of all date arithmetic.
int64_t DaysFromCivil(const CivilDate& d);
CivilDate CivilFromDays(int64_t days);
CivilDate AddDays(const CivilDate& d, int64_t days);
// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(const CivilDate& d);
// Seconds since 1970-01-01 00:00:00 of a local time taken as if it were UTC
// (no daylight saving); the tests' clock uses it.
int64_t NaiveSeconds(const LocalTime& t);
// Fills in the day of the week of a local time.
LocalTime WithDayOfWeek(LocalTime t);
// A local time from its fields, with its day of the week.
LocalTime MakeLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// The inverse of NaiveSeconds.
LocalTime FromNaiveSeconds(int64_t seconds);

// 1 for 1 January.
int DayOfYear(const CivilDate& d);

// Week days below are 0 = Sunday .. 6 = Saturday; a value outside that range
// is taken modulo 7.

// The week of the year (1 January is always in week 1) for weeks that begin
// on weekStart.
int WeekNumber(int year, int month, int day, int weekStart);
// The n days that end with the given date: first = the date minus (n - 1) days.
DateRange LastDaysRange(int year, int month, int day, int n);
CivilDate LastDaysFirst(int year, int month, int day, int n);
// The week (weekStart and the six days after it) that holds the date, whose own
// week day is dayOfWeek.
DateRange WeekRange(int year, int month, int day, int dayOfWeek, int weekStart);
// The month period (day startDay of one month to day startDay - 1 of the next)
// that holds the date (year, month, today). startDay is clamped to 1-31.
DateRange MonthPeriod(int year, int month, int today, int startDay);
