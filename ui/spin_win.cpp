#include "ui/spin_win.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <string>

void CSpinControl::Attach(HWND spin, int32_t low, int32_t high, int32_t step) {
  spin_ = spin;
  low_ = low;
  high_ = high;
  step_ = step < 1 ? 1 : step;
  ::SendMessageW(spin_, UDM_SETRANGE32, static_cast<WPARAM>(low_), static_cast<LPARAM>(high_));
  UDACCEL accel{0, static_cast<UINT>(step_)};
  ::SendMessageW(spin_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void CSpinControl::SetValue(int32_t value) {
  HWND buddy = reinterpret_cast<HWND>(::SendMessageW(spin_, UDM_GETBUDDY, 0, 0));
  // Through the buddy, so a value outside the range still shows as given.
  if (buddy) ::SetWindowTextW(buddy, std::to_wstring(value).c_str());
  else ::SendMessageW(spin_, UDM_SETPOS32, 0, value);
}

bool CSpinControl::Value(int32_t& value) const {
  HWND buddy = reinterpret_cast<HWND>(::SendMessageW(spin_, UDM_GETBUDDY, 0, 0));
  if (!buddy) return false;
  wchar_t text[32] = {};
  ::GetWindowTextW(buddy, text, 32);
  wchar_t* end = nullptr;
  const long long v = std::wcstoll(text, &end, 10);
  if (end == text) return false;
  value = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
  return true;
}

int32_t NumberOf(const CSpinControl& spin) {
  int32_t value = 0;
  return spin.Value(value) ? value : INT32_MIN;
}
