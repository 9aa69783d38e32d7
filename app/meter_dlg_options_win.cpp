// The options command and the three apply handlers of the options pages.
#include <windows.h>

#include <algorithm>

#include "app/meter_dlg.h"
#include "alerts/opt_notification_page_win.h"
#include "app/meter_options.h"
#include "res/resource.h"
#include "settings/autostart.h"
#include "settings/opt_adapters_page_win.h"
#include "settings/opt_general_page_win.h"
#include "settings/opt_graph_text_page_win.h"
#include "settings/opt_monitoring_page_win.h"
#include "settings/opt_service_page_win.h"
#include "settings/options_sheet_win.h"
#include "ui/window_util_win.h"

namespace {

const wchar_t kGraphOrTextWarning[] = L"At least either graph or text should be displayed.";

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

}  // namespace

std::vector<AdapterRow> CMeterDlg::AdapterRows() const {
  std::vector<AdapterRow> rows;
  for (const auto& e : catalogue_.entries)
    rows.push_back(AdapterRow{e->kind, e->id, e->name, e->description, e->ipAddress, e->monitored, e->connectionRate});
  return rows;
}

void CMeterDlg::OnOptionsCmd(WORD, WORD, HWND) {
  if (flags_.modalOpen) return;
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  COptGeneralPage general(settings_, canSetTransparency_);
  COptGraphTextPage graphText(settings_);
  COptAdaptersPage adapters([this] { return AdapterRows(); }, TrayChoiceFrom(settings_));
  COptNotificationPage notification(settings_.notificationEnabled != 0, settings_.rule, email_, AdapterRows());
  COptionsSheet sheet(inst_, hwnd_);
  sheet.AddPage(general);
  sheet.AddPage(graphText);
  sheet.AddPage(adapters);
  sheet.AddPage(notification);
  COptServicePage service(service_, AdapterRows());
  service.SetOpen([this](const std::wstring& target, const wchar_t* verb, int show) { OpenFile(target, verb, show); });
  sheet.AddPage(service);
  COptMonitoringPage monitoring(metricsSettings_);
  sheet.AddPage(monitoring);
  sheet.SetStartPage(optionsPage_);
  sheet.SetMessageBox([this](HWND owner, const std::wstring& text, UINT type) {
    return env_.messageBox(owner, text.c_str(), L"Zephra", type);
  });
  ::SetCursor(old);
  RunModal([&sheet](HWND owner) { return sheet.Run(owner); });
  optionsPage_ = sheet.lastPage();
}

std::optional<INT_PTR> CMeterDlg::OnOptionsApplied(WPARAM wp, LPARAM lp) {
  auto* page = reinterpret_cast<COptionPage*>(lp);
  if (!page) return TRUE;
  switch (wp) {
    case kPageGeneral: ApplyGeneralPage(static_cast<const COptGeneralPage&>(*page).values()); break;
    case kPageGraphText: ApplyGraphTextPage(static_cast<const COptGraphTextPage&>(*page).values()); break;
    case kPageAdapters: {
      const auto& adapters = static_cast<const COptAdaptersPage&>(*page);
      ApplyAdaptersPage(adapters.rows(), adapters.tray());
      break;
    }
    case kPageNotification: {
      const auto& notification = static_cast<const COptNotificationPage&>(*page);
      ApplyNotificationPage(notification.enabled(), notification.rule(), notification.email());
      break;
    }
    case kPageService: {
      auto& service = static_cast<COptServicePage&>(*page);
      ApplyServicePage(service.values());
      service.SetServiceState(service_.enabled);  // the box shows what the switch achieved
      break;
    }
    case kPageMonitoring: ApplyMonitoringPage(static_cast<const COptMonitoringPage&>(*page).values()); break;
    default: break;
  }
  return TRUE;
}

void CMeterDlg::UpdateHotkey() {
  if (!env_.registerHotkey) return;
  if (hotkeyRegistered_) {
    ::UnregisterHotKey(hwnd_, kHotkeyId);
    hotkeyRegistered_ = false;
  }
  if (settings_.hotkeyEnabled)
    hotkeyRegistered_ = ::RegisterHotKey(hwnd_, kHotkeyId, MOD_CONTROL | MOD_SHIFT, settings_.hotkeyChar) != 0;
}

