#include "shell_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ui/handle_win.h"
#include "ui/window_util_win.h"

TestRegistryRoot::TestRegistryRoot() {
  static int counter = 0;
  root_ = L"Software\\ZephraTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
  ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.substr(0, root_.size() - 1).c_str());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, root_.substr(0, root_.size() - 1).c_str());
}

TestRegistryRoot::~TestRegistryRoot() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.substr(0, root_.size() - 1).c_str());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, root_.substr(0, root_.size() - 1).c_str());
}

void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    PumpPending();
    if (done()) return true;
    if (::GetTickCount() - start > timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool ReadDwordValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& out) {
  DWORD size = sizeof out;
  return ::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &out, &size) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name) {
  return ::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring TempFilePath(const wchar_t* stem) {
  static int counter = 0;
  wchar_t dir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++counter) + L".log";
  ::DeleteFileW(path.c_str());
  return path;
}

bool WriteScreenBmp(HWND window, const std::wstring& path) {
  RECT r;
  ::GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  MemoryDc mem(::CreateCompatibleDC(screen));
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  BitmapHandle bmp(::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    SelectGuard g(mem.get(), bmp.get());
    ::BitBlt(mem.get(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  }
  ::ReleaseDC(nullptr, screen);
  ::GdiFlush();
  const DWORD stride = (w * 3 + 3) & ~3u, size = stride * h;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + size), 0, 0,
                      static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader)};
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  fwrite(&fh, sizeof fh, 1, f);
  fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
  fwrite(bits, 1, size, f);
  fclose(f);
  return true;
}

PixelCanvas::PixelCanvas(int w, int h) : w_(w), h_(h) {
  const BITMAPINFO bi = TopDownBitmapInfo(w, h);
  dc_ = ::CreateCompatibleDC(nullptr);
  bmp_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
  old_ = ::SelectObject(dc_, bmp_);
}

PixelCanvas::~PixelCanvas() {
  ::SelectObject(dc_, old_);
  ::DeleteObject(bmp_);
  ::DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
  ::GdiFlush();
  const uint32_t p = bits_[y * w_ + x];  // memory order B, G, R
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::vector<std::wstring> MeterTest::messages;
std::vector<std::wstring> MeterTest::opened;
int MeterTest::answer = IDNO;

int MeterTest::RecordMessage(HWND, const wchar_t* text, const wchar_t* title, UINT) {
  messages.push_back(std::wstring(title) + L"|" + text);
  return answer;
}

intptr_t MeterTest::RecordFile(const std::wstring& target, const wchar_t* verb, int) {
  opened.push_back(std::wstring(verb ? verb : L"") + L"|" + target);
  return 42;
}

intptr_t MeterTest::RecordAddress(const std::wstring& target, int) {
  opened.push_back(L"address|" + target);
  return 42;
}

MeterTest::MeterTest() {
  messages.clear();
  opened.clear();
  answer = IDNO;
  clock.Set(2026, 12, 8, 10, 0, 0);
  env.clock = &clock;
  env.adapters = &adapters;
  env.registry = &registry;
  env.registryRoot = reg.root();
  env.startTimer = false;
  env.firstStartHelp = false;
  env.useTray = false;
  env.registerHotkey = false;
  env.logPath = TempFilePath(L"zephra-test");
  env.messageBox = &RecordMessage;
  env.openFile = &RecordFile;
  env.openAddress = &RecordAddress;
}

MeterTest::~MeterTest() {
  meter.reset();
  ::DeleteFileW(env.logPath.c_str());
}

bool MeterTest::Start() {
  meter.reset();
  meter = std::make_unique<CMeterDlg>(env);
  hwnd = meter->Create(::GetModuleHandleW(nullptr));
  PumpPending();
  return hwnd != nullptr;
}

void MeterTest::Command(UINT id) const { ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void MeterTest::TickSeconds(int n) {
  for (int i = 0; i < n; ++i) {
    clock.Advance(1);
    meter->Tick();
  }
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return "(missing)";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}
