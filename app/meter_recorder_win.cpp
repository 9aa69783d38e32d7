// The rates recorder (F5) and the stopwatch (F4): the two windows the meter
// runs modally over its connections, and the recorder's start and save.
#include "app/meter_dlg.h"
#include "base/text_util.h"
#include "recorder/recorder_dlg_win.h"
#include "service_control/service_control_win.h"
#include "stopwatch/stopwatch_dlg_win.h"
#include "ui/code_page_win.h"

RecorderOptions CMeterDlg::MakeRecorderOptions() const { return RecorderOptionsOf(settings_, &ToSystemCodePage); }

// The one place the recorder learns the service's switches.
RecorderServiceState CMeterDlg::RecorderService() const {
  return RecorderServiceState{service_.enabled, service_.recordRates};
}

void CMeterDlg::StartRecorders() {
  recorder_.SetOptions(MakeRecorderOptions());
  recorder_.Start(Entries(), RecorderService().serviceRecords(), env_.clock->Now());
}

void CMeterDlg::SaveRecorderSettings() {
  if (!env_.registry) return;
  SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::CurrentUser, kGroupRecording, env_.registryRoot);
  // While the service is on it reads its copy from the machine-wide root.
  if (RecorderService().enabled)
    SaveAdapterEntries(catalogue_, *env_.registry, RegRoot::LocalMachine, kGroupRecording, env_.registryRoot);
}

void CMeterDlg::OnRatesRecorderCmd(WORD, WORD, HWND) {
  if (flags_.modalOpen) return;
  std::vector<std::wstring> names;
  std::vector<RecorderSettings> rows;
  for (const auto& e : catalogue_.entries) {
    names.push_back(EntryTitle(*e, settings_.showIpInTitle != 0));
    rows.push_back(RecorderSettingsOf(*e));
  }
  CRecorderDlg dlg(std::move(names), std::move(rows), inst_);
  dlg.SetMessageBox([this](HWND owner, const std::wstring& text, UINT type) {
    return env_.messageBox(owner, text.c_str(), L"Zephra", type);
  });
  if (RunModal([&](HWND owner) { return dlg.Run(owner); }) != IDOK) return;

  const RecorderServiceState service = RecorderService();
  recorder_.SetOptions(MakeRecorderOptions());
  recorder_.Apply(Entries(), dlg.rows(), service.serviceRecords(), env_.clock->Now());
  SaveRecorderSettings();
  if (service.serviceRecords())
    Message(FillPlaces(L"Rates recorder is enabled in service, please restart %s to make options take effect.",
                       {kServiceDisplayName}),
            MB_OK | MB_ICONINFORMATION);
}

void CMeterDlg::OnStopwatchCmd(WORD, WORD, HWND) {
  if (flags_.modalOpen) return;
  StopwatchInput input;
  for (const auto& e : catalogue_.entries)
    input.connections.push_back({EntryTitle(*e, settings_.showIpInTitle != 0), &e->history, e->resetMenuId});
  input.meter = hwnd_;
  input.unitBytes = settings_.displayUnitByte != 0;
  input.alwaysOnTop = settings_.stopwatchAlwaysOnTop != 0;
  input.resetGraphOnStart = settings_.stopwatchResetAdapterGraph != 0;
  CStopwatchDlg dlg(std::move(input), inst_);
  dlg.SetMessageBox([this](HWND owner, const std::wstring& text, UINT type) {
    return env_.messageBox(owner, text.c_str(), L"Zephra", type);
  });
  RunModal([&](HWND owner) { return dlg.Run(owner); });
  // Saved with the window group when the program ends.
  settings_.stopwatchAlwaysOnTop = dlg.alwaysOnTop() ? 1 : 0;
  settings_.stopwatchResetAdapterGraph = dlg.resetGraphOnStart() ? 1 : 0;
}
