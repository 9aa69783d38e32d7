#include "trafficlog/period_totals.h"

#include <functional>

#include "base/format.h"

namespace {

bool Within(const CivilDate& d, const CivilDate& first, const CivilDate& last) {
  return CompareDates(first, d) <= 0 && CompareDates(d, last) <= 0;
}

void Widen(DateRange& span, const CivilDate& first, const CivilDate& last) {
  if (CompareDates(first, span.first) < 0) span.first = first;
  if (CompareDates(last, span.last) > 0) span.last = last;
}

// Options as stored may hold anything; the period functions get sane values.
PeriodOptions Sane(PeriodOptions o) {
  if (o.weekStartDay < 0 || o.weekStartDay > 6) o.weekStartDay = 0;
  if (o.monthStartDay < 1 || o.monthStartDay > 31) o.monthStartDay = 1;
  return o;
}

// The weekday of a record or of today; a field out of range is recomputed from the date.
int WeekdayOf(const CivilDate& d, unsigned stored) {
  return stored <= 6 ? static_cast<int>(stored) : DayOfWeek(d);
}

std::string DateText(int code, const CivilDate& d) {
  return FormatDateAscii(code, static_cast<unsigned>(d.year), static_cast<unsigned>(d.month),
                         static_cast<unsigned>(d.day));
}

void SetValue(ReportRow& row, const Traffic& value) {
  row.value = value;
  row.text[2].AssignAscii(FormatByteCountAscii(static_cast<int64_t>(value.down), true));
  row.text[3].AssignAscii(FormatByteCountAscii(static_cast<int64_t>(value.up), true));
  row.text[4].AssignAscii(FormatByteCountAscii(static_cast<int64_t>(value.both()), true));
}

void SetPeriodLabels(ReportRow& row, int number, int dateFormat) {
  row.text[0].AssignAscii(std::to_string(number));
  row.text[1].AssignAscii(DateText(dateFormat, row.first) + " -- " + DateText(dateFormat, row.last));
}

// The records of the connection with a real calendar date; an impossible date
// belongs to no day, week or month.
template <class Fn>
void ForEachRecordOf(LogFile* file, const SelectedConnection& conn, Fn&& fn) {
  RecordScanner scan(file);
  DayRecord r;
  uint64_t offset = 0;
  while (scan.NextOf(conn.kind, conn.id, r, offset))
    if (IsCalendarDate(r.year, r.month, r.day)) fn(r);
}

using PeriodFn = std::function<DateRange(const CivilDate&, int weekday)>;

ReportRows BuildPeriodRows(ReportView view, LogFile* file, const SelectedConnection& conn, const LocalTime& now,
                           const PeriodOptions& options, const Traffic& live, const PeriodFn& period) {
  ReportRows out;
  out.view = view;
  const CivilDate today = DateOf(now);
  const DateRange current = period(today, WeekdayOf(today, now.dayOfWeek));
  out.span = current;

  bool open = false;
  DateRange group;
  Traffic sums;
  bool haveLoggedPart = false;
  auto close = [&] {
    ReportRow row;
    row.first = group.first;
    row.last = group.last;
    row.current = CompareDates(group.first, current.first) == 0 && CompareDates(group.last, current.last) == 0;
    if (row.current && !haveLoggedPart) {
      // After the clock was set back the current period may come twice; the
      // first of them is the row that shows the live sum.
      out.loggedPart = sums;
      haveLoggedPart = true;
    }
    const int number = view == ReportView::Weekly
                           ? WeekNumber(group.last.year, group.last.month, group.last.day, options.weekStartDay)
                           : group.last.month;
    SetPeriodLabels(row, number, options.dateFormat);
    SetValue(row, sums);
    out.rows.push_back(std::move(row));
  };

  ForEachRecordOf(file, conn, [&](const DayRecord& r) {
    const CivilDate d = r.date();
    if (CompareDates(d, today) == 0) return;  // today comes from the live counters
    if (open && Within(d, group.first, group.last)) {
      sums += Traffic{r.down, r.up};
      return;
    }
    if (open) close();
    open = true;
    group = period(d, WeekdayOf(d, r.weekday));
    sums = Traffic{r.down, r.up};
    Widen(out.span, group.first, group.last);
  });
  if (open) close();

  for (size_t i = 0; i < out.rows.size(); ++i)
    if (out.rows[i].current) {
      out.currentIndex = static_cast<int>(i);
      break;
    }
  if (out.currentIndex < 0) {
    ReportRow row;
    row.first = current.first;
    row.last = current.last;
    row.current = true;
    const int number = view == ReportView::Weekly
                           ? WeekNumber(current.last.year, current.last.month, current.last.day, options.weekStartDay)
                           : current.last.month;
    SetPeriodLabels(row, number, options.dateFormat);
    out.loggedPart = Traffic{};
    out.rows.push_back(std::move(row));
    out.currentIndex = static_cast<int>(out.rows.size() - 1);
  }
  SetValue(out.rows[out.currentIndex], CurrentRowValue(out, live));
  return out;
}

ReportRow DailyRow(const CivilDate& d, int weekday, int dateFormat, const Traffic& value, bool current) {
  ReportRow row;
  row.first = row.last = d;
  row.weekday = weekday;
  row.current = current;
  row.text[0].AssignAscii(DateText(dateFormat, d));
  row.text[1] = kWeekdayNames[weekday];
  SetValue(row, value);
  return row;
}

}  // namespace

