// An adapter source held in memory: the core and shell tests and the
// benchmarks script the adapter list and the counters, and can make the list
// or single rows fail.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "measure/adapter_source.h"

class ScriptedSource : public AdapterSource {
public:
  struct Adapter {
    AdapterInfo info;
    InterfaceRow row;
    bool rowFails = false;
    bool listed = true;  // false: unplugged, left out of the list
  };
  std::vector<Adapter> adapters;
  bool failList = false;  // the list cannot be read
  bool noData = false;    // the list comes back empty (ERROR_NO_DATA)

  bool ListAdapters(std::vector<AdapterInfo>& out) override {
    out.clear();
    if (failList) return false;
    if (noData) return true;
    out.reserve(adapters.size());
    for (const auto& a : adapters)
      if (a.listed) out.push_back(a.info);
    return true;
  }
  bool ReadInterface(uint32_t index, InterfaceRow& row) override {
    for (const auto& a : adapters)
      if (a.info.index == index && a.listed) {
        if (a.rowFails) return false;
        row = a.row;
        return true;
      }
    return false;
  }

  // An Ethernet-like adapter (type 6) with 64-bit counters and a GUID-like name.
  Adapter& Add(const std::string& name, uint32_t index, uint32_t ifType = 6) {
    Adapter a;
    a.info.name = name;
    a.info.description = "Adapter " + std::to_string(index);
    a.info.index = index;
    a.info.type = ifType;
    a.info.addressLength = 6;
    for (int i = 0; i < 6; ++i) a.info.address[i] = static_cast<uint8_t>(0x10 + index + i);
    a.info.ipAddress = "192.0.2." + std::to_string(index % 250 + 1);
    a.row.type = ifType;
    a.row.speed = 100000000;
    a.row.counters64 = true;
    a.row.description = a.info.description;
    adapters.push_back(a);
    return adapters.back();
  }
  Adapter* Find(uint32_t index) {
    for (auto& a : adapters)
      if (a.info.index == index) return &a;
    return nullptr;
  }
  // Adds traffic to an adapter's counters.
  void Count(uint32_t index, uint64_t in, uint64_t out) {
    if (Adapter* a = Find(index)) {
      a->row.inOctets += in;
      a->row.outOctets += out;
    }
  }
};
