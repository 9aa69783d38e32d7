// What the end-to-end tests share about the machine they run on.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <string>
#include <vector>

// The adapters the system lists now (the loopback is not among them).
inline size_t LiveAdapterCount() {
  ULONG size = 0;
  if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return 0;
  std::vector<unsigned char> buffer(size);
  if (::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size) != NO_ERROR) return 0;
  size_t n = 0;
  for (auto* a = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()); a; a = a->Next) ++n;
  return n;
}

// The whole file, also while a program still writes, replaces or deletes it;
// "(missing)" when it cannot be opened.
inline std::string ReadWholeFile(const std::wstring& path) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "(missing)";
  std::string bytes;
  char block[1 << 16];
  DWORD got = 0;
  while (::ReadFile(f, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  ::CloseHandle(f);
  return bytes;
}

// The folder of the programs: tests/ sits beside them.
inline std::wstring BuildDir() {
  wchar_t buf[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  p.resize(p.find_last_of(L'\\') + 1);
  return p + L"..\\";
}

// Polls until done() holds; false when ms passed first.
template <class Pred>
bool WaitFor(Pred done, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!done()) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(50);
  }
  return true;
}
