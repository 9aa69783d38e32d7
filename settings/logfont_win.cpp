#include "settings/logfont_win.h"

#include <cwchar>

LOGFONTW ToLogFontW(const LogFont& f) {
  LOGFONTW lf{};
  lf.lfHeight = f.height;
  lf.lfWidth = f.width;
  lf.lfEscapement = f.escapement;
  lf.lfOrientation = f.orientation;
  lf.lfWeight = f.weight;
  lf.lfItalic = f.italic;
  lf.lfUnderline = f.underline;
  lf.lfStrikeOut = f.strikeOut;
  lf.lfCharSet = f.charSet;
  lf.lfOutPrecision = f.outPrecision;
  lf.lfClipPrecision = f.clipPrecision;
  lf.lfQuality = f.quality;
  lf.lfPitchAndFamily = f.pitchAndFamily;
  const std::wstring face = f.FaceName();
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return lf;
}

LogFont FromLogFontW(const LOGFONTW& lf) {
  LogFont f{.height = lf.lfHeight, .width = lf.lfWidth, .escapement = lf.lfEscapement,
            .orientation = lf.lfOrientation, .weight = lf.lfWeight, .italic = lf.lfItalic,
            .underline = lf.lfUnderline, .strikeOut = lf.lfStrikeOut, .charSet = lf.lfCharSet,
            .outPrecision = lf.lfOutPrecision, .clipPrecision = lf.lfClipPrecision, .quality = lf.lfQuality,
            .pitchAndFamily = lf.lfPitchAndFamily};
  f.SetFaceName(std::wstring(lf.lfFaceName, ::wcsnlen(lf.lfFaceName, LF_FACESIZE)));
  return f;
}
