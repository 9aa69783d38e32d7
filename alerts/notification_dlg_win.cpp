#include "alerts/notification_dlg_win.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "alerts/beeper_win.h"
#include "alerts/notification_page.h"
#include "res/resource.h"
#include "ui/dpi_win.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr COLORREF kMessageColour = RGB(238, 0, 0);
constexpr COLORREF kTotalColour = RGB(0, 0, 238);

FontHandle BoldTahoma(int height, HWND window) { return MakeTahoma(height, FW_BOLD, WindowDpi(window)); }

}  // namespace

const CNotificationDlg::MsgEntry CNotificationDlg::kMessages[] = {
    {WM_INITDIALOG, &CNotificationDlg::OnInitDialog},
    {WM_TIMER, &CNotificationDlg::OnTimer},
    {WM_CTLCOLORSTATIC, &CNotificationDlg::OnCtlColorStatic},
    {WM_DESTROY, &CNotificationDlg::OnDestroy},
};

const CNotificationDlg::CmdEntry CNotificationDlg::kCommands[] = {
    {IDC_ALERT_NO_REMINDER, &CNotificationDlg::OnReminderChoice},
    {IDC_ALERT_REMIND, &CNotificationDlg::OnReminderChoice},
    {IDC_ALERT_STOP_SOUND, &CNotificationDlg::OnStopSound},
    {IDC_ALERT_CLOSE, &CNotificationDlg::OnClose},
    {IDCANCEL, &CNotificationDlg::OnClose},  // the close box
};

CNotificationDlg::CNotificationDlg(NotificationInput input, HINSTANCE inst)
    : AppDialog(inst), input_(std::move(input)) {}

CNotificationDlg::~CNotificationDlg() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

std::optional<INT_PTR> CNotificationDlg::OnInitDialog(WPARAM, LPARAM) {
  SetWindowIcons(hwnd_, inst_, IDI_APP, bigIcon_, smallIcon_);
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  ::SetWindowTextW(hwnd_, L"Notification - Zephra");
  RECT r{}, desk{};
  ::GetWindowRect(hwnd_, &r);
  ::GetWindowRect(::GetDesktopWindow(), &desk);
  ::SetWindowPos(hwnd_, nullptr, desk.left + (desk.right - desk.left - (r.right - r.left)) / 2,
                 desk.top + (desk.bottom - desk.top - (r.bottom - r.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  messageFont_ = BoldTahoma(-14, hwnd_);
  totalFont_ = BoldTahoma(-12, hwnd_);
  ::SendDlgItemMessageW(hwnd_, IDC_ALERT_MESSAGE, WM_SETFONT, reinterpret_cast<WPARAM>(messageFont_.get()), FALSE);
  ::SendDlgItemMessageW(hwnd_, IDC_ALERT_TOTAL, WM_SETFONT, reinterpret_cast<WPARAM>(totalFont_.get()), FALSE);
  ::SetDlgItemTextW(hwnd_, IDC_ALERT_MESSAGE,
                    AlertMessageText(input_.rule, input_.connectionName, input_.shown, input_.dateFormat).c_str());
  RefreshTotal();
  ::SetTimer(hwnd_, kRefreshTimer, 1000, nullptr);

  ::SendDlgItemMessageW(hwnd_, IDC_ALERT_MINUTES, EM_LIMITTEXT, 5, 0);
  ::SendDlgItemMessageW(hwnd_, IDC_ALERT_MINUTES_SPIN, UDM_SETRANGE32, kShortCountRange.low, kShortCountRange.high);
  ::SetDlgItemInt(hwnd_, IDC_ALERT_MINUTES, static_cast<UINT>(input_.reminder.minutes), TRUE);
  ::CheckRadioButton(hwnd_, IDC_ALERT_NO_REMINDER, IDC_ALERT_REMIND,
                     input_.reminder.type == 1 ? IDC_ALERT_REMIND : IDC_ALERT_NO_REMINDER);
  EnableMinutes();

  // A path from the registry that names no file is not played (nor looked up).
  const AlertRule& rule = input_.rule;
  if (rule.playSound && !rule.soundFile.empty() && IsExistingFile(rule.soundFile))
    soundPlaying_ = ::PlaySoundW(rule.soundFile.c_str(), nullptr, SND_FILENAME | SND_LOOP | SND_NODEFAULT | SND_ASYNC) != 0;
  if (rule.beep) {
    const BeepTone tone = BeepPatternTone(rule.beepPattern);
    StartBeeper(tone.frequency, tone.durationMs, 0);
    beeperRunning_ = true;
  }
  if (!soundPlaying_ && !beeperRunning_) ::EnableWindow(::GetDlgItem(hwnd_, IDC_ALERT_STOP_SOUND), FALSE);
  return TRUE;
}

void CNotificationDlg::RefreshTotal() {
  uint64_t total = input_.baseTotal;
  if (input_.connection)
    total += TransferBytes(input_.rule.transfer, input_.connection->todayIn, input_.connection->todayOut);
  const std::wstring text = RunningTotalText(input_.rule.transfer, total);
  if (text != ItemText(hwnd_, IDC_ALERT_TOTAL)) ::SetDlgItemTextW(hwnd_, IDC_ALERT_TOTAL, text.c_str());
}

std::optional<INT_PTR> CNotificationDlg::OnTimer(WPARAM wp, LPARAM) {
  if (wp != kRefreshTimer) return std::nullopt;
  RefreshTotal();
  return TRUE;
}

std::optional<INT_PTR> CNotificationDlg::OnCtlColorStatic(WPARAM wp, LPARAM lp) {
  const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lp));
  if (id != IDC_ALERT_MESSAGE && id != IDC_ALERT_TOTAL) return std::nullopt;
  HDC dc = reinterpret_cast<HDC>(wp);
  ::SetTextColor(dc, id == IDC_ALERT_MESSAGE ? kMessageColour : kTotalColour);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
}

std::optional<INT_PTR> CNotificationDlg::OnDestroy(WPARAM, LPARAM) {
  ::KillTimer(hwnd_, kRefreshTimer);
  StopSounds();
  return std::nullopt;
}

void CNotificationDlg::EnableMinutes() {
  const bool on = ::IsDlgButtonChecked(hwnd_, IDC_ALERT_REMIND) == BST_CHECKED;
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_ALERT_MINUTES), on);
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_ALERT_MINUTES_SPIN), on);
}

