// Handing counting over to the companion service and taking it back: the
// service options saved, the settings the service reads copied machine-wide,
// the traffic log switched between read-only and read-write, and the service
// installed and started or stopped and removed.
#include <windows.h>

#include "alerts/email_settings.h"
#include "app/meter_dlg.h"
#include "service_control/service_control_win.h"

namespace {

const wchar_t kServiceStillRunning[] =
    L"The Zephra Service did not stop in time. The traffic log stays read-only while the service may still "
    L"write it; restart Zephra once the service has stopped to count traffic again.";

ServiceControl& DefaultServiceControl() {
  static WinServiceControl control;
  return control;
}

}  // namespace

void CMeterDlg::ApplyServicePage(const ServiceSettings& page) {
  ServiceControl& control = env_.service ? *env_.service : DefaultServiceControl();
  const bool wasEnabled = service_.enabled;
  // The service goes on from the counts the meter has written.
  if (page.enabled && !wasEnabled) tick_.WriteTodayRecords();
  service_.enabled = page.enabled;
  service_.sendMail = page.sendMail;
  service_.recordRates = page.recordRates;
  service_.reports = page.reports;
  alert_.service = ServiceMailOptions{service_.enabled, service_.sendMail};
  if (env_.registry) SaveServiceSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, service_);

  if (service_.enabled) {
    // The service reads only the machine-wide copies. Failures there are silent.
    if (env_.registry) {
      RegistryStore& reg = *env_.registry;
      log_->SaveLogPathSetting(reg, RegRoot::LocalMachine, env_.registryRoot);
      SaveServiceSettings(reg, RegRoot::LocalMachine, env_.registryRoot, service_);
      SaveSettings(reg, RegRoot::LocalMachine, env_.registryRoot, settings_,
                   kSaveSumLastDays | kSaveGeneral | kSaveNotification);
      SaveAdapterEntries(catalogue_, reg, RegRoot::LocalMachine, kGroupIdentity | kGroupRecording, env_.registryRoot);
      if (settings_.notificationEnabled) {
        EmailSettings mail;
        LoadEmailSettings(reg, env_.registryRoot, mail);
        SaveEmailSettings(reg, RegRoot::LocalMachine, env_.registryRoot, mail);
      }
    }
    if (service_.recordRates) CloseRecordingFilesForService();
    UpdateMetricsEndpoint();  // the service serves the counters from now on
    if (!wasEnabled) {
      log_->CloseLogFile();
      if (!log_->OpenLogFile(true)) ::PostMessageW(hwnd_, WM_LOG_OPEN_FAILED, 0, 0);
    }
    const int state = control.Query();
    if (state == kServiceStateRunning || state == kServiceStateStartPending) return;
    if (state == kServiceStateNotInstalled) control.Install();
    control.StartAndWait();
    return;
  }
  if (!wasEnabled) return;

  const int state = control.Query();
  bool stopped = true;
  if (state == kServiceStateRunning || state == kServiceStateStartPending) stopped = control.StopAndWait();
  control.Remove();
  UpdateMetricsEndpoint();  // the port is free again once the service stopped
  if (stopped) {
    log_->CloseLogFile();
    if (log_->OpenLogFile(false)) {
      tick_.LoadTodayCounters();
    } else {
      ::PostMessageW(hwnd_, WM_LOG_OPEN_FAILED, 0, 0);
    }
  } else {
    // Never open for writing a file the service may still write.
    Message(kServiceStillRunning, MB_OK | MB_ICONWARNING);
  }
  if (settings_.notificationEnabled) RearmAlertAfterService();
  RestartRecordersAfterService();
}

// The three steps below belong to the usage alert and the rates recorder; each
// is the one place where their hand-over work is called.

void CMeterDlg::CloseRecordingFilesForService() { recorder_.CloseAll(); }

void CMeterDlg::RearmAlertAfterService() { ArmAlert(); }

void CMeterDlg::RestartRecordersAfterService() { StartRecorders(); }
