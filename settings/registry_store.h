// The one seam through which the core reaches the registry. The shell
// implements it with the real registry calls; unit tests use an in-memory store.
// Key paths are relative to the root, components separated by '\'; names of
// keys and values compare without regard to case, as in the registry.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class RegRoot { CurrentUser, LocalMachine };

// Value types, numbered as the registry numbers them.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

class RegistryStore {
public:
  virtual ~RegistryStore() = default;
  // Reads fail (false) when the key or value is missing or has another type.
  // ReadDword also fails when the value does not hold exactly 4 bytes.
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

  // Names of the key's values, in the store's enumeration order.
  virtual bool EnumValues(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) { return false; }
  // Type (kRegSz, kRegBinary, kRegDword, ...) and size in bytes of a value as stored;
  // a string's size counts its UTF-16 units and terminator, two bytes each.
  virtual bool QueryValue(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type,
                          uint32_t& size) { return false; }
  // Deletes the key with everything below it. False when it did not exist.
  virtual bool DeleteKey(RegRoot root, const std::wstring& key) { return false; }
};
