// The dialog of one scheduled report (221): type, connection, interval in
// seconds and file. Works on its own copy of the job.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/option_pages.h"
#include "settings/service_settings.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/spin_win.h"

class CReportDlg : public AppDialog<CReportDlg, IDD_REPORT_JOB> {
public:
  CReportDlg(const ReportJob& job, const std::vector<AdapterRow>& connections, HINSTANCE inst = nullptr);
  // Run(): on IDOK job() holds the edited values.
  // After Create(), result() tells how it ended.
  const ReportJob& job() const { return job_; }
  INT_PTR result() const { return result_; }

private:
  friend class Dialog<CReportDlg>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog;
  CmdHandler OnBrowseCmd, OnOkCmd, OnCancelCmd;
  void Finish(INT_PTR result);

  ReportJob job_;
  std::vector<AdapterRow> connections_;
  CSpinControl interval_;
  INT_PTR result_ = 0;
};
