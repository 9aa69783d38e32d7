// What the reports window decides without a window: which connection it
// opens on, its title and labels, and where Restore copies a log to.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "measure/adapter_entry.h"
#include "trafficlog/period_totals.h"

// The pages in tab order.
enum ReportPage { kPageSummary = 0, kPageDaily = 1, kPageWeekly = 2, kPageMonthly = 3, kReportPageCount = 4 };

// The first entry of the list that belongs to the connection (kinds equal;
// for an adapter the IDs too), or -1.
int FindReportEntry(const std::vector<AdapterEntry*>& entries, const SelectedConnection& conn);
// The name a report shows for an entry.
std::wstring ReportConnectionName(const AdapterEntry& entry);
// Today's live counters of the entry (none: zero).
Traffic LiveTraffic(const AdapterEntry* entry);

std::wstring ReportsWindowTitle(const std::wstring& connectionName);
// "Until today - Tuesday, December 08, 2026": English names whatever the locale.
std::wstring UntilTodayLabel(const LocalTime& today);
// "Selected: 0", or the count and the 64-bit sums of the selected rows.
std::wstring SelectionLabel(int selectedRows, const Traffic& sum);
std::wstring WeekStartLabel(int weekStartDay);
std::wstring MonthStartLabel(int monthStartDay);

// Where Restore copies a chosen log: the log path's base (before the file
// name's extension), "_n" and the extension, with the first n from 1 on whose
// name is not an existing file.
std::wstring RestoreTargetPath(const std::wstring& logPath, const std::function<bool(const std::wstring&)>& exists);
