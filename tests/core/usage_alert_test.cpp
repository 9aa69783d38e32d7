// The usage rule at run time: thresholds, base totals over a log built here,
// the state machine with reminders, the texts of the window and the mail, and
// the beeper's worker.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "alerts/beeper.h"
#include "alerts/notification_page.h"
#include "alerts/usage_alert.h"
#include "log_test_support.h"

namespace {

LocalTime Noon(int y, int m, int d) { return MakeLocalTime(y, m, d, 12, 0, 0); }

// Records what the rule does, in order: "mail <total>", "run <path>",
// "window", "save", "beep <frequency> <ms>".
class RecordingActions : public AlertActions {
public:
  std::vector<std::string> events;
  ReminderChoice choice;  // what the window hands back
  std::function<void()> whileOpen;  // runs once inside the window
  void SendAlertMail(uint64_t total) override { events.push_back("mail " + std::to_string(total)); }
  void RunProgram(const std::wstring& path) override { events.push_back("run " + std::string(path.begin(), path.end())); }
  ReminderChoice RunAlertWindow() override {
    events.push_back("window");
    if (auto inside = std::exchange(whileOpen, {})) inside();
    return choice;
  }
  void SaveReminder() override { events.push_back("save"); }
  void Beep(uint32_t f, uint32_t ms) override { events.push_back("beep " + std::to_string(f) + " " + std::to_string(ms)); }
  std::vector<std::string> Take() { return std::exchange(events, {}); }
};

class UsageAlertTest : public ::testing::Test {
protected:
  UsageAlertTest() : alert(settings, catalogue) {
    for (auto [kind, id] : {std::pair{kKindAll, ""}, {kKindDialUp, ""}, {kKindAdapter, "{NIC}"}}) {
      auto e = std::make_unique<AdapterEntry>();
      e->kind = kind;
      e->id = id;
      e->name = L"LAN";
      e->ipAddress = "10.0.0.10";
      catalogue.entries.push_back(std::move(e));
    }
    settings.notificationEnabled = 1;
    settings.rule.kind = kKindAll;
    settings.rule.threshold = L"100";
    settings.rule.lastDays = 1;
    settings.rule.sendMail = 1;
    settings.rule.recipients = L"me@example.com";
    settings.rule.runProgram = 1;
    settings.rule.program = L"C:\\x.exe";
  }
  AdapterEntry& All() { return catalogue[0]; }

  MeterSettings settings = DefaultSettings(true);
  Catalogue catalogue;
  TestLog log;
  UsageAlert alert;
  RecordingActions actions;
};

using Events = std::vector<std::string>;

}  // namespace

TEST(AlertThreshold, NumberTimesUnitTruncatedAndClampedToTheLargestValue) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    const wchar_t* text;
    int32_t unit;
    int64_t bytes;
  } cases[] = {
      {L"10", kUnitGB, INT64_C(10737418240)},
      {L"1.5", kUnitKB, 1536},
      {L"0.000001", kUnitBytes, 0},
      {L"2.9", kUnitBytes, 2},
      {L"7", kUnitTB, INT64_C(7696581394432)},
      {L"99999999", kUnitTB, kMax},     // would wrap into a negative threshold
      {L"8388608", kUnitTB, kMax},      // exactly 2^63
      {L"8388607.99", kUnitTB, INT64_C(9223372025859659776)},
      {L"", kUnitGB, 0},
      {L"12", 9, 0},                    // an unknown unit multiplies by 0
  };
  for (const auto& c : cases) EXPECT_EQ(AlertThreshold(c.text, c.unit), c.bytes) << c.text;
}

