#include "stopwatch/stopwatch_span.h"

#include <algorithm>
#include <cstdio>

#include "base/format.h"

void StartSpan(StopwatchSpan& span, const RateHistory& history) {
  span = StopwatchSpan{};
  span.running = true;
  span.history = &history;
  span.lastSeen = history.pushes();
}

void StopSpan(StopwatchSpan& span) {
  span.history = nullptr;
  span.lastSeen = 0;
  span.running = false;
}

void TakeNewSamples(StopwatchSpan& s) {
  if (!s.history) return;
  const RateHistory& h = *s.history;
  // More new samples than the history keeps cannot be counted: the oldest are gone.
  const uint64_t fresh = std::min<uint64_t>(h.pushes() - s.lastSeen, h.size());
  for (size_t i = 0; i < fresh; ++i) {
    const RateSample& r = h[i];
    s.totalDown += r.down;
    s.totalUp += r.up;
    s.sampleCount += 1;
    s.maxDown = std::max(s.maxDown, r.down);
    s.maxUp = std::max(s.maxUp, r.up);
    if (s.minDown == kNoSampleYet) {
      s.minDown = r.down;
      s.minUp = r.up;
    } else {
      s.minDown = std::min(s.minDown, r.down);
      s.minUp = std::min(s.minUp, r.up);
    }
    s.avgDown = static_cast<uint32_t>(s.totalDown / s.sampleCount);
    s.avgUp = static_cast<uint32_t>(s.totalUp / s.sampleCount);
  }
  s.lastSeen = h.pushes();
}

std::wstring ElapsedText(uint32_t seconds) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%02u : %02u : %02u", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
  return text;
}

StopwatchTexts FigureTexts(const StopwatchSpan& s, bool unitBytes) {
  const bool none = s.minDown == kNoSampleYet;
  return StopwatchTexts{FormatByteCount(s.totalDown, true), FormatByteCount(s.totalUp, true),
                        FormatByteCount(s.totalDown, false), FormatByteCount(s.totalUp, false),
                        FormatRate(s.maxDown, unitBytes), FormatRate(s.maxUp, unitBytes),
                        FormatRate(none ? 0 : s.minDown, unitBytes), FormatRate(none ? 0 : s.minUp, unitBytes),
                        FormatRate(s.avgDown, unitBytes), FormatRate(s.avgUp, unitBytes)};
}
