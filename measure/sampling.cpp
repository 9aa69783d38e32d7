#include "measure/sampling.h"

#include <vector>

namespace {

bool IsDialUpType(uint32_t type) { return type == kIfTypePpp || type == kIfTypeSlip; }

// Adds one tick's bytes to the running sums and returns the sample with the
// new averages. The averages come from 64-bit sums and saturate like the rates.
RateSample Accumulate(AdapterEntry& entry, uint64_t down, uint64_t up) {
  entry.sumIn += down;
  entry.sumOut += up;
  entry.sampleCount += 1;
  RateSample sample;
  sample.down = Saturate32(down);
  sample.up = Saturate32(up);
  sample.avgDown = Saturate32(entry.sumIn / entry.sampleCount);
  sample.avgUp = Saturate32(entry.sumOut / entry.sampleCount);
  return sample;
}

bool IsTrayEntry(const AdapterEntry& entry, const SampleOptions& options) {
  if (!options.dispIconSystray || entry.kind != options.stIfType) return false;
  return entry.kind != kKindAdapter || entry.id == options.stAdpId;
}

void TrayUpdate(AdapterEntry& entry, const SampleOptions& options, SampleSink& sink) {
  if (IsTrayEntry(entry, options)) sink.OnTrayUpdate(entry);
}

struct PassTotals {
  uint64_t allDown = 0;
  uint64_t allUp = 0;
  uint64_t dialDown = 0;
  uint64_t dialUp = 0;
};

void UpdateEntry(AdapterEntry& entry, const AdapterInfo& adapter, const InterfaceRow& row, PassTotals& totals,
                 const SampleOptions& options, SampleSink& sink) {
  entry.seenThisTick = true;
  uint64_t down = 0;
  uint64_t up = 0;
  if (entry.hasPrevious) {
    down = CounterDelta(row.inOctets, entry.lastIn, row.counters64, entry.lastCounters64);
    up = CounterDelta(row.outOctets, entry.lastOut, row.counters64, entry.lastCounters64);
    totals.allDown += down;
    totals.allUp += up;
    if (IsDialUpType(row.type)) {
      totals.dialDown += down;
      totals.dialUp += up;
    }
  } else {
    entry.hasPrevious = true;
  }
  entry.lastIn = row.inOctets;
  entry.lastOut = row.outOctets;
  entry.lastCounters64 = row.counters64;
  entry.interfaceType = row.type;
  entry.todayIn += down;
  entry.todayOut += up;
  entry.runIn += down;
  entry.runOut += up;
  const RateSample sample = Accumulate(entry, down, up);
  PushSample(entry, sample, sink);
  if (adapter.ipAddress != entry.ipAddress) {
    entry.ipAddress = adapter.ipAddress;
    if (options.showIpInTitle) sink.OnTitleChanged(entry);
  }
  TrayUpdate(entry, options, sink);
}

void MissingEntry(AdapterEntry& entry, const SampleOptions& options, SampleSink& sink) {
  entry.hasPrevious = false;
  const RateSample sample = Accumulate(entry, 0, 0);
  PushSample(entry, sample, sink);
  if (!entry.ipAddress.empty()) {
    entry.ipAddress.clear();
    if (options.showIpInTitle) sink.OnTitleChanged(entry);
  }
  TrayUpdate(entry, options, sink);
}

void UpdateAggregate(AdapterEntry& entry, uint64_t down, uint64_t up, const SampleOptions& options,
                     SampleSink& sink) {
  const RateSample sample = Accumulate(entry, down, up);
  PushSample(entry, sample, sink);
  entry.todayIn += down;
  entry.todayOut += up;
  entry.runIn += down;
  entry.runOut += up;
  TrayUpdate(entry, options, sink);
}

}  // namespace

uint64_t CounterDelta(uint64_t now, uint64_t last, bool now64, bool last64) {
  if (now64 != last64) return 0;
  return now >= last ? now - last : now;
}

void PushSample(AdapterEntry& entry, const RateSample& sample, SampleSink& sink) {
  entry.history.PushFront(sample);
  sink.OnSample(entry, sample);
}