void CMeterDlg::ApplyGeneralPage(const MeterSettings& page) {
  if (!page.displayGraph && !page.displayText) {
    Message(kGraphOrTextWarning, MB_OK | MB_ICONWARNING);
    return;
  }
  const GeneralChanges changed = TakeGeneralPage(settings_, page, canSetTransparency_);
  backups_.SetDays(settings_.logBackupDays);
  if (changed.armAlert) ArmAlert();  // the rule's week or month now starts on another day
  if (changed.hotkeySwitched || changed.hotkeyKeyChanged) UpdateHotkey();
  if (changed.topmost) {
    SetTopmost(hwnd_, settings_.alwaysOnTop != 0);
    SaveGroups(kSaveGeneral);
  }
  if (changed.caption) {
    viewStack_.SetCaption(settings_.showCaption != 0);
    SaveGroups(kSaveGeneral);
  }
  if (canSetTransparency_) ApplyTransparency();
  if (env_.registry) SetAutostart(*env_.registry, settings_.startWithWindows != 0, ProgramPath());

  const bool showIp = settings_.showIpInTitle != 0;
  for (auto& e : catalogue_.entries)
    if (e->view && changed.ipInTitle) e->view->SetTitle(EntryTitle(*e, showIp), false);
  ApplyDisplayOptionsToViews();
  if (changed.margins) {
    viewStack_.SetMargin(settings_.rateViewMargins);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  SaveGroups(kSaveGeneral | kSaveDisplay);
  if (IsServiceEnabled() && env_.registry)
    SaveSettings(*env_.registry, RegRoot::LocalMachine, env_.registryRoot, settings_, kSaveGeneral);
}

void CMeterDlg::ApplyGraphTextPage(const MeterSettings& page) {
  TakeGraphTextPage(settings_, page);
  if (env_.useTray) tray_.SetColours(MakeTrayOptions());
  ApplyDisplayOptionsToViews();
  SaveGroups(kSaveColors | kSaveFonts | kSaveGraphStyle);
}

void CMeterDlg::ApplyAdaptersPage(const std::vector<AdapterRow>& rows, const TrayChoice& tray) {
  const bool showIp = settings_.showIpInTitle != 0;
  std::vector<AdapterEntry*> toShow, toHide;
  const size_t n = std::min(rows.size(), catalogue_.size());
  for (size_t i = 0; i < n; ++i) {
    AdapterEntry& e = catalogue_[i];
    const AdapterRow& row = rows[i];
    e.connectionRate = row.speed;
    e.name = row.name;
    if (row.monitored == e.monitored) {
      if (e.view) {
        e.view->SetFixedScale(row.speed != 0, row.speed >> 3, false);
        e.view->SetTitle(EntryTitle(e, showIp));
      }
    } else {
      (row.monitored ? toShow : toHide).push_back(&e);
    }
  }
  if (!toShow.empty() || !toHide.empty()) {
    // Only a shown window is frozen: switching its drawing on again would show a hidden one.
    const bool freeze = ::IsWindowVisible(hwnd_) != FALSE;
    if (freeze) ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    for (AdapterEntry* e : toShow) ToggleDisplay(*e);
    for (AdapterEntry* e : toHide) ToggleDisplay(*e);
    if (freeze) {
      ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
      ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
  }

  const bool iconWasOn = settings_.dispIconSystray != 0;
  TakeTrayChoice(settings_, tray);
  if (env_.useTray && iconWasOn && !settings_.dispIconSystray) tray_.Delete();
  trayGraphInUse_ = xpOrLater_ && settings_.showGraphInSystray;

  if (!env_.registry) return;
  SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::CurrentUser, kGroupIdentity, env_.registryRoot);
  SaveGroups(kSaveTray);
  if (IsServiceEnabled())
    SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::LocalMachine, kGroupIdentity, env_.registryRoot);
}
