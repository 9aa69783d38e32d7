// The Monitoring page (dialog 222): whether the program that counts serves its
// counters to Prometheus, and on which address and port. It edits a copy of
// the settings; Apply hands the page over (page code 206).
#pragma once
#include "settings/metrics_settings.h"
#include "settings/options_sheet_win.h"
#include "ui/dialog_win.h"

class COptMonitoringPage : public Dialog<COptMonitoringPage>, public COptionPage {
public:
  explicit COptMonitoringPage(const MetricsSettings& settings);
  PROPSHEETPAGEW Record(HINSTANCE inst) override;
  const MetricsSettings& values() const { return settings_; }

private:
  friend class Dialog<COptMonitoringPage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify;
  CmdHandler OnEnableCmd, OnFieldCmd;
  std::optional<PageProblem> ReadAndCheck() override;
  // The enabled state of the fields and the texts that follow the address.
  void UpdateControls();

  MetricsSettings settings_;
};
