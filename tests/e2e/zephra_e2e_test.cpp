// End-to-end runs of the real zephra.exe: single instance, the hand-over to a
// running copy, and shutdown through WM_CLOSE.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <iphlpapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include "settings/alert_rule.h"
#include "shell/smtp_test_support.h"

#include <set>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "settings/registry_win.h"

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

// The backups folder beside the log, and one copy's path in it.
std::wstring BackupPath(const std::wstring& suffix) {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  wchar_t date[16];
  ::swprintf(date, 16, L"%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
  const std::wstring log = LogPath();
  return log.substr(0, log.find_last_of(L'\\')) + L"\\Backups\\sum_v2-" + date + suffix + L".log";
}

void RemoveBackups() {
  for (const wchar_t* suffix : {L"", L"-before-clear"}) ::DeleteFileW(BackupPath(suffix).c_str());
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

class ZephraExe : public ::testing::Test {
protected:
  void SetUp() override {
    // A fresh user: no settings; keep the help viewer from opening on first start.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    ::DeleteFileW(LogPath().c_str());
    RemoveBackups();
    ASSERT_TRUE(registry.WriteDword(RegRoot::CurrentUser, kOptions, L"FirstRun", 0));
  }
  Win32Registry registry;
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
  // Today's copy beside the log, made by the run and completed as it ended.
  EXPECT_EQ(ReadWholeFile(BackupPath(L"")), ReadWholeFile(log));

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

// ---- The reports window (F3) over a log prepared by the test -------------------

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// A day record of All Connections: date, weekday, kind 100, no ID, the counts.
void AppendAllConnectionsRecord(std::string& log, const SYSTEMTIME& day, uint64_t down, uint64_t up) {
  std::string r(296, '\0');
  auto put = [&](size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) r[at + i] = static_cast<char>(v >> (8 * i));
  };
  put(0, day.wYear, 2);
  put(2, day.wMonth, 2);
  put(4, day.wDay, 2);
  put(8, day.wDayOfWeek, 2);
  put(12, 100, 4);
  put(280, down, 8);
  put(288, up, 8);
  log += r;
}

// The log at its usual place, written afresh.
bool WriteLogFile(const std::string& log) {
  ::CreateDirectoryW(LogPath().substr(0, LogPath().find_last_of(L'\\')).c_str(), nullptr);
  HANDLE f = ::CreateFileW(LogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok = ::WriteFile(f, log.data(), static_cast<DWORD>(log.size()), &put, nullptr) && put == log.size();
  ::CloseHandle(f);
  return ok;
}

SYSTEMTIME DaysBefore(const SYSTEMTIME& today, int days) {
  FILETIME ft;
  ::SystemTimeToFileTime(&today, &ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ULL;
  ft = FILETIME{t.LowPart, t.HighPart};
  SYSTEMTIME out;
  ::FileTimeToSystemTime(&ft, &out);
  return out;
}

std::wstring UsDate(const SYSTEMTIME& d) {
  wchar_t buf[16];
  swprintf(buf, 16, L"%02u/%02u/%04u", d.wMonth, d.wDay, d.wYear);
  return buf;
}

const wchar_t* const kDays[] = {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"};

HWND WaitForTopLevel(DWORD pid, const std::wstring& title, DWORD ms, HWND except = nullptr) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) {
    struct Find {
      DWORD pid;
      const std::wstring* title;
      HWND except;
      HWND found;
    } find{pid, &title, except, nullptr};
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
          auto* f = reinterpret_cast<Find*>(lp);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(h, &owner);
          wchar_t text[256] = {};
          ::GetWindowTextW(h, text, 256);
          if (owner == f->pid && h != f->except && ::IsWindowVisible(h) && *f->title == text) f->found = h;
          return f->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&find));
    if (find.found) return find.found;
    ::Sleep(50);
  }
  return nullptr;
}

HWND FindChildByClass(HWND parent, const wchar_t* cls) {
  struct Find {
    const wchar_t* cls;
    HWND found;
  } find{cls, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND h, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        wchar_t name[64] = {};
        ::GetClassNameW(h, name, 64);
        if (std::wstring(name) == f->cls && ::IsWindowVisible(h)) f->found = h;
        return f->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// The texts of a list control of another process, row by row.
std::vector<std::vector<std::wstring>> ListTexts(HWND list, DWORD pid, int columns) {
  std::vector<std::vector<std::wstring>> rows;
  HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return rows;
  const size_t textChars = 256;
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + textChars * 2, MEM_COMMIT, PAGE_READWRITE));
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::vector<std::wstring> row;
    for (int c = 0; c < columns; ++c) {
      LVITEMW item{};
      item.iSubItem = c;
      item.cchTextMax = static_cast<int>(textChars);
      item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
      ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
      DWORD_PTR n = 0;
      ::SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote),
                            SMTO_BLOCK, 5000, &n);
      std::wstring text(textChars, L'\0');
      ::ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), textChars * 2, nullptr);
      text.resize(n);
      row.push_back(text);
    }
    rows.push_back(row);
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return rows;
}

