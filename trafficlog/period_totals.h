// Totals of one connection's day records: one row per logged day, week or month
// period, the five summary totals and the total of a usage-alert period. The
// file's record for today is never used: it lags behind by up to one 16-minute
// slice, so today always comes from the connection's live counters.
#pragma once
#include <cstdint>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "trafficlog/log_format.h"
#include "base/dates.h"

struct PeriodOptions {
  int weekStartDay = 0;   // "WeekStartDay", 0 = Sunday .. 6 = Saturday
  int monthStartDay = 1;  // "MonthStartDay", 1-31
  int dateFormat = 0x11;  // "DateFormat"
};

struct SelectedConnection {
  int32_t kind = 100;
  std::string id;
};

struct Traffic {
  uint64_t down = 0;
  uint64_t up = 0;
  uint64_t both() const { return down + up; }  // wraps silently, as every sum here
  Traffic& operator+=(const Traffic& o) {
    down += o.down;
    up += o.up;
    return *this;
  }
};

enum class ReportView { Daily, Weekly, Monthly };

// A column text kept inside its row: a ten-year daily report has thousands of
// rows, and a heap block per text cost more than reading the whole log. The
// texts are dates, week or month numbers, period labels and byte counts,
// well within the capacity (a longer text is cut).
class RowText {
public:
  static constexpr size_t kCapacity = 31;
  RowText() = default;
  RowText(std::wstring_view text) { Assign(text); }
  RowText& operator=(std::wstring_view text) {
    Assign(text);
    return *this;
  }
  // Plain ASCII text, as the number and date formatting gives it.
  void AssignAscii(std::string_view text) {
    size_ = static_cast<uint16_t>(text.size() < kCapacity ? text.size() : kCapacity);
    for (size_t i = 0; i < size_; ++i) chars_[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  }
  std::wstring_view view() const { return std::wstring_view(chars_, size_); }
  std::wstring str() const { return std::wstring(view()); }
  operator std::wstring_view() const { return view(); }
  bool empty() const { return size_ == 0; }
  friend bool operator==(const RowText& a, const RowText& b) { return a.view() == b.view(); }
  friend bool operator==(const RowText& a, std::wstring_view b) { return a.view() == b; }

private:
  void Assign(std::wstring_view text) {
    size_ = static_cast<uint16_t>(text.size() < kCapacity ? text.size() : kCapacity);
    text.copy(chars_, size_);
  }
  uint16_t size_ = 0;
  wchar_t chars_[kCapacity] = {};
};

// One row of a report list: the day (daily view) or the period, its five
// column texts, whether it holds today, and its value.
struct ReportRow {
  CivilDate first;  // the day, or the first day of the period
  CivilDate last;   // the same day, or the last day of the period
  int weekday = 0;  // daily view: the record's weekday
  RowText text[5];
  bool current = false;
  Traffic value;
};

// The row's five texts as the list and the export take them.
std::array<std::wstring, 5> LineOf(const ReportRow& row);

struct ReportRows {
  ReportView view = ReportView::Daily;
  std::vector<ReportRow> rows;
  int currentIndex = -1;  // the row of today or the current period; -1 none
  DateRange span;         // earliest and latest date shown, for the export headers
  Traffic loggedPart;     // weekly, monthly: the current period's logged days, without today
};

// Each build scans the whole log from offset 24 (file may be null: no log);
// today is the local date (with its weekday) read once at the start of the build.
ReportRows BuildDailyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                          const PeriodOptions& options, const Traffic& live);
ReportRows BuildWeeklyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                           const PeriodOptions& options, const Traffic& live);
ReportRows BuildMonthlyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                            const PeriodOptions& options, const Traffic& live);

// The value of the current row now: the live counters (daily) or the logged
// part plus the live counters (weekly, monthly).
Traffic CurrentRowValue(const ReportRows& rows, const Traffic& live);
// Refreshes the current row's value and its three count texts; returns the
// indexes (2-4) of the columns whose text changed, for the list to redraw.
std::vector<int> RefreshCurrentRow(ReportRows& rows, const Traffic& live);
// After the log was cleared: one current row valued with the live counters.
void ResetToToday(ReportRows& rows, const LocalTime& today, const PeriodOptions& options, const Traffic& live);

struct SummaryTotals {
  Traffic total, year, month, week, lastDays;  // logged days only, without today
  DateRange span;
};

// lastDays is N ("SumLastDays"); with N <= 1 the last-N-days sum stays 0.
SummaryTotals BuildSummaryTotals(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                                 const PeriodOptions& options, int lastDays);
// Recomputes only the last-N-days sum after N was edited.
void ComputeLastDaysTotal(SummaryTotals& totals, LogFile* file, const SelectedConnection& conn,
                          const LocalTime& today, int lastDays);
void ResetSummaryToToday(SummaryTotals& totals, const LocalTime& today);

// The six summary rows as shown: downloaded, uploaded, both. Rows in the order
// of SummaryRowIndex; each accumulator plus the live counters; with N <= 0 the
// last row's texts are empty.
enum SummaryRowIndex { kSumToday, kSumWeek, kSumMonth, kSumYear, kSumTotal, kSumLastDays, kSummaryRowCount };
struct SummaryRow {
  std::wstring text[3];
  Traffic value;
};
std::vector<SummaryRow> SummaryRows(const SummaryTotals& totals, const Traffic& live, int lastDays);

// The days of an alert period around today: the week (by the week start day),
// the month period (by the month start day) or the last N days (N below 1 as 1).
DateRange AlertPeriodRange(int periodKind, int lastDays, const LocalTime& now, const PeriodOptions& options);

// The logged total of the alert connection over the alert period around the
// log's current date, without today. periodKind 0 = week, 1 = month period,
// other = last N days; direction 0 = downloaded, 1 = uploaded, other = both.
uint64_t PeriodTotal(LogFile* file, const SelectedConnection& conn, int periodKind, int lastDays, int direction,
                     const LocalTime& today, const PeriodOptions& options);

// The count texts of a value: downloaded, uploaded, both, in bytes whatever the
// display unit.
void FormatTrafficTexts(const Traffic& value, std::wstring out[3]);
