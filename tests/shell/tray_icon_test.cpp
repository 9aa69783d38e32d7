// The tray icon against Wine's notification area (its explorer under Xvfb).
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/tray_icon_win.h"
#include "res/resource.h"
#include "shell_support.h"
#include "ui/shell_win.h"
#include "ui/window_util_win.h"

namespace {

struct TrayWindow {
  CTrayIcon* tray = nullptr;
  int menuLoops = 0;
  int nulls = 0;
};
TrayWindow* g_window = nullptr;

LRESULT CALLBACK TrayTestProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_window) {
    if (msg == WM_ENTERMENULOOP) ++g_window->menuLoops;
    if (msg == WM_NULL) ++g_window->nulls;
    if (g_window->tray && g_window->tray->HandleMessage(msg, wp, lp)) return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TrayTestProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZephraTrayTest";
    registered = ::RegisterClassW(&wc) != 0;
  }
  return ::CreateWindowExW(0, L"ZephraTrayTest", L"tray test", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

// The icon exists exactly when the shell accepts a modify of it.
bool IconPresent(HWND hwnd) {
  return TrayIconCall(hwnd, NIM_MODIFY, kTrayIconId, NIF_TIP, 0, nullptr, L"probe");
}

// Top-down 32-bit pixels of a bitmap, as 0x00BBGGRR values.
std::vector<COLORREF> Pixels(HBITMAP bmp, int w, int h) {
  BITMAPINFO bi = TopDownBitmapInfo(w, h);
  std::vector<uint32_t> raw(static_cast<size_t>(w * h));
  HDC dc = ::GetDC(nullptr);
  ::GetDIBits(dc, bmp, 0, static_cast<UINT>(h), raw.data(), &bi, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  std::vector<COLORREF> out;
  for (uint32_t p : raw) out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return out;
}

class TrayIconTest : public ::testing::Test {
protected:
  void SetUp() override {
    hwnd_ = MakeWindow();
    ASSERT_NE(hwnd_, nullptr);
    ASSERT_TRUE(tray_.Create(hwnd_, ::GetModuleHandleW(nullptr), options_, true));
    window_.tray = &tray_;
    g_window = &window_;
  }
  void TearDown() override {
    tray_.Delete();
    g_window = nullptr;
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  TraySource Source(RateHistory& h) {
    TraySource s;
    s.name = L"Test adapter";
    s.ipAddress = L"192.0.2.7";
    s.history = &h;
    s.scaleMax = 100;
    return s;
  }

  HWND hwnd_ = nullptr;
  TrayOptions options_;
  CTrayIcon tray_;
  TrayWindow window_;
};

}  // namespace

TEST_F(TrayIconTest, AddModifyDelete) {
  EXPECT_FALSE(IconPresent(hwnd_));
  EXPECT_TRUE(tray_.Add());
  EXPECT_EQ(tray_.tooltip(), L"Zephra");
  EXPECT_TRUE(IconPresent(hwnd_));
  RateHistory h(16);
  h.PushFront(RateSample{1000, 0, 0, 0});
  tray_.Update(Source(h), options_);
  EXPECT_EQ(tray_.addCount(), 1);  // the modify succeeded, no re-add
  EXPECT_TRUE(tray_.Delete());
  EXPECT_FALSE(IconPresent(hwnd_));
}

TEST_F(TrayIconTest, FailedModifyAddsTheIconAgain) {
  RateHistory h(16);
  h.PushFront(RateSample{0, 0, 0, 0});
  // Never added (the graph-mode start): the first update's modify fails.
  tray_.Update(Source(h), options_);
  EXPECT_EQ(tray_.addCount(), 1);
  EXPECT_TRUE(IconPresent(hwnd_));
  // The shell lost the icon: the next modify fails and the icon comes back.
  ASSERT_TRUE(TrayIconCall(hwnd_, NIM_DELETE, kTrayIconId, 0, 0, nullptr, L""));
  h.PushFront(RateSample{0, 0, 0, 0});
  tray_.Update(Source(h), options_);  // the same tooltip and icon: nothing is sent
  EXPECT_EQ(tray_.addCount(), 1);
  h.PushFront(RateSample{0, 2000, 0, 0});
  tray_.Update(Source(h), options_);
  EXPECT_EQ(tray_.addCount(), 2);
  EXPECT_TRUE(IconPresent(hwnd_));
}

TEST_F(TrayIconTest, TaskbarCreatedAddsAShownIconAgain) {
  ASSERT_NE(CTrayIcon::TaskbarCreatedMessage(), 0u);
  ASSERT_TRUE(tray_.Add());
  ASSERT_TRUE(TrayIconCall(hwnd_, NIM_DELETE, kTrayIconId, 0, 0, nullptr, L""));
  ::SendMessageW(hwnd_, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(IconPresent(hwnd_));
  // An icon switched off stays away.
  ASSERT_TRUE(tray_.Delete());
  ::SendMessageW(hwnd_, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_FALSE(IconPresent(hwnd_));
}

TEST_F(TrayIconTest, StateIconByDirectionAndGraphOnlyWhenDisplayed) {
  ASSERT_TRUE(tray_.Add());
  RateHistory h(16);
  TraySource src = Source(h);
  h.PushFront(RateSample{500, 0, 0, 0});
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), 2);
  h.PushFront(RateSample{0, 500, 0, 0});
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), 1);
  h.PushFront(RateSample{0, 0, 0, 0});
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), 0);
  h.PushFront(RateSample{1, 1, 0, 0});
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), 3);
  EXPECT_EQ(tray_.tooltip(), TrayTipFor(src, options_));
  // The graph is asked for but the connection is not displayed: state icons.
  options_.showGraph = true;
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), 3);
  src.displayed = true;
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.stateIndex(), -1);
  EXPECT_TRUE(IconPresent(hwnd_));
  EXPECT_EQ(tray_.addCount(), 1);
  // Images given to the shell: 2, 1, 0, 3 and the graph. A tick that leaves the
  // picture alone renews only the tooltip; a new column makes a new image.
  EXPECT_EQ(tray_.imageCount(), 5);
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.imageCount(), 5);
  h.PushFront(RateSample{50, 0, 0, 0});
  tray_.Update(src, options_);
  EXPECT_EQ(tray_.imageCount(), 6);
}