TEST_F(UsageAlertTest, BaseTotalLeavesTodayOutAndFollowsTheCalendar) {
  // Sunday 2026-01-04 is today; the year changed on Thursday.
  log.Add(2025, 12, 28, 100, 1000).Add(2025, 12, 29, 1, 10).Add(2025, 12, 31, 2, 20);
  log.Add(2026, 1, 1, 4, 40).Add(2026, 1, 3, 8, 80).Add(2026, 1, 4, 5000, 5000);
  log.Add(2026, 1, 2, 16, 160, kKindAdapter, "{NIC}");
  const struct {
    int32_t kind;
    int32_t period, lastDays, transfer;
    int weekStart, monthStart;
    uint64_t base;
  } cases[] = {
      {kKindAll, kPeriodWeek, 1, kTransferDown, 1, 1, 15},     // Monday 29 December on
      {kKindAll, kPeriodWeek, 1, kTransferDown, 0, 1, 0},      // the week starts today
      {kKindAll, kPeriodWeek, 1, kTransferUp, 1, 1, 150},
      {kKindAll, kPeriodWeek, 1, kTransferBoth, 1, 1, 165},
      {kKindAll, kPeriodMonth, 1, kTransferDown, 0, 1, 12},    // 1 January on
      {kKindAll, kPeriodMonth, 1, kTransferDown, 0, 31, 14},   // 31 December on
      {kKindAll, kPeriodLastDays, 5, kTransferDown, 0, 1, 14},
      {kKindAll, kPeriodLastDays, 8, kTransferDown, 0, 1, 115},
      {kKindAll, kPeriodLastDays, 1, kTransferDown, 0, 1, 0},  // today alone
      {kKindAdapter, kPeriodWeek, 1, kTransferBoth, 1, 1, 176},
  };
  for (const auto& c : cases) {
    settings.rule.kind = c.kind;
    settings.rule.adapterId = "{NIC}";
    settings.rule.period = c.period;
    settings.rule.lastDays = c.lastDays;
    settings.rule.transfer = c.transfer;
    settings.weekStartDay = c.weekStart;
    settings.monthStartDay = c.monthStart;
    alert.Arm(&log.file, Noon(2026, 1, 4));
    EXPECT_EQ(alert.baseTotal(), c.base) << c.period << " " << c.lastDays << " " << c.transfer;
    ASSERT_NE(alert.watched(), nullptr);
    EXPECT_EQ(alert.watched()->kind, c.kind);
  }
  alert.Arm(nullptr, Noon(2026, 1, 4));
  EXPECT_EQ(alert.baseTotal(), 0u);
}

TEST_F(UsageAlertTest, AlertsOnlyAboveTheThreshold) {
  settings.rule.threshold = L"10";
  settings.rule.unit = kUnitGB;
  settings.rule.period = kPeriodWeek;
  settings.weekStartDay = 1;
  log.Add(2026, 1, 5, INT64_C(10737418200), 0).Add(2026, 1, 7, 999, 0);  // the 7th is today
  alert.Arm(&log.file, Noon(2026, 1, 7));
  All().todayIn = 40;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), Events{});
  All().todayIn = 41;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 10737418241", "run C:\\x.exe", "window", "save"}));
  EXPECT_EQ(alert.state(), AlertState::Alerted);

  // Last 1 day: only today's live bytes count, however much the log holds.
  settings.rule.period = kPeriodLastDays;
  settings.rule.threshold = L"100";
  settings.rule.unit = kUnitBytes;
  alert.Arm(&log.file, Noon(2026, 1, 7));
  EXPECT_EQ(alert.state(), AlertState::Armed);
  All().todayIn = 100;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), Events{});
  All().todayIn = 101;
  settings.notificationEnabled = 0;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), Events{});
  settings.notificationEnabled = 1;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 101", "run C:\\x.exe", "window", "save"}));

  // No matching connection: never evaluated.
  settings.rule.kind = kKindAdapter;
  settings.rule.adapterId = "{nic}";  // the comparison is exact
  alert.Arm(&log.file, Noon(2026, 1, 7));
  alert.Check(actions);
  EXPECT_EQ(alert.watched(), nullptr);
  EXPECT_EQ(actions.Take(), Events{});
}

TEST_F(UsageAlertTest, RemindersShowTheWindowOnlyAfterMinutesTimesSixtyTicks) {
  All().todayIn = 101;
  alert.Arm(&log.file, Noon(2026, 1, 7));
  actions.choice = ReminderChoice{1, 5};
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 101", "run C:\\x.exe", "window", "save"}));
  EXPECT_EQ(settings.nextAlertType, 1);
  EXPECT_EQ(settings.nextAlertMin, 5);
  for (int tick = 1; tick <= 300; ++tick) alert.Check(actions);
  EXPECT_EQ(actions.Take(), Events{});
  actions.choice = ReminderChoice{1, 1};
  alert.Check(actions);  // tick 301
  EXPECT_EQ(actions.Take(), (Events{"window", "save"}));

  // A reminder that finds the total below the threshold leaves the rule armed:
  // the next passing is a whole alert again.
  for (int tick = 1; tick <= 60; ++tick) alert.Check(actions);
  All().todayIn = 100;
  alert.Check(actions);
  EXPECT_EQ(alert.state(), AlertState::Armed);
  All().todayIn = 102;
  actions.choice = ReminderChoice{0, 1};
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 102", "run C:\\x.exe", "window", "save"}));
  // Without a reminder nothing happens until the rule is armed again.
  for (int tick = 1; tick <= 1000; ++tick) alert.Check(actions);
  EXPECT_EQ(actions.Take(), Events{});
  alert.Arm(&log.file, Noon(2026, 1, 8));
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 102", "run C:\\x.exe", "window", "save"}));
}

