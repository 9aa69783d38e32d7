#include "app/meter_dlg.h"

#include <windowsx.h>

#include "app/meter_options.h"
#include "engine/tick.h"
#include "res/resource.h"
#include "settings/autostart.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"
#include "ui/shell_win.h"

const CMeterDlg::MsgEntry CMeterDlg::kMessages[] = {
    {WM_INITDIALOG, &CMeterDlg::OnInitDialog},
    {WM_TIMER, &CMeterDlg::OnTimer},
    {WM_TIMECHANGE, &CMeterDlg::OnTimeChange},
    {WM_CLOSE, &CMeterDlg::OnClose},
    {WM_QUERYENDSESSION, &CMeterDlg::OnQueryEndSession},
    {WM_ENDSESSION, &CMeterDlg::OnEndSession},
    {WM_DESTROY, &CMeterDlg::OnDestroy},
    {WM_NCDESTROY, &CMeterDlg::OnNcDestroy},
    {WM_WINDOWPOSCHANGING, &CMeterDlg::OnWindowPosChanging},
    {WM_APPLY_TOPMOST, &CMeterDlg::OnApplyTopmost},
    {WM_CONTEXTMENU, &CMeterDlg::OnContextMenu},
    {WM_INITMENUPOPUP, &CMeterDlg::OnInitMenuPopup},
    {WM_MEASUREITEM, &CMeterDlg::OnMeasureItem},
    {WM_DRAWITEM, &CMeterDlg::OnDrawItem},
    {WM_MENUCHAR, &CMeterDlg::OnMenuChar},
    {WM_TRAY_NOTIFY, &CMeterDlg::OnTrayNotify},
    {WM_OPTIONS_APPLIED, &CMeterDlg::OnOptionsApplied},
    {WM_SYSCOMMAND, &CMeterDlg::OnSysCommand},
    {WM_HOTKEY, &CMeterDlg::OnHotKey},
    {WM_HELP, &CMeterDlg::OnHelp},
    {WM_SIZE, &CMeterDlg::OnSize},
    {WM_DPICHANGED, &CMeterDlg::OnDpiChanged},
    {WM_NCHITTEST, &CMeterDlg::OnNcHitTest},
    {WM_SETCURSOR, &CMeterDlg::OnSetCursor},
    {WM_LBUTTONDOWN, &CMeterDlg::OnLButtonDown},
    {WM_MOUSEMOVE, &CMeterDlg::OnMouseMove},
    {WM_LBUTTONUP, &CMeterDlg::OnLButtonUp},
    {WM_LOG_OPEN_FAILED, &CMeterDlg::OnLogOpenFailed},
    {WM_SERVICE_NOT_RUNNING, &CMeterDlg::OnServiceNotRunning},
    {WM_LOG_CLEARED, &CMeterDlg::OnLogCleared},
    {WM_LOG_DAMAGED, &CMeterDlg::OnLogDamaged},
    {WM_MAIL_DONE, &CMeterDlg::OnMailDone},
};

// Commands with handlers of their own; the switches of the menu's table and
// the per-connection ranges go through OnOtherCommand. The handlers live in
// meter_commands_win.cpp.
const CMeterDlg::CmdEntry CMeterDlg::kCommands[] = {
    {ID_SHOW_WINDOW, &CMeterDlg::OnShowWindowCmd},
    {ID_HIDE_WINDOW, &CMeterDlg::OnHideWindowCmd},
    {ID_EXIT, &CMeterDlg::OnExitCmd},
    // The dialog's default OK and Cancel do nothing: Enter has no effect and
    // Esc is taken first by the accelerator that hides the window.
    {IDOK, &CMeterDlg::OnIgnoreCmd},
    {IDCANCEL, &CMeterDlg::OnIgnoreCmd},
    {ID_RESET_WINDOW_POSITION, &CMeterDlg::OnResetWindowPositionCmd},
    {ID_RESET_RANGE_ALL, &CMeterDlg::OnResetRangeAllCmd},
    {ID_TCP_CONNECTIONS, &CMeterDlg::OnTcpConnectionsCmd},
    {ID_HELP_INDEX, &CMeterDlg::OnHelpCmd},
    {ID_HOME_PAGE, &CMeterDlg::OnWebCmd},
    {ID_EMAIL_SUPPORT, &CMeterDlg::OnWebCmd},
    {ID_CHECK_UPDATES, &CMeterDlg::OnWebCmd},
    {ID_TELL_FRIEND, &CMeterDlg::OnWebCmd},
    {ID_ABOUT, &CMeterDlg::OnAboutCmd},
    {ID_REPORTS, &CMeterDlg::OnReportsCmd},
    {ID_SHOW_ALERT_AGAIN, &CMeterDlg::OnShowAlertAgainCmd},
    {ID_OPEN_POPUP, &CMeterDlg::OnOpenPopupCmd},
    {ID_OPTIONS, &CMeterDlg::OnOptionsCmd},
    {ID_STOPWATCH, &CMeterDlg::OnStopwatchCmd},
    {ID_RATES_RECORDER, &CMeterDlg::OnRatesRecorderCmd},
};

