// ZephraService.exe: the companion service run by the service control manager
// (own process, local system). It reports start pending, then running, counts
// once a second until told to stop, writes the traffic log and reports
// stopped. Its own failures go to the event log under the source "ZephraService".
#include <winsock2.h>
#include <windows.h>

#include <thread>

#include "alerts/smtp_win.h"
#include "engine/clock_win.h"
#include "companion/companion_service.h"
#include "measure/iphelper_win.h"
#include "metrics/metrics_server_win.h"
#include "recorder/recording_file_win.h"
#include "service_messages.h"
#include "service_control/service_control_win.h"
#include "settings/machine_wide_store.h"
#include "settings/registry_win.h"
#include "trafficlog/log_file_win.h"
#include "ui/code_page_win.h"
#include "ui/files_win.h"
#include "ui/handle_win.h"

namespace {

// The service owns the log: opening it never asks a service to stop, least of all itself.
class ServiceLogPlatform : public WinLogPlatform {
public:
  using WinLogPlatform::WinLogPlatform;
  int QueryServiceState() override { return kServiceNotInstalled; }
  bool StopService() override { return false; }
};

class WinCompanionPlatform : public CompanionPlatform {
public:
  bool ReplaceFile(const std::wstring& path, const std::string& bytes) override {
    const std::wstring part = path + L".part";
    {
      FileHandle file(::CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
      if (!file) return false;
      const bool ok = WriteAllBytes(file.get(), bytes) && ::FlushFileBuffers(file.get());
      if (!ok) {
        file.reset();
        ::DeleteFileW(part.c_str());
        return false;
      }
    }
    if (::MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    ::DeleteFileW(part.c_str());
    return false;
  }

  void LogEvent(const std::wstring& text, bool error) override { WriteEvent(text, error); }

  RecordingFiles& Recordings() override { return recordings_; }

  void SendMail(std::unique_ptr<MailJob> job) override {
    StartSockets();
    // The worker owns its job; a mail still under way when the service stops
    // ends with the process.
    std::thread([job = std::move(job)] {
      const std::string error = SendMailNow(*job);
      if (!error.empty())
        WriteEvent(L"The notification e-mail could not be sent: " + FromSystemCodePage(error.c_str()), true);
    }).detach();
  }

  static void WriteEvent(const std::wstring& text, bool error) {
    HANDLE source = ::RegisterEventSourceW(nullptr, kServiceName);
    if (!source) return;
    const wchar_t* strings[] = {text.c_str()};
    ::ReportEventW(source, error ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE, 0,
                   error ? ZEPHRA_EVENT_ERROR : ZEPHRA_EVENT_NOTE, nullptr, 1, 0, strings, nullptr);
    ::DeregisterEventSource(source);
  }

  NarrowEncoder ReportEncoder() override { return &ToSystemCodePage; }

  std::wstring WindowsFolder() override { return ::WindowsFolder(); }

private:
  WinRecordingFiles recordings_;
};

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
DWORD g_checkPoint = 0;

void ReportState(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exitCode;
  status.dwWaitHint = waitHintMs;
  status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : ++g_checkPoint;
  ::SetServiceStatus(g_status, &status);
}

static_assert(SERVICE_CONTROL_STOP == 1 && SERVICE_CONTROL_INTERROGATE == 4 && SERVICE_CONTROL_SHUTDOWN == 5);

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  switch (ReplyToControl(control)) {
    case ControlReply::EndCounting:
      // Writing the log and waiting for the reports take well under the time promised here.
      ReportState(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
      ::SetEvent(g_stop);
      return NO_ERROR;
    case ControlReply::Answer: return NO_ERROR;
    case ControlReply::NotHandled: break;
  }
  return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  g_status = ::RegisterServiceCtrlHandlerExW(kServiceName, &OnControl, nullptr);
  if (!g_status) return;
  ReportState(SERVICE_START_PENDING, NO_ERROR, 10000);
  g_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WinCompanionPlatform platform;
  IpHelperSource adapters;
  if (!g_stop || !adapters.Bind()) {
    platform.LogEvent(L"The IP Helper functions are not available; the service stops.", true);
    ReportState(SERVICE_STOPPED, ERROR_PROC_NOT_FOUND);
    return;
  }
  LocalClock clock;
  Win32Registry registry;
  MachineWideStore machineWide(registry);
  ServiceLogPlatform logPlatform(&adapters);
  logPlatform.SetPlainFilesOnly(true);  // the log path lies where a user may put a link
  CompanionService service(clock, adapters, logPlatform, machineWide, platform);
  if (!service.Start()) {
    ReportState(SERVICE_STOPPED, ERROR_OPEN_FAILED);
    return;
  }
  // The counters endpoint, when switched on; without it the service counts on.
  MetricsServer metrics;
  if (service.metrics().enabled) {
    const std::wstring why = metrics.Start(service.metrics());
    if (why.empty()) {
      service.SetMetricsStore(&metrics.store());
    } else {
      platform.LogEvent(why, true);
    }
  }
  ReportState(SERVICE_RUNNING);
  // One second per tick, kept to the clock rather than to the time each tick took.
  ULONGLONG next = ::GetTickCount64() + 1000;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = next > now ? static_cast<DWORD>(next - now) : 0;
    if (::WaitForSingleObject(g_stop, wait) != WAIT_TIMEOUT) break;
    service.Second();
    next += 1000;
    if (next + 30000 < ::GetTickCount64()) next = ::GetTickCount64() + 1000;  // after a suspension
  }
  metrics.Stop();
  service.Stop();
  ReportState(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
  SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), &ServiceMain}, {nullptr, nullptr}};
  // Started by hand rather than by the service control manager: nothing to do.
  return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
