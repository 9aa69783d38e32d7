// The companion service's work, free of the service control manager: it reads
// the machine-wide copies of the options, counts traffic once a second with
// the meter's tick (catalogue, sampling, gap rule, slices and day change),
// keeps the traffic log as the meter keeps it, and writes the scheduled
// reports with the reports window's export. The Win32 service around it lives
// in companion_main_win.cpp.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "alerts/usage_alert.h"
#include "companion/report_writer.h"
#include "engine/clock.h"
#include "engine/meter_tick.h"
#include "base/codepage.h"
#include "measure/adapter_source.h"
#include "measure/catalogue.h"
#include "metrics/metrics_snapshot.h"
#include "recorder/rates_recorder.h"
#include "settings/meter_settings.h"
#include "settings/metrics_settings.h"
#include "settings/service_settings.h"
#include "trafficlog/traffic_log.h"

// What the service reaches outside the core.
class CompanionPlatform {
public:
  virtual ~CompanionPlatform() = default;
  // Replaces the whole file so that a reader never sees half of it. Called on
  // the report worker (ReportWriter), never on the counting thread.
  virtual bool ReplaceFile(const std::wstring& path, const std::string& bytes) = 0;
  // The Windows event log; the service shows no windows.
  virtual void LogEvent(const std::wstring& text, bool error) = 0;
  // Where no report may ever be written.
  virtual std::wstring WindowsFolder() = 0;
  // The code page of the report files (the system's, as the reports window writes them).
  virtual NarrowEncoder ReportEncoder() = 0;
  // Sends the alert mail on a worker of its own; a failure goes to the event log.
  virtual void SendMail(std::unique_ptr<MailJob> job) = 0;
  // The recording files of the rates recorder.
  virtual RecordingFiles& Recordings() = 0;
};

class CompanionService : private TickSink, private AlertActions {
public:
  // `machineWide` reads the machine-wide copies (see MachineWideStore).
  CompanionService(Clock& clock, AdapterSource& adapters, LogPlatform& logPlatform, RegistryStore& machineWide,
                   CompanionPlatform& platform, std::wstring registryRoot = kDefaultRootPath);

  // Reads the settings, builds the catalogue and opens the log (read-write, as
  // the meter does). False, with the reason in the event log, when the log
  // cannot be opened.
  bool Start();
  // One second: the tick, then every report whose interval has run down (the
  // first ones at the first second) rendered and handed to the report worker.
  void Second();
  // Today's records written and the log closed. Waits at most
  // kReportStopWaitMs for report writes still under way.
  void Stop();
  // True once every report handed to the worker so far is written (at most waitMs).
  bool WaitForReports(int waitMs);

  const TrafficLog& log() const { return log_; }
  const ServiceSettings& service() const { return service_; }
  const UsageAlert& alert() const { return alert_; }
  const RatesRecorder* recorder() const { return recorder_.get(); }
  // The counters endpoint's options as Start read them; with a store given,
  // every tick leaves its snapshot there for the listener.
  const MetricsSettings& metrics() const { return metrics_; }
  void SetMetricsStore(SnapshotStore* store) {
    metricsStore_ = store;
    OnTickDone();  // the first scrape need not wait for the first tick
  }

private:
  struct Scheduled {
    ReportJob job;
    uint64_t due = 0;      // Clock::Milliseconds(): setting the clock back does not pause reports
    bool failing = false;  // the last write failed (reported once until it works again)
    // Each report its own worker: one unreachable share holds up no other report.
    std::unique_ptr<ReportWriter> writer;
  };

  // TickSink: the usage alert's check and the rates recorder are called here.
  void OnDateStarted(const LocalTime& now) override;
  void OnUsageCheck(const LocalTime& now) override;
  void OnTickDone() override;

  // AlertActions: the service mails; it runs no program, shows no window,
  // keeps no reminder (nobody would see it) and does not beep.
  void SendAlertMail(uint64_t currentTotal) override;
  void RunProgram(const std::wstring&) override {}
  ReminderChoice RunAlertWindow() override { return ReminderChoice{}; }
  void SaveReminder() override {}
  void Beep(uint32_t, uint32_t) override {}

  std::string RenderReport(const Scheduled& s);
  void NoteReportResults();
  void StartRecorder(const std::wstring& windowsFolder);

  Clock& clock_;
  AdapterSource& adapters_;
  RegistryStore& registry_;
  CompanionPlatform& platform_;
  std::wstring root_;
  MeterSettings settings_;
  ServiceSettings service_;
  Catalogue catalogue_;
  TrafficLog log_;
  MeterTick tick_;
  LogBackups backups_{log_};  // the daily copy: in service mode the service writes the log
  EmailSettings email_;
  UsageAlert alert_{settings_, catalogue_};
  std::unique_ptr<RatesRecorder> recorder_;  // with the recording option only
  std::vector<Scheduled> jobs_;
  MetricsSettings metrics_;
  SnapshotStore* metricsStore_ = nullptr;
};

// How long the service's stop waits for report writes still under way; the
// meter waits far longer for the stop, and a stuck write is left behind.
constexpr int kReportStopWaitMs = 1000;
// The time promised to the service control manager for a stop or a shutdown.
constexpr uint32_t kStopWaitHintMs = 5000;
static_assert(kReportStopWaitMs * 2 < static_cast<int>(kStopWaitHintMs), "the stop keeps its promise");

// What a control of the service control manager (numbered as it numbers them)
// asks of the running service: stop (1) and shutdown (5) end counting the same
// way, through Stop(); interrogate (4) is only answered; any other is refused.
enum class ControlReply { EndCounting, Answer, NotHandled };
ControlReply ReplyToControl(uint32_t control);
