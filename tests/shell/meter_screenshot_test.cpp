// Pictures of the real meter window for the documentation: two stacked
// connections with steady traffic, in column and line style, with and without
// caption. Run by scripts/screenshots.sh (the test is disabled otherwise).
#include <gtest/gtest.h>

#include <cmath>

#include "res/resource.h"
#include "shell_support.h"

namespace {

using MeterScreenshots = MeterTest;

TEST_F(MeterScreenshots, DISABLED_TwoConnections) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  clock.Set(2026, 12, 8, 14, 3, 0);
  auto& nic = adapters.Add("{CCCCCCCC-0000-0000-0000-000000000007}", 7);
  nic.info.description = nic.row.description = "Test adapter 7";
  nic.info.ipAddress = "192.0.2.7";
  ASSERT_TRUE(Start());
  HWND h = hwnd;
  ::SetWindowPos(h, nullptr, 200, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(meter->catalogue()[2].adapterMenuId, 0), 0);
  for (int i = 0; i < 120; ++i) {
    const double wave = 0.5 + 0.5 * std::sin(i / 6.0);
    nic.row.inOctets += static_cast<uint64_t>(20000 + 90000 * wave);
    nic.row.outOctets += static_cast<uint64_t>(4000 + 9000 * (1 - wave));
    clock.Advance(1);
    meter->Tick();
  }
  for (bool lines : {false, true}) {
    if (lines) ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(ID_GRAPH_LINES, 0), 0);
    for (bool caption : {true, false}) {
      if (meter->settings().showCaption != (caption ? 1 : 0))
        ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(ID_VIEW_CAPTION, 0), 0);
      ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      PumpUntil([] { return false; }, 300);  // let the window manager settle the frame
      const std::wstring name = std::wstring(dir) + L"\\meter-" + (lines ? L"line" : L"column") +
                                (caption ? L"-caption" : L"-nocaption") + L".bmp";
      EXPECT_TRUE(WriteScreenBmp(h, name));
    }
  }
}

}  // namespace
