#include "ui/window_util_win.h"


#include <algorithm>
#include <vector>

#include "base/text_util.h"
#include "ui/handle_win.h"

namespace {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looks "SetLayeredWindowAttributes" up in user32; the module stays loaded by
// the caller's handle for as long as the pointer is used.
SetLayeredWindowAttributesFn FindSetLayered(ModuleHandle& user32) {
  user32.reset(::LoadLibraryW(L"user32.dll"));
  if (!user32) return nullptr;
  const FARPROC proc = ::GetProcAddress(user32.get(), "SetLayeredWindowAttributes");
  return reinterpret_cast<SetLayeredWindowAttributesFn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

bool IsWindowsXpOrLater() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return false;
  return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0);
}

void ApplyFontToChildren(HWND window, HFONT font) {
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool SetTopmost(HWND window, bool on) {
  return ::SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

void MakeAppWindow(HWND window, HINSTANCE inst, int iconId, HICON& big, HICON& small) {
  big = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                        ::GetSystemMetrics(SM_CYICON), 0));
  small = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                          ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (big) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  RECT r{}, desk{};
  ::GetWindowRect(window, &r);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
  const int x = desk.left + ((desk.right - desk.left) - (r.right - r.left)) / 2;
  const int y = desk.top + ((desk.bottom - desk.top) - (r.bottom - r.top)) / 2;
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const LONG_PTR ex = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, ex | WS_EX_APPWINDOW);
}

std::wstring ControlText(HWND control) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ItemText(HWND dlg, int id) {
  HWND item = ::GetDlgItem(dlg, id);
  return item ? ControlText(item) : std::wstring();
}

void SetItemTextIfChanged(HWND dlg, int id, const std::wstring& text) {
  HWND item = ::GetDlgItem(dlg, id);
  if (item && ControlText(item) != text) ::SetWindowTextW(item, text.c_str());
}

bool CanSetTransparency() {
  ModuleHandle user32;
  return FindSetLayered(user32) != nullptr;
}

BYTE TransparencyAlpha(int percent) {
  percent = std::clamp(percent, 0, 100);
  return static_cast<BYTE>((100 - percent) * 255 / 100);
}

bool SetWindowTransparency(HWND window, int percent, bool clickThrough) {
  ModuleHandle user32;
  const SetLayeredWindowAttributesFn setLayered = FindSetLayered(user32);
  // A layered window whose attributes are never set stays invisible, so the
  // style changes only when the attributes can follow.
  if (!setLayered) return false;
  LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED;
  if (clickThrough) style |= WS_EX_TRANSPARENT;
  else style &= ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, style);
  return setLayered(window, 0, TransparencyAlpha(percent), LWA_ALPHA) != FALSE;
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.dayOfWeek = st.wDayOfWeek;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  return t;
}

void SetWindowIcons(HWND window, HINSTANCE inst, int iconId, IconHandle& big, IconHandle& small) {
  big.reset(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                            ::GetSystemMetrics(SM_CYICON), 0)));
  small.reset(static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
  if (big) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  if (small) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
}

BITMAPINFO TopDownBitmapInfo(int32_t w, int32_t h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

BitmapHandle MakeTopDownDib(HDC like, int32_t w, int32_t h, uint32_t*& bits) {
  const BITMAPINFO bi = TopDownBitmapInfo(w, h);
  void* p = nullptr;
  BitmapHandle dib(::CreateDIBSection(like, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
  bits = dib ? static_cast<uint32_t*>(p) : nullptr;
  return dib;
}
