// The reports command (F3): the reports window over the meter's log and
// connections, and what it hands back.
#include "app/meter_dlg.h"
#include "base/utf16.h"
#include "trafficlog/summary_sheet_win.h"

void CMeterDlg::OnReportsCmd(WORD, WORD, HWND) {
  if (flags_.modalOpen) return;
  ReportsInput input;
  input.log = log_->file();
  input.entries = Entries();
  input.logPath = pendingLogPath_.empty() ? log_->path() : pendingLogPath_;
  input.serviceMode = log_->serviceMode();
  const std::wstring shownPath = input.logPath;
  input.selected = reportsConnection_;
  input.options = PeriodOptions{settings_.weekStartDay, settings_.monthStartDay, settings_.dateFormat};
  input.lastDays = settings_.sumLastDays;
  input.startPage = reportsPage_;
  ReportsEnvironment env = DefaultReportsEnvironment();
  env.now = [this] { return env_.clock->Now(); };
  env.messageBox = [this](HWND owner, const std::wstring& text, UINT type) {
    return env_.messageBox(owner, text.c_str(), L"Zephra", type);
  };
  env.openDocument = [this](const std::wstring& path) { OpenFile(path, L"open", SW_SHOWNORMAL); };

  CSummarySheet sheet(std::move(input), std::move(env));
  RunModal([&](HWND owner) { return sheet.Run(inst_, owner); });

  reportsConnection_ = sheet.selected();
  reportsPage_ = sheet.lastPage();
  settings_.sumLastDays = sheet.lastDays();
  SaveGroups(kSaveSumLastDays, true);
  if (!EqualNoCase(sheet.logPath(), shownPath)) SetNextStartLogPath(sheet.logPath());
}

void CMeterDlg::SetNextStartLogPath(const std::wstring& path) {
  pendingLogPath_ = EqualNoCase(path, log_->path()) ? std::wstring() : path;
  if (!env_.registry) return;
  env_.registry->WriteString(RegRoot::CurrentUser, OptionsKey(), kLogPathValue, path);
  if (IsServiceEnabled()) env_.registry->WriteString(RegRoot::LocalMachine, OptionsKey(), kLogPathValue, path);
}
