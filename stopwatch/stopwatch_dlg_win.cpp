#include "stopwatch/stopwatch_dlg_win.h"

#include "res/resource.h"
#include "ui/dpi_win.h"
#include "ui/window_util_win.h"

const CStopwatchDlg::MsgEntry CStopwatchDlg::kMessages[] = {
    {WM_INITDIALOG, &CStopwatchDlg::OnInitDialog},
    {WM_TIMER, &CStopwatchDlg::OnTimer},
    {WM_CTLCOLORSTATIC, &CStopwatchDlg::OnCtlColorStatic},
    {WM_CLOSE, &CStopwatchDlg::OnClose},
};

const CStopwatchDlg::CmdEntry CStopwatchDlg::kCommands[] = {
    {IDC_SW_START, &CStopwatchDlg::OnStartStop},
    {IDC_SW_ON_TOP, &CStopwatchDlg::OnOnTop},
    {IDC_SW_CLOSE, &CStopwatchDlg::OnCloseCmd},
    {IDCANCEL, &CStopwatchDlg::OnCloseCmd},  // Esc
};

CStopwatchDlg::CStopwatchDlg(StopwatchInput input, HINSTANCE inst)
    : AppDialog(inst), input_(std::move(input)) {}

std::optional<INT_PTR> CStopwatchDlg::OnInitDialog(WPARAM, LPARAM) {
  HICON big = nullptr, small = nullptr;
  MakeAppWindow(hwnd_, inst_, IDI_APP, big, small);
  bigIcon_.reset(big);
  smallIcon_.reset(small);
  elapsedFont_ = MakeTahoma(-20, FW_BOLD, WindowDpi(hwnd_));
  ::SendDlgItemMessageW(hwnd_, IDC_SW_ELAPSED, WM_SETFONT, reinterpret_cast<WPARAM>(elapsedFont_.get()), TRUE);
  ::SetDlgItemTextW(hwnd_, IDC_SW_ELAPSED, ElapsedText(span_.elapsed).c_str());

  HWND combo = ::GetDlgItem(hwnd_, IDC_SW_CONNECTION);
  for (size_t i = 0; i < input_.connections.size(); ++i) {
    const LRESULT item = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(input_.connections[i].name.c_str()));
    ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
  }
  ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
  ::CheckDlgButton(hwnd_, IDC_SW_ON_TOP, input_.alwaysOnTop ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd_, IDC_SW_RESET_GRAPH, input_.resetGraphOnStart ? BST_CHECKED : BST_UNCHECKED);
  Refresh();
  if (input_.alwaysOnTop) ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_SW_ON_TOP, BN_CLICKED), 0);
  return TRUE;
}

void CStopwatchDlg::ReadChecks() {
  input_.alwaysOnTop = ::IsDlgButtonChecked(hwnd_, IDC_SW_ON_TOP) == BST_CHECKED;
  input_.resetGraphOnStart = ::IsDlgButtonChecked(hwnd_, IDC_SW_RESET_GRAPH) == BST_CHECKED;
}

void CStopwatchDlg::Refresh() {
  TakeNewSamples(span_);
  const StopwatchTexts t = FigureTexts(span_, input_.unitBytes);
  const std::pair<int, const std::wstring*> labels[] = {
      {IDC_SW_TOTAL_DOWN, &t.totalDownBytes}, {IDC_SW_TOTAL_UP, &t.totalUpBytes},
      {IDC_SW_TOTAL_DOWN_BITS, &t.totalDownBits}, {IDC_SW_TOTAL_UP_BITS, &t.totalUpBits},
      {IDC_SW_MAX_DOWN, &t.maxDown}, {IDC_SW_MAX_UP, &t.maxUp},
      {IDC_SW_MIN_DOWN, &t.minDown}, {IDC_SW_MIN_UP, &t.minUp},
      {IDC_SW_AVG_DOWN, &t.avgDown}, {IDC_SW_AVG_UP, &t.avgUp},
  };
  for (const auto& [id, text] : labels) SetItemTextIfChanged(hwnd_, id, *text);
}

void CStopwatchDlg::OnStartStop(WORD, WORD, HWND) {
  HWND combo = ::GetDlgItem(hwnd_, IDC_SW_CONNECTION);
  if (span_.running) {
    StopSpan(span_);
    ::KillTimer(hwnd_, kStopwatchTimerId);
    ::EnableWindow(combo, TRUE);
    ::SetDlgItemTextW(hwnd_, IDC_SW_START, L"&Start");
    return;
  }
  ReadChecks();
  const LRESULT item = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (item == CB_ERR) {
    messageBox_(hwnd_, L"Please select an adapter.", MB_OK | MB_ICONWARNING);
    ::SetFocus(combo);
    return;
  }
  const StopwatchConnection& c =
      input_.connections[static_cast<size_t>(::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(item), 0))];
  // The reset goes first: the span then starts behind the cleared history.
  if (input_.resetGraphOnStart && input_.meter && c.resetCommand)
    ::SendMessageW(input_.meter, WM_COMMAND, MAKEWPARAM(c.resetCommand, 0), 0);
  static const RateHistory kEmpty(1);
  StartSpan(span_, c.history ? *c.history : kEmpty);
  ::SetDlgItemTextW(hwnd_, IDC_SW_ELAPSED, ElapsedText(0).c_str());
  Refresh();
  ::SetTimer(hwnd_, kStopwatchTimerId, 1000, nullptr);
  ::EnableWindow(combo, FALSE);
  ::SetDlgItemTextW(hwnd_, IDC_SW_START, L"&Stop");
}

std::optional<INT_PTR> CStopwatchDlg::OnTimer(WPARAM wp, LPARAM) {
  if (wp != kStopwatchTimerId) return std::nullopt;
  ++span_.elapsed;
  SetItemTextIfChanged(hwnd_, IDC_SW_ELAPSED, ElapsedText(span_.elapsed));
  Refresh();
  return TRUE;
}

std::optional<INT_PTR> CStopwatchDlg::OnCtlColorStatic(WPARAM wp, LPARAM lp) {
  if (reinterpret_cast<HWND>(lp) != ::GetDlgItem(hwnd_, IDC_SW_ELAPSED)) return std::nullopt;
  HDC dc = reinterpret_cast<HDC>(wp);
  ::SetTextColor(dc, RGB(0, 0, 187));
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
}

void CStopwatchDlg::OnOnTop(WORD, WORD, HWND) {
  ReadChecks();
  SetTopmost(hwnd_, input_.alwaysOnTop);
}

std::optional<INT_PTR> CStopwatchDlg::OnClose(WPARAM, LPARAM) {
  Finish();
  return TRUE;
}

void CStopwatchDlg::OnCloseCmd(WORD, WORD, HWND) { Finish(); }

void CStopwatchDlg::Finish() {
  ReadChecks();
  ::KillTimer(hwnd_, kStopwatchTimerId);
  EndAsStarted(IDOK);
}
