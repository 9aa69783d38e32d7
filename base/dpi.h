// Display scaling: every size the program states in pixels is a value at
// 96 DPI, turned into the pixels of a window at its DPI here and nowhere else.
#pragma once
#include <cstdint>

constexpr int32_t kBaseDpi = 96;

// v pixels at 96 DPI in pixels at `dpi`, rounded as the platform's MulDiv(v,
// dpi, 96) rounds (halves away from zero). A DPI of 0 or less counts as 96.
constexpr int32_t Scale(int32_t v, int32_t dpi) {
  if (dpi <= 0 || dpi == kBaseDpi) return v;
  const int64_t p = static_cast<int64_t>(v) * dpi;
  const int64_t r = (p >= 0 ? p + kBaseDpi / 2 : p - kBaseDpi / 2) / kBaseDpi;
  return r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : static_cast<int32_t>(r);
}

// A size at one DPI in pixels at another (a window that moved between monitors).
constexpr int32_t Rescale(int32_t v, int32_t fromDpi, int32_t toDpi) {
  if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) return v;
  const int64_t p = static_cast<int64_t>(v) * toDpi;
  const int64_t r = (p >= 0 ? p + fromDpi / 2 : p - fromDpi / 2) / fromDpi;
  return r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : static_cast<int32_t>(r);
}
