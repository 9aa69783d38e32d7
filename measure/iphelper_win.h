// The production adapter source: IP Helper functions bound at run time from
// "iphlpapi.dll".
#pragma once
#include <windows.h>

#include <vector>

#include "measure/adapter_source.h"

class IpHelperSource : public AdapterSource {
public:
  IpHelperSource() = default;
  ~IpHelperSource() override;
  IpHelperSource(const IpHelperSource&) = delete;
  IpHelperSource& operator=(const IpHelperSource&) = delete;

  // Loads the library and looks up "GetIfEntry" and "GetAdaptersInfo" (both
  // required) and "GetIfEntry2" (optional, 64-bit counters). False when a
  // required piece is missing.
  bool Bind();
  bool ListAdapters(std::vector<AdapterInfo>& out) override;
  bool ReadInterface(uint32_t index, InterfaceRow& row) override;
  // By the system code page (CP_ACP).
  std::wstring DecodeText(const std::string& text) const override;

private:
  HMODULE lib_ = nullptr;
  FARPROC getIfEntry_ = nullptr;
  FARPROC getAdaptersInfo_ = nullptr;
  FARPROC getIfEntry2_ = nullptr;
  // The adapter list of the last tick: its size usually fits the next one, so
  // a tick asks the system once instead of asking for the size first.
  std::vector<unsigned char> listBuffer_;
};