std::array<std::wstring, 5> LineOf(const ReportRow& row) {
  return {row.text[0].str(), row.text[1].str(), row.text[2].str(), row.text[3].str(), row.text[4].str()};
}

void FormatTrafficTexts(const Traffic& value, std::wstring out[3]) {
  out[0] = FormatByteCount(static_cast<int64_t>(value.down), true);
  out[1] = FormatByteCount(static_cast<int64_t>(value.up), true);
  out[2] = FormatByteCount(static_cast<int64_t>(value.both()), true);
}

ReportRows BuildDailyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& now,
                          const PeriodOptions& options, const Traffic& live) {
  ReportRows out;
  out.view = ReportView::Daily;
  const CivilDate today = DateOf(now);
  out.span = DateRange{today, today};
  // The days are gathered compactly first and the rows made once at their
  // final count: growing a vector of rows moves every text it holds.
  struct Day {
    CivilDate date;
    int weekday;
    Traffic value;
  };
  std::vector<Day> days;
  ForEachRecordOf(file, conn, [&](const DayRecord& r) {
    const CivilDate d = r.date();
    days.push_back(Day{d, WeekdayOf(d, r.weekday), Traffic{r.down, r.up}});
    Widen(out.span, d, d);
  });
  out.rows.reserve(days.size() + 1);
  for (const Day& day : days) {
    const bool current = CompareDates(day.date, today) == 0;
    if (current && out.currentIndex < 0) out.currentIndex = static_cast<int>(out.rows.size());
    out.rows.push_back(DailyRow(day.date, day.weekday, options.dateFormat, day.value, current));
  }
  if (out.currentIndex < 0) {
    out.rows.push_back(DailyRow(today, WeekdayOf(today, now.dayOfWeek), options.dateFormat, live, true));
    out.currentIndex = static_cast<int>(out.rows.size() - 1);
  }
  // The live counters already hold what the file has for today, and more.
  SetValue(out.rows[out.currentIndex], live);
  return out;
}

ReportRows BuildWeeklyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                           const PeriodOptions& options, const Traffic& live) {
  const PeriodOptions o = Sane(options);
  return BuildPeriodRows(ReportView::Weekly, file, conn, today, o, live, [&](const CivilDate& d, int weekday) {
    return WeekRange(d.year, d.month, d.day, weekday, o.weekStartDay);
  });
}

ReportRows BuildMonthlyRows(LogFile* file, const SelectedConnection& conn, const LocalTime& today,
                            const PeriodOptions& options, const Traffic& live) {
  const PeriodOptions o = Sane(options);
  return BuildPeriodRows(ReportView::Monthly, file, conn, today, o, live, [&](const CivilDate& d, int) {
    return MonthPeriod(d.year, d.month, d.day, o.monthStartDay);
  });
}

Traffic CurrentRowValue(const ReportRows& rows, const Traffic& live) {
  if (rows.view == ReportView::Daily) return live;
  Traffic v = rows.loggedPart;
  v += live;
  return v;
}

std::vector<int> RefreshCurrentRow(ReportRows& rows, const Traffic& live) {
  std::vector<int> changed;
  if (rows.currentIndex < 0 || rows.currentIndex >= static_cast<int>(rows.rows.size())) return changed;
  ReportRow& row = rows.rows[rows.currentIndex];
  row.value = CurrentRowValue(rows, live);
  std::wstring texts[3];
  FormatTrafficTexts(row.value, texts);
  for (int i = 0; i < 3; ++i)
    if (texts[i] != row.text[2 + i]) {
      row.text[2 + i] = texts[i];
      changed.push_back(2 + i);
    }
  return changed;
}

