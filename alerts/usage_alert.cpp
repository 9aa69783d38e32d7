#include "alerts/usage_alert.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "base/format.h"
#include "base/text_util.h"

double ThresholdNumber(std::wstring_view text) {
  std::string digits;
  for (wchar_t c : text) {
    if ((c < L'0' || c > L'9') && c != L'.') break;
    digits.push_back(static_cast<char>(c));
  }
  double value = 0;
  if (digits.empty() || std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc{})
    return 0;
  return value;
}

int64_t AlertThreshold(std::wstring_view text, int32_t unit) {
  const double bytes = ThresholdNumber(text) * static_cast<double>(UnitMultiplier(unit));
  // 2^63 is exactly representable; anything from there on (or not a number) is clamped.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(bytes < kLimit)) return std::numeric_limits<int64_t>::max();
  return bytes > 0 ? static_cast<int64_t>(bytes) : 0;
}

std::wstring UnitWord(int32_t unit) {
  static const wchar_t* const kWords[] = {L"Bytes", L"KB", L"MB", L"GB", L"TB"};
  return unit >= kUnitBytes && unit <= kUnitTB ? kWords[unit] : L"";
}

std::wstring TransferWord(int32_t transfer) {
  if (transfer == kTransferDown) return L"downloaded";
  if (transfer == kTransferUp) return L"uploaded";
  return L"downloaded and uploaded";
}

std::wstring PeriodWord(const AlertRule& rule) {
  if (rule.period == kPeriodWeek) return L"week";
  if (rule.period == kPeriodMonth) return L"month";
  return std::to_wstring(rule.lastDays) + L" days";
}

uint64_t TransferBytes(int32_t transfer, uint64_t down, uint64_t up) {
  if (transfer == kTransferDown) return down;
  if (transfer == kTransferUp) return up;
  return down + up;
}

bool ServiceSendsAlertMail(const ServiceMailOptions& service) {
  return service.serviceEnabled && service.serviceSendsMail;
}

// ---- the state machine ---------------------------------------------------------

PeriodOptions UsageAlert::periodOptions() const {
  return PeriodOptions{settings_.weekStartDay, settings_.monthStartDay, settings_.dateFormat};
}

void UsageAlert::Arm(LogFile* log, const LocalTime& now) {
  if (state_ == AlertState::Showing)
    armedWhileShowing_ = true;
  else
    state_ = AlertState::Armed;
  countdown_ = 0;
  if (!settings_.notificationEnabled) return;
  const AlertRule& rule = settings_.rule;
  threshold_ = AlertThreshold(rule.threshold, rule.unit);
  const bool aggregate = rule.kind == kKindAll || rule.kind == kKindDialUp;
  const SelectedConnection connection{rule.kind, aggregate ? std::string() : rule.adapterId};
  baseTotal_ = PeriodTotal(log, connection, rule.period, rule.lastDays, rule.transfer, now, periodOptions());
  watched_ = FindSelection(catalogue_, rule.kind, rule.adapterId);
}

uint64_t UsageAlert::CurrentTotal() const {
  if (!watched_) return baseTotal_;
  return baseTotal_ + TransferBytes(settings_.rule.transfer, watched_->todayIn, watched_->todayOut);
}

DateRange UsageAlert::ShownPeriod(const LocalTime& now) const {
  const AlertRule& rule = settings_.rule;
  return DateRange{AlertPeriodRange(rule.period, rule.lastDays, now, periodOptions()).first, DateOf(now)};
}

void UsageAlert::Check(AlertActions& actions) {
  if (!settings_.notificationEnabled || !watched_ || state_ == AlertState::Showing) return;
  bool reminder = false;
  if (state_ == AlertState::Alerted) {
    if (settings_.nextAlertType != 1) return;
    if (--countdown_ >= 0) return;
    state_ = AlertState::Armed;
    reminder = true;
  }
  const uint64_t total = CurrentTotal();
  if (static_cast<int64_t>(total) <= threshold_) return;
  const AlertRule& rule = settings_.rule;
  // A reminder only shows the window again.
  if (!reminder) {
    if (rule.sendMail && !rule.recipients.empty() && !ServiceSendsAlertMail(service)) actions.SendAlertMail(total);
    if (rule.runProgram && !rule.program.empty()) actions.RunProgram(rule.program);
  }
  ShowWindow(actions);
}

