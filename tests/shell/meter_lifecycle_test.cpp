// Start-up and shutdown of the meter window.
#include <gtest/gtest.h>

#include "app/app_win.h"
#include "app/meter_dlg.h"
#include "res/resource.h"
#include "settings/registry_win.h"
#include "shell_support.h"

namespace {

class MeterLifecycle : public ::testing::Test {
protected:
  void SetUp() override {
    clock.Set(2026, 12, 8, 10, 0, 0);
    env.clock = &clock;
    env.adapters = &adapters;
    env.registry = &registry;
    env.registryRoot = reg.root();
    env.useTray = false;
    env.registerHotkey = false;
    env.logPath = TempFilePath(L"zephra-test");
    env.startTimer = false;
    env.firstStartHelp = false;
  }
  TestClock clock;
  TestAdapters adapters;
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

TEST(AppStart, FailureTextNamesTheSupportAddress) {
  const std::wstring text = InitFailureText();
  EXPECT_EQ(text.rfind(L"Failed to initialize! Zephra will exit.\n\nPlease contact us at <", 0), 0u);
  EXPECT_EQ(text.back(), L'.');
  EXPECT_NE(text.find(L">."), std::wstring::npos);
}

}  // namespace
