// The about window, run modally and read and closed from a timer.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "app/about_dlg_win.h"
#include "res/resource.h"
#include "shell_support.h"
#include "ui/window_util_win.h"

namespace {

struct Seen {
  CAboutDlg* dlg = nullptr;
  bool read = false;
  std::wstring product, version, homeText, caption;
  std::wstring homeTarget, mailTarget;
  int homeMode = 0, mailMode = 0;
  bool homeNotify = false;
};
Seen g_seen;

void CALLBACK ReadAndClose(HWND, UINT, UINT_PTR, DWORD) {
  CAboutDlg* dlg = g_seen.dlg;
  if (!dlg || !dlg->hwnd() || g_seen.read || !::IsWindowVisible(dlg->hwnd())) return;
  HWND h = dlg->hwnd();
  g_seen.read = true;
  g_seen.product = ItemText(h, IDC_ABOUT_PRODUCT);
  g_seen.version = ItemText(h, IDC_ABOUT_VERSION);
  g_seen.homeText = ItemText(h, IDC_ABOUT_HOMEPAGE);
  wchar_t caption[64] = {};
  ::GetWindowTextW(h, caption, 64);
  g_seen.caption = caption;
  g_seen.homeTarget = dlg->homePage().target();
  g_seen.mailTarget = dlg->email().target();
  g_seen.homeMode = dlg->homePage().underlineMode();
  g_seen.mailMode = dlg->email().underlineMode();
  g_seen.homeNotify = (::GetWindowLongPtrW(::GetDlgItem(h, IDC_ABOUT_HOMEPAGE), GWL_STYLE) & SS_NOTIFY) != 0 &&
                      dlg->homePage().hwnd() == ::GetDlgItem(h, IDC_ABOUT_HOMEPAGE);
  ::PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

TEST(AboutDlg, ShowsProductVersionAndLinks) {
  // The resource carries the project version of CMakeLists.txt.
  EXPECT_EQ(ModuleVersionText(::GetModuleHandleW(nullptr)), L"Version " ZEPHRA_VERSION_W L".0");
  CAboutDlg dlg;
  g_seen = Seen{};
  g_seen.dlg = &dlg;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, ReadAndClose);
  const INT_PTR result = dlg.Run(nullptr);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDOK);
  ASSERT_TRUE(g_seen.read);
  EXPECT_EQ(g_seen.caption, L"About Zephra");
  EXPECT_EQ(g_seen.product, L"Zephra");
  EXPECT_EQ(g_seen.version, L"Version 1.0.0.0");
  EXPECT_EQ(g_seen.homeTarget, L"https://www.quarlen.example/zephra/");
  EXPECT_EQ(g_seen.homeText, L"https://www.quarlen.example/zephra/");
  EXPECT_EQ(g_seen.mailTarget, L"mailto:support@quarlen.example");
  EXPECT_EQ(g_seen.homeMode, 1);
  EXPECT_EQ(g_seen.mailMode, 1);
  EXPECT_TRUE(g_seen.homeNotify);
  // The window is gone and its links let go of their controls.
  EXPECT_EQ(dlg.hwnd(), nullptr);
  EXPECT_EQ(dlg.homePage().hwnd(), nullptr);
}
