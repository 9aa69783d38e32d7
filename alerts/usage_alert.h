// The usage rule at run time: its threshold in bytes, the period's logged base
// total, the watched connection, and the state machine Armed -> Showing ->
// Alerted with its reminder countdown. What the rule does when it is passed
// (the mail, the program, the window, a beep) goes through AlertActions, so
// the meter window supplies the real ones and tests their own. Also the texts
// of the notification window and of the alert mail.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "alerts/email_settings.h"
#include "measure/catalogue.h"
#include "settings/meter_settings.h"
#include "trafficlog/period_totals.h"

enum class AlertState : int32_t { Armed = 0, Showing = 1, Alerted = 2 };

// The number as typed ("1.5"): its leading digits and "." read as a decimal
// number, whatever the locale; 0 when there is none.
double ThresholdNumber(std::wstring_view text);
// The threshold in bytes: the number times the unit's multiplier, truncated
// toward zero. A product beyond the largest signed 64-bit value is that value,
// so a huge number never wraps into one that alerts at once.
int64_t AlertThreshold(std::wstring_view text, int32_t unit);

// "Bytes", "KB", "MB", "GB", "TB".
std::wstring UnitWord(int32_t unit);
// "downloaded", "uploaded", "downloaded and uploaded".
std::wstring TransferWord(int32_t transfer);
// "week", "month", or "<N> days".
std::wstring PeriodWord(const AlertRule& rule);
// The bytes of the transfer type in a pair of counters.
uint64_t TransferBytes(int32_t transfer, uint64_t down, uint64_t up);

// The reminder chosen in the notification window ("NextAlertType", "NextAlertMin").
struct ReminderChoice {
  int32_t type = 0;     // 0 no reminder, 1 remind after `minutes`
  int32_t minutes = 1;
};

// Whether the companion service mails the alert itself: then the meter window
// does not. Both flags come from the service options.
struct ServiceMailOptions {
  bool serviceEnabled = false;  // "ServiceEnabled"
  bool serviceSendsMail = false;  // the service's own e-mail option
};
bool ServiceSendsAlertMail(const ServiceMailOptions& service);

class AlertActions {
public:
  virtual ~AlertActions() = default;
  // The alert mail for the total now reached (handed to a worker; no waiting).
  virtual void SendAlertMail(uint64_t currentTotal) = 0;
  virtual void RunProgram(const std::wstring& path) = 0;
  // Runs the notification window modally; returns the reminder chosen in it.
  virtual ReminderChoice RunAlertWindow() = 0;
  // Saves "NextAlertType" and "NextAlertMin".
  virtual void SaveReminder() = 0;
  virtual void Beep(uint32_t frequency, uint32_t durationMs) = 0;
};

class UsageAlert {
public:
  // Reads the rule, the flags and the calendar options from `settings`, and
  // writes the reminder choice back there.
  UsageAlert(MeterSettings& settings, Catalogue& catalogue) : settings_(settings), catalogue_(catalogue) {}

  // Back to Armed with the threshold, the base total (from the log, today left
  // out) and the watched connection computed afresh. With notifications off
  // only the state is reset. While the window is open (a new day, a clock
  // change) it stays open and no second alert is raised; the state is Armed
  // once it closes.
  void Arm(LogFile* log, const LocalTime& now);
  // The check at the end of a tick.
  void Check(AlertActions& actions);
  // The notification window, and the state around it.
  void ShowWindow(AlertActions& actions);
  // Command "show the last alert again": the window when there was an alert,
  // else a short beep.
  void ShowAgain(AlertActions& actions);
  // The connection is going away (the catalogue is being emptied).
  void Forget() { watched_ = nullptr; }

  AlertState state() const { return state_; }
  int64_t threshold() const { return threshold_; }
  uint64_t baseTotal() const { return baseTotal_; }
  const AdapterEntry* watched() const { return watched_; }
  int32_t countdown() const { return countdown_; }
  // The base total plus the watched connection's bytes of today.
  uint64_t CurrentTotal() const;
  PeriodOptions periodOptions() const;
  // The first day of the rule's period and today, as the window and the mail show them.
  DateRange ShownPeriod(const LocalTime& now) const;

  ServiceMailOptions service;

private:
  MeterSettings& settings_;
  Catalogue& catalogue_;
  AlertState state_ = AlertState::Armed;
  int64_t threshold_ = 0;
  uint64_t baseTotal_ = 0;
  AdapterEntry* watched_ = nullptr;
  int32_t countdown_ = 0;  // seconds (ticks) until a reminder check
  bool armedWhileShowing_ = false;
};

// `period` below is the period's first day and today.
// The notification window's message: "Dear user, more than 10 GB have been
// downloaded through "LAN" in last week (03/02/2008 -- 03/08/2008)."
std::wstring AlertMessageText(const AlertRule& rule, const std::wstring& connectionName, const DateRange& period,
                              int dateFormat);
// Its running total: "Downloaded so far: 10,737,418,241 Bytes".
std::wstring RunningTotalText(int32_t transfer, uint64_t total);

// The settings a mail needs: server, sender, a subject or a body, and with
// authentication a user name.
bool EmailSettingsComplete(const EmailSettings& email);
// The five placeholder values of an alert mail.
TemplateValues AlertTemplateValues(const AlertRule& rule, const std::wstring& connectionTitle,
                                   const DateRange& period, int dateFormat, uint64_t currentTotal);
// The whole alert mail: "From:", "To:" (the recipients as typed) and
// "Subject:" lines, an empty line and the body template, with the placeholders
// replaced everywhere. None when the e-mail settings are incomplete.
std::optional<std::wstring> ComposeAlertMail(const EmailSettings& email, const AlertRule& rule,
                                             const TemplateValues& values);

// The alert mail as a job for the SMTP client, for the total now reached; none
// when there is no watched connection, the e-mail settings are incomplete, or
// the mail cannot be built: a value does not fit its field of the job (nothing
// is cut) or the subject holds a line break. Only in that last case `unbuilt`
// (when given) receives the reason, to be reported as a failed send. The port is 25.
std::unique_ptr<MailJob> MakeAlertMailJob(const UsageAlert& alert, const MeterSettings& settings,
                                          const EmailSettings& email, const LocalTime& now, uint64_t currentTotal,
                                          const NarrowText& narrow, std::wstring* unbuilt = nullptr);
