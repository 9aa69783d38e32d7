#include "trafficlog/sum_summary_page_win.h"

#include <commdlg.h>

#include "base/text_util.h"
#include "base/utf16.h"
#include "res/resource.h"
#include "trafficlog/log_backup.h"
#include "trafficlog/log_file_win.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 238);
constexpr int kMaxLastDays = 32767;
const wchar_t kLogFilter[] = L"Log File (*.log)|*.log|";
const wchar_t kRestartNotice[] = L"The new change won't take effect until the program restarts.";
const wchar_t kCopyFailed[] = L"Failed to copy file.";

// The label ids of the six rows, in the order of SummaryRowIndex.
constexpr int kValueIds[kSummaryRowCount][3] = {{1062, 1063, 1064}, {1065, 1066, 1067}, {1068, 1069, 1070},
                                                {1071, 1072, 1073}, {1074, 1075, 1076}, {1277, 1278, 1279}};

const wchar_t kPathTooLong[] =
    L"The path is too long: the path of a traffic log holds at most 259 characters. Please choose a shorter one.";
const wchar_t kBeforeCopyFailed[] =
    L"The current traffic log could not be copied to the folder \"%s\" first, so it stays in use.";

FileRequest LogFileRequest(bool open, const wchar_t* title, DWORD flags, const std::wstring& folder = {}) {
  FileRequest r;
  r.initialFolder = folder;
  r.open = open;
  r.title = title ? title : L"";
  r.filter = kLogFilter;
  r.defaultExtension = open ? L"" : L"log";
  r.flags = flags;
  return r;
}

}  // namespace

const CSumSummaryPage::MsgEntry CSumSummaryPage::kMessages[] = {
    {WM_INITDIALOG, &CSumSummaryPage::OnInitDialog},
    {WM_NOTIFY, &CSumSummaryPage::OnNotify},
    {WM_TIMER, &CSumSummaryPage::OnTimer},
    {WM_SUM_CONNECTION_CHANGED, &CSumSummaryPage::OnConnectionChanged},
    {WM_LOG_CLEARED, &CSumSummaryPage::OnClear},
    {WM_SUM_EXPORT, &CSumSummaryPage::OnExport},
    {WM_CTLCOLORSTATIC, &CSumSummaryPage::OnCtlColorStatic},
    {WM_DESTROY, &CSumSummaryPage::OnDestroy},
};
const CSumSummaryPage::CmdEntry CSumSummaryPage::kCommands[] = {
    {IDC_SUM_DAYS, &CSumSummaryPage::OnDaysChange},
    {IDC_SUM_CHANGE, &CSumSummaryPage::OnChange},
    {IDC_SUM_BACKUP, &CSumSummaryPage::OnBackup},
    {IDC_SUM_RESTORE, &CSumSummaryPage::OnRestore},
};

PROPSHEETPAGEW CSumSummaryPage::Page(HINSTANCE inst) { return PageRecord(inst, IDD_SUM_SUMMARY); }


std::optional<INT_PTR> CSumSummaryPage::OnInitDialog(WPARAM, LPARAM) {
  ::SetDlgItemTextW(hwnd_, IDC_SUM_DAYS, std::to_wstring(ctx_.in.lastDays).c_str());
  ::SendDlgItemMessageW(hwnd_, IDC_SUM_DAYS_SPIN, UDM_SETRANGE32, 1, kMaxLastDays);
  ::SendDlgItemMessageW(hwnd_, IDC_SUM_DAYS_SPIN, UDM_SETPOS32, 0, ctx_.in.lastDays);
  ::SetDlgItemTextW(hwnd_, IDC_SUM_DATE, UntilTodayLabel(ctx_.env.now()).c_str());
  Load();
  ::SetTimer(hwnd_, kSumRefreshTimer, 1000, nullptr);
  UseDialogFont();
  ::SetDlgItemTextW(hwnd_, IDC_SUM_LOG_PATH, ctx_.in.logPath.c_str());
  initialised_ = true;  // from now on an edit of N recomputes its row
  return TRUE;
}

