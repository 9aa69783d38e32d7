#include <gtest/gtest.h>

#include "log_test_support.h"

#include "trafficlog/period_totals.h"

namespace {

LocalTime Day(int y, int m, int d) {
  LocalTime t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(m);
  t.day = static_cast<uint16_t>(d);
  t.hour = 12;
  return WithDayOfWeek(t);
}


const SelectedConnection kAll{100, ""};
const PeriodOptions kSundayCalendar{0, 1, 0x44};  // weeks from Sunday, calendar months, YYYY-MM-DD

bool Same(const CivilDate& a, int y, int m, int d) { return a.year == y && a.month == m && a.day == d; }

}  // namespace

TEST(PeriodDaily, RowsFollowTheFileAndTodayShowsTheLiveCounters) {
  TestLog log;
  log.Add(2008, 3, 14, 500, 20).Add(2008, 3, 15, 999999, 999999).Add(2008, 3, 13, 1024000, 0);
  log.Add(2008, 3, 14, 7, 7, 300, "{NIC}");
  const Traffic live{600, 40};
  ReportRows rows = BuildDailyRows(&log.file, kAll, Day(2008, 3, 15), kSundayCalendar, live);
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.currentIndex, 1);
  EXPECT_EQ(rows.rows[0].text[0], L"2008-03-14");
  EXPECT_EQ(rows.rows[0].text[1], L"Friday");
  EXPECT_EQ(rows.rows[0].text[2], L"500 B");
  EXPECT_EQ(rows.rows[0].text[4], L"520 B");
  EXPECT_FALSE(rows.rows[0].current);
  // Today's record lags behind; the live counters are the truth.
  EXPECT_EQ(rows.rows[1].value.down, 600u);
  EXPECT_EQ(rows.rows[1].text[2], L"600 B");
  EXPECT_EQ(rows.rows[2].text[2], L"0.98 MB");
  EXPECT_TRUE(Same(rows.span.first, 2008, 3, 13));
  EXPECT_TRUE(Same(rows.span.last, 2008, 3, 15));

  // Without a record for today (or without a log) today's row is added.
  ReportRows later = BuildDailyRows(&log.file, kAll, Day(2008, 3, 16), kSundayCalendar, live);
  ASSERT_EQ(later.rows.size(), 4u);
  EXPECT_EQ(later.currentIndex, 3);
  EXPECT_EQ(later.rows[3].text[1], L"Sunday");
  ReportRows none = BuildDailyRows(nullptr, kAll, Day(2008, 3, 16), kSundayCalendar, live);
  ASSERT_EQ(none.rows.size(), 1u);
  EXPECT_EQ(none.rows[0].value.up, 40u);
}

TEST(PeriodWeekly, AWeekAcrossTheNewYearIsWeekOne) {
  TestLog log;
  log.Add(2008, 12, 27, 1, 0).Add(2008, 12, 28, 10, 0).Add(2008, 12, 31, 20, 0).Add(2009, 1, 3, 30, 0);
  log.Add(2009, 1, 4, 1000, 0);
  ReportRows rows = BuildWeeklyRows(&log.file, kAll, Day(2009, 1, 20), PeriodOptions{0, 1, 0x11}, Traffic{5, 5});
  ASSERT_EQ(rows.rows.size(), 4u);
  EXPECT_EQ(rows.rows[0].text[0], L"52");
  EXPECT_EQ(rows.rows[1].text[0], L"1");
  EXPECT_EQ(rows.rows[1].text[1], L"12/28/2008 -- 01/03/2009");
  EXPECT_EQ(rows.rows[1].value.down, 60u);
  EXPECT_EQ(rows.rows[2].text[0], L"2");
  EXPECT_FALSE(rows.rows[2].current);
  // The current week has no logged days: its row is added with the live counters.
  EXPECT_EQ(rows.currentIndex, 3);
  EXPECT_TRUE(Same(rows.rows[3].first, 2009, 1, 18));
  EXPECT_EQ(rows.rows[3].value.down, 5u);
  EXPECT_TRUE(Same(rows.span.first, 2008, 12, 21));
  EXPECT_TRUE(Same(rows.span.last, 2009, 1, 24));
}

TEST(PeriodWeekly, TheCurrentWeekIsItsLoggedDaysPlusTheLiveCounters) {
  TestLog log;
  log.Add(2008, 3, 9, 100, 10).Add(2008, 3, 10, 200, 20).Add(2008, 3, 12, 99999, 99999);
  ReportRows rows = BuildWeeklyRows(&log.file, kAll, Day(2008, 3, 12), kSundayCalendar, Traffic{1, 2});
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.currentIndex, 0);
  EXPECT_EQ(rows.loggedPart.down, 300u);
  EXPECT_EQ(rows.rows[0].value.down, 301u);
  EXPECT_EQ(rows.rows[0].value.up, 32u);
  EXPECT_EQ(CurrentRowValue(rows, Traffic{700, 0}).down, 1000u);
  // A refresh reports only the columns whose text changed.
  EXPECT_EQ(RefreshCurrentRow(rows, Traffic{700, 2}), (std::vector<int>{2, 4}));
  EXPECT_EQ(rows.rows[0].text[2], L"1.0 KB");
  EXPECT_TRUE(RefreshCurrentRow(rows, Traffic{700, 2}).empty());
}

