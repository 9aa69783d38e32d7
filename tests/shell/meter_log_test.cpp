// The meter window with its traffic log: slices, days and restarts, through
// the clock and adapter seams and a log file of the test's own.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "shell_support.h"
#include "trafficlog/log_format.h"

namespace {

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class MeterLog : public MeterTest {
protected:
  void SetUp() override {
    clock.Set(2026, 12, 8, 12, 15, 50);
    auto& a = adapters.Add("{BBBBBBBB-0000-0000-0000-000000000001}", 5);
    a.row.inOctets = 1000000;
    a.row.outOctets = 500000;
  }
  // One second with `down` bytes received and `up` sent on the adapter.
  void Second(uint64_t down, uint64_t up) {
    adapters.adapters[0].row.inOctets += down;
    adapters.adapters[0].row.outOctets += up;
    TickSeconds(1);
  }
  const AdapterEntry& All() const { return meter->catalogue()[0]; }
};

TEST_F(MeterLog, FreshLogIsWrittenAtTheSliceChangeOnly) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(meter->log().isOpen());
  EXPECT_EQ(FileSize(env.logPath), 24);
  for (int i = 0; i < 9; ++i) Second(1000, 100);  // up to 12:15:59
  EXPECT_EQ(FileSize(env.logPath), 24);
  Second(1000, 100);  // 12:16:00: one record per connection
  const int64_t size = FileSize(env.logPath);
  EXPECT_GT(size, 24);
  EXPECT_EQ((size - 24) % 296, 0);
}

TEST_F(MeterLog, RestartInTheMiddleOfADayContinuesTodaysCounts) {
  ASSERT_TRUE(Start());
  Second(0, 0);  // baseline taken at start-up; first sample counts from there
  for (int i = 0; i < 5; ++i) Second(2000, 300);
  const uint64_t in = All().todayIn;
  const uint64_t out = All().todayOut;
  EXPECT_EQ(in, 10000u);
  EXPECT_EQ(out, 1500u);
  meter.reset();  // the window goes: today's records are written

  clock.Advance(60);
  ASSERT_TRUE(Start());
  EXPECT_EQ(All().todayIn, in);
  EXPECT_EQ(All().todayOut, out);
  EXPECT_EQ(meter->catalogue()[2].todayIn, in);
}

TEST_F(MeterLog, TimeChangeWritesUnderTheDateThatWasCurrent) {
  clock.Set(2026, 12, 9, 0, 10, 0);
  Start();
  Second(0, 0);
  Second(700, 70);
  clock.Set(2026, 12, 8, 23, 50, 0);
  ::SendMessageW(meter->hwnd(), WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(meter->storedMoment().day, 8);
  // The counts went to the 9th, the date that was current; the 8th has no record yet.
  RecordScanner scan(meter->log().file());
  DayRecord r;
  uint64_t offset = 0;
  ASSERT_TRUE(scan.NextOf(kKindAll, "", r, offset));
  EXPECT_EQ(r.day, 9);
  EXPECT_EQ(r.down, 700u);
  EXPECT_FALSE(scan.NextOf(kKindAll, "", r, offset));
}

TEST_F(MeterLog, DisplayingASecondConnectionGrowsTheWindowAndMakesAView) {
  ASSERT_TRUE(Start());
  RECT before;
  ::GetWindowRect(meter->hwnd(), &before);
  ASSERT_NE(All().view, nullptr);
  ::SendMessageW(meter->hwnd(), WM_COMMAND, MAKEWPARAM(meter->catalogue()[2].adapterMenuId, 0), 0);
  ASSERT_NE(meter->catalogue()[2].view, nullptr);
  EXPECT_TRUE(meter->catalogue()[2].monitored);
  RECT after;
  ::GetWindowRect(meter->hwnd(), &after);
  EXPECT_GT(after.bottom - after.top, before.bottom - before.top);
  // Samples reach the displayed views.
  Second(5000, 500);
  Second(5000, 500);
  EXPECT_GT(meter->catalogue()[2].view->scale().shownMax, 0u);
  ::SendMessageW(meter->hwnd(), WM_COMMAND, MAKEWPARAM(meter->catalogue()[2].adapterMenuId, 0), 0);
  EXPECT_EQ(meter->catalogue()[2].view, nullptr);
}

}  // namespace

namespace {

// The tray icon follows the selected connection once per tick.
TEST_F(MeterLog, TrayShowsTheSelectedConnectionEveryTick) {
  env.useTray = true;
  ASSERT_TRUE(Start());
  Second(0, 0);
  Second(3000, 0);
  const CTrayIcon& tray = meter->tray();
  EXPECT_TRUE(tray.shown());
  // All Connections is displayed, so the miniature graph is drawn.
  EXPECT_EQ(tray.stateIndex(), -1);
  EXPECT_EQ(tray.tooltip().rfind(L"All Connections\n", 0), 0u) << std::string(tray.tooltip().begin(), tray.tooltip().end());
  EXPECT_NE(tray.tooltip().find(L"Dw: 24.0 kbps  Up: 0 bps"), std::wstring::npos);
  // A left click hides the meter, the next shows it again.
  ::SendMessageW(meter->hwnd(), WM_TRAY_NOTIFY, 104, WM_LBUTTONUP);
  EXPECT_FALSE(::IsWindowVisible(meter->hwnd()));
  ::SendMessageW(meter->hwnd(), WM_TRAY_NOTIFY, 104, WM_LBUTTONUP);
  EXPECT_TRUE(::IsWindowVisible(meter->hwnd()));
  ::SendMessageW(meter->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(tray.shown());
}

}  // namespace

TEST_F(MeterLog, ADamagedLogIsReportedOnceWithItsCount) {
  std::string bytes(kLogHeaderSize, '\0');
  bytes.replace(0, 8, std::string("NTSL\x02\0\0\0", 8));
  for (int day = 1; day <= 3; ++day) {
    DayRecord r;
    r.year = 2026, r.month = 12, r.day = static_cast<uint16_t>(day), r.kind = 100, r.down = 5;
    r.weekday = day == 2 ? 9 : static_cast<uint16_t>(DayOfWeek(r.date()));  // the middle one is torn
    uint8_t image[kDayRecordSize];
    EncodeDayRecord(r, image);
    bytes.append(reinterpret_cast<const char*>(image), kDayRecordSize);
  }
  WriteFileBytes(env.logPath, bytes);
  ASSERT_TRUE(Start());
  for (int i = 0; i < 3; ++i) Second(1000, 100);
  int told = 0;
  for (const std::wstring& m : messages) told += m.find(L"has 1 damaged record") != std::wstring::npos;
  EXPECT_EQ(told, 1);
}

// Clear in the reports window the meter opens (F3) reaches the meter itself:
// today's counters start again from nothing.
TEST_F(MeterLog, ClearInTheReportsWindowStartsTodaysCountsAgain) {
  ASSERT_TRUE(Start());
  for (int i = 0; i < 3; ++i) Second(1000, 100);
  ASSERT_GT(All().todayIn, 0u);
  answer = IDYES;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND reports = ::FindWindowW(nullptr, L"Traffic Reports - [All Connections]");
    if (!reports) return;
    ::SendMessageW(reports, WM_COMMAND, MAKEWPARAM(IDC_SUM_CLEAR, BN_CLICKED), 0);
    ::SendMessageW(reports, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });
  Command(ID_REPORTS);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(All().todayIn, 0u);
  EXPECT_EQ(All().todayOut, 0u);
}
