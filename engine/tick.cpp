#include "engine/tick.h"

bool IsTickGap(int64_t storedSeconds, int64_t nowSeconds) {
  // A clock that went backwards is not a gap.
  return nowSeconds - storedSeconds > kTickGapSeconds;
}

MomentChange CompareMoments(const LocalTime& stored, const LocalTime& now) {
  const bool sameDate = stored.year == now.year && stored.month == now.month && stored.day == now.day;
  if (sameDate && stored.hour == now.hour && SliceOf(stored.minute) == SliceOf(now.minute))
    return MomentChange::SameSlice;
  return sameDate ? MomentChange::NewSlice : MomentChange::NewDate;
}
