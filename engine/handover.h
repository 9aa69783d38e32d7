// Counting changes hands between the meter and the companion service without a
// byte lost or counted twice. The program that stops counting counts up to the
// moment it stops, writes today's records and leaves the counters it counted to
// (adapter ID, both counters, the time) in the machine-wide value
// "HandOverBaseline". The program that starts counting takes that value once
// (it is deleted as it is read) and uses the counters as its first baselines.
// Only one program counts at a time: the meter writes before it starts the
// service and reads after the service's stop was confirmed; the service reads
// at its start and writes at its stop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "engine/meter_tick.h"
#include "measure/adapter_source.h"
#include "measure/catalogue.h"
#include "settings/registry_store.h"

inline constexpr wchar_t kHandOverValue[] = L"HandOverBaseline";  // REG_BINARY under "<root>Service"

// Which program handed counting over; each takes only what the other wrote.
enum class HandOverFrom : uint32_t { Meter = 1, Service = 2 };

struct HandOverCounters {
  std::string id;  // AdapterId
  uint64_t in = 0;
  uint64_t out = 0;
  bool counters64 = false;
};

struct HandOver {
  HandOverFrom from = HandOverFrom::Meter;
  int64_t seconds = 0;  // UTC seconds of the last count
  std::vector<HandOverCounters> adapters;
};

// A hand-over older than the tick's gap (or that far in the future) is stale:
// the bytes since then would come as a burst the tick's gap rule never counts.
// Installing and starting the service may take several seconds, so a tighter
// limit would lose the very bytes the hand-over is for.
bool IsHandOverFresh(const HandOver& handed, int64_t nowSeconds);

// The baselines of every adapter counted in the last pass (seenThisTick with a
// baseline), as the program that stops counting hands them over.
HandOver HandOverOf(const Catalogue& catalogue, HandOverFrom from, int64_t seconds);

std::vector<uint8_t> EncodeHandOver(const HandOver& handed);
// False for anything but a complete image of the current version.
bool DecodeHandOver(const std::vector<uint8_t>& bytes, HandOver& out);

// Writes the value under "<rootPath>Service" of the machine-wide root.
bool SaveHandOver(RegistryStore& registry, const std::wstring& rootPath, const HandOver& handed);
// Reads and deletes the value; true when it holds a hand-over of `from`.
bool TakeHandOver(RegistryStore& registry, const std::wstring& rootPath, HandOverFrom from, HandOver& out);

// New baselines for every adapter entry from the live counters: the handed
// counters where the hand-over is fresh, names the adapter with the same
// counter width and no counter fell below it (else the adapter was reset);
// otherwise the counters read now. An adapter that is gone has none, and when
// the list cannot be read every baseline is dropped. `handed` may be null.
// Returns how many adapters go on from the hand-over.
int TakeHandOverBaselines(Catalogue& catalogue, AdapterSource& source, const HandOver* handed, int64_t nowSeconds);

// The program that stops counting: counts to now, writes today's records and,
// when both worked, saves the hand-over. False when nothing was handed over
// (the other program then starts from fresh baselines).
bool HandCountingOver(MeterTick& tick, Catalogue& catalogue, AdapterSource* adapters, Clock& clock,
                      RegistryStore& registry, const std::wstring& rootPath, HandOverFrom from, TickSink& sink);
// The program that starts counting, once today's counters are loaded: takes the
// other program's hand-over (`writer`) and sets every adapter's baseline with
// TakeHandOverBaselines. Returns how many adapters go on from the hand-over.
// Moves a hand-over between the user's and the machine-wide key: the elevated
// service switch takes the meter's across before the service starts, and the
// service's back after it stopped, where a meter with a standard token reads it.
// True when there was none or it was written.
bool MoveHandOver(RegistryStore& registry, const std::wstring& rootPath, RegRoot from, RegRoot to);

int TakeCountingOver(Catalogue& catalogue, AdapterSource* adapters, Clock& clock, RegistryStore& registry,
                     const std::wstring& rootPath, HandOverFrom writer);
