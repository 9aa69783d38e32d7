#include "shell_support.h"

#include <string>

TestRegistryRoot::TestRegistryRoot() {
  static int counter = 0;
  root_ = L"Software\\ZephraTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
  ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.substr(0, root_.size() - 1).c_str());
}

TestRegistryRoot::~TestRegistryRoot() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.substr(0, root_.size() - 1).c_str());
}

void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    PumpPending();
    if (done()) return true;
    if (::GetTickCount() - start > timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool ReadDwordValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& out) {
  DWORD size = sizeof out;
  return ::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &out, &size) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name) {
  return ::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring TempFilePath(const wchar_t* stem) {
  static int counter = 0;
  wchar_t dir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++counter) + L".log";
  ::DeleteFileW(path.c_str());
  return path;
}
