// The meter window's popup menu, accelerators and commands.
#include <windows.h>
#include <shellapi.h>

#include "app/about_dlg_win.h"
#include "app/meter_dlg.h"
#include "app/meter_options.h"
#include "res/resource.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"


namespace {

const wchar_t kGraphOrTextWarning[] = L"At least either graph or text should be displayed.";
const wchar_t kLastAdapterWarning[] = L"At least one adapter should be monitored.";

// The display options that the View menu flips directly.
int32_t* DisplayOption(MeterSettings& s, WORD id) {
  switch (id) {
    case ID_VIEW_TITLE: return &s.displayTitle;
    case ID_VIEW_GRAPH: return &s.displayGraph;
    case ID_VIEW_SCALE: return &s.displayScale;
    case ID_VIEW_TEXT: return &s.displayText;
    case ID_VIEW_GRID: return &s.displayScaleGrid;
    case ID_VIEW_MAX_RATE: return &s.displayMaxRateInText;
    case ID_VIEW_AVG_RATE: return &s.dispAvgValuesInText;
    case ID_VIEW_AVG_DOWN_LINE: return &s.dispAvgDownLine;
    case ID_VIEW_AVG_UP_LINE: return &s.dispAvgUpLine;
    case ID_VIEW_TIME: return &s.displayTimeText;
    case ID_VIEW_TIME_GRID: return &s.displayTimeGrid;
    default: return nullptr;
  }
}

// Percent-encodes what a mailto: address may not hold literally.
std::wstring MailtoEscape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L' ') out += L"%20";
    else if (c == L'&') out += L"%26";
    else if (c == L'?') out += L"%3F";
    else out += c;
  }
  return out;
}

}  // namespace

// ---- menus -------------------------------------------------------------------

HMENU CMeterDlg::SubMenu(int position) const { return ::GetSubMenu(menu_.Popup(0), position); }

void CMeterDlg::FillConnectionMenus() {
  HMENU adapters = SubMenu(POPUP_POS_ADAPTERS);
  if (adapters) ::DeleteMenu(adapters, 0, MF_BYPOSITION);  // the "(No Adapter)" placeholder
  for (auto& e : catalogue_.entries) AddConnectionMenuItems(*e);
}

void CMeterDlg::AddConnectionMenuItems(AdapterEntry& entry) {
  AssignMenuIds(catalogue_, entry);
  const std::wstring title = EntryTitle(entry, settings_.showIpInTitle != 0);
  auto hasItem = [](HMENU m, int32_t id) { return ::GetMenuState(m, static_cast<UINT>(id), MF_BYCOMMAND) != 0xFFFFFFFF; };
  HMENU adapters = SubMenu(POPUP_POS_ADAPTERS);
  HMENU reset = SubMenu(POPUP_POS_RESET);
  if (adapters && entry.adapterMenuId && !hasItem(adapters, entry.adapterMenuId))
    menu_.AppendItem(adapters, static_cast<UINT>(entry.adapterMenuId), title);
  if (reset && entry.resetMenuId && !hasItem(reset, entry.resetMenuId))
    menu_.AppendItem(reset, static_cast<UINT>(entry.resetMenuId), title);
}

