// Switching service mode on and off, free of windows: the privileged steps in
// their order (run by the elevated helper or, when the meter is elevated
// already, in the meter itself), the helper's exit code, and what the meter
// does and says for every outcome.
#pragma once
#include <cstdint>
#include <string>

#include "settings/registry_store.h"

// The privileged steps, numbered as the helper's exit code carries them.
enum class ServiceStep : uint32_t {
  None = 0,
  Approval = 1,   // the elevation prompt (declined: error 1223)
  Helper = 2,     // starting the helper or waiting for it
  KeyAccess = 3,  // the machine-wide key's access for the enabling user
  Copies = 4,     // the machine-wide copies of the options
  Install = 5,
  Start = 6,
  Stop = 7,
  Remove = 8,
  MailValues = 9,  // deleting the machine-wide e-mail values
};

constexpr uint32_t kErrorCancelled = 1223;     // ERROR_CANCELLED
constexpr uint32_t kErrorAccessDenied = 5;     // ERROR_ACCESS_DENIED

struct ServiceSwitchResult {
  ServiceStep failed = ServiceStep::None;  // the first step that failed
  uint32_t error = 0;                      // the system's error code, 0 when unknown
  bool ok() const { return failed == ServiceStep::None; }
  bool declined() const { return failed == ServiceStep::Approval && error == kErrorCancelled; }
  bool operator==(const ServiceSwitchResult&) const = default;
};

// The helper's exit code: 0 for success, else the step in the top byte and the
// low 24 bits of the error. A code that names no step (a crash) is the helper's failure.
uint32_t ServiceHelperExitCode(const ServiceSwitchResult& result);
ServiceSwitchResult FromServiceHelperExitCode(uint32_t code);

// The privileged steps themselves; each returns 0 or the system's error code.
class ServiceSwitchSteps {
public:
  virtual ~ServiceSwitchSteps() = default;
  // grant: the machine-wide key for SYSTEM, Administrators and the enabling
  // user (the e-mail subkey likewise); otherwise SYSTEM and Administrators only.
  virtual uint32_t SetKeyAccess(bool grant) = 0;
  virtual uint32_t CopyOptions() = 0;
  virtual int Query() = 0;  // kServiceState... of service_control.h
  virtual uint32_t Install() = 0;
  virtual uint32_t Start() = 0;
  virtual uint32_t Stop() = 0;
  virtual uint32_t Remove() = 0;
  // Deletes the machine-wide e-mail values and writes "ServiceEnabled" off machine-wide.
  virtual uint32_t ClearMachineWide() = 0;
};

// On: key access, copies, then install (when missing) and start unless the
// service runs already; a failure undoes what was done (service removed,
// machine-wide copies switched off, access taken away). Off: stop, remove,
// clear the machine-wide values, take the access away; every step is tried.
// Returns the first step that failed.
ServiceSwitchResult RunServiceSwitch(bool enable, ServiceSwitchSteps& steps);

// Runs the privileged steps: in the meter when it is elevated, else through
// the elevated helper. Tests stand in for it.
class ServiceSwitcher {
public:
  virtual ~ServiceSwitcher() = default;
  virtual ServiceSwitchResult Switch(bool enable) = 0;
};

// What the meter does after the switch.
struct ServiceSwitchPlan {
  bool serviceMode = false;  // the meter is in service mode afterwards
  // The meter writes the log again: reopened read-write, today's counters
  // reloaded with fresh baselines, the alert armed, the recorders restarted.
  bool takeLog = false;
  std::wstring message;  // shown once; empty for none
};

// `reason` is the system's text for result.error (may be empty).
ServiceSwitchPlan PlanServiceSwitch(bool enabling, const ServiceSwitchResult& result, const std::wstring& reason);

// Said once at start-up when "ServiceEnabled" is on but the service does not run.
extern const wchar_t kServiceNotRunningText[];

// The per-user options the service reads, copied under the machine-wide root:
// the log path, the service settings, the SumLastDays, General and Notification
// groups, every connection's identity and recording values, and the e-mail
// settings while notifications and the service's e-mail option are both on
// (otherwise the machine-wide e-mail values are deleted). False when a write failed.
bool CopyOptionsMachineWide(RegistryStore& registry, const std::wstring& root);
