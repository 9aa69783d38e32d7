#include "settings/opt_adapters_page_win.h"

#include "base/ids.h"
#include "res/resource.h"
#include "ui/window_util_win.h"

namespace {

// Posted on a click or key in the list: it arrives after the check box changed.
constexpr UINT WM_COMPARE_CHECKS = WM_APP + 1;

constexpr int kSpecifySpeedIndex = 15;
constexpr int kMaxAdapterNameChars = 64;  // as the page's hint says

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

const COptAdaptersPage::MsgEntry COptAdaptersPage::kMessages[] = {
    {WM_INITDIALOG, &COptAdaptersPage::OnInitDialog},
    {WM_NOTIFY, &COptAdaptersPage::OnNotify},
    {WM_REPORT_LIST_SORTED, &COptAdaptersPage::OnListSorted},
    {WM_COMPARE_CHECKS, &COptAdaptersPage::OnCompareChecks},
};

const COptAdaptersPage::CmdEntry COptAdaptersPage::kCommands[] = {
    {IDC_ADP_SPEED, &COptAdaptersPage::OnSpeedCmd},
    {IDC_ADP_CUSTOM_SPEED, &COptAdaptersPage::OnCustomSpeedCmd},
    {IDC_ADP_NAME, &COptAdaptersPage::OnNameCmd},
    {IDC_ADP_RESET, &COptAdaptersPage::OnResetCmd},
    {IDC_ADP_TRAY_ICON, &COptAdaptersPage::OnTrayIconCmd},
    {IDC_ADP_TRAY_GRAPH, &COptAdaptersPage::OnTrayOptionCmd},
    {IDC_ADP_TRAY_NAME, &COptAdaptersPage::OnTrayOptionCmd},
    {IDC_ADP_TRAY_IP, &COptAdaptersPage::OnTrayOptionCmd},
    {IDC_ADP_TRAY_LIST, &COptAdaptersPage::OnTrayOptionCmd},
};

COptAdaptersPage::COptAdaptersPage(RowsFn liveRows, const TrayChoice& tray)
    : COptionPage(kPageAdapters), liveRows_(std::move(liveRows)), rows_(liveRows_()), tray_(tray) {}

PROPSHEETPAGEW COptAdaptersPage::Record(HINSTANCE inst) { return PageRecord(inst, IDD_OPT_ADAPTERS); }

std::optional<INT_PTR> COptAdaptersPage::OnInitDialog(WPARAM, LPARAM) {
  UseDialogFont();
  filling_ = true;
  list_.Attach(::GetDlgItem(hwnd_, IDC_ADP_LIST));
  ListView_SetExtendedListViewStyleEx(list_.hwnd(), LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
  list_.AddColumn(0, L"No.", 40, LVCFMT_LEFT, kSortNumber);
  list_.AddColumn(1, L"Name", 200, LVCFMT_LEFT, kSortText);
  list_.AddColumn(2, L"IP", 110, LVCFMT_LEFT, kSortText);
  FillRows();
  FillList(hwnd_, IDC_ADP_SPEED, SpeedChoices(), -1);

  int tray = TrayRowIndex(rows_, tray_.kind, tray_.id);
  if (tray < 0) {
    tray_.kind = 100;
    tray_.id.clear();
    tray = 0;
  }
  FillTrayList(tray);
  ::CheckDlgButton(hwnd_, IDC_ADP_TRAY_ICON, tray_.showIcon ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_ADP_TRAY_GRAPH, tray_.showGraph ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_ADP_TRAY_NAME, tray_.showName ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_ADP_TRAY_IP, tray_.showIp ? BST_CHECKED : BST_UNCHECKED);
  EnableTrayOptions();

  ::SendDlgItemMessageW(hwnd_, IDC_ADP_CUSTOM_SPEED, EM_LIMITTEXT, 19, 0);
  ::SendDlgItemMessageW(hwnd_, IDC_ADP_NAME, EM_LIMITTEXT, kMaxAdapterNameChars, 0);
  customSpeed_.Attach(::GetDlgItem(hwnd_, IDC_ADP_CUSTOM_SPEED_SPIN), 0, static_cast<int32_t>(kMaxSpeed));
  ShowSelectedRow();
  filling_ = false;
  return TRUE;
}

void COptAdaptersPage::FillRows() {
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.DeleteAll();
  for (size_t i = 0; i < rows_.size(); ++i) {
    const int row = list_.AddRow({std::to_wstring(i + 1), rows_[i].name, Widen(rows_[i].ipAddress)},
                                 static_cast<LPARAM>(i));
    ListView_SetCheckState(list_.hwnd(), row, rows_[i].monitored);
  }
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_.hwnd(), nullptr, TRUE);
}

void COptAdaptersPage::FillTrayList(int select) {
  HWND tray = ::GetDlgItem(hwnd_, IDC_ADP_TRAY_LIST);
  ::SendMessageW(tray, WM_SETREDRAW, FALSE, 0);
  Choices names;
  for (size_t i = 0; i < rows_.size(); ++i) names.push_back({rows_[i].name, static_cast<int32_t>(i)});
  FillList(hwnd_, IDC_ADP_TRAY_LIST, names, select);
  ::SendMessageW(tray, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(tray, nullptr, TRUE);
}

int COptAdaptersPage::SelectedRow() const {
  const int row = ListView_GetNextItem(list_.hwnd(), -1, LVNI_SELECTED);
  return row < 0 ? -1 : static_cast<int>(list_.Data(row));
}

bool COptAdaptersPage::Checked(int listRow) const { return ListView_GetCheckState(list_.hwnd(), listRow) != 0; }

void COptAdaptersPage::ShowSelectedRow() {
  const bool wasFilling = filling_;
  filling_ = true;
  const int r = SelectedRow();
  HWND name = ::GetDlgItem(hwnd_, IDC_ADP_NAME);
  ::SetWindowTextW(name, r < 0 ? L"" : rows_[static_cast<size_t>(r)].name.c_str());
  ::EnableWindow(name, r >= 0);
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_ADP_SPEED), r >= 0);
  int speedIndex = -1;
  if (r >= 0) speedIndex = IndexOfData(SpeedChoices(), static_cast<int32_t>(rows_[static_cast<size_t>(r)].speed),
                                       kSpecifySpeedIndex);
  ::SendDlgItemMessageW(hwnd_, IDC_ADP_SPEED, CB_SETCURSEL, static_cast<WPARAM>(speedIndex), 0);
  const bool custom = speedIndex == kSpecifySpeedIndex;
  customSpeed_.SetValue(custom ? static_cast<int32_t>(rows_[static_cast<size_t>(r)].speed) : 0);
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_ADP_CUSTOM_SPEED), custom);
  ::EnableWindow(customSpeed_.hwnd(), custom);
  filling_ = wasFilling;
}