TEST_F(ZephraExe, F3ShowsTheLoggedDaysAndExportsThemAsCsv) {
  SYSTEMTIME today;
  ::GetLocalTime(&today);
  const SYSTEMTIME days[3] = {DaysBefore(today, 3), DaysBefore(today, 2), DaysBefore(today, 1)};
  std::string log("NTSL\x02\0\0\0", 8);
  log.resize(24, '\0');
  AppendAllConnectionsRecord(log, days[0], 1536, 100);
  AppendAllConnectionsRecord(log, days[1], 5242880, 1048576);
  AppendAllConnectionsRecord(log, days[2], 3221225472ull, 0);
  ASSERT_TRUE(WriteLogFile(log));

  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);
  ::SetForegroundWindow(meter);
  ::PostMessageW(meter, WM_KEYDOWN, VK_F3, 0);  // the accelerator of the reports command
  HWND sheet = WaitForTopLevel(p.pi.dwProcessId, L"Traffic Reports - [All Connections]", 20000);
  ASSERT_NE(sheet, nullptr) << "F3 did not open the reports window";
  ::SendMessageW(sheet, PSM_SETCURSEL, 1, 0);  // the daily page
  HWND list = FindChildByClass(sheet, L"SysListView32");
  ASSERT_NE(list, nullptr);

  const auto rows = ListTexts(list, p.pi.dwProcessId, 5);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::vector<std::wstring>> logged = {
      {UsDate(days[0]), kDays[days[0].wDayOfWeek], L"1.5 KB", L"100 B", L"1.6 KB"},
      {UsDate(days[1]), kDays[days[1].wDayOfWeek], L"5.00 MB", L"1.00 MB", L"6.00 MB"},
      {UsDate(days[2]), kDays[days[2].wDayOfWeek], L"3.00 GB", L"0 B", L"3.00 GB"},
  };
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i], logged[i]) << i;
  EXPECT_EQ(rows[3][0], UsDate(today));  // today's row, valued with the live counters

  // Export as CSV through the real save dialog.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring target = std::wstring(temp) + L"zephra-e2e-daily";
  ::DeleteFileW((target + L".csv").c_str());
  ::PostMessageW(::GetDlgItem(sheet, 106), BM_CLICK, 0, 0);
  HWND dialog = WaitForTopLevel(p.pi.dwProcessId, L"Export Daily Report", 20000);
  ASSERT_NE(dialog, nullptr) << "the save dialog did not open";
  HWND types = ::GetDlgItem(dialog, 0x470);  // the file type list
  ASSERT_NE(types, nullptr);
  ::SendMessageW(types, CB_SETCURSEL, 1, 0);
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x470, code), reinterpret_cast<LPARAM>(types));
  HWND name = ::GetDlgItem(dialog, 0x47C);  // the file name box
  if (HWND edit = ::FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
  ASSERT_NE(name, nullptr);
  ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  HWND question = WaitForTopLevel(p.pi.dwProcessId, L"Zephra", 20000, meter);  // not the meter window itself
  ASSERT_NE(question, nullptr) << "no question after the export";
  const std::string bytes = ReadWholeFile(target + L".csv");
  std::wstring said;
  ::EnumChildWindows(question, [](HWND h, LPARAM lp) -> BOOL {
    wchar_t text[512] = {};
    ::GetWindowTextW(h, text, 512);
    *reinterpret_cast<std::wstring*>(lp) += std::wstring(text) + L"|";
    return TRUE;
  }, reinterpret_cast<LPARAM>(&said));
  EXPECT_NE(said.find(L"Successfully export daily traffic report to file '" + target + L".csv'."), std::wstring::npos)
      << Narrow(said);
  ::PostMessageW(question, WM_COMMAND, IDNO, 0);

  // The exported rows are the texts shown; today's counts move with the live traffic.
  const std::string head = "Daily Traffic Report\r\n\r\nAll Connections [" + Narrow(UsDate(days[0])) + " --- " +
                           Narrow(UsDate(today)) + "]\r\n\r\nDate,Day,Downloaded,Uploaded,Both\r\n" +
                           Narrow(UsDate(days[0])) + "," + Narrow(kDays[days[0].wDayOfWeek]) +
                           ",1.5 KB,100 B,1.6 KB\r\n" + Narrow(UsDate(days[1])) + "," +
                           Narrow(kDays[days[1].wDayOfWeek]) + ",5.00 MB,1.00 MB,6.00 MB\r\n" +
                           Narrow(UsDate(days[2])) + "," + Narrow(kDays[days[2].wDayOfWeek]) +
                           ",3.00 GB,0 B,3.00 GB\r\n" + Narrow(UsDate(today)) + "," +
                           Narrow(kDays[today.wDayOfWeek]) + ",";
  const std::string tail = "\r\n\r\n\r\nThe report was generated by Zephra https://www.quarlen.example/zephra/\r\n";
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  ASSERT_GE(bytes.size(), head.size() + tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  ::DeleteFileW((target + L".csv").c_str());

  // Change the log's place on the summary page: it takes effect at the next start.
  ::SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
  HWND summary = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_NE(summary, nullptr);
  ::PostMessageW(::GetDlgItem(summary, 1115), BM_CLICK, 0, 0);
  HWND choose = WaitForTopLevel(p.pi.dwProcessId, L"Choose a traffic log", 20000);
  ASSERT_NE(choose, nullptr);
  const std::wstring moved = std::wstring(temp) + L"zephra-e2e-moved";
  HWND chooseName = ::GetDlgItem(choose, 0x47C);
  if (HWND edit = ::FindWindowExW(chooseName, nullptr, L"Edit", nullptr)) chooseName = edit;
  ::SendMessageW(chooseName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(moved.c_str()));
  ::PostMessageW(::GetDlgItem(choose, IDOK), BM_CLICK, 0, 0);
  HWND notice = WaitForTopLevel(p.pi.dwProcessId, L"Zephra", 20000, meter);
  ASSERT_NE(notice, nullptr);
  ::PostMessageW(notice, WM_COMMAND, IDOK, 0);

  // Closing hands N and the log path back: both are saved at once.
  for (int i = 0; i < 100 && WaitForTopLevel(p.pi.dwProcessId, L"Zephra", 1, meter); ++i) ::Sleep(50);
  ::PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
  for (int i = 0; i < 100 && ::IsWindow(sheet); ++i) ::Sleep(50);
  EXPECT_FALSE(::IsWindow(sheet));
  DWORD lastDays = 0;
  for (int i = 0; i < 100 && !ReadDword(kOptions, L"SumLastDays", lastDays); ++i) ::Sleep(50);
  EXPECT_EQ(lastDays, 30u);
  wchar_t stored[MAX_PATH] = {};
  DWORD size = sizeof stored;
  ::RegGetValueW(HKEY_CURRENT_USER, kOptions, L"TrafficLogFile", RRF_RT_REG_SZ, nullptr, stored, &size);
  EXPECT_EQ(std::wstring(stored), moved + L".log");
  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(p.WaitExit(15000, code));
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

// ---- A usage alert: the rule passed by this week's logged bytes ---------------

namespace {

// The mail goes over STARTTLS to the port in the registry, with the test
// authority trusted.
TEST_F(ZephraExe, PassedRuleMailsOnceRunsTheProgramOnceAndShowsTheWindow) {
  const TestCertificates& certificates = TestCertificates::Get();
  ASSERT_TRUE(certificates.ready());
  ScriptServer server("mailbox_smtp.py", "--starttls " + certificates.Files("localhost"));
  ASSERT_TRUE(server.ready());
  // Yesterday starts the week and already holds 2 GB; the rule allows 1 GB.
  SYSTEMTIME today;
  ::GetLocalTime(&today);
  const SYSTEMTIME yesterday = DaysBefore(today, 1);
  std::string log("NTSL\x02\0\0\0", 8);
  log.resize(24, '\0');
  AppendAllConnectionsRecord(log, yesterday, 2147483648ull, 0);
  ASSERT_TRUE(WriteLogFile(log));

  // The program writes one line to a marker file each time it runs.
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring marker = std::wstring(temp) + L"zephra-alert-marker.txt";
  const std::wstring script = std::wstring(temp) + L"zephra-alert.cmd";
  ::DeleteFileW(marker.c_str());
  {
    const std::string body = "@echo ran>>\"" + Narrow(marker) + "\"\r\n";
    HANDLE f = ::CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    ::WriteFile(f, body.data(), static_cast<DWORD>(body.size()), &put, nullptr);
    ::CloseHandle(f);
  }

  AlertRule rule;
  rule.version = 3;
  rule.kind = 100;
  rule.threshold = L"1";
  rule.unit = kUnitGB;
  rule.transfer = kTransferDown;
  rule.period = kPeriodWeek;
  rule.lastDays = 1;
  rule.sendMail = 1;
  rule.recipients = L"user@example.com";
  rule.runProgram = 1;
  rule.program = script;
  const RegRoot user = RegRoot::CurrentUser;
  ASSERT_TRUE(registry.WriteBinary(user, kOptions, L"NotificationEx2U", SerializeAlertRule(rule)));
  ASSERT_TRUE(registry.WriteDword(user, kOptions, L"NotificationEnabled", 1));
  ASSERT_TRUE(registry.WriteDword(user, kOptions, L"WeekStartDay", yesterday.wDayOfWeek));
  const std::wstring email = std::wstring(kOptions) + L"\\EmailSettings";
  ASSERT_TRUE(registry.WriteString(user, email, L"SmtpServer", L"localhost"));
  ASSERT_TRUE(registry.WriteString(user, email, L"MailFrom", L"meter@example.com"));
  ASSERT_TRUE(registry.WriteDword(user, email, L"SmtpSecurity", 1));
  ASSERT_TRUE(registry.WriteDword(user, email, L"SmtpPort", server.port()));

  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);
  HWND window = WaitForTopLevel(p.pi.dwProcessId, L"Notification - Zephra", 10000);
  ASSERT_NE(window, nullptr) << "the notification window did not appear";

  const std::string mail = server.Read("1.eml");
  const std::string period = Narrow(L"week (" + UsDate(yesterday) + L" -- " + UsDate(today) + L")");
  EXPECT_EQ(mail,
            "From: meter@example.com\r\nTo: user@example.com\r\nSubject: Bandwidth Usage Notification\r\n\r\n"
            "Hi,\r\n\r\nMore than 1 GB have been downloaded through All Connections in last " + period +
            ".\r\n\r\nBytes downloaded so far: 2.00 GB\r\n\r\nThe email was sent by Zephra.\r\n");
  EXPECT_EQ(server.Read("1.env"), "meter@example.com\nuser@example.com\n");
  EXPECT_EQ(server.Read("log"), "STARTTLS\n");

  // Closed without a reminder: nothing more happens in this run.
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(1086, BN_CLICKED), 0);
  const DWORD start = ::GetTickCount();
  while (::IsWindow(window) && ::GetTickCount() - start < 10000) ::Sleep(50);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(server.Read("2.eml"), "");  // waits 5 s for a second mail
  EXPECT_EQ(ReadWholeFile(marker), "ran\r\n");

  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  DWORD code = 0;
  EXPECT_TRUE(p.WaitExit(15000, code));
  ::DeleteFileW(marker.c_str());
  ::DeleteFileW(script.c_str());
}

}  // namespace

