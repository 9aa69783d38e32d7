#include "alerts/opt_notification_page_win.h"

#include <commdlg.h>
#include <mmsystem.h>

#include "alerts/beeper_win.h"
#include "alerts/email_settings_dlg_win.h"
#include "alerts/usage_alert.h"
#include "base/ids.h"
#include "base/text_util.h"
#include "res/resource.h"
#include "ui/code_page_win.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr int kPathChars = 259;
constexpr int kNumberChars = 63;

const wchar_t kMailSettingsQuestion[] =
    L"You have chosen to send notification email. But settings for email sending aren't set properly.\n"
    L"Do you want to set the settings now?";

// Which check box enables which controls.
const struct {
  int box;
  int controls[3];
} kSwitches[] = {
    {IDC_NOT_PLAY_SOUND, {IDC_NOT_SOUND_FILE, IDC_NOT_SOUND_BROWSE, IDC_NOT_TEST_SOUND}},
    {IDC_NOT_BEEP, {IDC_NOT_BEEP_PATTERN, IDC_NOT_TEST_BEEP, 0}},
    {IDC_NOT_SEND_MAIL, {IDC_NOT_RECIPIENTS, IDC_NOT_EMAIL_SETTINGS, 0}},
    {IDC_NOT_RUN_PROGRAM, {IDC_NOT_PROGRAM, IDC_NOT_PROGRAM_BROWSE, 0}},
};

}  // namespace

const COptNotificationPage::MsgEntry COptNotificationPage::kMessages[] = {
    {WM_INITDIALOG, &COptNotificationPage::OnInitDialog},
    {WM_NOTIFY, &COptNotificationPage::OnNotify},
    {WM_DESTROY, &COptNotificationPage::OnDestroy},
};

const COptNotificationPage::CmdEntry COptNotificationPage::kCommands[] = {
    {IDC_NOT_ENABLED, &COptNotificationPage::OnSwitchCmd},
    {IDC_NOT_PLAY_SOUND, &COptNotificationPage::OnSwitchCmd},
    {IDC_NOT_BEEP, &COptNotificationPage::OnSwitchCmd},
    {IDC_NOT_SEND_MAIL, &COptNotificationPage::OnSwitchCmd},
    {IDC_NOT_RUN_PROGRAM, &COptNotificationPage::OnSwitchCmd},
    {IDC_NOT_PERIOD, &COptNotificationPage::OnPeriodCmd},
    {IDC_NOT_SOUND_BROWSE, &COptNotificationPage::OnBrowseSoundCmd},
    {IDC_NOT_TEST_SOUND, &COptNotificationPage::OnTestSoundCmd},
    {IDC_NOT_TEST_BEEP, &COptNotificationPage::OnTestBeepCmd},
    {IDC_NOT_PROGRAM_BROWSE, &COptNotificationPage::OnBrowseProgramCmd},
    {IDC_NOT_EMAIL_SETTINGS, &COptNotificationPage::OnEmailSettingsCmd},
};

COptNotificationPage::COptNotificationPage(bool enabled, const AlertRule& rule, const EmailSettings& email,
                                           const std::vector<AdapterRow>& connections)
    : COptionPage(kPageNotification), enabled_(enabled), rule_(rule), email_(email), connections_(connections) {}

COptNotificationPage::~COptNotificationPage() = default;

PROPSHEETPAGEW COptNotificationPage::Record(HINSTANCE inst) { return PageRecord(inst, IDD_OPT_NOTIFICATION); }

bool COptNotificationPage::Checked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

std::wstring COptNotificationPage::Text(int id) const { return ItemText(hwnd_, id); }

