#include "alerts/beeper_win.h"

#include <windows.h>

#include "alerts/beeper.h"

namespace {
Beeper& ProcessBeeper() {
  static Beeper beeper([](uint32_t frequency, uint32_t durationMs) { ::Beep(frequency, durationMs); });
  return beeper;
}
}  // namespace

void StartBeeper(uint32_t frequency, uint32_t durationMs, uint32_t count) {
  ProcessBeeper().Start(frequency, durationMs, count);
}

void StopBeeper() { ProcessBeeper().Stop(); }
