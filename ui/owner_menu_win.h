// A popup menu drawn by its owner: every item keeps its text, id and states
// and gains a column on the left for its image, check mark or radio bullet.
// The owner window forwards WM_MEASUREITEM, WM_DRAWITEM, WM_MENUCHAR and
// WM_INITMENUPOPUP; items added at run time are taken over when their popup opens.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/handle_win.h"

class COwnerMenu {
public:
  COwnerMenu() = default;
  ~COwnerMenu() = default;
  COwnerMenu(const COwnerMenu&) = delete;
  COwnerMenu& operator=(const COwnerMenu&) = delete;

  // Takes ownership of a loaded menu and makes every item owner-drawn.
  bool Attach(HMENU menu);
  // The image strip: 16 x 16 images side by side, image i for ids[i];
  // magenta RGB(255, 0, 255) is transparent.
  bool LoadImages(HINSTANCE inst, int bitmapId, const std::vector<UINT>& ids);
  bool SetImages(HBITMAP strip, const std::vector<UINT>& ids);  // takes ownership

  HMENU menu() const { return menu_.get(); }
  HMENU Popup(int position) const { return ::GetSubMenu(menu_.get(), position); }

  // Forwarded messages; false / MNC_IGNORE when the item is not one of ours.
  bool OnMeasureItem(MEASUREITEMSTRUCT* mis);
  bool OnDrawItem(const DRAWITEMSTRUCT* dis);
  LRESULT OnMenuChar(WPARAM wp, LPARAM lp);
  // Takes over items added to the popup since it was last opened (for example
  // one per connection) and forgets the data of items that were removed. A
  // popup that is not part of this menu (the window's system menu) is left alone.
  void OnInitMenuPopup(HMENU popup);
  // For the owner's window procedure: true when the message was handled, with its result.
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  // State updates by command id (searching the sub-menus too).
  bool SetText(UINT id, const std::wstring& text);
  std::wstring Text(UINT id) const;
  bool SetCheck(UINT id, bool checked);
  bool SetRadio(UINT id, bool on);  // a radio bullet instead of a check mark
  bool Enable(UINT id, bool enabled);
  // Appends an owner-drawn item to one of the menu's popups.
  bool AppendItem(HMENU popup, UINT id, const std::wstring& text);

  // The DPI the items are measured and drawn at (the system's until set):
  // their gaps, heights and images are 96-DPI sizes scaled to it.
  void SetDpi(int dpi);

  // The drawing in pieces, for the tests: the left column's width and an item's size.
  static constexpr int kImageColumn = 24;
  SIZE MeasureText(const std::wstring& text) const;

private:
  struct ItemData {
    std::wstring text;  // with its "&" mnemonic and a tab before the accelerator
  };

  void Convert(HMENU menu);
  bool Holds(HMENU menu, HMENU popup) const;
  ItemData* OurData(ULONG_PTR data) const;
  ItemData* DataFor(UINT id) const;
  void CollectGarbage();
  void CollectLive(HMENU menu, std::vector<ItemData*>& live) const;
  HFONT Font() const;
  int ImageFor(UINT id) const;
  void DrawImage(HDC dc, int image, int x, int y, bool grey) const;
  void DrawMark(HDC dc, const RECT& column, bool radio, COLORREF colour) const;

  MenuHandle menu_;
  std::vector<std::unique_ptr<ItemData>> items_;
  std::map<UINT, int> images_;  // command id -> image index
  BitmapHandle strip_, greyStrip_;
  int imageCount_ = 0;
  mutable FontHandle font_;  // the menu font at dpi_, made on first use
  int dpi_ = 0;              // 0: the system's
  int S(int v) const;        // v px at 96 DPI at the menu's DPI
};

// The mnemonic character of a menu text ("&Options" -> 'o'), lower case; 0 when none.
wchar_t MenuMnemonic(const std::wstring& text);
