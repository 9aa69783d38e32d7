// The application object: single instance, run-time binding of IP Helper,
// and the meter window's run.
#pragma once
#include <windows.h>
#include <string>

inline constexpr wchar_t kInstanceMutexName[] = L"QUARLENZEPHRA183DBE88454C44ea9C0FFFC9D96E0B05";

// Runs the program; returns the process exit code.
int ApplicationStart(HINSTANCE inst);
// The text of the message shown when IP Helper cannot be bound.
std::wstring InitFailureText();