void CNotificationDlg::OnReminderChoice(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  EnableMinutes();
  if (id == IDC_ALERT_REMIND)
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd_, IDC_ALERT_MINUTES)), TRUE);
}

void CNotificationDlg::StopSounds() {
  if (soundPlaying_) ::PlaySoundW(nullptr, nullptr, 0);
  if (beeperRunning_) StopBeeper();
  soundPlaying_ = beeperRunning_ = false;
}

void CNotificationDlg::OnStopSound(WORD, WORD, HWND) {
  if (soundPlaying_) ::PlaySoundW(nullptr, nullptr, 0);
  StopBeeper();
  soundPlaying_ = beeperRunning_ = false;
  HWND button = ::GetDlgItem(hwnd_, IDC_ALERT_STOP_SOUND);
  if (::GetFocus() == button) ::SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
  ::EnableWindow(button, FALSE);
}

void CNotificationDlg::OnClose(WORD, WORD, HWND) {
  ReminderChoice choice;
  choice.type = ::IsDlgButtonChecked(hwnd_, IDC_ALERT_REMIND) == BST_CHECKED ? 1 : 0;
  BOOL read = FALSE;
  choice.minutes = static_cast<int32_t>(::GetDlgItemInt(hwnd_, IDC_ALERT_MINUTES, &read, TRUE));
  if (!read) choice.minutes = 0;
  const auto problem = CheckNumberBox(choice.minutes, kShortCountRange, IDC_ALERT_MINUTES,
                                      L"number of minutes up to the next alert",
                                      L"Minutes up to next alert should be greater than 0.");
  if (choice.type == 1 && problem) {
    messageBox_(hwnd_, problem->message, MB_OK | MB_ICONINFORMATION);
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd_, IDC_ALERT_MINUTES)), TRUE);
    return;
  }
  // With no reminder the minutes shown are kept as they were.
  if (choice.type == 1) input_.reminder.minutes = choice.minutes;
  input_.reminder.type = choice.type;
  StopSounds();
  closed_ = true;
  EndAsStarted(IDOK, true);
}