namespace {
bool g_loopRunning = false;

int DefaultMessageBox(HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
  return ::MessageBoxW(owner, text, title, type);
}
}  // namespace

CMeterDlg::CMeterDlg(const MeterEnvironment& env)
    : env_(env),
      logPlatform_(env.adapters),
      log_(std::make_unique<TrafficLog>(logPlatform_)),
      tick_(*env.clock, catalogue_, *log_),
      alert_(settings_, catalogue_) {
  if (!env_.messageBox) env_.messageBox = &DefaultMessageBox;
  if (!env_.openFile) env_.openFile = &ShellOpen;
  if (!env_.openAddress) env_.openAddress = &OpenDocument;
  canSetTransparency_ = CanSetTransparency();
  xpOrLater_ = IsWindowsXpOrLater();
  settings_ = DefaultSettings(canSetTransparency_);
  catalogue_.maxHistory = MaxHistoryFor(::GetSystemMetrics(SM_CXSCREEN));
}

CMeterDlg::~CMeterDlg() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND CMeterDlg::Create(HINSTANCE inst) {
  inst_ = inst;
  return CreateModeless(inst, IDD_METER, nullptr);
}

int CMeterDlg::Run(HINSTANCE inst) {
  if (!Create(inst)) return 0;
  const int code = RunMessageLoop(*this);
  if (hwnd_) ::DestroyWindow(hwnd_);
  return code;
}

int RunMessageLoop(CMeterDlg& meter) {
  g_loopRunning = true;
  MSG msg;
  int code = 0;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) { code = static_cast<int>(msg.wParam); break; }
    if (got == -1) break;
    HWND dlg = meter.hwnd();
    if (dlg && (msg.hwnd == dlg || ::IsChild(dlg, msg.hwnd))) {
      if (meter.accelerators() && ::TranslateAcceleratorW(dlg, meter.accelerators(), &msg)) continue;
      if (::IsDialogMessageW(dlg, &msg)) continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  g_loopRunning = false;
  return code;
}

