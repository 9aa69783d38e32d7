// The meter window: a dialog-based top-level window whose lifetime is the
// program's lifetime. It owns the options, the catalogue, the traffic log and
// the tray resources, and runs the one-second tick.
#pragma once
#include <windows.h>
#include <memory>
#include <optional>
#include <string>

#include "alerts/email_settings.h"
#include "alerts/usage_alert.h"
#include "base/addresses.h"
#include "engine/clock.h"
#include "engine/handover.h"
#include "app/meter_menu_win.h"
#include "app/service_switch.h"
#include "engine/meter_tick.h"
#include "app/tray_icon_win.h"
#include "app/view_stack_win.h"
#include "base/dates.h"
#include "base/ids.h"
#include "base/registry_names.h"
#include "measure/adapter_source.h"
#include "measure/catalogue.h"
#include "measure/sampling.h"
#include "metrics/metrics_server_win.h"
#include "recorder/rates_recorder.h"
#include "recorder/recording_file_win.h"
#include "settings/meter_settings.h"
#include "settings/metrics_settings.h"
#include "settings/option_pages.h"
#include "settings/registry_store.h"
#include "settings/service_settings.h"
#include "service_control/service_control.h"
#include "trafficlog/log_file_win.h"
#include "trafficlog/period_totals.h"
#include "trafficlog/traffic_log.h"
#include "ui/dialog_win.h"
#include "ui/handle_win.h"

// What the meter window is given from outside: the clock, the adapters, the
// registry and its root. Production passes the real ones; tests inject their own.
struct MeterEnvironment {
  Clock* clock = nullptr;
  AdapterSource* adapters = nullptr;
  RegistryStore* registry = nullptr;
  std::wstring registryRoot = kDefaultRootPath;
  bool startTimer = true;      // tests drive the tick by hand
  bool firstStartHelp = true;  // tests keep the help viewer closed
  bool useTray = true;         // tests of other things keep the notification area alone
  bool registerHotkey = true;  // the hot key is global: tests may keep it free
  // The traffic log's file; empty = the usual place ("TrafficLogFile" or the
  // application-data folder). Tests give a file of their own.
  std::wstring logPath;
  // Message boxes go through here; tests answer them without a modal loop.
  int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* title, UINT type) = nullptr;
  // Files and folders are opened through here with a shell verb, web and mail
  // addresses through openAddress (tests record both).
  intptr_t (*openFile)(const std::wstring& target, const wchar_t* verb, int show) = nullptr;
  intptr_t (*openAddress)(const std::wstring& target, int show) = nullptr;
  // The companion service's control; null = the service control manager.
  ServiceControl* service = nullptr;
  // Runs the privileged steps of switching service mode; null = in process when
  // elevated, else through the elevated helper (tests stand in for it).
  ServiceSwitcher* switcher = nullptr;
};

struct WindowStateFlags {
  bool visible = false;
  bool startHidden = false;
  bool modalOpen = false;
  bool tickRunning = false;
};

class CMeterDlg : public Dialog<CMeterDlg>, private TickSink, private AlertActions {
public:
  explicit CMeterDlg(const MeterEnvironment& env);
  ~CMeterDlg();

  // Creates the window and runs the program's message loop until the window
  // is gone; returns the exit code (2 for the exit command and the close box).
  int Run(HINSTANCE inst);
  // Creates the window without a loop (tests pump messages themselves).
  HWND Create(HINSTANCE inst);

  // One tick of timer 101; public so tests can drive it without the timer.
  void Tick();

  // Accelerator table 129; the message loop translates with it before the
  // dialog sees the keys, so Esc hides the window instead of ending it.
  HACCEL accelerators() const { return accel_; }

  // What tests read.
  const WindowStateFlags& flags() const { return flags_; }
  const TickCounters& counters() const { return tick_.counters(); }
  const LocalTime& storedMoment() const { return tick_.stored(); }
  bool shutdownDone() const { return shutdownDone_; }
  const MeterSettings& settings() const { return settings_; }
  const Catalogue& catalogue() const { return catalogue_; }
  const CMeterMenu& menu() const { return menu_; }
  const CTrayIcon& tray() const { return tray_; }
  const RatesRecorder& recorder() const { return recorder_; }
  const TrafficLog& log() const { return *log_; }
  // A log chosen with Change or Restore: stored for the next start (machine-wide
  // too in service mode) and, until then, the one handed to the service when
  // it is switched on. The log of this run stays open.
  void SetNextStartLogPath(const std::wstring& path);
  const ServiceSettings& serviceSettings() const { return service_; }
  int optionsPage() const { return optionsPage_; }
  const UsageAlert& alert() const { return alert_; }
  const EmailSettings& email() const { return email_; }
  const MetricsServer& metricsServer() const { return metrics_; }
  // Copies of the catalogue's connections for the Adapters page.
  std::vector<AdapterRow> AdapterRows() const;

private:
  friend class Dialog<CMeterDlg>;  // the message tables and their handlers

