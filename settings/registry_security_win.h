// Who may read and write the program's machine-wide key. The companion service
// reads it as the local system; it holds the mail password, so no other user
// may read it, and the user who switched service mode on may keep it current.
#pragma once
#include <cstdint>
#include <string>

// Gives HKEY_LOCAL_MACHINE\<rootPath> and every key below it a protected DACL:
// SYSTEM and Administrators full control, and, when `grant` and `userSid` (a SID
// string) is not empty, that user read, write and delete; keys created later
// inherit it. Creates the key when granting; a missing key is left missing
// otherwise. Returns 0 or the system's error code.
uint32_t SetMachineWideKeyAccess(const std::wstring& rootPath, bool grant, const std::wstring& userSid);

// The SID string of the process's user, empty when it cannot be read.
std::wstring CurrentUserSid();
