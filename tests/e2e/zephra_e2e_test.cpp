// End-to-end runs of the real zephra.exe: single instance, the hand-over to a
// running copy, and shutdown through WM_CLOSE.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const wchar_t kRoot[] = L"Software\\Quarlen\\Zephra";
const wchar_t kOptions[] = L"Software\\Quarlen\\Zephra\\Options";

std::wstring ExePath() {
  wchar_t buf[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  p.resize(p.find_last_of(L'\\') + 1);
  return p + L"..\\zephra.exe";  // tests/ sits beside the program
}

struct Process {
  PROCESS_INFORMATION pi{};
  bool started = false;
  ~Process() {
    if (!started) return;
    if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(pi.hProcess, 99);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  bool Start() {
    STARTUPINFOW si{sizeof si};
    std::wstring cmd = L"\"" + ExePath() + L"\"";
    started = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    return started;
  }
  bool WaitExit(DWORD ms, DWORD& code) {
    if (::WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return false;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return true;
  }
};

std::vector<HWND> MeterWindows() {
  std::vector<HWND> found;
  ::EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        wchar_t cls[64] = {}, title[64] = {};
        ::GetClassNameW(h, cls, 64);
        ::GetWindowTextW(h, title, 64);
        if (std::wstring(cls) == L"#32770" && std::wstring(title) == L"Zephra")
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND WaitForMeter(DWORD pid, DWORD ms) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) {
    for (HWND h : MeterWindows()) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(h, &owner);
      // Shown only once its initialisation has run.
      if (owner == pid && ::IsWindowVisible(h)) return h;
    }
    ::Sleep(50);
  }
  return nullptr;
}

bool ReadDword(const wchar_t* key, const wchar_t* name, DWORD& out) {
  DWORD size = sizeof out;
  return ::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &out, &size) == ERROR_SUCCESS;
}

std::wstring LogPath() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE);
  return std::wstring(appData) + L"\\ZephraData\\sum_v2.log";
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::set<std::wstring> Names(const wchar_t* key, bool subkeys) {
  std::set<std::wstring> names;
  HKEY k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD len = 512;
    LONG rc = subkeys ? ::RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr)
                      : ::RegEnumValueW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    names.insert(name);
  }
  ::RegCloseKey(k);
  return names;
}

// The adapters the system lists now (the loopback is not among them).
size_t LiveAdapterCount() {
  ULONG size = 0;
  if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return 0;
  std::vector<unsigned char> buffer(size);
  if (::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size) != NO_ERROR) return 0;
  size_t n = 0;
  for (auto* a = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()); a; a = a->Next) ++n;
  return n;
}

class ZephraExe : public ::testing::Test {
protected:
  void SetUp() override {
    // A fresh user: no settings; keep the help viewer from opening on first start.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    ::DeleteFileW(LogPath().c_str());
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kOptions, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD zero = 0;
    ::RegSetValueExW(key, L"FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    ::RegCloseKey(key);
  }
};

TEST_F(ZephraExe, SingleInstanceHandOverAndClose) {
  Process first;
  ASSERT_TRUE(first.Start());
  HWND meter = WaitForMeter(first.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr) << "the meter window titled Zephra did not appear";

  DWORD stored = 0;
  ASSERT_TRUE(ReadDword(kOptions, L"HWND", stored));
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(stored)), meter);

  // Hide it; a second start must show it again and end without a window.
  ::SendMessageW(meter, WM_COMMAND, MAKEWPARAM(32772, 0), 0);
  EXPECT_FALSE(::IsWindowVisible(meter));
  Process second;
  ASSERT_TRUE(second.Start());
  DWORD code = 1234;
  ASSERT_TRUE(second.WaitExit(15000, code)) << "the second start did not end";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(::IsWindowVisible(meter));
  EXPECT_EQ(MeterWindows().size(), 1u);

  // Closing the window ends the program with the cancel result.
  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.WaitExit(15000, code)) << "WM_CLOSE did not end the program";
  EXPECT_EQ(code, 2u);
  EXPECT_TRUE(MeterWindows().empty());
}

TEST_F(ZephraExe, ExitCommandEndsTheProgram) {
  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);
  ::PostMessageW(meter, WM_COMMAND, MAKEWPARAM(32795, 0), 0);
  DWORD code = 0;
  ASSERT_TRUE(p.WaitExit(15000, code));
  EXPECT_EQ(code, 2u);
}

}  // namespace

namespace {

TEST_F(ZephraExe, ARunLeavesItsLogAndSettings) {
  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);

