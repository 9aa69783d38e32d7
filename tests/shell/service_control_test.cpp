// The service-control operations against a small service built for the tests,
// installed under a name of its own for each run.
#include <gtest/gtest.h>

#include <filesystem>

#include "service_control/service_control_win.h"
#include "shell_support.h"
#include "trafficlog/log_file_win.h"

namespace {

std::wstring FixtureExe() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  dir.resize(dir.find_last_of(L'\\') + 1);
  return dir + L"fixtures\\zephra_test_service.exe";
}

std::wstring UniqueName() {
  static int counter = 0;
  return L"ZephraTestSvc-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) +
         L"-" + std::to_wstring(++counter);
}

// Installs the fixture under a unique name and removes it at the end.
class TestService {
public:
  explicit TestService(const std::wstring& args = {}) : name_(UniqueName()) {
    installed_ = InstallService(name_, L"Zephra Test Service", L"\"" + FixtureExe() + L"\" " + name_ + L" " + args);
  }
  ~TestService() {
    if (installed_) RemoveService(name_, 10000);
  }
  const std::wstring& name() const { return name_; }
  bool installed() const { return installed_; }

private:
  std::wstring name_;
  bool installed_ = false;
};

bool WaitForState(const std::wstring& name, int state, DWORD timeoutMs) {
  const ULONGLONG start = ::GetTickCount64();
  while (::GetTickCount64() - start < timeoutMs) {
    if (QueryServiceState(name) == state) return true;
    ::Sleep(50);
  }
  return QueryServiceState(name) == state;
}

}  // namespace

TEST(ServiceControl, InstallStartStopRemove) {
  ASSERT_TRUE(std::filesystem::exists(FixtureExe()));
  TestService service;
  ASSERT_TRUE(service.installed());
  EXPECT_FALSE(InstallService(service.name(), L"Again", L"\"" + FixtureExe() + L"\""));
  EXPECT_EQ(QueryServiceState(service.name()), SERVICE_STOPPED);
  EXPECT_TRUE(StopServiceAndWait(service.name(), 5000));  // not running counts as stopped

  ASSERT_TRUE(StartServiceAndWait(service.name(), 10000));
  EXPECT_EQ(QueryServiceState(service.name()), SERVICE_RUNNING);
  EXPECT_TRUE(StartServiceAndWait(service.name(), 10000));  // already running
  EXPECT_TRUE(StopServiceAndWait(service.name(), 10000));
  EXPECT_EQ(QueryServiceState(service.name()), SERVICE_STOPPED);

  ASSERT_TRUE(StartServiceAndWait(service.name(), 10000));
  EXPECT_TRUE(RemoveService(service.name(), 10000));  // stops it first
  EXPECT_TRUE(WaitForState(service.name(), -1, 10000));
  EXPECT_FALSE(RemoveService(service.name(), 1000));
}

TEST(ServiceControl, MissingServicesFailQuietly) {
  const std::wstring name = UniqueName();
  EXPECT_EQ(QueryServiceState(name), -1);
  EXPECT_FALSE(StartServiceAndWait(name, 1000));
  EXPECT_FALSE(StopServiceAndWait(name, 1000));
  EXPECT_FALSE(RemoveService(name, 1000));
}

TEST(ServiceControl, AStopThatTakesTooLongEndsTheWait) {
  TestService service(L"--stop-delay 4000");
  ASSERT_TRUE(service.installed());
  ASSERT_TRUE(StartServiceAndWait(service.name(), 10000));
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(StopServiceAndWait(service.name(), 900));
  EXPECT_LT(::GetTickCount64() - start, 3500u);
  EXPECT_TRUE(WaitForState(service.name(), SERVICE_STOPPED, 15000));
}

TEST(ServiceControl, OpeningALogTheRunningServiceHoldsStopsTheService) {
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  const std::wstring dir = std::wstring(base) + L"zephra-svc-" + std::to_wstring(::GetCurrentProcessId());
  std::filesystem::create_directories(dir);
  const std::wstring path = dir + L"\\sum_v2.log";
  std::filesystem::remove(path);

  TestService service(L"--lock \"" + path + L"\"");
  ASSERT_TRUE(service.installed());
  ASSERT_TRUE(StartServiceAndWait(service.name(), 10000));
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(OpenLogFileHandle(path, LogOpenMode::NormalReadWrite), nullptr);

  WinLogPlatform platform(nullptr, service.name());
  TrafficLog log(platform);
  log.SetPath(path, true);
  ASSERT_TRUE(log.OpenLogFile(false));
  EXPECT_EQ(log.serviceStopRequests(), 1);
  EXPECT_EQ(QueryServiceState(service.name()), SERVICE_STOPPED);
  EXPECT_EQ(std::filesystem::file_size(path), 24u);
  log.CloseLogFile();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
