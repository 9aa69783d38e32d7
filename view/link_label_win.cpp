#include "view/link_label_win.h"

#include <commctrl.h>

#include "ui/shell_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x4C4E4B;  // one subclass per control
constexpr UINT kHoverPeriodMs = 100;
constexpr int kRepaintBelow = 10;          // the hover underline may reach below the text
constexpr int kHandCursorResource = 106;   // in the system's help viewer

}  // namespace

std::wstring LinkOpenFailureText(intptr_t result) {
  switch (result) {
    case 0: return L"The operating system is out\nof memory or resources.";
    case 2: return L"The specified file was not found.";
    case 3: return L"The specified path was not found.";
    case 5: return L"The operating system denied\naccess to the specified file.";
    case 8: return L"There was not enough memory to complete the operation.";
    case 11: return L"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return L"A sharing violation occurred. ";
    case 27: return L"The filename association is\nincomplete or invalid.";
    case 28: return L"The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return L"The DDE transaction failed.";
    case 30: return L"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31: return L"There is no application associated\nwith the given filename extension.";
    case 32: return L"The specified dynamic-link library was not found.";
    default: return L"Unknown Error (" + std::to_wstring(static_cast<long long>(result)) + L") occurred.";
  }
}

CLinkLabel::CLinkLabel()
    : open_([](const std::wstring& target, int show) { return OpenDocument(target, show); }),
      messageBox_([](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
      }) {}

CLinkLabel::~CLinkLabel() { Detach(); }

void CLinkLabel::LoadHandCursor() {
  if (handCursor_) return;
  wchar_t windows[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::wstring path = std::wstring(windows) + L"\\winhlp32.exe";
    if (HMODULE viewer = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
      if (HCURSOR cursor = ::LoadCursorW(viewer, MAKEINTRESOURCEW(kHandCursorResource))) {
        handCursor_ = static_cast<HCURSOR>(::CopyIcon(cursor));
        ownsCursor_ = handCursor_ != nullptr;
      }
      ::FreeLibrary(viewer);
    }
  }
  // Without the help viewer's cursor, the platform's own link cursor.
  if (!handCursor_) handCursor_ = ::LoadCursorW(nullptr, IDC_HAND);
}

bool CLinkLabel::Attach(HWND control) {
  if (!control || !::IsWindow(control) || hwnd_) return false;
  hwnd_ = control;
  ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);

  const std::wstring text = ControlText(control);
  if (target_.empty()) target_ = text;
  if (text.empty()) ::SetWindowTextW(control, target_.c_str());

  normalFont_ = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (!normalFont_) normalFont_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  if (!normalFont_) normalFont_ = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
  LOGFONTW lf{};
  if (::GetObjectW(normalFont_, sizeof lf, &lf)) {
    lf.lfUnderline = TRUE;
    underlinedFont_.reset(::CreateFontIndirectW(&lf));
  }

  ::SetWindowSubclass(control, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SizeToText();
  LoadHandCursor();
  SelectFont(underlineMode_ == 1 && underlinedFont_ ? underlinedFont_.get() : normalFont_);

  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr, nullptr, nullptr);
  if (tooltip_) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = control;
    ti.uId = 1;
    ::GetClientRect(control, &ti.rect);
    ti.lpszText = const_cast<wchar_t*>(target_.c_str());
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  return true;
}

void CLinkLabel::Detach() {
  if (!hwnd_) return;
  ::KillTimer(hwnd_, kHoverTimer);
  ::RemoveWindowSubclass(hwnd_, &SubclassProc, kSubclassId);
  if (::IsWindow(hwnd_) && normalFont_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_), FALSE);
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  underlinedFont_.reset();
  currentFont_ = nullptr;
  if (ownsCursor_ && handCursor_) ::DestroyCursor(handCursor_);
  handCursor_ = nullptr;
  ownsCursor_ = false;
  hovering_ = false;
  hwnd_ = nullptr;
}