void ResetToToday(ReportRows& rows, const LocalTime& now, const PeriodOptions& options, const Traffic& live) {
  const ReportView view = rows.view;
  // An empty log yields exactly the one current row the reset wants.
  MemoryLogFile empty;
  switch (view) {
    case ReportView::Daily: rows = BuildDailyRows(&empty, {}, now, options, live); break;
    case ReportView::Weekly: rows = BuildWeeklyRows(&empty, {}, now, options, live); break;
    case ReportView::Monthly: rows = BuildMonthlyRows(&empty, {}, now, options, live); break;
  }
}

SummaryTotals BuildSummaryTotals(LogFile* file, const SelectedConnection& conn, const LocalTime& now,
                                 const PeriodOptions& options, int lastDays) {
  const PeriodOptions o = Sane(options);
  SummaryTotals t;
  const CivilDate today = DateOf(now);
  t.span = DateRange{today, today};
  if (!file) return t;
  const DateRange week = WeekRange(today.year, today.month, today.day, WeekdayOf(today, now.dayOfWeek), o.weekStartDay);
  const DateRange month = MonthPeriod(today.year, today.month, today.day, o.monthStartDay);
  const CivilDate nfirst = lastDays > 1 ? AddDays(today, -(static_cast<int64_t>(lastDays) - 1)) : today;
  ForEachRecordOf(file, conn, [&](const DayRecord& r) {
    const CivilDate d = r.date();
    if (CompareDates(d, today) == 0) return;
    const Traffic v{r.down, r.up};
    t.total += v;
    if (d.year == today.year) t.year += v;
    if (Within(d, month.first, month.last)) t.month += v;
    if (Within(d, week.first, week.last)) t.week += v;
    if (lastDays > 1 && Within(d, nfirst, today)) t.lastDays += v;
    Widen(t.span, d, d);
  });
  return t;
}

void ComputeLastDaysTotal(SummaryTotals& totals, LogFile* file, const SelectedConnection& conn,
                          const LocalTime& now, int lastDays) {
  totals.lastDays = Traffic{};
  if (lastDays <= 1 || !file) return;
  const CivilDate today = DateOf(now);
  const CivilDate nfirst = AddDays(today, -(static_cast<int64_t>(lastDays) - 1));
  ForEachRecordOf(file, conn, [&](const DayRecord& r) {
    const CivilDate d = r.date();
    if (CompareDates(d, today) != 0 && Within(d, nfirst, today)) totals.lastDays += Traffic{r.down, r.up};
  });
}

void ResetSummaryToToday(SummaryTotals& totals, const LocalTime& now) {
  totals = SummaryTotals{};
  totals.span = DateRange{DateOf(now), DateOf(now)};
}

std::vector<SummaryRow> SummaryRows(const SummaryTotals& totals, const Traffic& live, int lastDays) {
  std::vector<SummaryRow> rows(kSummaryRowCount);
  const Traffic* sums[kSummaryRowCount] = {nullptr,      &totals.week,  &totals.month,
                                           &totals.year, &totals.total, &totals.lastDays};
  for (int i = 0; i < kSummaryRowCount; ++i) {
    Traffic v = sums[i] ? *sums[i] : Traffic{};
    v += live;
    rows[i].value = v;
    if (i == kSumLastDays && lastDays <= 0) continue;  // the row stays empty
    FormatTrafficTexts(v, rows[i].text);
  }
  return rows;
}

DateRange AlertPeriodRange(int periodKind, int lastDays, const LocalTime& now, const PeriodOptions& options) {
  const PeriodOptions o = Sane(options);
  const CivilDate today = DateOf(now);
  if (periodKind == 0)
    return WeekRange(today.year, today.month, today.day, WeekdayOf(today, now.dayOfWeek), o.weekStartDay);
  if (periodKind == 1) return MonthPeriod(today.year, today.month, today.day, o.monthStartDay);
  return LastDaysRange(today.year, today.month, today.day, lastDays > 1 ? lastDays : 1);
}

uint64_t PeriodTotal(LogFile* file, const SelectedConnection& conn, int periodKind, int lastDays, int direction,
                     const LocalTime& now, const PeriodOptions& options) {
  if (!file) return 0;
  // Today alone (or no day at all): nothing logged counts.
  if (periodKind != 0 && periodKind != 1 && lastDays <= 1) return 0;
  const CivilDate today = DateOf(now);
  const DateRange p = AlertPeriodRange(periodKind, lastDays, now, options);
  if (CompareDates(p.first, p.last) >= 0) return 0;
  uint64_t total = 0;
  ForEachRecordOf(file, conn, [&](const DayRecord& r) {
    const CivilDate d = r.date();
    if (CompareDates(d, today) == 0 || !Within(d, p.first, p.last)) return;
    total += direction == 0 ? r.down : direction == 1 ? r.up : r.down + r.up;
  });
  return total;
}
