#include "settings/opt_general_page_win.h"

#include "base/format.h"
#include "base/ids.h"
#include "res/resource.h"

const COptGeneralPage::MsgEntry COptGeneralPage::kMessages[] = {
    {WM_INITDIALOG, &COptGeneralPage::OnInitDialog},
    {WM_NOTIFY, &COptGeneralPage::OnNotify},
};

const COptGeneralPage::CmdEntry COptGeneralPage::kCommands[] = {
    {IDC_GEN_SEMI_TRANSPARENT, &COptGeneralPage::OnTransparentCmd},
    {IDC_GEN_EXPLAIN_BYTES, &COptGeneralPage::OnExplainCmd},
    {IDC_GEN_EXPLAIN_BITS, &COptGeneralPage::OnExplainCmd},
};

COptGeneralPage::COptGeneralPage(const MeterSettings& values, bool canSetTransparency)
    : COptionPage(kPageGeneral), values_(values), canSetTransparency_(canSetTransparency) {}

PROPSHEETPAGEW COptGeneralPage::Record(HINSTANCE inst) { return PageRecord(inst, IDD_OPT_GENERAL); }

std::optional<INT_PTR> COptGeneralPage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  for (const CheckOption& c : GeneralChecks())
    ::CheckDlgButton(hwnd_, c.control, values_.*c.option ? BST_CHECKED : BST_UNCHECKED);
  ::CheckRadioButton(hwnd_, IDC_GEN_UNIT_BYTES, IDC_GEN_UNIT_BITS,
                     values_.displayUnitByte ? IDC_GEN_UNIT_BYTES : IDC_GEN_UNIT_BITS);
  FillList(hwnd_, IDC_GEN_HOTKEY_CHAR, HotkeyChoices(), IndexOfData(HotkeyChoices(), values_.hotkeyChar, -1));
  FillList(hwnd_, IDC_GEN_WEEK_START, WeekDayChoices(), IndexOfData(WeekDayChoices(), values_.weekStartDay, -1));
  FillList(hwnd_, IDC_GEN_MONTH_START, MonthDayChoices(), IndexOfData(MonthDayChoices(), values_.monthStartDay, -1));
  FillList(hwnd_, IDC_GEN_DATE_FORMAT, DateFormatChoices(), IndexOfData(DateFormatChoices(), values_.dateFormat, 0));
  if (canSetTransparency_) {
    const Choices percents = TransparencyChoices();
    FillList(hwnd_, IDC_GEN_TRANSPARENCY, percents,
             IndexOfData(percents, values_.transparentPercent, kTransparencyFallbackIndex));
    EnableTransparencyList();
  } else {
    for (int id : {IDC_GEN_SEMI_TRANSPARENT, IDC_GEN_TRANSPARENCY, IDC_GEN_CLICK_THROUGH})
      ::EnableWindow(::GetDlgItem(hwnd_, id), FALSE);
  }
  margins_.Attach(::GetDlgItem(hwnd_, IDC_GEN_MARGINS_SPIN), kMarginsRange.low, kMarginsRange.high);
  margins_.SetValue(values_.rateViewMargins);
  backupDays_.Attach(::GetDlgItem(hwnd_, IDC_GEN_BACKUP_DAYS_SPIN), 0, kMaxLogBackupDays);
  backupDays_.SetValue(values_.logBackupDays);
  filling_ = false;
  return TRUE;
}

void COptGeneralPage::EnableTransparencyList() {
  const bool on = canSetTransparency_ && ::IsDlgButtonChecked(hwnd_, IDC_GEN_SEMI_TRANSPARENT) == BST_CHECKED;
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_GEN_TRANSPARENCY), on);
}

void COptGeneralPage::OnTransparentCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  EnableTransparencyList();
  SetModified();
}

void COptGeneralPage::OnExplainCmd(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  Message(id == IDC_GEN_EXPLAIN_BYTES ? kUnitExplanationBytes : kUnitExplanationBits, MB_OK | MB_ICONINFORMATION);
}

bool COptGeneralPage::OnOtherCommand(WORD, WORD code, HWND) {
  if (code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE) SetModified();
  return code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE;
}

std::optional<INT_PTR> COptGeneralPage::OnNotify(WPARAM, LPARAM lp) { return OnSheetNotify(lp); }

std::optional<PageProblem> COptGeneralPage::ReadAndCheck() {
  MeterSettings v = values_;
  for (const CheckOption& c : GeneralChecks())
    v.*c.option = ::IsDlgButtonChecked(hwnd_, c.control) == BST_CHECKED ? 1 : 0;
  v.displayUnitByte = ::IsDlgButtonChecked(hwnd_, IDC_GEN_UNIT_BYTES) == BST_CHECKED ? 1 : 0;
  v.rateViewMargins = NumberOf(margins_);
  // An empty or unreadable box counts as out of range, so Apply names the range.
  v.logBackupDays = NumberOf(backupDays_);
  const int32_t percent = SelectedData(hwnd_, IDC_GEN_TRANSPARENCY, -1);
  if (auto problem = CheckGeneralPage(v, canSetTransparency_, percent >= 0)) return problem;
  if (canSetTransparency_) v.transparentPercent = percent;
  v.weekStartDay = SelectedData(hwnd_, IDC_GEN_WEEK_START, v.weekStartDay);
  v.monthStartDay = SelectedData(hwnd_, IDC_GEN_MONTH_START, v.monthStartDay);
  v.hotkeyChar = SelectedData(hwnd_, IDC_GEN_HOTKEY_CHAR, 'N');
  v.dateFormat = SelectedData(hwnd_, IDC_GEN_DATE_FORMAT, kDateMonthDayYearSlash);
  values_ = v;
  return std::nullopt;
}
