#include "ui/dpi_win.h"

#include <commctrl.h>

#include <map>

namespace {

constexpr wchar_t kDpiProperty[] = L"ZephraDpi";

template <class Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");  // always loaded: the program links it
  if (!user32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
using SetProcessDPIAwareFn = BOOL(WINAPI*)();

// The awareness contexts as the system defines them (older headers lack them).
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
const HANDLE kPerMonitor = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3));

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
  return TRUE;
}

bool IsListView(HWND window) {
  wchar_t name[32] = {};
  ::GetClassNameW(window, name, 32);
  return ::lstrcmpiW(name, WC_LISTVIEWW) == 0;
}

}  // namespace

void GrowToTextLine(HWND control) {
  wchar_t cls[16] = {};
  ::GetClassNameW(control, cls, 16);
  const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
  const LONG type = style & SS_TYPEMASK;
  const bool text = ::lstrcmpiW(cls, L"Static") == 0 && (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT ||
                                                          type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP);
  const LONG button = style & BS_TYPEMASK;
  const bool box = ::lstrcmpiW(cls, L"Button") == 0 && button != BS_GROUPBOX && button != BS_OWNERDRAW &&
                   button != BS_PUSHBUTTON && button != BS_DEFPUSHBUTTON;
  if (!text && !box) return;
  HDC dc = ::GetDC(control);
  if (!dc) return;
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  const bool measured = ::GetTextMetricsW(dc, &tm) != FALSE;
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  RECT client{}, window{};
  ::GetClientRect(control, &client);
  ::GetWindowRect(control, &window);
  if (!measured || client.bottom >= tm.tmHeight) return;
  ::SetWindowPos(control, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top + tm.tmHeight - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EnablePerMonitorDpi() {
  if (auto set = User32Function<SetProcessDpiAwarenessContextFn>("SetProcessDpiAwarenessContext")) {
    if (set(kPerMonitorV2) || set(kPerMonitor)) return;
  }
  if (auto aware = User32Function<SetProcessDPIAwareFn>("SetProcessDPIAware")) aware();
}

UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kBaseDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT WindowDpi(HWND window) {
  if (!window) return SystemDpi();
  HWND root = ::GetAncestor(window, GA_ROOT);
  if (!root) root = window;
  if (const auto carried = reinterpret_cast<uintptr_t>(::GetPropW(root, kDpiProperty))) return static_cast<UINT>(carried);
  static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (forWindow) {
    if (const UINT dpi = forWindow(window)) return dpi;
  }
  return SystemDpi();
}

void SetWindowDpi(HWND window, UINT dpi) {
  if (!window || !dpi) return;
  HWND root = ::GetAncestor(window, GA_ROOT);
  ::SetPropW(root ? root : window, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(dpi)));
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, dpi);
  return ::GetSystemMetrics(index);
}

FontHandle MakeFontForDpi(LOGFONTW lf, UINT dpi) {
  lf.lfHeight = Scale(lf.lfHeight, static_cast<int32_t>(dpi));
  lf.lfWidth = Scale(lf.lfWidth, static_cast<int32_t>(dpi));
  return FontHandle(::CreateFontIndirectW(&lf));
}

FontHandle MakeTahoma(int height, int weight, UINT dpi) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  ::lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
  return MakeFontForDpi(lf, dpi);
}

void ApplyDpiChange(HWND window, UINT newDpi, const RECT* suggested, std::vector<FontHandle>& fonts) {
  const UINT oldDpi = WindowDpi(window);
  SetWindowDpi(window, newDpi);
  if (suggested)
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (oldDpi == newDpi || oldDpi == 0) return;
  const auto from = static_cast<int32_t>(oldDpi), to = static_cast<int32_t>(newDpi);
  std::vector<HWND> children;
  ::EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
  // One new font for each font in use, shared by the controls that shared it.
  std::map<HFONT, HFONT> remade;
  std::vector<FontHandle> made;
  auto fontFor = [&](HFONT old) -> HFONT {
    if (!old) return nullptr;
    if (auto it = remade.find(old); it != remade.end()) return it->second;
    LOGFONTW lf{};
    if (!::GetObjectW(old, sizeof lf, &lf)) return nullptr;
    lf.lfHeight = Rescale(lf.lfHeight, from, to);
    lf.lfWidth = Rescale(lf.lfWidth, from, to);
    made.emplace_back(::CreateFontIndirectW(&lf));
    return remade[old] = made.back().get();
  };
  if (HFONT f = fontFor(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0))))
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
  for (HWND child : children) {
    HWND parent = ::GetParent(child);
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    ::SetWindowPos(child, nullptr, Rescale(r.left, from, to), Rescale(r.top, from, to),
                   Rescale(r.right - r.left, from, to), Rescale(r.bottom - r.top, from, to),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (HFONT f = fontFor(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0))))
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
    GrowToTextLine(child);
    if (IsListView(child)) {
      HWND header = ListView_GetHeader(child);
      const int columns = header ? Header_GetItemCount(header) : 0;
      for (int c = 0; c < columns; ++c)
        ListView_SetColumnWidth(child, c, Rescale(ListView_GetColumnWidth(child, c), from, to));
    }
  }
  fonts = std::move(made);
  ::InvalidateRect(window, nullptr, TRUE);
}
