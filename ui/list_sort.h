// How a sortable list compares the texts of a column: by the column's sort
// kind, so that "900 KB" sorts before "1.50 MB" and 31/01/2008 before
// 01/02/2008. Portable, so the rules are tested without a window.
#pragma once
#include <string>
#include <string_view>

enum SortKind : int {
  kSortText = 0,            // the platform's locale-aware comparison
  kSortNumber = 1,          // a decimal number
  kSortByteCount = 2,       // a number, an optional blank, a unit letter K, M, G or T
  kSortDateMdySlash = 3,    // month/day/year
  kSortDateMdyDot = 4,      // month.day.year
  kSortDateDmySlash = 5,    // day/month/year
  kSortDateDmyDot = 6,      // day.month.year
  kSortDateYmdSlash = 7,    // year/month/day
  kSortDateYmdDash = 8,     // year-month-day
  kSortDateYmdDot = 9,      // year.month.day
  kSortMinutesSeconds = 10, // m:s
  kSortHoursMinutesSeconds = 11,  // h:m:s
};
constexpr int kMaxSortColumns = 100;

// The date sort kind of a date column for the option "DateFormat".
int DateSortKind(int dateFormatCode);

// The locale-aware comparison of plain texts (kind 0); negative, zero or positive.
using TextCompare = int (*)(std::wstring_view a, std::wstring_view b);
// Plain comparison by character values: the stand-in without a platform.
int OrdinalCompare(std::wstring_view a, std::wstring_view b);

// Negative, zero or positive. A date without its two separators compares
// equal to anything; a period "first -- last" sorts by its first date.
int CompareCells(int kind, std::wstring_view a, std::wstring_view b, TextCompare textCompare = OrdinalCompare);

// The column last sorted and its direction: a click sorts ascending, unless
// the same column was last sorted ascending, which reverses it.
struct ListSortState {
  int column = -1;
  bool ascending = false;
  // Records a click on the column; returns whether the sort is ascending.
  bool Click(int clicked) {
    ascending = !(clicked == column && ascending);
    column = clicked;
    return ascending;
  }
};
