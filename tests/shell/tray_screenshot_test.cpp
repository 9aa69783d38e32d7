// Pictures for the documentation, taken by scripts/tray_menu_screenshots.sh:
// the open popup menu and the tray icon's miniature graphs enlarged. Disabled
// in the normal runs; they write BMP files into %ZEPHRA_SCREENSHOT_DIR%.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ids.h"
#include "app/about_dlg_win.h"
#include "app/tray_icon_win.h"
#include "res/resource.h"
#include "shell_support.h"
#include "ui/owner_menu_win.h"

namespace {

std::string ShotPath(const char* name) {
  const char* dir = std::getenv("ZEPHRA_SCREENSHOT_DIR");
  return std::string(dir ? dir : ".") + "\\" + name;
}

// Saves a rectangle of `src` as a 24-bit BMP.
bool SaveBmp(HDC src, const RECT& r, const std::string& path) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as the file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc mem(::CreateCompatibleDC(src));
  {
    SelectGuard sel(mem.get(), dib.get());
    ::BitBlt(mem.get(), 0, 0, w, h, src, r.left, r.top, SRCCOPY);
  }
  ::GdiFlush();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  const uint32_t size = stride * static_cast<uint32_t>(h);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  bi.bmiHeader.biSizeImage = size;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(&fh, sizeof fh, 1, f);
  std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
  std::fwrite(bits, 1, size, f);
  return std::fclose(f) == 0;
}

// ---- Popup menu ----------------------------------------------------------------

COwnerMenu* g_menu = nullptr;
HWND g_owner = nullptr;
int g_step = 0;
bool g_saved = false;

void SetStates(HMENU) {
  COwnerMenu& m = *g_menu;
  m.Enable(ID_SHOW_WINDOW, false);  // the window is visible
  m.Enable(ID_HIDE_WINDOW, true);
  for (UINT id : {ID_VIEW_TITLE, ID_VIEW_GRAPH, ID_VIEW_SCALE, ID_VIEW_TEXT, ID_VIEW_MAX_RATE, ID_VIEW_TIME,
                  ID_ALWAYS_ON_TOP, ID_VIEW_CAPTION})
    m.SetCheck(id, true);
  m.SetRadio(ID_GRAPH_BARS, true);
  m.SetRadio(ID_GRAPH_LINES, false);
  m.SetRadio(ID_UNIT_BYTES, false);  // kbps, the default unit
  m.SetRadio(ID_UNIT_BITS, true);
  m.Enable(ID_CLICK_THROUGH, false);
}

LRESULT CALLBACK MenuOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_menu) {
    LRESULT result = 0;
    if (msg == WM_INITMENUPOPUP) {
      g_menu->OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
      SetStates(reinterpret_cast<HMENU>(wp));
      return 0;
    }
    if (g_menu->HandleMessage(msg, wp, lp, result)) return result;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

std::vector<HWND> MenuWindows() {
  std::vector<HWND> found;
  HWND w = nullptr;
  while ((w = ::FindWindowExW(nullptr, w, L"#32768", nullptr)) != nullptr)
    if (::IsWindowVisible(w)) found.push_back(w);
  return found;
}

void CALLBACK MenuStep(HWND, UINT, UINT_PTR, DWORD) {
  const auto menus = MenuWindows();
  if (g_step == 0 && menus.size() == 1) {
    // Walk down to "View" (nine keys, the separator is skipped) and open it.
    for (int i = 0; i < 9; ++i) ::PostMessageW(g_owner, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(g_owner, WM_KEYDOWN, VK_RIGHT, 0);
    g_step = 1;
  } else if (g_step >= 1 && g_step < 20 && menus.size() == 2) {
    if (++g_step < 4) return;  // let both menus finish painting
    RECT all{};
    ::GetWindowRect(g_owner, &all);
    for (HWND m : menus) {
      RECT r{};
      ::GetWindowRect(m, &r);
      ::UnionRect(&all, &all, &r);
    }
    ::InflateRect(&all, 8, 8);
    HDC screen = ::GetDC(nullptr);
    g_saved = SaveBmp(screen, all, ShotPath("popup-menu.bmp"));
    ::ReleaseDC(nullptr, screen);
    g_step = 20;
    ::EndMenu();
  } else if (++g_step > 100) {
    ::EndMenu();  // give up after about ten seconds
  }
}

}  // namespace

TEST(TrayScreenshot, DISABLED_PopupMenu) {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  COwnerMenu menu;
  ASSERT_TRUE(menu.Attach(::LoadMenuW(inst, MAKEINTRESOURCEW(IDR_POPUP))));
  ASSERT_TRUE(menu.LoadImages(inst, IDB_MENU_IMAGES,
                              {ID_SHOW_WINDOW, ID_OPTIONS, ID_STOPWATCH, ID_REPORTS, ID_HELP_INDEX}));
  HMENU adapters = ::GetSubMenu(menu.Popup(0), POPUP_POS_ADAPTERS);
  ::DeleteMenu(adapters, ID_NO_ADAPTER, MF_BYCOMMAND);
  ::AppendMenuW(adapters, MF_STRING | MF_CHECKED, kFirstAdapterMenuId, L"All Connections");
  ::AppendMenuW(adapters, MF_STRING, kFirstAdapterMenuId + 1, L"Local Area Connection");

  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuOwnerProc;
  wc.hInstance = inst;
  wc.hbrBackground = ::GetSysColorBrush(COLOR_APPWORKSPACE);
  wc.lpszClassName = L"ZephraMenuShot";
  ::RegisterClassW(&wc);
  g_owner = ::CreateWindowExW(0, wc.lpszClassName, L"Zephra", WS_POPUP | WS_BORDER | WS_VISIBLE, 40, 40, 200, 60,
                              nullptr, nullptr, inst, nullptr);
  ASSERT_NE(g_owner, nullptr);
  g_menu = &menu;
  g_step = 0;
  g_saved = false;
  ::SetForegroundWindow(g_owner);
  PumpPending();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, MenuStep);
  ::TrackPopupMenu(menu.Popup(0), TPM_RIGHTBUTTON, 60, 60, 0, g_owner, nullptr);
  ::KillTimer(nullptr, timer);
  g_menu = nullptr;
  ::DestroyWindow(g_owner);
  EXPECT_TRUE(g_saved);
}

