// The export of a report page: what the page shows, framed by the header and
// footer of its report and format, as the bytes of the file. Pure functions
// from the row texts (or the summary values) and the header values, so the
// window and the command line write the same bytes for the same report.
#pragma once
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"
#include "base/dates.h"
#include "trafficlog/period_totals.h"

enum class ReportKind { Summary, Daily, Weekly, Monthly };
// The file dialog's filters, in order: 1 text, 2 comma-separated values, 3 web page.
enum class ExportFormat { Text = 1, Csv = 2, Html = 3 };

// The fixed words of a report.
struct ReportWords {
  const wchar_t* dialogTitle;     // of the save dialog
  const wchar_t* reportTitle;     // in the file's header
  const wchar_t* successMessage;  // "%s" = the path
};
const ReportWords& WordsOf(ReportKind kind);

// Footer values, the same in every report.
inline constexpr wchar_t kReportProductName[] = L"Zephra";

// The save dialog's filters ("|"-separated pairs) and the extension rule: the
// format's extension is appended unless the name already has it (any case;
// ".htm" or ".html" for a web page).
extern const wchar_t kExportFilter[];
ExportFormat FormatOfFilter(unsigned filterIndex);
std::wstring ExportFileName(const std::wstring& chosen, ExportFormat format);
// The format a report file is written in, by its extension (any case): ".csv"
// comma-separated values, ".htm" or ".html" a web page, anything else text.
ExportFormat FormatOfReportFile(const std::wstring& path);

// Header values: the connection's display name and the span's first and last
// dates as the page formats them; the week start day (weekly) or the month
// start day (monthly).
struct ReportHeader {
  std::wstring connection;
  std::wstring firstDate;
  std::wstring lastDate;
  int weekStartDay = 0;
  int monthStartDay = 1;
};
ReportHeader MakeReportHeader(const std::wstring& connection, const DateRange& span, const PeriodOptions& options);

// The five column texts of a list row as shown: daily date, day name, down,
// up, both; weekly and monthly number, period, down, up, both.
using ReportLine = std::array<std::wstring, 5>;

// A daily, weekly or monthly report with the rows in the list's order.
std::wstring ListReportText(ReportKind kind, ExportFormat format, const ReportHeader& header,
                            std::span<const ReportLine> rows);
// The summary: the six rows as SummaryRows gives them (indexed by
// SummaryRowIndex), written Today, This Week, This Month, This Year, Last N
// Days, Total; lastDays is N as the page holds it.
std::wstring SummaryReportText(ExportFormat format, const ReportHeader& header, int lastDays,
                               const std::vector<SummaryRow>& rows);

// The file's bytes: the text in the 8-bit code page, no byte-order mark.
inline std::string ReportBytes(std::wstring_view text, NarrowEncoder encode) { return encode(text); }
