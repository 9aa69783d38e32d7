// A spin control with a step size: an up-down control attached to its buddy
// edit box, with a range and a step by which each arrow click moves the value.
#pragma once
#include <windows.h>
#include <cstdint>

class CSpinControl {
public:
  // Takes the up-down control (UDS_SETBUDDYINT with its buddy edit).
  void Attach(HWND spin, int32_t low, int32_t high, int32_t step = 1);
  HWND hwnd() const { return spin_; }
  void SetValue(int32_t value);
  // The buddy's number as typed (not clamped to the range); false when it is
  // not a number.
  bool Value(int32_t& value) const;
  int32_t low() const { return low_; }
  int32_t high() const { return high_; }
  int32_t step() const { return step_; }

private:
  HWND spin_ = nullptr;
  int32_t low_ = 0;
  int32_t high_ = 100;
  int32_t step_ = 1;
};

// The buddy's number for a range check: text that is no number reads as the
// lowest int32_t, below every range.
int32_t NumberOf(const CSpinControl& spin);
