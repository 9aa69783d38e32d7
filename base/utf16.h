// UTF-16 as stored in the registry and in binary records, independent of the
// width of wchar_t (2 bytes on Windows, 4 elsewhere).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::u16string ToUtf16(const std::wstring& text);
std::wstring FromUtf16(const std::u16string& units);

// Appends the units little-endian, two bytes each.
void AppendUtf16Le(std::vector<uint8_t>& out, const std::u16string& units);
// The units of `bytes` (little-endian pairs) up to the first NUL unit or the end;
// an odd last byte is ignored.
std::u16string ReadUtf16Le(const uint8_t* bytes, size_t size);

#include "base/bytes.h"

// Case folding for registry names and adapter IDs: ASCII letters only, so the
// result does not depend on the locale.
std::wstring AsciiUpper(std::wstring text);
std::string AsciiUpper(std::string text);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
