#include "view/rate_view_options.h"

FontSpec FontSpecOf(const LogFont& font) {
  const std::wstring face = font.FaceName();
  return FontSpec{face.empty() ? std::wstring(L"Tahoma") : face, font.height, font.weight, font.italic != 0,
                  font.underline != 0, font.strikeOut != 0, font.charSet};
}

LogFont LogFontOf(const FontSpec& font) {
  LogFont out{.height = font.height, .weight = font.weight, .italic = font.italic, .underline = font.underline,
              .strikeOut = font.strikeOut, .charSet = font.charSet};
  out.SetFaceName(font.face);
  return out;
}
