// 400 days of the meter's core, second by second and without sleeping: the
// program runs across every midnight and many slice boundaries, through both
// daylight-saving changes, clock changes, sleeps, restarts and crashes, with
// adapters unplugged and plugged again and counters that restart or wrap. A
// model of the documented rules follows every byte; at the end the log, read
// back, must hold exactly what the model says per connection and day.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/scripted_clock.h"
#include "measure/scripted_source.h"
#include "memory_log_platform.h"
#include "meter_run.h"
#include "settings/memory_registry.h"

namespace {

constexpr int64_t kMinute = 60;
constexpr int64_t kHour = 3600;
constexpr int64_t kDay = 86400;
const std::wstring kLogPath = L"C:\\Year\\sum_v2.log";

// Central European time: UTC+1, and UTC+2 from 30 March 2025 01:00 UTC to
// 26 October 2025 01:00 UTC.
const int64_t kSummerStart = NaiveSeconds(MakeLocalTime(2025, 3, 30, 1, 0, 0));
const int64_t kSummerEnd = NaiveSeconds(MakeLocalTime(2025, 10, 26, 1, 0, 0));
int64_t ZoneOffset(int64_t utc) { return utc >= kSummerStart && utc < kSummerEnd ? 2 * kHour : kHour; }

// The first local second of a date's given time (never inside a changing hour).
int64_t UtcAt(const CivilDate& d, int hour, int minute) {
  const int64_t naive = NaiveSeconds(MakeLocalTime(d.year, d.month, d.day, hour, minute, 0));
  return naive - ZoneOffset(naive - kHour);
}

class Random {
public:
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  uint64_t Below(uint64_t n) { return Next() % n; }
  bool OneIn(uint64_t n) { return Below(n) == 0; }

private:
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

// A connection as the model sees it: the meter's baseline and the bytes since.
struct ModelAdapter {
  size_t source = 0;  // position in the scripted source
  bool dialUp = false;
  int firstDay = 0;   // plugged in for the first time on this day or later
  uint64_t maxIn = 0;  // bytes per second stay below these
  uint64_t maxOut = 0;
  bool baseline = false;
  uint64_t lastIn = 0, lastOut = 0;
  uint64_t pendingIn = 0, pendingOut = 0;  // counted into the counters since the baseline
  enum class Lost { Gap, Unplugged } lostBy = Lost::Unplugged;
};

struct Totals {
  uint64_t down = 0, up = 0;
  void Add(uint64_t d, uint64_t u) { down += d; up += u; }
};

using DayKey = std::tuple<int32_t, std::string, int, int, int>;  // kind, ID, year, month, day

class Year {
public:
  Year() {
    // Ethernet with 64-bit counters; a fast one and a dial-up one with 32-bit
    // counters; a wireless adapter first plugged in on day 2.
    Adapter("{ETHERNET-A}", 6, true, 0, 40000, 8000);
    Adapter("{ETHERNET-B}", 6, false, 0, 700000, 70000);
    Adapter("{DIALUP-PPP}", kIfTypePpp, false, 0, 3000, 1500);
    Adapter("{WIRELESS-W}", 71, true, 2, 60000, 20000);
    source_.adapters[2].row.inOctets = 0xFFFFFFFFull - 5000;  // wraps in its first hour
    Move(UtcAt(CivilDate{2025, 1, 1}, 22, 50));
  }

