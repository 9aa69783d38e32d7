// The registry store over the real registry (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE).
#pragma once
#include "settings/registry_store.h"

class Win32Registry : public RegistryStore {
public:
  bool ReadDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& out) override;
  bool ReadString(RegRoot root, const std::wstring& key, const std::wstring& name, std::wstring& out) override;
  bool ReadBinary(RegRoot root, const std::wstring& key, const std::wstring& name, std::vector<uint8_t>& out) override;
  bool WriteDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t value) override;
  bool WriteString(RegRoot root, const std::wstring& key, const std::wstring& name, const std::wstring& value) override;
  bool WriteBinary(RegRoot root, const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& value) override;
  bool DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) override;
  bool KeyExists(RegRoot root, const std::wstring& key) override;
  bool EnumSubkeys(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) override;
  bool EnumValues(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) override;
  bool QueryValue(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type,
                  uint32_t& size) override;
  bool DeleteKey(RegRoot root, const std::wstring& key) override;
};
