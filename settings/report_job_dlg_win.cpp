#include "settings/report_job_dlg_win.h"

#include <commdlg.h>

#include "res/resource.h"
#include "settings/options_sheet_win.h"
#include "settings/service_page.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"

namespace {

const wchar_t kReportFileFilter[] =
    L"Text File (*.txt)|*.txt|Microsoft Excel (*.csv)|*.csv|Web Page (*.htm;*.html)|*.htm;*.html|";

}  // namespace

const CReportDlg::MsgEntry CReportDlg::kMessages[] = {
    {WM_INITDIALOG, &CReportDlg::OnInitDialog},
};

const CReportDlg::CmdEntry CReportDlg::kCommands[] = {
    {IDC_JOB_BROWSE, &CReportDlg::OnBrowseCmd},
    {IDOK, &CReportDlg::OnOkCmd},
    {IDCANCEL, &CReportDlg::OnCancelCmd},
};

CReportDlg::CReportDlg(const ReportJob& job, const std::vector<AdapterRow>& connections, HINSTANCE inst)
    : AppDialog(inst), job_(job), connections_(connections) {}

std::optional<INT_PTR> CReportDlg::OnInitDialog(WPARAM, LPARAM) {
  const Choices types = ReportTypeChoices();
  FillList(hwnd_, IDC_JOB_TYPE, types, IndexOfData(types, job_.type, 0));
  Choices names;
  for (size_t i = 0; i < connections_.size(); ++i) names.push_back({connections_[i].name, static_cast<int32_t>(i)});
  const int selected = ConnectionRowIndex(connections_, job_.kind, job_.adapterId);
  FillList(hwnd_, IDC_JOB_CONNECTION, names, selected < 0 && !names.empty() ? 0 : selected);
  interval_.Attach(::GetDlgItem(hwnd_, IDC_JOB_INTERVAL_SPIN), 1, kMaxReportInterval);
  interval_.SetValue(job_.interval);
  ::SendDlgItemMessageW(hwnd_, IDC_JOB_FILE, EM_LIMITTEXT, report_job_layout::kFileUnits - 1, 0);
  ::SetDlgItemTextW(hwnd_, IDC_JOB_FILE, job_.file.c_str());
  return TRUE;
}

void CReportDlg::OnBrowseCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  std::wstring path;
  DWORD filter = 1;
  if (ChooseFile(hwnd_, kReportFileFilter, path, &filter, L"", L"", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, false))
    ::SetDlgItemTextW(hwnd_, IDC_JOB_FILE, path.c_str());
}

void CReportDlg::OnOkCmd(WORD, WORD, HWND) {
  ReportJobInput in;
  in.typeIndex = static_cast<int>(::SendDlgItemMessageW(hwnd_, IDC_JOB_TYPE, CB_GETCURSEL, 0, 0));
  in.connectionIndex = static_cast<int>(::SendDlgItemMessageW(hwnd_, IDC_JOB_CONNECTION, CB_GETCURSEL, 0, 0));
  int32_t interval = 0;
  if (interval_.Value(interval)) in.interval = interval;
  in.file = ItemText(hwnd_, IDC_JOB_FILE);
  in.windowsFolder = WindowsFolder();
  if (auto problem = CheckReportJob(in, {IDC_JOB_TYPE, IDC_JOB_CONNECTION, IDC_JOB_INTERVAL, IDC_JOB_FILE})) {
    ShowFailure(problem->control, problem->message);
    return;
  }
  job_.type = SelectedData(hwnd_, IDC_JOB_TYPE, kJobSummary);
  const AdapterRow& conn = connections_[static_cast<size_t>(SelectedData(hwnd_, IDC_JOB_CONNECTION, 0))];
  job_.kind = conn.kind;
  job_.adapterId = conn.id;
  job_.interval = *in.interval;
  job_.file = in.file;
  job_.reserved = 0;
  Finish(IDOK);
}

void CReportDlg::OnCancelCmd(WORD, WORD, HWND) { Finish(IDCANCEL); }

void CReportDlg::Finish(INT_PTR result) {
  result_ = result;
  EndAsStarted(result);
}
