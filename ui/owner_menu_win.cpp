#include "ui/owner_menu_win.h"

#include <algorithm>
#include <cwctype>

#include "ui/dpi_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);
constexpr int kImageSize = 16;
constexpr int kTextGap = 4;        // between the image column and the text
constexpr int kAccelGap = 24;      // between the label and the accelerator
constexpr int kRightMargin = 16;   // room for the sub-menu arrow
constexpr int kMinHeight = 20;

std::wstring Label(const std::wstring& text) { return text.substr(0, text.find(L'\t')); }
std::wstring Accelerator(const std::wstring& text) {
  const size_t tab = text.find(L'\t');
  return tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1);
}

// A 32-bit top-down copy of `src` with every visible pixel turned into a light
// grey, for the images of greyed items; magenta stays transparent.
HBITMAP MakeGreyCopy(HBITMAP src) {
  BITMAP bm{};
  if (!::GetObjectW(src, sizeof bm, &bm)) return nullptr;
  BITMAPINFO bi = TopDownBitmapInfo(bm.bmWidth, bm.bmHeight);
  void* bits = nullptr;
  HBITMAP grey = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!grey) return nullptr;
  HDC screen = ::GetDC(nullptr);
  const int got = ::GetDIBits(screen, src, 0, static_cast<UINT>(bm.bmHeight), bits, &bi, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (got != bm.bmHeight) {
    ::DeleteObject(grey);
    return nullptr;
  }
  auto* px = static_cast<uint32_t*>(bits);
  const size_t count = static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = px[i] & 0xFFFFFF;
    if (p == 0xFF00FF) continue;  // magenta in a DIB: blue 0xFF, green 0, red 0xFF
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    const uint32_t lum = (r * 30 + g * 59 + b * 11) / 100;
    const uint32_t v = 128 + lum / 2;  // 128..255: pale, never magenta
    px[i] = (v << 16) | (v << 8) | v;
  }
  ::GdiFlush();
  return grey;
}

}  // namespace

wchar_t MenuMnemonic(const std::wstring& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] == L'&') {  // "&&" is a literal ampersand
      ++i;
      continue;
    }
    return static_cast<wchar_t>(std::towlower(text[i + 1]));
  }
  return 0;
}

bool COwnerMenu::Attach(HMENU menu) {
  if (!menu || !::IsMenu(menu)) return false;
  menu_.reset(menu);
  Convert(menu);
  return true;
}

bool COwnerMenu::LoadImages(HINSTANCE inst, int bitmapId, const std::vector<UINT>& ids) {
  auto strip = static_cast<HBITMAP>(
      ::LoadImageW(inst, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return strip && SetImages(strip, ids);
}

bool COwnerMenu::SetImages(HBITMAP strip, const std::vector<UINT>& ids) {
  strip_.reset(strip);
  greyStrip_.reset(MakeGreyCopy(strip));
  BITMAP bm{};
  if (!::GetObjectW(strip, sizeof bm, &bm)) return false;
  imageCount_ = bm.bmWidth / kImageSize;
  images_.clear();
  for (size_t i = 0; i < ids.size() && static_cast<int>(i) < imageCount_; ++i) images_[ids[i]] = static_cast<int>(i);
  return static_cast<int>(ids.size()) <= imageCount_;
}

COwnerMenu::ItemData* COwnerMenu::OurData(ULONG_PTR data) const {
  if (!data) return nullptr;
  for (const auto& item : items_)
    if (reinterpret_cast<ULONG_PTR>(item.get()) == data) return item.get();
  return nullptr;
}

void COwnerMenu::Convert(HMENU menu) {
  const int count = ::GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    wchar_t buffer[256] = {};
    MENUITEMINFOW mii{sizeof mii};
    mii.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
    mii.dwTypeData = buffer;
    mii.cch = static_cast<UINT>(std::size(buffer));
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii)) continue;
    if (mii.hSubMenu) Convert(mii.hSubMenu);
    if (mii.fType & MFT_SEPARATOR) continue;
    if ((mii.fType & MFT_OWNERDRAW) && OurData(mii.dwItemData)) continue;
    auto data = std::make_unique<ItemData>();
    data->text = buffer;
    MENUITEMINFOW set{sizeof set};
    set.fMask = MIIM_FTYPE | MIIM_DATA;
    set.fType = (mii.fType & (MFT_RADIOCHECK | MFT_MENUBARBREAK | MFT_MENUBREAK)) | MFT_OWNERDRAW;
    set.dwItemData = reinterpret_cast<ULONG_PTR>(data.get());
    if (::SetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &set)) items_.push_back(std::move(data));
  }
}