TEST(PeriodWeekly, RecordsOnlyForTodayGiveOneCurrentRowOfLiveCounters) {
  TestLog log;
  log.Add(2008, 3, 12, 5000, 5000);
  for (auto build : {&BuildWeeklyRows, &BuildMonthlyRows}) {
    ReportRows rows = build(&log.file, kAll, Day(2008, 3, 12), kSundayCalendar, Traffic{3, 4});
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_TRUE(rows.rows[0].current);
    EXPECT_EQ(rows.loggedPart.down, 0u);
    EXPECT_EQ(rows.rows[0].value.down, 3u);
    EXPECT_EQ(rows.rows[0].value.up, 4u);
  }
}

TEST(PeriodMonthly, StartDay31AndCalendarMonths) {
  TestLog log;
  log.Add(2008, 3, 15, 10, 1).Add(2008, 3, 31, 20, 2).Add(2008, 4, 1, 40, 4);
  ReportRows rows = BuildMonthlyRows(&log.file, kAll, Day(2008, 5, 10), PeriodOptions{0, 31, 0x44}, Traffic{});
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.rows[0].text[1], L"2008-03-01 -- 2008-03-30");
  EXPECT_EQ(rows.rows[0].text[0], L"3");
  EXPECT_EQ(rows.rows[1].text[1], L"2008-03-31 -- 2008-04-30");
  EXPECT_EQ(rows.rows[1].value.down, 60u);
  EXPECT_EQ(rows.rows[1].text[0], L"4");

  ReportRows calendar = BuildMonthlyRows(&log.file, kAll, Day(2008, 5, 10), kSundayCalendar, Traffic{});
  ASSERT_EQ(calendar.rows.size(), 3u);
  EXPECT_EQ(calendar.rows[0].text[1], L"2008-03-01 -- 2008-03-31");
  EXPECT_EQ(calendar.rows[0].value.down, 30u);
  EXPECT_EQ(calendar.rows[1].text[1], L"2008-04-01 -- 2008-04-30");
}

TEST(PeriodMonthly, AClockSetBackByAMonthGivesTheLaterPeriodItsOwnRow) {
  TestLog log;
  log.Add(2008, 3, 10, 1, 0).Add(2008, 4, 10, 2, 0).Add(2008, 4, 11, 4, 0).Add(2008, 3, 11, 8, 0);
  ReportRows rows = BuildMonthlyRows(&log.file, kAll, Day(2008, 3, 12), kSundayCalendar, Traffic{16, 0});
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_TRUE(rows.rows[0].current);
  EXPECT_FALSE(rows.rows[1].current);
  EXPECT_EQ(rows.rows[1].value.down, 6u);
  EXPECT_TRUE(rows.rows[2].current);
  EXPECT_EQ(rows.currentIndex, 0);
  EXPECT_EQ(rows.rows[0].value.down, 17u);  // its logged day plus the live counters
  EXPECT_TRUE(Same(rows.span.first, 2008, 3, 1));
  EXPECT_TRUE(Same(rows.span.last, 2008, 4, 30));
}

TEST(PeriodRows, RecordsWithImpossibleDatesOrWeekdaysAreHandled) {
  TestLog log;
  log.Add(2008, 3, 10, 1, 0);
  DayRecord bad;
  bad.year = 2008;
  bad.month = 13;
  bad.day = 40;
  bad.kind = 100;
  bad.down = 1000;
  uint8_t image[kDayRecordSize];
  EncodeDayRecord(bad, image);
  log.file.WriteAt(RecordOffset(1), image, sizeof image);
  DayRecord oddWeekday = DecodeDayRecord(image);
  oddWeekday.month = 3;
  oddWeekday.day = 11;
  oddWeekday.weekday = 65535;
  EncodeDayRecord(oddWeekday, image);
  log.file.WriteAt(RecordOffset(2), image, sizeof image);

  ReportRows daily = BuildDailyRows(&log.file, kAll, Day(2008, 3, 20), kSundayCalendar, Traffic{});
  ASSERT_EQ(daily.rows.size(), 3u);
  EXPECT_EQ(daily.rows[1].text[1], L"Tuesday");
  ReportRows weekly = BuildWeeklyRows(&log.file, kAll, Day(2008, 3, 20), kSundayCalendar, Traffic{});
  ASSERT_EQ(weekly.rows.size(), 2u);
  EXPECT_EQ(weekly.rows[0].value.down, 1001u);
}

