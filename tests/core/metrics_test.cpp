#include <gtest/gtest.h>

#include "companion/companion_service.h"
#include "engine/scripted_clock.h"
#include "measure/scripted_source.h"
#include "memory_log_platform.h"
#include "memory_recording_files.h"
#include "metrics/exposition.h"
#include "metrics/http_request.h"
#include "settings/machine_wide_store.h"
#include "settings/memory_registry.h"
#include "settings/metrics_settings.h"

namespace {

std::string StatusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

TEST(MetricsRequest, AnswersEachKindOfHead) {
  const struct {
    std::string head;
    const char* status;
  } cases[] = {
      {"GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:9478\r\nAccept: */*\r\n\r\n", "HTTP/1.1 200 OK"},
      {"GET /metrics?name[]=x HTTP/1.0\n\n", "HTTP/1.1 200 OK"},
      {"GET / HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found"},
      {"GET /metrics/ HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found"},
      {"POST /metrics HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", "HTTP/1.1 405 Method Not Allowed"},
      {"HEAD /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 405 Method Not Allowed"},
      {"GET /metrics\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /metrics HTTP/2.0\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /me\x01trics HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /metrics HTTP/1.1\r\nNo colon here\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"GET /metrics HTTP/1.1\r\nX: a\x01" "b\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\n\n", "HTTP/1.1 400 Bad Request"},
      {"GET /metrics HTTP/1.1\r\nX: " + std::string(kMaxRequestHead, 'a') + "\r\n\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large"},
  };
  for (const auto& c : cases) {
    RequestHead head;
    head.Feed(c.head);
    EXPECT_EQ(StatusLine(AnswerRequest(head, [] { return std::string("up 1\n"); })), c.status) << c.head;
  }
}

TEST(MetricsRequest, WaitsForTheEmptyLineAndIgnoresWhatFollows) {
  RequestHead head;
  EXPECT_EQ(head.Feed("GET /metrics HTTP/1.1\r\nHost: x\r\n\r"), HeadState::Incomplete);
  EXPECT_EQ(head.Feed("\nGARBAGE"), HeadState::Complete);
  EXPECT_EQ(head.pastHead(), 7u);
  EXPECT_EQ(head.Feed(std::string(100000, 'x')), HeadState::Complete);
  EXPECT_EQ(head.pastHead(), 100007u);
  const std::string answer = AnswerRequest(head, [] { return std::string("up 1\n"); });
  EXPECT_EQ(answer,
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\nContent-Length: 5\r\n"
            "Connection: close\r\n\r\nup 1\n");
}

TEST(MetricsExposition, NamesEveryConnectionEscapedAndNoAddress) {
  Catalogue catalogue;
  catalogue.entries.push_back(NewAggregateEntry(kKindAll, 4));
  catalogue.entries.push_back(NewAggregateEntry(kKindDialUp, 4));
  auto lan = std::make_unique<AdapterEntry>(4);
  lan->id = "{4D36E972-E325-11CE}";
  lan->name = L"B\u00fcro \"LAN\" \\ 2\nx";
  lan->ipAddress = "192.168.7.9";
  lan->runIn = 5000000000ull;
  lan->runOut = 7;
  lan->todayIn = 11;
  lan->todayOut = 13;
  catalogue.entries.push_back(std::move(lan));
  const std::string text = RenderMetrics(TakeSnapshot(catalogue, nullptr, "meter"));
  const std::string labels = "{connection=\"{4D36E972-E325-11CE}\",name=\"B\xc3\xbcro \\\"LAN\\\" \\\\ 2\\nx\"} ";
  for (const std::string& line :
       {"zephra_receive_bytes_total" + labels + "5000000000\n", "zephra_transmit_bytes_total" + labels + "7\n",
        "zephra_today_receive_bytes" + labels + "11\n", "zephra_today_transmit_bytes" + labels + "13\n",
        std::string("zephra_receive_bytes_total{connection=\"all\",name=\"All Connections\"} 0\n"),
        std::string("zephra_receive_bytes_total{connection=\"dialup\",name=\"Dial-Up Connections\"} 0\n"),
        std::string("# TYPE zephra_receive_bytes_total counter\n"),
        std::string("# TYPE zephra_today_receive_bytes gauge\n"),
        std::string("zephra_counting_program{program=\"meter\"} 1\n")})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(text.find("192.168"), std::string::npos);
  EXPECT_EQ(text.find("zephra_usage"), std::string::npos);
}

TEST(MetricsExposition, AnArmedRuleGivesItsPeriodTotalAndThreshold) {
  Catalogue catalogue;
  catalogue.entries.push_back(NewAggregateEntry(kKindAll, 4));
  catalogue.entries.push_back(NewAggregateEntry(kKindDialUp, 4));
  catalogue[0].todayIn = 300;
  catalogue[0].todayOut = 20;
  MeterSettings settings;
  settings.notificationEnabled = 1;
  settings.rule.kind = kKindAll;
  settings.rule.threshold = L"1.5";
  settings.rule.unit = kUnitKB;
  settings.rule.transfer = kTransferBoth;
  UsageAlert alert(settings, catalogue);
  alert.Arm(nullptr, LocalTime{2026, 3, 1, 9, 12, 0, 0});
  const std::string text = RenderMetrics(TakeSnapshot(catalogue, &alert, "service"));
  EXPECT_NE(text.find("zephra_usage_period_bytes{connection=\"all\",name=\"All Connections\"} 320\n"),
            std::string::npos);
  EXPECT_NE(text.find("zephra_usage_threshold_bytes{connection=\"all\",name=\"All Connections\"} 1536\n"),
            std::string::npos);
}

TEST(MetricsSettingsTest, OnlyDottedIpv4AndPortsInRangeAreTaken) {
  for (const wchar_t* good : {L"127.0.0.1", L"0.0.0.0", L"192.168.1.20", L"255.255.255.255"})
    EXPECT_TRUE(ParseIpv4(good)) << good;
  for (const wchar_t* bad : {L"", L"localhost", L"::1", L"127.0.0", L"127.0.0.1.", L"256.0.0.1", L"01.2.3.4",
                             L" 127.0.0.1", L"1.2.3.4x"})
    EXPECT_FALSE(ParseIpv4(bad)) << bad;
  EXPECT_TRUE(IsLoopbackAddress(L"127.9.9.9"));
  EXPECT_FALSE(IsLoopbackAddress(L"0.0.0.0"));

  const std::wstring root = L"Software\\ZephraCoreTests\\";
  MemoryRegistry registry;
  registry.WriteDword(RegRoot::LocalMachine, root + L"Options", L"MetricsEnabled", 1);
  registry.WriteString(RegRoot::LocalMachine, root + L"Options", L"MetricsAddress", L"my-pc");
  registry.WriteDword(RegRoot::LocalMachine, root + L"Options", L"MetricsPort", 70000);
  MetricsSettings s;
  LoadMetricsSettings(registry, RegRoot::LocalMachine, root, s);
  EXPECT_EQ(s, (MetricsSettings{true, L"127.0.0.1", kDefaultMetricsPort}));
}

class NoFiles : public CompanionPlatform {
public:
  bool ReplaceFile(const std::wstring&, const std::string&) override { return true; }
  void LogEvent(const std::wstring&, bool) override {}
  std::wstring WindowsFolder() override { return L"C:\\Windows"; }
  NarrowEncoder ReportEncoder() override { return ToWindows1252; }
  void SendMail(std::unique_ptr<MailJob>) override {}
  RecordingFiles& Recordings() override { return recordings; }
  MemoryFiles recordings;
};

TEST(MetricsService, EveryTickLeavesASnapshotCountingOnOverMidnight) {
  const std::wstring root = L"Software\\Quarlen\\Zephra\\";
  MemoryRegistry registry;
  registry.WriteString(RegRoot::LocalMachine, root + L"Options", L"TrafficLogFile", L"C:\\Data\\sum_v2.log");
  SaveMetricsSettings(registry, RegRoot::LocalMachine, root, MetricsSettings{true, L"0.0.0.0", 9100});
  MachineWideStore machineWide(registry);
  MemoryLogPlatform platform;
  ScriptedSource source;
  source.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
  ScriptedClock clock;
  clock.Set(2026, 3, 9, 23, 59, 50);
  NoFiles files;
  CompanionService service(clock, source, platform, machineWide, files, root);
  ASSERT_TRUE(service.Start());
  EXPECT_EQ(service.metrics(), (MetricsSettings{true, L"0.0.0.0", 9100}));
  SnapshotStore store;
  service.SetMetricsStore(&store);
  for (int second = 0; second < 20; ++second) {
    source.Count(1, 1000, 10);
    clock.Advance(1);
    service.Second();
  }
  const auto snapshot = store.Latest();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->program, "service");
  ASSERT_EQ(snapshot->connections.size(), 3u);
  const ConnectionFigures& adapter = snapshot->connections[2];
  EXPECT_EQ(adapter.connection, "{AAAAAAAA-0000-0000-0000-000000000001}");
  // Start took the baseline, so every tick counts; 11 of them fall on the new day.
  EXPECT_EQ(adapter.runIn, 20 * 1000u);
  EXPECT_EQ(adapter.runOut, 20 * 10u);
  EXPECT_EQ(adapter.todayIn, 11 * 1000u);
  EXPECT_EQ(snapshot->connections[0].runIn, 20 * 1000u);
  service.Stop();
}

}  // namespace
