#include "settings/logfont.h"

#include "base/utf16.h"

std::wstring LogFont::FaceName() const {
  std::u16string units;
  for (char16_t u : faceName) {
    if (u == 0) break;
    units.push_back(u);
  }
  return FromUtf16(units);
}

void LogFont::SetFaceName(const std::wstring& face) {
  std::u16string units = ToUtf16(face);
  if (units.size() > kFaceNameUnits - 1) units.resize(kFaceNameUnits - 1);
  for (size_t i = 0; i < kFaceNameUnits; ++i) faceName[i] = i < units.size() ? units[i] : 0;
}

LogFont DefaultFont(int32_t height, int32_t weight) {
  LogFont f;
  f.height = height;
  f.weight = weight;
  f.SetFaceName(L"Tahoma");
  return f;
}

// Offsets of the image: five 32-bit fields, eight single bytes, then the face name.
namespace {
constexpr size_t kBytesAt = 20;
constexpr size_t kFaceAt = 28;
}  // namespace

std::vector<uint8_t> SerializeLogFont(const LogFont& f) {
  std::vector<uint8_t> out(kLogFontSize, 0);
  const int32_t ints[5] = {f.height, f.width, f.escapement, f.orientation, f.weight};
  for (size_t i = 0; i < 5; ++i) PutU32Le(&out[i * 4], static_cast<uint32_t>(ints[i]));
  const uint8_t bytes[8] = {f.italic,       f.underline,     f.strikeOut, f.charSet,
                            f.outPrecision, f.clipPrecision, f.quality,   f.pitchAndFamily};
  for (size_t i = 0; i < 8; ++i) out[kBytesAt + i] = bytes[i];
  for (size_t i = 0; i < kFaceNameUnits; ++i) {
    out[kFaceAt + 2 * i] = static_cast<uint8_t>(f.faceName[i] & 0xFF);
    out[kFaceAt + 2 * i + 1] = static_cast<uint8_t>(f.faceName[i] >> 8);
  }
  return out;
}

bool ParseLogFont(const std::vector<uint8_t>& data, LogFont& out) {
  if (data.size() != kLogFontSize) return false;
  LogFont f;
  int32_t* ints[5] = {&f.height, &f.width, &f.escapement, &f.orientation, &f.weight};
  for (size_t i = 0; i < 5; ++i) *ints[i] = static_cast<int32_t>(GetU32Le(&data[i * 4]));
  uint8_t* bytes[8] = {&f.italic,       &f.underline,     &f.strikeOut, &f.charSet,
                       &f.outPrecision, &f.clipPrecision, &f.quality,   &f.pitchAndFamily};
  for (size_t i = 0; i < 8; ++i) *bytes[i] = data[kBytesAt + i];
  for (size_t i = 0; i < kFaceNameUnits; ++i)
    f.faceName[i] = static_cast<char16_t>(data[kFaceAt + 2 * i] | (data[kFaceAt + 2 * i + 1] << 8));
  f.faceName[kFaceNameUnits - 1] = 0;
  out = f;
  return true;
}
