// The reports window: a property sheet with the summary, daily, weekly and
// monthly pages of one chosen connection, a connection chooser, Export, Clear
// and Close. It works on a copy of the meter's options and hands back the
// chosen connection, N, the last page and the log path when it closes.
#pragma once
#include <windows.h>

#include "trafficlog/reports_context_win.h"
#include "trafficlog/sum_list_page_win.h"
#include "trafficlog/sum_summary_page_win.h"
#include "ui/property_sheet_win.h"

#include <vector>

class CSummarySheet {
public:
  CSummarySheet(ReportsInput input, ReportsEnvironment env);
  CSummarySheet(const CSummarySheet&) = delete;
  CSummarySheet& operator=(const CSummarySheet&) = delete;
  ~CSummarySheet();

  // Runs the sheet modally over the meter window.
  INT_PTR Run(HINSTANCE inst, HWND meter);
  // Creates it without a loop (tests pump messages and destroy it).
  HWND Create(HINSTANCE inst, HWND meter);
  HWND hwnd() const { return sheet_; }

  // Handed back on close.
  const SelectedConnection& selected() const { return ctx_.in.selected; }
  int lastDays() const { return ctx_.in.lastDays; }
  int lastPage() const { return lastPage_; }
  const std::wstring& logPath() const { return ctx_.in.logPath; }

  CSumSummaryPage& summaryPage() { return summary_; }
  CSumListPage& listPage(int page);  // kPageDaily, kPageWeekly, kPageMonthly

private:
  INT_PTR Open(HINSTANCE inst, HWND meter, bool modeless);
  void OnInitialized(HWND sheet);
  void OnConnectionChosen();
  void OnClear();
  HWND PageWindow(int page) const;
  static LRESULT CALLBACK SheetProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR self);

  ReportsContext ctx_;
  CSumSummaryPage summary_;
  CSumDailyPage daily_;
  CSumWeeklyPage weekly_;
  CSumMonthlyPage monthly_;
  HWND sheet_ = nullptr;
  HWND chooser_ = nullptr;
  SheetIcons icons_;
  FontHandle font_;
  std::vector<FontHandle> dpiFonts_;  // the fonts made again for a new DPI
  int lastPage_ = kPageSummary;
};
