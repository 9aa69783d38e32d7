// Start-up and shutdown of the meter window.
#include <gtest/gtest.h>

#include "app/app_win.h"
#include "res/resource.h"
#include "shell_support.h"
#include "ui/files_win.h"

namespace {

using MeterLifecycle = MeterTest;

TEST_F(MeterLifecycle, InitWritesHwndAndTitle) {
  ASSERT_TRUE(Start());
  wchar_t title[64] = {};
  ::GetWindowTextW(hwnd, title, 64);
  EXPECT_STREQ(title, L"Zephra");
  DWORD stored = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"HWND", stored));
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(stored)), hwnd);
  EXPECT_EQ(FindRunningMeter(reg.root()), hwnd);
  // No task-bar button.
  const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
}

TEST_F(MeterLifecycle, FirstStartOpensTheHelpFileOnce) {
  env.firstStartHelp = true;
  ASSERT_TRUE(Start());
  DWORD firstRun = 1;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"FirstRun", firstRun));
  EXPECT_EQ(firstRun, 0u);
  ASSERT_TRUE(Start());
  const std::optional<std::wstring> dir = ModuleDirectory();
  ASSERT_TRUE(dir);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"open|" + *dir + L"Zephra.chm"});
}

TEST_F(MeterLifecycle, EscAndEnterDoNotEndTheDialog) {
  ASSERT_TRUE(Start());
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_FALSE(meter->shutdownDone());
}

TEST_F(MeterLifecycle, HideAndShowCommands) {
  ASSERT_TRUE(Start());
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ID_HIDE_WINDOW, 0), 0);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(meter->flags().visible);
  ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ID_SHOW_WINDOW, 0), 0);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(meter->flags().visible);
}

TEST_F(MeterLifecycle, CloseRunsShutdownAndDestroys) {
  ASSERT_TRUE(Start());
  ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(meter->shutdownDone());
}

TEST_F(MeterLifecycle, EndSessionCalledOffKeepsTheWindowWorking) {
  env.startTimer = true;
  ASSERT_TRUE(Start());
  ::SendMessageW(hwnd, WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(meter->shutdownDone());
  EXPECT_TRUE(meter->flags().tickRunning);
  const int before = meter->counters().ticks;
  EXPECT_TRUE(PumpUntil([&] { return meter->counters().ticks > before; }, 5000));
  ::SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(meter->shutdownDone());
  EXPECT_FALSE(meter->flags().tickRunning);
}

TEST_F(MeterLifecycle, AcceleratorEscHidesThroughTheMessageLoop) {
  ASSERT_TRUE(Start());
  ASSERT_NE(meter->accelerators(), nullptr);
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_ESCAPE;
  msg.lParam = 1;
  EXPECT_TRUE(::TranslateAcceleratorW(hwnd, meter->accelerators(), &msg));
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(::IsWindow(hwnd));
}

TEST_F(MeterLifecycle, StartMinimizedStaysHiddenUntilShown) {
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, reg.key(L"Options").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  const DWORD one = 1;
  ::RegSetValueExW(key, L"StartMinimized", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  ::RegCloseKey(key);
  ASSERT_TRUE(Start());
  ::ShowWindow(hwnd, SW_SHOWNORMAL);  // an attempt to show it on its own is suppressed
  PumpPending();
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(meter->flags().startHidden);
  // The hot key shows it (it shows, it does not toggle).
  ::SendMessageW(hwnd, WM_HOTKEY, kHotkeyId, 0);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(meter->flags().startHidden);
  ::SendMessageW(hwnd, WM_HOTKEY, kHotkeyId, 0);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
}

TEST_F(MeterLifecycle, MinimiseHidesAndShutdownSavesTheWindowRectangle) {
  ASSERT_TRUE(Start());
  ::SetWindowPos(hwnd, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(::IsIconic(hwnd));
  RECT r;
  ::GetWindowRect(hwnd, &r);
  ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
  BYTE data[16] = {};
  DWORD size = sizeof data;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, reg.key(L"Options").c_str(), L"WndPosition", RRF_RT_REG_BINARY, nullptr,
                           data, &size),
            ERROR_SUCCESS);
  ASSERT_EQ(size, 16u);
  int32_t stored[4];
  for (int i = 0; i < 4; ++i)
    stored[i] = static_cast<int32_t>(data[i * 4] | data[i * 4 + 1] << 8 | data[i * 4 + 2] << 16 |
                                     static_cast<uint32_t>(data[i * 4 + 3]) << 24);
  EXPECT_EQ(stored[0], r.left);
  EXPECT_EQ(stored[1], r.top);
  EXPECT_EQ(stored[2], r.right);
  EXPECT_EQ(stored[3], r.bottom);
  // The next start puts the window where it was.
  ASSERT_TRUE(Start());
  RECT r2;
  ::GetWindowRect(hwnd, &r2);
  EXPECT_EQ(r2.left, r.left);
  EXPECT_EQ(r2.top, r.top);
}

TEST(AppStart, FailureTextNamesTheSupportAddress) {
  const std::wstring text = InitFailureText();
  EXPECT_EQ(text.rfind(L"Failed to initialize! Zephra will exit.\n\nPlease contact us at <", 0), 0u);
  EXPECT_EQ(text.back(), L'.');
  EXPECT_NE(text.find(L">."), std::wstring::npos);
}

}  // namespace
