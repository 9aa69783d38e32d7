// The meter window's popup menu, accelerators and commands.
#include <windows.h>

#include "app/about_dlg_win.h"
#include "app/meter_dlg.h"
#include "app/meter_menu.h"
#include "app/meter_options.h"
#include "res/resource.h"
#include "ui/files_win.h"
#include "ui/window_util_win.h"


namespace {

const wchar_t kGraphOrTextWarning[] = L"At least either graph or text should be displayed.";
const wchar_t kLastAdapterWarning[] = L"At least one adapter should be monitored.";

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

CMeterMenu::WindowState CMeterDlg::MenuWindowState() const {
  return CMeterMenu::WindowState{flags_.visible, flags_.modalOpen, canSetTransparency_};
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
  menu_.Open(hwnd_, *cursor);
  return TRUE;
}

void CMeterDlg::OnOpenPopupCmd(WORD, WORD, HWND) {
  std::optional<POINT> at = CursorInClient();
  if (!at) {
    // The mouse is elsewhere: the centre of the client area.
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    at = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(hwnd_, &*at);
  }
  menu_.Open(hwnd_, *at);
}

std::optional<INT_PTR> CMeterDlg::OnInitMenuPopup(WPARAM wp, LPARAM) {
  menu_.OnInitMenuPopup(reinterpret_cast<HMENU>(wp), settings_, catalogue_, MenuWindowState());
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

void CMeterDlg::OnToggle(WORD id) {
  const MenuToggle* toggle = FindMenuToggle(id);
  if (!toggle) return;
  switch (FlipMenuToggle(*toggle, settings_, canSetTransparency_)) {
    case ToggleResult::Unavailable:
      return;
    case ToggleResult::KeptForPartner:
      // The option stays on (and its item keeps its check mark).
      Message(kGraphOrTextWarning, MB_OK | MB_ICONWARNING);
      return;
    case ToggleResult::Flipped:
      break;
  }
  switch (toggle->effect) {
    case ToggleEffect::Views: ApplyDisplayOptionsToViews(); break;
    case ToggleEffect::Titles: RefreshViewTitles(); break;
    case ToggleEffect::Topmost: SetTopmost(hwnd_, settings_.alwaysOnTop != 0); break;
    case ToggleEffect::Caption: viewStack_.SetCaption(settings_.showCaption != 0); break;
    case ToggleEffect::Transparency: ApplyTransparency(); break;
  }
  SaveGroups(toggle->saveGroups, toggle->machineWide);
}

void CMeterDlg::OnResetWindowPositionCmd(WORD, WORD, HWND) {
  viewStack_.ResetWindowPosition();
  if (!flags_.visible) ShowMeter();
}

void CMeterDlg::OnResetRangeAllCmd(WORD, WORD, HWND) {
  for (auto& e : catalogue_.entries) {
    ResetRateRange(*e);
    if (e->view) e->view->RelayoutAndRedraw();
  }
}

// The switches of the menu's table; the per-connection items: 9000-9299
// display or hide, 9300-9599 reset the rate range.
bool CMeterDlg::OnOtherCommand(WORD id, WORD, HWND) {
  if (FindMenuToggle(id)) {
    OnToggle(id);
    return true;
  }
  if (id >= kFirstAdapterMenuId && id <= kLastAdapterMenuId) {
    OnConnectionItem(id);
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

void CMeterDlg::OnConnectionItem(WORD id) {
  if (AdapterEntry* entry = FindByAdapterMenuId(catalogue_, id)) ToggleDisplay(*entry);
}

void CMeterDlg::ToggleDisplay(AdapterEntry& entry) {
  if (!entry.monitored) {
    SetDisplayed(entry, true);
  } else if (DisplayedCount() <= 1) {
    Message(kLastAdapterWarning, MB_OK | MB_ICONWARNING);
  } else {
    SetDisplayed(entry, false);
  }
}

void CMeterDlg::SetDisplayed(AdapterEntry& entry, bool on) {
  // A new view takes the connection's fixed scale when it is made.
  if (on) {
    viewStack_.DisplayEntry(entry);
  } else {
    viewStack_.HideEntry(entry);
  }
}

// ---- windows, documents and addresses ---------------------------------------------

void CMeterDlg::OnTcpConnectionsCmd(WORD, WORD, HWND) {
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return;
  const std::wstring viewer = *dir + L"Tcpview.exe";
  if (IsExistingFile(viewer)) {
    OpenFile(viewer, L"open", SW_SHOWMAXIMIZED);
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
  OpenFile(*dir, L"explore", SW_SHOWNORMAL);
  OpenAddress(kTcpViewPageUrl, SW_SHOWNORMAL);
}

std::optional<INT_PTR> CMeterDlg::OnHelp(WPARAM, LPARAM) {
  OnHelpCmd(ID_HELP_INDEX, 0, nullptr);
  return TRUE;
}

void CMeterDlg::OnHelpCmd(WORD, WORD, HWND) {
  if (HWND help = ::FindWindowW(nullptr, L"Zephra Help")) {
    if (::IsIconic(help)) ::ShowWindow(help, SW_RESTORE);
    ::SetForegroundWindow(help);
    ::SetActiveWindow(help);
    return;
  }
  const std::optional<std::wstring> dir = ModuleDirectory();
  if (!dir) return;
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  OpenFile(*dir + L"Zephra.chm", L"open", SW_SHOWNORMAL);
  ::SetCursor(old);
}

void CMeterDlg::OnWebCmd(WORD id, WORD, HWND) {
  std::wstring target;
  switch (id) {
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
  OpenAddress(target, SW_SHOWNORMAL);
  ::SetCursor(old);
}

void CMeterDlg::OnAboutCmd(WORD, WORD, HWND) {
  if (flags_.modalOpen) return;
  RunModal([this](HWND owner) {
    CAboutDlg about;
    return about.Run(owner);
  });
}

void CMeterDlg::OnShowAlertAgainCmd(WORD, WORD, HWND) { alert_.ShowAgain(*this); }

void CMeterDlg::OnShowWindowCmd(WORD, WORD, HWND) { ShowMeter(); }
void CMeterDlg::OnHideWindowCmd(WORD, WORD, HWND) { HideMeter(); }
void CMeterDlg::OnExitCmd(WORD, WORD, HWND) { ::PostQuitMessage(2); }
void CMeterDlg::OnIgnoreCmd(WORD, WORD, HWND) {}
