#include "app/meter_menu.h"

#include "res/resource.h"

namespace {

using S = MeterSettings;
constexpr int32_t kCheck = -1;
constexpr ToggleEffect kViews = ToggleEffect::Views;

constexpr MenuToggle kToggles[] = {
    // id                     option                    groups           machine effect                      mark    partner           transparency
    {ID_VIEW_TITLE,           &S::displayTitle,         kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_GRAPH,           &S::displayGraph,         kSaveDisplay,    false, kViews,                      kCheck, &S::displayText,  false},
    {ID_VIEW_SCALE,           &S::displayScale,         kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_TEXT,            &S::displayText,          kSaveDisplay,    false, kViews,                      kCheck, &S::displayGraph, false},
    {ID_VIEW_GRID,            &S::displayScaleGrid,     kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_MAX_RATE,        &S::displayMaxRateInText, kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_AVG_RATE,        &S::dispAvgValuesInText,  kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_AVG_DOWN_LINE,   &S::dispAvgDownLine,      kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_AVG_UP_LINE,     &S::dispAvgUpLine,        kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_TIME,            &S::displayTimeText,      kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    {ID_VIEW_TIME_GRID,       &S::displayTimeGrid,      kSaveDisplay,    false, kViews,                      kCheck, nullptr,          false},
    // Both items of a pair flip the option: picking the marked one switches to the other state.
    {ID_GRAPH_BARS,           &S::graphStyle,           kSaveGraphStyle, false, kViews,                      1,      nullptr,          false},
    {ID_GRAPH_LINES,          &S::graphStyle,           kSaveGraphStyle, false, kViews,                      0,      nullptr,          false},
    {ID_UNIT_BYTES,           &S::displayUnitByte,      kSaveGeneral,    true,  kViews,                      1,      nullptr,          false},
    {ID_UNIT_BITS,            &S::displayUnitByte,      kSaveGeneral,    true,  kViews,                      0,      nullptr,          false},
    {ID_VIEW_IP_ADDRESS,      &S::showIpInTitle,        kSaveGeneral,    true,  ToggleEffect::Titles,        kCheck, nullptr,          false},
    {ID_ALWAYS_ON_TOP,        &S::alwaysOnTop,          kSaveGeneral,    false, ToggleEffect::Topmost,       kCheck, nullptr,          false},
    {ID_VIEW_CAPTION,         &S::showCaption,          kSaveGeneral,    false, ToggleEffect::Caption,       kCheck, nullptr,          false},
    {ID_CLICK_THROUGH,        &S::enableClickThrough,   kSaveGeneral,    false, ToggleEffect::Transparency,  kCheck, nullptr,          true},
    {ID_TRANSPARENT,          &S::semiTransparent,      kSaveGeneral,    false, ToggleEffect::Transparency,  kCheck, nullptr,          true},
};

}  // namespace

std::span<const MenuToggle> MenuToggles() { return kToggles; }

const MenuToggle* FindMenuToggle(uint32_t id) {
  for (const MenuToggle& t : kToggles)
    if (t.id == id) return &t;
  return nullptr;
}

ToggleResult FlipMenuToggle(const MenuToggle& t, MeterSettings& s, bool canSetTransparency) {
  if (t.needsTransparency && !canSetTransparency) return ToggleResult::Unavailable;
  int32_t& option = s.*t.option;
  if (t.partner && option && !(s.*t.partner)) return ToggleResult::KeptForPartner;
  option = option ? 0 : 1;
  return ToggleResult::Flipped;
}

ToggleMark MarkOf(const MenuToggle& t, const MeterSettings& s, bool canSetTransparency) {
  ToggleMark m;
  const int32_t value = s.*t.option;
  m.radio = t.radioValue != kCheck;
  m.marked = m.radio ? value == t.radioValue : value != 0;
  if (t.needsTransparency && !canSetTransparency) m.enabled = m.marked = false;
  return m;
}
