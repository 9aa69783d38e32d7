// The traffic log against an in-memory platform: opening in both modes, today's
// counters across slices, days and restarts, clearing, and the open-failure dialogs.
#include <gtest/gtest.h>

#include "log_test_support.h"
#include "memory_log_platform.h"

#include <cstring>

#include "engine/meter_tick.h"
#include "engine/scripted_clock.h"
#include "settings/memory_registry.h"
#include "trafficlog/log_backup.h"
#include "trafficlog/traffic_log.h"

namespace {

const std::wstring kRoot = L"Software\\Quarlen\\Zephra\\";
const std::wstring kDefaultPath = L"C:\\Users\\u\\AppData\\Roaming\\ZephraData\\sum_v2.log";

LocalTime At(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) { return MakeLocalTime(y, mo, d, h, mi, s); }

std::vector<uint8_t> FreshHeader() {
  uint8_t h[kLogHeaderSize];
  EncodeLogHeader(h);
  return std::vector<uint8_t>(h, h + kLogHeaderSize);
}

void AppendRecord(std::vector<uint8_t>& bytes, const LocalTime& t, int32_t kind, const std::string& id,
                  uint64_t down, uint64_t up) {
  const DayRecord r = Rec(t.year, t.month, t.day, kind, id, down, up);
  uint8_t image[kDayRecordSize];
  EncodeDayRecord(r, image);
  bytes.insert(bytes.end(), image, image + kDayRecordSize);
}

DayRecord RecordAt(const std::vector<uint8_t>& bytes, uint64_t offset) {
  return DecodeDayRecord(bytes.data() + offset);
}

// The meter's connections: both aggregates and two adapters.
struct Entries {
  Catalogue catalogue;
  std::vector<AdapterEntry*> list;
  Entries() {
    Add(kKindAll, "");
    Add(kKindDialUp, "");
    Add(kKindAdapter, "{NIC-ONE}");
    Add(kKindAdapter, "{NIC-TWO}");
  }
  AdapterEntry& Add(int32_t kind, const std::string& id) {
    catalogue.entries.push_back(std::make_unique<AdapterEntry>(4));
    catalogue.entries.back()->kind = kind;
    catalogue.entries.back()->id = id;
    list = EntryList(catalogue.entries);
    return *catalogue.entries.back();
  }
  AdapterEntry& operator[](size_t i) { return catalogue[i]; }
  void Count(uint64_t down, uint64_t up) {
    for (AdapterEntry* e : list) {
      e->todayIn += down;
      e->todayOut += up;
    }
  }
};

ScriptedClock& ClockAt(ScriptedClock& clock, const LocalTime& t) {
  clock.seconds = NaiveSeconds(t);
  return clock;
}

// The log as the meter drives it: located and opened at start-up, today's
// counters loaded, and the tick's slice and day check at each given time.
struct Meter {
  ScriptedClock clock;
  Entries entries;
  TrafficLog log;
  MeterTick tick;
  TickSink sink;

  Meter(MemoryLogPlatform& p, MemoryRegistry& r, const LocalTime& now, bool service = false)
      : log(p), tick(ClockAt(clock, now), entries.catalogue, log) {
    log.LocateLogFile(r, kRoot, service);
    if (log.OpenLogFile(service)) tick.LoadTodayCounters();
  }
  void Tick(const LocalTime& now) {
    ClockAt(clock, now);
    tick.TimeChanged(sink);
  }
  int writes() const { return tick.counters().recordWrites; }
  void Close() { tick.WriteTodayRecords(); }
};

class TrafficLogTest : public ::testing::Test {
protected:
  MemoryLogPlatform platform;
  MemoryRegistry registry;
  const std::vector<uint8_t>& File(const std::wstring& path = kDefaultPath) { return *platform.files.at(path); }
  void Put(const std::vector<uint8_t>& bytes, const std::wstring& path = kDefaultPath) {
    platform.files[path] = std::make_shared<std::vector<uint8_t>>(bytes);
  }
  std::wstring Stored(RegRoot root) {
    std::wstring v;
    registry.ReadString(root, kRoot + L"Options", L"TrafficLogFile", v);
    return v;
  }
};

}  // namespace

