// rate_view_win_bench [DPI]: cost of one tick's redraw of a 300 x 120 rate view
// (at 96 DPI; the view and its sizes scaled to the DPI given, 96 by default) (new sample, maxima,
// painting into the off-screen bitmap and one copy to the window), in column
// and line style, against an empty BitBlt of the same size; and for comparison
// a whole redraw every tick, as before the plot scrolled in its bitmap (a tick
// still draws everything when the scale changed).
// Needs the Win32 shell: built with ZEPHRA_SHELL_BENCH defined and linked
// against zephra_shell; otherwise it only says so.
#if defined(_WIN32) && defined(ZEPHRA_SHELL_BENCH)
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "view/rate_view_win.h"

namespace {

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return ::DefWindowProcW(h, m, w, l); }

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f) {
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// Microseconds per call of fn, over n calls after a short warm-up.
template <class Fn>
double Time(int n, Fn fn) {
  for (int i = 0; i < 50; ++i) fn(i);
  ::GdiFlush();
  LARGE_INTEGER f, a, b;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&a);
  for (int i = 0; i < n; ++i) fn(i);
  ::GdiFlush();
  ::QueryPerformanceCounter(&b);
  return Seconds(a, b, f) * 1e6 / n;
}

}  // namespace

int main(int argc, char** argv) {
  const int dpi = argc > 1 ? std::atoi(argv[1]) : kBaseDpi;
  if (dpi < 48 || dpi > 960) {
    std::printf("usage: rate_view_win_bench [DPI 48-960]\n");
    return 2;
  }
  const int w = Scale(300, dpi), hgt = Scale(120, dpi);
  const HINSTANCE inst = ::GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &HostProc;
  wc.hInstance = inst;
  wc.lpszClassName = L"ZephraBenchHost";
  ::RegisterClassW(&wc);
  HWND host = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w,
                                hgt, nullptr, nullptr, inst, nullptr);
  if (!host) {
    std::printf("no window: %lu\n", static_cast<unsigned long>(::GetLastError()));
    return 0;
  }
  RateHistory history(2048);
  auto view = std::make_unique<CRateView>(&history, host);
  view->SetDpi(dpi, false);
  if (!view->Create(inst, host, ViewRect{0, 0, w, hgt}, 8000)) return 0;
  // The clock moves one second a tick, as the meter's timer does.
  LocalTime start;
  start.year = 2026, start.month = 12, start.day = 9, start.hour = 10;
  int64_t ticks = 0;
  view->SetClock([&] { return TimeBefore(start, -ticks); });
  RateViewOptions o;
  view->SetOptions(o, true);
  auto sample = [&](int i) {
    const uint32_t down = static_cast<uint32_t>(20000 + (i * 7919) % 90000);
    const uint32_t up = static_cast<uint32_t>(4000 + (i * 104729) % 30000);
    history.PushFront(RateSample{down, up, 50000, 15000});
  };
  for (int i = 0; i < 400; ++i) sample(i);  // a full view of history
  view->RelayoutAndRedraw();

  const int n = 2000;
  HDC wdc = ::GetDC(view->hwnd());
  HDC mem = ::CreateCompatibleDC(wdc);
  HBITMAP bmp = ::CreateCompatibleBitmap(wdc, w, hgt);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  const double blit = Time(n, [&](int) { ::BitBlt(wdc, 0, 0, w, hgt, mem, 0, 0, SRCCOPY); });
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(view->hwnd(), wdc);

  auto tick = [&](int i) {
    ++ticks;
    sample(i);
    view->AddSample();
  };
  // Every tick drawing the whole view, as it did before the plot scrolled.
  auto whole = [&](int i) {
    ++ticks;
    sample(i);
    view->Redraw();  // the whole paint and copy; the maxima's bookkeeping is left out
  };
  o.graphStyle = 1;
  view->SetOptions(o, true);
  const double columnWhole = Time(n / 4, whole);
  o.graphStyle = 0;
  view->SetOptions(o, true);
  const double lineWhole = Time(n / 4, whole);
  o.graphStyle = 1;
  view->SetOptions(o, true);
  int scrolled = view->scrolls();
  const double column = Time(n, tick);
  const int columnScrolls = view->scrolls() - scrolled;
  o.graphStyle = 0;
  view->SetOptions(o, true);
  scrolled = view->scrolls();
  const double line = Time(n, tick);
  const int lineScrolls = view->scrolls() - scrolled;
  o.showAvgDownLine = o.showAvgUpLine = true;
  view->SetOptions(o, true);
  const double lineAvg = Time(n, tick);

  std::printf("rate view %d x %d at %d DPI, %d ticks each (Wine's GDI when run under Wine)\n", w, hgt, dpi, n);
  std::printf("  empty BitBlt %d x %d        %8.1f us\n", w, hgt, blit);
  std::printf("  tick redraw, column graph     %8.1f us  (%.1f x BitBlt)  %d%% of the ticks scrolled\n", column,
              column / blit, columnScrolls * 100 / (n + 50));
  std::printf("  tick redraw, line graph       %8.1f us  (%.1f x BitBlt)  %d%% of the ticks scrolled\n", line,
              line / blit, lineScrolls * 100 / (n + 50));
  std::printf("  whole redraw every tick, column %8.1f us  (%.1f x BitBlt)\n", columnWhole, columnWhole / blit);
  std::printf("  whole redraw every tick, line   %8.1f us  (%.1f x BitBlt)\n", lineWhole, lineWhole / blit);
  std::printf("  tick redraw, line + averages  %8.1f us  (%.1f x BitBlt)\n", lineAvg, lineAvg / blit);
  view.reset();
  ::DestroyWindow(host);
  return 0;
}
#else
#include <cstdio>
int main() {
  std::puts("rate_view_win_bench: built without the Win32 shell (needs ZEPHRA_SHELL_BENCH and zephra_shell)");
  return 0;
}
#endif
