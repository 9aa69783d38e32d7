// The stopwatch's span: the traffic of one connection from Start on, taken
// from the same rate history that feeds the graph. Each update takes exactly
// the samples that arrived since the previous one.
#pragma once
#include <cstdint>
#include <string>

#include "measure/rate_history.h"

constexpr uint32_t kNoSampleYet = 0xFFFFFFFFu;  // minDown before the first sample

struct StopwatchSpan {
  bool running = false;
  uint32_t elapsed = 0;  // seconds, counted by the window's timer
  int64_t totalDown = 0, totalUp = 0;
  uint32_t sampleCount = 0;
  uint32_t maxDown = 0, maxUp = 0;
  uint32_t minDown = kNoSampleYet, minUp = kNoSampleYet;
  uint32_t avgDown = 0, avgUp = 0;
  const RateHistory* history = nullptr;  // none while stopped
  uint64_t lastSeen = 0;                 // the history's push count at the previous update
};

// Clears the figures and starts measuring the history's samples from now on.
void StartSpan(StopwatchSpan& span, const RateHistory& history);
void StopSpan(StopwatchSpan& span);
// Takes the samples pushed since the last update, newest first.
void TakeNewSamples(StopwatchSpan& span);

// The elapsed time as "01 : 02 : 05"; the hours grow past two digits.
std::wstring ElapsedText(uint32_t seconds);

// The texts of the figure labels, download first in each pair.
struct StopwatchTexts {
  std::wstring totalDownBytes, totalUpBytes, totalDownBits, totalUpBits;
  std::wstring maxDown, maxUp, minDown, minUp, avgDown, avgUp;
};
StopwatchTexts FigureTexts(const StopwatchSpan& span, bool unitBytes);
