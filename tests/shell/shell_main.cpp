// Shell tests run in-process under Wine + Xvfb against the real window classes.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // A crash ends the test run at once instead of waiting in a debugger.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&icc);
  testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  ::CoUninitialize();
  return rc;
}
