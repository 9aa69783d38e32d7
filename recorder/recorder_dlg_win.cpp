#include "recorder/recorder_dlg_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include "base/text_util.h"
#include "base/utf16.h"
#include "recorder/recording_file_win.h"
#include "res/resource.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"

namespace {

std::wstring IntervalCell(int32_t interval) { return std::to_wstring(interval) + L" sec."; }

// Appends the extension of the chosen filter unless the name already ends in it.
std::wstring WithExtension(std::wstring name, const wchar_t* extension) {
  if (!EqualNoCase(FileExtensionOf(name), extension)) name += extension;
  return name;
}

}  // namespace

const CRecorderDlg::MsgEntry CRecorderDlg::kMessages[] = {
    {WM_INITDIALOG, &CRecorderDlg::OnInitDialog},
    {WM_NOTIFY, &CRecorderDlg::OnNotify},
};

const CRecorderDlg::CmdEntry CRecorderDlg::kCommands[] = {
    {IDC_REC_RECORD, &CRecorderDlg::OnRecord},
    {IDC_REC_INTERVAL, &CRecorderDlg::OnInterval},
    {IDC_REC_FILE, &CRecorderDlg::OnFile},
    {IDC_REC_NUMBER_ONLY, &CRecorderDlg::OnNumberMode},
    {IDC_REC_WITH_UNITS, &CRecorderDlg::OnNumberMode},
    {IDC_REC_BROWSE, &CRecorderDlg::OnBrowse},
    {IDOK, &CRecorderDlg::OnOk},
    {IDCANCEL, &CRecorderDlg::OnCancel},
};

CRecorderDlg::CRecorderDlg(std::vector<std::wstring> names, std::vector<RecorderSettings> rows, HINSTANCE inst)
    : AppDialog(inst), names_(std::move(names)), rows_(std::move(rows)) {}

std::optional<INT_PTR> CRecorderDlg::OnInitDialog(WPARAM, LPARAM) {
  HICON big = nullptr, small = nullptr;
  MakeAppWindow(hwnd_, inst_, IDI_APP, big, small);
  bigIcon_.reset(big);
  smallIcon_.reset(small);

  list_.Attach(::GetDlgItem(hwnd_, IDC_REC_LIST));
  list_.AddColumn(0, L"Name", 200, LVCFMT_LEFT, kSortText);
  list_.AddColumn(1, L"Record", 50, LVCFMT_LEFT, kSortText);
  list_.AddColumn(2, L"Interval", 60, LVCFMT_RIGHT, kSortNumber);
  list_.AddColumn(3, L"File", 200, LVCFMT_LEFT, kSortText);
  loading_ = true;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const int row = list_.AddRow({i < names_.size() ? names_[i] : std::wstring(), L"", L"", L""}, static_cast<LPARAM>(i));
    ShowCells(row);
  }
  interval_.Attach(::GetDlgItem(hwnd_, IDC_REC_INTERVAL_SPIN), kShortCountRange.low, kShortCountRange.high);
  loading_ = false;
  ShowSelectedRow();
  return TRUE;
}

void CRecorderDlg::ShowCells(int listRow) {
  const RecorderSettings& r = rows_[static_cast<size_t>(list_.Data(listRow))];
  list_.SetTextIfChanged(listRow, 1, r.enabled ? L"Yes" : L"No");
  list_.SetTextIfChanged(listRow, 2, r.enabled ? IntervalCell(r.interval) : L"");
  list_.SetTextIfChanged(listRow, 3, r.enabled ? r.file : L"");
}

int CRecorderDlg::SelectedListRow() const { return ListView_GetNextItem(list_.hwnd(), -1, LVNI_SELECTED); }

RecorderSettings* CRecorderDlg::SelectedSettings() {
  const int row = SelectedListRow();
  return row < 0 ? nullptr : &rows_[static_cast<size_t>(list_.Data(row))];
}

void CRecorderDlg::EnableRowControls(bool rowSelected, bool recording) {
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_REC_RECORD), rowSelected);
  for (int id : {IDC_REC_INTERVAL, IDC_REC_INTERVAL_SPIN, IDC_REC_FILE, IDC_REC_BROWSE, IDC_REC_NUMBER_ONLY,
                 IDC_REC_WITH_UNITS})
    ::EnableWindow(::GetDlgItem(hwnd_, id), rowSelected && recording);
}

