#include "ui/colour_button_win.h"

#include "ui/handle_win.h"
#include "ui/pickers_win.h"

void CColourButton::Attach(HWND button, COLORREF colour) {
  button_ = button;
  SetColour(colour);
}

void CColourButton::SetColour(COLORREF colour) {
  colour_ = colour & 0x00FFFFFF;
  if (button_) ::InvalidateRect(button_, nullptr, FALSE);
}

bool CColourButton::Choose() {
  COLORREF chosen = colour_;
  if (!PickColour(::GetParent(button_), chosen) || (chosen & 0x00FFFFFF) == colour_) return false;
  SetColour(chosen);
  return true;
}

bool CColourButton::OnDrawItem(const DRAWITEMSTRUCT* dis) const {
  if (!button_ || dis->hwndItem != button_) return false;
  RECT r = dis->rcItem;
  const bool pushed = (dis->itemState & ODS_SELECTED) != 0;
  ::DrawFrameControl(dis->hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  RECT face = r;
  ::InflateRect(&face, -4, -4);
  if (pushed) ::OffsetRect(&face, 1, 1);
  const bool enabled = (dis->itemState & ODS_DISABLED) == 0;
  BrushHandle fill(::CreateSolidBrush(enabled ? colour_ : ::GetSysColor(COLOR_BTNFACE)));
  ::FillRect(dis->hDC, &face, fill.get());
  ::FrameRect(dis->hDC, &face, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  if (dis->itemState & ODS_FOCUS) {
    RECT focus = r;
    ::InflateRect(&focus, -2, -2);
    ::DrawFocusRect(dis->hDC, &focus);
  }
  return true;
}
