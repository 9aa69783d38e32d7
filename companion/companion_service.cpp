#include "companion/companion_service.h"

#include <algorithm>

#include "cli/report_command.h"
#include "trafficlog/report_export.h"

CompanionService::CompanionService(Clock& clock, AdapterSource& adapters, LogPlatform& logPlatform,
                                   RegistryStore& machineWide, CompanionPlatform& platform, std::wstring registryRoot)
    : clock_(clock),
      adapters_(adapters),
      registry_(machineWide),
      platform_(platform),
      root_(std::move(registryRoot)),
      settings_(DefaultSettings(false)),
      log_(logPlatform),
      tick_(clock, catalogue_, log_) {}

bool CompanionService::Start() {
  LoadSettings(registry_, root_, settings_);
  LoadServiceSettings(registry_, RegRoot::LocalMachine, root_, service_);
  LoadMetricsSettings(registry_, RegRoot::LocalMachine, root_, metrics_);
  BuildCatalogue(catalogue_, registry_, adapters_, root_);
  log_.LocateLogFile(registry_, root_, false);
  if (!log_.OpenLogFile(false)) {
    platform_.LogEvent(L"The traffic log \"" + log_.path() + L"\" cannot be opened; the service stops.", true);
    return false;
  }
  tick_.LoadTodayCounters();
  LoadEmailSettings(registry_, root_, email_);
  // The meter window leaves the mail to the service: here nothing holds it back.
  alert_.service = ServiceMailOptions{};
  alert_.Arm(log_.file(), clock_.Now());

  const std::wstring windows = platform_.WindowsFolder();
  const int64_t now = clock_.Seconds();
  for (const ReportJob& job : service_.reports) {
    if (const wchar_t* why = RefusedOutputPath(job.file, windows)) {
      platform_.LogEvent(L"The scheduled report \"" + job.file + L"\" is not written: " + why + L".", true);
      continue;
    }
    jobs_.push_back({job, now, false});
  }
  if (service_.recordRates) StartRecorder(windows);
  return true;
}

void CompanionService::StartRecorder(const std::wstring& windowsFolder) {
  std::vector<AdapterEntry*> entries = EntryList(catalogue_.entries);
  for (AdapterEntry* e : entries) {
    if (!e->recordRates) continue;
    if (const wchar_t* why = RefusedOutputPath(e->recordFile, windowsFolder)) {
      platform_.LogEvent(L"The rates of \"" + EntryTitle(*e, false) + L"\" are not recorded to \"" + e->recordFile +
                             L"\": " + why + L".",
                         true);
      e->recordRates = 0;
    }
  }
  recorder_ = std::make_unique<RatesRecorder>(platform_.Recordings());
  recorder_->SetOptions(RecorderOptionsOf(settings_, platform_.ReportEncoder()));
  recorder_->Start(entries, false, clock_.Now());
  tick_.SetRecorder(recorder_.get());
}

void CompanionService::Second() {
  SampleOptions options;
  options.dispIconSystray = false;
  tick_.Tick(&adapters_, options, *this);
  const int64_t now = clock_.Seconds();
  for (Scheduled& s : jobs_) {
    if (now < s.due) continue;
    WriteReport(s);
    s.due = now + std::max<int32_t>(s.job.interval, 1);
  }
}

void CompanionService::Stop() {
  tick_.WriteTodayRecords();
  log_.CloseLogFile();
  if (recorder_) recorder_->CloseAll();
}

void CompanionService::OnDateStarted(const LocalTime& now) { alert_.Arm(log_.file(), now); }

void CompanionService::OnUsageCheck(const LocalTime&) {
  // One mail per passing of the rule in each armed period: after it the rule
  // stays alerted until the next day or the next start.
  if (service_.sendMail) alert_.Check(*this);
}

void CompanionService::OnTickDone() {
  if (metricsStore_)
    metricsStore_->Publish(TakeSnapshot(catalogue_, settings_.notificationEnabled ? &alert_ : nullptr, "service"));
}

void CompanionService::SendAlertMail(uint64_t currentTotal) {
  std::unique_ptr<MailJob> job =
      MakeAlertMailJob(alert_, settings_, email_, clock_.Now(), currentTotal, platform_.ReportEncoder());
  if (job) platform_.SendMail(std::move(job));
}

void CompanionService::WriteReport(Scheduled& s) {
  ReportRequest q;
  const int32_t type = s.job.type;
  q.kind = type == kJobDaily ? ReportKind::Daily
           : type == kJobWeekly ? ReportKind::Weekly
           : type == kJobMonthly ? ReportKind::Monthly
                                 : ReportKind::Summary;
  q.format = static_cast<ReportFormat>(static_cast<int>(FormatOfReportFile(s.job.file)) - 1);
  q.connection = {s.job.kind, s.job.kind == 300 ? s.job.adapterId : std::string()};
  q.options = {settings_.weekStartDay, settings_.monthStartDay, settings_.dateFormat};
  q.lastDays = settings_.sumLastDays;
  q.today = clock_.Now();
  q.encode = platform_.ReportEncoder();
  if (const AdapterEntry* e = FindSelection(catalogue_, q.connection.kind, q.connection.id)) {
    q.name = e->name;
    q.live = Traffic{e->todayIn, e->todayOut};
  } else {
    q.name = std::wstring(q.connection.id.begin(), q.connection.id.end());
  }
  const bool ok = platform_.ReplaceFile(s.job.file, RenderReport(log_.file(), q));
  if (!ok && !s.failing)
    platform_.LogEvent(L"The scheduled report \"" + s.job.file + L"\" cannot be written (is its folder missing?).",
                       true);
  s.failing = !ok;
}