bool SampleAdapters(Catalogue& catalogue, AdapterSource& source, const SampleOptions& options, SampleSink& sink) {
  if (!catalogue.hasAggregates()) return false;
  std::vector<AdapterInfo> adapters;
  // An empty list (ERROR_NO_DATA) is no better than none: without it every
  // entry would get a zero sample and lose its baseline.
  if (!source.ListAdapters(adapters) || adapters.empty()) return false;
  for (size_t i = 2; i < catalogue.size(); ++i) catalogue[i].seenThisTick = false;

  PassTotals totals;
  // The list usually comes in catalogue order: each search starts behind the
  // previous match, so a pass over n adapters costs about n comparisons.
  size_t hint = 0;
  for (const AdapterInfo& adapter : adapters) {
    const std::string id = AdapterId(adapter);
    InterfaceRow row;
    if (!source.ReadInterface(adapter.index, row)) continue;
    // The catalogue holds one entry per ID. An entry already seen in this pass
    // means the adapter was listed twice: its traffic is counted once.
    bool found = false;
    const size_t count = catalogue.size() - 2;
    for (size_t step = 0; step < count; ++step) {
      const size_t i = 2 + (hint + step) % count;
      AdapterEntry& entry = catalogue[i];
      if (entry.id != id) continue;
      found = true;
      hint = i - 1;  // the entry after this one
      if (!entry.seenThisTick) UpdateEntry(entry, adapter, row, totals, options, sink);
      break;
    }
    if (!found) {
      // Its baseline is taken now; it gets its first sample in the next pass.
      AdapterEntry& added = AddAdapterEntry(catalogue, row, adapter, source, true);
      added.seenThisTick = true;
      sink.OnEntryAdded(added);
    }
  }

  for (size_t i = 2; i < catalogue.size(); ++i)
    if (!catalogue[i].seenThisTick) MissingEntry(catalogue[i], options, sink);

  UpdateAggregate(catalogue[0], totals.allDown, totals.allUp, options, sink);
  UpdateAggregate(catalogue[1], totals.dialDown, totals.dialUp, options, sink);
  return true;
}

void ResetRateRange(AdapterEntry& entry) {
  entry.history.Clear();
  entry.sumIn = 0;
  entry.sumOut = 0;
  entry.sampleCount = 0;
}

bool CountToNow(Catalogue& catalogue, AdapterSource& source) {
  if (!catalogue.hasAggregates()) return false;
  std::vector<AdapterInfo> adapters;
  if (!source.ListAdapters(adapters) || adapters.empty()) return false;
  for (size_t i = 2; i < catalogue.size(); ++i) catalogue[i].seenThisTick = false;
  PassTotals totals;
  for (const AdapterInfo& adapter : adapters) {
    const std::string id = AdapterId(adapter);
    InterfaceRow row;
    if (!source.ReadInterface(adapter.index, row)) continue;
    for (size_t i = 2; i < catalogue.size(); ++i) {
      AdapterEntry& entry = catalogue[i];
      if (entry.id != id) continue;
      if (entry.seenThisTick) break;  // listed twice: counted once
      entry.seenThisTick = true;
      if (entry.hasPrevious) {
        const uint64_t down = CounterDelta(row.inOctets, entry.lastIn, row.counters64, entry.lastCounters64);
        const uint64_t up = CounterDelta(row.outOctets, entry.lastOut, row.counters64, entry.lastCounters64);
        entry.todayIn += down;
        entry.todayOut += up;
        totals.allDown += down;
        totals.allUp += up;
        if (IsDialUpType(row.type)) {
          totals.dialDown += down;
          totals.dialUp += up;
        }
      }
      entry.hasPrevious = true;
      entry.lastIn = row.inOctets;
      entry.lastOut = row.outOctets;
      entry.lastCounters64 = row.counters64;
      break;
    }
  }
  catalogue[0].todayIn += totals.allDown;
  catalogue[0].todayOut += totals.allUp;
  catalogue[1].todayIn += totals.dialDown;
  catalogue[1].todayOut += totals.dialUp;
  return true;
}

void DropBaselines(Catalogue& catalogue) {
  for (auto& entry : catalogue.entries) entry->hasPrevious = false;
}
