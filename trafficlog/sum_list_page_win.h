// The daily, weekly and monthly pages of the reports window: one row per day,
// week or month period in a sortable list, the current period refreshed once
// a second from the live counters, the selection's sums, and the export.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "trafficlog/reports_context_win.h"
#include "ui/dialog_win.h"
#include "ui/report_list_win.h"

class CSumListPage : public Dialog<CSumListPage>, public DialogForm {
public:
  CSumListPage(ReportsContext& ctx, ReportView view) : ctx_(ctx), view_(view) {}

  // What the page shows, for the sheet and the tests.
  const ReportRows& rows() const { return rows_; }
  const CReportList& list() const { return list_; }
  int currentListRow() const { return currentListRow_; }

  // The page's description for the sheet (defined beside the message table).
  PROPSHEETPAGEW Page(HINSTANCE inst);

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

private:
  friend class Dialog<CSumListPage>;
  MsgHandler OnInitDialog, OnNotify, OnTimer, OnSorted, OnConnectionChanged, OnClear, OnExport, OnCtlColorStatic,
      OnDestroy;
  void OnNoCommand(WORD, WORD, HWND) {}

  void Load();
  void Fill();
  void Refresh();
  void FindCurrentRow();
  void UpdateSelectionLabel();
  Traffic Live() const { return LiveTraffic(entry_); }
  ReportKind Kind() const;

  ReportsContext& ctx_;
  ReportView view_;
  CReportList list_;
  ReportRows rows_;
  SelectedConnection loaded_;
  AdapterEntry* entry_ = nullptr;
  int currentListRow_ = -1;
  bool active_ = false;
};

class CSumDailyPage : public CSumListPage {
public:
  explicit CSumDailyPage(ReportsContext& ctx) : CSumListPage(ctx, ReportView::Daily) {}
};
class CSumWeeklyPage : public CSumListPage {
public:
  explicit CSumWeeklyPage(ReportsContext& ctx) : CSumListPage(ctx, ReportView::Weekly) {}
};
class CSumMonthlyPage : public CSumListPage {
public:
  explicit CSumMonthlyPage(ReportsContext& ctx) : CSumListPage(ctx, ReportView::Monthly) {}
};
