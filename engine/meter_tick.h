// The meter's one-second tick in its fixed order: the gap rule, the slice and
// day check with the traffic log, sampling, the rates recorder, then the usage
// check. Portable: the
// meter window calls it from its timer, and anything else that counts traffic
// (the companion service) can drive it the same way.
#pragma once
#include "engine/clock.h"
#include "engine/tick.h"
#include "measure/catalogue.h"
#include "measure/sampling.h"
#include "recorder/rates_recorder.h"
#include "trafficlog/log_backup.h"
#include "trafficlog/traffic_log.h"

// Counts of the work the tick has done.
struct TickCounters {
  int ticks = 0;
  int recordWrites = 0;  // WriteTodayRecords runs
};

// Where a tick hands its results: every sample (SampleSink), and the two steps
// of the usage rule.
class TickSink : public SampleSink {
public:
  // A new date began and its counters are loaded: the usage rule computes its
  // period total afresh.
  virtual void OnDateStarted(const LocalTime& now) {}
  // Every connection has its sample for this tick: the usage check. Not called
  // when the adapter list was unavailable.
  virtual void OnUsageCheck(const LocalTime& now) {}
  // The tick is over, whether it sampled or not: the last call of every tick.
  virtual void OnTickDone() {}
};

class MeterTick {
public:
  // The stored moment starts as the clock's current time.
  MeterTick(Clock& clock, Catalogue& catalogue, TrafficLog& log);
  MeterTick(const MeterTick&) = delete;
  MeterTick& operator=(const MeterTick&) = delete;

  // One tick. False when the adapter list was unavailable (or there is no
  // source): no samples and no usage check then; the log work has been done.
  bool Tick(AdapterSource* adapters, const SampleOptions& options, TickSink& sink);
  // The rates recorder that takes every connection's sample after sampling
  // (none: nothing is recorded).
  void SetRecorder(RatesRecorder* recorder) { recorder_ = recorder; }
  // The daily copy of the log, moved on after the log work of each tick (none: no copies).
  void SetBackups(LogBackups* backups) { backups_ = backups; }

  // The system clock was changed: the slice and day check with the new time.
  void TimeChanged(TickSink& sink);

  // Today's records under the stored date: at the end of a run, and before the
  // service takes the log over.
  void WriteTodayRecords();
  // Counting goes to another program now: the gap rule and the slice and day
  // check as in a tick, the bytes since the last tick counted without a sample
  // (CountToNow), and today's records written. False when the adapters could
  // not be counted to now or the log cannot be written: nothing to hand over.
  bool CountToNowAndWrite(AdapterSource* adapters, TickSink& sink);
  // Today's counters of the stored date from the log; without a log every
  // connection starts at zero.
  void LoadTodayCounters();

  const LocalTime& stored() const { return stored_; }
  const TickCounters& counters() const { return counters_; }

private:
  void CheckSliceAndDay(const LocalTime& now, TickSink& sink);

  Clock& clock_;
  Catalogue& catalogue_;
  TrafficLog& log_;
  LocalTime stored_;        // the local time of the last tick or clock change
  int64_t storedSeconds_;   // the same moment in UTC seconds
  TickCounters counters_;
  RatesRecorder* recorder_ = nullptr;
  LogBackups* backups_ = nullptr;
};