void CMeterDlg::UpdateMenuStates(HMENU popup) {
  (void)popup;
  const bool noModal = !flags_.modalOpen;
  menu_.Enable(ID_SHOW_WINDOW, !flags_.visible);
  menu_.Enable(ID_HIDE_WINDOW, flags_.visible);
  // The options, stopwatch and rates recorder windows are not part of this
  // program yet: their items stay in the menu, greyed.
  menu_.Enable(ID_OPTIONS, false);
  menu_.Enable(ID_REPORTS, noModal);
  menu_.Enable(ID_STOPWATCH, false);
  menu_.Enable(ID_RATES_RECORDER, false);
  menu_.Enable(ID_ABOUT, noModal);

  menu_.SetRadio(ID_UNIT_BYTES, settings_.displayUnitByte == 1);
  menu_.SetRadio(ID_UNIT_BITS, settings_.displayUnitByte == 0);
  menu_.SetRadio(ID_GRAPH_BARS, settings_.graphStyle == 1);
  menu_.SetRadio(ID_GRAPH_LINES, settings_.graphStyle == 0);

  const struct { UINT id; int32_t value; } checks[] = {
      {ID_VIEW_TITLE, settings_.displayTitle},          {ID_VIEW_GRAPH, settings_.displayGraph},
      {ID_VIEW_SCALE, settings_.displayScale},          {ID_VIEW_TEXT, settings_.displayText},
      {ID_VIEW_GRID, settings_.displayScaleGrid},       {ID_VIEW_MAX_RATE, settings_.displayMaxRateInText},
      {ID_ALWAYS_ON_TOP, settings_.alwaysOnTop},        {ID_VIEW_CAPTION, settings_.showCaption},
      {ID_VIEW_IP_ADDRESS, settings_.showIpInTitle},    {ID_VIEW_AVG_RATE, settings_.dispAvgValuesInText},
      {ID_VIEW_AVG_DOWN_LINE, settings_.dispAvgDownLine}, {ID_VIEW_AVG_UP_LINE, settings_.dispAvgUpLine},
      {ID_VIEW_TIME, settings_.displayTimeText},        {ID_VIEW_TIME_GRID, settings_.displayTimeGrid},
  };
  for (const auto& c : checks) menu_.SetCheck(c.id, c.value != 0);
  menu_.Enable(ID_CLICK_THROUGH, canSetTransparency_);
  menu_.Enable(ID_TRANSPARENT, canSetTransparency_);
  menu_.SetCheck(ID_CLICK_THROUGH, canSetTransparency_ && settings_.enableClickThrough);
  menu_.SetCheck(ID_TRANSPARENT, canSetTransparency_ && settings_.semiTransparent);

  const bool showIp = settings_.showIpInTitle != 0;
  for (auto& e : catalogue_.entries) {
    const std::wstring title = EntryTitle(*e, showIp);
    if (e->adapterMenuId) {
      menu_.SetText(static_cast<UINT>(e->adapterMenuId), title);
      menu_.SetCheck(static_cast<UINT>(e->adapterMenuId), e->monitored);
    }
    if (e->resetMenuId) {
      menu_.SetText(static_cast<UINT>(e->resetMenuId), title);
      menu_.Enable(static_cast<UINT>(e->resetMenuId), e->monitored);
    }
  }
  menu_.Enable(ID_RESET_RANGE_ALL, true);
}

