// The Adapters page (dialog 209): every connection with a check box for
// "monitored", its name and connection speed, and the tray icon's options.
// It edits a copy of the connection list; Apply hands the page over.
#pragma once
#include <functional>
#include <vector>

#include "settings/options_sheet_win.h"
#include "ui/dialog_win.h"
#include "ui/report_list_win.h"
#include "ui/spin_win.h"

class COptAdaptersPage : public Dialog<COptAdaptersPage>, public COptionPage {
public:
  // The live connections in the catalogue's order, read when the page is made
  // and again by the reset button (after an Apply they hold its values).
  using RowsFn = std::function<std::vector<AdapterRow>()>;
  COptAdaptersPage(RowsFn liveRows, const TrayChoice& tray);
  PROPSHEETPAGEW Record(HINSTANCE inst) override;
  // In the catalogue's order, whatever the list's order.
  const std::vector<AdapterRow>& rows() const { return rows_; }
  const TrayChoice& tray() const { return tray_; }

private:
  friend class Dialog<COptAdaptersPage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify, OnListSorted, OnCompareChecks;
  CmdHandler OnSpeedCmd, OnCustomSpeedCmd, OnNameCmd, OnResetCmd, OnTrayIconCmd, OnTrayOptionCmd;
  std::optional<PageProblem> ReadAndCheck() override;

  void FillRows();
  void FillTrayList(int select);
  void ShowSelectedRow();
  void EnableTrayOptions();
  // The row index in rows_ of the selected list row, or -1.
  int SelectedRow() const;
  bool Checked(int listRow) const;

  RowsFn liveRows_;
  std::vector<AdapterRow> rows_;
  TrayChoice tray_;
  CReportList list_;
  CSpinControl customSpeed_;
};