TEST_F(TrafficLogTest, LocatesTheDefaultLogAndRemembersIt) {
  TrafficLog log(platform);
  log.LocateLogFile(registry, kRoot, false);
  EXPECT_EQ(log.path(), kDefaultPath);
  EXPECT_FALSE(log.customPath());
  ASSERT_EQ(platform.createdDirs.size(), 1u);
  EXPECT_EQ(platform.createdDirs[0], L"C:\\Users\\u\\AppData\\Roaming\\ZephraData\\");
  EXPECT_EQ(Stored(RegRoot::CurrentUser), kDefaultPath);
  EXPECT_EQ(Stored(RegRoot::LocalMachine), L"");

  // The second start takes the stored path as a custom one.
  TrafficLog again(platform);
  again.LocateLogFile(registry, kRoot, true);
  EXPECT_EQ(again.path(), kDefaultPath);
  EXPECT_TRUE(again.customPath());
}

TEST_F(TrafficLogTest, LocationFallsBackToTheProgramFolderAndIgnoresUnusableValues) {
  platform.appData = false;
  registry.WriteString(RegRoot::CurrentUser, kRoot + L"Options", L"TrafficLogFile", std::wstring(300, L'x'));
  TrafficLog log(platform);
  log.LocateLogFile(registry, kRoot, true);
  EXPECT_EQ(log.path(), L"C:\\Program Files\\Zephra\\sum_v2.log");
  EXPECT_FALSE(log.customPath());
  EXPECT_EQ(Stored(RegRoot::LocalMachine), log.path());

  registry.WriteString(RegRoot::CurrentUser, kRoot + L"Options", L"TrafficLogFile", L"");
  TrafficLog empty(platform);
  empty.LocateLogFile(registry, kRoot, false);
  EXPECT_FALSE(empty.customPath());
}

TEST_F(TrafficLogTest, AFreshLogIsExactlyTheHeaderAndClearingReturnsToIt) {
  Meter m(platform, registry, At(2008, 3, 15, 10, 0, 0));
  ASSERT_TRUE(m.log.isOpen());
  EXPECT_EQ(File(), FreshHeader());

  m.entries.Count(1000, 100);
  m.Tick(At(2008, 3, 15, 10, 16, 0));
  EXPECT_EQ(File().size(), kLogHeaderSize + 4 * kDayRecordSize);

  const std::vector<uint8_t> before = File();
  ASSERT_TRUE(m.log.ClearLog(m.entries.list, CivilDate{2008, 3, 15}));
  EXPECT_EQ(File(), FreshHeader());
  // Every record is back in the copy made first, which opens as a log.
  const std::wstring copy = BackupFolderOf(kDefaultPath) + L"sum_v2-2008-03-15-before-clear.log";
  EXPECT_EQ(File(copy), before);
  TrafficLog restored(platform);
  restored.SetPath(copy, true);
  ASSERT_TRUE(restored.OpenLogFile(false));
  EXPECT_FALSE(restored.openCheck().damaged());
  for (AdapterEntry* e : m.entries.list) {
    EXPECT_EQ(e->todayIn, 0u);
    EXPECT_EQ(e->logRecordOffset, -1);
  }
  // The cleared log opens again as it is.
  m.log.CloseLogFile();
  Meter next(platform, registry, At(2008, 3, 15, 11, 0, 0));
  ASSERT_TRUE(next.log.isOpen());
  EXPECT_EQ(File(), FreshHeader());
  EXPECT_EQ(next.log.backupPath(), L"");
}

