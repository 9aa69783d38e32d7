// The reports window's decisions that need no window.
#include <gtest/gtest.h>

#include <set>

#include "measure/catalogue.h"
#include "trafficlog/report_sheet.h"

namespace {

TEST(ReportSheet, RestoreTakesTheFirstFreeNumberedName) {
  std::set<std::wstring> files = {L"C:\\Data\\sum_v2.log", L"C:\\Data\\sum_v2_1.log"};
  auto exists = [&](const std::wstring& p) { return files.count(p) > 0; };
  EXPECT_EQ(RestoreTargetPath(L"C:\\Data\\sum_v2.log", exists), L"C:\\Data\\sum_v2_2.log");
  files.insert(L"C:\\Data\\sum_v2_2.log");
  EXPECT_EQ(RestoreTargetPath(L"C:\\Data\\sum_v2.log", exists), L"C:\\Data\\sum_v2_3.log");
  EXPECT_EQ(RestoreTargetPath(L"C:\\My.Data\\traffic", exists), L"C:\\My.Data\\traffic_1");
}

TEST(ReportSheet, LabelsUseEnglishNamesAndSixtyFourBitSums) {
  EXPECT_EQ(UntilTodayLabel(MakeLocalTime(2026, 12, 8)), L"Until today - Tuesday, December 08, 2026");
  EXPECT_EQ(UntilTodayLabel(MakeLocalTime(2008, 3, 15)), L"Until today - Saturday, March 15, 2008");
  EXPECT_EQ(SelectionLabel(0, Traffic{5, 5}), L"Selected: 0");
  EXPECT_EQ(SelectionLabel(2, Traffic{5000000000ull, 999}),
            L"Selected: 2   Down: 4.66 GB   Up: 999 B   Both: 4.66 GB");
  EXPECT_EQ(WeekStartLabel(1), L"Start day of week is: Monday");
  EXPECT_EQ(MonthStartLabel(15), L"Start day of month is: 15");
}

TEST(ReportSheet, ConnectionIsFoundByKindAndForAdaptersById) {
  AdapterEntry all, dial, a, b;
  all.kind = kKindAll;
  dial.kind = kKindDialUp;
  a.id = "{A}";
  b.id = "{B}";
  const std::vector<AdapterEntry*> entries = {&all, &dial, &a, &b};
  EXPECT_EQ(FindReportEntry(entries, {300, "{B}"}), 3);
  EXPECT_EQ(FindReportEntry(entries, {200, "stale"}), 1);
  EXPECT_EQ(FindReportEntry(entries, {300, "{GONE}"}), -1);
}

}  // namespace
