#include <gtest/gtest.h>

#include "engine/tick.h"

namespace {
LocalTime At(int y, int mo, int d, int h, int mi, int s) { return MakeLocalTime(y, mo, d, h, mi, s); }
}  // namespace

TEST(TickRules, SliceBoundariesFallEvery16Minutes) {
  EXPECT_EQ(SliceOf(0), 0);
  EXPECT_EQ(SliceOf(15), 0);
  EXPECT_EQ(SliceOf(16), 1);
  EXPECT_EQ(SliceOf(31), 1);
  EXPECT_EQ(SliceOf(32), 2);
  EXPECT_EQ(SliceOf(47), 2);
  EXPECT_EQ(SliceOf(48), 3);
  EXPECT_EQ(SliceOf(59), 3);
}

TEST(TickRules, MomentComparison) {
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 12, 15, 58), At(2026, 12, 8, 12, 15, 59)), MomentChange::SameSlice);
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 12, 15, 59), At(2026, 12, 8, 12, 16, 0)), MomentChange::NewSlice);
  // Minute 48-59 and the next hour's 0-15 are different slices of different hours.
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 12, 59, 59), At(2026, 12, 8, 13, 0, 0)), MomentChange::NewSlice);
  // Same minute and slice of another hour: still a change (the hour is compared).
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 12, 5, 0), At(2026, 12, 8, 14, 5, 0)), MomentChange::NewSlice);
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 23, 59, 59), At(2026, 12, 9, 0, 0, 0)), MomentChange::NewDate);
  EXPECT_EQ(CompareMoments(At(2026, 12, 31, 23, 59, 59), At(2027, 1, 1, 0, 0, 0)), MomentChange::NewDate);
  // The clock set back to the previous day is a new date too.
  EXPECT_EQ(CompareMoments(At(2026, 12, 9, 0, 10, 0), At(2026, 12, 8, 23, 50, 0)), MomentChange::NewDate);
  // The same date and slice a year later is still a new date.
  EXPECT_EQ(CompareMoments(At(2026, 12, 8, 12, 0, 0), At(2027, 12, 8, 12, 0, 0)), MomentChange::NewDate);
}

TEST(TickRules, DayOfWeekTakesNoPartInTheComparison) {
  LocalTime a = At(2026, 12, 8, 10, 0, 0);
  LocalTime b = a;
  b.dayOfWeek = static_cast<uint16_t>((a.dayOfWeek + 3) % 7);
  EXPECT_EQ(CompareMoments(a, b), MomentChange::SameSlice);
}

TEST(TickRules, GapRule) {
  EXPECT_FALSE(IsTickGap(1000, 1001));
  EXPECT_FALSE(IsTickGap(1000, 1030));
  EXPECT_TRUE(IsTickGap(1000, 1031));
  EXPECT_TRUE(IsTickGap(1000, 1000 + 2 * 3600));
  // A clock that went backwards does not trigger the rule.
  EXPECT_FALSE(IsTickGap(1000, 1000 - 3600));
}
