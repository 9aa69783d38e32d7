#include "app/app_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <cstdlib>
#include <ctime>

#include "base/addresses.h"
#include "engine/clock_win.h"
#include "app/meter_dlg.h"
#include "measure/iphelper_win.h"
#include "settings/registry_win.h"
#include "ui/dpi_win.h"
#include "ui/handle_win.h"

std::wstring InitFailureText() {
  return std::wstring(L"Failed to initialize! Zephra will exit.\n\nPlease contact us at <") + kSupportAddress + L">.";
}

int ApplicationStart(HINSTANCE inst) {
  // One copy per user: the mutex handle stays open until the process ends.
  KernelHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
  if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND running = FindRunningMeter(kDefaultRootPath)) {
      ::SendMessageW(running, WM_COMMAND, MAKEWPARAM(32771, 0), 0);
      return 0;
    }
    // No usable handle stored: this start goes on as a second copy.
  }

  // The manifest asks for it already; an older system without the manifest
  // entries takes the call, and a refusal leaves the awareness it has.
  EnablePerMonitorDpi();
  std::srand(static_cast<unsigned>(std::time(nullptr) * ::GetTickCount()));

  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&icc);

  int code = 0;
  IpHelperSource ipHelper;
  if (!ipHelper.Bind()) {
    ::MessageBoxW(nullptr, InitFailureText().c_str(), L"Zephra", MB_OK | MB_ICONWARNING);
  } else {
    LocalClock clock;
    Win32Registry registry;
    MeterEnvironment env;
    env.registry = &registry;
    env.clock = &clock;
    env.adapters = &ipHelper;
    CMeterDlg meter(env);
    code = meter.Run(inst);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return code;
}