void COwnerMenu::CollectLive(HMENU menu, std::vector<ItemData*>& live) const {
  const int count = ::GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    MENUITEMINFOW mii{sizeof mii};
    mii.fMask = MIIM_SUBMENU | MIIM_DATA;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii)) continue;
    if (ItemData* d = OurData(mii.dwItemData)) live.push_back(d);
    if (mii.hSubMenu) CollectLive(mii.hSubMenu, live);
  }
}

void COwnerMenu::CollectGarbage() {
  if (!menu_) return;
  std::vector<ItemData*> live;
  CollectLive(menu_.get(), live);
  std::sort(live.begin(), live.end());
  std::erase_if(items_, [&](const std::unique_ptr<ItemData>& d) {
    return !std::binary_search(live.begin(), live.end(), d.get());
  });
}

bool COwnerMenu::Holds(HMENU menu, HMENU popup) const {
  if (menu == popup) return true;
  const int count = ::GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos)
    if (HMENU sub = ::GetSubMenu(menu, pos); sub && Holds(sub, popup)) return true;
  return false;
}

void COwnerMenu::OnInitMenuPopup(HMENU popup) {
  // Other menus of the owner, such as its system menu, stay the system's.
  if (!popup || !menu_ || !Holds(menu_.get(), popup)) return;
  CollectGarbage();
  Convert(popup);
}

COwnerMenu::ItemData* COwnerMenu::DataFor(UINT id) const {
  MENUITEMINFOW mii{sizeof mii};
  mii.fMask = MIIM_DATA | MIIM_FTYPE;
  if (!menu_ || !::GetMenuItemInfoW(menu_.get(), id, FALSE, &mii)) return nullptr;
  return (mii.fType & MFT_OWNERDRAW) ? OurData(mii.dwItemData) : nullptr;
}

bool COwnerMenu::SetText(UINT id, const std::wstring& text) {
  if (!menu_) return false;
  if (ItemData* d = DataFor(id)) {
    d->text = text;
    // Setting the data again makes the menu measure the item anew.
    MENUITEMINFOW mii{sizeof mii};
    mii.fMask = MIIM_DATA;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(d);
    return ::SetMenuItemInfoW(menu_.get(), id, FALSE, &mii) != FALSE;
  }
  // Not taken over yet: an ordinary string item, converted when its popup opens.
  MENUITEMINFOW mii{sizeof mii};
  mii.fMask = MIIM_STRING;
  mii.dwTypeData = const_cast<wchar_t*>(text.c_str());
  return ::SetMenuItemInfoW(menu_.get(), id, FALSE, &mii) != FALSE;
}

std::wstring COwnerMenu::Text(UINT id) const {
  if (ItemData* d = DataFor(id)) return d->text;
  wchar_t buffer[256] = {};
  if (menu_ && ::GetMenuStringW(menu_.get(), id, buffer, static_cast<int>(std::size(buffer)), MF_BYCOMMAND) > 0)
    return buffer;
  return std::wstring();
}

bool COwnerMenu::SetCheck(UINT id, bool checked) {
  return menu_ && ::CheckMenuItem(menu_.get(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED)) != 0xFFFFFFFF;
}

bool COwnerMenu::SetRadio(UINT id, bool on) {
  if (!menu_) return false;
  MENUITEMINFOW mii{sizeof mii};
  mii.fMask = MIIM_FTYPE;
  if (!::GetMenuItemInfoW(menu_.get(), id, FALSE, &mii)) return false;
  mii.fType |= MFT_RADIOCHECK;
  if (!::SetMenuItemInfoW(menu_.get(), id, FALSE, &mii)) return false;
  return SetCheck(id, on);
}

bool COwnerMenu::Enable(UINT id, bool enabled) {
  return menu_ && ::EnableMenuItem(menu_.get(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)) != -1;
}

bool COwnerMenu::AppendItem(HMENU popup, UINT id, const std::wstring& text) {
  if (!::AppendMenuW(popup, MF_STRING, id, text.c_str())) return false;
  Convert(popup);
  return true;
}