HWND FindRunningMeter(const std::wstring& registryRoot) {
  HKEY key = nullptr;
  const std::wstring path = registryRoot + L"Options";
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  RegKey owner(key);
  DWORD value = 0, type = 0, size = sizeof value;
  if (::RegQueryValueExW(key, L"HWND", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return nullptr;
  // Window handles fit in 32 bits on 64-bit Windows, so the 4-byte value is enough.
  return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
}

int CMeterDlg::Message(const std::wstring& text, UINT type) {
  return env_.messageBox(hwnd_, text.c_str(), L"Zephra", type);
}

intptr_t CMeterDlg::OpenFile(const std::wstring& target, const wchar_t* verb, int show) {
  return env_.openFile(target, verb, show);
}

intptr_t CMeterDlg::OpenAddress(const std::wstring& target, int show) { return env_.openAddress(target, show); }

void CMeterDlg::SaveGroups(uint32_t groups, bool alsoMachineWide) {
  if (!env_.registry) return;
  SaveSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, settings_, groups);
  if (alsoMachineWide && IsServiceEnabled())
    SaveSettings(*env_.registry, RegRoot::LocalMachine, env_.registryRoot, settings_, groups);
}

std::optional<INT_PTR> CMeterDlg::OnInitDialog(WPARAM, LPARAM) {
  // Options; the stored window rectangle goes to the start rectangle.
  if (env_.registry) LoadSettings(*env_.registry, env_.registryRoot, settings_, &startRect_);
  if (env_.registry) LoadEmailSettings(*env_.registry, env_.registryRoot, email_);
  if (env_.registry) LoadServiceSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, service_);
  // Service mode only while the service counts; otherwise this run writes the
  // log itself ("ServiceEnabled" stays stored, so the next start looks again).
  if (service_.enabled && !ServiceRunsAtStart()) {
    service_.enabled = false;
    ::PostMessageW(hwnd_, WM_SERVICE_NOT_RUNNING, 0, 0);
  }

  // Window title and icons.
  bigIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
  if (bigIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  ::SetWindowTextW(hwnd_, L"Zephra");

  // A later start finds this window through "HWND".
  settings_.hwnd = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(hwnd_));
  SaveGroups(kSaveHwnd);

  // Accelerators and the owner-drawn popup with its item images.
  accel_ = ::LoadAcceleratorsW(inst_, MAKEINTRESOURCEW(IDR_ACCEL));
  menu_.Load(inst_);

  // The catalogue and its two per-connection sub-menus.
  if (env_.registry && env_.adapters) BuildCatalogue(catalogue_, *env_.registry, *env_.adapters, env_.registryRoot);
  menu_.FillConnectionMenus(catalogue_, settings_.showIpInTitle != 0);
  tick_.SetRecorder(&recorder_);
  StartRecorders();

  if (env_.registry) settings_.startWithWindows = IsAutostartOn(*env_.registry) ? 1 : 0;

  // Placement and the views of the monitored connections.
  viewStack_.Attach(
      hwnd_, inst_,
      [this](std::vector<AdapterEntry*>& out) {
        for (auto& e : catalogue_.entries) out.push_back(e.get());
      },
      [this](const AdapterEntry& e) { return EntryTitle(e, settings_.showIpInTitle != 0); });
  viewStack_.SetClock([this] { return env_.clock->Now(); });
  viewStack_.SetDpi(static_cast<int32_t>(WindowDpi(hwnd_)));
  menu_.SetDpi(static_cast<int>(WindowDpi(hwnd_)));
  viewStack_.SetOptions(ViewOptionsFrom(settings_), false);
  viewStack_.SetMargin(settings_.rateViewMargins);
  if (startRect_.IsEmpty()) {
    viewStack_.PlaceWindow(nullptr);
  } else {
    const RECT stored{startRect_.left, startRect_.top, startRect_.right, startRect_.bottom};
    viewStack_.PlaceWindow(&stored);
  }
  viewStack_.CreateViews();

  CheckTraySelection();

  if (canSetTransparency_ && (settings_.semiTransparent || settings_.enableClickThrough)) ApplyTransparency();
  if (settings_.alwaysOnTop) ::PostMessageW(hwnd_, WM_APPLY_TOPMOST, 0, 0);
  if (!settings_.showCaption) viewStack_.SetCaption(false);

  if (settings_.startMinimized) {
    flags_.visible = false;
    flags_.startHidden = true;
    ::ShowWindow(hwnd_, SW_HIDE);
  } else {
    flags_.visible = true;
  }

  // No task-bar button: a tool window without the application-window style.
  LONG_PTR ex = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  ex = (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW;
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);

  // The tray icon; with the miniature graph it is added at the first tick.
  if (env_.useTray) {
    tray_.Create(hwnd_, inst_, MakeTrayOptions(), xpOrLater_);
    tray_.SetPopup(menu_.popup());
    tray_.SetToggleHandler([this] { flags_.visible ? HideMeter() : ShowMeter(); });
    trayGraphInUse_ = xpOrLater_ && settings_.showGraphInSystray;
    if (settings_.dispIconSystray && !trayGraphInUse_) tray_.Add();
  }

  // The traffic log: today's counters continue from the file.
  if (env_.logPath.empty()) {
    if (env_.registry) log_->LocateLogFile(*env_.registry, env_.registryRoot, IsServiceEnabled());
  } else {
    log_->SetPath(env_.logPath, true);
  }
  backups_.SetDays(settings_.logBackupDays);
  tick_.SetBackups(&backups_);
  if (log_->OpenLogFile(IsServiceEnabled())) {
    tick_.LoadTodayCounters();
    if (log_->openCheck().damaged()) ::PostMessageW(hwnd_, WM_LOG_DAMAGED, 0, 0);
  } else {
    ::PostMessageW(hwnd_, WM_LOG_OPEN_FAILED, 0, 0);
  }
  alert_.service = ServiceMailOptions{IsServiceEnabled(), service_.sendMail};
  ArmAlert();
  if (env_.registry) LoadMetricsSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, metricsSettings_);
  UpdateMetricsEndpoint();

  if (settings_.hotkeyEnabled && env_.registerHotkey)
    hotkeyRegistered_ = ::RegisterHotKey(hwnd_, kHotkeyId, MOD_CONTROL | MOD_SHIFT, settings_.hotkeyChar) != 0;

  if (env_.firstStartHelp) RunFirstStartHelp();

  if (env_.startTimer) {
    ::SetTimer(hwnd_, kTickTimerId, kTickIntervalMs, nullptr);
    flags_.tickRunning = true;
  }
  return TRUE;
}