  void Run() {
    const CivilDate first{2025, 1, 1};
    Start();
    for (day_ = 0; day_ < 400; ++day_) {
      const CivilDate date = AddDays(first, day_);
      const CivilDate next = AddDays(date, 1);
      // Round midnight: reached by a sleep of hours, or by a restart.
      const int64_t evening = UtcAt(date, 23, 40 + static_cast<int>(rng_.Below(12)));
      if (clock_.seconds < evening) {
        if (program_ && rng_.OneIn(3)) {
          Sleep(evening - clock_.seconds);
        } else {
          Stop(rng_.OneIn(4) || day_ == 2);
          Off(evening - clock_.seconds);
          Start();
        }
      }
      if (day_ == 2) Plug(3, true);  // first seen by the tick, in a run that crashes
      RunUntil(UtcAt(next, 0, 17 + static_cast<int>(rng_.Below(13))));

      if (date.month == 3 && date.day == 29) RunUntil(kSummerStart + 80 * kMinute);  // 01:59:59 -> 03:00:00
      if (date.month == 10 && date.day == 25) RunUntil(kSummerEnd + 80 * kMinute);   // 02:59:59 -> 02:00:00
      if (day_ % 29 == 5) {
        // The clock set back an hour over midnight, told or seen by the tick.
        SetClock(-kHour, day_ % 58 == 5);
        RunUntil(clock_.seconds + 70 * kMinute);
      }
      if (day_ % 37 == 11) {
        // Back to yesterday and forward again, each change told to the meter.
        SetClock(-kDay, true);
        RunUntil(clock_.seconds + 20 * kMinute);
        SetClock(kDay, true);
        RunUntil(clock_.seconds + 10 * kMinute);
      }
      if (day_ % 3 == 1 || day_ == 2) {
        // A restart in the middle of the day continues today's counts.
        Stop(rng_.OneIn(4) || day_ == 2);
        if (day_ == 2) Plug(3, false);
        Off(UtcAt(next, 12, static_cast<int>(rng_.Below(50))) - clock_.seconds);
        Start();
        if (day_ == 2) {
          RunUntil(clock_.seconds + 3 * kMinute);
          Plug(3, true);  // not in the catalogue: the crash kept it from the registry
        }
        RunUntil(clock_.seconds + (10 + static_cast<int64_t>(rng_.Below(20))) * kMinute);
      }
    }
    Stop(false);
  }

