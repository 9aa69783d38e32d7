#include <gtest/gtest.h>

#include "alerts/email_settings.h"
#include "app/service_switch.h"
#include "companion/companion_service.h"
#include "engine/handover.h"
#include "engine/scripted_clock.h"
#include "measure/scripted_source.h"
#include "memory_log_platform.h"
#include "memory_recording_files.h"
#include "meter_run.h"
#include "service_control/service_control.h"
#include "settings/machine_wide_store.h"
#include "settings/memory_registry.h"
#include "settings/meter_settings.h"
#include "settings/service_settings.h"

namespace {

// Records the steps; the step named `failing` fails with error 5.
class FakeSteps : public ServiceSwitchSteps {
public:
  uint32_t SetKeyAccess(bool grant) override { return Do(grant ? "grant" : "revoke"); }
  uint32_t CopyOptions() override { return Do("copy"); }
  int Query() override { return state; }
  uint32_t Install() override { return Do("install") ? 5 : (state = kServiceStateStopped, 0); }
  uint32_t Start() override { return Do("start") ? 5 : (state = kServiceStateRunning, 0); }
  uint32_t Stop() override { return Do("stop") ? 5 : (state = kServiceStateStopped, 0); }
  uint32_t Remove() override { return Do("remove") ? 5 : (state = kServiceStateNotInstalled, 0); }
  uint32_t ClearMachineWide() override { return Do("clear"); }
  uint32_t Do(const std::string& step) {
    calls += step + " ";
    return step == failing ? 5 : 0;
  }
  int state = kServiceStateNotInstalled;
  std::string failing;
  std::string calls;
};

TEST(ServiceSwitch, StepsInOrderAndAFailedSwitchOnIsUndone) {
  struct Case {
    bool enable;
    int state;
    std::string failing;
    ServiceStep failed;
    std::string calls;
  };
  const Case cases[] = {
      {true, kServiceStateNotInstalled, "", ServiceStep::None, "grant copy install start "},
      {true, kServiceStateRunning, "", ServiceStep::None, "grant copy "},
      {true, kServiceStateNotInstalled, "grant", ServiceStep::KeyAccess, "grant "},
      {true, kServiceStateNotInstalled, "copy", ServiceStep::Copies, "grant copy clear revoke "},
      {true, kServiceStateNotInstalled, "install", ServiceStep::Install, "grant copy install clear revoke "},
      {true, kServiceStateStopped, "start", ServiceStep::Start, "grant copy start remove clear revoke "},
      {false, kServiceStateRunning, "", ServiceStep::None, "stop remove clear revoke "},
      {false, kServiceStateNotInstalled, "", ServiceStep::None, "clear revoke "},
      // Every later step is still tried; the first failure is reported.
      {false, kServiceStateRunning, "stop", ServiceStep::Stop, "stop remove clear revoke "},
      {false, kServiceStateStopped, "clear", ServiceStep::MailValues, "remove clear revoke "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.calls);
    FakeSteps steps;
    steps.state = c.state;
    steps.failing = c.failing;
    const ServiceSwitchResult r = RunServiceSwitch(c.enable, steps);
    EXPECT_EQ(r.failed, c.failed);
    EXPECT_EQ(r.error, c.failed == ServiceStep::None ? 0u : 5u);
    EXPECT_EQ(steps.calls, c.calls);
  }
}

TEST(ServiceSwitch, HelperExitCodes) {
  for (const ServiceSwitchResult r : {ServiceSwitchResult{}, ServiceSwitchResult{ServiceStep::Start, 1053},
                                      ServiceSwitchResult{ServiceStep::MailValues, 5}})
    EXPECT_EQ(FromServiceHelperExitCode(ServiceHelperExitCode(r)), r);
  // A crash or a code of another program names no step.
  EXPECT_EQ(FromServiceHelperExitCode(0xC0000005u), (ServiceSwitchResult{ServiceStep::Helper, 0xC0000005u}));
  EXPECT_EQ(FromServiceHelperExitCode(1), (ServiceSwitchResult{ServiceStep::Helper, 1}));
}

TEST(ServiceSwitch, EveryOutcomeLeavesSomebodyWritingTheLog) {
  struct Case {
    bool enabling;
    ServiceSwitchResult result;
    bool serviceMode, takeLog;
    const wchar_t* says;  // a part of the message; null for none
  };
  const Case cases[] = {
      {true, {}, true, false, nullptr},
      {true, {ServiceStep::Approval, kErrorCancelled}, false, true, L"needs administrator approval"},
      {true, {ServiceStep::Install, kErrorAccessDenied}, false, true, L"installing the service failed.\n\nAdministrator"},
      {true, {ServiceStep::Start, 1053}, false, true, L"starting the service failed.\n\nthe reason"},
      {true, {ServiceStep::Helper, 2}, false, true, L"writes the traffic log itself"},
      {false, {}, false, true, nullptr},
      {false, {ServiceStep::Approval, kErrorCancelled}, true, false, L"keeps counting"},
      {false, {ServiceStep::Helper, 2}, true, false, L"could not be switched off"},
      {false, {ServiceStep::Stop, 1061}, false, false, L"stays read-only"},
      {false, {ServiceStep::Remove, 1072}, false, true, L"removing the service failed"},
  };
  for (const Case& c : cases) {
    const ServiceSwitchPlan plan = PlanServiceSwitch(c.enabling, c.result, L"the reason");
    SCOPED_TRACE(plan.message);
    EXPECT_EQ(plan.serviceMode, c.serviceMode);
    EXPECT_EQ(plan.takeLog, c.takeLog);
    // Never neither: out of service mode either the meter writes or the service still runs.
    EXPECT_TRUE(plan.serviceMode || plan.takeLog || c.result.failed == ServiceStep::Stop);
    if (c.says) EXPECT_NE(plan.message.find(c.says), std::wstring::npos);
    else EXPECT_TRUE(plan.message.empty());
  }
}

TEST(ServiceSwitch, TheMailPasswordIsCopiedOnlyForTheServicesMail) {
  const std::wstring root = L"Software\\Quarlen\\Zephra\\";
  MemoryRegistry reg;
  EmailSettings mail;
  mail.password = L"secret";
  SaveEmailSettings(reg, RegRoot::CurrentUser, root, mail);
  reg.WriteString(RegRoot::CurrentUser, OptionsKeyPath(root), L"TrafficLogFile", L"C:\\d\\sum_v2.log");
  MeterSettings settings = DefaultSettings(false);
  settings.notificationEnabled = 1;
  SaveSettings(reg, RegRoot::CurrentUser, root, settings, kSaveNotification);
  for (bool sendMail : {true, false}) {
    ServiceSettings service;
    service.enabled = true;
    service.sendMail = sendMail;
    SaveServiceSettings(reg, RegRoot::CurrentUser, root, service);
    EXPECT_TRUE(CopyOptionsMachineWide(reg, root));
    EXPECT_EQ(reg.KeyExists(RegRoot::LocalMachine, EmailSettingsKeyPath(root)), sendMail);
  }
  std::wstring path;
  EXPECT_TRUE(reg.ReadString(RegRoot::LocalMachine, OptionsKeyPath(root), L"TrafficLogFile", path));
  EXPECT_EQ(path, L"C:\\d\\sum_v2.log");
}

// A meter with a standard token: the machine-wide root takes no writes.
class UserTokenRegistry : public MemoryRegistry {
public:
  bool WriteBinary(RegRoot root, const std::wstring& key, const std::wstring& name,
                   const std::vector<uint8_t>& value) override {
    return (elevated || root == RegRoot::CurrentUser) && MemoryRegistry::WriteBinary(root, key, name, value);
  }
  bool elevated = false;
};

TEST(ServiceSwitch, TheHandOverCrossesTheMachineWideKeyThroughTheElevatedSwitch) {
  const std::wstring root = L"Software\\Quarlen\\Zephra\\";
  const std::wstring key = ServiceKeyPath(root);
  UserTokenRegistry reg;
  auto where = [&] {
    return std::pair{reg.Find(RegRoot::CurrentUser, key, kHandOverValue) != nullptr,
                     reg.Find(RegRoot::LocalMachine, key, kHandOverValue) != nullptr};
  };
  HandOver meter;
  meter.seconds = 1000;
  meter.adapters = {{"{A}", 5000, 7000, true}};
  ASSERT_TRUE(SaveHandOver(reg, root, meter));
  EXPECT_EQ(where(), std::pair(true, false));  // the user's key, all a standard token can write
  reg.elevated = true;
  EXPECT_TRUE(CopyOptionsMachineWide(reg, root));
  EXPECT_EQ(where(), std::pair(false, true));  // where the service reads it

  // The service's, at switch-off: back in the user's key, which the meter can still read.
  EXPECT_TRUE(MoveHandOver(reg, root, RegRoot::LocalMachine, RegRoot::CurrentUser));
  EXPECT_EQ(where(), std::pair(true, false));
  HandOver taken;
  ASSERT_TRUE(TakeHandOver(reg, root, HandOverFrom::Meter, taken));
  EXPECT_EQ(taken.adapters[0].out, 7000u);
  EXPECT_EQ(where(), std::pair(false, false));  // taken once
}

class NoFiles : public CompanionPlatform {
public:
  bool ReplaceFile(const std::wstring&, const std::string&) override { return true; }
  void LogEvent(const std::wstring& text, bool) override { events.push_back(text); }
  std::wstring WindowsFolder() override { return L"C:\\Windows"; }
  NarrowEncoder ReportEncoder() override { return ToWindows1252; }
  void SendMail(std::unique_ptr<MailJob>) override {}
  RecordingFiles& Recordings() override { return recordings; }
  MemoryFiles recordings;
  std::vector<std::wstring> events;
};

struct MeterToService : ::testing::Test {
  MeterToService() {
    source.Add("{AAAAAAAA-0000-0000-0000-000000000001}", 1);
    clock.Set(2026, 3, 9, 10, 0, 0);
    registry.WriteString(RegRoot::LocalMachine, kRoot + L"Options", L"TrafficLogFile", kLog);
  }
  const std::wstring kRoot = L"Software\\Quarlen\\Zephra\\";
  const std::wstring kLog = L"C:\\Data\\sum_v2.log";
  MemoryRegistry registry;
  MachineWideStore machineWide{registry};
  MemoryLogPlatform platform;  // one disk for both
  ScriptedSource source;
  ScriptedClock clock;
  NoFiles files;
};

TEST_F(MeterToService, TheServiceContinuesWhatTheMeterWroteWithoutLossOrDoubleCount) {
  MemoryRegistry meterRegistry;
  MeterRun meter(platform, meterRegistry, source, clock, kLog);
  TickSink sink;
  uint64_t sent = 0;
  auto count = [&](auto&& tick) {
    for (int second = 0; second < 90; ++second) {
      source.Count(1, 700, 30);
      sent += 700;
      clock.Advance(1);
      tick();
    }
  };
  meter.tick.Tick(&source, SampleOptions{}, sink);  // the baselines
  count([&] { meter.tick.Tick(&source, SampleOptions{}, sink); });
  // Switched on: the meter writes its counts and only reads from now on.
  meter.tick.WriteTodayRecords();
  meter.log.CloseLogFile();
  ASSERT_TRUE(meter.log.OpenLogFile(true));

  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  ASSERT_TRUE(service.Start());
  clock.Advance(1);
  service.Second();  // its baselines
  count([&] { service.Second(); });
  service.Stop();

  uint64_t logged = 0;
  for (const DayRecord& r : ReadRecords(*platform.files.at(kLog)))
    if (r.kind == kKindAdapter) logged += r.down;
  EXPECT_EQ(logged, sent);
}

TEST_F(MeterToService, TheServiceLeavesAFileThatIsNoLogAsItIs) {
  const std::vector<uint8_t> foreign{'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0,
                                     0xB8, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
  platform.files[kLog] = std::make_shared<std::vector<uint8_t>>(foreign);
  CompanionService service(clock, source, platform, machineWide, files, kRoot);
  EXPECT_FALSE(service.Start());
  EXPECT_EQ(*platform.files.at(kLog), foreign);
  EXPECT_EQ(platform.files.size(), 1u);  // no copy beside it
  ASSERT_EQ(files.events.size(), 1u);
  EXPECT_NE(files.events[0].find(L"not a Zephra traffic log"), std::wstring::npos);
}

}  // namespace
