#include <windows.h>

#include "app/app_win.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) { return ApplicationStart(inst); }