void COptAdaptersPage::EnableTrayOptions() {
  const bool on = ::IsDlgButtonChecked(hwnd_, IDC_ADP_TRAY_ICON) == BST_CHECKED;
  for (int id : {IDC_ADP_TRAY_GRAPH, IDC_ADP_TRAY_LIST, IDC_ADP_TRAY_NAME, IDC_ADP_TRAY_IP})
    ::EnableWindow(::GetDlgItem(hwnd_, id), on);
}

std::optional<INT_PTR> COptAdaptersPage::OnNotify(WPARAM, LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->hwndFrom != list_.hwnd()) return OnSheetNotify(lp);
  if (list_.OnNotify(header)) return TRUE;
  switch (header->code) {
    case NM_CLICK:
    case LVN_KEYDOWN:
      ::PostMessageW(hwnd_, WM_COMPARE_CHECKS, 0, 0);
      break;
    case LVN_ITEMCHANGED: {
      if (filling_) break;
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
      if (!(change->uChanged & LVIF_STATE)) break;
      const UINT flipped = change->uNewState ^ change->uOldState;
      if (flipped & LVIS_SELECTED) ShowSelectedRow();
      if (flipped & LVIS_STATEIMAGEMASK) ::PostMessageW(hwnd_, WM_COMPARE_CHECKS, 0, 0);
      break;
    }
  }
  return std::nullopt;
}

std::optional<INT_PTR> COptAdaptersPage::OnCompareChecks(WPARAM, LPARAM) {
  for (int row = 0; row < list_.Count(); ++row)
    if (Checked(row) != rows_[static_cast<size_t>(list_.Data(row))].monitored) {
      SetModified();
      break;
    }
  return TRUE;
}