TEST_F(TrafficLogTest, RecordsAreAppendedOnceAndRewrittenInPlace) {
  Meter m(platform, registry, At(2008, 3, 15, 10, 0, 0));
  m.entries.Count(500, 50);
  m.Tick(At(2008, 3, 15, 10, 15, 59));  // same slice: nothing written
  EXPECT_EQ(m.writes(), 0);
  EXPECT_EQ(File().size(), kLogHeaderSize);
  m.Tick(At(2008, 3, 15, 10, 16, 0));
  EXPECT_EQ(m.writes(), 1);
  for (size_t k = 0; k < 4; ++k) EXPECT_EQ(m.entries[k].logRecordOffset, static_cast<int32_t>(RecordOffset(k)));

  // A connection first seen now gets the next record; the others stay put.
  AdapterEntry& late = m.entries.Add(kKindAdapter, "{NIC-LATE}");
  late.todayIn = 7;
  m.entries.Count(1, 1);
  m.Tick(At(2008, 3, 15, 10, 32, 0));
  EXPECT_EQ(File().size(), kLogHeaderSize + 5 * kDayRecordSize);
  EXPECT_EQ(late.logRecordOffset, static_cast<int32_t>(RecordOffset(4)));
  const DayRecord nic = RecordAt(File(), RecordOffset(2));
  EXPECT_EQ(nic.id, "{NIC-ONE}");
  EXPECT_EQ(nic.down, 501u);
  EXPECT_EQ(nic.up, 51u);
  EXPECT_EQ(nic.weekday, 6);
  EXPECT_EQ(RecordAt(File(), RecordOffset(4)).down, 8u);
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).id, "");
}

TEST_F(TrafficLogTest, MidnightClosesTheOldDayAndStartsTheNewOneAtZero) {
  Meter m(platform, registry, At(2008, 12, 31, 23, 59, 58));
  m.entries.Count(300, 30);
  m.Tick(At(2008, 12, 31, 23, 59, 59));
  m.entries.Count(5, 5);
  m.Tick(At(2009, 1, 1, 0, 0, 0));
  ASSERT_EQ(File().size(), kLogHeaderSize + 4 * kDayRecordSize);
  const DayRecord last = RecordAt(File(), RecordOffset(0));
  EXPECT_EQ(last.year, 2008);
  EXPECT_EQ(last.day, 31);
  EXPECT_EQ(last.down, 305u);
  for (AdapterEntry* e : m.entries.list) {
    EXPECT_EQ(e->todayIn, 0u);
    EXPECT_EQ(e->logRecordOffset, -1);
  }
  m.entries.Count(9, 9);
  m.Tick(At(2009, 1, 1, 0, 16, 0));
  ASSERT_EQ(File().size(), kLogHeaderSize + 8 * kDayRecordSize);
  const DayRecord first = RecordAt(File(), RecordOffset(4));
  EXPECT_EQ(first.year, 2009);
  EXPECT_EQ(first.down, 9u);
  EXPECT_EQ(first.weekday, 4);
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).down, 305u);
}

TEST_F(TrafficLogTest, ClockSetBackToYesterdayContinuesYesterdaysRecords) {
  Meter m(platform, registry, At(2008, 3, 14, 22, 0, 0));
  m.entries.Count(100, 10);
  m.Tick(At(2008, 3, 15, 9, 0, 0));  // the next morning
  m.entries.Count(40, 4);
  m.Tick(At(2008, 3, 14, 23, 0, 0));  // the clock goes back a day
  // Today's counts went to today's records; yesterday's counts are back.
  EXPECT_EQ(m.entries[0].todayIn, 100u);
  EXPECT_EQ(m.entries[0].logRecordOffset, static_cast<int32_t>(RecordOffset(0)));
  EXPECT_EQ(RecordAt(File(), RecordOffset(4)).day, 15);
  EXPECT_EQ(RecordAt(File(), RecordOffset(4)).down, 40u);
  m.entries.Count(1, 1);
  m.Tick(At(2008, 3, 14, 23, 16, 0));
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).down, 101u);
  EXPECT_EQ(File().size(), kLogHeaderSize + 8 * kDayRecordSize);
}

TEST_F(TrafficLogTest, ARestartInTheDayContinuesTodaysCounts) {
  {
    Meter m(platform, registry, At(2008, 3, 15, 8, 0, 0));
    m.entries.Count(1234, 56);
    m.Close();
  }
  Meter again(platform, registry, At(2008, 3, 15, 14, 0, 0));
  for (AdapterEntry* e : again.entries.list) {
    EXPECT_EQ(e->todayIn, 1234u);
    EXPECT_EQ(e->todayOut, 56u);
  }
  again.entries.Count(1, 1);
  again.Close();
  EXPECT_EQ(File().size(), kLogHeaderSize + 4 * kDayRecordSize);
  EXPECT_EQ(RecordAt(File(), RecordOffset(3)).down, 1235u);
}

