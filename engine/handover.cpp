#include "engine/handover.h"

#include <algorithm>

#include "base/bytes.h"
#include "engine/tick.h"
#include "settings/service_settings.h"

namespace {

constexpr uint32_t kHandOverVersion = 1;
constexpr size_t kHeaderSize = 4 + 4 + 8 + 4;
constexpr size_t kCountersSize = 8 + 8 + 1;
constexpr uint32_t kMaxHandedAdapters = 4096;

}  // namespace

bool IsHandOverFresh(const HandOver& handed, int64_t nowSeconds) {
  return !IsTickGap(handed.seconds, nowSeconds) && !IsTickGap(nowSeconds, handed.seconds);
}

HandOver HandOverOf(const Catalogue& catalogue, HandOverFrom from, int64_t seconds) {
  HandOver out{from, seconds, {}};
  for (size_t i = 2; i < catalogue.size(); ++i) {
    const AdapterEntry& e = catalogue[i];
    if (e.kind == kKindAdapter && e.seenThisTick && e.hasPrevious)
      out.adapters.push_back({e.id, e.lastIn, e.lastOut, e.lastCounters64});
  }
  return out;
}

std::vector<uint8_t> EncodeHandOver(const HandOver& handed) {
  std::vector<uint8_t> bytes(kHeaderSize);
  PutU32Le(&bytes[0], kHandOverVersion);
  PutU32Le(&bytes[4], static_cast<uint32_t>(handed.from));
  PutU64Le(&bytes[8], static_cast<uint64_t>(handed.seconds));
  PutU32Le(&bytes[16], static_cast<uint32_t>(handed.adapters.size()));
  for (const HandOverCounters& a : handed.adapters) {
    const size_t at = bytes.size();
    const size_t idLength = std::min(a.id.size(), kMaxIdLength);
    bytes.resize(at + 2 + idLength + kCountersSize);
    PutU16Le(&bytes[at], static_cast<uint16_t>(idLength));
    std::copy(a.id.begin(), a.id.begin() + static_cast<std::ptrdiff_t>(idLength), bytes.begin() + at + 2);
    uint8_t* counters = &bytes[at + 2 + idLength];
    PutU64Le(counters, a.in);
    PutU64Le(counters + 8, a.out);
    counters[16] = a.counters64 ? 1 : 0;
  }
  return bytes;
}

bool DecodeHandOver(const std::vector<uint8_t>& bytes, HandOver& out) {
  if (bytes.size() < kHeaderSize || GetU32Le(&bytes[0]) != kHandOverVersion) return false;
  const uint32_t from = GetU32Le(&bytes[4]);
  if (from != static_cast<uint32_t>(HandOverFrom::Meter) && from != static_cast<uint32_t>(HandOverFrom::Service))
    return false;
  const uint32_t count = GetU32Le(&bytes[16]);
  if (count > kMaxHandedAdapters) return false;
  HandOver handed{static_cast<HandOverFrom>(from), static_cast<int64_t>(GetU64Le(&bytes[8])), {}};
  size_t at = kHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    if (bytes.size() - at < 2) return false;
    const size_t idLength = GetU16Le(&bytes[at]);
    if (idLength > kMaxIdLength || bytes.size() - at - 2 < idLength + kCountersSize) return false;
    HandOverCounters a;
    a.id.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 2),
                bytes.begin() + static_cast<std::ptrdiff_t>(at + 2 + idLength));
    const uint8_t* counters = &bytes[at + 2 + idLength];
    a.in = GetU64Le(counters);
    a.out = GetU64Le(counters + 8);
    a.counters64 = counters[16] != 0;
    handed.adapters.push_back(std::move(a));
    at += 2 + idLength + kCountersSize;
  }
  if (at != bytes.size()) return false;
  out = std::move(handed);
  return true;
}