  void Check() {
    std::map<DayKey, Totals> logged;
    std::map<DayKey, int> count;
    Totals onLog;
    for (const DayRecord& r : ReadRecords(*platform_.files.at(kLogPath))) {
      const DayKey key{r.kind, r.id, r.year, r.month, r.day};
      ++count[key];
      logged[key].Add(r.down, r.up);
      if (r.kind == kKindAll) onLog.Add(r.down, r.up);
    }
    int faults = 0;
    auto fault = [&](const std::string& what) {
      if (++faults <= 12) ADD_FAILURE() << what;
    };
    for (const auto& [key, n] : count)
      if (n > 1) fault("two records of one day: " + Describe(key));
    std::map<DayKey, bool> keys;
    for (const auto& [key, t] : logged) keys[key] = true;
    for (const auto& [key, t] : expected_) keys[key] = true;
    for (const auto& [key, unused] : keys) {
      const Totals want = expected_.count(key) ? expected_.at(key) : Totals{};
      const Totals got = logged.count(key) ? logged.at(key) : Totals{};
      if (want.down != got.down || want.up != got.up)
        fault(Describe(key) + ": logged " + std::to_string(got.down) + "/" + std::to_string(got.up) + ", expected " +
              std::to_string(want.down) + "/" + std::to_string(want.up));
    }
    // All Connections is the sum of the adapters on every day, Dial-Up the sum of
    // the dial-up adapters.
    std::map<std::tuple<int, int, int>, Totals> all, sum, dial, dialSum;
    for (const auto& [key, t] : logged) {
      const auto day = std::make_tuple(std::get<2>(key), std::get<3>(key), std::get<4>(key));
      const int32_t kind = std::get<0>(key);
      if (kind == kKindAll) all[day].Add(t.down, t.up);
      if (kind == kKindDialUp) dial[day].Add(t.down, t.up);
      if (kind == kKindAdapter) {
        sum[day].Add(t.down, t.up);
        if (std::get<1>(key) == "{DIALUP-PPP}")
          dialSum[day].Add(t.down, t.up);
      }
    }
    for (const auto& [day, t] : sum)
      if (all[day].down != t.down || all[day].up != t.up)
        fault("All Connections is not the sum of the adapters on " + std::to_string(std::get<0>(day)) + "-" +
              std::to_string(std::get<1>(day)) + "-" + std::to_string(std::get<2>(day)));
    for (const auto& [day, t] : dialSum)
      if (dial[day].down != t.down || dial[day].up != t.up)
        fault("Dial-Up Connections is not the sum of the dial-up adapters on " + std::to_string(std::get<0>(day)) +
              "-" + std::to_string(std::get<1>(day)) + "-" + std::to_string(std::get<2>(day)));
    EXPECT_EQ(faults, 0);
    const Totals dropped{droppedGap_.down + droppedPlug_.down + droppedWrap_.down + droppedCrash_.down,
                         droppedGap_.up + droppedPlug_.up + droppedWrap_.up + droppedCrash_.up};
    EXPECT_EQ(onLog.down, generated_.down - dropped.down);
    EXPECT_EQ(onLog.up, generated_.up - dropped.up);
    EXPECT_GE(all.size(), 400u);

    std::printf("simulated year: %llu ticks, %zu day records; %d starts, %d crashes, %d sleeps, %d clock changes, "
                "%d plugs, %d counter restarts or wraps, %d ticks without the adapter list\n",
                static_cast<unsigned long long>(ticks_), count.size(), events_.starts, events_.crashes,
                events_.sleeps, events_.clockChanges, events_.plugs, events_.wraps, events_.unavailable);
    Print("generated", generated_);
    Print("dropped, tick after a gap", droppedGap_);
    Print("dropped, first tick after plugging in", droppedPlug_);
    Print("dropped, counter restart or wrap", droppedWrap_);
    Print("dropped, since the last slice at a crash", droppedCrash_);
    Print("logged (All Connections)", onLog);
  }

private:
  void Adapter(const std::string& name, uint32_t type, bool wide, int firstDay, uint64_t in, uint64_t out) {
    ScriptedSource::Adapter& a = source_.Add(name, static_cast<uint32_t>(source_.adapters.size() + 1), type);
    a.row.counters64 = wide;
    a.listed = firstDay == 0;
    ModelAdapter m;
    m.source = source_.adapters.size() - 1;
    m.dialUp = type == kIfTypePpp;
    m.firstDay = firstDay;
    m.maxIn = in;
    m.maxOut = out;
    model_.push_back(m);
  }
  ScriptedSource::Adapter& Src(const ModelAdapter& m) { return source_.adapters[m.source]; }

  static std::string Describe(const DayKey& k) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", std::get<2>(k), std::get<3>(k), std::get<4>(k));
    return std::to_string(std::get<0>(k)) + " " + std::get<1>(k) + " " + date;
  }
  static void Print(const char* what, const Totals& t) {
    std::printf("  %-42s %16llu down %16llu up\n", what, static_cast<unsigned long long>(t.down),
                static_cast<unsigned long long>(t.up));
  }

  // Bytes through a counter: 32-bit counters wrap.
  static void Count(ScriptedSource::Adapter& a, uint64_t in, uint64_t out) {
    a.row.inOctets += in;
    a.row.outOctets += out;
    if (!a.row.counters64) {
      a.row.inOctets &= 0xFFFFFFFFull;
      a.row.outOctets &= 0xFFFFFFFFull;
    }
  }

  // The machine's clock moves on (or is set); the zone shows it as local time.
  void Move(int64_t by) {
    clock_.Advance(by);
    clock_.offset = ZoneOffset(clock_.seconds);
  }

  void Start() {
    ++events_.starts;
    program_ = std::make_unique<MeterRun>(platform_, registry_, source_, clock_, kLogPath);
    EXPECT_TRUE(program_->log.isOpen());
    // Start-up takes a baseline of every listed adapter.
    for (ModelAdapter& m : model_) {
      m.baseline = Src(m).listed;
      m.lastIn = Src(m).row.inOctets;
      m.lastOut = Src(m).row.outOctets;
      m.pendingIn = m.pendingOut = 0;
      m.lostBy = ModelAdapter::Lost::Unplugged;
    }
    stored_ = clock_.Now();
    lastTick_ = clock_.seconds;
  }