std::optional<INT_PTR> COptNotificationPage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  ::CheckDlgButton(hwnd_, IDC_NOT_ENABLED, enabled_ ? BST_CHECKED : BST_UNCHECKED);

  Choices names;
  int selected = -1;
  for (size_t i = 0; i < connections_.size(); ++i) {
    const AdapterRow& row = connections_[i];
    names.push_back({row.name, static_cast<int32_t>(i)});
    const bool aggregate = row.kind == kKindAll || row.kind == kKindDialUp;
    if (selected < 0 && row.kind == rule_.kind && (aggregate || row.id == rule_.adapterId))
      selected = static_cast<int>(i);
  }
  if (selected < 0 && !connections_.empty()) selected = 0;
  FillList(hwnd_, IDC_NOT_CONNECTION, names, selected);

  ::SendDlgItemMessageW(hwnd_, IDC_NOT_NUMBER, EM_LIMITTEXT, kNumberChars, 0);
  ::SendDlgItemMessageW(hwnd_, IDC_NOT_NUMBER_SPIN, UDM_SETRANGE32, 0, 2147483647);
  ::SetDlgItemTextW(hwnd_, IDC_NOT_NUMBER, rule_.threshold.c_str());
  // A rule in an unknown unit shows none: the apply asks for one.
  FillList(hwnd_, IDC_NOT_UNIT, UnitChoices(), IndexOfData(UnitChoices(), rule_.unit, -1));
  FillList(hwnd_, IDC_NOT_TRANSFER, TransferChoices(), IndexOfData(TransferChoices(), rule_.transfer, -1));
  FillList(hwnd_, IDC_NOT_PERIOD, PeriodChoices(), IndexOfData(PeriodChoices(), rule_.period, -1));
  days_.Attach(::GetDlgItem(hwnd_, IDC_NOT_DAYS_SPIN), kShortCountRange.low, kShortCountRange.high);
  days_.SetValue(rule_.lastDays < 1 ? 1 : rule_.lastDays);  // a rule never stored has no day count yet

  for (int id : {IDC_NOT_SOUND_FILE, IDC_NOT_RECIPIENTS, IDC_NOT_PROGRAM})
    ::SendDlgItemMessageW(hwnd_, id, EM_LIMITTEXT, kPathChars, 0);
  ::CheckDlgButton(hwnd_, IDC_NOT_PLAY_SOUND, rule_.playSound ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_NOT_SOUND_FILE, rule_.soundFile.c_str());
  ::CheckDlgButton(hwnd_, IDC_NOT_BEEP, rule_.beep ? BST_CHECKED : BST_UNCHECKED);
  FillList(hwnd_, IDC_NOT_BEEP_PATTERN, BeepPatternChoices(),
           IndexOfData(BeepPatternChoices(), rule_.beepPattern, -1));
  ::CheckDlgButton(hwnd_, IDC_NOT_SEND_MAIL, rule_.sendMail ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_NOT_RECIPIENTS, rule_.recipients.c_str());
  ::CheckDlgButton(hwnd_, IDC_NOT_RUN_PROGRAM, rule_.runProgram ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_NOT_PROGRAM, rule_.program.c_str());
  EnableControls();
  filling_ = false;
  return TRUE;
}

void COptNotificationPage::EnableControls() {
  const bool on = Checked(IDC_NOT_ENABLED);
  for (int id : {IDC_NOT_CONNECTION, IDC_NOT_NUMBER, IDC_NOT_NUMBER_SPIN, IDC_NOT_UNIT, IDC_NOT_TRANSFER,
                 IDC_NOT_PERIOD, IDC_NOT_PLAY_SOUND, IDC_NOT_BEEP, IDC_NOT_SEND_MAIL, IDC_NOT_RUN_PROGRAM})
    ::EnableWindow(::GetDlgItem(hwnd_, id), on);
  const bool custom = on && SelectedData(hwnd_, IDC_NOT_PERIOD, -1) == kPeriodLastDays;
  for (int id : {IDC_NOT_DAYS, IDC_NOT_DAYS_SPIN, IDC_NOT_DAYS_LABEL}) ::EnableWindow(::GetDlgItem(hwnd_, id), custom);
  for (const auto& s : kSwitches) {
    const bool sub = on && Checked(s.box);
    for (int id : s.controls)
      if (id) ::EnableWindow(::GetDlgItem(hwnd_, id), sub);
  }
}

void COptNotificationPage::OnSwitchCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  EnableControls();
  SetModified();
}

void COptNotificationPage::OnPeriodCmd(WORD, WORD code, HWND) {
  if (code != CBN_SELCHANGE) return;
  EnableControls();
  SetModified();
}

bool COptNotificationPage::OnOtherCommand(WORD, WORD code, HWND) {
  const bool change = code == CBN_SELCHANGE || code == EN_CHANGE;
  if (change) SetModified();
  return change;
}