  // TickSink: where a tick hands its samples.
  void OnEntryAdded(AdapterEntry& entry) override;
  void OnSample(AdapterEntry& entry, const RateSample& sample) override;
  void OnTitleChanged(AdapterEntry& entry) override;
  void OnTrayUpdate(AdapterEntry& entry) override;
  void OnDateStarted(const LocalTime& now) override;
  void OnUsageCheck(const LocalTime& now) override;
  void OnTickDone() override;

  // AlertActions: what the usage rule does when it is passed.
  void SendAlertMail(uint64_t currentTotal) override;
  void RunProgram(const std::wstring& path) override;
  ReminderChoice RunAlertWindow() override;
  void SaveReminder() override;
  void Beep(uint32_t frequency, uint32_t durationMs) override;
  // The usage rule afresh: threshold, base total from the log, watched connection.
  void ArmAlert();

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnTimer, OnTimeChange, OnClose, OnQueryEndSession, OnEndSession, OnDestroy, OnNcDestroy,
             OnWindowPosChanging, OnApplyTopmost, OnContextMenu, OnInitMenuPopup, OnMeasureItem, OnDrawItem,
             OnMenuChar, OnTrayNotify, OnOptionsApplied, OnSysCommand, OnHotKey, OnHelp, OnSize, OnDpiChanged,
             OnNcHitTest, OnSetCursor, OnLButtonDown, OnMouseMove, OnLButtonUp, OnLogOpenFailed, OnServiceNotRunning,
             OnLogCleared, OnLogDamaged, OnMailDone;
  // The switches of the menu's table and the per-connection ranges.
  bool OnOtherCommand(WORD id, WORD code, HWND control);
  std::optional<INT_PTR> OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp);

  CmdHandler OnShowWindowCmd, OnHideWindowCmd, OnExitCmd, OnIgnoreCmd, OnResetWindowPositionCmd, OnResetRangeAllCmd,
             OnTcpConnectionsCmd, OnHelpCmd, OnWebCmd, OnAboutCmd, OnReportsCmd, OnShowAlertAgainCmd, OnOpenPopupCmd,
             OnOptionsCmd, OnStopwatchCmd, OnRatesRecorderCmd;
  // The rates recorder: its options from the settings, the service's part,
  // the start of every connection's recording and the save of the four values.
  RecorderOptions MakeRecorderOptions() const;
  RecorderServiceState RecorderService() const;
  void StartRecorders();
  void SaveRecorderSettings();
  // The options pages' values, taken, applied and saved in the documented order.
  void ApplyGeneralPage(const MeterSettings& page);
  void ApplyGraphTextPage(const MeterSettings& page);
  void ApplyAdaptersPage(const std::vector<AdapterRow>& rows, const TrayChoice& tray);
  void ApplyNotificationPage(bool enabled, const AlertRule& rule, const EmailSettings& email);
  // Hands counting to the companion service or takes it back (page code 205).
  void ApplyServicePage(const ServiceSettings& page);
  // Off -> on and on -> off, each with its privileged steps and their outcome.
  void EnableServiceMode();
  void DisableServiceMode();
  // The per-user copies of what the service reads, saved before they are copied machine-wide.
  void SavePerUserServiceCopies();
  // The meter writes the log again: reopened read-write, today's counters
  // reloaded, the counting taken back from what `from` handed over (fresh
  // baselines where nothing usable was), the alert armed, the recorders restarted.
  void TakeLogBack(HandOverFrom from);
  ServiceControl& Service();
  ServiceSwitchPlan SwitchService(bool enable);
  // At start-up: false when "ServiceEnabled" is on but the service neither runs nor starts.
  bool ServiceRunsAtStart();
  // The counters endpoint: served by this window while the service does not
  // count (also the hook of the service switch); a failure is told once.
  void UpdateMetricsEndpoint();
  void ApplyMonitoringPage(const MetricsSettings& page);
  // What the hand-over leaves to the usage alert and the rates recorder.
  void CloseRecordingFilesForService();
  void RearmAlertAfterService();
  void RestartRecordersAfterService();
  // The counting itself changes hands: counted up to now, written and handed
  // over before the service starts; taken back once its stop is confirmed (or,
  // when the service never started, from the meter's own hand-over).
  void HandCountingToService();
  void TakeCountingBack(HandOverFrom from);
  // Registers the hot key anew for the current settings (or only unregisters it).
  void UpdateHotkey();
  // Displays or hides a connection as its item in the connections sub-menu does.
  void ToggleDisplay(AdapterEntry& entry);
  void OnToggle(WORD id);
  void OnConnectionItem(WORD id);

  void ShowMeter();
  void HideMeter();
  void ShutdownMeter();
  // Runs a modal window of the meter: out of the always-on-top band meanwhile,
  // and the commands that open other windows disabled.
  template <class Fn>
  INT_PTR RunModal(Fn&& run) {
    // The alert window can open inside another modal window's loop: the
    // outer one still runs when it closes.
    const bool outer = flags_.modalOpen;
    BeginModal();
    INT_PTR r = run(hwnd_);
    if (!outer) EndModal();
    return r;
  }
  void BeginModal();
  void EndModal();

  std::wstring OptionsKey() const { return env_.registryRoot + L"Options"; }
  void SaveGroups(uint32_t groups, bool alsoMachineWide = false);
  void RunFirstStartHelp();
  void CheckTraySelection();
  void ApplyTransparency();
  std::vector<AdapterEntry*> Entries() { return EntryList(catalogue_.entries); }
  void ApplyDisplayOptionsToViews();
  void RefreshViewTitles();
  void SetDisplayed(AdapterEntry& entry, bool on);
  int DisplayedCount() const;
  CMeterMenu::WindowState MenuWindowState() const;
  // The cursor's screen position when it lies in the client area.
  std::optional<POINT> CursorInClient() const;
  TrayOptions MakeTrayOptions() const;
  TraySource MakeTraySource(const AdapterEntry& entry) const;
  int Message(const std::wstring& text, UINT type);
  intptr_t OpenFile(const std::wstring& target, const wchar_t* verb, int show);
  intptr_t OpenAddress(const std::wstring& target, int show);
  bool IsServiceEnabled() const { return service_.enabled; }

  MeterEnvironment env_;
  HINSTANCE inst_ = nullptr;
  WindowStateFlags flags_;
  MeterSettings settings_;
  ScreenRect startRect_;
  Catalogue catalogue_;
  CMeterMenu menu_;
  CTrayIcon tray_;
  CViewStack viewStack_;
  WinLogPlatform logPlatform_;
  std::unique_ptr<TrafficLog> log_;
  WinRecordingFiles recordingFiles_;
  RatesRecorder recorder_{recordingFiles_};
  MeterTick tick_;  // after the catalogue and the log it works on
  LogBackups backups_{*log_};  // the daily copy of the log, moved on by the tick
  EmailSettings email_;
  UsageAlert alert_;  // after the settings and the catalogue it reads
  HACCEL accel_ = nullptr;
  IconHandle bigIcon_;
  IconHandle smallIcon_;
  bool canSetTransparency_ = false;
  bool xpOrLater_ = false;
  bool trayGraphInUse_ = false;
  ServiceSettings service_;  // the companion service's options ("ServiceEnabled", ...)
  bool hotkeyRegistered_ = false;
  bool shutdownDone_ = false;
  // The reports window's connection and page, kept for the run only.
  SelectedConnection reportsConnection_;
  int reportsPage_ = 0;
  std::wstring pendingLogPath_;  // chosen by Change or Restore: the log of the next start
  int optionsPage_ = 0;  // the options sheet's page when it was last closed
  MetricsSettings metricsSettings_;
  MetricsServer metrics_;  // serves while this window counts and the endpoint is on
};

// Reads HWND of a running copy; the application object uses it for the show
// request of a second start.
HWND FindRunningMeter(const std::wstring& registryRoot);
// The message loop of the program: translates accelerators for the meter
// window before dialog key handling; ends at WM_QUIT.
int RunMessageLoop(CMeterDlg& meter);
