// Control of the companion service through the service control manager:
// query, install, start, stop, remove. Every operation opens what it needs,
// closes every handle it opened and fails silently; every wait is bounded.
#pragma once
#include <windows.h>
#include <string>

#include "service_control/service_control.h"

inline constexpr wchar_t kServiceName[] = L"ZephraService";
inline constexpr wchar_t kServiceDisplayName[] = L"Zephra Service";
inline constexpr wchar_t kServiceExeName[] = L"ZephraService.exe";

// The state is polled this often while start or stop is pending...
constexpr DWORD kServicePollMs = 300;
// ...for at most this long; a service still pending then counts as failed.
// Start-up may wait twice for a stop (see kMaxServiceStopsOnOpen).
constexpr DWORD kServiceWaitMs = 20000;

// 2 start pending, 4 running, 1 stopped, other SCM states as they are; -1 when
// the manager, the service or the query fails (read as not installed).
int QueryServiceState(const std::wstring& name = kServiceName);
// Own process, automatic start, normal error control, the local system account.
// commandLine is the executable (quoted when it holds blanks) with any arguments;
// empty means "ZephraService.exe" in the program's own folder.
bool InstallService(const std::wstring& name = kServiceName, const std::wstring& displayName = kServiceDisplayName,
                    const std::wstring& commandLine = {});
// The event source of the service's name under the Application log, its
// messages in the service's executable (commandLine as for InstallService; the
// executable is its first, perhaps quoted, part). InstallService registers it,
// RemoveService removes it. True when written.
bool RegisterServiceEventSource(const std::wstring& name, const std::wstring& commandLine);
std::wstring EventSourceKeyPath(const std::wstring& name);
// True when the service reaches running (also when it already ran).
bool StartServiceAndWait(const std::wstring& name = kServiceName, DWORD timeoutMs = kServiceWaitMs);
// True when the service reaches stopped (also when it was not running).
bool StopServiceAndWait(const std::wstring& name = kServiceName, DWORD timeoutMs = kServiceWaitMs);
// Stops the service if it runs, then deletes it; true when deleted.
bool RemoveService(const std::wstring& name = kServiceName, DWORD timeoutMs = kServiceWaitMs);

// "<program folder>\ZephraService.exe", quoted.
std::wstring DefaultServiceCommandLine();

// The seam over the functions above, for the companion service by its usual names.
class WinServiceControl : public ServiceControl {
public:
  int Query() override { return QueryServiceState(); }
  bool Install() override { return InstallService(); }
  bool StartAndWait() override { return StartServiceAndWait(); }
  bool StopAndWait() override { return StopServiceAndWait(); }
  bool Remove() override { return RemoveService(); }
};