TEST_F(TrafficLogTest, LoadingLetsTheLaterRecordWinAndMatchesIdsExactly) {
  std::vector<uint8_t> bytes = FreshHeader();
  const LocalTime today = At(2008, 3, 15);
  AppendRecord(bytes, today, 300, "{NIC-ONE}", 1, 1);
  AppendRecord(bytes, today, 300, "{nic-two}", 2, 2);
  AppendRecord(bytes, At(2008, 3, 14), 100, "", 3, 3);
  AppendRecord(bytes, today, 300, "{NIC-ONE}", 4, 4);
  AppendRecord(bytes, today, 100, "ignored", 5, 5);
  Put(bytes);
  Meter m(platform, registry, today);
  EXPECT_EQ(m.entries[0].todayIn, 5u);
  EXPECT_EQ(m.entries[0].logRecordOffset, static_cast<int32_t>(RecordOffset(4)));
  EXPECT_EQ(m.entries[1].logRecordOffset, -1);
  EXPECT_EQ(m.entries[2].todayIn, 4u);
  EXPECT_EQ(m.entries[2].logRecordOffset, static_cast<int32_t>(RecordOffset(3)));
  EXPECT_EQ(m.entries[3].logRecordOffset, -1);
}

TEST_F(TrafficLogTest, ATornTailIsIgnoredAndTheNextRecordKeepsTheGrid) {
  std::vector<uint8_t> bytes = FreshHeader();
  AppendRecord(bytes, At(2008, 3, 14), 100, "", 77, 7);
  bytes.insert(bytes.end(), 150, 0x5A);
  Put(bytes);
  Meter m(platform, registry, At(2008, 3, 15));
  ASSERT_TRUE(m.log.isOpen());
  EXPECT_EQ(File().size(), bytes.size());  // opening changes nothing
  m.Close();
  ASSERT_EQ(File().size(), kLogHeaderSize + 5 * kDayRecordSize);
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).down, 77u);
  EXPECT_EQ(RecordAt(File(), RecordOffset(1)).day, 15);
  EXPECT_EQ(RecordAt(File(), RecordOffset(4)).id, "{NIC-TWO}");
}

