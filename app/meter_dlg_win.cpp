#include "app/meter_dlg.h"

#include <shellapi.h>

#include "app/tick.h"
#include "res/resource.h"

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
};

const CMeterDlg::CmdEntry CMeterDlg::kCommands[] = {
    {ID_SHOW_WINDOW, &CMeterDlg::OnShowWindowCmd},
    {ID_HIDE_WINDOW, &CMeterDlg::OnHideWindowCmd},
    {ID_EXIT, &CMeterDlg::OnExitCmd},
    // The dialog's default OK and Cancel do nothing: Enter has no effect and
    // Esc is taken first by the accelerator that hides the window.
    {IDOK, &CMeterDlg::OnIgnoreCmd},
    {IDCANCEL, &CMeterDlg::OnIgnoreCmd},
};

namespace {
bool g_loopRunning = false;
}

CMeterDlg::CMeterDlg(const MeterEnvironment& env) : env_(env) {
  stored_ = env_.clock->Now();
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

std::optional<INT_PTR> CMeterDlg::OnInitDialog(WPARAM, LPARAM) {
  // Window title and icons.
  bigIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(inst_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
  if (bigIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  if (smallIcon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  ::SetWindowTextW(hwnd_, L"Zephra");

  // A later start finds this window through "HWND".
  SaveHwnd();

  accel_ = ::LoadAcceleratorsW(inst_, MAKEINTRESOURCEW(IDR_ACCEL));

  flags_.visible = true;

  // No task-bar button: a tool window without the application-window style.
  LONG_PTR ex = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  ex = (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW;
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);

  if (env_.firstStartHelp) RunFirstStartHelp();

  if (env_.startTimer) {
    ::SetTimer(hwnd_, kTickTimerId, kTickIntervalMs, nullptr);
    flags_.tickRunning = true;
  }
  return TRUE;
}

void CMeterDlg::SaveHwnd() {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, OptionsKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegKey owner(key);
  const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd_));
  ::RegSetValueExW(key, L"HWND", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void CMeterDlg::RunFirstStartHelp() {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, OptionsKey().c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return;
  DWORD firstRun = 1, type = 0, size = sizeof firstRun;
  if (::RegQueryValueExW(key, L"FirstRun", nullptr, &type, reinterpret_cast<BYTE*>(&firstRun), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    firstRun = 1;
  if (firstRun != 0) {
    const DWORD zero = 0;
    ::RegSetValueExW(key, L"FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
  }
  ::RegCloseKey(key);
  if (firstRun == 0) return;
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  std::wstring help(path, n);
  const size_t slash = help.find_last_of(L'\\');
  if (slash == std::wstring::npos) return;
  help.resize(slash + 1);
  help += L"Zephra.chm";
  ::ShellExecuteW(hwnd_, L"open", help.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

std::optional<INT_PTR> CMeterDlg::OnTimer(WPARAM wp, LPARAM) {
  if (wp != kTickTimerId) return std::nullopt;
  Tick();
  return TRUE;
}

void CMeterDlg::Tick() {
  ++counters_.ticks;
  const LocalTime now = env_.clock->Now();
  if (IsTickGap(env_.clock->CalendarSeconds(stored_), env_.clock->CalendarSeconds(now))) {
    ++counters_.gaps;
    // Every entry takes a new baseline this tick (no burst after a suspension).
  }
  CheckSliceAndDay(now);
  if (!SampleAdapters()) {
    ++counters_.skippedSamples;
    return;
  }
}

void CMeterDlg::CheckSliceAndDay(const LocalTime& now) {
  const MomentChange change = CompareMoments(stored_, now);
  if (change != MomentChange::SameSlice) {
    // The last counts of a slice, hour or day go to the old date's records.
    WriteTodayRecords(stored_);
  }
  stored_ = now;
  if (change == MomentChange::NewDate) LoadTodayCounters(now);
}

void CMeterDlg::WriteTodayRecords(const LocalTime&) { ++counters_.recordWrites; }

void CMeterDlg::LoadTodayCounters(const LocalTime&) { ++counters_.dateStarts; }

bool CMeterDlg::SampleAdapters() {
  std::vector<AdapterInfo> adapters;
  if (!env_.adapters || !env_.adapters->ListAdapters(adapters)) return false;
  ++counters_.samplePasses;
  return true;
}

std::optional<INT_PTR> CMeterDlg::OnTimeChange(WPARAM, LPARAM) {
  CheckSliceAndDay(env_.clock->Now());
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnClose(WPARAM, LPARAM) {
  // Close box, Alt+F4 and the system menu end the program with the cancel result.
  ::DestroyWindow(hwnd_);
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnQueryEndSession(WPARAM, LPARAM) {
  return SetDialogResult(hwnd_, TRUE);
}

std::optional<INT_PTR> CMeterDlg::OnEndSession(WPARAM wp, LPARAM) {
  // When the logoff is called off (wParam false) nothing has been written back
  // or released yet, so the window simply stays in use.
  if (wp) {
    endingSession_ = true;
    ShutdownMeter();
  }
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

std::optional<INT_PTR> CMeterDlg::OnWindowPosChanging(WPARAM, LPARAM lp) {
  // While starting hidden the window is never shown on its own.
  if (flags_.startHidden) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
    pos->flags &= ~SWP_SHOWWINDOW;
  }
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnApplyTopmost(WPARAM, LPARAM) { return TRUE; }

void CMeterDlg::ShutdownMeter() {
  if (shutdownDone_) return;
  shutdownDone_ = true;
  if (flags_.tickRunning) {
    ::KillTimer(hwnd_, kTickTimerId);
    flags_.tickRunning = false;
  }
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

void CMeterDlg::OnShowWindowCmd(WORD, HWND) { ShowMeter(); }
void CMeterDlg::OnHideWindowCmd(WORD, HWND) { HideMeter(); }
void CMeterDlg::OnExitCmd(WORD, HWND) { ::PostQuitMessage(2); }
void CMeterDlg::OnIgnoreCmd(WORD, HWND) {}