void CMeterDlg::CheckTraySelection() {
  if (!FindSelection(catalogue_, settings_.trayKind, settings_.trayAdapterId)) {
    settings_.trayKind = kKindAll;
    settings_.trayAdapterId.clear();
  }
}

void CMeterDlg::RunFirstStartHelp() {
  // A missing or odd "FirstRun" counts as a first run; the help opens only once
  // the value could be cleared, so it never opens at every start.
  uint32_t firstRun = 1;
  if (!env_.registry->ReadDword(RegRoot::CurrentUser, OptionsKey(), L"FirstRun", firstRun)) firstRun = 1;
  if (firstRun == 0 || !env_.registry->WriteDword(RegRoot::CurrentUser, OptionsKey(), L"FirstRun", 0)) return;
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return;
  OpenFile(*dir + L"Zephra.chm", L"open", SW_SHOWMAXIMIZED);
}

// ---- the one-second tick --------------------------------------------------------

std::optional<INT_PTR> CMeterDlg::OnTimer(WPARAM wp, LPARAM) {
  if (wp != kTickTimerId) return std::nullopt;
  Tick();
  return TRUE;
}

void CMeterDlg::Tick() {
  SampleOptions options;
  options.showIpInTitle = settings_.showIpInTitle != 0;
  options.dispIconSystray = settings_.dispIconSystray != 0 && env_.useTray;
  options.stIfType = settings_.trayKind;
  options.stAdpId = settings_.trayAdapterId;
  recorder_.SetOptions(MakeRecorderOptions());
  tick_.Tick(env_.adapters, options, *this);
}

