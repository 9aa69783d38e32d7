#include "app/meter_menu_win.h"

#include "app/meter_menu.h"
#include "res/resource.h"

bool CMeterMenu::Load(HINSTANCE inst) {
  if (!items_.Attach(::LoadMenuW(inst, MAKEINTRESOURCEW(IDR_POPUP)))) return false;
  items_.LoadImages(inst, IDB_MENU_IMAGES, {ID_SHOW_WINDOW, ID_OPTIONS, ID_STOPWATCH, ID_REPORTS, ID_HELP_INDEX});
  return true;
}

void CMeterMenu::FillConnectionMenus(Catalogue& catalogue, bool showIpInTitle) {
  HMENU adapters = SubMenu(POPUP_POS_ADAPTERS);
  if (adapters) ::DeleteMenu(adapters, 0, MF_BYPOSITION);  // the "(No Adapter)" placeholder
  for (auto& e : catalogue.entries) AddConnectionItems(catalogue, *e, showIpInTitle);
}

void CMeterMenu::AddConnectionItems(Catalogue& catalogue, AdapterEntry& entry, bool showIpInTitle) {
  AssignMenuIds(catalogue, entry);
  const std::wstring title = EntryTitle(entry, showIpInTitle);
  auto hasItem = [](HMENU m, int32_t id) { return ::GetMenuState(m, static_cast<UINT>(id), MF_BYCOMMAND) != 0xFFFFFFFF; };
  HMENU adapters = SubMenu(POPUP_POS_ADAPTERS);
  HMENU reset = SubMenu(POPUP_POS_RESET);
  if (adapters && entry.adapterMenuId && !hasItem(adapters, entry.adapterMenuId))
    items_.AppendItem(adapters, static_cast<UINT>(entry.adapterMenuId), title);
  if (reset && entry.resetMenuId && !hasItem(reset, entry.resetMenuId))
    items_.AppendItem(reset, static_cast<UINT>(entry.resetMenuId), title);
}

void CMeterMenu::OnInitMenuPopup(HMENU popup, const MeterSettings& settings, const Catalogue& catalogue,
                                 const WindowState& window) {
  items_.OnInitMenuPopup(popup);
  UpdateStates(settings, catalogue, window);
}

void CMeterMenu::UpdateStates(const MeterSettings& settings, const Catalogue& catalogue, const WindowState& window) {
  items_.Enable(ID_SHOW_WINDOW, !window.visible);
  items_.Enable(ID_HIDE_WINDOW, window.visible);
  items_.Enable(ID_OPTIONS, !window.modalOpen);
  items_.Enable(ID_REPORTS, !window.modalOpen);
  items_.Enable(ID_STOPWATCH, !window.modalOpen);
  items_.Enable(ID_RATES_RECORDER, !window.modalOpen);
  items_.Enable(ID_ABOUT, !window.modalOpen);

  for (const MenuToggle& t : MenuToggles()) {
    const ToggleMark mark = MarkOf(t, settings, window.canSetTransparency);
    items_.Enable(t.id, mark.enabled);
    if (mark.radio) {
      items_.SetRadio(t.id, mark.marked);
    } else {
      items_.SetCheck(t.id, mark.marked);
    }
  }

  const bool showIp = settings.showIpInTitle != 0;
  for (const auto& e : catalogue.entries) {
    const std::wstring title = EntryTitle(*e, showIp);
    if (e->adapterMenuId) {
      items_.SetText(static_cast<UINT>(e->adapterMenuId), title);
      items_.SetCheck(static_cast<UINT>(e->adapterMenuId), e->monitored);
    }
    if (e->resetMenuId) {
      items_.SetText(static_cast<UINT>(e->resetMenuId), title);
      items_.Enable(static_cast<UINT>(e->resetMenuId), e->monitored);
    }
  }
  items_.Enable(ID_RESET_RANGE_ALL, true);
}

void CMeterMenu::Open(HWND owner, POINT screen) {
  HMENU menu = popup();
  if (!menu) return;
  lastPopupPoint_ = screen;
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
  ::PostMessageW(owner, WM_NULL, 0, 0);
}