  // The end of a run: a normal one writes today's records; a crash loses what
  // was counted since the last write.
  void Stop(bool crash) {
    if (!program_) return;
    if (crash) {
      ++events_.crashes;
      droppedCrash_.Add(unwritten_[0].down, unwritten_[0].up);  // All Connections: the sum
      unwritten_.assign(unwritten_.size(), Totals{});
    } else {
      program_->Close(registry_);
      Commit();
    }
    program_.reset();
  }

  // Time with the program not running: the counters move on unseen, and after
  // a restart of the machine they begin at zero again.
  void Off(int64_t seconds) {
    Move(seconds);
    const bool reboot = rng_.OneIn(2);
    for (ModelAdapter& m : model_) {
      ScriptedSource::Adapter& a = Src(m);
      if (reboot) a.row.inOctets = a.row.outOctets = 0;
      if (a.listed) Count(a, rng_.Below(1 << 20), rng_.Below(1 << 18));
    }
  }

  // The machine sleeps while the program runs.
  void Sleep(int64_t seconds) {
    ++events_.sleeps;
    Move(seconds);
  }

  void Plug(size_t i, bool on) {
    if (day_ < model_[i].firstDay) return;
    events_.plugs += on;
    Src(model_[i]).listed = on;
  }

  // The user sets the clock; told = the meter gets the time-change notice.
  void SetClock(int64_t by, bool told) {
    ++events_.clockChanges;
    Move(by);
    if (!told) return;
    program_->tick.TimeChanged(sink_);
    SliceCheck();
    lastTick_ = clock_.seconds;
  }

  void RunUntil(int64_t utc) {
    while (clock_.seconds < utc) {
      RandomEvent();
      Second();
    }
  }

  void RandomEvent() {
    if (rng_.OneIn(15000)) Sleep(static_cast<int64_t>(1 + rng_.Below(20)) * kMinute);
    if (rng_.OneIn(30000)) {
      // A late timer: up to 30 seconds of traffic in one tick, no gap yet.
      const int64_t late = 2 + static_cast<int64_t>(rng_.Below(28));
      for (int64_t s = 0; s < late; ++s) Traffic();
      Move(late);
    }
    for (size_t i = 3; i < model_.size(); ++i) {
      if (Src(model_[i]).listed ? rng_.OneIn(8000) : rng_.OneIn(600)) Plug(i, !Src(model_[i]).listed);
    }
    if (rng_.OneIn(50000)) Src(model_[0]).row.inOctets = Src(model_[0]).row.outOctets = 0;
    if (rng_.OneIn(80000)) Src(model_[2]).row.inOctets = Src(model_[2]).row.outOctets = 0;
    if (unavailableTicks_ == 0 && rng_.OneIn(5000)) {
      unavailableTicks_ = 1 + static_cast<int>(rng_.Below(3));
      events_.unavailable += unavailableTicks_;
      noData_ = rng_.OneIn(2);
    }
  }

  void Traffic() {
    for (ModelAdapter& m : model_) {
      ScriptedSource::Adapter& a = Src(m);
      if (!a.listed) continue;
      const uint64_t in = rng_.Below(m.maxIn), out = rng_.Below(m.maxOut);
      Count(a, in, out);
      m.pendingIn += in;
      m.pendingOut += out;
      generated_.Add(in, out);
    }
  }

  void Second() {
    Move(1);
    Traffic();
    Tick();
  }

