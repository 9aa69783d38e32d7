// Record-scan throughput of the report builds over a generated log of ten years
// of 30 connections (two aggregates and 28 adapters), as the reports window
// would build them for one adapter. The log is written to a temporary file and
// read back through the file (in the page cache after the first pass); each
// build prints its MB/s and its time against a plain sequential read of the
// same file in the same run (same chunk size, no decoding). The last line is
// the whole "zephra-cli report daily" command over that file, run in-process.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_log.h"
#include "cli/cli.h"
#include "cli/text_out.h"
#include "trafficlog/log_file_stream.h"
#include "trafficlog/period_totals.h"
#include "trafficlog/report_export.h"

namespace {

// Seconds of the fastest run of fn, over at least a second (after one warm-up
// run): the fastest run is the one least disturbed by other work on the machine.
template <class Fn>
double SecondsPerRun(Fn&& fn) {
  using Clock = std::chrono::steady_clock;
  fn();
  int runs = 0;
  double best = 1e9;
  const auto start = Clock::now();
  do {
    const auto before = Clock::now();
    fn();
    ++runs;
    best = std::min(best, std::chrono::duration<double>(Clock::now() - before).count());
  } while (std::chrono::duration<double>(Clock::now() - start).count() < 1.0 && runs < 500);
  return best;
}

void Print(const char* name, size_t bytes, double perRun, double plainPerRun) {
  std::printf("%-16s %8.2f ms per build  %8.1f MB/s  %5.2fx the plain read\n", name, perRun * 1000.0,
              static_cast<double>(bytes) / perRun / (1024.0 * 1024.0), perRun / plainPerRun);
}

}  // namespace

// With "--write <path>" it only writes the generated log there (the meter-cost
// benchmark starts the meter over it).
int main(int argc, char** argv) {
  const CivilDate first{2015, 1, 1};
  const int days = static_cast<int>(DaysFromCivil(CivilDate{first.year + kYears, 1, 1}) - DaysFromCivil(first));
  auto bytes = GenerateLog(first, days);
  const bool writeOnly = argc == 3 && std::string(argv[1]) == "--write";
  const std::string path =
      writeOnly ? std::string(argv[2]) : (std::filesystem::temp_directory_path() / "zephra-log-scan-bench.log").string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  if (writeOnly) return 0;
  auto file = std::make_unique<StreamLogFile>(path);
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

  // The plain read: the same file in 1 MB chunks, nothing decoded.
  std::vector<uint8_t> chunk(size_t{1} << 20);
  uint64_t touched = 0;
  const double plain = SecondsPerRun([&] {
    for (uint64_t at = 0;; at += chunk.size()) {
      const size_t got = file->ReadAt(at, chunk.data(), chunk.size());
      if (got == 0) break;
      touched += chunk[got - 1];
    }
  });
  const size_t size = bytes->size();
  std::printf("%-16s %8.2f ms per read   %8.1f MB/s\n", "plain read", plain * 1000.0,
              static_cast<double>(size) / plain / (1024.0 * 1024.0));

  size_t rows = 0;
  Print("daily", size, SecondsPerRun([&] { rows += BuildDailyRows(file.get(), conn, today, options, live).rows.size(); }),
        plain);
  Print("weekly", size, SecondsPerRun([&] { rows += BuildWeeklyRows(file.get(), conn, today, options, live).rows.size(); }),
        plain);
  Print("monthly", size,
        SecondsPerRun([&] { rows += BuildMonthlyRows(file.get(), conn, today, options, live).rows.size(); }), plain);
  Print("summary", size,
        SecondsPerRun([&] { rows += BuildSummaryTotals(file.get(), conn, today, options, 30).total.down > 0; }), plain);
  // The daily build and its export as CSV bytes, as an export of the whole list writes them.
  Print("daily + csv", size, SecondsPerRun([&] {
          const ReportRows built = BuildDailyRows(file.get(), conn, today, options, live);
          std::vector<ReportLine> lines;
          lines.reserve(built.rows.size());
          for (const ReportRow& r : built.rows) lines.push_back(LineOf(r));
          const ReportHeader header = MakeReportHeader(L"Ethernet", built.span, options);
          rows += ReportBytes(ListReportText(ReportKind::Daily, ExportFormat::Csv, header, lines), ToWindows1252).size();
        }),
        plain);
  // The command line's daily report: open, the today lookup, the build and the text export.
  const std::vector<std::string> args = {"report", "daily", "--log", path, "--connection", conn.id, "--today",
                                         IsoDate(last)};
  Print("cli report daily", size, SecondsPerRun([&] {
          std::string out, err;
          if (RunCli(args, today, out, err) != 0) std::fprintf(stderr, "%s", err.c_str());
          rows += out.size();
        }),
        plain);
  std::printf("(%zu rows built, %" PRIu64 ")\n", rows, touched);
  file.reset();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return 0;
}
