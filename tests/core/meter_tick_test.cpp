// The meter's tick with its log, adapters and clock in memory: the order of
// one tick, the gap rule, the slice and day writes, clock changes and an
// unavailable adapter list, and the rates recorder fed by the tick.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/scripted_clock.h"
#include "log_test_support.h"
#include "measure/scripted_source.h"
#include "memory_log_platform.h"
#include "meter_run.h"
#include "settings/memory_registry.h"

namespace {

const std::wstring kPath = L"C:\\Tick\\sum_v2.log";

// What reaches the sink, in order: "date <y-m-d>", "sample <kind>", "usage".
class EventSink : public TickSink {
public:
  std::vector<std::string> events;
  void OnSample(AdapterEntry& e, const RateSample&) override { events.push_back("sample " + std::to_string(e.kind)); }
  void OnDateStarted(const LocalTime& t) override {
    events.push_back("date " + std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day));
  }
  void OnUsageCheck(const LocalTime&) override { events.push_back("usage"); }
};

class MeterTickTest : public ::testing::Test {
protected:
  void SetUp() override { source.Add("{LAN-ADAPTER-1}", 1); }
  void Start() { run = std::make_unique<MeterRun>(platform, registry, source, clock, kPath); }
  // One second with `down` bytes received on the first adapter.
  bool Second(uint64_t down, int64_t seconds = 1) {
    clock.Advance(seconds);
    source.Count(1, down, 0);
    return run->tick.Tick(&source, options, sink);
  }
  AdapterEntry& Entry(size_t i) { return run->catalogue[i]; }
  // The records of one connection and date in the log.
  std::vector<DayRecord> Records(int32_t kind, const std::string& id, int y, int m, int d) {
    std::vector<DayRecord> out;
    for (const DayRecord& r : ReadRecords(*platform.files.at(kPath)))
      if (r.kind == kind && r.id == id && r.year == y && r.month == m && r.day == d) out.push_back(r);
    return out;
  }
  uint64_t LoggedDown(int y, int m, int d) {
    const std::vector<DayRecord> all = Records(kKindAll, "", y, m, d);
    EXPECT_LE(all.size(), 1u);
    return all.empty() ? 0 : all[0].down;
  }
  void Seed(const std::vector<DayRecord>& records) {
    uint8_t image[kDayRecordSize];
    EncodeLogHeader(image);
    auto bytes = std::make_shared<std::vector<uint8_t>>(image, image + kLogHeaderSize);
    for (const DayRecord& r : records) {
      EncodeDayRecord(r, image);
      bytes->insert(bytes->end(), image, image + kDayRecordSize);
    }
    platform.files[kPath] = bytes;
  }

  MemoryLogPlatform platform;
  MemoryRegistry registry;
  ScriptedSource source;
  ScriptedClock clock;
  SampleOptions options;
  EventSink sink;
  std::unique_ptr<MeterRun> run;
};

}  // namespace

TEST_F(MeterTickTest, AtMidnightTheOldDayIsWrittenBeforeTheTickSamplesIntoTheNewDay) {
  clock.Set(2026, 12, 8, 23, 59, 58);
  Start();
  Second(400);  // 23:59:59
  sink.events.clear();
  Second(1000);  // 00:00:00
  EXPECT_EQ(LoggedDown(2026, 12, 8), 400u);
  EXPECT_TRUE(Records(kKindAll, "", 2026, 12, 9).empty());
  EXPECT_EQ(Entry(0).todayIn, 1000u);
  EXPECT_EQ(Entry(2).todayIn, 1000u);
  EXPECT_EQ(sink.events,
            (std::vector<std::string>{"date 2026-12-9", "sample 300", "sample 100", "sample 200", "usage"}));
}

TEST_F(MeterTickTest, TheLogIsWrittenOncePerSlice) {
  clock.Set(2026, 12, 8, 12, 15, 58);
  Start();
  Second(100);  // 12:15:59
  EXPECT_EQ(platform.files.at(kPath)->size(), kLogHeaderSize);
  Second(100);  // 12:16:00: the counts up to 12:15:59
  EXPECT_EQ(LoggedDown(2026, 12, 8), 100u);
  for (int i = 0; i < 959; ++i) Second(1);  // up to 12:31:59
  EXPECT_EQ(LoggedDown(2026, 12, 8), 100u);
  Second(1);  // 12:32:00
  EXPECT_EQ(LoggedDown(2026, 12, 8), 1159u);
}

