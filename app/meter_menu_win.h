// The meter's popup menu (menu 130): loaded owner-drawn with its item images,
// the two sub-menus with one item per connection, the states of every item
// when a popup opens, and opening it at a point. The meter window owns one and
// forwards the menu messages to it; the tray icon opens the same popup.
#pragma once
#include <windows.h>

#include "measure/catalogue.h"
#include "settings/meter_settings.h"
#include "ui/owner_menu_win.h"

class CMeterMenu {
public:
  // What the states depend on besides the settings and the catalogue.
  struct WindowState {
    bool visible = false;
    bool modalOpen = false;
    bool canSetTransparency = false;
  };

  CMeterMenu() = default;
  CMeterMenu(const CMeterMenu&) = delete;
  CMeterMenu& operator=(const CMeterMenu&) = delete;

  // Loads the menu and its item images from `inst`.
  bool Load(HINSTANCE inst);
  HMENU menu() const { return items_.menu(); }
  // The one popup (position 0): the window and the tray icon open it.
  HMENU popup() const { return items_.Popup(0); }
  std::wstring Text(UINT id) const { return items_.Text(id); }

  // Replaces the placeholder of the connections sub-menu by one item per
  // connection, in both per-connection sub-menus.
  void FillConnectionMenus(Catalogue& catalogue, bool showIpInTitle);
  // Gives a connection its menu ids and its two items (a new connection).
  void AddConnectionItems(Catalogue& catalogue, AdapterEntry& entry, bool showIpInTitle);
  // WM_INITMENUPOPUP: takes over items added since, then updates every item.
  void OnInitMenuPopup(HMENU popup, const MeterSettings& settings, const Catalogue& catalogue,
                       const WindowState& window);
  void UpdateStates(const MeterSettings& settings, const Catalogue& catalogue, const WindowState& window);

  void SetDpi(int dpi) { items_.SetDpi(dpi); }
  bool OnMeasureItem(MEASUREITEMSTRUCT* mis) { return items_.OnMeasureItem(mis); }
  bool OnDrawItem(const DRAWITEMSTRUCT* dis) { return items_.OnDrawItem(dis); }
  LRESULT OnMenuChar(WPARAM wp, LPARAM lp) { return items_.OnMenuChar(wp, lp); }

  // Opens the popup at a screen point with right-button tracking; commands go to `owner`.
  void Open(HWND owner, POINT screen);
  POINT lastPopupPoint() const { return lastPopupPoint_; }

private:
  HMENU SubMenu(int position) const { return ::GetSubMenu(popup(), position); }

  COwnerMenu items_;
  POINT lastPopupPoint_{};
};
