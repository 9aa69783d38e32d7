// The General page (dialog 206): the meter window's behaviour, the dates, the
// border width and which parts the rate views show.
#pragma once
#include "settings/options_sheet_win.h"
#include "ui/dialog_win.h"
#include "ui/spin_win.h"

class COptGeneralPage : public Dialog<COptGeneralPage>, public COptionPage {
public:
  COptGeneralPage(const MeterSettings& values, bool canSetTransparency);
  PROPSHEETPAGEW Record(HINSTANCE inst) override;
  // The page's values: the options it shows, as last read from its controls.
  const MeterSettings& values() const { return values_; }

private:
  friend class Dialog<COptGeneralPage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify;
  CmdHandler OnTransparentCmd, OnExplainCmd;
  // Every other check box, list and edit box only marks the page modified.
  bool OnOtherCommand(WORD id, WORD code, HWND control);
  std::optional<PageProblem> ReadAndCheck() override;
  void EnableTransparencyList();

  MeterSettings values_;
  bool canSetTransparency_;
  CSpinControl margins_;
  CSpinControl backupDays_;  // "LogBackupDays"
};
