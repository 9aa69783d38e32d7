#include "settings/opt_service_page_win.h"

#include <shellapi.h>

#include "base/ids.h"
#include "res/resource.h"
#include "settings/report_job_dlg_win.h"
#include "settings/service_page.h"

const COptServicePage::MsgEntry COptServicePage::kMessages[] = {
    {WM_INITDIALOG, &COptServicePage::OnInitDialog},
    {WM_NOTIFY, &COptServicePage::OnNotify},
};

const COptServicePage::CmdEntry COptServicePage::kCommands[] = {
    {IDC_SVC_ENABLE, &COptServicePage::OnEnableCmd},
    {IDC_SVC_EMAIL, &COptServicePage::OnOptionCmd},
    {IDC_SVC_RECORD, &COptServicePage::OnOptionCmd},
    {IDC_SVC_ADD, &COptServicePage::OnAddCmd},
    {IDC_SVC_EDIT, &COptServicePage::OnEditCmd},
    {IDC_SVC_DELETE, &COptServicePage::OnDeleteCmd},
    {IDC_SVC_CONSOLE, &COptServicePage::OnConsoleCmd},
};

COptServicePage::COptServicePage(const ServiceSettings& settings, const std::vector<AdapterRow>& connections)
    : COptionPage(kPageService),
      settings_(settings),
      jobs_(settings.reports),
      connections_(connections),
      running_(settings.enabled) {
  editJob_ = [this](HWND owner, ReportJob& job) {
    CReportDlg dlg(job, connections_, inst_);
    if (dlg.Run(owner) != IDOK) return false;
    job = dlg.job();
    return true;
  };
  open_ = [](const std::wstring& target, const wchar_t* verb, int show) {
    ::ShellExecuteW(nullptr, verb, target.c_str(), nullptr, nullptr, show);
  };
  shield_ = [](HWND button, bool shield) { ::SendMessageW(button, BCM_SETSHIELD, 0, shield ? TRUE : FALSE); };
}

PROPSHEETPAGEW COptServicePage::Record(HINSTANCE inst) {
  inst_ = inst;
  return PageRecord(inst, IDD_OPT_SERVICE);
}

std::optional<INT_PTR> COptServicePage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  ::CheckDlgButton(hwnd_, IDC_SVC_ENABLE, settings_.enabled ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_SVC_EMAIL, settings_.sendMail ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_SVC_RECORD, settings_.recordRates ? BST_CHECKED : BST_UNCHECKED);
  list_.Attach(::GetDlgItem(hwnd_, IDC_SVC_REPORTS));
  list_.AddColumn(0, L"Report Type", 100, LVCFMT_LEFT, kSortText);
  list_.AddColumn(1, L"Adapter", 200, LVCFMT_LEFT, kSortText);
  list_.AddColumn(2, L"Interval", 50, LVCFMT_LEFT, kSortNumber);
  list_.AddColumn(3, L"Report File", 150, LVCFMT_LEFT, kSortText);
  FillRows(-1);
  EnableControls();
  UpdateShield();
  filling_ = false;
  return TRUE;
}

void COptServicePage::FillRows(int select) {
  list_.DeleteAll();
  for (size_t i = 0; i < jobs_.size(); ++i) {
    const auto texts = ReportJobRow(jobs_[i], connections_);
    const int row = list_.AddRow({texts.begin(), texts.end()}, static_cast<LPARAM>(i));
    if (static_cast<int>(i) == select)
      ListView_SetItemState(list_.hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

int COptServicePage::SelectedJob() const {
  const int row = ListView_GetNextItem(list_.hwnd(), -1, LVNI_SELECTED);
  return row < 0 ? -1 : static_cast<int>(list_.Data(row));
}

void COptServicePage::EnableControls() {
  const bool on = ::IsDlgButtonChecked(hwnd_, IDC_SVC_ENABLE) == BST_CHECKED;
  for (int id : {IDC_SVC_EMAIL, IDC_SVC_RECORD, IDC_SVC_REPORTS, IDC_SVC_REPORTS_LABEL, IDC_SVC_ADD})
    ::EnableWindow(::GetDlgItem(hwnd_, id), on);
  const bool row = on && SelectedJob() >= 0;
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_SVC_EDIT), row);
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_SVC_DELETE), row);
}

std::optional<INT_PTR> COptServicePage::OnNotify(WPARAM, LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->hwndFrom != list_.hwnd()) return OnSheetNotify(lp);
  if (list_.OnNotify(header)) return TRUE;
  if (header->code == LVN_ITEMCHANGED) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
    if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
      EnableControls();
  } else if (header->code == NM_DBLCLK && SelectedJob() >= 0 &&
             ::IsDlgButtonChecked(hwnd_, IDC_SVC_ENABLE) == BST_CHECKED) {
    OnEditCmd(IDC_SVC_EDIT, BN_CLICKED, nullptr);
  }
  return std::nullopt;
}

void COptServicePage::OnEnableCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  EnableControls();
  UpdateShield();
  SetModified();
}

void COptServicePage::SetServiceState(bool enabled) {
  running_ = enabled;
  settings_.enabled = enabled;
  if (!hwnd_) return;
  ::CheckDlgButton(hwnd_, IDC_SVC_ENABLE, enabled ? BST_CHECKED : BST_UNCHECKED);
  EnableControls();
  UpdateShield();
}

void COptServicePage::UpdateShield() {
  const HWND sheet = ::GetParent(hwnd_);
  const bool differs = (::IsDlgButtonChecked(hwnd_, IDC_SVC_ENABLE) == BST_CHECKED) != running_;
  for (int id : {IDOK, ID_APPLY_NOW})
    if (HWND button = ::GetDlgItem(sheet, id)) shield_(button, differs);
}

void COptServicePage::OnOptionCmd(WORD, WORD code, HWND) {
  if (code == BN_CLICKED) SetModified();
}

void COptServicePage::OnAddCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  ReportJob job;  // a summary of All Connections every 60 seconds
  if (!editJob_(hwnd_, job)) return;
  jobs_.push_back(job);
  FillRows(static_cast<int>(jobs_.size()) - 1);
  EnableControls();
  SetModified();
}

void COptServicePage::OnEditCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  const int at = SelectedJob();
  if (at < 0) return;
  ReportJob job = jobs_[static_cast<size_t>(at)];
  if (!editJob_(hwnd_, job)) return;
  jobs_[static_cast<size_t>(at)] = job;
  FillRows(at);
  SetModified();
}

void COptServicePage::OnDeleteCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  const int at = SelectedJob();
  if (at < 0) return;
  jobs_.erase(jobs_.begin() + at);
  FillRows(-1);
  EnableControls();
  SetModified();
}

void COptServicePage::OnConsoleCmd(WORD, WORD code, HWND) {
  if (code == BN_CLICKED) open_(L"services.msc", L"open", SW_SHOWNORMAL);
}

std::optional<PageProblem> COptServicePage::ReadAndCheck() {
  settings_.enabled = ::IsDlgButtonChecked(hwnd_, IDC_SVC_ENABLE) == BST_CHECKED;
  settings_.sendMail = ::IsDlgButtonChecked(hwnd_, IDC_SVC_EMAIL) == BST_CHECKED;
  settings_.recordRates = ::IsDlgButtonChecked(hwnd_, IDC_SVC_RECORD) == BST_CHECKED;
  settings_.reports = jobs_;
  return std::nullopt;
}