TEST_F(TrayIconTest, BarGraphPixels) {
  // Oldest first: column 12 down 50 up 100, column 13 idle, column 14 down = scale.
  RateHistory h(16);
  h.PushFront(RateSample{50, 100, 0, 0});
  h.PushFront(RateSample{0, 0, 0, 0});
  h.PushFront(RateSample{100, 0, 0, 0});
  TraySource src = Source(h);
  src.graphBkColor = RGB(10, 20, 30);
  ASSERT_TRUE(tray_.DrawGraph(src, 1));
  const auto px = Pixels(tray_.graphBitmap(), 16, 16);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y * 16 + x)]; };
  const COLORREF bg = RGB(10, 20, 30), down = options_.downColor, up = options_.upColor, both = options_.bothColor;
  // Frame: shadow top and left, highlight bottom and right.
  EXPECT_EQ(at(0, 0), ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(at(0, 14), ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(at(15, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(at(7, 15), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  // A sample equal to the scale fills rows 14..1 of column 14.
  for (int y = 1; y <= 14; ++y) EXPECT_EQ(at(14, y), down) << "y " << y;
  EXPECT_EQ(at(14, 0), ::GetSysColor(COLOR_BTNSHADOW));
  for (int y = 1; y <= 14; ++y) EXPECT_EQ(at(13, y), bg) << "y " << y;
  // Column 12: 7 rows of both (14..8), then up to the top (7..1).
  for (int y = 8; y <= 14; ++y) EXPECT_EQ(at(12, y), both) << "y " << y;
  for (int y = 1; y <= 7; ++y) EXPECT_EQ(at(12, y), up) << "y " << y;
  for (int x = 1; x <= 11; ++x) EXPECT_EQ(at(x, 14), bg) << "x " << x;
}

TEST_F(TrayIconTest, LineGraphPixelsAndNewPens) {
  RateHistory h(16);
  for (int i = 0; i < 20; ++i) h.PushFront(RateSample{100, 0, 0, 0});
  TraySource src = Source(h);
  options_.downColor = RGB(1, 2, 3);
  tray_.SetColours(options_);
  ASSERT_TRUE(tray_.DrawGraph(src, 0));
  const auto px = Pixels(tray_.graphBitmap(), 16, 16);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y * 16 + x)]; };
  // Download at the full 13 rows: y 1 from x 14 to 1 (x 0 is the line's excluded end);
  // upload, all zero, on the bottom row under it.
  for (int x = 1; x <= 14; ++x) {
    EXPECT_EQ(at(x, 1), RGB(1, 2, 3)) << "x " << x;
    EXPECT_EQ(at(x, 14), options_.upColor) << "x " << x;
  }
  EXPECT_EQ(at(0, 1), ::GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(TrayIconTest, NotifyClicks) {
  int toggles = 0;
  tray_.SetToggleHandler([&] { ++toggles; });
  ::SendMessageW(hwnd_, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
  ::SendMessageW(hwnd_, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONDOWN);
  ::SendMessageW(hwnd_, WM_TRAY_NOTIFY, kTrayIconId, WM_MOUSEMOVE);
  EXPECT_EQ(toggles, 1);

  MenuHandle menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_POPUP)));
  ASSERT_TRUE(menu);
  tray_.SetPopup(::GetSubMenu(menu.get(), 0));
  ::ShowWindow(hwnd_, SW_SHOW);
  // The popup blocks until it is closed: a timer closes it once it is open.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    if (g_window && g_window->menuLoops > 0) ::EndMenu();
  });
  ::SendMessageW(hwnd_, WM_TRAY_NOTIFY, kTrayIconId, WM_RBUTTONUP);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(window_.menuLoops, 1);
  EXPECT_TRUE(PumpUntil([&] { return window_.nulls > 0; }, 2000));
  EXPECT_EQ(::GetForegroundWindow(), hwnd_);
}
