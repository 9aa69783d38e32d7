// The one seam through which the core reaches the registry. The shell
// implements it with the real registry calls; unit tests use an in-memory store.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class RegRoot { CurrentUser, LocalMachine };

class RegistryStore {
public:
  virtual ~RegistryStore() = default;
  // Reads fail (false) when the key or value is missing or has another type.
  virtual bool ReadDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& out) = 0;
  virtual bool ReadString(RegRoot root, const std::wstring& key, const std::wstring& name, std::wstring& out) = 0;
  virtual bool ReadBinary(RegRoot root, const std::wstring& key, const std::wstring& name, std::vector<uint8_t>& out) = 0;
  // Writes create the key when needed.
  virtual bool WriteDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t value) = 0;
  virtual bool WriteString(RegRoot root, const std::wstring& key, const std::wstring& name, const std::wstring& value) = 0;
  virtual bool WriteBinary(RegRoot root, const std::wstring& key, const std::wstring& name, const std::vector<uint8_t>& value) = 0;
  virtual bool DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) = 0;
  virtual bool KeyExists(RegRoot root, const std::wstring& key) = 0;
  // Names of the direct subkeys, in the store's enumeration order.
  virtual bool EnumSubkeys(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) = 0;
};