std::optional<INT_PTR> CMeterDlg::OnLogOpenFailed(WPARAM, LPARAM) {
  WinLogOpenPrompts prompts(hwnd_);
  auto entries = Entries();
  if (env_.registry) ReportOpenFailure(*log_, prompts, *env_.registry, env_.registryRoot, entries, tick_.stored());
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnLogCleared(WPARAM, LPARAM) {
  auto entries = Entries();
  // The reports window empties its pages only when the log was cleared.
  return SetDialogResult(hwnd_, log_->ClearLog(entries, DateOf(tick_.stored())) ? TRUE : FALSE);
}

std::optional<INT_PTR> CMeterDlg::OnLogDamaged(WPARAM, LPARAM) {
  // Once a run: the check ran when the log was opened at start-up.
  Message(LogDamageText(log_->path(), log_->openCheck().damagedRecords, NewestDailyBackup(logPlatform_, log_->path())),
          MB_OK | MB_ICONWARNING);
  return TRUE;
}

void CMeterDlg::OnEntryAdded(AdapterEntry& entry) {
  menu_.AddConnectionItems(catalogue_, entry, settings_.showIpInTitle != 0);
}

void CMeterDlg::OnSample(AdapterEntry& entry, const RateSample&) {
  if (entry.view) entry.view->AddSample();
}

void CMeterDlg::OnTitleChanged(AdapterEntry& entry) {
  if (entry.view) entry.view->SetTitle(EntryTitle(entry, settings_.showIpInTitle != 0));
}

void CMeterDlg::OnTrayUpdate(AdapterEntry& entry) {
  if (!env_.useTray || !settings_.dispIconSystray) return;
  tray_.Update(MakeTraySource(entry), MakeTrayOptions());
}

TrayOptions CMeterDlg::MakeTrayOptions() const {
  TrayOptions o;
  o.showNameInTips = settings_.showAdapterNameInSystrayTips != 0;
  o.showIpInTips = settings_.showAdapterIpInSystrayTips != 0;
  o.showGraph = xpOrLater_ && settings_.showGraphInSystray != 0;
  o.graphStyle = settings_.graphStyle;
  o.unitBytes = settings_.displayUnitByte != 0;
  o.upColor = settings_.upColor;
  o.downColor = settings_.downColor;
  o.bothColor = settings_.bothDownUpColor;
  return o;
}

TraySource CMeterDlg::MakeTraySource(const AdapterEntry& entry) const {
  TraySource s;
  s.name = entry.name;
  s.ipAddress.assign(entry.ipAddress.begin(), entry.ipAddress.end());
  s.history = &entry.history;
  s.displayed = entry.displayed();
  s.scaleMax = entry.view ? entry.view->scale().scaleMax : 0;
  s.graphBkColor = settings_.graphBkgColor;
  return s;
}

std::optional<INT_PTR> CMeterDlg::OnTimeChange(WPARAM, LPARAM) {
  tick_.TimeChanged(*this);
  return std::nullopt;
}

// ---- ending -------------------------------------------------------------------

std::optional<INT_PTR> CMeterDlg::OnClose(WPARAM, LPARAM) {
  // Close box, Alt+F4 and the system menu end the program with the cancel result.
  ::DestroyWindow(hwnd_);
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnQueryEndSession(WPARAM, LPARAM) { return SetDialogResult(hwnd_, TRUE); }

std::optional<INT_PTR> CMeterDlg::OnEndSession(WPARAM wp, LPARAM) {
  // When the logoff is called off (wParam false) nothing has been written back
  // or released yet, so the window simply stays in use.
  if (wp) ShutdownMeter();
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnDestroy(WPARAM, LPARAM) {
  ShutdownMeter();
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnNcDestroy(WPARAM, LPARAM) {
  if (g_loopRunning) ::PostQuitMessage(2);
  return std::nullopt;
}

void CMeterDlg::ShutdownMeter() {
  if (shutdownDone_) return;
  shutdownDone_ = true;
  if (flags_.tickRunning) {
    ::KillTimer(hwnd_, kTickTimerId);
    flags_.tickRunning = false;
  }
  if (hotkeyRegistered_) {
    ::UnregisterHotKey(hwnd_, kHotkeyId);
    hotkeyRegistered_ = false;
  }
  if (HWND help = ::FindWindowW(nullptr, L"Zephra Help")) ::PostMessageW(help, WM_CLOSE, 0, 0);

  metrics_.Stop();
  // Today's last counts go to the log.
  tick_.WriteTodayRecords();
  backups_.Finish(tick_.stored());
  log_->CloseLogFile();

  // The window group: the current rectangle and the stopwatch options.
  if (env_.registry) {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    const ScreenRect rect{r.left, r.top, r.right, r.bottom};
    SaveSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, settings_, kSaveWindow, &rect);
    SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::CurrentUser, kGroupIdentity, env_.registryRoot);
    if (IsServiceEnabled())
      SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::LocalMachine, kGroupIdentity, env_.registryRoot);
  }
  if (env_.useTray && settings_.dispIconSystray) tray_.Delete();
  viewStack_.DestroyViews();
  alert_.Forget();
  recorder_.CloseAll();
  catalogue_.entries.clear();
}

std::optional<INT_PTR> CMeterDlg::OnWindowPosChanging(WPARAM, LPARAM lp) {
  // While starting hidden the window is never shown on its own.
  if (flags_.startHidden && settings_.startMinimized) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
    pos->flags &= ~SWP_SHOWWINDOW;
  }
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnApplyTopmost(WPARAM, LPARAM) {
  if (settings_.alwaysOnTop) SetTopmost(hwnd_, true);
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnSysCommand(WPARAM wp, LPARAM) {
  // The window hides instead of minimising; it has no task-bar button to come back from.
  if ((wp & 0xFFF0) == SC_MINIMIZE) {
    HideMeter();
    return TRUE;
  }
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnHotKey(WPARAM wp, LPARAM) {
  if (static_cast<int>(wp) == kHotkeyId && settings_.hotkeyEnabled) ShowMeter();
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (env_.useTray && msg == CTrayIcon::TaskbarCreatedMessage()) {
    tray_.OnTaskbarCreated();
    return TRUE;
  }
  return std::nullopt;
}

void CMeterDlg::ShowMeter() {
  flags_.startHidden = false;
  flags_.visible = true;
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);
  ::SetActiveWindow(hwnd_);
  ::SetFocus(hwnd_);
}

void CMeterDlg::HideMeter() {
  ::ShowWindow(hwnd_, SW_HIDE);
  flags_.visible = false;
}

void CMeterDlg::BeginModal() {
  flags_.modalOpen = true;
  SetTopmost(hwnd_, false);
}

void CMeterDlg::EndModal() {
  if (settings_.alwaysOnTop) SetTopmost(hwnd_, true);
  flags_.modalOpen = false;
}

void CMeterDlg::ApplyTransparency() {
  if (!canSetTransparency_) return;
  SetWindowTransparency(hwnd_, settings_.semiTransparent ? settings_.transparentPercent : 0,
                        settings_.enableClickThrough != 0);
}

std::optional<INT_PTR> CMeterDlg::OnSize(WPARAM, LPARAM lp) {
  viewStack_.OnSize(LOWORD(lp), HIWORD(lp));
  return std::nullopt;
}

// The window moved to a monitor of another DPI: it takes the rectangle the
// system suggests, and the views, the tray picture and the menu follow.
std::optional<INT_PTR> CMeterDlg::OnDpiChanged(WPARAM wp, LPARAM lp) {
  const UINT dpi = LOWORD(wp);
  SetWindowDpi(hwnd_, dpi);
  const auto* r = reinterpret_cast<const RECT*>(lp);
  {
    // The views are laid out once, for the new DPI, after the move.
    viewStack_.SetDpi(static_cast<int32_t>(dpi));
    if (r)
      ::SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (env_.useTray) tray_.SetDpi(dpi);
  menu_.SetDpi(static_cast<int>(dpi));
  return SetDialogResult(hwnd_, 0);
}

std::optional<INT_PTR> CMeterDlg::OnNcHitTest(WPARAM wp, LPARAM lp) {
  // Any point of the window drags it, except a separator between two views.
  return SetDialogResult(hwnd_, viewStack_.OnNcHitTest(lp, ::DefWindowProcW(hwnd_, WM_NCHITTEST, wp, lp)));
}

std::optional<INT_PTR> CMeterDlg::OnSetCursor(WPARAM, LPARAM lp) {
  if (viewStack_.OnSetCursor(LOWORD(lp))) return SetDialogResult(hwnd_, TRUE);
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnLButtonDown(WPARAM, LPARAM lp) {
  viewStack_.OnLButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnMouseMove(WPARAM, LPARAM lp) {
  viewStack_.OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnLButtonUp(WPARAM, LPARAM) {
  viewStack_.OnLButtonUp();
  return std::nullopt;
}

