// The summary page of the reports window: today, this week, this month, this
// year, the last N days and the total of the chosen connection, and the log
// file's place with Change, Backup and Restore.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "trafficlog/reports_context_win.h"
#include "ui/dialog_win.h"

class CSumSummaryPage : public Dialog<CSumSummaryPage>, public DialogForm {
public:
  explicit CSumSummaryPage(ReportsContext& ctx) : ctx_(ctx) {}

  const SummaryTotals& totals() const { return totals_; }

  // The page's description for the sheet (defined beside the message table).
  PROPSHEETPAGEW Page(HINSTANCE inst);

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

private:
  friend class Dialog<CSumSummaryPage>;
  MsgHandler OnInitDialog, OnNotify, OnTimer, OnConnectionChanged, OnClear, OnExport, OnCtlColorStatic, OnDestroy;
  CmdHandler OnDaysChange, OnChange, OnBackup, OnRestore;
  // The copy of the log "-before-<step>"; false, after a warning, when it failed.
  bool CopyBefore(const wchar_t* step);

  void Load();
  void ShowValues();
  Traffic Live() const { return LiveTraffic(entry_); }

  ReportsContext& ctx_;
  SummaryTotals totals_;
  SelectedConnection loaded_;
  AdapterEntry* entry_ = nullptr;
  bool active_ = false;
  bool initialised_ = false;
};
