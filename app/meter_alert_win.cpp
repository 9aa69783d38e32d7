// The usage rule in the meter window: armed at the documented moments, checked
// at the end of each tick, and its actions - the alert mail on a worker, the
// program, the notification window - with the Notification page's apply.
#include "alerts/notification_dlg_win.h"
#include "alerts/smtp_win.h"
#include "app/meter_dlg.h"
#include "ui/code_page_win.h"
#include "ui/files_win.h"

void CMeterDlg::ArmAlert() { alert_.Arm(log_->file(), env_.clock->Now()); }

void CMeterDlg::OnDateStarted(const LocalTime&) { ArmAlert(); }

void CMeterDlg::OnUsageCheck(const LocalTime&) { alert_.Check(*this); }

void CMeterDlg::SendAlertMail(uint64_t currentTotal) {
  std::wstring unbuilt;
  std::unique_ptr<MailJob> job =
      MakeAlertMailJob(alert_, settings_, email_, env_.clock->Now(), currentTotal, ToSystemCodePage, &unbuilt);
  if (!job) {
    // Reported as a worker reports a failed send, after the tick.
    if (unbuilt.empty()) return;
    char* text = AllocateMailDoneText(ToSystemCodePage(unbuilt));
    if (!::PostMessageW(hwnd_, WM_MAIL_DONE, 0, reinterpret_cast<LPARAM>(text)))
      FreeMailDoneText(reinterpret_cast<LPARAM>(text));
    return;
  }
  StartSockets();
  job->notifyWindow = hwnd_;
  StartMailJob(std::move(job));
}

void CMeterDlg::RunProgram(const std::wstring& path) {
  // The path comes from the registry: a missing file is not handed to the
  // shell, which could find another program of that name on the search path.
  if (!IsExistingFile(path)) return;
  OpenFile(path, L"open", SW_SHOWNORMAL);
}

ReminderChoice CMeterDlg::RunAlertWindow() {
  NotificationInput input;
  input.rule = settings_.rule;
  input.connection = alert_.watched();
  if (input.connection) input.connectionName = input.connection->name;
  input.baseTotal = alert_.baseTotal();
  input.shown = alert_.ShownPeriod(env_.clock->Now());
  input.dateFormat = settings_.dateFormat;
  input.reminder = ReminderChoice{settings_.nextAlertType, settings_.nextAlertMin};
  CNotificationDlg window(std::move(input), inst_);
  window.SetMessageBox([this](HWND owner, const std::wstring& text, UINT type) {
    return env_.messageBox(owner, text.c_str(), L"Zephra", type);
  });
  RunModal([&window](HWND meter) {
    // Over another modal window of the meter (options, reports) the alert
    // belongs to that one, so closing the alert does not enable the meter
    // window under it.
    HWND owner = ::GetLastActivePopup(meter);
    return window.Run(owner ? owner : meter);
  });
  return window.reminder();
}

void CMeterDlg::SaveReminder() { SaveGroups(kSaveNextAlert); }

void CMeterDlg::Beep(uint32_t frequency, uint32_t durationMs) { ::Beep(frequency, durationMs); }

std::optional<INT_PTR> CMeterDlg::OnMailDone(WPARAM, LPARAM lp) {
  if (!lp) return TRUE;  // sent
  const std::wstring error = FromSystemCodePage(reinterpret_cast<const char*>(lp));
  FreeMailDoneText(lp);
  Message(L"Failed to send the notification email.\n\nError: " + error +
              L"\n\nPlease check your email settings at Options -> Notification -> Email Settings.",
          MB_OK | MB_ICONINFORMATION);
  return TRUE;
}

void CMeterDlg::ApplyNotificationPage(bool enabled, const AlertRule& rule, const EmailSettings& email) {
  settings_.notificationEnabled = enabled ? 1 : 0;
  if (enabled) {
    settings_.rule = rule;
    email_ = email;
  }
  ArmAlert();  // with notifications off only the state goes back to Armed
  settings_.rule.version = kAlertRuleVersion;
  if (!env_.registry) return;
  if (enabled) {
    SaveEmailSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, email_);
    if (IsServiceEnabled() && service_.sendMail)
      SaveEmailSettings(*env_.registry, RegRoot::LocalMachine, env_.registryRoot, email_);
  }
  SaveGroups(kSaveNotification, true);
}
