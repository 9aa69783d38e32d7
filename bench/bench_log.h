// The log of the benchmarks: ten years of 30 connections (two aggregates and
// 28 adapters), one record per connection and day, about 31 MB.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "base/dates.h"
#include "trafficlog/log_format.h"

namespace {

inline std::string BenchAdapterIdOf(int c) {
  return "{4D36E972-E325-11CE-BFC1-08002BE1" + std::to_string(1000 + c) + "}";
}

constexpr int kYears = 10;
constexpr int kConnections = 30;

std::shared_ptr<std::vector<uint8_t>> GenerateLog(CivilDate first, int days) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(kLogHeaderSize);
  EncodeLogHeader(bytes->data());
  bytes->reserve(kLogHeaderSize + static_cast<size_t>(days) * kConnections * kDayRecordSize);
  uint8_t image[kDayRecordSize];
  for (int d = 0; d < days; ++d) {
    const CivilDate date = AddDays(first, d);
    for (int c = 0; c < kConnections; ++c) {
      DayRecord r;
      r.year = static_cast<uint16_t>(date.year);
      r.month = static_cast<uint16_t>(date.month);
      r.day = static_cast<uint16_t>(date.day);
      r.weekday = static_cast<uint16_t>(DayOfWeek(date));
      r.kind = c == 0 ? 100 : c == 1 ? 200 : 300;
      if (c >= 2) r.id = BenchAdapterIdOf(c);
      r.down = 1000000ull * (d % 97 + c);
      r.up = 100000ull * (d % 89 + c);
      EncodeDayRecord(r, image);
      bytes->insert(bytes->end(), image, image + kDayRecordSize);
    }
  }
  return bytes;
}

}  // namespace