  // The meter's tick, and the model's view of it.
  void Tick() {
    ++ticks_;
    source_.failList = unavailableTicks_ > 0 && !noData_;
    source_.noData = unavailableTicks_ > 0 && noData_;
    const bool available = unavailableTicks_ == 0;
    if (unavailableTicks_ > 0) --unavailableTicks_;
    program_->tick.Tick(&source_, options_, sink_);
    source_.failList = source_.noData = false;

    if (clock_.seconds - lastTick_ > 30) {
      for (ModelAdapter& m : model_) {
        if (m.baseline) m.lostBy = ModelAdapter::Lost::Gap;
        m.baseline = false;
      }
    }
    lastTick_ = clock_.seconds;
    SliceCheck();
    if (!available) return;
    Totals all, dial;
    for (ModelAdapter& m : model_) {
      ScriptedSource::Adapter& a = Src(m);
      if (!a.listed) {
        if (m.baseline) m.lostBy = ModelAdapter::Lost::Unplugged;
        m.baseline = false;
        continue;
      }
      if (m.baseline) {
        // A counter below its baseline restarted or wrapped: its value is the count.
        const uint64_t in = a.row.inOctets >= m.lastIn ? a.row.inOctets - m.lastIn : a.row.inOctets;
        const uint64_t out = a.row.outOctets >= m.lastOut ? a.row.outOctets - m.lastOut : a.row.outOctets;
        droppedWrap_.Add(m.pendingIn - in, m.pendingOut - out);
        events_.wraps += (a.row.inOctets < m.lastIn) + (a.row.outOctets < m.lastOut);
        unwritten_[2 + m.source].Add(in, out);
        all.Add(in, out);
        if (m.dialUp) dial.Add(in, out);
      } else {
        (m.lostBy == ModelAdapter::Lost::Gap ? droppedGap_ : droppedPlug_).Add(m.pendingIn, m.pendingOut);
      }
      m.baseline = true;
      m.lastIn = a.row.inOctets;
      m.lastOut = a.row.outOctets;
      m.pendingIn = m.pendingOut = 0;
    }
    unwritten_[0].Add(all.down, all.up);
    unwritten_[1].Add(dial.down, dial.up);
  }

  // The log is written when the slice, hour or date changes.
  void SliceCheck() {
    const LocalTime now = clock_.Now();
    if (now.year != stored_.year || now.month != stored_.month || now.day != stored_.day ||
        now.hour != stored_.hour || now.minute / 16 != stored_.minute / 16)
      Commit();
    stored_ = now;
  }

  void Commit() {
    for (size_t c = 0; c < unwritten_.size(); ++c) {
      if (unwritten_[c].down == 0 && unwritten_[c].up == 0) continue;
      const int32_t kind = c == 0 ? kKindAll : c == 1 ? kKindDialUp : kKindAdapter;
      const std::string id = c < 2 ? std::string() : source_.adapters[c - 2].info.name;
      expected_[DayKey{kind, id, stored_.year, stored_.month, stored_.day}].Add(unwritten_[c].down,
                                                                                 unwritten_[c].up);
      unwritten_[c] = Totals{};
    }
  }

  ScriptedClock clock_;
  ScriptedSource source_;
  MemoryRegistry registry_;
  MemoryLogPlatform platform_;
  std::unique_ptr<MeterRun> program_;
  TickSink sink_;
  SampleOptions options_;
  Random rng_;
  int day_ = 0;
  int unavailableTicks_ = 0;
  bool noData_ = false;
  uint64_t ticks_ = 0;
  struct {
    int starts = 0, crashes = 0, sleeps = 0, clockChanges = 0, plugs = 0, wraps = 0, unavailable = 0;
  } events_;

  std::vector<ModelAdapter> model_;
  LocalTime stored_;
  int64_t lastTick_ = 0;
  std::vector<Totals> unwritten_ = std::vector<Totals>(6);  // All, Dial-Up, then the adapters
  std::map<DayKey, Totals> expected_;
  Totals generated_, droppedGap_, droppedPlug_, droppedWrap_, droppedCrash_;
};

}  // namespace

TEST(MeterYear, TheLogHoldsEveryByteTheRulesKeep) {
  Year year;
  year.Run();
  year.Check();
}
