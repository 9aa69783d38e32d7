// The meter window's tick, driven through the clock and adapter seams.
#include <gtest/gtest.h>

#include "app/meter_dlg.h"
#include "settings/registry_win.h"
#include "meter_test_support.h"

namespace {

class MeterTick : public ::testing::Test {
protected:
  void SetUp() override {
    clock.Set(2026, 12, 8, 12, 15, 0);
    adapters.Add("{11111111-2222-3333-4444-555555555555}", 7);
    env = TestMeterEnvironment(clock, adapters, registry, reg);
  }
  HWND Start() {
    meter = std::make_unique<CMeterDlg>(env);
    HWND h = meter->Create(::GetModuleHandleW(nullptr));
    PumpPending();
    return h;
  }
  void TickSeconds(int n) {
    for (int i = 0; i < n; ++i) {
      clock.Advance(1);
      meter->Tick();
    }
  }

  ScriptedClock clock;
  ScriptedSource adapters;
  TestRegistryRoot reg;
  Win32Registry registry;
  MeterEnvironment env;
  std::unique_ptr<CMeterDlg> meter;
};

TEST_F(MeterTick, SliceChangeWritesOnceThenNothingFor959Ticks) {
  clock.Set(2026, 12, 8, 12, 15, 58);
  ASSERT_NE(Start(), nullptr);
  TickSeconds(1);  // 12:15:59
  EXPECT_EQ(meter->counters().recordWrites, 0);
  TickSeconds(1);  // 12:16:00
  EXPECT_EQ(meter->counters().recordWrites, 1);
  TickSeconds(959);  // up to 12:31:59
  EXPECT_EQ(meter->storedMoment().minute, 31);
  EXPECT_EQ(meter->storedMoment().second, 59);
  EXPECT_EQ(meter->counters().recordWrites, 1);
  TickSeconds(1);  // 12:32:00
  EXPECT_EQ(meter->counters().recordWrites, 2);
  EXPECT_EQ(meter->counters().dateStarts, 0);
}

TEST_F(MeterTick, MidnightIsANewDate) {
  clock.Set(2026, 12, 8, 23, 59, 58);
  ASSERT_NE(Start(), nullptr);
  TickSeconds(1);
  EXPECT_EQ(meter->counters().recordWrites, 0);
  TickSeconds(1);  // 00:00:00 of the 9th
  EXPECT_EQ(meter->counters().recordWrites, 1);
  EXPECT_EQ(meter->counters().dateStarts, 1);
  EXPECT_EQ(meter->storedMoment().day, 9);
}

TEST_F(MeterTick, ClockSetBackToYesterdayIsANewDateSeenByTimeChange) {
  clock.Set(2026, 12, 9, 0, 10, 0);
  HWND h = Start();
  ASSERT_NE(h, nullptr);
  clock.Set(2026, 12, 8, 23, 50, 0);
  ::SendMessageW(h, WM_TIMECHANGE, 0, 0);
  EXPECT_EQ(meter->counters().recordWrites, 1);
  EXPECT_EQ(meter->counters().dateStarts, 1);
  EXPECT_EQ(meter->storedMoment().day, 8);
  // The next tick is in the same slice as the stored moment: no more work,
  // and a clock that went back is no gap.
  TickSeconds(1);
  EXPECT_EQ(meter->counters().recordWrites, 1);
  EXPECT_EQ(meter->counters().gaps, 0);
}

TEST_F(MeterTick, TwoHourGapDropsBaselinesOnce) {
  ASSERT_NE(Start(), nullptr);
  TickSeconds(3);
  EXPECT_EQ(meter->counters().gaps, 0);
  clock.Advance(2 * 3600);
  meter->Tick();
  EXPECT_EQ(meter->counters().gaps, 1);
  TickSeconds(1);
  EXPECT_EQ(meter->counters().gaps, 1);
}

TEST_F(MeterTick, ThirtySecondsIsNotYetAGap) {
  ASSERT_NE(Start(), nullptr);
  clock.Advance(30);
  meter->Tick();
  EXPECT_EQ(meter->counters().gaps, 0);
  clock.Advance(31);
  meter->Tick();
  EXPECT_EQ(meter->counters().gaps, 1);
}

TEST_F(MeterTick, FailedAdapterListSkipsTheRestButNotTheLogWork) {
  clock.Set(2026, 12, 8, 12, 15, 59);
  ASSERT_NE(Start(), nullptr);
  adapters.failList = true;
  TickSeconds(1);
  EXPECT_EQ(meter->counters().skippedSamples, 1);
  EXPECT_EQ(meter->counters().recordWrites, 1);
  adapters.failList = false;
  TickSeconds(1);
  EXPECT_EQ(meter->counters().samplePasses, 1);
}

TEST_F(MeterTick, TimerDrivesTheTick) {
  env.startTimer = true;
  ASSERT_NE(Start(), nullptr);
  EXPECT_TRUE(meter->flags().tickRunning);
  EXPECT_TRUE(PumpUntil([&] { return meter->counters().ticks >= 1; }, 5000));
}

}  // namespace