TEST_F(TrafficLogTest, AFileOfAnotherFormatIsCopiedAsideBeforeItIsStartedAfresh) {
  std::vector<std::vector<uint8_t>> foreign;
  std::vector<uint8_t> v1 = FreshHeader();
  v1[4] = 1;
  AppendRecord(v1, At(2008, 3, 14), 100, "", 1, 1);
  foreign.push_back(v1);
  std::vector<uint8_t> sig = FreshHeader();
  sig[0] = 'X';
  foreign.push_back(sig);
  foreign.push_back({'N', 'T', 'S'});
  std::vector<uint8_t> noise(5000);
  uint32_t seed = 12345;
  for (auto& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  foreign.push_back(noise);

  for (const auto& bytes : foreign) {
    platform.files.clear();
    registry.DeleteKey(RegRoot::CurrentUser, kRoot + L"Options");
    Put(bytes);
    Meter m(platform, registry, At(2008, 3, 15));
    ASSERT_TRUE(m.log.isOpen());
    EXPECT_EQ(File(), FreshHeader());
    EXPECT_EQ(m.log.backupPath(), kDefaultPath + L".bak");
    EXPECT_EQ(File(kDefaultPath + L".bak"), bytes);
  }
  // A second foreign file does not overwrite the first copy.
  Put({1, 2, 3});
  TrafficLog again(platform);
  again.SetPath(kDefaultPath, true);
  ASSERT_TRUE(again.OpenLogFile(false));
  EXPECT_EQ(again.backupPath(), kDefaultPath + L".2.bak");
  EXPECT_EQ(File(kDefaultPath + L".bak"), noise);
}

TEST_F(TrafficLogTest, AForeignFileThatCannotBeCopiedIsLeftAlone) {
  const std::wstring custom = L"D:\\readonly\\notes.log";
  Put({'h', 'e', 'l', 'l', 'o'}, custom);
  platform.unwritable.insert(L"D:\\readonly\\");
  TrafficLog log(platform);
  log.SetPath(custom, true);
  EXPECT_FALSE(log.OpenLogFile(false));
  EXPECT_EQ(File(custom), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(TrafficLogTest, ServiceModeReadsOnlyAGoodLogAndNeverChangesIt) {
  TrafficLog log(platform);
  log.SetPath(kDefaultPath, true);
  EXPECT_FALSE(log.OpenLogFile(true));  // missing
  Put({});
  EXPECT_FALSE(log.OpenLogFile(true));  // empty
  std::vector<uint8_t> v1 = FreshHeader();
  v1[4] = 1;
  Put(v1);
  EXPECT_FALSE(log.OpenLogFile(true));
  EXPECT_EQ(File(), v1);

  std::vector<uint8_t> good = FreshHeader();
  AppendRecord(good, At(2008, 3, 15), 100, "", 40, 4);
  Put(good);
  ASSERT_TRUE(log.OpenLogFile(true));
  Entries entries;
  ASSERT_TRUE(log.LoadTodayCounters(entries.list, At(2008, 3, 15)));
  EXPECT_EQ(entries[0].todayIn, 40u);
  entries.Count(1, 1);
  log.WriteTodayRecords(entries.list, At(2008, 3, 15));
  // The service keeps the log: nothing is cleared, nothing zeroed.
  EXPECT_FALSE(log.ClearLog(entries.list, CivilDate{2008, 3, 15}));
  EXPECT_EQ(File(), good);
  EXPECT_EQ(entries[0].todayIn, 41u);
}

TEST_F(TrafficLogTest, ALockedLogStopsARunningServiceABoundedNumberOfTimes) {
  platform.locked.insert(kDefaultPath);
  platform.serviceState = kServiceRunning;
  TrafficLog log(platform);
  log.SetPath(kDefaultPath, false);
  ASSERT_TRUE(log.OpenLogFile(false));
  EXPECT_EQ(platform.stops, 1);

  // A service that keeps the file: opening gives up after the bound.
  platform.locked.insert(kDefaultPath);
  platform.serviceState = kServiceStartPending;
  platform.stopUnlocks = false;
  platform.stops = 0;
  EXPECT_FALSE(log.OpenLogFile(false));
  EXPECT_EQ(platform.stops, kMaxServiceStopsOnOpen);

  // Locked by something else while the service is stopped: no stop at all.
  platform.serviceState = kServiceStopped;
  platform.stops = 0;
  EXPECT_FALSE(log.OpenLogFile(false));
  EXPECT_EQ(platform.stops, 0);
}

TEST_F(TrafficLogTest, TheOldLogIsConvertedOnlyIntoANewLogAtTheDefaultPlace) {
  AdapterInfo nic;
  nic.name = "{nic-one-guid}";
  const uint8_t mac[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  std::memcpy(nic.address, mac, 8);
  nic.addressLength = 6;
  platform.adapters = {nic};
  std::vector<uint8_t> old(kOldRecordSize, 0);
  old[0] = 0xD8; old[1] = 7; old[2] = 3; old[4] = 14; old[8] = 5;
  old[12] = 0x2C; old[13] = 1;  // 300
  std::memcpy(old.data() + 16, mac, 8);
  old[24] = 99;
  const std::wstring oldPath = L"C:\\Users\\u\\AppData\\Roaming\\ZephraData\\sum.log";
  Put(old, oldPath);

  Meter m(platform, registry, At(2008, 3, 15));
  ASSERT_EQ(File().size(), kLogHeaderSize + kDayRecordSize);
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).id, "{NIC-ONE-GUID}");
  EXPECT_EQ(RecordAt(File(), RecordOffset(0)).down, 99u);
  EXPECT_EQ(File(oldPath), old);

  // The same folder named by the option is a custom path: no conversion.
  platform.files.erase(kDefaultPath);
  Meter custom(platform, registry, At(2008, 3, 15));
  EXPECT_TRUE(custom.log.customPath());
  EXPECT_EQ(File(), FreshHeader());
}

TEST_F(TrafficLogTest, NothingIsWrittenForAMomentThatIsNoDate) {
  Meter m(platform, registry, At(2008, 3, 15));
  m.entries.Count(1, 1);
  m.log.WriteTodayRecords(m.entries.list, LocalTime{});
  EXPECT_EQ(File(), FreshHeader());
  EXPECT_EQ(m.entries[0].logRecordOffset, -1);
}

TEST_F(TrafficLogTest, OpenFailureDialogs) {
  struct Script : LogOpenPrompts {
    std::vector<bool> answers;
    std::vector<std::wstring> files;
    std::vector<std::wstring> shown;
    void ServiceModeWarning(const std::wstring& t) override { shown.push_back(L"warn:" + t); }
    bool AskChooseCustomFile(const std::wstring& t) override {
      shown.push_back(L"ask:" + t);
      bool a = !answers.empty() && answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return a;
    }
    bool ChooseLogFile(std::wstring& p) override {
      if (files.empty()) return false;
      p = files.front();
      files.erase(files.begin());
      return true;
    }
    void GiveUpNotice(const std::wstring& t) override { shown.push_back(L"info:" + t); }
  };
  Entries entries;
  // A path holding "%s" is text like any other.
  const std::wstring bad = L"X:\\denied %s\\sum_v2.log";
  platform.unwritable.insert(L"X:\\");

  TrafficLog service(platform);
  service.SetPath(bad, true);
  EXPECT_FALSE(service.OpenLogFile(true));
  Script s1;
  EXPECT_FALSE(ReportOpenFailure(service, s1, registry, kRoot, entries.list, At(2008, 3, 15)));
  ASSERT_EQ(s1.shown.size(), 1u);
  EXPECT_EQ(s1.shown[0], L"warn:Failed to open traffic log file (X:\\denied %s\\sum_v2.log), or the file was corrupted "
                         L"by other programs.\n\nPlease stop Zephra Service and disable service on Options, and then "
                         L"try again.");

  TrafficLog normal(platform);
  normal.SetPath(bad, false);
  EXPECT_FALSE(normal.OpenLogFile(false));
  Script s2;  // No at once
  EXPECT_FALSE(ReportOpenFailure(normal, s2, registry, kRoot, entries.list, At(2008, 3, 15)));
  ASSERT_EQ(s2.shown.size(), 2u);
  EXPECT_EQ(s2.shown[0], L"ask:Failed to create traffic log file \"X:\\denied %s\\sum_v2.log\". Please make sure you "
                         L"have permission to create and write file at the folder.\n\nDo you want to choose a custom "
                         L"log file?");
  EXPECT_EQ(s2.shown[1], L"info:Dear user, you've given up to choose a file for traffic log, which means all traffic "
                         L"information will be lost when the software restarts.");

  // Yes, a file that fails too, Yes again, a good file with today's record.
  std::vector<uint8_t> good = FreshHeader();
  AppendRecord(good, At(2008, 3, 15), 200, "", 8, 8);
  Put(good, L"E:\\logs\\mine.log");
  Script s3;
  s3.answers = {true, true};
  s3.files = {L"X:\\other.log", L"E:\\logs\\mine.log"};
  EXPECT_TRUE(ReportOpenFailure(normal, s3, registry, kRoot, entries.list, At(2008, 3, 15)));
  EXPECT_EQ(s3.shown.size(), 2u);
  EXPECT_NE(s3.shown[1].find(L"\"X:\\other.log\""), std::wstring::npos);
  EXPECT_EQ(normal.path(), L"E:\\logs\\mine.log");
  EXPECT_EQ(Stored(RegRoot::CurrentUser), L"E:\\logs\\mine.log");
  EXPECT_EQ(entries[1].todayIn, 8u);
  // With a log open there is nothing to report.
  Script s4;
  EXPECT_TRUE(ReportOpenFailure(normal, s4, registry, kRoot, entries.list, At(2008, 3, 15)));
  EXPECT_TRUE(s4.shown.empty());
}