void CRecorderDlg::ShowSelectedRow() {
  loading_ = true;
  const RecorderSettings* r = SelectedSettings();
  ::CheckDlgButton(hwnd_, IDC_REC_RECORD, r && r->enabled ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_REC_INTERVAL, r ? std::to_wstring(r->interval).c_str() : L"");
  ::SetDlgItemTextW(hwnd_, IDC_REC_FILE, r ? r->file.c_str() : L"");
  ::CheckDlgButton(hwnd_, IDC_REC_NUMBER_ONLY, r && r->numberOnly ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_REC_WITH_UNITS, r && !r->numberOnly ? BST_CHECKED : BST_UNCHECKED);
  EnableRowControls(r != nullptr, r && r->enabled);
  loading_ = false;
}

std::optional<INT_PTR> CRecorderDlg::OnNotify(WPARAM, LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->hwndFrom != list_.hwnd()) return std::nullopt;
  if (list_.OnNotify(header)) return TRUE;
  if (header->code == LVN_ITEMCHANGED && !loading_) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
    if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
      ShowSelectedRow();
  }
  return std::nullopt;
}

void CRecorderDlg::OnRecord(WORD, WORD code, HWND) {
  RecorderSettings* r = SelectedSettings();
  if (code != BN_CLICKED || !r) return;
  r->enabled = ::IsDlgButtonChecked(hwnd_, IDC_REC_RECORD) == BST_CHECKED;
  ShowCells(SelectedListRow());
  ShowSelectedRow();
}

void CRecorderDlg::OnInterval(WORD, WORD code, HWND control) {
  RecorderSettings* r = SelectedSettings();
  if (code != EN_CHANGE || loading_ || !r || !r->enabled) return;
  r->interval = _wtoi(ControlText(control).c_str());
  ShowCells(SelectedListRow());
}

void CRecorderDlg::OnFile(WORD, WORD code, HWND control) {
  RecorderSettings* r = SelectedSettings();
  if (code != EN_CHANGE || loading_ || !r || !r->enabled) return;
  r->file = ControlText(control);
  ShowCells(SelectedListRow());
}

void CRecorderDlg::OnNumberMode(WORD id, WORD code, HWND) {
  RecorderSettings* r = SelectedSettings();
  if (code != BN_CLICKED || loading_ || !r || !r->enabled) return;
  r->numberOnly = id == IDC_REC_NUMBER_ONLY;
}

void CRecorderDlg::OnBrowse(WORD, WORD, HWND) {
  RecorderSettings* r = SelectedSettings();
  if (!r || !r->enabled) return;
  std::wstring name;
  if (!ChooseFile(hwnd_, L"Text File (*.txt)|*.txt|Microsoft Excel (*.csv)|*.csv", name, &filterIndex_, L"", L"",
                  OFN_EXPLORER | OFN_HIDEREADONLY, false, {}, r->file))
    return;
  name = WithExtension(std::move(name), filterIndex_ == 2 ? L".csv" : L".txt");
  ::SetDlgItemTextW(hwnd_, IDC_REC_FILE, name.c_str());  // its change notice takes it into the row
}

void CRecorderDlg::OnOk(WORD, WORD, HWND) {
  // The rows in the list's order, which the user may have sorted.
  std::vector<RecorderSettings> ordered;
  for (int row = 0; row < list_.Count(); ++row) ordered.push_back(rows_[static_cast<size_t>(list_.Data(row))]);
  const RecorderProblem problem = CheckRecorderRows(ordered, WindowsFolder(), &CanCreateRecordingFile);
  if (problem.row >= 0) {
    ListView_SetItemState(list_.hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_.hwnd(), problem.row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_.hwnd(), problem.row, FALSE);
    ::SetFocus(list_.hwnd());
    messageBox_(hwnd_, problem.message, MB_OK | MB_ICONWARNING);
    return;
  }
  Finish(IDOK);
}

void CRecorderDlg::OnCancel(WORD, WORD, HWND) { Finish(IDCANCEL); }

void CRecorderDlg::Finish(INT_PTR result) {
  result_ = result;
  EndAsStarted(result);
}