TEST_F(MeterTickTest, TheGapRuleGoesByUtcSeconds) {
  struct Case {
    const char* what;
    int64_t advance;  // UTC seconds since the previous tick
    int64_t shift;    // change of the local offset
    bool counted;     // the bytes since the previous tick are counted
  };
  const Case cases[] = {
      {"a late timer of 30 seconds", 30, 0, true},
      {"31 seconds", 31, 0, false},
      {"a sleep of two hours", 2 * 3600, 0, false},
      {"the clock set back an hour", -3600, 0, true},
      {"summer time begins", 1, 3600, true},
      {"summer time ends", 1, -3600, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform.files.clear();
    clock.offset = 7200;
    clock.Set(2026, 6, 10, 10, 0, 0);
    Start();
    Second(500);
    clock.offset += c.shift;
    EXPECT_TRUE(Second(1'000'000, c.advance));
    EXPECT_EQ(Entry(0).history.newest().down, c.counted ? 1'000'000u : 0u);
    EXPECT_EQ(Entry(2).todayIn, c.counted ? 1'000'500u : 500u);
    // The baselines taken after a gap show no burst in the next sample.
    Second(700);
    EXPECT_EQ(Entry(0).history.newest().down, 700u);
  }
}

TEST_F(MeterTickTest, AClockSetBackToYesterdayWritesTodayAndContinuesYesterday) {
  Seed({Rec(2026, 12, 8, kKindAll, "", 5000, 50)});
  clock.Set(2026, 12, 9, 0, 10, 0);
  Start();
  Second(700);
  clock.Set(2026, 12, 8, 23, 50, 0);
  run->tick.TimeChanged(sink);
  EXPECT_EQ(LoggedDown(2026, 12, 9), 700u);
  EXPECT_EQ(Entry(0).todayIn, 5000u);
  EXPECT_EQ(sink.events.back(), "date 2026-12-8");
  Second(10);  // the same slice, and a clock that went back is no gap
  EXPECT_EQ(Entry(0).todayIn, 5010u);
  EXPECT_EQ(LoggedDown(2026, 12, 8), 5000u);
  run->Close(registry);
  EXPECT_EQ(LoggedDown(2026, 12, 8), 5010u);
  EXPECT_EQ(LoggedDown(2026, 12, 9), 700u);
}

TEST_F(MeterTickTest, AnUnavailableAdapterListSkipsSamplesAndTheUsageCheckButNotTheLog) {
  for (bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty list" : "failed list");
    platform.files.clear();
    clock.Set(2026, 12, 8, 12, 15, 59);
    Start();
    (empty ? source.noData : source.failList) = true;
    sink.events.clear();
    EXPECT_FALSE(Second(100));  // 12:16:00
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(platform.files.at(kPath)->size(), kLogHeaderSize + 3 * kDayRecordSize);
    source.failList = source.noData = false;
    EXPECT_TRUE(Second(100));
    EXPECT_EQ(Entry(2).history.newest().down, 200u);
    EXPECT_EQ(sink.events.back(), "usage");
  }
}

TEST_F(MeterTickTest, AnAdapterNewToTheRunContinuesTodaysRecord) {
  // A run that ended without saving its catalogue had seen the adapter today.
  Seed({Rec(2026, 12, 8, kKindAdapter, "{LATE-ADAPTER}", 900, 90)});
  clock.Set(2026, 12, 8, 12, 0, 0);
  Start();
  Second(0);
  source.Add("{LATE-ADAPTER}", 2);
  Second(0);
  ASSERT_EQ(run->catalogue.size(), 4u);
  EXPECT_EQ(Entry(3).todayIn, 900u);
  source.Count(2, 40, 0);
  Second(0);
  run->Close(registry);
  const std::vector<DayRecord> late = Records(kKindAdapter, "{LATE-ADAPTER}", 2026, 12, 8);
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(late[0].down, 940u);
}

namespace {

// The recorder gets every known connection's sample of the tick, a vanished
// adapter's zero sample too, stamped with the tick's time.
TEST_F(MeterTickTest, TheRecorderTakesEveryConnectionsSampleOfTheTick) {
  struct Files : RecordingFiles {
    struct File : RecordingFile {
      std::string* to;
      bool Append(const std::string& b) override { return *to += b, true; }
    };
    std::map<std::wstring, std::string> bytes;
    std::unique_ptr<RecordingFile> Open(const std::wstring& path, bool& isNew) override {
      isNew = false;
      auto f = std::make_unique<File>();
      f->to = &bytes[path];
      return f;
    }
  } files;
  RatesRecorder recorder(files);
  clock.Set(2026, 12, 8, 9, 30, 0);
  Start();
  run->tick.SetRecorder(&recorder);
  for (size_t i : {0, 2}) {
    Entry(i).recordRates = 1;
    Entry(i).recordFlags = 1;
    Entry(i).recordFile = i ? L"lan.csv" : L"all.csv";
  }
  recorder.Start({&Entry(0), &Entry(2)}, false, clock.Now());
  Second(300);
  source.adapters[0].listed = false;
  source.Add("{OTHER}", 2);  // keeps the list from being empty
  Second(0);
  EXPECT_EQ(files.bytes[L"lan.csv"].substr(files.bytes[L"lan.csv"].find("Both\r\n") + 6),
            "12/08/2026,09:30:01,300,0,300\r\n12/08/2026,09:30:02,0,0,0\r\n");
  EXPECT_NE(files.bytes[L"all.csv"].find("12/08/2026,09:30:01,300,0,300\r\n"), std::string::npos);
}

}  // namespace