namespace {

// A recorder set up in the registry (All Connections, CSV, every second,
// plain byte counts): the file grows line by line while the program runs and
// holds every finished line after the program is killed.
TEST_F(ZephraExe, RecordingFileSurvivesAnAbruptEnd) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"zephra-e2e-rates.csv";
  ::DeleteFileW(file.c_str());
  const RegRoot user = RegRoot::CurrentUser;
  const std::wstring all = std::wstring(kRoot) + L"\\AdaptersEx\\100-";
  ASSERT_TRUE(registry.WriteString(user, all, L"AdapterID", L""));
  ASSERT_TRUE(registry.WriteDword(user, all, L"RecordTrafficRates", 1));
  ASSERT_TRUE(registry.WriteDword(user, all, L"RecordInterval", 1));
  ASSERT_TRUE(registry.WriteDword(user, all, L"RecordNumberOnly", 1));
  ASSERT_TRUE(registry.WriteString(user, all, L"RecordFile", file));
  ASSERT_TRUE(registry.WriteDword(user, kOptions, L"DisplayUnitByte", 1));

  Process p;
  ASSERT_TRUE(p.Start());
  ASSERT_NE(WaitForMeter(p.pi.dwProcessId, 20000), nullptr);
  ::Sleep(4500);
  const std::string whileRunning = ReadWholeFile(file);  // readable while it grows
  ::TerminateProcess(p.pi.hProcess, 9);
  ::WaitForSingleObject(p.pi.hProcess, 10000);
  const std::string bytes = ReadWholeFile(file);
  EXPECT_EQ(bytes.compare(0, whileRunning.size(), whileRunning), 0);