void CSumSummaryPage::Load() {
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  loaded_ = ctx_.in.selected;
  entry_ = ctx_.Entry(loaded_);
  totals_ = BuildSummaryTotals(ctx_.in.log, loaded_, ctx_.env.now(), ctx_.in.options, ctx_.in.lastDays);
  ShowValues();
  ::SetCursor(old);
}

void CSumSummaryPage::ShowValues() {
  const std::vector<SummaryRow> rows = SummaryRows(totals_, Live(), ctx_.in.lastDays);
  for (int r = 0; r < kSummaryRowCount; ++r)
    for (int c = 0; c < 3; ++c) SetItemTextIfChanged(hwnd_, kValueIds[r][c], rows[static_cast<size_t>(r)].text[c]);
}

void CSumSummaryPage::OnDaysChange(WORD, WORD code, HWND) {
  if (code != EN_CHANGE || !initialised_) return;
  BOOL ok = FALSE;
  const int n = static_cast<int>(::GetDlgItemInt(hwnd_, IDC_SUM_DAYS, &ok, TRUE));
  // Kept within the spin's range; an empty field (or 0) hides the row.
  ctx_.in.lastDays = !ok ? 0 : n > kMaxLastDays ? kMaxLastDays : n;
  ComputeLastDaysTotal(totals_, ctx_.in.log, loaded_, ctx_.env.now(), ctx_.in.lastDays);
  ShowValues();
}

std::optional<INT_PTR> CSumSummaryPage::OnNotify(WPARAM, LPARAM lp) {
  switch (reinterpret_cast<const NMHDR*>(lp)->code) {
    case PSN_SETACTIVE:
      active_ = true;
      if (!SameConnection(loaded_, ctx_.in.selected)) Load();
      else ShowValues();
      return SetDialogResult(hwnd_, 0);
    case PSN_KILLACTIVE:
      active_ = false;
      return SetDialogResult(hwnd_, FALSE);
    default: return std::nullopt;
  }
}

std::optional<INT_PTR> CSumSummaryPage::OnTimer(WPARAM wp, LPARAM) {
  if (wp == kSumRefreshTimer && active_) ShowValues();
  return TRUE;
}

std::optional<INT_PTR> CSumSummaryPage::OnConnectionChanged(WPARAM, LPARAM) {
  if (!SameConnection(loaded_, ctx_.in.selected)) Load();
  return TRUE;
}

std::optional<INT_PTR> CSumSummaryPage::OnClear(WPARAM, LPARAM) {
  ResetSummaryToToday(totals_, ctx_.env.now());
  ShowValues();
  return TRUE;
}

std::optional<INT_PTR> CSumSummaryPage::OnExport(WPARAM, LPARAM) {
  RunExport(hwnd_, ctx_, ReportKind::Summary, [this](ExportFormat format) {
    // The texts as the page shows them.
    std::vector<SummaryRow> rows(kSummaryRowCount);
    for (int r = 0; r < kSummaryRowCount; ++r)
      for (int c = 0; c < 3; ++c) {
        rows[static_cast<size_t>(r)].text[c] = ItemText(hwnd_, kValueIds[r][c]);
      }
    const ReportHeader header = MakeReportHeader(ctx_.ConnectionName(loaded_), totals_.span, ctx_.in.options);
    return SummaryReportText(format, header, ctx_.in.lastDays, rows);
  });
  return TRUE;
}

std::optional<INT_PTR> CSumSummaryPage::OnCtlColorStatic(WPARAM wp, LPARAM lp) {
  if (::GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == IDC_SUM_DATE) return ColouredStatic(hwnd_, wp, lp, kBlue);
  return std::nullopt;
}

std::optional<INT_PTR> CSumSummaryPage::OnDestroy(WPARAM, LPARAM) {
  ::KillTimer(hwnd_, kSumRefreshTimer);
  active_ = false;
  return std::nullopt;
}

