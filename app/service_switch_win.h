// The privileged steps of switching service mode on Windows: run in the meter
// when it is elevated already, otherwise by the meter's own program started
// elevated ("runas", one UAC prompt) with an action switch, whose exit code
// carries the outcome.
#pragma once
#include <windows.h>

#include <string>

#include "app/service_switch.h"
#include "service_control/service_control.h"
#include "settings/registry_store.h"

// The steps over the registry, the machine-wide key's DACL and a service control.
class WinServiceSwitchSteps : public ServiceSwitchSteps {
public:
  // `userSid`: the user who switches service mode on (gets write access).
  WinServiceSwitchSteps(RegistryStore& registry, std::wstring root, ServiceControl& control, std::wstring userSid)
      : registry_(registry), root_(std::move(root)), control_(control), userSid_(std::move(userSid)) {}
  uint32_t SetKeyAccess(bool grant) override;
  uint32_t CopyOptions() override;
  int Query() override { return control_.Query(); }
  uint32_t Install() override { return Outcome(control_.Install()); }
  uint32_t Start() override { return Outcome(control_.StartAndWait()); }
  uint32_t Stop() override { return Outcome(control_.StopAndWait()); }
  uint32_t Remove() override { return Outcome(control_.Remove()); }
  uint32_t ClearMachineWide() override;

private:
  static uint32_t Outcome(bool ok);
  RegistryStore& registry_;
  std::wstring root_;
  ServiceControl& control_;
  std::wstring userSid_;
};

class WinServiceSwitcher : public ServiceSwitcher {
public:
  enum class Mode { Auto, InProcess, Helper };  // Auto: in process when elevated
  WinServiceSwitcher(RegistryStore& registry, std::wstring root, ServiceControl& control, Mode mode = Mode::Auto)
      : registry_(registry), root_(std::move(root)), control_(control), mode_(mode) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  ServiceSwitchResult Switch(bool enable) override;

private:
  RegistryStore& registry_;
  std::wstring root_;
  ServiceControl& control_;
  Mode mode_;
  HWND owner_ = nullptr;
};

// True when the process runs with an elevated (full administrator) token.
bool ProcessIsElevated();

// Starts `exe` elevated with the action switch and waits for it. A declined
// prompt is {Approval, ERROR_CANCELLED}; a helper that cannot start or does not
// end in time is {Helper, error}.
ServiceSwitchResult LaunchServiceHelper(HWND owner, const std::wstring& exe, bool enable, const std::wstring& root,
                                        const std::wstring& userSid);

// The helper's side: when the command line is the action switch
// ("--service-mode on|off <user SID> <registry root>"), runs the steps and sets
// `exitCode`; false for any other command line.
bool RunServiceHelper(const wchar_t* commandLine, int& exitCode);

// The system's text for an error code (one line), empty when it has none.
std::wstring SystemErrorText(uint32_t error);
