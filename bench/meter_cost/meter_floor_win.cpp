// The floor of what any traffic meter pays: a plain window that, once a
// second, lists the adapters with GetAdaptersInfo, reads each one's row with
// GetIfEntry2 and paints one line of text. Nothing else. meter_cost.sh runs it
// beside zephra.exe and compares the two.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>

#include <cwchar>
#include <vector>

namespace {

wchar_t g_line[128] = L"";
std::vector<unsigned char> g_buffer;

void Sample(HWND hwnd) {
  ULONG size = static_cast<ULONG>(g_buffer.size());
  DWORD rc = ::GetAdaptersInfo(g_buffer.empty() ? nullptr : reinterpret_cast<PIP_ADAPTER_INFO>(g_buffer.data()), &size);
  if (rc == ERROR_BUFFER_OVERFLOW) {
    g_buffer.resize(size);
    rc = ::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(g_buffer.data()), &size);
  }
  ULONG64 in = 0, out = 0;
  if (rc == NO_ERROR) {
    for (auto* a = reinterpret_cast<PIP_ADAPTER_INFO>(g_buffer.data()); a; a = a->Next) {
      MIB_IF_ROW2 row{};
      row.InterfaceIndex = a->Index;
      if (::GetIfEntry2(&row) == NO_ERROR) {
        in += row.InOctets;
        out += row.OutOctets;
      }
    }
  }
  std::swprintf(g_line, 128, L"in %llu  out %llu", in, out);
  ::InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      Sample(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      ::TextOutW(dc, 4, 4, g_line, static_cast<int>(::wcslen(g_line)));
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &FloorProc;
  wc.hInstance = inst;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ZephraMeterFloor";
  ::RegisterClassW(&wc);
  HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Meter floor", WS_OVERLAPPEDWINDOW, 40, 40, 320, 80, nullptr,
                                nullptr, inst, nullptr);
  if (!hwnd) return 1;
  ::ShowWindow(hwnd, show);
  ::UpdateWindow(hwnd);
  ::SetTimer(hwnd, 1, 1000, nullptr);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return 0;
}
