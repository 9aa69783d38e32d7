// Pictures of the four pages of the reports window over four months of an
// office machine's traffic, for the documentation. Run by scripts/screenshots.sh.
#include <gtest/gtest.h>

#include <cmath>

#include "core/log_test_support.h"
#include "res/resource.h"
#include "shell_support.h"
#include "trafficlog/summary_sheet_win.h"

namespace {

TEST(ReportsScreenshots, DISABLED_FourPages) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  AdapterEntry all, dial, lan, wifi;
  all.kind = kKindAll;
  all.name = L"All Connections";
  dial.kind = kKindDialUp;
  dial.name = L"Dial-Up Connections";
  lan.id = "{5C3F1A2B-7E10-4C2D-9A61-0B2E8F4D7C11}";
  lan.name = L"Ethernet";
  wifi.id = "{8A9B0C1D-2E3F-4051-8263-748596A7B8C9}";
  wifi.name = L"Wi-Fi";
  lan.todayIn = 187654321;
  lan.todayOut = 12345678;

  MemoryLogFile log;
  uint8_t image[kDayRecordSize];
  uint64_t at = kLogHeaderSize;
  for (int d = 0; d < 129; ++d) {  // 1 August to 7 December 2026
    const CivilDate date = AddDays(CivilDate{2026, 8, 1}, d);
    const int weekday = DayOfWeek(date);
    const double work = weekday == 0 || weekday == 6 ? 0.25 : 1.0;
    const double wave = 0.6 + 0.4 * std::sin(d / 5.0);
    const uint64_t down = static_cast<uint64_t>(work * wave * 1.8e9) + 7340032ull * (d % 7);
    const uint64_t up = static_cast<uint64_t>(work * (1.1 - wave) * 2.1e8) + 524288ull * (d % 5);
    for (const DayRecord& r : {Rec(date.year, date.month, date.day, 100, "", down + down / 9, up + up / 7),
                               Rec(date.year, date.month, date.day, 300, lan.id, down, up),
                               Rec(date.year, date.month, date.day, 300, wifi.id, down / 9, up / 7)}) {
      EncodeDayRecord(r, image);
      log.WriteAt(at, image, sizeof image);
      at += sizeof image;
    }
  }

  ReportsInput input;
  input.log = &log;
  input.entries = {&all, &dial, &lan, &wifi};
  input.selected = {300, lan.id};
  input.logPath = L"C:\\users\\office\\Application Data\\ZephraData\\sum_v2.log";
  input.options.weekStartDay = 1;
  ReportsEnvironment env = DefaultReportsEnvironment();
  env.now = [] { return MakeLocalTime(2026, 12, 8, 15, 42, 0); };
  CSummarySheet sheet(input, env);
  ASSERT_NE(sheet.Create(::GetModuleHandleW(nullptr), nullptr), nullptr);
  const wchar_t* names[kReportPageCount] = {L"summary", L"daily", L"weekly", L"monthly"};
  for (int page = 0; page < kReportPageCount; ++page) {
    ::SendMessageW(sheet.hwnd(), PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
    PumpPending();
    if (page != kPageSummary) {
      HWND list = sheet.listPage(page).list().hwnd();
      const int last = ListView_GetItemCount(list) - 1;
      ListView_EnsureVisible(list, last, FALSE);
      for (int row : {last - 1, last - 2}) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    ::RedrawWindow(sheet.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(WriteScreenBmp(sheet.hwnd(), std::wstring(dir) + L"\\reports-" + names[page] + L".bmp"));
  }
}

}  // namespace
