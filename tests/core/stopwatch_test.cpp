// The stopwatch's span over a rate history: the worked example, samples that
// arrive between updates, and the elapsed-time text.
#include <gtest/gtest.h>

#include "stopwatch/stopwatch_span.h"

namespace {

void Push(RateHistory& h, uint32_t down, uint32_t up) { h.PushFront(RateSample{down, up, 0, 0}); }

TEST(StopwatchSpan, WorkedExampleCountsEachSampleOnce) {
  RateHistory h(8);
  Push(h, 9999, 9999);  // before Start: not counted
  StopwatchSpan s;
  StartSpan(s, h);
  TakeNewSamples(s);    // the timer fires with no new sample
  Push(h, 100, 10);
  TakeNewSamples(s);
  TakeNewSamples(s);    // twice before the next sample
  Push(h, 50, 20);
  Push(h, 200, 5);      // two samples between two updates
  TakeNewSamples(s);
  EXPECT_EQ(s.sampleCount, 3u);
  const StopwatchTexts t = FigureTexts(s, true);
  EXPECT_EQ(t.totalDownBytes, L"350 B");
  EXPECT_EQ(t.maxDown, L"200 B/s");
  EXPECT_EQ(t.minDown, L"50 B/s");
  EXPECT_EQ(t.avgDown, L"116 B/s");
  EXPECT_EQ(t.totalUpBytes, L"35 B");
  EXPECT_EQ(t.maxUp, L"20 B/s");
  EXPECT_EQ(t.minUp, L"5 B/s");
  EXPECT_EQ(t.avgUp, L"11 B/s");
  EXPECT_EQ(t.totalDownBits, L"2.8 kb");
  // A sample lower than both minima lowers both.
  Push(h, 1, 1);
  TakeNewSamples(s);
  EXPECT_EQ(FigureTexts(s, true).minDown, L"1 B/s");
  EXPECT_EQ(FigureTexts(s, true).minUp, L"1 B/s");
  // Stopped: nothing more is taken.
  StopSpan(s);
  Push(h, 7, 7);
  TakeNewSamples(s);
  EXPECT_EQ(s.sampleCount, 4u);
}

TEST(StopwatchSpan, NoSampleShowsZeroMinimaAndAClearedHistoryIsFollowed) {
  RateHistory h(4);
  StopwatchSpan s;
  StartSpan(s, h);
  EXPECT_EQ(FigureTexts(s, false).minDown, L"0 bps");
  Push(h, 5, 5);
  h.Clear();  // the range reset while measuring
  Push(h, 3, 4);
  TakeNewSamples(s);
  EXPECT_EQ(s.sampleCount, 1u);  // only what the history still holds
  EXPECT_EQ(s.totalDown, 3);
}

TEST(StopwatchSpan, ElapsedText) {
  EXPECT_EQ(ElapsedText(0), L"00 : 00 : 00");
  EXPECT_EQ(ElapsedText(3725), L"01 : 02 : 05");
  EXPECT_EQ(ElapsedText(360000), L"100 : 00 : 00");
}

}  // namespace
