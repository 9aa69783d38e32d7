// Counting handed from the real zephra.exe to ZephraService.exe under the
// service control manager and back, through the Service page, while raw frames
// flow without a pause through a veth pair whose far end lies in a namespace of
// the test's own (tests/e2e/veth_traffic.py, run as root through Z:). The log,
// read with zephra-cli, holds exactly the bytes the kernel counted.
#include "e2e/e2e_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include "service_control/service_control_win.h"
#include "settings/registry_win.h"

namespace {

const wchar_t kRoot[] = L"Software\\Quarlen\\Zephra";

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }


bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }


// Runs a program and waits; its standard output goes to `output` when given.
DWORD RunProgram(const std::wstring& exe, std::wstring args, const std::wstring& output = {}, DWORD waitMs = 30000) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = output.empty() ? nullptr
                              : ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                              0, nullptr);
  STARTUPINFOW si{sizeof si};
  if (out) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
  }
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\" " + args;
  DWORD code = 99;
  if (::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    if (waitMs == 0) code = 0;
    else if (::WaitForSingleObject(pi.hProcess, waitMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  if (out) ::CloseHandle(out);
  return code;
}

uint64_t KernelCount(const std::string& ifname, const char* which) {
  return std::stoull("0" + ReadWholeFile(L"Z:\\sys\\class\\net\\" + Widen(ifname) + L"\\statistics\\" + Widen(which)));
}

HWND VisibleWindow(DWORD pid, const std::wstring& title) {
  struct Find {
    DWORD pid;
    const std::wstring* title;
    HWND found;
  } find{pid, &title, nullptr};
  ::EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        wchar_t text[128] = {};
        ::GetWindowTextW(h, text, 128);
        if (owner == f->pid && ::IsWindowVisible(h) && *f->title == text) f->found = h;
        return f->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// The veth pair's helper: started with the test, ended (and the pair and the
// namespace removed) when the test ends, however it ends.
class VethPair {
public:
  VethPair() {
    dir_ = L"Z:\\tmp\\zephra-handover-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    const std::string unixDir = "/tmp/zephra-handover-" + std::to_string(::GetCurrentProcessId());
    RunProgram(L"Z:\\usr\\bin\\python3", Widen(ZEPHRA_TESTS_DIR "/e2e/veth_traffic.py ") + Widen(unixDir), {}, 0);
    WaitFor([&] { return Exists(dir_ + L"ready") || Exists(dir_ + L"skipped"); }, 30000);
    if (Exists(dir_ + L"skipped")) skipped_ = ReadWholeFile(dir_ + L"skipped");
    std::istringstream ready(ReadWholeFile(dir_ + L"ready"));
    ready >> ifname_ >> index_;
  }
  ~VethPair() {
    Signal(L"end");
    WaitFor([&] { return Exists(dir_ + L"cleaned"); }, 30000);
    for (const wchar_t* f : {L"ready", L"skipped", L"pump", L"end", L"cleaned"}) ::DeleteFileW((dir_ + f).c_str());
    ::RemoveDirectoryW(dir_.c_str());
  }
  void Pump(bool on) {
    if (on) Signal(L"pump");
    else ::DeleteFileW((dir_ + L"pump").c_str());
  }
  const std::string& skipped() const { return skipped_; }
  const std::string& ifname() const { return ifname_; }
  // Wine's adapter name for the interface: its index in the first GUID field.
  std::string AdapterId() const {
    char id[64];
    snprintf(id, sizeof id, "{%08X-0000-0000-0000-4E6574446576}", index_);
    return id;
  }

private:
  void Signal(const wchar_t* name) {
    HANDLE f = ::CreateFileW((dir_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) ::CloseHandle(f);
  }
  std::wstring dir_;
  std::string skipped_ = "the veth helper did not answer";
  std::string ifname_;
  unsigned index_ = 0;
};

// Opens the options sheet, ticks or clears "enable service" on the Service
// page and presses OK; the meter applies it (installing and starting, or
// stopping and removing, the service) before the sheet closes.
bool SwitchServiceMode(HWND meter, DWORD pid, bool on) {
  ::PostMessageW(meter, WM_COMMAND, MAKEWPARAM(32773, 0), 0);  // F2
  HWND sheet = nullptr;
  if (!WaitFor([&] { return (sheet = VisibleWindow(pid, L"Zephra Options")) != nullptr; }, 20000)) return false;
  ::SendMessageW(sheet, PSM_SETCURSEL, 4, 0);  // the Service page
  HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  HWND box = ::GetDlgItem(page, 1152);
  if (!box) return false;
  ::SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(1152, BN_CLICKED), reinterpret_cast<LPARAM>(box));
  ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  return WaitFor([&] { return !::IsWindow(sheet); }, 60000);
}

TEST(ZephraHandOver, TheLogHoldsExactlyWhatTheKernelCountedAcrossEverySwitch) {
  VethPair veth;
  if (veth.ifname().empty()) GTEST_SKIP() << "skipped: " << veth.skipped();

  // A fresh user with the log in a folder of the test's own.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"zephra-handover.log";
  ::DeleteFileW(log.c_str());
  RemoveService();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
  Win32Registry registry;
  const std::wstring options = std::wstring(kRoot) + L"\\Options";
  ASSERT_TRUE(registry.WriteDword(RegRoot::CurrentUser, options, L"FirstRun", 0));
  ASSERT_TRUE(registry.WriteString(RegRoot::CurrentUser, options, L"TrafficLogFile", log));

  const uint64_t rx0 = KernelCount(veth.ifname(), "rx_bytes"), tx0 = KernelCount(veth.ifname(), "tx_bytes");
  const std::wstring exe = BuildDir() + L"zephra.exe";
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\"";
  ASSERT_TRUE(::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND meter = nullptr;
  const bool shown = WaitFor([&] { return (meter = VisibleWindow(pi.dwProcessId, L"Zephra")) != nullptr; }, 30000);

  bool switched = shown;
  if (shown) {
    veth.Pump(true);
    for (int round = 0; round < 2 && switched; ++round) {
      ::Sleep(1500);
      switched = SwitchServiceMode(meter, pi.dwProcessId, true) && QueryServiceState() == SERVICE_RUNNING;
      ::Sleep(2500);
      switched = switched && SwitchServiceMode(meter, pi.dwProcessId, false) && QueryServiceState() == -1;
    }
    ::Sleep(1500);
    veth.Pump(false);
    // The last frames reach the kernel's count; then the meter's ticks count them.
    uint64_t last = 0;
    WaitFor([&] { return std::exchange(last, KernelCount(veth.ifname(), "tx_bytes")) == last; }, 10000);
    ::Sleep(2500);
    ::PostMessageW(meter, WM_CLOSE, 0, 0);
  }
  const bool ended = ::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
  if (!ended) ::TerminateProcess(pi.hProcess, 9);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  RemoveService();
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot);
  ASSERT_TRUE(shown) << "the meter window did not appear";
  ASSERT_TRUE(switched) << "service mode was not switched through the Service page";
  ASSERT_TRUE(ended);
  const uint64_t rx = KernelCount(veth.ifname(), "rx_bytes") - rx0, tx = KernelCount(veth.ifname(), "tx_bytes") - tx0;
  ASSERT_GT(tx, 0u);

  // "date,weekday,type,ID,downloaded,uploaded" for every record.
  const std::wstring dump = std::wstring(temp) + L"zephra-handover-dump.csv";
  ASSERT_EQ(RunProgram(BuildDir() + L"zephra-cli.exe", L"log dump \"" + log + L"\"", dump), 0u);
  std::istringstream lines(ReadWholeFile(dump));
  std::string row, found;
  while (std::getline(lines, row))
    if (row.find("," + veth.AdapterId() + ",") != std::string::npos) found = row;
  ASSERT_FALSE(found.empty()) << ReadWholeFile(dump);
  std::istringstream fields(found);
  std::string field[6];
  for (std::string& f : field) std::getline(fields, f, ',');
  EXPECT_EQ(std::stoull(field[4]), rx) << found;
  EXPECT_EQ(std::stoull(field[5]), tx) << found;
  ::DeleteFileW(dump.c_str());
  ::DeleteFileW(log.c_str());
}

}  // namespace
