#include "trafficlog/report_sheet.h"

#include "base/format.h"
#include "base/text_util.h"
#include "measure/catalogue.h"
#include "trafficlog/log_format.h"

namespace {

const wchar_t* const kMonthNames[12] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                        L"July",    L"August",   L"September", L"October", L"November", L"December"};

std::wstring TwoDigits(int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); }

}  // namespace

int FindReportEntry(const std::vector<AdapterEntry*>& entries, const SelectedConnection& conn) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (RecordMatches(entries[i]->kind, entries[i]->id, conn.kind, conn.id)) return static_cast<int>(i);
  return -1;
}

std::wstring ReportConnectionName(const AdapterEntry& entry) { return EntryTitle(entry, false); }

Traffic LiveTraffic(const AdapterEntry* entry) { return entry ? Traffic{entry->todayIn, entry->todayOut} : Traffic{}; }

std::wstring ReportsWindowTitle(const std::wstring& connectionName) {
  return L"Traffic Reports - [" + connectionName + L"]";
}

std::wstring UntilTodayLabel(const LocalTime& today) {
  const int weekday = DayOfWeek(DateOf(today));
  const int month = today.month >= 1 && today.month <= 12 ? today.month : 1;
  return std::wstring(L"Until today - ") + kWeekdayNames[weekday] + L", " + kMonthNames[month - 1] + L" " +
         TwoDigits(today.day) + L", " + std::to_wstring(today.year);
}

std::wstring SelectionLabel(int selectedRows, const Traffic& sum) {
  if (selectedRows <= 0) return L"Selected: 0";
  std::wstring t[3];
  FormatTrafficTexts(sum, t);
  return L"Selected: " + std::to_wstring(selectedRows) + L"   Down: " + t[0] + L"   Up: " + t[1] + L"   Both: " + t[2];
}

std::wstring WeekStartLabel(int weekStartDay) {
  return std::wstring(L"Start day of week is: ") + kWeekdayNames[weekStartDay >= 0 && weekStartDay <= 6 ? weekStartDay : 0];
}

std::wstring MonthStartLabel(int monthStartDay) { return L"Start day of month is: " + std::to_wstring(monthStartDay); }

std::wstring RestoreTargetPath(const std::wstring& logPath, const std::function<bool(const std::wstring&)>& exists) {
  const std::wstring ext = FileExtensionOf(logPath);
  const std::wstring base = logPath.substr(0, logPath.size() - ext.size());
  for (int n = 1;; ++n) {
    const std::wstring candidate = base + L"_" + std::to_wstring(n) + ext;
    if (!exists(candidate)) return candidate;
  }
}
