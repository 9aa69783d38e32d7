// Week numbers, week ranges, month periods and last-days ranges across month
// and year ends and in leap and common years.
#include <gtest/gtest.h>

#include "base/dates.h"

namespace {

std::string Text(const CivilDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}
std::string Text(const DateRange& r) { return Text(r.first) + " " + Text(r.last); }

TEST(WeekNumber, FirstOfJanuaryIsWeekOneForEveryStartDay) {
  for (int year = 2000; year <= 2030; ++year)
    for (int weekStart = 0; weekStart < 7; ++weekStart) EXPECT_EQ(WeekNumber(year, 1, 1, weekStart), 1) << year;
}

// A new week begins on every week start day after 1 January.
TEST(WeekNumber, CountsWeekStartsAcrossYearEnds) {
  for (int year = 2007; year <= 2013; ++year) {
    for (int weekStart = 0; weekStart < 7; ++weekStart) {
      int expected = 1;
      CivilDate d{year, 1, 1};
      for (; d.year == year; d = AddDays(d, 1)) {
        if (DayOfWeek(d) == weekStart && !(d.month == 1 && d.day == 1)) ++expected;
        ASSERT_EQ(WeekNumber(d.year, d.month, d.day, weekStart), expected) << Text(d) << " start " << weekStart;
      }
      EXPECT_EQ(WeekNumber(d.year, d.month, d.day, weekStart), 1);  // the next 1 January
    }
  }
  EXPECT_EQ(WeekNumber(2008, 12, 31, 0), 53);  // 2008 began on a Tuesday and had 52 Sundays after it
  EXPECT_EQ(WeekNumber(2009, 1, 7, 4), 1);     // 1 January 2009 was a Thursday
  EXPECT_EQ(WeekNumber(2009, 1, 8, 4), 2);
}

TEST(WeekRange, StartsOnTheWeekStartDay) {
  // 31 December 2008 was a Wednesday.
  EXPECT_EQ(Text(WeekRange(2008, 12, 31, 3, 1)), "2008-12-29 2009-01-04");
  EXPECT_EQ(Text(WeekRange(2008, 12, 31, 3, 3)), "2008-12-31 2009-01-06");
  EXPECT_EQ(Text(WeekRange(2008, 12, 31, 3, 4)), "2008-12-25 2008-12-31");
  EXPECT_EQ(Text(WeekRange(2008, 3, 1, 6, 0)), "2008-02-24 2008-03-01");
  EXPECT_EQ(Text(WeekRange(2008, 3, 1, 6, 7)), "2008-02-24 2008-03-01");  // 7 reads as Sunday
}

TEST(LastDaysRange, EndsWithTheDate) {
  EXPECT_EQ(Text(LastDaysRange(2008, 3, 1, 1)), "2008-03-01 2008-03-01");
  EXPECT_EQ(Text(LastDaysRange(2008, 3, 1, 30)), "2008-02-01 2008-03-01");
  EXPECT_EQ(Text(LastDaysRange(2007, 3, 1, 30)), "2007-01-31 2007-03-01");
  EXPECT_EQ(Text(LastDaysRange(2009, 1, 3, 7)), "2008-12-28 2009-01-03");
  EXPECT_EQ(Text(LastDaysFirst(2009, 1, 3, 7)), "2008-12-28");
}

TEST(MonthPeriod, StartDayOneIsTheCalendarMonth) {
  EXPECT_EQ(Text(MonthPeriod(2008, 2, 10, 1)), "2008-02-01 2008-02-29");
  EXPECT_EQ(Text(MonthPeriod(2007, 2, 28, 1)), "2007-02-01 2007-02-28");
  EXPECT_EQ(Text(MonthPeriod(2008, 12, 31, 1)), "2008-12-01 2008-12-31");
  EXPECT_EQ(Text(MonthPeriod(2009, 1, 1, 1)), "2009-01-01 2009-01-31");
  EXPECT_EQ(Text(MonthPeriod(2008, 4, 30, 1)), "2008-04-01 2008-04-30");
}

TEST(MonthPeriod, LateStartDaysInFebruary) {
  EXPECT_EQ(Text(MonthPeriod(2008, 3, 10, 31)), "2008-03-01 2008-03-30");
  EXPECT_EQ(Text(MonthPeriod(2008, 2, 27, 28)), "2008-01-28 2008-02-27");
  EXPECT_EQ(Text(MonthPeriod(2008, 2, 28, 28)), "2008-02-28 2008-03-27");
  EXPECT_EQ(Text(MonthPeriod(2007, 2, 28, 29)), "2007-01-29 2007-02-28");
  EXPECT_EQ(Text(MonthPeriod(2007, 3, 1, 29)), "2007-03-01 2007-03-28");
  EXPECT_EQ(Text(MonthPeriod(2008, 2, 29, 29)), "2008-02-29 2008-03-28");
  EXPECT_EQ(Text(MonthPeriod(2008, 2, 15, 30)), "2008-01-30 2008-02-29");
  EXPECT_EQ(Text(MonthPeriod(2007, 2, 15, 30)), "2007-01-30 2007-02-28");
  EXPECT_EQ(Text(MonthPeriod(2007, 3, 1, 30)), "2007-03-01 2007-03-29");
  EXPECT_EQ(Text(MonthPeriod(2007, 2, 28, 31)), "2007-01-31 2007-02-28");
}

TEST(MonthPeriod, LateStartDaysAtTheYearEnd) {
  EXPECT_EQ(Text(MonthPeriod(2008, 12, 31, 31)), "2008-12-31 2009-01-30");
  EXPECT_EQ(Text(MonthPeriod(2009, 1, 15, 31)), "2008-12-31 2009-01-30");
  EXPECT_EQ(Text(MonthPeriod(2009, 1, 31, 31)), "2009-01-31 2009-02-28");
  EXPECT_EQ(Text(MonthPeriod(2008, 12, 15, 30)), "2008-11-30 2008-12-29");
  EXPECT_EQ(Text(MonthPeriod(2008, 12, 30, 30)), "2008-12-30 2009-01-29");
  EXPECT_EQ(Text(MonthPeriod(2009, 1, 2, 28)), "2008-12-28 2009-01-27");
  EXPECT_EQ(Text(MonthPeriod(2008, 11, 30, 31)), "2008-10-31 2008-11-30");
  EXPECT_EQ(Text(MonthPeriod(2008, 12, 1, 31)), "2008-12-01 2008-12-30");  // no 31 November
}

// Periods tile the calendar: each holds its date, and the day after its last
// day begins the next one.
TEST(MonthPeriod, PeriodsHoldTheirDateAndFollowEachOther) {
  for (int startDay = 1; startDay <= 31; ++startDay) {
    for (CivilDate d{2007, 1, 1}; d.year <= 2009; d = AddDays(d, 1)) {
      const DateRange p = MonthPeriod(d.year, d.month, d.day, startDay);
      ASSERT_LE(CompareDates(p.first, d), 0) << Text(d) << " start " << startDay;
      ASSERT_GE(CompareDates(p.last, d), 0) << Text(d) << " start " << startDay;
      const CivilDate next = AddDays(p.last, 1);
      const DateRange following = MonthPeriod(next.year, next.month, next.day, startDay);
      ASSERT_EQ(CompareDates(following.first, next), 0) << Text(d) << " start " << startDay;
    }
  }
}

TEST(MonthPeriod, StartDayOutsideTheMonthIsClamped) {
  EXPECT_EQ(Text(MonthPeriod(2008, 3, 10, 0)), "2008-03-01 2008-03-31");
  EXPECT_EQ(Text(MonthPeriod(2008, 3, 10, 99)), "2008-03-01 2008-03-30");
}

TEST(DayOfYear, CountsFromTheFirstOfJanuary) {
  EXPECT_EQ(DayOfYear(CivilDate{2008, 1, 1}), 1);
  EXPECT_EQ(DayOfYear(CivilDate{2008, 12, 31}), 366);
  EXPECT_EQ(DayOfYear(CivilDate{2007, 12, 31}), 365);
}

}  // namespace