void UsageAlert::ShowWindow(AlertActions& actions) {
  state_ = AlertState::Showing;
  armedWhileShowing_ = false;
  const ReminderChoice choice = actions.RunAlertWindow();
  state_ = armedWhileShowing_ ? AlertState::Armed : AlertState::Alerted;
  armedWhileShowing_ = false;
  settings_.nextAlertType = choice.type;
  settings_.nextAlertMin = choice.minutes;
  // Minutes as stored may be huge: the countdown stops at the largest 32-bit value.
  if (choice.type == 1)
    countdown_ = static_cast<int32_t>(std::min<int64_t>(int64_t{choice.minutes} * 60, INT32_MAX));
  actions.SaveReminder();
}

void UsageAlert::ShowAgain(AlertActions& actions) {
  if (settings_.notificationEnabled && state_ == AlertState::Alerted)
    ShowWindow(actions);
  else
    actions.Beep(300, 100);
}

// ---- texts ----------------------------------------------------------------------

namespace {
std::wstring DateText(int format, const CivilDate& d) {
  return FormatDate(format, static_cast<unsigned>(d.year), static_cast<unsigned>(d.month),
                    static_cast<unsigned>(d.day));
}
}  // namespace

std::wstring AlertMessageText(const AlertRule& rule, const std::wstring& connectionName, const DateRange& period,
                              int dateFormat) {
  return FillPlaces(L"Dear user, more than %s %s have been %s through \"%s\" in last %s (%s -- %s).",
                    {rule.threshold, UnitWord(rule.unit), TransferWord(rule.transfer), connectionName,
                     PeriodWord(rule), DateText(dateFormat, period.first), DateText(dateFormat, period.last)});
}

std::wstring RunningTotalText(int32_t transfer, uint64_t total) {
  std::wstring what = TransferWord(transfer);
  what[0] = static_cast<wchar_t>(what[0] - L'a' + L'A');  // "Downloaded", "Uploaded"
  return what + L" so far: " + FormatByteCount(static_cast<int64_t>(total), true);
}

bool EmailSettingsComplete(const EmailSettings& e) {
  return !e.server.empty() && !e.sender.empty() && (!e.subjectTemplate.empty() || !e.bodyTemplate.empty()) &&
         (!e.authentication || !e.userName.empty());
}

TemplateValues AlertTemplateValues(const AlertRule& rule, const std::wstring& connectionTitle,
                                   const DateRange& period, int dateFormat, uint64_t currentTotal) {
  TemplateValues v;
  v.threshold = rule.threshold + L" " + UnitWord(rule.unit);
  v.transferType = TransferWord(rule.transfer);
  v.connection = connectionTitle;
  v.period = PeriodWord(rule) + L" (" + DateText(dateFormat, period.first) + L" -- " +
             DateText(dateFormat, period.last) + L")";
  v.bytesSoFar = FormatByteCount(static_cast<int64_t>(currentTotal), true);
  return v;
}

std::optional<std::wstring> ComposeAlertMail(const EmailSettings& email, const AlertRule& rule,
                                             const TemplateValues& values) {
  if (!EmailSettingsComplete(email)) return std::nullopt;
  const std::wstring text = L"From: " + email.sender + L"\r\nTo: " + rule.recipients + L"\r\nSubject: " +
                            email.subjectTemplate + L"\r\n\r\n" + email.bodyTemplate;
  return ExpandTemplate(text, values);
}

std::unique_ptr<MailJob> MakeAlertMailJob(const UsageAlert& alert, const MeterSettings& settings,
                                          const EmailSettings& email, const LocalTime& now, uint64_t currentTotal,
                                          const NarrowText& narrow, std::wstring* unbuilt) {
  const AdapterEntry* watched = alert.watched();
  if (!watched) return nullptr;
  const TemplateValues values = AlertTemplateValues(settings.rule, EntryTitle(*watched, settings.showIpInTitle != 0),
                                                    alert.ShownPeriod(now), settings.dateFormat, currentTotal);
  const std::optional<std::wstring> text = ComposeAlertMail(email, settings.rule, values);
  if (!text) return nullptr;
  auto job = std::make_unique<MailJob>();
  std::optional<FieldProblem> problem = CheckSubject(email.subjectTemplate);
  if (!problem) problem = FillMailJob(*job, email, settings.rule.recipients, *text, narrow);
  if (!problem) return job;
  if (unbuilt) *unbuilt = problem->message;
  return nullptr;
}