void CMeterDlg::OpenPopup(POINT screen) {
  if (!menu_.menu()) return;
  HMENU popup = menu_.Popup(0);
  lastPopupPoint_ = screen;
  ::SetForegroundWindow(hwnd_);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
  ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

std::optional<POINT> CMeterDlg::CursorInClient() const {
  POINT cursor;
  ::GetCursorPos(&cursor);
  POINT client = cursor;
  ::ScreenToClient(hwnd_, &client);
  RECT rc;
  ::GetClientRect(hwnd_, &rc);
  if (!::PtInRect(&rc, client)) return std::nullopt;
  return cursor;
}

std::optional<INT_PTR> CMeterDlg::OnContextMenu(WPARAM, LPARAM) {
  // Whatever opened it, the menu opens where the cursor is, if that is in the client area.
  const std::optional<POINT> cursor = CursorInClient();
  if (!cursor) return std::nullopt;
  OpenPopup(*cursor);
  return TRUE;
}

void CMeterDlg::OnOpenPopupCmd(WORD, HWND) {
  std::optional<POINT> at = CursorInClient();
  if (!at) {
    // The mouse is elsewhere: the centre of the client area.
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    at = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(hwnd_, &*at);
  }
  OpenPopup(*at);
}

std::optional<INT_PTR> CMeterDlg::OnInitMenuPopup(WPARAM wp, LPARAM) {
  HMENU popup = reinterpret_cast<HMENU>(wp);
  menu_.OnInitMenuPopup(popup);
  UpdateMenuStates(popup);
  return TRUE;
}

std::optional<INT_PTR> CMeterDlg::OnMeasureItem(WPARAM, LPARAM lp) {
  auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
  if (mis->CtlType == ODT_MENU && menu_.OnMeasureItem(mis)) return TRUE;
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnDrawItem(WPARAM, LPARAM lp) {
  auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
  if (dis->CtlType == ODT_MENU && menu_.OnDrawItem(dis)) return TRUE;
  return std::nullopt;
}

std::optional<INT_PTR> CMeterDlg::OnMenuChar(WPARAM wp, LPARAM lp) {
  return SetDialogResult(hwnd_, menu_.OnMenuChar(wp, lp));
}

std::optional<INT_PTR> CMeterDlg::OnTrayNotify(WPARAM wp, LPARAM lp) {
  if (env_.useTray) tray_.OnNotify(wp, lp);
  return TRUE;
}

// ---- display toggles ------------------------------------------------------------

void CMeterDlg::ApplyDisplayOptionsToViews() { viewStack_.SetOptions(ViewOptionsFrom(settings_), true); }

void CMeterDlg::RefreshViewTitles() {
  for (auto& e : catalogue_.entries)
    if (e->view) e->view->SetTitle(EntryTitle(*e, settings_.showIpInTitle != 0));
}

int CMeterDlg::DisplayedCount() const {
  int n = 0;
  for (const auto& e : catalogue_.entries) n += e->monitored ? 1 : 0;
  return n;
}

void CMeterDlg::OnDisplayToggleCmd(WORD, HWND) {
  int32_t* option = DisplayOption(settings_, commandId_);
  if (!option) return;
  *option = *option ? 0 : 1;
  ApplyDisplayOptionsToViews();
  SaveGroups(kSaveDisplay);
}

void CMeterDlg::OnGraphOrTextCmd(WORD, HWND) {
  int32_t* option = DisplayOption(settings_, commandId_);
  if (!option) return;
  const int32_t other = commandId_ == ID_VIEW_GRAPH ? settings_.displayText : settings_.displayGraph;
  if (*option && !other) {
    // The option stays on (and its item keeps its check mark).
    Message(kGraphOrTextWarning, MB_OK | MB_ICONWARNING);
    return;
  }
  *option = *option ? 0 : 1;
  ApplyDisplayOptionsToViews();
  SaveGroups(kSaveDisplay);
}

void CMeterDlg::OnGraphStyleCmd(WORD, HWND) {
  // Both items flip the style: picking the marked one switches to the other.
  settings_.graphStyle = settings_.graphStyle ? 0 : 1;
  ApplyDisplayOptionsToViews();
  SaveGroups(kSaveGraphStyle);
}

void CMeterDlg::OnUnitCmd(WORD, HWND) {
  settings_.displayUnitByte = settings_.displayUnitByte ? 0 : 1;
  ApplyDisplayOptionsToViews();
  SaveGroups(kSaveGeneral, true);
}

void CMeterDlg::OnIpInTitleCmd(WORD, HWND) {
  settings_.showIpInTitle = settings_.showIpInTitle ? 0 : 1;
  RefreshViewTitles();
  SaveGroups(kSaveGeneral, true);
}

void CMeterDlg::OnAlwaysOnTopCmd(WORD, HWND) {
  settings_.alwaysOnTop = settings_.alwaysOnTop ? 0 : 1;
  SetTopmost(hwnd_, settings_.alwaysOnTop != 0);
  SaveGroups(kSaveGeneral);
}

void CMeterDlg::OnCaptionCmd(WORD, HWND) {
  settings_.showCaption = settings_.showCaption ? 0 : 1;
  viewStack_.SetCaption(settings_.showCaption != 0);
  SaveGroups(kSaveGeneral);
}

void CMeterDlg::OnTransparencyCmd(WORD, HWND) {
  if (!canSetTransparency_) return;
  int32_t& option = commandId_ == ID_CLICK_THROUGH ? settings_.enableClickThrough : settings_.semiTransparent;
  option = option ? 0 : 1;
  ApplyTransparency();
  SaveGroups(kSaveGeneral);
}

void CMeterDlg::OnResetWindowPositionCmd(WORD, HWND) {
  viewStack_.ResetWindowPosition();
  if (!flags_.visible) ShowMeter();
}

void CMeterDlg::OnResetRangeAllCmd(WORD, HWND) {
  for (auto& e : catalogue_.entries) {
    ResetRateRange(*e);
    if (e->view) e->view->RelayoutAndRedraw();
  }
}

// The per-connection items: 9000-9299 display or hide, 9300-9599 reset the rate range.
bool CMeterDlg::OnOtherCommand(WORD id, WORD, HWND) {
  if (id >= kFirstAdapterMenuId && id <= kLastAdapterMenuId) {
    AdapterEntry* entry = FindByAdapterMenuId(catalogue_, id);
    if (!entry) return true;
    if (!entry->monitored) {
      SetDisplayed(*entry, true);
    } else if (DisplayedCount() <= 1) {
      Message(kLastAdapterWarning, MB_OK | MB_ICONWARNING);
    } else {
      SetDisplayed(*entry, false);
    }
    return true;
  }
  if (id >= kFirstResetMenuId && id <= kLastResetMenuId) {
    if (AdapterEntry* entry = FindByResetMenuId(catalogue_, id)) {
      ResetRateRange(*entry);
      if (entry->view) entry->view->RelayoutAndRedraw();
    }
    return true;
  }
  return false;
}

void CMeterDlg::SetDisplayed(AdapterEntry& entry, bool on) {
  if (on) {
    if (CRateView* view = viewStack_.DisplayEntry(entry))
      view->SetFixedScale(entry.connectionRate != 0, entry.connectionRate >> 3);
  } else {
    viewStack_.HideEntry(entry);
  }
}

// ---- windows, documents and addresses ---------------------------------------------

void CMeterDlg::OnTcpConnectionsCmd(WORD, HWND) {
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return;
  const std::wstring viewer = *dir + L"Tcpview.exe";
  if (IsExistingFile(viewer)) {
    Open(viewer, L"open", SW_SHOWMAXIMIZED);
    return;
  }
  const std::wstring question =
      std::wstring(L"To view all TCP and UDP endpoints on your computer, you should download TCPView, which is a free "
                   L"network utility powered by Sysinternals that has been acquired by Microsoft.") +
      L"\n\n" + L"After downloading TCPView, please unzip the file and copy file " + L"\"Tcpview.exe\"" +
      L" to folder " + L"\"" + *dir + L"\"" + L". " + L"Zephra" + L" will launch TCPView automatically when you click " +
      L"\"TCP Connections\"" + L" next time." + L"\n\n" + L"Do you want to open the target folder and visit TCPView homepage (" +
      kTcpViewPageUrl + L") now?";
  if (Message(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  Open(*dir, L"explore", SW_SHOWNORMAL);
  Open(kTcpViewPageUrl, L"open", SW_SHOWNORMAL);
}

std::optional<INT_PTR> CMeterDlg::OnHelp(WPARAM, LPARAM) {
  OnHelpCmd(0, nullptr);
  return TRUE;
}

void CMeterDlg::OnHelpCmd(WORD, HWND) {
  if (HWND help = ::FindWindowW(nullptr, L"Zephra Help")) {
    if (::IsIconic(help)) ::ShowWindow(help, SW_RESTORE);
    ::SetForegroundWindow(help);
    ::SetActiveWindow(help);
    return;
  }
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return;
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  Open(*dir + L"Zephra.chm", L"open", SW_SHOWNORMAL);
  ::SetCursor(old);
}

void CMeterDlg::OnWebCmd(WORD, HWND) {
  std::wstring target;
  switch (commandId_) {
    case ID_HOME_PAGE: target = kHomePageUrl; break;
    case ID_EMAIL_SUPPORT: target = kSupportMailUrl; break;
    case ID_CHECK_UPDATES: target = kCheckUpdateUrl; break;
    case ID_TELL_FRIEND:
      target = L"mailto:?subject=" + MailtoEscape(L"Zephra - very COOL application!!!") +
               L"&body=" + MailtoEscape(std::wstring(L"Download from ") + kMakerHomeUrl);
      break;
    default: return;
  }
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  Open(target, L"open", SW_SHOWNORMAL);
  ::SetCursor(old);
}

void CMeterDlg::OnAboutCmd(WORD, HWND) {
  if (flags_.modalOpen) return;
  RunModal([this](HWND owner) {
    CAboutDlg about;
    return about.Run(owner);
  });
}

void CMeterDlg::OnShowAlertAgainCmd(WORD, HWND) {
  // There is no alert to show again: a short beep says so.
  ::Beep(300, 100);
}

std::optional<INT_PTR> CMeterDlg::OnOptionsApplied(WPARAM wp, LPARAM) {
  // Each options page hands its values back here; the pages come with the
  // options sheet.
  switch (wp) {
    case kPageGeneral:
    case kPageGraphText:
    case kPageAdapters:
    case kPageNotification:
    case kPageService:
    default:
      break;
  }
  return TRUE;
}

void CMeterDlg::OnShowWindowCmd(WORD, HWND) { ShowMeter(); }
void CMeterDlg::OnHideWindowCmd(WORD, HWND) { HideMeter(); }
void CMeterDlg::OnExitCmd(WORD, HWND) { ::PostQuitMessage(2); }
void CMeterDlg::OnIgnoreCmd(WORD, HWND) {}
