#include <windows.h>

#include "app/app_win.h"
#include "app/service_switch_win.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
  // Started elevated to switch service mode: the privileged steps, no window.
  int exitCode = 0;
  if (RunServiceHelper(::GetCommandLineW(), exitCode)) return exitCode;
  return ApplicationStart(inst);
}
