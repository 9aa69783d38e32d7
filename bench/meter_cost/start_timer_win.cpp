// Start time of a program under the same Windows session: starts it, waits
// until a visible top-level window of the given title appears, prints the
// milliseconds, closes the window and waits for the process to end. Repeats
// and prints the median.
//   start_timer.exe <runs> <window title> <program> [arguments]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
  wchar_t text[64] = {};
  ::GetWindowTextW(hwnd, text, 64);
  if (std::wcscmp(text, s->title) != 0) return TRUE;
  s->found = hwnd;
  return FALSE;
}

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f) {
  return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fputs("usage: start_timer <runs> <window title> <program> [arguments]\n", stderr);
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  std::wstring command = L"\"" + std::wstring(argv[3]) + L"\"";
  for (int i = 4; i < argc; ++i) command += L" " + std::wstring(argv[i]);
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    LARGE_INTEGER a, b;
    ::QueryPerformanceCounter(&a);
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      std::fprintf(stderr, "cannot start: %lu\n", static_cast<unsigned long>(::GetLastError()));
      return 1;
    }
    Search s{pi.dwProcessId, argv[2], nullptr};
    for (int i = 0; i < 30000 && !s.found; ++i) {
      ::EnumWindows(&FindShown, reinterpret_cast<LPARAM>(&s));
      if (!s.found) {
        if (::WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
      }
    }
    ::QueryPerformanceCounter(&b);
    if (s.found) {
      times.push_back(Ms(a, b, f));
      std::printf("run %d: %.0f ms\n", r + 1, times.back());
      ::PostMessageW(s.found, WM_CLOSE, 0, 0);
    } else {
      std::printf("run %d: no window\n", r + 1);
    }
    if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("median %.0f ms\n", times[times.size() / 2]);
  std::fflush(stdout);
  return 0;
}
