// The stored font record and the platform's LOGFONTW, both ways: how the
// options page hands a font to the font picker and how a view makes its font.
#pragma once
#include <windows.h>

#include "settings/logfont.h"

LOGFONTW ToLogFontW(const LogFont& font);
LogFont FromLogFontW(const LOGFONTW& lf);
