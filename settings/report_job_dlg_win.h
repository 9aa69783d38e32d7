// The dialog of one scheduled report (221): type, connection, interval in
// seconds and file. Works on its own copy of the job.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/option_pages.h"
#include "settings/service_settings.h"
#include "ui/dialog_win.h"
#include "ui/spin_win.h"

class CReportDlg : public Dialog<CReportDlg> {
public:
  using MessageBoxFn = std::function<int(HWND owner, const std::wstring& text, UINT type)>;

  CReportDlg(const ReportJob& job, const std::vector<AdapterRow>& connections, HINSTANCE inst = nullptr);
  // Modal; on IDOK job() holds the edited values.
  INT_PTR Run(HWND owner);
  // Without its own loop (tests pump messages); result() tells how it ended.
  HWND Create(HWND owner);
  const ReportJob& job() const { return job_; }
  INT_PTR result() const { return result_; }
  void SetMessageBox(MessageBoxFn box) { messageBox_ = std::move(box); }

private:
  friend class Dialog<CReportDlg>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  std::optional<INT_PTR> OnInitDialog(WPARAM, LPARAM);
  void OnBrowseCmd(WORD id, WORD code, HWND control);
  void OnOkCmd(WORD id, WORD code, HWND control);
  void OnCancelCmd(WORD id, WORD code, HWND control);
  void Finish(INT_PTR result);

  HINSTANCE inst_;
  ReportJob job_;
  std::vector<AdapterRow> connections_;
  CSpinControl interval_;
  MessageBoxFn messageBox_;
  bool modal_ = false;
  INT_PTR result_ = 0;
};
