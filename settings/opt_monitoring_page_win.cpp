#include "settings/opt_monitoring_page_win.h"

#include "base/ids.h"
#include "res/resource.h"
#include "ui/window_util_win.h"

const COptMonitoringPage::MsgEntry COptMonitoringPage::kMessages[] = {
    {WM_INITDIALOG, &COptMonitoringPage::OnInitDialog},
    {WM_NOTIFY, &COptMonitoringPage::OnNotify},
};

const COptMonitoringPage::CmdEntry COptMonitoringPage::kCommands[] = {
    {IDC_MON_ENABLE, &COptMonitoringPage::OnEnableCmd},
    {IDC_MON_ADDRESS, &COptMonitoringPage::OnFieldCmd},
    {IDC_MON_PORT, &COptMonitoringPage::OnFieldCmd},
};

COptMonitoringPage::COptMonitoringPage(const MetricsSettings& settings)
    : COptionPage(kPageMonitoring), settings_(settings) {}

PROPSHEETPAGEW COptMonitoringPage::Record(HINSTANCE inst) { return PageRecord(inst, IDD_OPT_MONITORING); }

std::optional<INT_PTR> COptMonitoringPage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  ::CheckDlgButton(hwnd_, IDC_MON_ENABLE, settings_.enabled ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_MON_ADDRESS, settings_.address.c_str());
  ::SendDlgItemMessageW(hwnd_, IDC_MON_ADDRESS, EM_LIMITTEXT, 15, 0);
  ::SetDlgItemTextW(hwnd_, IDC_MON_PORT, std::to_wstring(settings_.port).c_str());
  ::SendDlgItemMessageW(hwnd_, IDC_MON_PORT, EM_LIMITTEXT, 5, 0);
  UpdateControls();
  filling_ = false;
  return TRUE;
}

std::optional<INT_PTR> COptMonitoringPage::OnNotify(WPARAM, LPARAM lp) { return OnSheetNotify(lp); }

void COptMonitoringPage::UpdateControls() {
  const bool on = ::IsDlgButtonChecked(hwnd_, IDC_MON_ENABLE) == BST_CHECKED;
  for (int id : {IDC_MON_ADDRESS, IDC_MON_PORT}) ::EnableWindow(::GetDlgItem(hwnd_, id), on);
  const std::wstring address = ControlText(::GetDlgItem(hwnd_, IDC_MON_ADDRESS));
  const std::wstring port = ControlText(::GetDlgItem(hwnd_, IDC_MON_PORT));
  ::SetDlgItemTextW(hwnd_, IDC_MON_AUDIENCE, MonitoringAudienceText(address).c_str());
  // 0.0.0.0 is not an address to scrape: Prometheus on this computer uses the loopback one.
  const std::wstring host = address == L"0.0.0.0" ? std::wstring(kMetricsLoopback) : address;
  ::SetDlgItemTextW(hwnd_, IDC_MON_TARGET, (L"Scrape target: http://" + host + L":" + port + L"/metrics").c_str());
}

void COptMonitoringPage::OnEnableCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  UpdateControls();
  SetModified();
}

void COptMonitoringPage::OnFieldCmd(WORD, WORD code, HWND) {
  if (code != EN_CHANGE || filling_) return;
  UpdateControls();
  SetModified();
}

std::optional<PageProblem> COptMonitoringPage::ReadAndCheck() {
  return ReadMonitoringPage(::IsDlgButtonChecked(hwnd_, IDC_MON_ENABLE) == BST_CHECKED,
                            ControlText(::GetDlgItem(hwnd_, IDC_MON_ADDRESS)),
                            ControlText(::GetDlgItem(hwnd_, IDC_MON_PORT)), IDC_MON_ADDRESS, IDC_MON_PORT, settings_);
}
