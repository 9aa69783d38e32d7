#include "app/service_switch.h"

#include "alerts/email_settings.h"
#include "base/text_util.h"
#include "engine/handover.h"
#include "measure/catalogue.h"
#include "service_control/service_control.h"
#include "settings/meter_settings.h"
#include "settings/metrics_settings.h"
#include "settings/service_settings.h"
#include "trafficlog/traffic_log.h"

namespace {

constexpr uint32_t kLastStep = static_cast<uint32_t>(ServiceStep::MailValues);

const wchar_t* StepText(ServiceStep step) {
  switch (step) {
    case ServiceStep::Approval: return L"asking for administrator approval";
    case ServiceStep::Helper: return L"running the helper for the privileged steps";
    case ServiceStep::KeyAccess: return L"securing the machine-wide settings";
    case ServiceStep::Copies: return L"writing the machine-wide copies of the options";
    case ServiceStep::Install: return L"installing the service";
    case ServiceStep::Start: return L"starting the service";
    case ServiceStep::Stop: return L"stopping the service";
    case ServiceStep::Remove: return L"removing the service";
    case ServiceStep::MailValues: return L"deleting the machine-wide e-mail settings";
    case ServiceStep::None: break;
  }
  return L"";
}

bool Running(int state) { return state == kServiceStateRunning || state == kServiceStateStartPending; }

}  // namespace

const wchar_t kServiceNotRunningText[] =
    L"Zephra Service is not running. Zephra counts the traffic and writes the traffic log itself.";

uint32_t ServiceHelperExitCode(const ServiceSwitchResult& result) {
  if (result.ok()) return 0;
  return (static_cast<uint32_t>(result.failed) << 24) | (result.error & 0xFFFFFFu);
}

ServiceSwitchResult FromServiceHelperExitCode(uint32_t code) {
  if (code == 0) return {};
  const uint32_t step = code >> 24;
  if (step == 0 || step > kLastStep) return {ServiceStep::Helper, code};
  return {static_cast<ServiceStep>(step), code & 0xFFFFFFu};
}

ServiceSwitchResult RunServiceSwitch(bool enable, ServiceSwitchSteps& steps) {
  ServiceSwitchResult first;
  auto step = [&first](ServiceStep which, uint32_t error) {
    if (error != 0 && first.ok()) first = {which, error};
    return error == 0;
  };
  if (enable) {
    if (!step(ServiceStep::KeyAccess, steps.SetKeyAccess(true))) return first;
    const int state = steps.Query();
    const bool ok = step(ServiceStep::Copies, steps.CopyOptions()) &&
                    (Running(state) ||
                     ((state != kServiceStateNotInstalled || step(ServiceStep::Install, steps.Install())) &&
                      step(ServiceStep::Start, steps.Start())));
    if (ok) return first;
    // Nothing half-done: no service left to start at the next boot, no copies it would read.
    if (steps.Query() != kServiceStateNotInstalled) steps.Remove();
    steps.ClearMachineWide();
    steps.SetKeyAccess(false);
    return first;
  }
  const int state = steps.Query();
  if (Running(state)) step(ServiceStep::Stop, steps.Stop());
  if (state != kServiceStateNotInstalled) step(ServiceStep::Remove, steps.Remove());
  step(ServiceStep::MailValues, steps.ClearMachineWide());
  step(ServiceStep::KeyAccess, steps.SetKeyAccess(false));
  return first;
}

ServiceSwitchPlan PlanServiceSwitch(bool enabling, const ServiceSwitchResult& result, const std::wstring& reason) {
  ServiceSwitchPlan plan;
  if (result.ok()) {
    plan.serviceMode = enabling;
    plan.takeLog = !enabling;
    return plan;
  }
  const std::wstring keepsCounting = L"Zephra counts the traffic and writes the traffic log itself.";
  if (result.declined()) {
    // Nothing changed: the meter stays in the mode it was in.
    plan.serviceMode = !enabling;
    plan.takeLog = enabling;
    plan.message = std::wstring(L"Service mode needs administrator approval. ") +
                   (enabling ? L"The service was not switched on; " + keepsCounting
                             : L"The service was not switched off and keeps counting.");
    return plan;
  }
  std::wstring why = result.error == kErrorAccessDenied ? L"Administrator rights are needed for this step." : reason;
  const std::wstring failed = FillPlaces(L"Zephra Service could not be switched %s: %s failed.",
                                         {enabling ? L"on" : L"off", StepText(result.failed)}) +
                              (why.empty() ? L"" : L"\n\n" + why);
  if (enabling) {
    plan.takeLog = true;
    plan.message = failed + L"\n\n" + keepsCounting;
  } else if (result.failed == ServiceStep::Helper || result.failed == ServiceStep::Approval) {
    // The helper never ran: the service still counts.
    plan.serviceMode = true;
    plan.message = failed + L"\n\nThe service keeps counting.";
  } else if (result.failed == ServiceStep::Stop) {
    // Never write a file the service may still write.
    plan.message = failed + L"\n\nThe traffic log stays read-only while the service may still write it; restart "
                            L"Zephra once the service has stopped to count traffic again.";
  } else {
    plan.takeLog = true;
    plan.message = failed + L"\n\n" + keepsCounting;
  }
  return plan;
}

bool CopyOptionsMachineWide(RegistryStore& registry, const std::wstring& root) {
  const RegRoot to = RegRoot::LocalMachine;
  bool ok = true;
  std::wstring logPath;
  if (registry.ReadString(RegRoot::CurrentUser, OptionsKeyPath(root), kLogPathValue, logPath))
    ok = registry.WriteString(to, OptionsKeyPath(root), kLogPathValue, logPath) && ok;
  ServiceSettings service;
  LoadServiceSettings(registry, RegRoot::CurrentUser, root, service);
  ok = SaveServiceSettings(registry, to, root, service) && ok;
  MeterSettings settings = DefaultSettings(false);
  LoadSettings(registry, root, settings);
  ok = SaveSettings(registry, to, root, settings, kSaveSumLastDays | kSaveGeneral | kSaveNotification) && ok;
  MetricsSettings metrics;
  LoadMetricsSettings(registry, RegRoot::CurrentUser, root, metrics);
  ok = SaveMetricsSettings(registry, to, root, metrics) && ok;

  Catalogue catalogue;
  std::vector<std::wstring> names;
  registry.EnumSubkeys(RegRoot::CurrentUser, root + kAdaptersKeyName, names);
  for (const std::wstring& name : names) {
    auto entry = std::make_unique<AdapterEntry>();
    if (LoadAdapterEntry(registry, RegRoot::CurrentUser, root, name, *entry)) catalogue.entries.push_back(std::move(entry));
  }
  ok = SaveAdapterEntries(catalogue, registry, to, kGroupIdentity | kGroupRecording, root) && ok;

  ok = MoveHandOver(registry, root, RegRoot::CurrentUser, to) && ok;
  if (settings.notificationEnabled && service.sendMail) {
    EmailSettings mail;
    LoadEmailSettings(registry, root, mail);
    ok = SaveEmailSettings(registry, to, root, mail) && ok;
  } else if (registry.KeyExists(to, EmailSettingsKeyPath(root))) {
    ok = registry.DeleteKey(to, EmailSettingsKeyPath(root)) && ok;
  }
  return ok;
}
