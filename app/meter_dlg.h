// The meter window: a dialog-based top-level window whose lifetime is the
// program's lifetime. It owns the options, the catalogue, the traffic log and
// the tray resources, and runs the one-second tick.
#pragma once
#include <windows.h>
#include <memory>
#include <optional>
#include <string>

#include "app/clock.h"
#include "measure/adapter_source.h"
#include "ui/dialog_win.h"
#include "ui/handle_win.h"
#include "view/dates.h"

// Private messages of the meter window.
constexpr UINT WM_LOG_OPEN_FAILED = WM_USER + 111;  // 0x46F
constexpr UINT WM_OPTIONS_APPLIED = 0x481;
constexpr UINT WM_MAIL_DONE = 0x485;
constexpr UINT WM_APPLY_TOPMOST = 0x49F;
constexpr UINT WM_LOG_CLEARED = 0x5BC;
constexpr UINT WM_TRAY_NOTIFY = 0x800A;

constexpr int kHotkeyId = 8978;

// The per-user key under HKEY_CURRENT_USER that holds everything.
inline constexpr wchar_t kDefaultRegistryRoot[] = L"Software\\Quarlen\\Zephra\\";

// What the meter window is given from outside: the clock, the adapters and the
// registry root. Production passes the real ones; tests inject their own.
struct MeterEnvironment {
  Clock* clock = nullptr;
  AdapterSource* adapters = nullptr;
  std::wstring registryRoot = kDefaultRegistryRoot;
  bool startTimer = true;     // tests drive the tick by hand
  bool firstStartHelp = true; // tests keep the help viewer closed
};

struct WindowStateFlags {
  bool visible = false;
  bool startHidden = false;
  bool modalOpen = false;
  bool tickRunning = false;
};

// Counts of the work the tick has done; tests read them through the seams.
struct TickCounters {
  int ticks = 0;
  int gaps = 0;            // ticks that dropped every baseline
  int recordWrites = 0;    // WriteTodayRecords runs
  int dateStarts = 0;      // LoadTodayCounters runs for a new date
  int samplePasses = 0;    // SampleAdapters runs that got the adapter list
  int skippedSamples = 0;  // ticks whose adapter list could not be obtained
};

class CMeterDlg : public Dialog<CMeterDlg> {
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
  void CheckSliceAndDay(const LocalTime& now);
  void ShowMeter();
  void HideMeter();
  void ShutdownMeter();

  const WindowStateFlags& flags() const { return flags_; }
  const TickCounters& counters() const { return counters_; }
  const LocalTime& storedMoment() const { return stored_; }
  bool shutdownDone() const { return shutdownDone_; }
  std::wstring OptionsKey() const { return env_.registryRoot + L"Options"; }

  std::optional<INT_PTR> OnInitDialog(WPARAM, LPARAM);
  std::optional<INT_PTR> OnTimer(WPARAM, LPARAM);
  std::optional<INT_PTR> OnTimeChange(WPARAM, LPARAM);
  std::optional<INT_PTR> OnClose(WPARAM, LPARAM);
  std::optional<INT_PTR> OnQueryEndSession(WPARAM, LPARAM);
  std::optional<INT_PTR> OnEndSession(WPARAM, LPARAM);
  std::optional<INT_PTR> OnDestroy(WPARAM, LPARAM);
  std::optional<INT_PTR> OnNcDestroy(WPARAM, LPARAM);
  std::optional<INT_PTR> OnWindowPosChanging(WPARAM, LPARAM);
  std::optional<INT_PTR> OnApplyTopmost(WPARAM, LPARAM);

  void OnShowWindowCmd(WORD, HWND);
  void OnHideWindowCmd(WORD, HWND);
  void OnExitCmd(WORD, HWND);
  void OnIgnoreCmd(WORD, HWND);

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  // Accelerator table 129; the message loop translates with it before the
  // dialog sees the keys, so Esc hides the window instead of ending it.
  HACCEL accelerators() const { return accel_; }

private:
  void SaveHwnd();
  void RunFirstStartHelp();
  void WriteTodayRecords(const LocalTime& date);
  void LoadTodayCounters(const LocalTime& date);
  bool SampleAdapters();

  MeterEnvironment env_;
  HINSTANCE inst_ = nullptr;
  WindowStateFlags flags_;
  TickCounters counters_;
  LocalTime stored_;
  HACCEL accel_ = nullptr;
  IconHandle bigIcon_;
  IconHandle smallIcon_;
  bool shutdownDone_ = false;
  bool endingSession_ = false;
};

// Reads HWND of a running copy; the application object uses it for the show
// request of a second start.
HWND FindRunningMeter(const std::wstring& registryRoot);
// The message loop of the program: translates accelerators for the meter
// window before dialog key handling; ends at WM_QUIT.
int RunMessageLoop(CMeterDlg& meter);
