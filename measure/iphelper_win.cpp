#include "measure/iphelper_win.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <cstring>
#include <vector>

#include "ui/code_page_win.h"

namespace {
using GetIfEntryFn = DWORD(WINAPI*)(PMIB_IFROW);
using GetAdaptersInfoFn = DWORD(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
using GetIfEntry2Fn = DWORD(WINAPI*)(PMIB_IF_ROW2);

}  // namespace

IpHelperSource::~IpHelperSource() {
  if (lib_) ::FreeLibrary(lib_);
}

bool IpHelperSource::Bind() {
  if (!lib_) lib_ = ::LoadLibraryW(L"iphlpapi.dll");
  if (!lib_) return false;
  getIfEntry_ = ::GetProcAddress(lib_, "GetIfEntry");
  getAdaptersInfo_ = ::GetProcAddress(lib_, "GetAdaptersInfo");
  getIfEntry2_ = ::GetProcAddress(lib_, "GetIfEntry2");
  return getIfEntry_ && getAdaptersInfo_;
}

bool IpHelperSource::ListAdapters(std::vector<AdapterInfo>& out) {
  out.clear();
  if (!getAdaptersInfo_) return false;
  auto fn = reinterpret_cast<GetAdaptersInfoFn>(reinterpret_cast<void*>(getAdaptersInfo_));
  std::vector<unsigned char>& buffer = listBuffer_;
  ULONG size = static_cast<ULONG>(buffer.size());
  DWORD rc = fn(buffer.empty() ? nullptr : reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
  // The list may grow between two calls; try a few times.
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW && size > 0; ++attempt) {
    buffer.assign(size, 0);
    rc = fn(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
  }
  if (rc == ERROR_NO_DATA) return true;
  if (rc != NO_ERROR || buffer.empty()) return false;
  for (auto* a = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()); a; a = a->Next) {
    AdapterInfo info;
    info.name.assign(a->AdapterName, strnlen(a->AdapterName, sizeof a->AdapterName));
    info.description.assign(a->Description, strnlen(a->Description, sizeof a->Description));
    info.addressLength = a->AddressLength;
    std::memcpy(info.address, a->Address, sizeof info.address < sizeof a->Address ? sizeof info.address : sizeof a->Address);
    info.index = a->Index;
    info.type = a->Type;
    info.ipAddress.assign(a->IpAddressList.IpAddress.String,
                          strnlen(a->IpAddressList.IpAddress.String, sizeof a->IpAddressList.IpAddress.String));
    out.push_back(std::move(info));
  }
  return true;
}

std::wstring IpHelperSource::DecodeText(const std::string& text) const {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return AdapterSource::DecodeText(text);
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
  return w;
}

bool IpHelperSource::ReadInterface(uint32_t index, InterfaceRow& row) {
  row = InterfaceRow{};
  // 64-bit counters where the platform has them: 32-bit octet counters wrap
  // every 34 seconds at 1 gbps.
  if (getIfEntry2_) {
    auto fn2 = reinterpret_cast<GetIfEntry2Fn>(reinterpret_cast<void*>(getIfEntry2_));
    MIB_IF_ROW2 r2;
    std::memset(&r2, 0, sizeof r2);
    r2.InterfaceIndex = index;
    if (fn2(&r2) == NO_ERROR) {
      row.type = r2.Type;
      const ULONG64 speed = r2.ReceiveLinkSpeed;
      row.speed = speed > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(speed);
      row.inOctets = r2.InOctets;
      row.outOctets = r2.OutOctets;
      row.counters64 = true;
      row.description = ToSystemCodePage(r2.Description);
      return true;
    }
  }
  if (!getIfEntry_) return false;
  auto fn = reinterpret_cast<GetIfEntryFn>(reinterpret_cast<void*>(getIfEntry_));
  MIB_IFROW r;
  std::memset(&r, 0, sizeof r);
  r.dwIndex = index;
  if (fn(&r) != NO_ERROR) return false;
  row.type = r.dwType;
  row.speed = r.dwSpeed;
  row.inOctets = r.dwInOctets;
  row.outOctets = r.dwOutOctets;
  row.counters64 = false;
  row.description.assign(reinterpret_cast<const char*>(r.bDescr), strnlen(reinterpret_cast<const char*>(r.bDescr), r.dwDescrLen < sizeof r.bDescr ? r.dwDescrLen : sizeof r.bDescr));
  return true;
}
