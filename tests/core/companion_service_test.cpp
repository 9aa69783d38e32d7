#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <map>
#include <mutex>

#include "companion/companion_service.h"
#include "engine/handover.h"
#include "engine/scripted_clock.h"
#include "measure/scripted_source.h"
#include "memory_recording_files.h"
#include "meter_run.h"
#include "memory_log_platform.h"
#include "settings/machine_wide_store.h"
#include "settings/memory_registry.h"

namespace {

const std::wstring kRoot = L"Software\\Quarlen\\Zephra\\";
const std::wstring kLog = L"C:\\Data\\sum_v2.log";

class FilesAndEvents : public CompanionPlatform {
public:
  bool ReplaceFile(const std::wstring& path, const std::string& bytes) override {
    if (path.rfind(L"C:\\missing\\", 0) == 0) return false;
    const bool share = path.rfind(L"C:\\share\\", 0) == 0;
    if (share) unreachable.wait();  // until the test lets it return
    {
      std::lock_guard<std::mutex> guard(lock);
      files[path] = bytes;
      ++writes[path];
    }
    if (share) shareReturned = true;
    return true;
  }
  void LogEvent(const std::wstring& text, bool) override { events.push_back(text); }
  std::wstring WindowsFolder() override { return L"C:\\Windows"; }
  NarrowEncoder ReportEncoder() override { return ToWindows1252; }
  void SendMail(std::unique_ptr<MailJob> job) override { mails.push_back(job->message); }
  RecordingFiles& Recordings() override { return recordings; }
  MemoryFiles recordings;
  std::vector<std::string> mails;
  std::map<std::wstring, std::string> files;
  std::map<std::wstring, int> writes;
  std::vector<std::wstring> events;
  std::mutex lock;
  std::promise<void> release;
  std::shared_future<void> unreachable = release.get_future().share();
  std::atomic<bool> shareReturned{false};
};

class CompanionTest : public ::testing::Test {
protected:
  CompanionTest() {
    source.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    clock.Set(2026, 3, 9, 23, 58, 0);
    registry.WriteString(RegRoot::LocalMachine, kRoot + L"Options", L"TrafficLogFile", kLog);
  }
  void AddJobs(const std::vector<ReportJob>& jobs) {
    ServiceSettings s;
    s.enabled = true;
    s.reports = jobs;
    SaveServiceSettings(registry, RegRoot::LocalMachine, kRoot, s);
  }

