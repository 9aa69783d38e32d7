// A font description as the registry stores it: the 92-byte LOGFONTW image,
// little-endian, with a face name of 32 UTF-16 units whatever the width of wchar_t.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kLogFontSize = 92;
constexpr size_t kFaceNameUnits = 32;  // terminator included

struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  char16_t faceName[kFaceNameUnits] = {};  // NUL-terminated

  bool operator==(const LogFont&) const = default;

  std::wstring FaceName() const;
  // At most 31 units are kept so that the name stays terminated.
  void SetFaceName(const std::wstring& face);
};

// "Tahoma" with the given height and weight, every other field zero.
LogFont DefaultFont(int32_t height, int32_t weight);

std::vector<uint8_t> SerializeLogFont(const LogFont& font);
// False unless `data` holds exactly kLogFontSize bytes. The last face-name unit is
// forced to NUL so that a damaged image never yields an unterminated name.
bool ParseLogFont(const std::vector<uint8_t>& data, LogFont& out);