int COwnerMenu::S(int v) const { return Scale(v, dpi_ ? dpi_ : static_cast<int32_t>(SystemDpi())); }

void COwnerMenu::SetDpi(int dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  font_.reset();
}

HFONT COwnerMenu::Font() const {
  if (!font_) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    HFONT f = nullptr;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
      // The system gives the menu font at its own DPI.
      ncm.lfMenuFont.lfHeight = Rescale(ncm.lfMenuFont.lfHeight, static_cast<int32_t>(SystemDpi()),
                                             dpi_ ? dpi_ : static_cast<int32_t>(SystemDpi()));
      f = ::CreateFontIndirectW(&ncm.lfMenuFont);
    }
    font_.reset(f);
  }
  return font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

SIZE COwnerMenu::MeasureText(const std::wstring& text) const {
  HDC dc = ::GetDC(nullptr);
  SIZE size{0, 0};
  {
    SelectGuard font(dc, Font());
    RECT label{0, 0, 0, 0};
    const std::wstring l = Label(text), a = Accelerator(text);
    ::DrawTextW(dc, l.c_str(), static_cast<int>(l.size()), &label, DT_SINGLELINE | DT_CALCRECT);
    size.cx = S(kImageColumn) + S(kTextGap) + label.right + S(kRightMargin);
    size.cy = label.bottom;
    if (!a.empty()) {
      RECT accel{0, 0, 0, 0};
      ::DrawTextW(dc, a.c_str(), static_cast<int>(a.size()), &accel, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
      size.cx += S(kAccelGap) + accel.right;
    }
  }
  ::ReleaseDC(nullptr, dc);
  size.cy = std::max(S(kMinHeight), static_cast<int>(size.cy) + S(6));
  return size;
}

bool COwnerMenu::OnMeasureItem(MEASUREITEMSTRUCT* mis) {
  if (!mis || mis->CtlType != ODT_MENU) return false;
  ItemData* d = OurData(mis->itemData);
  if (!d) return false;
  const SIZE s = MeasureText(d->text);
  mis->itemWidth = static_cast<UINT>(s.cx);
  mis->itemHeight = static_cast<UINT>(s.cy);
  return true;
}

int COwnerMenu::ImageFor(UINT id) const {
  const auto it = images_.find(id);
  return it == images_.end() ? -1 : it->second;
}

void COwnerMenu::DrawImage(HDC dc, int image, int x, int y, bool grey) const {
  HBITMAP strip = grey && greyStrip_ ? greyStrip_.get() : strip_.get();
  if (!strip) return;
  MemoryDc mem(::CreateCompatibleDC(dc));
  SelectGuard sel(mem.get(), strip);
  ::TransparentBlt(dc, x, y, S(kImageSize), S(kImageSize), mem.get(), image * kImageSize, 0, kImageSize, kImageSize,
                   kTransparent);
}

void COwnerMenu::DrawMark(HDC dc, const RECT& column, bool radio, COLORREF colour) const {
  const int cx = (column.left + column.right) / 2;
  const int cy = (column.top + column.bottom) / 2;
  if (radio) {
    BrushHandle brush(::CreateSolidBrush(colour));
    PenHandle pen(::CreatePen(PS_SOLID, 1, colour));
    SelectGuard b(dc, brush.get());
    SelectGuard p(dc, pen.get());
    ::Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
    return;
  }
  // A tick: down from the left to the bottom, then up to the right, 3 pixels thick.
  PenHandle pen(::CreatePen(PS_SOLID, 1, colour));
  SelectGuard p(dc, pen.get());
  for (int t = 0; t < 3; ++t) {
    ::MoveToEx(dc, cx - 4, cy - 2 + t, nullptr);
    ::LineTo(dc, cx - 1, cy + 1 + t);
    ::LineTo(dc, cx + 5, cy - 5 + t);
  }
}

bool COwnerMenu::OnDrawItem(const DRAWITEMSTRUCT* dis) {
  if (!dis || dis->CtlType != ODT_MENU) return false;
  ItemData* d = OurData(dis->itemData);
  if (!d) return false;
  HDC dc = dis->hDC;
  const RECT& r = dis->rcItem;
  const bool selected = (dis->itemState & ODS_SELECTED) != 0;
  const bool grey = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  const bool checked = (dis->itemState & ODS_CHECKED) != 0;

  BrushHandle back(::CreateSolidBrush(::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU)));
  ::FillRect(dc, &r, back.get());

  // Images and radio marks belong to plain command items, never to sub-menus.
  HMENU owner = reinterpret_cast<HMENU>(dis->hwndItem);
  MENUITEMINFOW mii{sizeof mii};
  mii.fMask = MIIM_FTYPE | MIIM_SUBMENU;
  const bool isCommand = ::GetMenuItemInfoW(owner, dis->itemID, FALSE, &mii) && !mii.hSubMenu;
  const bool radio = isCommand && (mii.fType & MFT_RADIOCHECK);
  const int image = isCommand ? ImageFor(dis->itemID) : -1;

  const COLORREF textColour = grey ? ::GetSysColor(COLOR_GRAYTEXT)
                                   : ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
  const RECT column{r.left, r.top, r.left + S(kImageColumn), r.bottom};
  if (image >= 0) {
    const int x = column.left + (S(kImageColumn) - S(kImageSize)) / 2;
    const int y = column.top + (column.bottom - column.top - S(kImageSize)) / 2;
    if (checked) {
      RECT frame{x - 2, y - 2, x + S(kImageSize) + 2, y + S(kImageSize) + 2};
      ::DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    DrawImage(dc, image, x, y, grey);
  } else if (checked) {
    DrawMark(dc, column, radio, textColour);
  }

  RECT text{column.right + S(kTextGap), r.top, r.right - S(kRightMargin), r.bottom};
  const std::wstring label = Label(d->text), accel = Accelerator(d->text);
  const UINT prefix = (dis->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  SelectGuard font(dc, Font());
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  auto drawText = [&](const RECT& box, COLORREF colour) {
    ::SetTextColor(dc, colour);
    RECT b = box;
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &b, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    if (!accel.empty()) {
      b = box;
      ::DrawTextW(dc, accel.c_str(), static_cast<int>(accel.size()), &b,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
  };
  if (grey && !selected) {
    // Engraved: a highlight one pixel down and right, the grey text above it.
    RECT shifted{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
    drawText(shifted, ::GetSysColor(COLOR_3DHILIGHT));
  }
  drawText(text, textColour);
  ::SetBkMode(dc, oldMode);
  return true;
}

LRESULT COwnerMenu::OnMenuChar(WPARAM wp, LPARAM lp) {
  const wchar_t ch = static_cast<wchar_t>(std::towlower(static_cast<wchar_t>(LOWORD(wp))));
  HMENU popup = reinterpret_cast<HMENU>(lp);
  if (!popup || !ch) return MAKELRESULT(0, MNC_IGNORE);
  const int count = ::GetMenuItemCount(popup);
  std::vector<int> matches;
  int current = -1;
  for (int pos = 0; pos < count; ++pos) {
    MENUITEMINFOW mii{sizeof mii};
    mii.fMask = MIIM_DATA | MIIM_STATE | MIIM_FTYPE;
    if (!::GetMenuItemInfoW(popup, static_cast<UINT>(pos), TRUE, &mii)) continue;
    if (mii.fState & MFS_HILITE) current = pos;
    ItemData* d = (mii.fType & MFT_OWNERDRAW) ? OurData(mii.dwItemData) : nullptr;
    if (d && MenuMnemonic(d->text) == ch) matches.push_back(pos);
  }
  if (matches.empty()) return MAKELRESULT(0, MNC_IGNORE);
  if (matches.size() == 1) return MAKELRESULT(matches[0], MNC_EXECUTE);
  // Several items share the key: move to the next one after the highlighted item.
  for (int pos : matches)
    if (pos > current) return MAKELRESULT(pos, MNC_SELECT);
  return MAKELRESULT(matches[0], MNC_SELECT);
}

bool COwnerMenu::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_MEASUREITEM:
      if (!OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return false;
      result = TRUE;
      return true;
    case WM_DRAWITEM:
      if (!OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return false;
      result = TRUE;
      return true;
    case WM_MENUCHAR: {
      const LRESULT r = OnMenuChar(wp, lp);
      if (HIWORD(r) == MNC_IGNORE) return false;
      result = r;
      return true;
    }
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
      return false;  // the owner still updates the states
    default:
      return false;
  }
}
