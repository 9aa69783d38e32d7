#include "service_control/service_control_win.h"

#include "ui/handle_win.h"

namespace {

inline void CloseScHandle(SC_HANDLE h) { ::CloseServiceHandle(h); }
using ScHandle = Handle<SC_HANDLE, CloseScHandle>;

ScHandle OpenManager(DWORD access) { return ScHandle(::OpenSCManagerW(nullptr, nullptr, access)); }

ScHandle OpenNamed(const ScHandle& manager, const std::wstring& name, DWORD access) {
  if (!manager) return ScHandle();
  return ScHandle(::OpenServiceW(manager.get(), name.c_str(), access));
}

// Polls while the state is the pending one; returns the state it left for, or
// the pending state itself when the time ran out (or -1 when a query failed).
int WaitWhile(SC_HANDLE service, DWORD pending, DWORD timeoutMs) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service, &status)) return -1;
    if (status.dwCurrentState != pending) return static_cast<int>(status.dwCurrentState);
    if (::GetTickCount64() - start >= timeoutMs) return static_cast<int>(pending);
    ::Sleep(kServicePollMs);
  }
}

bool StopAndWait(SC_HANDLE service, DWORD timeoutMs) {
  SERVICE_STATUS status{};
  if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    // Not running is as good as stopped.
    if (!::QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (status.dwCurrentState != SERVICE_STOP_PENDING) return false;
  }
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  ::Sleep(kServicePollMs);
  return WaitWhile(service, SERVICE_STOP_PENDING, timeoutMs) == SERVICE_STOPPED;
}

}  // namespace

std::wstring DefaultServiceCommandLine() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring dir(path, n);
  const size_t slash = dir.find_last_of(L'\\');
  dir.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return L"\"" + dir + kServiceExeName + L"\"";
}

int QueryServiceState(const std::wstring& name) {
  ScHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
  ScHandle service = OpenNamed(manager, name, SERVICE_QUERY_STATUS);
  if (!service) return -1;
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) return -1;
  return static_cast<int>(status.dwCurrentState);
}

bool InstallService(const std::wstring& name, const std::wstring& displayName, const std::wstring& commandLine) {
  const std::wstring binary = commandLine.empty() ? DefaultServiceCommandLine() : commandLine;
  if (binary.empty()) return false;
  ScHandle manager = OpenManager(SC_MANAGER_CREATE_SERVICE);
  if (!manager) return false;
  ScHandle service(::CreateServiceW(manager.get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                    binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service) return false;
  // Without it the event viewer shows the events without their text; the
  // service runs all the same.
  RegisterServiceEventSource(name, binary);
  return true;
}

std::wstring EventSourceKeyPath(const std::wstring& name) {
  return L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name;
}

bool RegisterServiceEventSource(const std::wstring& name, const std::wstring& commandLine) {
  std::wstring exe = commandLine;
  if (!exe.empty() && exe[0] == L'"') {
    const size_t end = exe.find(L'"', 1);
    exe = exe.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
  } else {
    exe = exe.substr(0, exe.find(L' '));
  }
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(name).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  const bool ok =
      ::RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                       static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
      ::RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types) ==
          ERROR_SUCCESS;
  ::RegCloseKey(key);
  return ok;
}

bool StartServiceAndWait(const std::wstring& name, DWORD timeoutMs) {
  ScHandle manager = OpenManager(SC_MANAGER_CONNECT);
  ScHandle service = OpenNamed(manager, name, SERVICE_ALL_ACCESS);
  if (!service) return false;
  if (!::StartServiceW(service.get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) return false;
  return WaitWhile(service.get(), SERVICE_START_PENDING, timeoutMs) == SERVICE_RUNNING;
}

bool StopServiceAndWait(const std::wstring& name, DWORD timeoutMs) {
  ScHandle manager = OpenManager(SC_MANAGER_CONNECT);
  ScHandle service = OpenNamed(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return false;
  return StopAndWait(service.get(), timeoutMs);
}

bool RemoveService(const std::wstring& name, DWORD timeoutMs) {
  ScHandle manager = OpenManager(SC_MANAGER_CONNECT);
  ScHandle service = OpenNamed(manager, name, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return false;
  SERVICE_STATUS status{};
  if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) && status.dwCurrentState != SERVICE_STOPPED) {
    ::Sleep(kServicePollMs);
    WaitWhile(service.get(), SERVICE_STOP_PENDING, timeoutMs);
  }
  if (!::DeleteService(service.get())) return false;
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(name).c_str());
  return true;
}
