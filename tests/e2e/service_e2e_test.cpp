// The real ZephraService.exe under the service control manager, set up as the
// Service page sets it up: the machine-wide copies, then install and start. It
// counts with the meter closed, replaces a scheduled CSV report every interval,
// refuses a report path that is no report file, and writes the log at stop.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <map>
#include <string>

#include "alerts/email_settings.h"
#include "app/service_switch_win.h"
#include "e2e/e2e_support.h"
#include "service_control/service_control_win.h"
#include "settings/meter_settings.h"
#include "settings/registry_security_win.h"
#include "settings/registry_win.h"
#include "settings/service_settings.h"

namespace {

const wchar_t kRoot[] = L"Software\\Quarlen\\Zephra";


bool Attributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

uint64_t WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!Attributes(path, d)) return 0;
  return (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
}


DWORD RunCli(const std::wstring& args) {
  std::wstring cmd = L"\"" + BuildDir() + L"zephra-cli.exe\" " + args;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 99;
  DWORD code = 98;
  if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code;
}

// The allowing entries of a machine-wide key's DACL: SID string -> access mask.
std::map<std::wstring, DWORD> AllowedAccess(const std::wstring& key) {
  std::map<std::wstring, DWORD> out;
  HKEY k = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, READ_CONTROL, &k) != ERROR_SUCCESS) return out;
  DWORD size = 0;
  ::RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> sd(size);
  const LONG rc = ::RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, sd.data(), &size);
  ::RegCloseKey(k);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (rc != ERROR_SUCCESS || !::GetSecurityDescriptorDacl(sd.data(), &present, &dacl, &defaulted)) return out;
  if (!present || !dacl) return {{L"everyone (no DACL)", ~0u}};
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    wchar_t* sid = nullptr;
    if (!::ConvertSidToStringSidW(&ace->SidStart, &sid)) continue;
    out[sid] |= ace->Mask;
    ::LocalFree(sid);
  }
  return out;
}

TEST(ServiceHelper, SwitchesServiceModeElevatedAndKeepsTheKeyFromOtherUsers) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"zephra-helper-e2e.log";
  ::DeleteFileW(log.c_str());
  RemoveService();
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  // The per-user options as the meter leaves them before it starts the helper.
  Win32Registry registry;
  const std::wstring root = std::wstring(kRoot) + L"\\", mailKey = EmailSettingsKeyPath(root);
  ASSERT_TRUE(registry.WriteString(RegRoot::CurrentUser, OptionsKeyPath(root), L"TrafficLogFile", log));
  ServiceSettings service;
  service.enabled = service.sendMail = true;
  ASSERT_TRUE(SaveServiceSettings(registry, RegRoot::CurrentUser, root, service));
  MeterSettings settings = DefaultSettings(false);
  settings.notificationEnabled = 1;
  ASSERT_TRUE(SaveSettings(registry, RegRoot::CurrentUser, root, settings, kSaveNotification));
  EmailSettings mail;
  mail.password = L"secret";
  ASSERT_TRUE(SaveEmailSettings(registry, RegRoot::CurrentUser, root, mail));

  const std::wstring helper = BuildDir() + L"zephra.exe", user = CurrentUserSid();
  ASSERT_FALSE(user.empty());
  ASSERT_EQ(LaunchServiceHelper(nullptr, helper, true, root, user), ServiceSwitchResult{});
  EXPECT_EQ(QueryServiceState(), SERVICE_RUNNING);
  std::wstring password;
  EXPECT_TRUE(registry.ReadString(RegRoot::LocalMachine, mailKey, L"AuthPass", password));
  EXPECT_EQ(password, L"secret");
  for (const std::wstring& key : {std::wstring(kRoot), mailKey}) {
    SCOPED_TRACE(key);
    std::map<std::wstring, DWORD> access = AllowedAccess(key);
    EXPECT_EQ(access.size(), 3u);  // SYSTEM, Administrators and the enabling user; no Users, no Everyone
    EXPECT_EQ(access.count(L"S-1-5-18"), 1u);
    EXPECT_EQ(access.count(L"S-1-5-32-544"), 1u);
    EXPECT_EQ(access[user] & KEY_SET_VALUE, static_cast<DWORD>(KEY_SET_VALUE));
  }

  ASSERT_EQ(LaunchServiceHelper(nullptr, helper, false, root, user), ServiceSwitchResult{});
  EXPECT_EQ(QueryServiceState(), -1);
  EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, mailKey));
  const std::map<std::wstring, DWORD> after = AllowedAccess(kRoot);
  EXPECT_EQ(after.count(user), 0u);
  EXPECT_EQ(after.size(), 2u);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  ::DeleteFileW(log.c_str());
}