TEST_F(UsageAlertTest, ReArmingWhileTheWindowIsOpenRaisesNoSecondAlert) {
  All().todayIn = 101;
  alert.Arm(&log.file, Noon(2026, 1, 7));
  actions.whileOpen = [this] {
    alert.Arm(&log.file, Noon(2026, 1, 8));  // midnight
    alert.Check(actions);
  };
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 101", "run C:\\x.exe", "window", "save"}));
  EXPECT_EQ(alert.state(), AlertState::Armed);  // the new day's rule, once the window has closed
}

TEST_F(UsageAlertTest, AMailThatCannotBeBuiltSaysWhy) {
  EmailSettings email;
  email.server = L"mail.example.com";
  email.sender = L"meter@example.com";
  const NarrowText narrow = [](std::wstring_view t) { return std::string(t.begin(), t.end()); };
  alert.Arm(&log.file, Noon(2026, 1, 7));
  std::wstring why = L"untouched";
  EXPECT_TRUE(MakeAlertMailJob(alert, settings, email, Noon(2026, 1, 7), 101, narrow, &why));
  EXPECT_EQ(why, L"untouched");
  const struct {
    void (*spoil)(MeterSettings&, EmailSettings&);
    const wchar_t* why;  // empty: nothing to report
  } cases[] = {
      {[](MeterSettings&, EmailSettings& e) { e.sender.clear(); }, L""},
      {[](MeterSettings&, EmailSettings& e) { e.subjectTemplate = L"Usage\nBcc: x@y.com"; },
       L"The subject must not contain line breaks."},
      {[](MeterSettings& s, EmailSettings&) { s.rule.recipients = std::wstring(256, L'r'); },
       L"The recipient list is too long: at most 255 characters."},
  };
  for (const auto& c : cases) {
    MeterSettings s = settings;
    EmailSettings e = email;
    c.spoil(s, e);
    why.clear();
    EXPECT_FALSE(MakeAlertMailJob(alert, s, e, Noon(2026, 1, 7), 101, narrow, &why));
    EXPECT_EQ(why, c.why);
  }
}

TEST_F(UsageAlertTest, ShowAgainBeepsBeforeAnyAlertAndTheServiceMailsInsteadOfTheMeter) {
  alert.Arm(&log.file, Noon(2026, 1, 7));
  alert.ShowAgain(actions);
  EXPECT_EQ(actions.Take(), Events{"beep 300 100"});

  alert.service = ServiceMailOptions{true, false};
  All().todayIn = 101;
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"mail 101", "run C:\\x.exe", "window", "save"}));
  alert.ShowAgain(actions);
  EXPECT_EQ(actions.Take(), (Events{"window", "save"}));

  alert.service = ServiceMailOptions{true, true};
  alert.Arm(&log.file, Noon(2026, 1, 7));
  alert.Check(actions);
  EXPECT_EQ(actions.Take(), (Events{"run C:\\x.exe", "window", "save"}));
  EXPECT_FALSE(ServiceSendsAlertMail(ServiceMailOptions{false, true}));
}

