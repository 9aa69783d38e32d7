// The rules of the Service page and the scheduled report dialog, free of
// windows: the list's row texts, the dialog's choices and the checks of its OK.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/option_pages.h"
#include "settings/service_settings.h"

// "Daily Report", "Weekly Report", "Monthly Report", any other "Summary Report".
std::wstring ReportTypeText(int32_t type);
// The connection's row: kinds 100 and 200 by kind, others by kind and ID; -1 when none.
int ConnectionRowIndex(const std::vector<AdapterRow>& rows, int32_t kind, const std::string& id);
// The list row of a job: type, connection name (empty when not in the catalogue),
// "%d sec.", file.
std::array<std::wstring, 4> ReportJobRow(const ReportJob& job, const std::vector<AdapterRow>& rows);
// The report type list of the dialog: "Summary report" 0 .. "Monthly report" 3.
Choices ReportTypeChoices();
constexpr int32_t kMaxReportInterval = 32767;

// The values of the dialog at OK: type and connection as list indexes (-1 none),
// the interval as typed (nullopt when not a number), the file.
struct ReportJobInput {
  int typeIndex = -1;
  int connectionIndex = -1;
  std::optional<int32_t> interval;
  std::wstring file;
  std::wstring windowsFolder;  // the service refuses report files in it
};
// The first fault in the dialog's order; `controls` are the ids of the type
// list, the connection list, the interval and the file edit.
std::optional<PageProblem> CheckReportJob(const ReportJobInput& in, const std::array<int, 4>& controls);