TEST(TrayScreenshot, DISABLED_TrayGraph) {
  constexpr int kZoom = 8, kSize = 16 * kZoom, kGap = 16;
  HWND hwnd = ::GetDesktopWindow();
  TrayOptions options;
  CTrayIcon tray;
  ASSERT_TRUE(tray.Create(hwnd, ::GetModuleHandleW(nullptr), options, true));
  RateHistory history(64);
  const uint32_t downs[] = {20, 35, 60, 90, 70, 40, 55, 100, 80, 30, 10, 0, 45, 65, 85, 50};
  const uint32_t ups[] = {10, 15, 20, 60, 80, 30, 10, 20, 95, 25, 5, 0, 15, 70, 30, 20};
  for (size_t i = 0; i < 16; ++i) history.PushFront(RateSample{downs[i], ups[i], 0, 0});
  TraySource src;
  src.history = &history;
  src.scaleMax = 100;
  src.displayed = true;

  HDC screen = ::GetDC(nullptr);
  MemoryDc out(::CreateCompatibleDC(screen));
  BitmapHandle canvas(::CreateCompatibleBitmap(screen, 2 * kSize + 3 * kGap, kSize + 2 * kGap));
  MemoryDc graph(::CreateCompatibleDC(screen));
  ::ReleaseDC(nullptr, screen);
  SelectGuard sel(out.get(), canvas.get());
  RECT all{0, 0, 2 * kSize + 3 * kGap, kSize + 2 * kGap};
  ::FillRect(out.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
  for (int style : {1, 0}) {
    ASSERT_TRUE(tray.DrawGraph(src, style));
    SelectGuard g(graph.get(), tray.graphBitmap());
    const int x = kGap + (style == 1 ? 0 : kSize + kGap);
    ::StretchBlt(out.get(), x, kGap, kSize, kSize, graph.get(), 0, 0, 16, 16, SRCCOPY);
  }
  EXPECT_TRUE(SaveBmp(out.get(), all, ShotPath("tray-graph.bmp")));
}

TEST(TrayScreenshot, DISABLED_AboutWindow) {
  CAboutDlg dlg;
  static CAboutDlg* s_dlg;
  static bool s_saved;
  s_dlg = &dlg;
  s_saved = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
    if (!s_dlg->hwnd() || !::IsWindowVisible(s_dlg->hwnd())) return;
    RECT r{};
    ::GetWindowRect(s_dlg->hwnd(), &r);
    HDC screen = ::GetDC(nullptr);
    s_saved = SaveBmp(screen, r, ShotPath("about.bmp"));
    ::ReleaseDC(nullptr, screen);
    ::EndDialog(s_dlg->hwnd(), IDOK);
  });
  dlg.Run(nullptr);
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(s_saved);
}
