#include "settings/registry_win.h"

#include <windows.h>

#include <algorithm>

#include "ui/handle_win.h"

namespace {
HKEY RootKey(RegRoot root) { return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Key paths are joined by callers; leading, trailing and doubled separators are dropped.
std::wstring CleanPath(const std::wstring& path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (c == L'\\' && (out.empty() || out.back() == L'\\')) continue;
    out.push_back(c);
  }
  if (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

RegKey OpenKey(RegRoot root, const std::wstring& key, REGSAM access) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(RootKey(root), CleanPath(key).c_str(), 0, access, &k) != ERROR_SUCCESS) return RegKey();
  return RegKey(k);
}

RegKey CreateKey(RegRoot root, const std::wstring& key) {
  HKEY k = nullptr;
  if (::RegCreateKeyExW(RootKey(root), CleanPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return RegKey();
  return RegKey(k);
}

// The whole value; retried when it grows between the size query and the read.
bool QueryBytes(RegRoot root, const std::wstring& key, const std::wstring& name, DWORD& type,
                std::vector<uint8_t>& data) {
  RegKey k = OpenKey(root, key, KEY_QUERY_VALUE);
  if (!k) return false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = 0;
    if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size, 0);
    LONG rc = ::RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, size ? data.data() : nullptr, &size);
    if (rc == ERROR_SUCCESS) {
      data.resize(size);
      return true;
    }
    if (rc != ERROR_MORE_DATA) return false;
  }
  return false;
}

bool SetValue(RegRoot root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
              size_t size) {
  RegKey k = CreateKey(root, key);
  if (!k) return false;
  return ::RegSetValueExW(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}
}  // namespace

bool Win32Registry::ReadDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (!QueryBytes(root, key, name, type, data) || type != REG_DWORD || data.size() != 4) return false;
  out = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
        (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
  return true;
}

bool Win32Registry::ReadString(RegRoot root, const std::wstring& key, const std::wstring& name, std::wstring& out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (!QueryBytes(root, key, name, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  // Stored strings need not be terminated, nor of even length.
  std::wstring s;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    s.push_back(c);
  }
  out = std::move(s);
  return true;
}

bool Win32Registry::ReadBinary(RegRoot root, const std::wstring& key, const std::wstring& name,
                               std::vector<uint8_t>& out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (!QueryBytes(root, key, name, type, data) || type != REG_BINARY) return false;
  out = std::move(data);
  return true;
}

bool Win32Registry::WriteDword(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t value) {
  DWORD v = value;
  return SetValue(root, key, name, REG_DWORD, &v, sizeof v);
}

bool Win32Registry::WriteString(RegRoot root, const std::wstring& key, const std::wstring& name,
                                const std::wstring& value) {
  return SetValue(root, key, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

bool Win32Registry::WriteBinary(RegRoot root, const std::wstring& key, const std::wstring& name,
                                const std::vector<uint8_t>& value) {
  return SetValue(root, key, name, REG_BINARY, value.data(), value.size());
}

bool Win32Registry::DeleteValue(RegRoot root, const std::wstring& key, const std::wstring& name) {
  RegKey k = OpenKey(root, key, KEY_SET_VALUE);
  return k && ::RegDeleteValueW(k.get(), name.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::KeyExists(RegRoot root, const std::wstring& key) {
  return static_cast<bool>(OpenKey(root, key, KEY_READ));
}

bool Win32Registry::EnumSubkeys(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) {
  out.clear();
  RegKey k = OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
  if (!k) return false;
  DWORD maxLen = 0;
  ::RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
  std::vector<wchar_t> name(std::max<DWORD>(maxLen, 1024) + 1);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    LONG rc = ::RegEnumKeyExW(k.get(), i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;  // a name too long to hold is left out, the walk goes on
    out.emplace_back(name.data(), len);
  }
  return true;
}

bool Win32Registry::EnumValues(RegRoot root, const std::wstring& key, std::vector<std::wstring>& out) {
  out.clear();
  RegKey k = OpenKey(root, key, KEY_QUERY_VALUE);
  if (!k) return false;
  DWORD maxLen = 0;
  ::RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr,
                     nullptr, nullptr);
  std::vector<wchar_t> name(std::max<DWORD>(maxLen, 16383) + 1);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    LONG rc = ::RegEnumValueW(k.get(), i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    out.emplace_back(name.data(), len);
  }
  return true;
}

bool Win32Registry::QueryValue(RegRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type,
                               uint32_t& size) {
  RegKey k = OpenKey(root, key, KEY_QUERY_VALUE);
  if (!k) return false;
  DWORD t = 0, s = 0;
  if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, nullptr, &s) != ERROR_SUCCESS) return false;
  type = t;
  size = s;
  return true;
}

bool Win32Registry::DeleteKey(RegRoot root, const std::wstring& key) {
  std::wstring path = CleanPath(key);
  if (path.empty()) return false;  // never a whole root
  return ::RegDeleteTreeW(RootKey(root), path.c_str()) == ERROR_SUCCESS;
}
