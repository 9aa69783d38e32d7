#include "base/utf16.h"

std::u16string ToUtf16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t wc : text) {
    uint32_t c = static_cast<uint32_t>(wc);
    if constexpr (sizeof(wchar_t) > 2) {
      if (c > 0x10FFFF) c = 0xFFFD;
      if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        continue;
      }
    }
    out.push_back(static_cast<char16_t>(c));
  }
  return out;
}

std::wstring FromUtf16(const std::u16string& units) {
  std::wstring out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if constexpr (sizeof(wchar_t) > 2) {
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
      }
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

void AppendUtf16Le(std::vector<uint8_t>& out, const std::u16string& units) {
  for (char16_t u : units) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
}

std::u16string ReadUtf16Le(const uint8_t* bytes, size_t size) {
  std::u16string out;
  for (size_t i = 0; i + 1 < size; i += 2) {
    char16_t u = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (u == 0) break;
    out.push_back(u);
  }
  return out;
}

void PutUtf16Field(uint8_t* at, size_t units, const std::wstring& text) {
  std::u16string u = ToUtf16(text);
  if (u.size() > units - 1) u.resize(units - 1);
  for (size_t i = 0; i < u.size(); ++i) PutU16Le(at + 2 * i, u[i]);
}

std::wstring GetUtf16Field(const uint8_t* at, size_t units) { return FromUtf16(ReadUtf16Le(at, 2 * (units - 1))); }

void PutTextField(uint8_t* at, size_t size, const std::string& text) {
  for (size_t i = 0; i < text.size() && i < size - 1; ++i) at[i] = static_cast<uint8_t>(text[i]);
}

std::string GetTextField(const uint8_t* at, size_t size) {
  std::string out;
  for (size_t i = 0; i < size - 1 && at[i] != 0; ++i) out.push_back(static_cast<char>(at[i]));
  return out;
}

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}
