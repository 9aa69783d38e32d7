// The Windows side of the packaging tests, run under Wine by package_test.py:
//   package_probe clean                 forget every trace of an installation of Zephra
//   package_probe start EXE [--help]    start EXE, wait until its meter window shows
//                                       (with --help also the "Zephra Help" window)
//   package_probe exit                  send the meter the exit command, wait for its end
//   package_probe running               exit 0 while a meter window exists
//   package_probe reg HKLM|HKCU KEY     print the key's values as name=value lines
//   package_probe firstrun-off          keep the help from opening on a first start
//   package_probe shots SETUP DIR       walk the installer's pages with Next, saving each
//                                       page as DIR\installer-<page>.bmp
// Exit code 0 when done, 1 otherwise, with one line saying why.
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "shell/shell_support.h"

namespace {

const wchar_t kRoot[] = L"Software\\Quarlen\\Zephra";
const wchar_t kOptions[] = L"Software\\Quarlen\\Zephra\\Options";
const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zephra";
const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

int Fail(const char* what) {
  std::printf("package_probe: %s\n", what);
  return 1;
}

HWND FindTopLevel(const wchar_t* cls, const wchar_t* title, DWORD pid) {
  struct Search {
    const wchar_t* cls;
    const wchar_t* title;
    DWORD pid;
    HWND found;
  } s{cls, title, pid, nullptr};
  ::EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t c[64] = {}, t[64] = {};
        ::GetClassNameW(h, c, 64);
        ::GetWindowTextW(h, t, 64);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if ((!s->cls || std::wstring(c) == s->cls) && std::wstring(t) == s->title && ::IsWindowVisible(h) &&
            (!s->pid || owner == s->pid)) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindMeter(DWORD pid = 0) { return FindTopLevel(L"#32770", L"Zephra", pid); }

template <typename F>
HWND WaitFor(F find, DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    if (HWND h = find()) return h;
    ::Sleep(100);
  } while (::GetTickCount() - start < ms);
  return nullptr;
}

int Start(const std::wstring& exe, bool help) {
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return Fail("the program could not be started");
  ::CloseHandle(pi.hThread);
  const DWORD pid = pi.dwProcessId;
  HWND meter = WaitFor([pid] { return FindMeter(pid); }, 30000);
  const bool ended = ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
  ::CloseHandle(pi.hProcess);
  if (!meter) return Fail(ended ? "the program ended without showing its window" : "the meter window did not show");
  if (help && !WaitFor([] { return FindTopLevel(nullptr, L"Zephra Help", 0); }, 30000))
    return Fail("no window titled \"Zephra Help\" showed");
  std::printf("meter window shown\n");
  return 0;
}

int Exit() {
  HWND meter = FindMeter();
  if (!meter) return Fail("no meter window");
  DWORD pid = 0;
  ::GetWindowThreadProcessId(meter, &pid);
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  ::PostMessageW(meter, WM_COMMAND, MAKEWPARAM(32795, 0), 0);
  const bool ended = process && ::WaitForSingleObject(process, 15000) == WAIT_OBJECT_0;
  if (process) ::CloseHandle(process);
  return ended ? 0 : Fail("the program did not end on the exit command");
}

int PrintValues(HKEY root, const wchar_t* key) {
  HKEY k;
  if (::RegOpenKeyExW(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return Fail("no such key");
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLen = 256, type = 0, size = 0;
    std::vector<BYTE> data(4096);
    size = static_cast<DWORD>(data.size());
    if (::RegEnumValueW(k, i, name, &nameLen, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    if (type == REG_SZ || type == REG_EXPAND_SZ)
      std::printf("%ls=%ls\n", name, reinterpret_cast<const wchar_t*>(data.data()));
    else if (type == REG_DWORD)
      std::printf("%ls=%lu\n", name, *reinterpret_cast<const DWORD*>(data.data()));
  }
  ::RegCloseKey(k);
  return 0;
}

int Clean() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstall);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstall);
  HKEY run;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
    ::RegDeleteValueW(run, L"Zephra");
    ::RegCloseKey(run);
  }
  return 0;
}

int FirstRunOff() {
  HKEY key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kOptions, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return Fail("the options key cannot be written");
  const DWORD zero = 0;
  ::RegSetValueExW(key, L"FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
  ::RegCloseKey(key);
  return 0;
}

std::wstring ControlText(HWND dlg, int id) {
  wchar_t text[128] = {};
  ::GetWindowTextW(::GetDlgItem(dlg, id), text, 128);
  return text;
}

// The installer's pages in the order Next reaches them; the files page passes
// by itself into the finish page.
int Shots(const std::wstring& setup, const std::wstring& dir) {
  const wchar_t* pages[] = {L"welcome", L"license", L"mode", L"components", L"folder", L"finish"};
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + setup + L"\"";
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return Fail("the installer could not be started");
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  HWND wizard = WaitFor([] { return FindTopLevel(L"#32770", L"Zephra Setup", 0); }, 30000);
  if (!wizard) return Fail("no installer window");
  for (size_t i = 0; i < std::size(pages); ++i) {
    const bool last = i + 1 == std::size(pages);
    // A page is there when the Next button has changed its text or, on the
    // finish page, reads "Finish"; then give it time to paint.
    if (last && !WaitFor([&] { return ControlText(wizard, IDOK) == L"&Finish" ? wizard : nullptr; }, 30000))
      return Fail("the finish page did not come");
    ::SetForegroundWindow(wizard);
    ::Sleep(800);
    if (!WriteScreenBmp(wizard, dir + L"\\installer-" + pages[i] + L".bmp")) return Fail("cannot write a picture");
    if (last) break;
    // Posted: a page made with nsDialogs runs its own message loop until it is left.
    ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(wizard, IDOK)));
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring cmd = argc > 1 ? argv[1] : L"";
  if (cmd == L"clean") return Clean();
  if (cmd == L"start" && argc >= 3) return Start(argv[2], argc > 3 && std::wstring(argv[3]) == L"--help");
  if (cmd == L"exit") return Exit();
  if (cmd == L"running") return FindMeter() ? 0 : 1;
  if (cmd == L"firstrun-off") return FirstRunOff();
  if (cmd == L"reg" && argc == 4) {
    const std::wstring root = argv[2];
    return PrintValues(root == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, argv[3]);
  }
  if (cmd == L"shots" && argc == 4) return Shots(argv[2], argv[3]);
  return Fail("usage: shots SETUP DIR | clean | start EXE [--help] | exit | running | reg HKLM|HKCU KEY | firstrun-off");
}
