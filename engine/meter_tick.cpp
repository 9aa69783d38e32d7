#include "engine/meter_tick.h"

#include <vector>

MeterTick::MeterTick(Clock& clock, Catalogue& catalogue, TrafficLog& log)
    : clock_(clock), catalogue_(catalogue), log_(log), stored_(clock.Now()), storedSeconds_(clock.Seconds()) {}

bool MeterTick::Tick(AdapterSource* adapters, const SampleOptions& options, TickSink& sink) {
  ++counters_.ticks;
  const LocalTime now = clock_.Now();
  const int64_t nowSeconds = clock_.Seconds();
  if (IsTickGap(storedSeconds_, nowSeconds)) {
    // No burst of traffic after a suspension or a clock jump: new baselines.
    DropBaselines(catalogue_);
  }
  CheckSliceAndDay(now, sink);
  storedSeconds_ = nowSeconds;
  if (backups_) backups_->Tick(now);
  const size_t known = catalogue_.size();
  if (!adapters || !SampleAdapters(catalogue_, *adapters, options, sink)) {
    sink.OnTickDone();
    return false;
  }
  if (catalogue_.size() > known) {
    // An adapter new to this run may have a record of today already (a run
    // that ended without saving its catalogue saw it): go on with that record
    // instead of starting a second one at zero.
    std::vector<AdapterEntry*> added;
    for (size_t i = known; i < catalogue_.size(); ++i) added.push_back(&catalogue_[i]);
    log_.LoadTodayCounters(added, stored_);
  }
  // Every connection known before this pass, the aggregates and the vanished
  // ones included, has this tick's sample at the front of its history (one
  // added now gets its first sample at the next pass).
  if (recorder_) {
    for (size_t i = 0; i < known; ++i) {
      AdapterEntry& e = catalogue_[i];
      const RateSample& s = e.history.newest();
      recorder_->Record(e, s.down, s.up, now);
    }
  }
  sink.OnUsageCheck(now);
  sink.OnTickDone();
  return true;
}

bool MeterTick::CountToNowAndWrite(AdapterSource* adapters, TickSink& sink) {
  const int64_t nowSeconds = clock_.Seconds();
  if (IsTickGap(storedSeconds_, nowSeconds)) DropBaselines(catalogue_);
  CheckSliceAndDay(clock_.Now(), sink);
  storedSeconds_ = nowSeconds;
  const bool counted = adapters && CountToNow(catalogue_, *adapters);
  WriteTodayRecords();
  return counted && log_.isOpen() && !log_.serviceMode();
}

void MeterTick::TimeChanged(TickSink& sink) {
  CheckSliceAndDay(clock_.Now(), sink);
  storedSeconds_ = clock_.Seconds();
}

void MeterTick::CheckSliceAndDay(const LocalTime& now, TickSink& sink) {
  const MomentChange change = CompareMoments(stored_, now);
  // The last counts of a slice, hour or day go to the old date's records.
  if (change != MomentChange::SameSlice) WriteTodayRecords();
  stored_ = now;
  if (change == MomentChange::NewDate) {
    LoadTodayCounters();
    sink.OnDateStarted(now);
  }
}

void MeterTick::WriteTodayRecords() {
  ++counters_.recordWrites;
  if (!log_.isOpen()) return;
  auto entries = EntryList(catalogue_.entries);
  log_.WriteTodayRecords(entries, stored_);
}

void MeterTick::LoadTodayCounters() {
  auto entries = EntryList(catalogue_.entries);
  if (log_.LoadTodayCounters(entries, stored_)) return;
  // Without a log every connection still starts the day at zero.
  for (AdapterEntry* e : entries) {
    e->todayIn = e->todayOut = 0;
    e->logRecordOffset = -1;
  }
}
