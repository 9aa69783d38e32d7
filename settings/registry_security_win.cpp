#include "settings/registry_security_win.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "ui/handle_win.h"

namespace {

std::wstring KeyPath(const std::wstring& rootPath) {
  std::wstring path = rootPath;
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Sets the DACL on the key and, depth first, on every key below it.
LONG ApplyTree(HKEY parent, const std::wstring& name, PSECURITY_DESCRIPTOR sd) {
  HKEY raw = nullptr;
  LONG rc = ::RegOpenKeyExW(parent, name.c_str(), 0, WRITE_DAC | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &raw);
  if (rc != ERROR_SUCCESS) return rc;
  RegKey key(raw);
  rc = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, sd);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    wchar_t child[256];
    DWORD len = 256;
    const LONG e = ::RegEnumKeyExW(key.get(), i, child, &len, nullptr, nullptr, nullptr, nullptr);
    if (e == ERROR_NO_MORE_ITEMS) break;
    if (e == ERROR_SUCCESS) children.emplace_back(child, len);
  }
  for (const std::wstring& child : children)
    if ((rc = ApplyTree(key.get(), child, sd)) != ERROR_SUCCESS) return rc;
  return ERROR_SUCCESS;
}

}  // namespace

uint32_t SetMachineWideKeyAccess(const std::wstring& rootPath, bool grant, const std::wstring& userSid) {
  const std::wstring path = KeyPath(rootPath);
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  // Protected, so nothing is inherited from HKEY_LOCAL_MACHINE\Software (which lets Users read);
  // container-inherit, so keys written later get the same entries.
  std::wstring sddl = L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)";
  if (grant && !userSid.empty()) sddl += L"(A;CI;0x3001f;;;" + userSid + L")";  // KEY_READ | KEY_WRITE | DELETE
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
    return ::GetLastError();
  LONG rc = ERROR_SUCCESS;
  if (grant) {
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    HKEY created = nullptr;
    rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, &sa,
                           &created, nullptr);
    if (created) ::RegCloseKey(created);
  }
  if (rc == ERROR_SUCCESS) {
    rc = ApplyTree(HKEY_LOCAL_MACHINE, path, sd);
    if (!grant && rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
  }
  ::LocalFree(sd);
  return static_cast<uint32_t>(rc);
}

std::wstring CurrentUserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  KernelHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<uint8_t> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::wstring sid(text);
  ::LocalFree(text);
  return sid;
}