  const std::string preamble =
      "The file was generated by Zephra https://www.quarlen.example/zephra/\r\n\r\n"
      "File:,Traffic Rates Log\r\nAdapter:,All Connections\r\nDate:,";
  ASSERT_EQ(bytes.compare(0, preamble.size(), preamble), 0) << bytes;
  const std::string columns = "\r\nInterval:,1 Sec\r\nUnit:,Byte\r\n\r\nDate,Time,Download,Up,Both\r\n";
  const size_t body = bytes.find(columns);
  ASSERT_NE(body, std::string::npos) << bytes;
  EXPECT_EQ(body, preamble.size() + 19);  // "12/09/2026 10:00:00"

  // Each line: date, time, download, upload, both = download + upload; one a second.
  std::vector<int> seconds;
  size_t at = body + columns.size();
  while (at < bytes.size()) {
    const size_t end = bytes.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "an unfinished line";
    char date[16] = {};
    int h = 0, m = 0, s = 0;
    long long down = -1, up = -1, both = -1;
    ASSERT_EQ(sscanf(bytes.substr(at, end - at).c_str(), "%10[0-9/],%d:%d:%d,%lld,%lld,%lld", date, &h, &m, &s, &down,
                     &up, &both),
              7)
        << bytes.substr(at, end - at);
    EXPECT_EQ(both, down + up);
    seconds.push_back(h * 3600 + m * 60 + s);
    at = end + 2;
  }
  ASSERT_GE(seconds.size(), 3u);
  for (size_t i = 1; i < seconds.size(); ++i) {
    EXPECT_GE(seconds[i] - seconds[i - 1], 1) << "two lines in one second";
    EXPECT_LE(seconds[i] - seconds[i - 1], 3) << "a line went missing";
  }
  ::DeleteFileW(file.c_str());
}

}  // namespace

