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

// Fixed-size text fields of binary records, NUL-terminated and zero-padded:
// `units` UTF-16 units (2 bytes each) or `size` bytes of 8-bit text. A text
// longer than its field minus the terminator is cut when stored; reading ends
// at the first NUL or at the field's limit. The field must already be zeroed.
void PutUtf16Field(uint8_t* at, size_t units, const std::wstring& text);
std::wstring GetUtf16Field(const uint8_t* at, size_t units);
void PutTextField(uint8_t* at, size_t size, const std::string& text);
std::string GetTextField(const uint8_t* at, size_t size);

#include "base/bytes.h"

// Case folding for registry names and adapter IDs: ASCII letters only, so the
// result does not depend on the locale.
std::wstring AsciiUpper(std::wstring text);
std::string AsciiUpper(std::string text);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
