#include "settings/autostart.h"

#include <vector>

#include "base/utf16.h"

namespace {
// The stored name as it is spelled, so that an off switch deletes that very value.
bool FindAutostartValue(RegistryStore& store, const std::wstring& runKey, std::wstring& name) {
  std::vector<std::wstring> names;
  if (!store.EnumValues(RegRoot::CurrentUser, runKey, names)) return false;
  for (const auto& n : names) {
    if (EqualNoCase(n, kAutostartValue)) {
      name = n;
      return true;
    }
  }
  return false;
}
}  // namespace

bool IsAutostartOn(RegistryStore& store, const std::wstring& runKey) {
  std::wstring name;
  return FindAutostartValue(store, runKey, name);
}

bool SetAutostart(RegistryStore& store, bool on, const std::wstring& programPath, const std::wstring& runKey) {
  std::wstring name;
  bool present = FindAutostartValue(store, runKey, name);
  if (on == present) return true;
  if (on) return store.WriteString(RegRoot::CurrentUser, runKey, kAutostartValue, programPath);
  return store.DeleteValue(RegRoot::CurrentUser, runKey, name);
}
