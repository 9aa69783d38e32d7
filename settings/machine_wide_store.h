// The registry as the companion service reads it: every call of the store
// underneath goes to the machine-wide root, whatever root the caller names, so
// that the loaders written for the per-user options read the machine-wide copies.
#pragma once
#include "settings/registry_store.h"

class MachineWideStore : public RegistryStore {
public:
  explicit MachineWideStore(RegistryStore& inner) : inner_(inner) {}

  bool ReadDword(RegRoot, const std::wstring& key, const std::wstring& name, uint32_t& out) override {
    return inner_.ReadDword(kRoot, key, name, out);
  }
  bool ReadString(RegRoot, const std::wstring& key, const std::wstring& name, std::wstring& out) override {
    return inner_.ReadString(kRoot, key, name, out);
  }
  bool ReadBinary(RegRoot, const std::wstring& key, const std::wstring& name, std::vector<uint8_t>& out) override {
    return inner_.ReadBinary(kRoot, key, name, out);
  }
  bool WriteDword(RegRoot, const std::wstring& key, const std::wstring& name, uint32_t value) override {
    return inner_.WriteDword(kRoot, key, name, value);
  }
  bool WriteString(RegRoot, const std::wstring& key, const std::wstring& name, const std::wstring& value) override {
    return inner_.WriteString(kRoot, key, name, value);
  }
  bool WriteBinary(RegRoot, const std::wstring& key, const std::wstring& name,
                   const std::vector<uint8_t>& value) override {
    return inner_.WriteBinary(kRoot, key, name, value);
  }
  bool DeleteValue(RegRoot, const std::wstring& key, const std::wstring& name) override {
    return inner_.DeleteValue(kRoot, key, name);
  }
  bool KeyExists(RegRoot, const std::wstring& key) override { return inner_.KeyExists(kRoot, key); }
  bool EnumSubkeys(RegRoot, const std::wstring& key, std::vector<std::wstring>& out) override {
    return inner_.EnumSubkeys(kRoot, key, out);
  }
  bool EnumValues(RegRoot, const std::wstring& key, std::vector<std::wstring>& out) override {
    return inner_.EnumValues(kRoot, key, out);
  }
  bool QueryValue(RegRoot, const std::wstring& key, const std::wstring& name, uint32_t& type,
                  uint32_t& size) override {
    return inner_.QueryValue(kRoot, key, name, type, size);
  }
  bool DeleteKey(RegRoot, const std::wstring& key) override { return inner_.DeleteKey(kRoot, key); }

private:
  static constexpr RegRoot kRoot = RegRoot::LocalMachine;
  RegistryStore& inner_;
};
