// What the reports window and its pages share: the meter's log, connections
// and options as given at opening, the values handed back on close, and the
// seams (clock, message boxes, file dialogs, opening a document) that tests
// answer without modal loops.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/dates.h"
#include "measure/adapter_entry.h"
#include "trafficlog/log_format.h"
#include "trafficlog/period_totals.h"
#include "base/ids.h"
#include "trafficlog/report_export.h"
#include "trafficlog/report_sheet.h"
#include "ui/handle_win.h"

// Private messages of the reports window (WM_USER + n).
constexpr UINT WM_SUM_CONNECTION_CHANGED = WM_USER + 99;
constexpr UINT WM_SUM_EXPORT = WM_USER + 448;
constexpr UINT_PTR kSumRefreshTimer = 999;

// One file dialog as the reports window asks for it.
struct FileRequest {
  bool open = false;
  std::wstring title;          // empty: the dialog's own
  std::wstring filter;         // "|"-separated pairs
  std::wstring defaultExtension;
  DWORD flags = 0;
  std::wstring initialFolder;  // empty: the dialog's own
};

struct ReportsEnvironment {
  std::function<LocalTime()> now;  // the local date and time
  std::function<int(HWND owner, const std::wstring& text, UINT type)> messageBox;  // titled "Zephra"
  // filterIndex: in, the first filter (1-based); out, the chosen one.
  std::function<bool(HWND owner, const FileRequest& request, std::wstring& path, DWORD& filterIndex)> chooseFile;
  std::function<void(const std::wstring& path)> openDocument;
  NarrowEncoder encode = nullptr;  // the system code page
  // Writes the whole report to the open file; false when any write fails.
  std::function<bool(HANDLE file, const std::string& bytes)> writeAll;
};
// The real clock, message boxes, dialogs and shell.
ReportsEnvironment DefaultReportsEnvironment();

// What the meter window gives the reports window.
struct ReportsInput {
  LogFile* log = nullptr;               // the open log, read only; null when none
  std::vector<AdapterEntry*> entries;   // the catalogue, in list order
  std::wstring logPath;
  bool serviceMode = false;             // the service keeps the log; it cannot be cleared
  SelectedConnection selected;          // kind 100 with an empty ID by default
  PeriodOptions options;                // "WeekStartDay", "MonthStartDay", "DateFormat"
  int lastDays = 30;                    // "SumLastDays"
  int startPage = kPageSummary;
};

struct ReportsContext {
  ReportsInput in;
  ReportsEnvironment env;
  HWND meter = nullptr;  // told first when the log is cleared

  AdapterEntry* Entry(const SelectedConnection& c) const {
    const int i = FindReportEntry(in.entries, c);
    return i >= 0 ? in.entries[static_cast<size_t>(i)] : nullptr;
  }
  std::wstring ConnectionName(const SelectedConnection& c) const {
    const AdapterEntry* e = Entry(c);
    return e ? ReportConnectionName(*e) : std::wstring(L"All Connections");
  }
  int Message(HWND owner, const std::wstring& text, UINT type) const { return env.messageBox(owner, text, type); }
};

bool SameConnection(const SelectedConnection& a, const SelectedConnection& b);
// Colours a static text of a page (WM_CTLCOLORSTATIC): the page's own
// background as the dialog manager gives it (the themed tab pane included),
// with red or blue text. Nothing (default processing) when called from within.
std::optional<INT_PTR> ColouredStatic(HWND page, WPARAM wp, LPARAM lp, COLORREF colour);

// Export of one page: the save dialog, the extension rule, the file created
// unshared, the bytes of text(format) written under the wait cursor, then the
// success question (or a failure warning; a partial file is removed).
void RunExport(HWND owner, const ReportsContext& ctx, ReportKind kind,
               const std::function<std::wstring(ExportFormat)>& text);
