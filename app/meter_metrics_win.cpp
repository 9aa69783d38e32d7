// The counters endpoint of the meter window: served from here while the
// window counts, handed to the companion service while it counts, and its
// options from the Monitoring page.
#include <windows.h>

#include "app/meter_dlg.h"

void CMeterDlg::OnTickDone() {
  if (metrics_.running())
    metrics_.Publish(TakeSnapshot(catalogue_, settings_.notificationEnabled ? &alert_ : nullptr, "meter"));
}

void CMeterDlg::UpdateMetricsEndpoint() {
  // The service reads its copy when it starts.
  if (IsServiceEnabled() && env_.registry)
    SaveMetricsSettings(*env_.registry, RegRoot::LocalMachine, env_.registryRoot, metricsSettings_);
  metrics_.Stop();
  if (!metricsSettings_.enabled || IsServiceEnabled()) return;
  const std::wstring why = metrics_.Start(metricsSettings_);
  if (!why.empty()) {
    // The meter counts on without the endpoint.
    Message(why, MB_OK | MB_ICONWARNING);
    return;
  }
  OnTickDone();
}

void CMeterDlg::ApplyMonitoringPage(const MetricsSettings& page) {
  metricsSettings_ = page;
  if (env_.registry) SaveMetricsSettings(*env_.registry, RegRoot::CurrentUser, env_.registryRoot, metricsSettings_);
  UpdateMetricsEndpoint();
}
