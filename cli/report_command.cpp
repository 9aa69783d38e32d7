#include "cli/report_command.h"

#include <algorithm>
#include <vector>

#include "base/codepage.h"
#include "cli/text_out.h"

namespace {

const char* KindName(ReportKind kind) {
  switch (kind) {
    case ReportKind::Daily: return "daily";
    case ReportKind::Weekly: return "weekly";
    case ReportKind::Monthly: return "monthly";
    case ReportKind::Summary: break;
  }
  return "summary";
}

// text: the three value texts of a summary row or a list row.
template <class Text>
std::string Counts(const Traffic& v, const Text* text, bool withNumbers) {
  const std::string numbers =
      withNumbers ? "\"downloaded\": " + std::to_string(v.down) + ", \"uploaded\": " + std::to_string(v.up) +
                        ", \"both\": " + std::to_string(v.both())
                  : std::string("\"downloaded\": null, \"uploaded\": null, \"both\": null");
  return numbers + ", \"texts\": [" + JsonString(text[0]) + ", " + JsonString(text[1]) + ", " + JsonString(text[2]) +
         "]";
}

std::string JsonHead(const ReportRequest& q, const DateRange& span) {
  const PeriodOptions& o = q.options;
  return "{\n\"report\": \"" + std::string(KindName(q.kind)) + "\",\n\"connection\": {\"type\": " +
         std::to_string(q.connection.kind) + ", \"id\": " + JsonString(FromWindows1252(q.connection.id)) +
         ", \"name\": " + JsonString(q.name) + "},\n\"options\": {\"dateFormat\": " + std::to_string(o.dateFormat) +
         ", \"weekStartDay\": " + std::to_string(o.weekStartDay) + ", \"monthStartDay\": " +
         std::to_string(o.monthStartDay) + ", \"lastDays\": " + std::to_string(q.lastDays) + ", \"today\": \"" +
         IsoDate(DateOf(q.today)) + "\"},\n\"span\": {\"first\": \"" + IsoDate(span.first) + "\", \"last\": \"" +
         IsoDate(span.last) + "\"},\n\"rows\": [";
}

std::string SummaryJson(const ReportRequest& q, const SummaryTotals& totals, const std::vector<SummaryRow>& rows) {
  // The export's order: Today, This Week, This Month, This Year, Last N Days, Total.
  const struct {
    const char* name;
    std::wstring label;
    int index;
  } lines[] = {{"today", L"Today:", kSumToday},
               {"thisWeek", L"This Week:", kSumWeek},
               {"thisMonth", L"This Month:", kSumMonth},
               {"thisYear", L"This Year:", kSumYear},
               {"lastDays", L"Last " + std::to_wstring(q.lastDays) + L" Days:", kSumLastDays},
               {"total", L"Total:", kSumTotal}};
  std::string out = JsonHead(q, totals.span);
  for (size_t i = 0; i < std::size(lines); ++i) {
    const SummaryRow& r = rows[lines[i].index];
    out += (i ? ",\n" : "\n") + std::string("{\"name\": \"") + lines[i].name + "\", \"label\": " +
           JsonString(lines[i].label) + ", " + Counts(r.value, r.text, lines[i].index != kSumLastDays || q.lastDays > 0) +
           "}";
  }
  return out + "\n]\n}\n";
}

std::string ListJson(const ReportRequest& q, const ReportRows& built) {
  std::string out = JsonHead(q, built.span);
  for (size_t i = 0; i < built.rows.size(); ++i) {
    const ReportRow& r = built.rows[i];
    out += (i ? ",\n" : "\n") + std::string("{\"labels\": [") + JsonString(r.text[0]) + ", " + JsonString(r.text[1]) +
           "], \"first\": \"" + IsoDate(r.first) + "\", \"last\": \"" + IsoDate(r.last) +
           "\", \"current\": " + (r.current ? "true" : "false") + ", " + Counts(r.value, r.text + 2, true) + "}";
  }
  return out + "\n]\n}\n";
}

}  // namespace

Traffic LoggedDay(LogFile* file, const SelectedConnection& conn, const CivilDate& date) {
  // A later record of the same key wins, so the first match read from the end
  // is the answer; today's records are usually among the last ones written.
  uint64_t size = 0;
  if (!file || !file->Size(size) || size < kLogHeaderSize) return {};
  uint64_t end = (size - kLogHeaderSize) / kDayRecordSize;  // whole records only
  std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(end, kScanBlockRecords)) * kDayRecordSize);
  while (end > 0) {
    const uint64_t first = end > kScanBlockRecords ? end - kScanBlockRecords : 0;
    const size_t want = static_cast<size_t>(end - first) * kDayRecordSize;
    if (file->ReadAt(RecordOffset(first), block.data(), want) != want) return {};
    for (uint64_t k = end - first; k-- > 0;) {
      const DayRecord r = DecodeDayRecord(block.data() + k * kDayRecordSize);
      if (CompareDates(r.date(), date) == 0 && RecordMatches(r.kind, r.id, conn.kind, conn.id))
        return Traffic{r.down, r.up};
    }
    end = first;
  }
  return {};
}

std::string RenderReport(LogFile* file, const ReportRequest& q) {
  const Traffic live = q.live ? *q.live : LoggedDay(file, q.connection, DateOf(q.today));
  const auto format = static_cast<ExportFormat>(static_cast<int>(q.format) + 1);
  if (q.kind == ReportKind::Summary) {
    const SummaryTotals totals = BuildSummaryTotals(file, q.connection, q.today, q.options, q.lastDays);
    const std::vector<SummaryRow> rows = SummaryRows(totals, live, q.lastDays);
    if (q.format == ReportFormat::Json) return SummaryJson(q, totals, rows);
    const ReportHeader header = MakeReportHeader(q.name, totals.span, q.options);
    return ReportBytes(SummaryReportText(format, header, q.lastDays, rows), q.encode);
  }
  const ReportRows built =
      q.kind == ReportKind::Daily    ? BuildDailyRows(file, q.connection, q.today, q.options, live)
      : q.kind == ReportKind::Weekly ? BuildWeeklyRows(file, q.connection, q.today, q.options, live)
                                     : BuildMonthlyRows(file, q.connection, q.today, q.options, live);
  if (q.format == ReportFormat::Json) return ListJson(q, built);
  // The rows in the order the window lists them before any sorting: file order.
  std::vector<ReportLine> lines;
  lines.reserve(built.rows.size());
  for (const ReportRow& r : built.rows) lines.push_back(LineOf(r));
  const ReportHeader header = MakeReportHeader(q.name, built.span, q.options);
  return ReportBytes(ListReportText(q.kind, format, header, lines), q.encode);
}
