// The clock rules of the one-second tick: the gap rule and the 16-minute slice
// and day comparison. The work each rule triggers is done by the meter window.
#pragma once
#include <cstdint>
#include "base/dates.h"

constexpr unsigned kTickTimerId = 101;
constexpr unsigned kTickIntervalMs = 1000;
// More than this many seconds between two ticks drops every baseline, so that
// a resume from sleep or a clock jump shows no burst of traffic.
constexpr int64_t kTickGapSeconds = 30;

// The 16-minute part of an hour a minute falls in: 0-15, 16-31, 32-47, 48-59.
constexpr int SliceOf(int minute) { return minute / 16; }

bool IsTickGap(int64_t storedSeconds, int64_t nowSeconds);

enum class MomentChange {
  SameSlice,  // nothing to do but remember the time
  NewSlice,   // write today's records (slice or hour changed, same date)
  NewDate,    // write today's records under the old date, then start the new date
};

// Compares now with the stored moment; the day of the week takes no part.
MomentChange CompareMoments(const LocalTime& stored, const LocalTime& now);
