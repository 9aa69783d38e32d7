// The Service page (dialog 220): hands counting over to the companion service,
// its two options and the list of scheduled reports it writes. It edits a copy
// of the service settings; Apply hands the page over (page code 205).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "settings/options_sheet_win.h"
#include "settings/service_settings.h"
#include "ui/dialog_win.h"
#include "ui/report_list_win.h"

class COptServicePage : public Dialog<COptServicePage>, public COptionPage {
public:
  // Edits one job in the report dialog (modal); true on OK. Tests answer it.
  using EditJobFn = std::function<bool(HWND owner, ReportJob& job)>;
  // Opens a target with a shell verb (the services console).
  using OpenFn = std::function<void(const std::wstring& target, const wchar_t* verb, int show)>;
  // Shows or hides the elevation shield on one of the sheet's buttons (IDOK, Apply).
  using ShieldFn = std::function<void(HWND button, bool shield)>;

  // `connections`: the catalogue's connections, for the names in the list.
  COptServicePage(const ServiceSettings& settings, const std::vector<AdapterRow>& connections);
  PROPSHEETPAGEW Record(HINSTANCE inst) override;
  const ServiceSettings& values() const { return settings_; }

  void SetEditJob(EditJobFn edit) { editJob_ = std::move(edit); }
  void SetOpen(OpenFn open) { open_ = std::move(open); }
  void SetShield(ShieldFn shield) { shield_ = std::move(shield); }
  // After Apply: whether service mode is on now. The box shows it, and OK and
  // Apply carry the shield while the box differs from it (switching needs approval).
  void SetServiceState(bool enabled);

private:
  friend class Dialog<COptServicePage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify;
  CmdHandler OnEnableCmd, OnOptionCmd, OnAddCmd, OnEditCmd, OnDeleteCmd, OnConsoleCmd;
  std::optional<PageProblem> ReadAndCheck() override;

  void FillRows(int select);
  void EnableControls();
  void UpdateShield();
  // The index in jobs_ of the selected row, or -1.
  int SelectedJob() const;

  ServiceSettings settings_;
  std::vector<ReportJob> jobs_;  // the list as edited; taken into settings_ by Apply
  std::vector<AdapterRow> connections_;
  CReportList list_;
  EditJobFn editJob_;
  OpenFn open_;
  ShieldFn shield_;
  bool running_;  // service mode as the meter runs it
  HINSTANCE inst_ = nullptr;
};