TEST(PeriodSummary, TotalsWithoutTodayAndTheLastNDays) {
  TestLog log;
  log.Add(2007, 12, 31, 1, 0).Add(2008, 2, 28, 2, 0).Add(2008, 3, 9, 4, 0).Add(2008, 3, 11, 8, 0);
  log.Add(2008, 3, 12, 1000, 0).Add(2008, 3, 11, 16, 0, 300, "{NIC}");
  const LocalTime today = Day(2008, 3, 12);
  SummaryTotals t = BuildSummaryTotals(&log.file, kAll, today, kSundayCalendar, 3);
  EXPECT_EQ(t.total.down, 15u);
  EXPECT_EQ(t.year.down, 14u);
  EXPECT_EQ(t.month.down, 12u);
  EXPECT_EQ(t.week.down, 12u);
  EXPECT_EQ(t.lastDays.down, 8u);
  EXPECT_TRUE(Same(t.span.first, 2007, 12, 31));
  EXPECT_TRUE(Same(t.span.last, 2008, 3, 12));

  const Traffic live{100, 1};
  std::vector<SummaryRow> rows = SummaryRows(t, live, 3);
  EXPECT_EQ(rows[kSumToday].value.down, 100u);
  EXPECT_EQ(rows[kSumTotal].value.down, 115u);
  EXPECT_EQ(rows[kSumLastDays].text[2], L"109 B");

  ComputeLastDaysTotal(t, &log.file, kAll, today, 1);
  rows = SummaryRows(t, live, 1);
  EXPECT_EQ(rows[kSumLastDays].value.down, rows[kSumToday].value.down);
  EXPECT_EQ(rows[kSumLastDays].text[0], rows[kSumToday].text[0]);
  rows = SummaryRows(t, live, 0);
  for (const auto& text : rows[kSumLastDays].text) EXPECT_EQ(text, L"");
  ComputeLastDaysTotal(t, &log.file, kAll, today, 32767);
  EXPECT_EQ(t.lastDays.down, 15u);

  SummaryTotals none = BuildSummaryTotals(nullptr, kAll, today, kSundayCalendar, 3);
  EXPECT_EQ(none.total.down, 0u);
  ResetSummaryToToday(t, today);
  EXPECT_EQ(t.total.down, 0u);
  EXPECT_TRUE(Same(t.span.first, 2008, 3, 12));
}

TEST(PeriodAlert, TotalsOfTheAlertPeriodWithoutToday) {
  TestLog log;
  log.Add(2008, 3, 8, 1, 10).Add(2008, 3, 9, 2, 20).Add(2008, 3, 11, 4, 40).Add(2008, 3, 12, 800, 800);
  log.Add(2008, 2, 28, 8, 80).Add(2008, 3, 11, 16, 0, 300, "{NIC}");
  const LocalTime today = Day(2008, 3, 12);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 0, 0, 0, today, kSundayCalendar), 6u);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 0, 0, 1, today, kSundayCalendar), 60u);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 1, 0, 2, today, kSundayCalendar), 77u);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 2, 5, 0, today, kSundayCalendar), 7u);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 2, 1, 0, today, kSundayCalendar), 0u);
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 2, 0, 0, today, kSundayCalendar), 0u);
  EXPECT_EQ(PeriodTotal(&log.file, SelectedConnection{300, "{NIC}"}, 2, 30, 0, today, kSundayCalendar), 16u);
  EXPECT_EQ(PeriodTotal(nullptr, kAll, 2, 30, 0, today, kSundayCalendar), 0u);
  // A week that starts today holds today alone.
  EXPECT_EQ(PeriodTotal(&log.file, kAll, 0, 0, 0, today, PeriodOptions{3, 1, 0x11}), 0u);
}

TEST(PeriodRows, ResetToTodayLeavesOneCurrentRow) {
  TestLog log;
  log.Add(2008, 3, 1, 5, 5).Add(2008, 3, 10, 5, 5);
  ReportRows rows = BuildMonthlyRows(&log.file, kAll, Day(2008, 3, 12), kSundayCalendar, Traffic{1, 1});
  ASSERT_EQ(rows.loggedPart.down, 10u);
  ResetToToday(rows, Day(2008, 3, 12), kSundayCalendar, Traffic{});
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.view, ReportView::Monthly);
  EXPECT_EQ(rows.currentIndex, 0);
  EXPECT_EQ(rows.loggedPart.down, 0u);
  EXPECT_TRUE(Same(rows.span.first, 2008, 3, 1));
  EXPECT_TRUE(Same(rows.span.last, 2008, 3, 31));
  rows.view = ReportView::Daily;
  ResetToToday(rows, Day(2008, 3, 12), kSundayCalendar, Traffic{});
  EXPECT_EQ(rows.rows[0].text[0], L"2008-03-12");
  EXPECT_TRUE(Same(rows.span.first, 2008, 3, 12));
}