bool CSumSummaryPage::CopyBefore(const wchar_t* step) {
  if (!ctx_.in.log) return true;  // no log open: nothing to lose
  WinLogPlatform platform(nullptr);
  if (CopyLogBefore(platform, *ctx_.in.log, ctx_.in.logPath, step, DateOf(ctx_.env.now()))) return true;
  ctx_.Message(hwnd_, FillPlaces(kBeforeCopyFailed, {BackupFolderOf(ctx_.in.logPath)}), MB_OK | MB_ICONWARNING);
  return false;
}

void CSumSummaryPage::OnChange(WORD, WORD, HWND) {
  std::wstring path;
  DWORD filter = 1;
  if (!ctx_.env.chooseFile(hwnd_, LogFileRequest(false, L"Choose a traffic log", OFN_PATHMUSTEXIST | OFN_HIDEREADONLY),
                           path, filter) ||
      path.empty())
    return;
  if (path.size() > kMaxLogPath) {
    ctx_.Message(hwnd_, kPathTooLong, MB_OK | MB_ICONWARNING);
    return;
  }
  if (EqualNoCase(path, ctx_.in.logPath) || !CopyBefore(kBeforeChange)) return;
  // Nothing is created now: the next start opens (or creates) the file.
  ctx_.in.logPath = path;
  ::SetDlgItemTextW(hwnd_, IDC_SUM_LOG_PATH, path.c_str());
  ctx_.Message(hwnd_, kRestartNotice, MB_OK | MB_ICONINFORMATION);
}

void CSumSummaryPage::OnBackup(WORD, WORD, HWND) {
  std::wstring path;
  DWORD filter = 1;
  if (!ctx_.env.chooseFile(hwnd_,
                           LogFileRequest(false, L"Backup", OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY),
                           path, filter) ||
      path.empty())
    return;
  if (EqualNoCase(path, ctx_.in.logPath)) return;  // onto the log itself: nothing to do
  // Through a temporary file beside the target: a failed copy leaves an earlier backup as it was.
  WinLogPlatform platform(nullptr);
  std::unique_ptr<LogFile> opened;
  LogFile* source = ctx_.in.log;
  if (!source && (opened = platform.OpenFile(ctx_.in.logPath, LogOpenMode::ServiceRead))) source = opened.get();
  if (!source || !CopyLogWhole(platform, *source, path)) ctx_.Message(hwnd_, kCopyFailed, MB_OK | MB_ICONWARNING);
}

void CSumSummaryPage::OnRestore(WORD, WORD, HWND) {
  std::wstring chosen;
  DWORD filter = 1;
  if (!ctx_.env.chooseFile(hwnd_,
                           LogFileRequest(true, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                                          BackupFolderOf(ctx_.in.logPath)),
                           chosen, filter) ||
      chosen.empty())
    return;
  if (EqualNoCase(chosen, ctx_.in.logPath)) return;
  const std::wstring target = RestoreTargetPath(ctx_.in.logPath, [](const std::wstring& p) { return IsExistingFile(p); });
  if (target.size() > kMaxLogPath) {
    ctx_.Message(hwnd_, kPathTooLong, MB_OK | MB_ICONWARNING);
    return;
  }
  if (!CopyBefore(kBeforeRestore)) return;
  WinLogPlatform platform(nullptr);
  std::unique_ptr<LogFile> source = platform.OpenFile(chosen, LogOpenMode::ServiceRead);
  if (!source || !CopyLogWhole(platform, *source, target)) {
    ctx_.Message(hwnd_, kCopyFailed, MB_OK | MB_ICONWARNING);
    return;
  }
  ctx_.in.logPath = target;
  ::SetDlgItemTextW(hwnd_, IDC_SUM_LOG_PATH, target.c_str());
  ctx_.Message(hwnd_, kRestartNotice, MB_OK | MB_ICONINFORMATION);
}
