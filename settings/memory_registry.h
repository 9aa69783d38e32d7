// A registry held in memory: two roots of keys and typed values, names compared
// without regard to case, subkeys and values enumerated in creation order.
// Used by the unit tests of everything that stores settings.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "settings/registry_store.h"

class MemoryRegistry : public RegistryStore {
public:
  struct Value {
    std::wstring name;
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;  // as the registry holds it: strings UTF-16LE with terminator
  };
  // One successful write, in the order the writes happened.
  struct Write {
    RegRoot root;
    std::wstring key;
    std::wstring name;
  };

  MemoryRegistry();
  ~MemoryRegistry() override;

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

  // Stores a value of any type and content, as a damaged or foreign registry might hold it.
  bool WriteRaw(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t type,
                const std::vector<uint8_t>& data);
  // The stored value itself; null when missing.
  const Value* Find(RegRoot root, const std::wstring& key, const std::wstring& name) const;
  // Creates the key (and its parents) without values.
  bool CreateKey(RegRoot root, const std::wstring& key);

  std::vector<Write> writes;  // every successful write and delete of a value
  bool failWrites = false;    // when set, creating keys and writing fail and change nothing

private:
  struct Key;
  Key* Locate(RegRoot root, const std::wstring& path, bool create);
  const Key* Locate(RegRoot root, const std::wstring& path) const;
  Value* FindValue(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t type);
  bool Store(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t type,
             std::vector<uint8_t> data);

  std::unique_ptr<Key> roots_[2];
};
