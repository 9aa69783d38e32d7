#include "trafficlog/sum_list_page_win.h"

#include "res/resource.h"
#include "ui/window_util_win.h"

namespace {

constexpr COLORREF kRed = RGB(238, 0, 0);

}  // namespace

const CSumListPage::MsgEntry CSumListPage::kMessages[] = {
    {WM_INITDIALOG, &CSumListPage::OnInitDialog},
    {WM_NOTIFY, &CSumListPage::OnNotify},
    {WM_TIMER, &CSumListPage::OnTimer},
    {WM_REPORT_LIST_SORTED, &CSumListPage::OnSorted},
    {WM_SUM_CONNECTION_CHANGED, &CSumListPage::OnConnectionChanged},
    {WM_LOG_CLEARED, &CSumListPage::OnClear},
    {WM_SUM_EXPORT, &CSumListPage::OnExport},
    {WM_CTLCOLORSTATIC, &CSumListPage::OnCtlColorStatic},
    {WM_DESTROY, &CSumListPage::OnDestroy},
};
// Every command of the page comes from its list's notifications; the table has no real entry.
const CSumListPage::CmdEntry CSumListPage::kCommands[] = {{0xFFFF, &CSumListPage::OnNoCommand}};

PROPSHEETPAGEW CSumListPage::Page(HINSTANCE inst) {
  return PageRecord(inst, view_ == ReportView::Daily ? IDD_SUM_DAILY : view_ == ReportView::Weekly ? IDD_SUM_WEEKLY : IDD_SUM_MONTHLY);
}


ReportKind CSumListPage::Kind() const {
  return view_ == ReportView::Daily ? ReportKind::Daily : view_ == ReportView::Weekly ? ReportKind::Weekly
                                                                                      : ReportKind::Monthly;
}

std::optional<INT_PTR> CSumListPage::OnInitDialog(WPARAM, LPARAM) {
  list_.Attach(::GetDlgItem(hwnd_, IDC_SUM_LIST));
  const int dateKind = DateSortKind(ctx_.in.options.dateFormat);
  if (view_ == ReportView::Daily) {
    list_.AddColumn(0, L"Date", 95, LVCFMT_LEFT, dateKind);
    list_.AddColumn(1, L"Day", 95, LVCFMT_LEFT, kSortText);
  } else {
    list_.AddColumn(0, L"#", 30, LVCFMT_LEFT, kSortNumber);
    list_.AddColumn(1, view_ == ReportView::Weekly ? L"Week" : L"Month", 160, LVCFMT_CENTER, dateKind);
  }
  list_.AddColumn(2, L"Downloaded", 100, LVCFMT_RIGHT, kSortByteCount);
  list_.AddColumn(3, L"Uploaded", 100, LVCFMT_RIGHT, kSortByteCount);
  list_.AddColumn(4, L"Both", 100, LVCFMT_RIGHT, kSortByteCount);
  Load();
  ::SetTimer(hwnd_, kSumRefreshTimer, 1000, nullptr);
  if (view_ == ReportView::Weekly)
    ::SetDlgItemTextW(hwnd_, IDC_SUM_WEEK_START, WeekStartLabel(ctx_.in.options.weekStartDay).c_str());
  if (view_ == ReportView::Monthly)
    ::SetDlgItemTextW(hwnd_, IDC_SUM_MONTH_START, MonthStartLabel(ctx_.in.options.monthStartDay).c_str());
  UseDialogFont();
  return TRUE;
}

void CSumListPage::Load() {
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  loaded_ = ctx_.in.selected;
  entry_ = ctx_.Entry(loaded_);
  const LocalTime now = ctx_.env.now();
  switch (view_) {
    case ReportView::Daily: rows_ = BuildDailyRows(ctx_.in.log, loaded_, now, ctx_.in.options, Live()); break;
    case ReportView::Weekly: rows_ = BuildWeeklyRows(ctx_.in.log, loaded_, now, ctx_.in.options, Live()); break;
    case ReportView::Monthly: rows_ = BuildMonthlyRows(ctx_.in.log, loaded_, now, ctx_.in.options, Live()); break;
  }
  Fill();
  ::SetCursor(old);
}

