#include "companion/companion_service.h"

#include <algorithm>

#include "cli/report_command.h"
#include "engine/handover.h"
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
  log_.SetLeaveForeignFiles(true);
  if (!log_.OpenLogFile(false)) {
    platform_.LogEvent(L"The traffic log \"" + log_.path() +
                           (log_.refusedForeign() ? L"\" is not a Zephra traffic log and is left as it is; the service stops."
                                                  : L"\" cannot be opened; the service stops."),
                       true);
    return false;
  }
  tick_.LoadTodayCounters();
  // The meter counted up to its hand-over: the first tick goes on from there.
  TakeCountingOver(catalogue_, &adapters_, clock_, registry_, root_, HandOverFrom::Meter);
  if (log_.openCheck().damaged())
    platform_.LogEvent(LogDamageText(log_.path(), log_.openCheck().damagedRecords,
                                     NewestDailyBackup(log_.platform(), log_.path())),
                       true);
  backups_.SetDays(settings_.logBackupDays);
  tick_.SetBackups(&backups_);
  LoadEmailSettings(registry_, root_, email_);
  // The meter window leaves the mail to the service: here nothing holds it back.
  alert_.service = ServiceMailOptions{};
  alert_.Arm(log_.file(), clock_.Now());

  const std::wstring windows = platform_.WindowsFolder();
  const uint64_t now = clock_.Milliseconds();
  for (const ReportJob& job : service_.reports) {
    if (const wchar_t* why = RefusedOutputPath(job.file, windows)) {
      platform_.LogEvent(L"The scheduled report \"" + job.file + L"\" is not written: " + why + L".", true);
      continue;
    }
    CompanionPlatform* platform = &platform_;
    jobs_.push_back({job, now, false, std::make_unique<ReportWriter>([platform](const std::wstring& path,
                                                                                 const std::string& bytes) {
                       return platform->ReplaceFile(path, bytes);
                     })});
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
  NoteReportResults();
  const uint64_t now = clock_.Milliseconds();
  for (Scheduled& s : jobs_) {
    if (now < s.due) continue;
    // A file whose last write has not finished waits for the next second.
    if (!s.writer->Post(s.job.file, RenderReport(s))) continue;
    const uint64_t interval = 1000ull * static_cast<uint64_t>(std::max<int32_t>(s.job.interval, 1));
    // Kept to the schedule rather than to the tick that wrote it, unless it fell behind.
    s.due = s.due + interval > now ? s.due + interval : now + interval;
  }
}

bool CompanionService::WaitForReports(int waitMs) {
  bool idle = true;
  for (Scheduled& s : jobs_) idle = s.writer->WaitUntilIdle(waitMs) && idle;
  NoteReportResults();
  return idle;
}

void CompanionService::NoteReportResults() {
  for (Scheduled& s : jobs_) {
    for (const ReportWriter::Result& r : s.writer->TakeResults()) {
      if (!r.ok && !s.failing)
        platform_.LogEvent(L"The scheduled report \"" + s.job.file + L"\" cannot be written (is its folder missing?).",
                           true);
      s.failing = !r.ok;
    }
  }
}

void CompanionService::Stop() {
  // Counted up to this moment and written; the meter goes on from these counters.
  HandCountingOver(tick_, catalogue_, &adapters_, clock_, registry_, root_, HandOverFrom::Service, *this);
  backups_.Finish(tick_.stored());
  log_.CloseLogFile();
  if (recorder_) recorder_->CloseAll();
  // One wait for all the reports' writes together.
  const uint64_t until = clock_.Milliseconds() + kReportStopWaitMs;
  for (Scheduled& s : jobs_) {
    const uint64_t now = clock_.Milliseconds();
    s.writer->Stop(now < until ? static_cast<int>(until - now) : 0);
  }
  NoteReportResults();
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
  std::wstring unbuilt;
  std::unique_ptr<MailJob> job =
      MakeAlertMailJob(alert_, settings_, email_, clock_.Now(), currentTotal, platform_.ReportEncoder(), &unbuilt);
  if (job)
    platform_.SendMail(std::move(job));
  else if (!unbuilt.empty())
    platform_.LogEvent(L"The notification e-mail could not be sent: " + unbuilt, true);
}

std::string CompanionService::RenderReport(const Scheduled& s) {
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
  return ::RenderReport(log_.file(), q);
}

ControlReply ReplyToControl(uint32_t control) {
  switch (control) {
    case 1:  // stop
    case 5:  // shutdown: the machine goes down; the log and the hand-over are written all the same
      return ControlReply::EndCounting;
    case 4: return ControlReply::Answer;  // interrogate
    default: return ControlReply::NotHandled;
  }
}