  // While the meter runs it holds the log: nobody else may write it.
  const std::wstring log = LogPath();
  HANDLE other = ::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
  // Readers are welcome.
  HANDLE reader = ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);

  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(p.WaitExit(15000, code));

  // One record per connection for today: both aggregates and every adapter.
  const size_t adapters = LiveAdapterCount();
  EXPECT_EQ(FileSize(log), static_cast<int64_t>(24 + 296 * (2 + adapters)));

  const std::set<std::wstring> keys = Names(L"Software\\Quarlen\\Zephra\\AdaptersEx", true);
  EXPECT_TRUE(keys.count(L"100-"));
  EXPECT_TRUE(keys.count(L"200-"));
  size_t adapterKeys = 0;
  for (const auto& k : keys) adapterKeys += k.rfind(L"300-", 0) == 0 ? 1 : 0;
  EXPECT_EQ(adapterKeys, adapters);
  DWORD monitored = 0;
  ASSERT_TRUE(ReadDword(L"Software\\Quarlen\\Zephra\\AdaptersEx\\100-", L"Monitored", monitored));
  EXPECT_EQ(monitored, 1u);
  // Every subkey holds the identity values with their types; "Size" only for
  // a displayed connection (All Connections, on a first run).
  for (const auto& k : keys) {
    const std::wstring path = std::wstring(L"Software\\Quarlen\\Zephra\\AdaptersEx\\") + k;
    auto type = [&](const wchar_t* name, DWORD& size) {
      DWORD t = 0;
      size = 0;
      if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &t, nullptr, &size) !=
          ERROR_SUCCESS)
        return static_cast<DWORD>(REG_NONE);
      return t;
    };
    DWORD size = 0;
    EXPECT_EQ(type(L"AdapterID", size), static_cast<DWORD>(REG_SZ)) << std::string(k.begin(), k.end());
    EXPECT_EQ(type(L"AdapterName", size), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(type(L"ConnRatebps", size), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(type(L"Monitored", size), static_cast<DWORD>(REG_DWORD));
    if (k == L"100-") {
      EXPECT_EQ(type(L"Size", size), static_cast<DWORD>(REG_BINARY));
      EXPECT_EQ(size, 4u);
    } else {
      EXPECT_EQ(type(L"Size", size), static_cast<DWORD>(REG_NONE));
    }
  }

  // Exactly what the saving moments of a run without changes write: the handle
  // at start-up, the log path, and the window group at shutdown.
  const std::set<std::wstring> expected = {L"FirstRun", L"HWND", L"TrafficLogFile", L"WndPosition",
                                           L"StopwatchResetAdapterGraph", L"StopwatchAlwaysOnTop"};
  EXPECT_EQ(Names(kOptions, false), expected);
}

}  // namespace

namespace {

HWND WaitForWindow(const wchar_t* title, DWORD pid, DWORD ms) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) {
    HWND h = ::FindWindowW(nullptr, title);
    DWORD owner = 0;
    if (h) ::GetWindowThreadProcessId(h, &owner);
    if (h && owner == pid && ::IsWindowVisible(h)) return h;
    ::Sleep(50);
  }
  return nullptr;
}

TEST_F(ZephraExe, OptionsSheetChangesTheWeekStartDay) {
  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);
  ::PostMessageW(meter, WM_COMMAND, MAKEWPARAM(32773, 0), 0);  // F2
  HWND sheet = WaitForWindow(L"Zephra Options", p.pi.dwProcessId, 15000);
  ASSERT_NE(sheet, nullptr) << "the options sheet did not open";
  HWND general = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_NE(general, nullptr);
  HWND week = ::GetDlgItem(general, 1128);
  ASSERT_NE(week, nullptr);
  ::SendMessageW(week, CB_SETCURSEL, 4, 0);  // Thursday
  ::SendMessageW(general, WM_COMMAND, MAKEWPARAM(1128, CBN_SELCHANGE), reinterpret_cast<LPARAM>(week));
  ::SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  const DWORD start = ::GetTickCount();
  while (::IsWindow(sheet) && ::GetTickCount() - start < 10000) ::Sleep(50);
  EXPECT_FALSE(::IsWindow(sheet));
  DWORD day = 0;
  ASSERT_TRUE(ReadDword(kOptions, L"WeekStartDay", day));
  EXPECT_EQ(day, 4u);
  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  DWORD code = 0;
  EXPECT_TRUE(p.WaitExit(15000, code));
}

}  // namespace
