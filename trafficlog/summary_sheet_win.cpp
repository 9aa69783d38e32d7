#include "trafficlog/summary_sheet_win.h"

#include <commctrl.h>

#include "base/text_util.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/dpi_win.h"
#include "trafficlog/log_backup.h"
#include "ui/window_util_win.h"

namespace {

const wchar_t kClearQuestion[] =
    L"Are you sure you want to clear all traffic logs?\n\nA copy of the log is kept first in the folder \"%s\"; "
    L"Restore on the Summary page brings it back.";
const wchar_t kClearInServiceMode[] =
    L"The Zephra Service keeps the traffic log, and the log cannot be cleared while the service runs. To clear "
    L"it, switch the service off on the Service page of the options first.";
const wchar_t kClearFailed[] =
    L"The traffic log was not cleared: its copy in the folder \"%s\" could not be made.";

RECT ChildRect(HWND parent, HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

}  // namespace

CSummarySheet::CSummarySheet(ReportsInput input, ReportsEnvironment env)
    : summary_(ctx_), daily_(ctx_), weekly_(ctx_), monthly_(ctx_) {
  ctx_.in = std::move(input);
  ctx_.env = std::move(env);
  // A stored connection that no longer exists: All Connections.
  if (FindReportEntry(ctx_.in.entries, ctx_.in.selected) < 0) ctx_.in.selected = SelectedConnection{};
  if (ctx_.in.startPage < 0 || ctx_.in.startPage >= kReportPageCount) ctx_.in.startPage = kPageSummary;
  lastPage_ = ctx_.in.startPage;
}

CSummarySheet::~CSummarySheet() {
  if (sheet_ && ::IsWindow(sheet_)) ::DestroyWindow(sheet_);
}

CSumListPage& CSummarySheet::listPage(int page) {
  return page == kPageWeekly ? static_cast<CSumListPage&>(weekly_)
                             : page == kPageMonthly ? static_cast<CSumListPage&>(monthly_) : daily_;
}

INT_PTR CSummarySheet::Run(HINSTANCE inst, HWND meter) { return Open(inst, meter, false); }

HWND CSummarySheet::Create(HINSTANCE inst, HWND meter) {
  Open(inst, meter, true);
  return sheet_;
}

INT_PTR CSummarySheet::Open(HINSTANCE inst, HWND meter, bool modeless) {
  ctx_.meter = meter;
  PropertySheetRequest request;
  request.inst = inst;
  request.owner = meter;
  request.caption = L"Traffic Reports";
  request.pages = {summary_.Page(inst), daily_.Page(inst), weekly_.Page(inst), monthly_.Page(inst)};
  request.startPage = ctx_.in.startPage;
  request.flags = PSH_NOAPPLYNOW;
  request.modeless = modeless;
  request.initialized = [this](HWND sheet) { OnInitialized(sheet); };
  const INT_PTR result = ShowPropertySheet(request, icons_);
  if (modeless) sheet_ = reinterpret_cast<HWND>(result);
  return result;
}

void CSummarySheet::OnInitialized(HWND sheet) {
  sheet_ = sheet;
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  ::ShowWindow(::GetDlgItem(sheet, IDOK), SW_HIDE);
  HWND close = ::GetDlgItem(sheet, IDCANCEL);
  ::SetWindowTextW(close, L"&Close");
  const RECT rc = ChildRect(sheet, close);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  auto button = [&](const wchar_t* text, int id, int left) {
    return ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, left, rc.top, w, h,
                             sheet, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  };
  const int exportLeft = rc.left - 2 * w - 10;
  button(L"&Export", IDC_SUM_EXPORT, exportLeft);
  button(L"Clea&r", IDC_SUM_CLEAR, rc.left - w - 5);
  const RECT tab = ChildRect(sheet, PropSheet_GetTabControl(sheet));
  chooser_ = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                               tab.left, rc.top, exportLeft - 15 - tab.left, 400, sheet,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SUM_CONNECTION)), inst, nullptr);

  const int chosen = FindReportEntry(ctx_.in.entries, ctx_.in.selected);
  for (size_t i = 0; i < ctx_.in.entries.size(); ++i) {
    const LRESULT item = ::SendMessageW(chooser_, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(ReportConnectionName(*ctx_.in.entries[i]).c_str()));
    ::SendMessageW(chooser_, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
  }
  ::SendMessageW(chooser_, CB_SETCURSEL, chosen >= 0 ? static_cast<WPARAM>(chosen) : 0, 0);
  ::SetWindowTextW(sheet, ReportsWindowTitle(ctx_.ConnectionName(ctx_.in.selected)).c_str());
  font_ = MakeDialogFont(sheet);
  ApplyFontToChildren(sheet, font_.get());

  // Centred on the desktop.
  RECT win{}, desk{};
  ::GetWindowRect(sheet, &win);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
  ::SetWindowPos(sheet, nullptr, desk.left + (desk.right - desk.left - (win.right - win.left)) / 2,
                 desk.top + (desk.bottom - desk.top - (win.bottom - win.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowSubclass(sheet, &SheetProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

HWND CSummarySheet::PageWindow(int page) const {
  switch (page) {
    case kPageSummary: return summary_.hwnd();
    case kPageDaily: return daily_.hwnd();
    case kPageWeekly: return weekly_.hwnd();
    case kPageMonthly: return monthly_.hwnd();
    default: return nullptr;
  }
}

void CSummarySheet::OnConnectionChosen() {
  const LRESULT item = ::SendMessageW(chooser_, CB_GETCURSEL, 0, 0);
  if (item < 0) return;
  const auto index = static_cast<size_t>(::SendMessageW(chooser_, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
  if (index >= ctx_.in.entries.size()) return;
  const AdapterEntry& entry = *ctx_.in.entries[index];
  const SelectedConnection chosen{entry.kind, entry.isAggregate() ? std::string() : entry.id};
  if (SameConnection(chosen, ctx_.in.selected)) return;
  ctx_.in.selected = chosen;
  ::SetWindowTextW(sheet_, ReportsWindowTitle(ReportConnectionName(entry)).c_str());
  // Only the page on view reloads now; the others when they are next shown.
  ::SendMessageW(PropSheet_GetCurrentPageHwnd(sheet_), WM_SUM_CONNECTION_CHANGED, 0, 0);
}

void CSummarySheet::OnClear() {
  if (ctx_.in.serviceMode) {
    ctx_.Message(sheet_, kClearInServiceMode, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::wstring folder = BackupFolderOf(ctx_.in.logPath);
  if (ctx_.Message(sheet_, FillPlaces(kClearQuestion, {folder}), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  // The meter answers FALSE when it kept the log (its copy failed): the pages stay as they are.
  if (ctx_.meter && !::SendMessageW(ctx_.meter, WM_LOG_CLEARED, 0, 0)) {
    ctx_.Message(sheet_, FillPlaces(kClearFailed, {folder}), MB_OK | MB_ICONWARNING);
    return;
  }
  for (int page = 0; page < kReportPageCount; ++page)
    if (HWND w = PageWindow(page)) ::SendMessageW(w, WM_LOG_CLEARED, 0, 0);
}

LRESULT CALLBACK CSummarySheet::SheetProc(HWND sheet, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR selfParam) {
  auto* self = reinterpret_cast<CSummarySheet*>(selfParam);
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_SUM_EXPORT:
          if (HIWORD(wp) == BN_CLICKED) ::SendMessageW(PropSheet_GetCurrentPageHwnd(sheet), WM_SUM_EXPORT, 0, 0);
          return 0;
        case IDC_SUM_CLEAR:
          if (HIWORD(wp) == BN_CLICKED) self->OnClear();
          return 0;
        case IDC_SUM_CONNECTION:
          if (HIWORD(wp) == CBN_SELCHANGE) self->OnConnectionChosen();
          return 0;
        default: break;
      }
      break;
    case WM_DPICHANGED:
      ApplyDpiChange(sheet, LOWORD(wp), reinterpret_cast<const RECT*>(lp), self->dpiFonts_);
      return 0;
    case WM_DESTROY: {
      const int page = PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet));
      if (page >= 0) self->lastPage_ = page;
      break;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(sheet, &SheetProc, 1);
      self->sheet_ = nullptr;
      break;
    default: break;
  }
  return ::DefSubclassProc(sheet, msg, wp, lp);
}
