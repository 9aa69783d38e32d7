// The process's one beeper, sounding through the system's Beep: used by the
// notification window (until stopped) and the Notification page's test (5 times).
#pragma once
#include <cstdint>

void StartBeeper(uint32_t frequency, uint32_t durationMs, uint32_t count);
void StopBeeper();