TEST(AlertTexts, WindowAndMailWithEveryPlaceholder) {
  AlertRule rule;
  rule.threshold = L"1.5";
  rule.unit = kUnitGB;
  rule.transfer = kTransferBoth;
  rule.period = kPeriodLastDays;
  rule.lastDays = 3;
  rule.recipients = L"a@example.com, b@example.com";
  const DateRange shown{CivilDate{2026, 1, 5}, CivilDate{2026, 1, 7}};
  EXPECT_EQ(AlertMessageText(rule, L"LAN", shown, 0x11),
            L"Dear user, more than 1.5 GB have been downloaded and uploaded through \"LAN\" in last 3 days "
            L"(01/05/2026 -- 01/07/2026).");
  EXPECT_EQ(RunningTotalText(kTransferBoth, 1610612737), L"Downloaded and uploaded so far: 1.50 GB");
  EXPECT_EQ(RunningTotalText(kTransferUp, 5), L"Uploaded so far: 5 B");

  EmailSettings email;
  email.server = L"mail.example.com";
  email.sender = L"meter@example.com";
  email.subjectTemplate = L"%b %t";
  email.bodyTemplate = L"%a: %p, %f, %x\r\n";
  const TemplateValues values = AlertTemplateValues(rule, L"LAN [10.0.0.10]", shown, 0x44, 1610612737);
  EXPECT_EQ(ComposeAlertMail(email, rule, values),
            L"From: meter@example.com\r\nTo: a@example.com, b@example.com\r\nSubject: 1.5 GB downloaded and "
            L"uploaded\r\n\r\nLAN [10.0.0.10]: 3 days (2026-01-05 -- 2026-01-07), 1.50 GB, %x\r\n");

  // Incomplete settings send nothing.
  const struct {
    void (*spoil)(EmailSettings&);
    bool complete;
  } cases[] = {
      {[](EmailSettings& e) { e.server.clear(); }, false},
      {[](EmailSettings& e) { e.sender.clear(); }, false},
      {[](EmailSettings& e) { e.subjectTemplate.clear(); }, true},
      {[](EmailSettings& e) { e.subjectTemplate.clear(), e.bodyTemplate.clear(); }, false},
      {[](EmailSettings& e) { e.authentication = true; }, false},
      {[](EmailSettings& e) { e.authentication = true, e.userName = L"u"; }, true},
  };
  for (const auto& c : cases) {
    EmailSettings e = email;
    c.spoil(e);
    EXPECT_EQ(ComposeAlertMail(e, rule, values).has_value(), c.complete);
  }
}

TEST(BeepPatterns, TextToneAndDurationOfEachAndAnyIndexAbove8SoundsAs8) {
  const struct {
    const wchar_t* text;
    uint32_t frequency, durationMs;
  } table[] = {
      {L"Low frequency, short duration", 400, 100},     {L"Low frequency, medium duration", 400, 200},
      {L"Low frequency, long duration", 400, 400},      {L"Medium frequency, short duration", 900, 100},
      {L"Medium frequency, medium duration", 900, 200}, {L"Medium frequency, long duration", 900, 400},
      {L"High frequency, short duration", 1600, 100},   {L"High frequency, medium duration", 1600, 200},
      {L"High frequency, long duration", 1600, 400},
  };
  const Choices choices = BeepPatternChoices();
  ASSERT_EQ(choices.size(), std::size(table));
  for (int32_t i = 0; i < 9; ++i) {
    EXPECT_EQ(choices[i].label, table[i].text);
    EXPECT_EQ(choices[i].data, i);
    EXPECT_EQ(BeepPatternTone(i).frequency, table[i].frequency) << i;
    EXPECT_EQ(BeepPatternTone(i).durationMs, table[i].durationMs) << i;
  }
  for (int32_t above : {9, 1000, std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(BeepPatternTone(above).frequency, 1600u);
    EXPECT_EQ(BeepPatternTone(above).durationMs, 400u);
  }
}

TEST(Beeper, CountsStopsWithinOneToneAndANewPatternStopsTheOld) {
  std::mutex lock;
  std::vector<uint32_t> tones;  // frequencies in the order sounded
  Beeper beeper([&](uint32_t f, uint32_t ms) {
    {
      std::lock_guard<std::mutex> hold(lock);
      tones.push_back(f);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  });
  auto count = [&] {
    std::lock_guard<std::mutex> hold(lock);
    return tones.size();
  };
  auto waitFor = [&](size_t n) {
    for (int i = 0; i < 400 && count() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return count();
  };

  beeper.Start(400, 2, 5);
  for (int i = 0; i < 400 && beeper.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(beeper.running());
  EXPECT_EQ(count(), 5u);

  beeper.Start(900, 20, 0);
  waitFor(7);
  beeper.Start(1600, 20, 0);  // the 900 Hz job ends after its tone in progress
  waitFor(10);
  beeper.Stop();
  EXPECT_FALSE(beeper.running());
  const size_t stoppedAt = count();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_LE(count(), stoppedAt + 1);  // at most the tone that was sounding
  std::lock_guard<std::mutex> hold(lock);
  size_t firstHigh = 0;
  while (firstHigh < tones.size() && tones[firstHigh] != 1600) ++firstHigh;
  for (size_t i = firstHigh + 2; i < tones.size(); ++i) EXPECT_EQ(tones[i], 1600u) << i;
}
