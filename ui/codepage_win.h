// Wide text in the system's 8-bit code page, for files written for the user.
#pragma once
#include <string>
#include <string_view>

// Characters the code page lacks become the platform's default replacement;
// none is dropped.
std::string ToSystemCodePage(std::wstring_view text);
