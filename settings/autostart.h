// Start at logon: a value "Zephra" under the current user's Run key holding the
// program's full path.
#pragma once
#include <string>

#include "settings/registry_store.h"

constexpr const wchar_t* kRunKeyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kAutostartValue = L"Zephra";

// True when the Run key holds a value named "Zephra", in any letter case.
bool IsAutostartOn(RegistryStore& store, const std::wstring& runKey = kRunKeyPath);

// Brings the Run key in line with the wish: on writes "Zephra" = programPath,
// off deletes it; nothing when it already agrees. False when the change failed.
bool SetAutostart(RegistryStore& store, bool on, const std::wstring& programPath,
                  const std::wstring& runKey = kRunKeyPath);
