#include "settings/service_page.h"

std::wstring ReportTypeText(int32_t type) {
  switch (type) {
    case kJobDaily: return L"Daily Report";
    case kJobWeekly: return L"Weekly Report";
    case kJobMonthly: return L"Monthly Report";
    default: return L"Summary Report";
  }
}

int ConnectionRowIndex(const std::vector<AdapterRow>& rows, int32_t kind, const std::string& id) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].kind == kind && (kind == 100 || kind == 200 || rows[i].id == id)) return static_cast<int>(i);
  return -1;
}

std::array<std::wstring, 4> ReportJobRow(const ReportJob& job, const std::vector<AdapterRow>& rows) {
  const int row = ConnectionRowIndex(rows, job.kind, job.adapterId);
  return {ReportTypeText(job.type), row < 0 ? std::wstring() : rows[static_cast<size_t>(row)].name,
          std::to_wstring(job.interval) + L" sec.", job.file};
}

Choices ReportTypeChoices() {
  return {{L"Summary report", kJobSummary}, {L"Daily report", kJobDaily}, {L"Weekly report", kJobWeekly},
          {L"Monthly report", kJobMonthly}};
}

std::optional<PageProblem> CheckReportJob(const ReportJobInput& in, const std::array<int, 4>& controls) {
  if (in.typeIndex < 0) return PageProblem{L"Please select a report type.", controls[0]};
  if (in.connectionIndex < 0) return PageProblem{L"Please select an adapter.", controls[1]};
  if (!in.interval) return PageProblem{L"The interval seconds should be greater than or equal to 1.", controls[2]};
  if (auto problem = CheckNumberBox(*in.interval, NumberRange{1, kMaxReportInterval}, controls[2], L"interval",
                                    L"The interval seconds should be greater than or equal to 1."))
    return problem;
  if (in.file.empty()) return PageProblem{L"Please enter a report file name", controls[3]};
  if (const wchar_t* why = RefusedOutputPath(in.file, in.windowsFolder))
    return PageProblem{RefusedPathMessage(in.file, why), controls[3]};
  return std::nullopt;
}