std::optional<INT_PTR> COptAdaptersPage::OnListSorted(WPARAM, LPARAM) {
  for (int row = 0; row < list_.Count(); ++row) list_.SetTextIfChanged(row, 0, std::to_wstring(row + 1));
  return TRUE;
}

void COptAdaptersPage::OnSpeedCmd(WORD, WORD code, HWND) {
  if (code != CBN_SELCHANGE || filling_) return;
  const int r = SelectedRow();
  const int32_t data = SelectedData(hwnd_, IDC_ADP_SPEED, 0);
  const bool custom = data == kSpecifySpeed;
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_ADP_CUSTOM_SPEED), custom);
  ::EnableWindow(customSpeed_.hwnd(), custom);
  if (custom) {
    customSpeed_.SetValue(0);  // the box's change gives the connection this speed
  } else if (r >= 0) {
    rows_[static_cast<size_t>(r)].speed = static_cast<uint32_t>(data);
  }
  SetModified();
}

void COptAdaptersPage::OnCustomSpeedCmd(WORD, WORD code, HWND control) {
  if (code != EN_CHANGE || filling_) return;
  const int r = SelectedRow();
  if (r < 0 || SelectedData(hwnd_, IDC_ADP_SPEED, 0) != kSpecifySpeed) return;
  rows_[static_cast<size_t>(r)].speed = ParseSpeedText(ControlText(::GetDlgItem(hwnd_, IDC_ADP_CUSTOM_SPEED)));
  SetModified();
}

void COptAdaptersPage::OnNameCmd(WORD, WORD code, HWND) {
  if (code != EN_CHANGE || filling_) return;
  const int row = ListView_GetNextItem(list_.hwnd(), -1, LVNI_SELECTED);
  if (row < 0) return;
  const std::wstring name = ControlText(::GetDlgItem(hwnd_, IDC_ADP_NAME));
  rows_[static_cast<size_t>(list_.Data(row))].name = name;
  list_.SetTextIfChanged(row, 1, name);
  SetModified();
}

void COptAdaptersPage::OnResetCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  const int traySelection = static_cast<int>(::SendDlgItemMessageW(hwnd_, IDC_ADP_TRAY_LIST, CB_GETCURSEL, 0, 0));
  filling_ = true;
  rows_ = liveRows_();
  for (AdapterRow& row : rows_)
    if (!row.systemName.empty()) row.name = row.systemName;
  FillRows();
  FillTrayList(traySelection);
  ShowSelectedRow();
  filling_ = false;
  SetModified();
}

void COptAdaptersPage::OnTrayIconCmd(WORD, WORD code, HWND) {
  if (code != BN_CLICKED) return;
  EnableTrayOptions();
  SetModified();
}

void COptAdaptersPage::OnTrayOptionCmd(WORD, WORD code, HWND) {
  if (code == BN_CLICKED || code == CBN_SELCHANGE) SetModified();
}

std::optional<PageProblem> COptAdaptersPage::ReadAndCheck() {
  tray_.showIcon = ::IsDlgButtonChecked(hwnd_, IDC_ADP_TRAY_ICON) == BST_CHECKED;
  tray_.showGraph = ::IsDlgButtonChecked(hwnd_, IDC_ADP_TRAY_GRAPH) == BST_CHECKED;
  tray_.showName = ::IsDlgButtonChecked(hwnd_, IDC_ADP_TRAY_NAME) == BST_CHECKED;
  tray_.showIp = ::IsDlgButtonChecked(hwnd_, IDC_ADP_TRAY_IP) == BST_CHECKED;
  const int32_t tray = SelectedData(hwnd_, IDC_ADP_TRAY_LIST, -1);
  std::vector<int> order;
  for (int row = 0; row < list_.Count(); ++row) {
    const int index = static_cast<int>(list_.Data(row));
    rows_[static_cast<size_t>(index)].monitored = Checked(row);
    order.push_back(index);
  }
  if (auto problem = CheckAdaptersPage(rows_, order, tray_.showIcon, tray)) return problem;
  if (tray >= 0) {
    tray_.kind = rows_[static_cast<size_t>(tray)].kind;
    tray_.id = rows_[static_cast<size_t>(tray)].id;
  }
  return std::nullopt;
}
