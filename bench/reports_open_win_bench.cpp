// Time to open the reports window over the ten-year log of 30 connections
// (read from a file, as the meter holds it), on each of its pages: the sheet
// with its start page, then switching to each other page (each builds its rows).
// Needs the Win32 shell and a display: built with ZEPHRA_SHELL_BENCH defined
// and linked against zephra_shell and the resources; otherwise it only says so.
#if defined(_WIN32) && defined(ZEPHRA_SHELL_BENCH)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "bench_log.h"
#include "trafficlog/log_file_win.h"
#include "trafficlog/summary_sheet_win.h"

namespace {

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  const CivilDate first{2015, 1, 1};
  const int days = static_cast<int>(DaysFromCivil(CivilDate{first.year + kYears, 1, 1}) - DaysFromCivil(first));
  auto bytes = GenerateLog(first, days);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"zephra-reports-open-bench.log";
  {
    FileHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD put = 0;
    if (!out || !::WriteFile(out.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &put, nullptr)) return 1;
  }
  std::unique_ptr<LogFile> log = OpenLogFileHandle(path, LogOpenMode::ServiceRead);
  if (!log) return 1;

  std::vector<std::unique_ptr<AdapterEntry>> owned;
  ReportsInput input;
  for (int c = 0; c < kConnections; ++c) {
    auto e = std::make_unique<AdapterEntry>(16);
    e->kind = c == 0 ? 100 : c == 1 ? 200 : 300;
    if (c >= 2) e->id = BenchAdapterIdOf(c);
    e->name = c == 0 ? L"All Connections" : c == 1 ? L"Dial-Up Connections" : L"Adapter " + std::to_wstring(c);
    e->todayIn = 123456;
    input.entries.push_back(e.get());
    owned.push_back(std::move(e));
  }
  input.log = log.get();
  input.selected = {300, BenchAdapterIdOf(17)};
  input.logPath = path;
  const CivilDate last = AddDays(first, days - 1);
  ReportsEnvironment env = DefaultReportsEnvironment();
  env.now = [last] { return MakeLocalTime(last.year, last.month, last.day, 12); };
  std::printf("log: %d days x %d connections, %.1f MB, one adapter's reports\n", days, kConnections,
              bytes->size() / (1024.0 * 1024.0));

  // The same over an empty log: what the window costs without rows.
  MemoryLogFile empty;
  const wchar_t* names[kReportPageCount] = {L"summary", L"daily", L"weekly", L"monthly"};
  for (int start = 0; start < kReportPageCount; ++start) {
    input.startPage = start;
    double ms[2];
    for (int i = 0; i < 2; ++i) {
      input.log = i == 0 ? log.get() : static_cast<LogFile*>(&empty);
      CSummarySheet sheet(input, env);
      LARGE_INTEGER a, b;
      ::QueryPerformanceCounter(&a);
      sheet.Create(::GetModuleHandleW(nullptr), nullptr);
      Pump();
      ::QueryPerformanceCounter(&b);
      ms[i] = Ms(a, b);
    }
    std::printf("open on the %-8ls page  %7.1f ms   (empty log %6.1f ms)\n", names[start], ms[0], ms[1]);
  }
  ::DeleteFileW(path.c_str());
  return 0;
}
#else
#include <cstdio>
int main() {
  std::puts("reports_open_win_bench: needs the Win32 shell (win tree)");
  return 0;
}
#endif