bool SaveHandOver(RegistryStore& registry, const std::wstring& rootPath, const HandOver& handed) {
  const std::wstring key = ServiceKeyPath(rootPath);
  const std::vector<uint8_t> bytes = EncodeHandOver(handed);
  if (registry.WriteBinary(RegRoot::LocalMachine, key, kHandOverValue, bytes)) return true;
  // A meter with a standard token cannot write the machine-wide key before
  // service mode gave it access: the elevated switch carries it across.
  return handed.from == HandOverFrom::Meter && registry.WriteBinary(RegRoot::CurrentUser, key, kHandOverValue, bytes);
}

bool MoveHandOver(RegistryStore& registry, const std::wstring& rootPath, RegRoot from, RegRoot to) {
  const std::wstring key = ServiceKeyPath(rootPath);
  std::vector<uint8_t> bytes;
  if (!registry.ReadBinary(from, key, kHandOverValue, bytes)) return true;
  const bool ok = registry.WriteBinary(to, key, kHandOverValue, bytes);
  registry.DeleteValue(from, key, kHandOverValue);
  return ok;
}

bool TakeHandOver(RegistryStore& registry, const std::wstring& rootPath, HandOverFrom from, HandOver& out) {
  const std::wstring key = ServiceKeyPath(rootPath);
  std::vector<uint8_t> bytes;
  RegRoot root = RegRoot::LocalMachine;
  if (!registry.ReadBinary(root, key, kHandOverValue, bytes)) {
    // Where the meter left it, or where the elevated switch put the service's.
    root = RegRoot::CurrentUser;
    if (!registry.ReadBinary(root, key, kHandOverValue, bytes)) return false;
  }
  // Taken once: whatever it holds, it is never read again.
  registry.DeleteValue(root, key, kHandOverValue);
  HandOver handed;
  if (!DecodeHandOver(bytes, handed) || handed.from != from) return false;
  out = std::move(handed);
  return true;
}

int TakeHandOverBaselines(Catalogue& catalogue, AdapterSource& source, const HandOver* handed, int64_t nowSeconds) {
  std::vector<AdapterInfo> adapters;
  if (!source.ListAdapters(adapters)) {
    DropBaselines(catalogue);
    return 0;
  }
  const bool fresh = handed && IsHandOverFresh(*handed, nowSeconds);
  int taken = 0;
  for (size_t i = 2; i < catalogue.size(); ++i) {
    AdapterEntry& entry = catalogue[i];
    entry.hasPrevious = false;
    for (const AdapterInfo& adapter : adapters) {
      InterfaceRow row;
      if (AdapterId(adapter) != entry.id || !source.ReadInterface(adapter.index, row)) continue;
      entry.hasPrevious = true;
      entry.lastIn = row.inOctets;
      entry.lastOut = row.outOctets;
      entry.lastCounters64 = row.counters64;
      if (!fresh) break;
      for (const HandOverCounters& h : handed->adapters) {
        if (h.id != entry.id || h.counters64 != row.counters64 || row.inOctets < h.in || row.outOctets < h.out)
          continue;
        entry.lastIn = h.in;
        entry.lastOut = h.out;
        ++taken;
        break;
      }
      break;
    }
  }
  return taken;
}

bool HandCountingOver(MeterTick& tick, Catalogue& catalogue, AdapterSource* adapters, Clock& clock,
                      RegistryStore& registry, const std::wstring& rootPath, HandOverFrom from, TickSink& sink) {
  if (!tick.CountToNowAndWrite(adapters, sink)) {
    // What is left would not match the records: no hand-over is better.
    registry.DeleteValue(RegRoot::LocalMachine, ServiceKeyPath(rootPath), kHandOverValue);
    return false;
  }
  return SaveHandOver(registry, rootPath, HandOverOf(catalogue, from, clock.Seconds()));
}

int TakeCountingOver(Catalogue& catalogue, AdapterSource* adapters, Clock& clock, RegistryStore& registry,
                     const std::wstring& rootPath, HandOverFrom writer) {
  HandOver handed;
  const bool found = TakeHandOver(registry, rootPath, writer, handed);
  if (!adapters) {
    DropBaselines(catalogue);
    return 0;
  }
  return TakeHandOverBaselines(catalogue, *adapters, found ? &handed : nullptr, clock.Seconds());
}
