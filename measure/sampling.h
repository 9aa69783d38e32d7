// Once a second the counters of every adapter become one RateSample per
// connection: the tick's bytes, running averages, a bounded history, the day
// totals, and the two aggregates summed over the adapters.
#pragma once
#include <cstdint>
#include <string>

#include "measure/catalogue.h"
#include "base/dates.h"

// The options a sampling pass reads.
struct SampleOptions {
  bool showIpInTitle = true;    // "ShowIPInTitle"
  bool dispIconSystray = true;  // "DispIconSystray"
  int32_t stIfType = kKindAll;  // "STIfType": kind of the tray's connection
  std::string stAdpId;          // "STAdpID": ID of the tray's connection (upper case)
};

// Where a pass hands its results; the meter window implements it. Calls for
// one entry come in this order: OnSample, OnTitleChanged, OnTrayUpdate. (The
// rates recorder takes the samples from the tick, after the whole pass.)
class SampleSink {
public:
  virtual ~SampleSink() = default;
  // A new adapter was appended during the pass (its menu ids are given when
  // the ranges still have room: add its menu items when they are non-zero).
  virtual void OnEntryAdded(AdapterEntry& entry) {}
  // A sample was pushed onto the entry's history: hand it to the entry's view
  // when it has one.
  virtual void OnSample(AdapterEntry& entry, const RateSample& sample) {}
  // The entry's IP address changed while "ShowIPInTitle" is on: when the
  // entry is displayed, set its view's title to EntryTitle.
  virtual void OnTitleChanged(AdapterEntry& entry) {}
  // The entry is the tray icon's connection and the icon is on: redraw it.
  virtual void OnTrayUpdate(AdapterEntry& entry) {}
};

// Bytes since the previous reading of one counter. A counter that went back
// restarted from zero, so its value is the tick's bytes. A baseline read with
// other counter widths (64-bit then 32-bit or back) gives 0.
uint64_t CounterDelta(uint64_t now, uint64_t last, bool now64, bool last64);

// A byte count as one 32-bit sample field: the largest 32-bit value when it
// does not fit.
constexpr uint32_t Saturate32(uint64_t value) {
  return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// Pushes the sample at the front of the entry's history (the oldest drops out
// beyond MaxHistory) and tells the sink.
void PushSample(AdapterEntry& entry, const RateSample& sample, SampleSink& sink);

// One sampling pass. False, with no effect at all, when the adapter list
// cannot be read or is empty, or the catalogue lacks its aggregates.
bool SampleAdapters(Catalogue& catalogue, AdapterSource& source, const SampleOptions& options, SampleSink& sink);

// Empties the entry's history and its running sums. The caller redraws the
// entry's view when it is displayed.
void ResetRateRange(AdapterEntry& entry);

// Drops every baseline (the tick's gap rule): the next pass takes new ones.
void DropBaselines(Catalogue& catalogue);

// The bytes since each listed adapter's baseline added to today's counters
// (the adapter's and the aggregates') with the counters read now as the new
// baselines, without a sample: counting stops here and another program goes on
// from these counters. The adapters counted are marked seenThisTick; ones
// unknown to the catalogue are left out. False, with no effect, when the list
// cannot be read or is empty, or the catalogue lacks its aggregates.
bool CountToNow(Catalogue& catalogue, AdapterSource& source);