std::optional<INT_PTR> COptNotificationPage::OnNotify(WPARAM, LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->code == PSN_KILLACTIVE) StopBeeper();  // and the page may be left
  const std::optional<INT_PTR> result = OnSheetNotify(lp);
  if (header->code == PSN_APPLY) mailQuestionAsked_ = false;
  return result;
}

std::optional<INT_PTR> COptNotificationPage::OnDestroy(WPARAM, LPARAM) {
  StopBeeper();
  return std::nullopt;
}

void COptNotificationPage::OnBrowseSoundCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  std::wstring path;
  if (!ChooseFile(hwnd_, L"Wave File (*.wav)|*.wav", path, nullptr, L"", L"wav",
                  OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, true, ModuleDirectory().value_or(L"")))
    return;
  ::SetDlgItemTextW(hwnd_, IDC_NOT_SOUND_FILE, path.c_str());
}

void COptNotificationPage::OnBrowseProgramCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  std::wstring path;
  if (!ChooseFile(hwnd_, L"Executable File (*.exe)|*.exe|All File (*.*)|*.*", path, nullptr, L"", L"exe",
                  OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, true))
    return;
  ::SetDlgItemTextW(hwnd_, IDC_NOT_PROGRAM, path.c_str());
}

void COptNotificationPage::OnTestSoundCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  const std::wstring path = Text(IDC_NOT_SOUND_FILE);
  if (path.empty()) return;
  if (!IsPlayableWav(path, IsExistingFile)) {
    Message(NotAWavText(path), MB_OK | MB_ICONWARNING);
    return;
  }
  ::PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC);
}

void COptNotificationPage::OnTestBeepCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  const int32_t pattern = SelectedData(hwnd_, IDC_NOT_BEEP_PATTERN, -1);
  if (pattern < 0) return;
  const BeepTone tone = BeepPatternTone(pattern);
  StartBeeper(tone.frequency, tone.durationMs, 5);
}

void COptNotificationPage::RunEmailSettings() {
  CEmailSettingsDlg dialog(email_);
  dialog.SetMessageBox([this](HWND, const std::wstring& text, UINT type) { return Message(text, type); });
  if (dialog.Run(hwnd_) != IDOK) return;
  email_ = dialog.settings();
  SetModified();
}

void COptNotificationPage::OnEmailSettingsCmd(WORD, WORD code, HWND) {
  if (code == BN_CLICKED) RunEmailSettings();
}

NotificationPageValues COptNotificationPage::ReadControls() const {
  NotificationPageValues v;
  v.connection = SelectedData(hwnd_, IDC_NOT_CONNECTION, -1);
  v.number = Text(IDC_NOT_NUMBER);
  v.unit = SelectedData(hwnd_, IDC_NOT_UNIT, -1);
  v.transfer = SelectedData(hwnd_, IDC_NOT_TRANSFER, -1);
  v.period = SelectedData(hwnd_, IDC_NOT_PERIOD, -1);
  v.lastDays = NumberOf(days_);
  v.playSound = Checked(IDC_NOT_PLAY_SOUND);
  v.soundFile = Text(IDC_NOT_SOUND_FILE);
  v.beep = Checked(IDC_NOT_BEEP);
  v.beepPattern = SelectedData(hwnd_, IDC_NOT_BEEP_PATTERN, -1);
  v.sendMail = Checked(IDC_NOT_SEND_MAIL);
  v.recipients = Text(IDC_NOT_RECIPIENTS);
  v.runProgram = Checked(IDC_NOT_RUN_PROGRAM);
  v.program = Text(IDC_NOT_PROGRAM);
  return v;
}

std::optional<PageProblem> COptNotificationPage::ReadAndCheck() {
  enabled_ = Checked(IDC_NOT_ENABLED);
  if (!enabled_) return std::nullopt;
  const NotificationPageValues v = ReadControls();
  if (auto problem = CheckNotificationPage(v, IsExistingFile, ToSystemCodePage)) return problem;
  // Incomplete mail settings are offered for editing; the answer never blocks the apply.
  if (v.sendMail && !EmailSettingsComplete(email_) && !mailQuestionAsked_) {
    mailQuestionAsked_ = true;
    if (Message(kMailSettingsQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) RunEmailSettings();
  }
  TakeNotificationValues(rule_, v, connections_[static_cast<size_t>(v.connection)]);
  return std::nullopt;
}
