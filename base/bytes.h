// Little-endian fields of binary records (the traffic log, fonts, the alert
// rule, the registry's binary values), read and written byte by byte so that
// neither padding nor the width of `long` or `wchar_t` can creep in.
#pragma once
#include <cstdint>

inline void PutU16Le(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32Le(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64Le(uint8_t* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16Le(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
inline uint32_t GetU32Le(const uint8_t* at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | at[i];
  return v;
}
inline uint64_t GetU64Le(const uint8_t* at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | at[i];
  return v;
}
