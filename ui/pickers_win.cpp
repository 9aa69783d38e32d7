#include "ui/pickers_win.h"

#include "ui/common_dialogs_win.h"

namespace {

bool PlatformColour(HWND owner, COLORREF& colour) {
  static COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = owner;
  cc.rgbResult = colour;
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
  if (!CommonChooseColour(&cc)) return false;
  colour = cc.rgbResult;
  return true;
}

bool PlatformFont(HWND owner, LOGFONTW& font) {
  // The dialog works on its own copy: a failure leaves no half-filled description.
  LOGFONTW work = font;
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = owner;
  cf.lpLogFont = &work;
  cf.Flags = CF_SCREENFONTS | CF_NOVERTFONTS | CF_NOSCRIPTSEL | CF_INITTOLOGFONTSTRUCT;
  if (!CommonChooseFont(&cf)) return false;
  font = work;
  return true;
}

BOOL PlatformFile(OPENFILENAMEW* ofn, bool open) {
  return open ? CommonGetOpenFileName(ofn) : CommonGetSaveFileName(ofn);
}

}  // namespace

Pickers& CurrentPickers() {
  static Pickers pickers{&PlatformColour, &PlatformFont, &PlatformFile};
  return pickers;
}

bool PickColour(HWND owner, COLORREF& colour) {
  COLORREF work = colour;
  if (!CurrentPickers().colour || !CurrentPickers().colour(owner, work)) return false;
  colour = work;
  return true;
}

bool PickFont(HWND owner, LOGFONTW& font) {
  LOGFONTW work = font;
  if (!CurrentPickers().font || !CurrentPickers().font(owner, work)) return false;
  font = work;
  return true;
}
