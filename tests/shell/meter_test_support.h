// The environment every meter window test starts from: the injected clock and
// adapters, the real registry under a private root, a log file of its own, no
// timer, help viewer, tray icon or global hot key.
#pragma once
#include "app/meter_dlg.h"
#include "shell_support.h"

inline MeterEnvironment TestMeterEnvironment(ScriptedClock& clock, ScriptedSource& adapters, RegistryStore& registry,
                                             const TestRegistryRoot& root) {
  MeterEnvironment env;
  env.clock = &clock;
  env.adapters = &adapters;
  env.registry = &registry;
  env.registryRoot = root.root();
  env.startTimer = false;
  env.firstStartHelp = false;
  env.useTray = false;
  env.registerHotkey = false;
  env.logPath = TempFilePath(L"zephra-test");
  return env;
}
