// One connection of the catalogue: the two aggregates (All Connections, Dial-Up
// Connections) and one entry per network adapter.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "measure/rate_history.h"

class CRateView;  // the entry's rate view while it is displayed (shell)

enum AdapterKind : int32_t {
  kKindAll = 100,     // All Connections
  kKindDialUp = 200,  // Dial-Up Connections
  kKindAdapter = 300, // one adapter
};

constexpr size_t kAdapterIdSize = 260;  // the log's ID field; IDs hold at most 259 characters
constexpr uint32_t kIfTypePpp = 23;
constexpr uint32_t kIfTypeSlip = 28;

struct AdapterEntry {
  int32_t kind = kKindAdapter;
  uint32_t interfaceType = 0;     // 23 PPP and 28 SLIP count as dial-up; 0 until seen
  std::string id;                 // AdapterId, upper case, at most 259 characters; empty for aggregates
  std::string ipAddress;          // first IP address, dotted; empty when unknown or gone
  uint32_t connectionRate = 0;    // nominal speed, bits per second; 0 = not set ("ConnRatebps")

  // Counter baseline. 64-bit: where the platform gives 64-bit counters a
  // decrease is a real restart, not a wrap.
  uint64_t lastIn = 0;
  uint64_t lastOut = 0;
  bool hasPrevious = false;
  bool lastCounters64 = false;    // the baseline came from 64-bit counters

  int32_t adapterMenuId = 0;      // 9000 upward; 0 = not yet given
  int32_t resetMenuId = 0;        // 9300 upward; 0 = not yet given
  bool monitored = false;         // displayed in the meter window ("Monitored")
  CRateView* view = nullptr;      // set exactly while the connection is displayed
  float size = 0.0f;              // share of the client height ("Size"); 0 = not set

  RateHistory history;            // newest first, at most MaxHistory samples

  int32_t logRecordOffset = -1;   // offset of today's record in the traffic log; -1 = not yet written
  uint64_t todayIn = 0;
  uint64_t todayOut = 0;
  uint64_t runIn = 0;             // bytes since this program started counting
  uint64_t runOut = 0;

  std::wstring name;              // display name ("AdapterName")
  std::wstring description;       // from the interface row

  // Rates recorder settings and working state.
  int32_t recordRates = 0;        // "RecordTrafficRates"
  int32_t recordInterval = 1;     // "RecordInterval", seconds
  uint32_t recordFlags = 0;       // bit 0 = "RecordNumberOnly"
  std::wstring recordFile;        // "RecordFile"
  int32_t recordCountdown = 0;    // ticks until the next line; the open file is the recorder's
  uint64_t recordSumIn = 0;
  uint64_t recordSumOut = 0;

  bool seenThisTick = false;
  uint64_t sumIn = 0;             // since the last rate-range reset, for the averages
  uint64_t sumOut = 0;
  uint64_t sampleCount = 0;

  explicit AdapterEntry(size_t maxHistory = 2048) : history(maxHistory) {}
  bool displayed() const { return view != nullptr; }
  bool isAggregate() const { return kind == kKindAll || kind == kKindDialUp; }
};
