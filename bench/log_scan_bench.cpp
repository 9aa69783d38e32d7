// Record-scan throughput of the report builds over a generated log of ten years
// of 30 connections (two aggregates and 28 adapters), as the reports window
// would build them for one adapter. Prints MB/s of log scanned per build.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "trafficlog/period_totals.h"

namespace {

constexpr int kYears = 10;
constexpr int kConnections = 30;

std::shared_ptr<std::vector<uint8_t>> GenerateLog(CivilDate first, int days) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(kLogHeaderSize);
  EncodeLogHeader(bytes->data());
  bytes->reserve(kLogHeaderSize + static_cast<size_t>(days) * kConnections * kDayRecordSize);
  uint8_t image[kDayRecordSize];
  for (int d = 0; d < days; ++d) {
    const CivilDate date = AddDays(first, d);
    for (int c = 0; c < kConnections; ++c) {
      DayRecord r;
      r.year = static_cast<uint16_t>(date.year);
      r.month = static_cast<uint16_t>(date.month);
      r.day = static_cast<uint16_t>(date.day);
      r.weekday = static_cast<uint16_t>(DayOfWeek(date));
      r.kind = c == 0 ? 100 : c == 1 ? 200 : 300;
      if (c >= 2) r.id = "{4D36E972-E325-11CE-BFC1-08002BE1" + std::to_string(1000 + c) + "}";
      r.down = 1000000ull * (d % 97 + c);
      r.up = 100000ull * (d % 89 + c);
      EncodeDayRecord(r, image);
      bytes->insert(bytes->end(), image, image + kDayRecordSize);
    }
  }
  return bytes;
}

template <class Fn>
void Measure(const char* name, size_t bytes, Fn&& build) {
  using Clock = std::chrono::steady_clock;
  int runs = 0;
  const auto start = Clock::now();
  double seconds = 0;
  do {
    build();
    ++runs;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < 1.0 && runs < 200);
  const double perBuild = seconds / runs;
  std::printf("%-10s %8.2f ms per build  %8.1f MB/s\n", name, perBuild * 1000.0,
              static_cast<double>(bytes) / perBuild / (1024.0 * 1024.0));
}

}  // namespace

int main() {
  const CivilDate first{2015, 1, 1};
  const int days = static_cast<int>(DaysFromCivil(CivilDate{first.year + kYears, 1, 1}) - DaysFromCivil(first));
  auto bytes = GenerateLog(first, days);
  MemoryLogFile file(bytes, false);
  const CivilDate last = AddDays(first, days - 1);
  LocalTime today;
  today.year = static_cast<uint16_t>(last.year);
  today.month = static_cast<uint16_t>(last.month);
  today.day = static_cast<uint16_t>(last.day);
  today = WithDayOfWeek(today);
  const SelectedConnection conn{300, "{4D36E972-E325-11CE-BFC1-08002BE11017}"};
  const PeriodOptions options{1, 15, 0x44};
  const Traffic live{123456, 7890};
  std::printf("log: %d days x %d connections = %zu records, %.1f MB\n", days, kConnections,
              (bytes->size() - kLogHeaderSize) / kDayRecordSize, bytes->size() / (1024.0 * 1024.0));

  size_t rows = 0;
  Measure("daily", bytes->size(), [&] { rows += BuildDailyRows(&file, conn, today, options, live).rows.size(); });
  Measure("weekly", bytes->size(), [&] { rows += BuildWeeklyRows(&file, conn, today, options, live).rows.size(); });
  Measure("monthly", bytes->size(), [&] { rows += BuildMonthlyRows(&file, conn, today, options, live).rows.size(); });
  Measure("summary", bytes->size(), [&] { rows += BuildSummaryTotals(&file, conn, today, options, 30).total.down > 0; });
  std::printf("(%zu rows built)\n", rows);
  return 0;
}