  MemoryRegistry registry;
  MachineWideStore machineWide{registry};
  MemoryLogPlatform platform;
  ScriptedSource source;
  ScriptedClock clock;
  FilesAndEvents files;
};

TEST_F(CompanionTest, KeepsTheLogExactlyAsTheMeterDoes) {
  // The meter and the service count the same traffic over a slice and a day change.
  MemoryLogPlatform meterPlatform;
  MemoryRegistry meterRegistry;
  ScriptedClock meterClock = clock;
  MeterRun meter(meterPlatform, meterRegistry, source, meterClock, kLog);
  TickSink sink;
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  ASSERT_TRUE(service.Start());
  for (int second = 0; second < 300; ++second) {
    source.Count(1, 1000 + second, 10);
    clock.Advance(1);
    meterClock.Advance(1);
    service.Second();
    meter.tick.Tick(&source, SampleOptions{}, sink);
  }
  service.Stop();
  meter.tick.WriteTodayRecords();
  const auto& written = *platform.files.at(kLog);
  EXPECT_EQ(written, *meterPlatform.files.at(kLog));
  const std::vector<DayRecord> records = ReadRecords(written);
  ASSERT_EQ(records.size(), 6u);  // both days: All Connections, Dial-Up Connections, the adapter
  EXPECT_EQ(records[3].day, 10);
  EXPECT_EQ(records[0].down + records[3].down, 300u * 1000 + 299 * 300 / 2);
  // The service writes the log, so it makes the daily copies: the 10th's holds the 9th.
  EXPECT_TRUE(platform.files.count(L"C:\\Data\\Backups\\sum_v2-2026-03-09.log"));
  EXPECT_EQ(ReadRecords(*platform.files.at(L"C:\\Data\\Backups\\sum_v2-2026-03-10.log")).size(), 3u);
}

// The logged download of a connection today (2026-03-09).
uint64_t LoggedDown(const MemoryLogPlatform& platform, int32_t kind) {
  for (const DayRecord& r : ReadRecords(*platform.files.at(kLog)))
    if (r.kind == kind && r.day == 9) return r.down;
  return 0;
}

TEST_F(CompanionTest, CountingChangesHandsWithoutAByteLostOrCountedTwice) {
  clock.Set(2026, 3, 9, 10, 0, 0);
  TickSink sink;
  MeterRun meter(platform, registry, source, clock, kLog);
  uint64_t total = 0;
  auto traffic = [&](uint64_t bytes) {
    source.Count(1, bytes, 1);
    total += bytes;
  };
  auto meterSeconds = [&](int n) {
    for (int i = 0; i < n; ++i) {
      traffic(1000 + i);
      clock.Advance(1);
      meter.tick.Tick(&source, SampleOptions{}, sink);
    }
  };
  for (int round = 0; round < 2; ++round) {
    meterSeconds(3);
    traffic(70001);  // after the meter's last tick, before its hand-over
    ASSERT_TRUE(HandCountingOver(meter.tick, meter.catalogue, &source, clock, registry, kRoot, HandOverFrom::Meter,
                                 sink));
    meter.log.CloseLogFile();
    ASSERT_TRUE(meter.log.OpenLogFile(true));
    traffic(500003);  // while the service starts
    clock.Advance(1);
    CompanionService service(clock, source, platform, machineWide, files, kRoot);
    ASSERT_TRUE(service.Start());
    for (int i = 0; i < 3; ++i) {
      traffic(2000 + i);
      clock.Advance(1);
      service.Second();
      meter.tick.Tick(&source, SampleOptions{}, sink);  // the meter only shows the rates now
    }
    traffic(90007);  // after the service's last tick, before its stop
    service.Stop();
    traffic(600011);  // while the meter waits for the stop
    meter.log.CloseLogFile();
    ASSERT_TRUE(meter.log.OpenLogFile(false));
    meter.tick.LoadTodayCounters();
    EXPECT_EQ(TakeCountingOver(meter.catalogue, &source, clock, registry, kRoot, HandOverFrom::Service), 1);
  }
  meterSeconds(2);
  meter.tick.WriteTodayRecords();
  EXPECT_EQ(LoggedDown(platform, kKindAdapter), total);
  EXPECT_EQ(LoggedDown(platform, kKindAll), total);
}

TEST_F(CompanionTest, AStaleResetOrVanishedHandOverGivesFreshBaselines) {
  struct Case {
    const char* what;
    int64_t delay;        // seconds between the meter's hand-over and the service's start
    bool reset;           // the adapter's counters start again from zero meanwhile
    bool away;            // the adapter is not listed at the service's start
    uint64_t countedDown; // by the service of 300 bytes before its start and 5 after
  };
  for (const Case& c : {Case{"fresh", 3, false, false, 305}, Case{"stale", 31, false, false, 5},
                        Case{"reset", 3, true, false, 5}, Case{"vanished", 3, false, true, 0}}) {
    SCOPED_TRACE(c.what);
    platform.files.clear();
    clock.Set(2026, 3, 9, 10, 0, 0);
    source.Find(1)->row.inOctets = 1000000;
    TickSink sink;
    MeterRun meter(platform, registry, source, clock, kLog);
    source.Count(1, 700, 0);
    clock.Advance(1);
    meter.tick.Tick(&source, SampleOptions{}, sink);
    ASSERT_TRUE(HandCountingOver(meter.tick, meter.catalogue, &source, clock, registry, kRoot, HandOverFrom::Meter,
                                 sink));
    meter.log.CloseLogFile();
    if (c.reset) source.Find(1)->row.inOctets = 0;
    source.Count(1, 300, 0);
    clock.Advance(c.delay);
    source.Find(1)->listed = !c.away;
    CompanionService service(clock, source, platform, machineWide, files, kRoot);
    ASSERT_TRUE(service.Start());
    source.Find(1)->listed = true;
    source.Count(1, 5, 0);
    clock.Advance(1);
    service.Second();
    service.Stop();
    EXPECT_EQ(LoggedDown(platform, kKindAdapter), 700 + c.countedDown);
  }
}

TEST_F(CompanionTest, WritesEachReportEveryIntervalAndRefusesOddPaths) {
  AddJobs({ReportJob{0, 100, "", 3, 0, L"C:\\r\\sum.csv"},
           ReportJob{1, 300, "{AAAAAAAA-0000-0000-0000-000000000001}", 5, 0, L"C:\\r\\day.htm"},
           ReportJob{0, 100, "", 1, 0, L"C:\\Windows\\sum.txt"},
           ReportJob{0, 100, "", 1, 0, L"C:\\r\\tool.exe"},
           ReportJob{0, 100, "", 2, 0, L"C:\\missing\\sum.txt"}});
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  ASSERT_TRUE(service.Start());
  EXPECT_EQ(files.events.size(), 2u);  // the two refused paths, at start
  for (int second = 0; second < 7; ++second) {
    source.Count(1, 1000, 10);
    clock.Advance(1);
    if (second == 3) clock.Set(2026, 3, 9, 12, 0, 0);  // set back: the schedule runs on
    service.Second();
    ASSERT_TRUE(service.WaitForReports(10000));
  }
  EXPECT_EQ(files.writes, (std::map<std::wstring, int>{{L"C:\\r\\sum.csv", 3}, {L"C:\\r\\day.htm", 2}}));
  EXPECT_EQ(files.events.size(), 3u);  // the missing folder, once
  const std::string& csv = files.files[L"C:\\r\\sum.csv"];
  EXPECT_EQ(csv.rfind("General Traffic Summary\r\n", 0), 0u) << csv;
  // Today comes from the live counters: the log holds nothing of today yet.
  ASSERT_NE(csv.find("Today:,"), std::string::npos);
  EXPECT_EQ(csv.find("Today:,0 B"), std::string::npos);
  EXPECT_NE(files.files[L"C:\\r\\day.htm"].find("<html>"), std::string::npos);
}

TEST_F(CompanionTest, AReportStuckOnAnUnreachableShareHoldsUpNeitherCountingNorTheStop) {
  AddJobs({ReportJob{0, 100, "", 1, 0, L"C:\\share\\sum.txt"}, ReportJob{0, 100, "", 1, 0, L"C:\\r\\sum.txt"}});
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  ASSERT_TRUE(service.Start());
  auto run = std::async(std::launch::async, [&] {
    for (int second = 0; second < 5; ++second) {
      source.Count(1, 1000, 0);
      clock.Advance(1);
      service.Second();
    }
    service.Stop();  // arrives while the share's write hangs
  });
  const bool finished = run.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  files.release.set_value();
  run.wait();
  while (!files.shareReturned) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(finished) << "counting or the stop waited for the share";
  EXPECT_EQ(ReadRecords(*platform.files.at(kLog))[0].down, 5000u);
  std::lock_guard<std::mutex> guard(files.lock);
  EXPECT_GE(files.writes[L"C:\\r\\sum.txt"], 1);
}

TEST_F(CompanionTest, MailsTheAlertOncePerPassingOnlyWithItsEmailOption) {
  MeterSettings settings;
  settings.notificationEnabled = 1;
  settings.rule.kind = kKindAll;
  settings.rule.threshold = L"2500";
  settings.rule.period = kPeriodLastDays;
  settings.rule.lastDays = 1;
  settings.rule.sendMail = 1;
  settings.rule.recipients = L"me@example.com";
  ASSERT_TRUE(SaveSettings(registry, RegRoot::LocalMachine, kRoot, settings, kSaveNotification));
  EmailSettings email;
  email.server = L"mail.example.com";
  email.sender = L"meter@example.com";
  email.subjectTemplate = L"Over %b";
  ASSERT_TRUE(SaveEmailSettings(registry, RegRoot::LocalMachine, kRoot, email));
  for (const bool sendMail : {false, true}) {
    ServiceSettings s;
    s.enabled = true;
    s.sendMail = sendMail;
    SaveServiceSettings(registry, RegRoot::LocalMachine, kRoot, s);
    files.mails.clear();
    CompanionService service(clock, source, platform, machineWide, files, kRoot);
    ASSERT_TRUE(service.Start());
    for (int second = 0; second < 5; ++second) {  // 1000 bytes a second: passed at the third
      source.Count(1, 1000, 0);
      clock.Advance(1);
      service.Second();
    }
    service.Stop();
    ASSERT_EQ(files.mails.size(), sendMail ? 1u : 0u);
    if (sendMail) {
      EXPECT_NE(files.mails[0].find("Subject: Over 2500 Bytes\r\n"), std::string::npos) << files.mails[0];
    }
  }
}

TEST_F(CompanionTest, RecordsRatesWithItsOptionToAllowedFilesOnly) {
  for (const auto& [id, file] : {std::pair{L"100-", L"C:\\r\\rates.csv"}, std::pair{L"200-", L"C:\\r\\x.exe"}}) {
    const std::wstring key = kRoot + L"AdaptersEx\\" + id;
    registry.WriteString(RegRoot::LocalMachine, key, L"AdapterID", L"");
    registry.WriteDword(RegRoot::LocalMachine, key, L"RecordTrafficRates", 1);
    registry.WriteDword(RegRoot::LocalMachine, key, L"RecordInterval", 1);
    registry.WriteDword(RegRoot::LocalMachine, key, L"RecordNumberOnly", 1);
    registry.WriteString(RegRoot::LocalMachine, key, L"RecordFile", file);
  }
  ServiceSettings s;
  s.enabled = true;
  s.recordRates = true;
  SaveServiceSettings(registry, RegRoot::LocalMachine, kRoot, s);
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  ASSERT_TRUE(service.Start());
  ASSERT_EQ(files.events.size(), 1u);  // the ".exe" file, refused
  EXPECT_NE(files.events[0].find(L"x.exe"), std::wstring::npos);
  for (int second = 0; second < 4; ++second) {
    source.Count(1, 1000, 10);
    clock.Advance(1);
    service.Second();
  }
  service.Stop();
  EXPECT_EQ(files.recordings.bytes.count(L"C:\\r\\x.exe"), 0u);
  const std::string& csv = files.recordings.bytes[L"C:\\r\\rates.csv"];
  EXPECT_NE(csv.find(",8000,80,8080\r\n"), std::string::npos) << csv;  // in bits, as the defaults show
  EXPECT_EQ(files.recordings.openCount, 0);
}

TEST_F(CompanionTest, ACorruptLogAtStartLosesNothingStored) {
  uint8_t image[kDayRecordSize];
  EncodeLogHeader(image);
  std::vector<uint8_t> torn(image, image + kLogHeaderSize);
  DayRecord yesterday;
  yesterday.year = 2026, yesterday.month = 3, yesterday.day = 8, yesterday.kind = kKindAll, yesterday.down = 777;
  EncodeDayRecord(yesterday, image);
  torn.insert(torn.end(), image, image + kDayRecordSize);
  torn.insert(torn.end(), image, image + 100);  // a record cut short
  const std::vector<uint8_t> foreign(500, 0xA5);  // no log at all
  // Each file and how much of it was stored whole.
  for (const auto& [bytes, stored] : {std::pair{torn, kLogHeaderSize + kDayRecordSize}, std::pair{foreign, 500u}}) {
    platform.files.clear();
    platform.files[kLog] = std::make_shared<std::vector<uint8_t>>(bytes);
    CompanionService service(clock, source, platform, machineWide, files, kRoot);
    if (service.Start()) {
      source.Count(1, 1000, 0);
      clock.Advance(1);
      service.Second();
      service.Stop();
    }
    // The stored bytes are still there, in place or in a copy beside the log.
    bool kept = false;
    for (const auto& [path, file] : platform.files)
      kept = kept || (file->size() >= stored && std::equal(bytes.begin(), bytes.begin() + stored, file->begin()));
    EXPECT_TRUE(kept) << stored;
  }
}

TEST(CompanionControls, ShutdownEndsCountingLikeStopAndOnlyInterrogateIsAnsweredBesides) {
  const std::map<uint32_t, ControlReply> replies = {
      {1, ControlReply::EndCounting}, {2, ControlReply::NotHandled}, {3, ControlReply::NotHandled},
      {4, ControlReply::Answer},      {5, ControlReply::EndCounting}, {128, ControlReply::NotHandled}};
  for (const auto& [control, reply] : replies) EXPECT_EQ(ReplyToControl(control), reply) << control;
}

TEST_F(CompanionTest, ALogThatCannotBeOpenedStopsTheServiceWithANote) {
  platform.locked.insert(kLog);
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  EXPECT_FALSE(service.Start());
  ASSERT_EQ(files.events.size(), 1u);
  EXPECT_NE(files.events[0].find(kLog), std::wstring::npos);
}

}  // namespace
