// What the end-to-end tests share about the machine they run on.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

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
