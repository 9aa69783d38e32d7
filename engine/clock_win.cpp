#include "engine/clock_win.h"

#include <windows.h>
#include <ctime>

#include "ui/window_util_win.h"

LocalTime LocalClock::Now() { return CurrentLocalTime(); }

int64_t LocalClock::Seconds() { return static_cast<int64_t>(std::time(nullptr)); }

uint64_t LocalClock::Milliseconds() { return ::GetTickCount64(); }
