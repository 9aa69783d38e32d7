// Where the catalogue and the sampling get the machine's adapters and their
// interface counters. Production reads IP Helper; tests inject their own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One element of the adapter list (as GetAdaptersInfo reports it).
struct AdapterInfo {
  std::string name;         // adapter name, usually a bracketed GUID
  std::string description;  // 8-bit text
  uint8_t address[8] = {};  // hardware address
  uint32_t addressLength = 0;
  uint32_t index = 0;       // interface index for ReadInterface
  uint32_t type = 0;        // adapter type
  std::string ipAddress;    // first IP address, dotted; may be empty
};

// One interface row (as GetIfEntry / GetIfEntry2 report it).
struct InterfaceRow {
  uint32_t type = 0;        // interface type; 23 PPP and 28 SLIP count as dial-up
  uint32_t speed = 0;       // nominal speed, bits per second
  uint64_t inOctets = 0;    // received octets
  uint64_t outOctets = 0;   // sent octets
  bool counters64 = false;  // the counters are 64-bit (they wrap only on restart)
  std::string description;  // 8-bit text
};

class AdapterSource {
public:
  virtual ~AdapterSource() = default;
  // False when the list cannot be obtained. An empty list (ERROR_NO_DATA) is a
  // success here; sampling takes it as unavailable for that tick.
  virtual bool ListAdapters(std::vector<AdapterInfo>& out) = 0;
  virtual bool ReadInterface(uint32_t index, InterfaceRow& row) = 0;
  // 8-bit text of the system code page (descriptions) to wide text. The
  // default takes each byte as the code point of the same value, which is
  // exact for ASCII; the production source converts by the code page.
  virtual std::wstring DecodeText(const std::string& text) const {
    std::wstring out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c));
    return out;
  }
};
