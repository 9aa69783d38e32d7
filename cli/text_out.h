// Text for the command line's own outputs: UTF-8 for arguments and JSON
// (whatever the width of wchar_t), JSON string literals and ISO dates.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/dates.h"
#include "base/format.h"  // IsoDate

std::string Utf8FromWide(std::wstring_view text);
// Malformed bytes become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

// A JSON string literal, quotes included, from UTF-8 text.
std::string JsonString(std::string_view utf8);
std::string JsonString(std::wstring_view text);