void CSumListPage::Fill() {
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.DeleteAll();
  list_.Reserve(static_cast<int>(rows_.rows.size()));
  std::vector<std::wstring> texts(5);
  for (size_t i = 0; i < rows_.rows.size(); ++i) {
    for (int c = 0; c < 5; ++c) texts[c] = rows_.rows[i].text[c];
    list_.AddRow(texts, static_cast<LPARAM>(i));
  }
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_.hwnd(), nullptr, TRUE);
  FindCurrentRow();
  UpdateSelectionLabel();
}

void CSumListPage::FindCurrentRow() {
  currentListRow_ = rows_.currentIndex >= 0 ? list_.FindData(rows_.currentIndex) : -1;
}

void CSumListPage::Refresh() {
  if (currentListRow_ < 0) return;
  for (int column : RefreshCurrentRow(rows_, Live()))
    list_.SetTextIfChanged(currentListRow_, column, rows_.rows[rows_.currentIndex].text[column].str());
}

void CSumListPage::UpdateSelectionLabel() {
  int count = 0;
  Traffic sum;
  for (int i = -1; (i = ListView_GetNextItem(list_.hwnd(), i, LVNI_SELECTED)) >= 0;) {
    const LPARAM data = list_.Data(i);
    if (data < 0 || data >= static_cast<LPARAM>(rows_.rows.size())) continue;
    const ReportRow& row = rows_.rows[static_cast<size_t>(data)];
    // The current period counts with its value at this moment.
    sum += row.current ? CurrentRowValue(rows_, Live()) : row.value;
    ++count;
  }
  ::SetDlgItemTextW(hwnd_, IDC_SUM_SELECTION, SelectionLabel(count, sum).c_str());
}

std::optional<INT_PTR> CSumListPage::OnNotify(WPARAM, LPARAM lp) {
  const auto* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->hwndFrom == list_.hwnd()) {
    if (list_.OnNotify(header)) return TRUE;
    if (header->code == LVN_ITEMCHANGED && (reinterpret_cast<const NMLISTVIEW*>(lp)->uChanged & LVIF_STATE))
      UpdateSelectionLabel();
    return std::nullopt;
  }
  switch (header->code) {
    case PSN_SETACTIVE:
      active_ = true;
      if (!SameConnection(loaded_, ctx_.in.selected)) Load();
      else Refresh();
      return SetDialogResult(hwnd_, 0);
    case PSN_KILLACTIVE:
      active_ = false;
      return SetDialogResult(hwnd_, FALSE);
    default: return std::nullopt;
  }
}

std::optional<INT_PTR> CSumListPage::OnTimer(WPARAM wp, LPARAM) {
  if (wp == kSumRefreshTimer && active_) Refresh();
  return TRUE;
}

std::optional<INT_PTR> CSumListPage::OnSorted(WPARAM, LPARAM) {
  FindCurrentRow();
  return TRUE;
}

std::optional<INT_PTR> CSumListPage::OnConnectionChanged(WPARAM, LPARAM) {
  if (!SameConnection(loaded_, ctx_.in.selected)) Load();
  return TRUE;
}

std::optional<INT_PTR> CSumListPage::OnClear(WPARAM, LPARAM) {
  ResetToToday(rows_, ctx_.env.now(), ctx_.in.options, Live());
  Fill();
  return TRUE;
}

std::optional<INT_PTR> CSumListPage::OnExport(WPARAM, LPARAM) {
  RunExport(hwnd_, ctx_, Kind(), [this](ExportFormat format) {
    std::vector<ReportLine> lines(static_cast<size_t>(list_.Count()));
    for (int i = 0; i < list_.Count(); ++i)
      for (int c = 0; c < 5; ++c) lines[static_cast<size_t>(i)][static_cast<size_t>(c)] = list_.Text(i, c);
    const ReportHeader header = MakeReportHeader(ctx_.ConnectionName(loaded_), rows_.span, ctx_.in.options);
    return ListReportText(Kind(), format, header, lines);
  });
  return TRUE;
}

std::optional<INT_PTR> CSumListPage::OnCtlColorStatic(WPARAM wp, LPARAM lp) {
  const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lp));
  if (id == IDC_SUM_SELECTION || id == IDC_SUM_WEEK_START || id == IDC_SUM_MONTH_START)
    return ColouredStatic(hwnd_, wp, lp, kRed);
  return std::nullopt;
}

std::optional<INT_PTR> CSumListPage::OnDestroy(WPARAM, LPARAM) {
  ::KillTimer(hwnd_, kSumRefreshTimer);
  active_ = false;
  return std::nullopt;
}
