// The companion service as the options see it: query, install, start, stop and
// remove, each bounded and silent on failure. The meter window goes through
// this seam so that tests can stand in for the service control manager.
#pragma once

// States as the service control manager numbers them; -1 not installed (or unknown).
constexpr int kServiceStateNotInstalled = -1;
constexpr int kServiceStateStopped = 1;
constexpr int kServiceStateStartPending = 2;
constexpr int kServiceStateRunning = 4;

class ServiceControl {
public:
  virtual ~ServiceControl() = default;
  virtual int Query() = 0;
  // "ZephraService.exe" from the program's folder, own process, automatic start, local system.
  virtual bool Install() = 0;
  virtual bool StartAndWait() = 0;  // true when running
  virtual bool StopAndWait() = 0;   // true when stopped
  virtual bool Remove() = 0;        // stops it first; true when deleted
};