TEST_F(ZephraExe, ClearInTheReportsWindowKeepsACopyOfTheOldRecords) {
  SYSTEMTIME today;
  ::GetLocalTime(&today);
  std::string log("NTSL\x02\0\0\0", 8);
  log.resize(24, '\0');
  AppendAllConnectionsRecord(log, DaysBefore(today, 2), 1536, 100);
  AppendAllConnectionsRecord(log, DaysBefore(today, 1), 5242880, 1048576);
  ASSERT_TRUE(WriteLogFile(log));

  Process p;
  ASSERT_TRUE(p.Start());
  HWND meter = WaitForMeter(p.pi.dwProcessId, 20000);
  ASSERT_NE(meter, nullptr);
  ::SetForegroundWindow(meter);
  ::PostMessageW(meter, WM_KEYDOWN, VK_F3, 0);
  HWND sheet = WaitForTopLevel(p.pi.dwProcessId, L"Traffic Reports - [All Connections]", 20000);
  ASSERT_NE(sheet, nullptr);
  ::PostMessageW(::GetDlgItem(sheet, 105), BM_CLICK, 0, 0);  // Clear
  HWND question = WaitForTopLevel(p.pi.dwProcessId, L"Zephra", 20000, meter);
  ASSERT_NE(question, nullptr) << "no question before clearing";
  ::PostMessageW(question, WM_COMMAND, IDYES, 0);
  for (int i = 0; i < 100 && FileSize(LogPath()) != 24; ++i) ::Sleep(50);
  EXPECT_EQ(FileSize(LogPath()), 24);
  const std::string kept = ReadWholeFile(BackupPath(L"-before-clear"));
  EXPECT_EQ(kept.substr(0, log.size()), log);

  ::PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
  for (int i = 0; i < 100 && ::IsWindow(sheet); ++i) ::Sleep(50);
  ::PostMessageW(meter, WM_CLOSE, 0, 0);
  DWORD code = 0;
  EXPECT_TRUE(p.WaitExit(15000, code));
}
