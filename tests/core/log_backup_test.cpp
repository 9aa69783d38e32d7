// The copies of the traffic log: the daily copy and its retention over ten
// weeks of the meter's tick, a copy in steps that a write starts over, a copy
// that fails part way, and a damaged log that must not push sound copies out.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/scripted_clock.h"
#include "log_test_support.h"
#include "measure/scripted_source.h"
#include "memory_log_platform.h"
#include "meter_run.h"
#include "settings/memory_registry.h"
#include "trafficlog/log_backup.h"

namespace {

const std::wstring kPath = L"C:\\Logs\\sum_v2.log";
const std::wstring kFolder = L"C:\\Logs\\Backups\\";

class LogBackupTest : public ::testing::Test {
protected:
  void SetUp() override { source.Add("{LAN-ADAPTER-1}", 1); }
  void Start() {
    run = std::make_unique<MeterRun>(platform, registry, source, clock, kPath);
    backups = std::make_unique<LogBackups>(run->log);
    run->tick.SetBackups(backups.get());
  }
  void Tick(int64_t seconds, uint64_t down = 1000) {
    clock.Advance(seconds);
    source.Count(1, down, 0);
    run->tick.Tick(&source, options, sink);
  }
  std::vector<std::wstring> Names() {
    std::vector<std::wstring> names = platform.ListFiles(kFolder);
    std::sort(names.begin(), names.end());
    return names;
  }
  // A log of `records` days of All Connections from 2020-01-01 on.
  std::vector<uint8_t> Log(int records, int badAt = -1) {
    TestLog log;
    for (int i = 0; i < records; ++i) {
      const CivilDate d = AddDays(CivilDate{2020, 1, 1}, i);
      log.Add(d.year, d.month, d.day, 1000 + i, 10);
    }
    std::vector<uint8_t> bytes = log.file.bytes();
    if (badAt >= 0) bytes[RecordOffset(badAt) + 8] = 9;  // weekday field 9
    return bytes;
  }
  void Put(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    platform.files[path] = std::make_shared<std::vector<uint8_t>>(bytes);
  }

  MemoryLogPlatform platform;
  MemoryRegistry registry;
  ScriptedSource source;
  ScriptedClock clock;
  SampleOptions options;
  TickSink sink;
  std::unique_ptr<MeterRun> run;
  std::unique_ptr<LogBackups> backups;
};

}  // namespace

TEST_F(LogBackupTest, SeventyDaysLeaveSevenDailyAndEightWeeklyCopiesEachTheLogOfItsDay) {
  clock.Set(2026, 1, 1, 0, 0, 30);  // a Thursday
  Start();
  std::map<std::wstring, std::vector<uint8_t>> asItStood;
  for (int hour = 0; hour < 70 * 24 - 1; ++hour) {
    for (int t = 0; t < 3; ++t) {
      Tick(t == 0 ? 3600 - 2 : 1);
      const std::wstring name = DailyBackupName(DateOf(clock.Now()));
      if (!asItStood.count(name) && platform.files.count(kFolder + name))
        asItStood[name] = *platform.files.at(kPath);
    }
  }
  run->Close(registry);
  ASSERT_EQ(DateOf(clock.Now()).month, 3);
  ASSERT_EQ(DateOf(clock.Now()).day, 11);

  // The last 7 days, and the newest of each of the 8 newest Monday weeks.
  const std::vector<std::wstring> expected = {
      L"sum_v2-2026-01-25.log", L"sum_v2-2026-02-01.log", L"sum_v2-2026-02-08.log", L"sum_v2-2026-02-15.log",
      L"sum_v2-2026-02-22.log", L"sum_v2-2026-03-01.log", L"sum_v2-2026-03-05.log", L"sum_v2-2026-03-06.log",
      L"sum_v2-2026-03-07.log", L"sum_v2-2026-03-08.log", L"sum_v2-2026-03-09.log", L"sum_v2-2026-03-10.log",
      L"sum_v2-2026-03-11.log"};
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(asItStood.size(), 70u);
  for (const std::wstring& name : Names()) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    MemoryLogFile copy(platform.files.at(kFolder + name), false);
    EXPECT_FALSE(CheckLog(copy).damaged());
    EXPECT_GT(CheckLog(copy).records, 0u);
    EXPECT_EQ(copy.bytes(), asItStood[name]);
  }
  EXPECT_EQ(backups->failures(), 0);
}

