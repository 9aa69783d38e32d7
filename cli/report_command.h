// A report of one connection built from a log without the meter: the same
// rows, header values and export bytes as the reports window writes, with the
// log's record for today standing for the live counters; or the same report
// as JSON with the byte counts as integers.
#pragma once
#include <optional>
#include <string>

#include "base/codepage.h"
#include "base/dates.h"
#include "trafficlog/period_totals.h"
#include "trafficlog/report_export.h"

enum class ReportFormat { Text, Csv, Html, Json };

struct ReportRequest {
  ReportKind kind = ReportKind::Summary;
  ReportFormat format = ReportFormat::Text;
  SelectedConnection connection;
  std::wstring name;  // the connection's name in the header
  PeriodOptions options;
  int lastDays = 30;  // the summary's N
  LocalTime today;    // with its weekday
  // Today's live counters; without them the log's record for today stands in.
  std::optional<Traffic> live;
  // The 8-bit code page of text, CSV and HTML.
  NarrowEncoder encode = ToWindows1252;
};

// The connection's record for the date (a later record of the same key wins),
// zero when the log has none (or a read fails).
Traffic LoggedDay(LogFile* file, const SelectedConnection& conn, const CivilDate& date);

// The bytes of the report: text, CSV and HTML in the request's code page, JSON in UTF-8.
std::string RenderReport(LogFile* file, const ReportRequest& request);
