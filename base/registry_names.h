// Where the program keeps its values: one root under HKEY_CURRENT_USER (and
// its machine-wide copy under HKEY_LOCAL_MACHINE), with a key per concern.
#pragma once

inline constexpr wchar_t kDefaultRootPath[] = L"Software\\Quarlen\\Zephra\\";
inline constexpr wchar_t kOptionsSubkey[] = L"Options";
inline constexpr wchar_t kAdaptersKeyName[] = L"AdaptersEx";
// Below the options key: the e-mail settings.
inline constexpr wchar_t kEmailSettingsKeyName[] = L"EmailSettings";