TEST_F(LogBackupTest, ALargeLogIsCopiedInStepsAndAWriteMeanwhileStartsTheCopyOver) {
  Put(kPath, Log(10000));  // 2.8 MB: three steps
  clock.Set(2026, 1, 1, 0, 15, 57);
  Start();
  Tick(1);  // 00:15:58, starts
  Tick(1);  // the first megabyte
  EXPECT_EQ(platform.files.at(kFolder + L"sum_v2-2026-01-01.log.part")->size(), kBackupStepBytes);
  EXPECT_FALSE(platform.files.count(kFolder + L"sum_v2-2026-01-01.log"));
  Tick(2);  // 00:16:01: the slice's records are written, the copy starts over
  Tick(1);
  EXPECT_TRUE(backups->copying());
  Tick(1);
  EXPECT_FALSE(backups->copying());
  EXPECT_EQ(*platform.files.at(kFolder + L"sum_v2-2026-01-01.log"), *platform.files.at(kPath));
  EXPECT_FALSE(platform.files.count(kFolder + L"sum_v2-2026-01-01.log.part"));
}

TEST_F(LogBackupTest, AFailingCopyLeavesEveryOlderBackupAndNoTemporaryFile) {
  Put(kPath, Log(20));
  const std::vector<uint8_t> older = Log(5);
  for (int day = 20; day <= 31; ++day) Put(kFolder + L"sum_v2-2025-12-" + std::to_wstring(day) + L".log", older);
  const std::vector<std::wstring> before = Names();
  platform.writeBudget = 3000;  // fails after 3000 bytes
  clock.Set(2026, 1, 1, 10, 0, 0);
  Start();
  Tick(1);
  Tick(1);
  EXPECT_EQ(backups->failures(), 1);
  // Nor is the log cleared when its copy fails.
  const std::vector<uint8_t> log = *platform.files.at(kPath);
  auto entries = EntryList(run->catalogue.entries);
  EXPECT_FALSE(run->log.ClearLog(entries, CivilDate{2026, 1, 1}));
  EXPECT_EQ(*platform.files.at(kPath), log);
  EXPECT_EQ(Names(), before);
  for (const std::wstring& name : Names()) EXPECT_EQ(*platform.files.at(kFolder + name), older);
}

TEST_F(LogBackupTest, ADamagedLogIsReportedAndNeverPushesSoundCopiesOut) {
  Put(kPath, Log(30, 12));
  const std::vector<uint8_t> sound = Log(29);
  for (int day = 1; day <= 9; ++day) Put(kFolder + L"sum_v2-2025-12-0" + std::to_wstring(day) + L".log", sound);
  Put(kFolder + L"sum_v2-2026-01-01.log", sound);  // today's, made by an earlier run
  clock.Set(2026, 1, 1, 23, 59, 0);
  Start();
  EXPECT_EQ(run->log.openCheck().damagedRecords, 1u);
  const std::wstring text = LogDamageText(kPath, 1, NewestDailyBackup(platform, kPath));
  EXPECT_NE(text.find(L" 1 damaged"), std::wstring::npos);
  EXPECT_NE(text.find(kFolder + L"sum_v2-2026-01-01.log"), std::wstring::npos);

  for (int t = 0; t < 120; ++t) Tick(1);  // into 2 January: its copy is made
  ASSERT_EQ(Names().size(), 11u);
  for (const std::wstring& name : Names()) {
    if (name == L"sum_v2-2026-01-02.log") continue;
    EXPECT_EQ(*platform.files.at(kFolder + name), sound);
  }
}
