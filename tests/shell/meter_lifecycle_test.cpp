// Start-up and shutdown of the meter window.
#include <gtest/gtest.h>

#include "app/app_win.h"
#include "app/meter_dlg.h"
#include "res/resource.h"
#include "settings/registry_win.h"
#include "meter_test_support.h"

namespace {

class MeterLifecycle : public ::testing::Test {
protected:
  void SetUp() override {
    clock.Set(2026, 12, 8, 10, 0, 0);
    env = TestMeterEnvironment(clock, adapters, registry, reg);
  }
  ScriptedClock clock;
  ScriptedSource adapters;
  TestRegistryRoot reg;
  Win32Registry registry;
  MeterEnvironment env;
};

TEST_F(MeterLifecycle, InitWritesHwndAndTitle) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  wchar_t title[64] = {};
  ::GetWindowTextW(h, title, 64);
  EXPECT_STREQ(title, L"Zephra");
  DWORD stored = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"HWND", stored));
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(stored)), h);
  EXPECT_EQ(FindRunningMeter(reg.root()), h);
  // No task-bar button.
  const LONG_PTR ex = ::GetWindowLongPtrW(h, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(ex & WS_EX_APPWINDOW);
}

TEST_F(MeterLifecycle, FirstStartClearsFirstRunOnce) {
  env.firstStartHelp = true;
  {
    CMeterDlg meter(env);
    ASSERT_NE(meter.Create(::GetModuleHandleW(nullptr)), nullptr);
  }
  DWORD firstRun = 1;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, reg.key(L"Options"), L"FirstRun", firstRun));
  EXPECT_EQ(firstRun, 0u);
}

TEST_F(MeterLifecycle, EscAndEnterDoNotEndTheDialog) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  EXPECT_TRUE(::IsWindow(h));
  EXPECT_FALSE(meter.shutdownDone());
}

TEST_F(MeterLifecycle, HideAndShowCommands) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(ID_HIDE_WINDOW, 0), 0);
  EXPECT_FALSE(::IsWindowVisible(h));
  EXPECT_FALSE(meter.flags().visible);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(ID_SHOW_WINDOW, 0), 0);
  EXPECT_TRUE(::IsWindowVisible(h));
  EXPECT_TRUE(meter.flags().visible);
}

TEST_F(MeterLifecycle, CloseRunsShutdownAndDestroys) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ::SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_TRUE(meter.shutdownDone());
}

TEST_F(MeterLifecycle, EndSessionCalledOffKeepsTheWindowWorking) {
  env.startTimer = true;
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ::SendMessageW(h, WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(meter.shutdownDone());
  EXPECT_TRUE(meter.flags().tickRunning);
  const int before = meter.counters().ticks;
  EXPECT_TRUE(PumpUntil([&] { return meter.counters().ticks > before; }, 5000));
  ::SendMessageW(h, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(meter.shutdownDone());
  EXPECT_FALSE(meter.flags().tickRunning);
}

TEST_F(MeterLifecycle, AcceleratorEscHidesThroughTheMessageLoop) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ASSERT_NE(meter.accelerators(), nullptr);
  MSG msg{};
  msg.hwnd = h;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_ESCAPE;
  msg.lParam = 1;
  EXPECT_TRUE(::TranslateAcceleratorW(h, meter.accelerators(), &msg));
  EXPECT_FALSE(::IsWindowVisible(h));
  EXPECT_TRUE(::IsWindow(h));
}

TEST_F(MeterLifecycle, StartMinimizedStaysHiddenUntilShown) {
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, reg.key(L"Options").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  const DWORD one = 1;
  ::RegSetValueExW(key, L"StartMinimized", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  ::RegCloseKey(key);
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  PumpPending();
  ::ShowWindow(h, SW_SHOWNORMAL);  // an attempt to show it on its own is suppressed
  PumpPending();
  EXPECT_FALSE(::IsWindowVisible(h));
  EXPECT_TRUE(meter.flags().startHidden);
  // The hot key shows it (it shows, it does not toggle).
  ::SendMessageW(h, WM_HOTKEY, kHotkeyId, 0);
  EXPECT_TRUE(::IsWindowVisible(h));
  EXPECT_FALSE(meter.flags().startHidden);
  ::SendMessageW(h, WM_HOTKEY, kHotkeyId, 0);
  EXPECT_TRUE(::IsWindowVisible(h));
}

TEST_F(MeterLifecycle, MinimiseHidesAndShutdownSavesTheWindowRectangle) {
  CMeterDlg meter(env);
  HWND h = meter.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h, nullptr);
  ::SetWindowPos(h, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::SendMessageW(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(h));
  EXPECT_FALSE(::IsIconic(h));
  RECT r;
  ::GetWindowRect(h, &r);
  ::SendMessageW(h, WM_CLOSE, 0, 0);
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
  CMeterDlg again(env);
  HWND h2 = again.Create(::GetModuleHandleW(nullptr));
  ASSERT_NE(h2, nullptr);
  RECT r2;
  ::GetWindowRect(h2, &r2);
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