TEST(ZephraManifest, RunsAsInvoker) {
  HMODULE exe = ::LoadLibraryExW((BuildDir() + L"zephra.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(exe, found))),
                             ::SizeofResource(exe, found));
  EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
  ::FreeLibrary(exe);
}

TEST(ZephraServiceExe, CountsReportsAndWritesTheLogUntilStopped) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"zephra-service-e2e\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring log = dir + L"sum_v2.log", report = dir + L"summary.csv", refused = dir + L"report.exe";
  for (const std::wstring& f : {log, report, refused}) ::DeleteFileW(f.c_str());
  RemoveService();
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);

  // The machine-wide copies the page writes when the service is switched on.
  Win32Registry registry;
  const std::wstring root = std::wstring(kRoot) + L"\\";
  ASSERT_TRUE(registry.WriteString(RegRoot::LocalMachine, root + L"Options", L"TrafficLogFile", log));
  ServiceSettings settings;
  settings.enabled = true;
  settings.reports = {ReportJob{0, 100, "", 2, 0, report}, ReportJob{0, 100, "", 2, 0, refused}};
  ASSERT_TRUE(SaveServiceSettings(registry, RegRoot::LocalMachine, root, settings));

  ASSERT_TRUE(InstallService(kServiceName, kServiceDisplayName, L"\"" + BuildDir() + L"ZephraService.exe\""));
  // Installing registered the event source: the viewer finds each event's text
  // in the message table of ZephraService.exe.
  wchar_t messages[MAX_PATH] = {};
  DWORD size = sizeof messages;
  ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(kServiceName).c_str(), L"EventMessageFile",
                           RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, messages, &size),
            ERROR_SUCCESS);
  HMODULE table = ::LoadLibraryExW(messages, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(table, nullptr) << "no executable at the event source's message file";
  for (DWORD id : {1, 2}) {
    wchar_t text[64] = {};
    const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(L"The report cannot be written.")};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, table, id, 0, text, 64,
                     reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    EXPECT_STREQ(text, L"The report cannot be written.\r\n") << id;
  }
  ::FreeLibrary(table);

  ASSERT_TRUE(StartServiceAndWait());
  EXPECT_EQ(QueryServiceState(), SERVICE_RUNNING);

  // The first report at once, then a new file every two seconds.
  ASSERT_TRUE(WaitFor([&] { return WriteTime(report) != 0; }, 10000)) << "no report";
  const uint64_t first = WriteTime(report);
  EXPECT_TRUE(WaitFor([&] { return WriteTime(report) > first; }, 10000)) << "the report was not replaced";
  const std::string csv = ReadWholeFile(report);
  EXPECT_EQ(csv.rfind("General Traffic Summary", 0), 0u) << csv;
  EXPECT_NE(csv.find("All Connections"), std::string::npos);
  EXPECT_EQ(WriteTime(refused), 0u);
  EXPECT_EQ(WriteTime(report + L".part"), 0u);

  // While the service writes the log, the meter may read it but nobody else may write it.
  HANDLE writer = ::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  HANDLE reader = ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);

  const ULONGLONG stopAt = ::GetTickCount64();
  EXPECT_TRUE(StopServiceAndWait());
  EXPECT_LT(::GetTickCount64() - stopAt, 5000u);
  EXPECT_EQ(QueryServiceState(), SERVICE_STOPPED);

  // Stopping wrote today's records: both aggregates and every adapter, a sound log.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(Attributes(log, data));
  EXPECT_EQ(data.nFileSizeLow, 24 + 296 * (2 + LiveAdapterCount()));
  EXPECT_EQ(RunCli(L"log check \"" + log + L"\""), 0u);

  EXPECT_TRUE(RemoveService());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
}

}  // namespace
