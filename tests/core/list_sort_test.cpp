// The comparison rules of the sortable list, by sort kind.
#include <gtest/gtest.h>

#include "ui/list_sort.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(ListSort, CellsCompareByTheirColumnsKind) {
  const struct {
    int kind;
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {kSortText, L"Monday", L"Friday", 1},
      {kSortNumber, L"9", L"10", -1},
      {kSortNumber, L"2.5", L"2.25", 1},
      {kSortByteCount, L"900 KB", L"1.50 MB", -1},  // as text the other way round
      {kSortByteCount, L"999 B", L"1.0 KB", -1},
      {kSortByteCount, L"1023.9 MB", L"2.00 GB", -1},
      {kSortByteCount, L"1.00 TB", L"999.99 GB", 1},
      {kSortByteCount, L"1.5M", L"1536 k", 0},  // the blank before the unit is optional
      {kSortDateMdySlash, L"12/31/2007", L"01/02/2008", -1},
      {kSortDateMdyDot, L"01.31.2008", L"02.01.2008", -1},
      {kSortDateDmySlash, L"31/01/2008", L"01/02/2008", -1},
      {kSortDateDmyDot, L"31.01.2008", L"01.02.2008", -1},
      {kSortDateYmdSlash, L"2008/01/31", L"2008/02/01", -1},
      {kSortDateYmdDash, L"2008-01-31", L"2007-12-31", 1},
      {kSortDateYmdDot, L"2008.01.31", L"2008.02.01", -1},
      {kSortDateDmySlash, L"31/12/2008 -- 06/01/2009", L"01/01/2009 -- 07/01/2009", -1},  // by the first date
      {kSortDateYmdDash, L"2008-02-01 -- 2008-02-07", L"2008-01-25 -- 2008-02-29", 1},
      {kSortDateDmySlash, L"31-01-2008", L"01/02/2008", 0},  // separators missing: equal to anything
      {kSortDateMdySlash, L"", L"01/02/2008", 0},
      {kSortMinutesSeconds, L"2:05", L"1:59", 1},
      {kSortHoursMinutesSeconds, L"1:00:00", L"59:59:0", -1},
      {kSortHoursMinutesSeconds, L"0:59:59", L"1:00:00", -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Sign(CompareCells(c.kind, c.a, c.b)), c.expected) << c.kind << " " << c.a << " vs " << c.b;
}

TEST(ListSort, DateKindFollowsTheDateFormatOption) {
  const int codes[][2] = {{0x11, 3}, {0x77, 4}, {0x22, 5}, {0x66, 6}, {0x33, 7}, {0x44, 8}, {0x55, 9}, {0x99, 3}};
  for (const auto& c : codes) EXPECT_EQ(DateSortKind(c[0]), c[1]) << c[0];
}

TEST(ListSort, ASecondClickOnTheSameColumnReverses) {
  ListSortState s;
  const struct {
    int column;
    bool ascending;
  } clicks[] = {{2, true}, {2, false}, {2, true}, {3, true}, {3, false}, {1, true}};
  for (const auto& c : clicks) EXPECT_EQ(s.Click(c.column), c.ascending) << c.column;
}

}  // namespace
