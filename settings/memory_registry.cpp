#include "settings/memory_registry.h"

#include <algorithm>

#include "base/utf16.h"

struct MemoryRegistry::Key {
  std::wstring name;
  std::vector<std::unique_ptr<Key>> subkeys;
  std::vector<Value> values;

  Key* Child(const std::wstring& n) const {
    for (const auto& k : subkeys)
      if (EqualNoCase(k->name, n)) return k.get();
    return nullptr;
  }
  Value* Find(const std::wstring& n) {
    for (auto& v : values)
      if (EqualNoCase(v.name, n)) return &v;
    return nullptr;
  }
};

namespace {
// The path's components; empty ones (leading, trailing or doubled '\') are skipped.
std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}
}  // namespace

MemoryRegistry::MemoryRegistry() {
  for (auto& r : roots_) r = std::make_unique<Key>();
}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Locate(RegRoot root, const std::wstring& path, bool create) {
  Key* k = roots_[root == RegRoot::CurrentUser ? 0 : 1].get();
  for (const auto& part : SplitPath(path)) {
    Key* next = k->Child(part);
    if (!next) {
      if (!create) return nullptr;
      k->subkeys.push_back(std::make_unique<Key>());
      next = k->subkeys.back().get();
      next->name = part;
    }
    k = next;
  }
  return k;
}

const MemoryRegistry::Key* MemoryRegistry::Locate(RegRoot root, const std::wstring& path) const {
  return const_cast<MemoryRegistry*>(this)->Locate(root, path, false);
}

MemoryRegistry::Value* MemoryRegistry::FindValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                                                 uint32_t type) {
  Key* k = Locate(root, key, false);
  if (!k) return nullptr;
  Value* v = k->Find(name);
  if (!v || v->type != type) return nullptr;
  return v;
}

const MemoryRegistry::Value* MemoryRegistry::Find(RegRoot root, const std::wstring& key,
                                                  const std::wstring& name) const {
  const Key* k = Locate(root, key);
  return k ? const_cast<Key*>(k)->Find(name) : nullptr;
}

bool MemoryRegistry::Store(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t type,
                           std::vector<uint8_t> data) {
  if (failWrites) return false;
  Key* k = Locate(root, key, true);
  Value* v = k->Find(name);
  if (!v) {
    k->values.push_back(Value{name, type, {}});
    v = &k->values.back();
  }
  v->type = type;
  v->data = std::move(data);
  writes.push_back(Write{root, key, name});
  return true;
}

bool MemoryRegistry::ReadDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& out) {
  const Value* v = FindValue(root, key, name, kRegDword);
  if (!v || v->data.size() != 4) return false;
  out = GetU32Le(v->data.data());
  return true;
}

bool MemoryRegistry::ReadString(RegRoot root, const std::wstring& key, const std::wstring& name, std::wstring& out) {
  const Value* v = FindValue(root, key, name, kRegSz);
  if (!v) v = FindValue(root, key, name, kRegExpandSz);
  if (!v) return false;
  out = FromUtf16(ReadUtf16Le(v->data.data(), v->data.size()));
  return true;
}

bool MemoryRegistry::ReadBinary(RegRoot root, const std::wstring& key, const std::wstring& name,
                                std::vector<uint8_t>& out) {
  const Value* v = FindValue(root, key, name, kRegBinary);
  if (!v) return false;
  out = v->data;
  return true;
}

bool MemoryRegistry::WriteDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t value) {
  std::vector<uint8_t> data(4);
  PutU32Le(data.data(), value);
  return Store(root, key, name, kRegDword, std::move(data));
}

bool MemoryRegistry::WriteString(RegRoot root, const std::wstring& key, const std::wstring& name,
                                 const std::wstring& value) {
  std::vector<uint8_t> data;
  AppendUtf16Le(data, ToUtf16(value));
  data.push_back(0);
  data.push_back(0);
  return Store(root, key, name, kRegSz, std::move(data));
}

bool MemoryRegistry::WriteBinary(RegRoot root, const std::wstring& key, const std::wstring& name,
                                 const std::vector<uint8_t>& value) {
  return Store(root, key, name, kRegBinary, value);
}

bool MemoryRegistry::WriteRaw(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t type,
                              const std::vector<uint8_t>& data) {
  return Store(root, key, name, type, data);
}

bool MemoryRegistry::CreateKey(RegRoot root, const std::wstring& key) {
  if (failWrites) return false;
  Locate(root, key, true);
  return true;
}

bool MemoryRegistry::DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) {
  if (failWrites) return false;
  Key* k = Locate(root, key, false);
  if (!k) return false;
  auto it = std::find_if(k->values.begin(), k->values.end(),
                         [&](const Value& v) { return EqualNoCase(v.name, name); });
  if (it == k->values.end()) return false;
  k->values.erase(it);
  writes.push_back(Write{root, key, name});
  return true;
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::wstring& key) { return Locate(root, key, false) != nullptr; }

bool MemoryRegistry::EnumSubkeys(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) {
  out.clear();
  const Key* k = Locate(root, key);
  if (!k) return false;
  for (const auto& s : k->subkeys) out.push_back(s->name);
  return true;
}

bool MemoryRegistry::EnumValues(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) {
  out.clear();
  const Key* k = Locate(root, key);
  if (!k) return false;
  for (const auto& v : k->values) out.push_back(v.name);
  return true;
}

bool MemoryRegistry::QueryValue(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type,
                                uint32_t& size) {
  const Value* v = Find(root, key, name);
  if (!v) return false;
  type = v->type;
  size = static_cast<uint32_t>(v->data.size());
  return true;
}

bool MemoryRegistry::DeleteKey(RegRoot root, const std::wstring& key) {
  if (failWrites) return false;
  std::vector<std::wstring> parts = SplitPath(key);
  if (parts.empty()) return false;  // a root itself is never deleted
  std::wstring leaf = parts.back();
  parts.pop_back();
  Key* parent = roots_[root == RegRoot::CurrentUser ? 0 : 1].get();
  for (const auto& part : parts) {
    parent = parent->Child(part);
    if (!parent) return false;
  }
  auto it = std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                         [&](const std::unique_ptr<Key>& k) { return EqualNoCase(k->name, leaf); });
  if (it == parent->subkeys.end()) return false;
  parent->subkeys.erase(it);
  return true;
}