void CLinkLabel::SetTarget(const std::wstring& target) {
  target_ = target;
  if (!hwnd_) return;
  SizeToText();
  if (tooltip_) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = hwnd_;
    ti.uId = 1;
    ti.lpszText = const_cast<wchar_t*>(target_.c_str());
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void CLinkLabel::SetUnderlineMode(int mode) {
  if (mode == underlineMode_) return;
  underlineMode_ = mode;
  if (!hwnd_) return;
  SelectFont(mode == 1 && underlinedFont_ ? underlinedFont_.get() : normalFont_);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void CLinkLabel::SetColours(COLORREF link, COLORREF visited, COLORREF hover) {
  linkColour_ = link;
  visitedColour_ = visited;
  hoverColour_ = hover;
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

COLORREF CLinkLabel::TextColour() const {
  if (hovering_) return hoverColour_;
  return visited_ ? visitedColour_ : linkColour_;
}

void CLinkLabel::SelectFont(HFONT font) {
  currentFont_ = font;
  if (hwnd_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void CLinkLabel::SizeToText() {
  if (!autoSize_ || !hwnd_) return;
  const std::wstring text = ControlText(hwnd_);
  HDC dc = ::GetDC(hwnd_);
  RECT fit{0, 0, 0, 0};
  {
    SelectGuard font(dc, underlinedFont_ ? underlinedFont_.get() : normalFont_);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &fit, DT_SINGLELINE | DT_CALCRECT);
  }
  ::ReleaseDC(hwnd_, dc);

  RECT window{}, client{};
  ::GetWindowRect(hwnd_, &window);
  ::GetClientRect(hwnd_, &client);
  HWND parent = ::GetParent(hwnd_);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
  const int width = fit.right + (window.right - window.left) - client.right;
  const int height = fit.bottom + (window.bottom - window.top) - client.bottom;

  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  int x = window.left;
  if ((style & SS_TYPEMASK) == SS_CENTER) x = (window.left + window.right) / 2 - width / 2;
  else if ((style & SS_TYPEMASK) == SS_RIGHT) x = window.right - width;
  int y = window.top;
  if (style & SS_CENTERIMAGE) y = (window.top + window.bottom) / 2 - height / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (tooltip_) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = hwnd_;
    ti.uId = 1;
    ::GetClientRect(hwnd_, &ti.rect);
    ::SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void CLinkLabel::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  const std::wstring text = ControlText(hwnd_);
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  UINT format = DT_SINGLELINE;
  if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
  else if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
  if (style & SS_CENTERIMAGE) format |= DT_VCENTER;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  SelectGuard font(dc, currentFont_ ? currentFont_ : normalFont_);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = ::SetTextColor(dc, TextColour());
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, format);
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

void CLinkLabel::OnMouseMove() {
  if (hovering_) return;
  hovering_ = true;
  if (underlineMode_ == -1 && underlinedFont_) SelectFont(underlinedFont_.get());
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  ::SetTimer(hwnd_, kHoverTimer, kHoverPeriodMs, nullptr);
}

void CLinkLabel::OnHoverTimer() {
  POINT pt{};
  ::GetCursorPos(&pt);
  ::ScreenToClient(hwnd_, &pt);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (::PtInRect(&client, pt)) return;
  hovering_ = false;
  ::KillTimer(hwnd_, kHoverTimer);
  if (underlineMode_ != 1) SelectFont(normalFont_);
  client.bottom += kRepaintBelow;
  ::InvalidateRect(hwnd_, &client, TRUE);
}

bool CLinkLabel::Open() {
  hovering_ = false;
  if (hwnd_) ::KillTimer(hwnd_, kHoverTimer);
  const intptr_t result = open_ ? open_(target_, SW_SHOW) : 0;
  if (result > 32) {
    visited_ = true;
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
  }
  ReportFailure(result);
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
  return false;
}

void CLinkLabel::ReportFailure(intptr_t result) {
  ::MessageBeep(MB_ICONEXCLAMATION);
  const std::wstring text = L"Unable to open hyperlink:\n\n" + LinkOpenFailureText(result);
  if (messageBox_) messageBox_(hwnd_ ? ::GetParent(hwnd_) : nullptr, text, L"Zephra", MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CLinkLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = true;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd_, &ps);
      Paint(dc);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // Paint fills the background
    case WM_MOUSEMOVE:
      OnMouseMove();
      break;
    case WM_TIMER:
      if (wp != kHoverTimer) break;
      OnHoverTimer();
      return 0;
    case WM_SETCURSOR:
      if (!handCursor_) break;
      ::SetCursor(handCursor_);
      return TRUE;
    case WM_LBUTTONUP:
      Open();
      return 0;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      Detach();
      return ::DefSubclassProc(hwnd, msg, wp, lp);
    }
    default:
      break;
  }
  handled = false;
  return 0;
}

LRESULT CALLBACK CLinkLabel::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  bool handled = false;
  const LRESULT result = reinterpret_cast<CLinkLabel*>(self)->OnMessage(msg, wp, lp, handled);
  return handled ? result : ::DefSubclassProc(hwnd, msg, wp, lp);
}
