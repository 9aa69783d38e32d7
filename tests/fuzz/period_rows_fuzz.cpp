// The first 16 bytes choose today, the options, N and the connection; the rest
// is a log file. Builds every report and total over it.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "trafficlog/period_totals.h"

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  LocalTime today;
  today.year = static_cast<uint16_t>(1990 + U16(data) % 100);
  today.month = static_cast<uint16_t>(1 + data[2] % 12);
  today.day = static_cast<uint16_t>(1 + data[3] % DaysInMonth(today.year, today.month));
  today = WithDayOfWeek(today);
  PeriodOptions options;
  options.weekStartDay = static_cast<int8_t>(data[4]);  // out of range values too
  options.monthStartDay = static_cast<int8_t>(data[5]);
  options.dateFormat = data[6];
  const int lastDays = static_cast<int16_t>(U16(data + 7));
  SelectedConnection conn;
  conn.kind = data[9] % 3 == 0 ? 100 : data[9] % 3 == 1 ? 200 : 300;
  conn.id = std::string(reinterpret_cast<const char*>(data + 10), data[9] % 4);
  const Traffic live{U16(data + 12) * 1000ull, U16(data + 14) * 1000ull};

  auto bytes = std::make_shared<std::vector<uint8_t>>(data + 16, data + size);
  MemoryLogFile file(bytes, false);

  ReportRows daily = BuildDailyRows(&file, conn, today, options, live);
  ReportRows weekly = BuildWeeklyRows(&file, conn, today, options, live);
  ReportRows monthly = BuildMonthlyRows(&file, conn, today, options, live);
  for (ReportRows* rows : {&daily, &weekly, &monthly}) {
    if (rows->currentIndex < 0 || rows->currentIndex >= static_cast<int>(rows->rows.size())) std::abort();
    if (!rows->rows[rows->currentIndex].current) std::abort();
    if (CompareDates(rows->span.first, rows->span.last) > 0) std::abort();
    RefreshCurrentRow(*rows, Traffic{live.down + 1, live.up});
  }
  SummaryTotals totals = BuildSummaryTotals(&file, conn, today, options, lastDays);
  ComputeLastDaysTotal(totals, &file, conn, today, lastDays);
  SummaryRows(totals, live, lastDays);
  for (int kind = 0; kind < 3; ++kind) PeriodTotal(&file, conn, kind, lastDays, data[6] % 3, today, options);
  ResetToToday(weekly, today, options, live);
  return 0;
}
