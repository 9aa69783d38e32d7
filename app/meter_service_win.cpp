// Handing counting over to the companion service and taking it back: the
// service options saved, the settings the service reads copied machine-wide,
// the traffic log switched between read-only and read-write, and the service
// installed and started or stopped and removed by the privileged steps. Every
// outcome leaves somebody writing the log: when the service does not take it
// over, the meter keeps it.
#include <windows.h>

#include "app/meter_dlg.h"
#include "app/service_switch_win.h"
#include "service_control/service_control_win.h"
#include "settings/registry_win.h"

namespace {

ServiceControl& DefaultServiceControl() {
  static WinServiceControl control;
  return control;
}

bool Runs(int state) { return state == kServiceStateRunning || state == kServiceStateStartPending; }

}  // namespace

ServiceControl& CMeterDlg::Service() { return env_.service ? *env_.service : DefaultServiceControl(); }

ServiceSwitchPlan CMeterDlg::SwitchService(bool enable) {
  static Win32Registry systemRegistry;
  WinServiceSwitcher own(env_.registry ? *env_.registry : systemRegistry, env_.registryRoot, Service());
  own.SetOwner(hwnd_);
  const ServiceSwitchResult result = (env_.switcher ? *env_.switcher : own).Switch(enable);
  return PlanServiceSwitch(enable, result, SystemErrorText(result.error));
}

void CMeterDlg::ApplyServicePage(const ServiceSettings& page) {
  const bool wasEnabled = service_.enabled;
  service_.sendMail = page.sendMail;
  service_.recordRates = page.recordRates;
  service_.reports = page.reports;
  if (page.enabled != wasEnabled) {
    page.enabled ? EnableServiceMode() : DisableServiceMode();
    return;
  }
  if (env_.registry) SaveServiceSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, service_);
  alert_.service = ServiceMailOptions{service_.enabled, service_.sendMail};
  if (!service_.enabled) return;
  // Service mode stays on: the machine-wide copies are written with the access
  // the enabling user was given, without a prompt. The service takes them at its next start.
  SavePerUserServiceCopies();
  if (env_.registry) CopyOptionsMachineWide(*env_.registry, env_.registryRoot);
  if (service_.recordRates) CloseRecordingFilesForService();
}

void CMeterDlg::SavePerUserServiceCopies() {
  if (!env_.registry) return;
  RegistryStore& reg = *env_.registry;
  SaveServiceSettings(reg, RegRoot::CurrentUser, env_.registryRoot, service_);
  log_->SaveLogPathSetting(reg, RegRoot::CurrentUser, env_.registryRoot);
  SaveSettings(reg, RegRoot::CurrentUser, env_.registryRoot, settings_,
               kSaveSumLastDays | kSaveGeneral | kSaveNotification);
  SaveAdapterEntries(catalogue_, reg, RegRoot::CurrentUser, kGroupIdentity | kGroupRecording, env_.registryRoot);
}

void CMeterDlg::EnableServiceMode() {
  // The service goes on from the counts the meter has written and from the
  // counters it counted to; the meter lets go of the file before the service opens it.
  HandCountingToService();
  if (!pendingLogPath_.empty()) {
    // The log chosen for the next start is the one the service gets: the
    // meter takes it now too, created as a log if need be.
    log_->CloseLogFile();
    log_->SetPath(pendingLogPath_, true);
    log_->OpenLogFile(false);
    pendingLogPath_.clear();
  }
  service_.enabled = true;
  UpdateMetricsEndpoint();  // the port is free for the service before it starts
  SavePerUserServiceCopies();
  log_->CloseLogFile();
  log_->OpenLogFile(true);

  const ServiceSwitchPlan plan = SwitchService(true);
  if (plan.serviceMode) {
    alert_.service = ServiceMailOptions{true, service_.sendMail};
    if (service_.recordRates) CloseRecordingFilesForService();
    // A new or empty log is readable once the service has written its header.
    if (!log_->isOpen() && !log_->OpenLogFile(true)) ::PostMessageW(hwnd_, WM_LOG_OPEN_FAILED, 0, 0);
    return;
  }
  service_.enabled = false;
  if (env_.registry) {
    SaveServiceSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, service_);
    if (env_.registry->KeyExists(RegRoot::LocalMachine, ServiceKeyPath(env_.registryRoot)))
      env_.registry->WriteDword(RegRoot::LocalMachine, ServiceKeyPath(env_.registryRoot), kServiceEnabledValue, 0);
  }
  // The meter's own hand-over is still unread: it goes on from those counters.
  TakeLogBack(HandOverFrom::Meter);
  Message(plan.message, MB_OK | MB_ICONWARNING);
}

void CMeterDlg::DisableServiceMode() {
  const ServiceSwitchPlan plan = SwitchService(false);
  if (plan.serviceMode) {
    // Nothing was done: the service keeps counting with the options it has.
    service_.enabled = true;
    Message(plan.message, MB_OK | MB_ICONWARNING);
    return;
  }
  service_.enabled = false;
  if (env_.registry) SaveServiceSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, service_);
  if (plan.takeLog) {
    TakeLogBack(HandOverFrom::Service);
  } else {
    alert_.service = ServiceMailOptions{false, service_.sendMail};
    if (settings_.notificationEnabled) RearmAlertAfterService();
    RestartRecordersAfterService();
    UpdateMetricsEndpoint();
  }
  if (!plan.message.empty()) Message(plan.message, MB_OK | MB_ICONWARNING);
}

void CMeterDlg::TakeLogBack(HandOverFrom from) {
  log_->CloseLogFile();
  if (log_->OpenLogFile(false)) {
    tick_.LoadTodayCounters();
    // The seconds until now were counted by the other program: the next pass
    // goes on from the counters it handed over, or starts afresh.
    TakeCountingBack(from);
  } else {
    ::PostMessageW(hwnd_, WM_LOG_OPEN_FAILED, 0, 0);
  }
  alert_.service = ServiceMailOptions{false, service_.sendMail};
  if (settings_.notificationEnabled) RearmAlertAfterService();
  RestartRecordersAfterService();
  UpdateMetricsEndpoint();  // the meter serves the counters again
}

bool CMeterDlg::ServiceRunsAtStart() { return Runs(Service().Query()); }

std::optional<INT_PTR> CMeterDlg::OnServiceNotRunning(WPARAM, LPARAM) {
  Message(kServiceNotRunningText, MB_OK | MB_ICONWARNING);
  return TRUE;
}

// The three steps below belong to the usage alert and the rates recorder; each
// is the one place where their hand-over work is called.

void CMeterDlg::CloseRecordingFilesForService() { recorder_.CloseAll(); }

void CMeterDlg::RearmAlertAfterService() { ArmAlert(); }

void CMeterDlg::RestartRecordersAfterService() { StartRecorders(); }
