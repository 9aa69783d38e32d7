// The popup menu's switches: which setting each command flips, what is saved,
// the graph-or-text rule and the marks shown when the popup opens.
#include <gtest/gtest.h>

#include "app/meter_menu.h"
#include "res/resource.h"

namespace {

using S = MeterSettings;

TEST(MenuToggles, EachCommandFlipsItsOwnSettingAndSavesItsGroups) {
  const struct {
    uint16_t id;
    int32_t S::*option;
    uint32_t groups;
    bool machineWide;
  } expected[] = {
      {ID_VIEW_TITLE, &S::displayTitle, kSaveDisplay, false},
      {ID_VIEW_GRAPH, &S::displayGraph, kSaveDisplay, false},
      {ID_VIEW_SCALE, &S::displayScale, kSaveDisplay, false},
      {ID_VIEW_TEXT, &S::displayText, kSaveDisplay, false},
      {ID_VIEW_GRID, &S::displayScaleGrid, kSaveDisplay, false},
      {ID_VIEW_MAX_RATE, &S::displayMaxRateInText, kSaveDisplay, false},
      {ID_VIEW_AVG_RATE, &S::dispAvgValuesInText, kSaveDisplay, false},
      {ID_VIEW_AVG_DOWN_LINE, &S::dispAvgDownLine, kSaveDisplay, false},
      {ID_VIEW_AVG_UP_LINE, &S::dispAvgUpLine, kSaveDisplay, false},
      {ID_VIEW_TIME, &S::displayTimeText, kSaveDisplay, false},
      {ID_VIEW_TIME_GRID, &S::displayTimeGrid, kSaveDisplay, false},
      {ID_GRAPH_BARS, &S::graphStyle, kSaveGraphStyle, false},
      {ID_GRAPH_LINES, &S::graphStyle, kSaveGraphStyle, false},
      {ID_UNIT_BYTES, &S::displayUnitByte, kSaveGeneral, true},
      {ID_UNIT_BITS, &S::displayUnitByte, kSaveGeneral, true},
      {ID_VIEW_IP_ADDRESS, &S::showIpInTitle, kSaveGeneral, true},
      {ID_ALWAYS_ON_TOP, &S::alwaysOnTop, kSaveGeneral, false},
      {ID_VIEW_CAPTION, &S::showCaption, kSaveGeneral, false},
      {ID_CLICK_THROUGH, &S::enableClickThrough, kSaveGeneral, false},
      {ID_TRANSPARENT, &S::semiTransparent, kSaveGeneral, false},
  };
  EXPECT_EQ(MenuToggles().size(), std::size(expected));
  for (const auto& e : expected) {
    const MenuToggle* t = FindMenuToggle(e.id);
    ASSERT_NE(t, nullptr) << e.id;
    MeterSettings s;
    const int32_t before = s.*e.option;
    const ToggleMark markBefore = MarkOf(*t, s, true);
    ASSERT_EQ(FlipMenuToggle(*t, s, true), ToggleResult::Flipped) << e.id;
    EXPECT_EQ(s.*e.option, before ? 0 : 1) << e.id;
    EXPECT_NE(MarkOf(*t, s, true).marked, markBefore.marked) << e.id;
    EXPECT_EQ(t->saveGroups, e.groups) << e.id;
    EXPECT_EQ(t->machineWide, e.machineWide) << e.id;
  }
  EXPECT_EQ(FindMenuToggle(ID_ABOUT), nullptr);
}

TEST(MenuToggles, GraphAndTextNeverBothGoOff) {
  MeterSettings s;
  const MenuToggle& graph = *FindMenuToggle(ID_VIEW_GRAPH);
  const MenuToggle& text = *FindMenuToggle(ID_VIEW_TEXT);
  ASSERT_EQ(FlipMenuToggle(text, s, true), ToggleResult::Flipped);
  EXPECT_EQ(FlipMenuToggle(graph, s, true), ToggleResult::KeptForPartner);
  EXPECT_EQ(s.displayGraph, 1);
  EXPECT_TRUE(MarkOf(graph, s, true).marked);
  // Turning text on again is always allowed, and then graph may go.
  EXPECT_EQ(FlipMenuToggle(text, s, true), ToggleResult::Flipped);
  EXPECT_EQ(FlipMenuToggle(graph, s, true), ToggleResult::Flipped);
  EXPECT_EQ(s.displayGraph, 0);
}

TEST(MenuToggles, RadioPairsMarkOneItemByValue) {
  MeterSettings s;
  s.displayUnitByte = 1;
  const MenuToggle& bytes = *FindMenuToggle(ID_UNIT_BYTES);
  const MenuToggle& bits = *FindMenuToggle(ID_UNIT_BITS);
  EXPECT_TRUE(MarkOf(bytes, s, true).radio);
  EXPECT_TRUE(MarkOf(bytes, s, true).marked);
  EXPECT_FALSE(MarkOf(bits, s, true).marked);
  // Picking the marked item switches to the other unit.
  FlipMenuToggle(bytes, s, true);
  EXPECT_EQ(s.displayUnitByte, 0);
  EXPECT_TRUE(MarkOf(bits, s, true).marked);
  s.graphStyle = 2;  // neither bars (1) nor lines (0)
  EXPECT_FALSE(MarkOf(*FindMenuToggle(ID_GRAPH_BARS), s, true).marked);
  EXPECT_FALSE(MarkOf(*FindMenuToggle(ID_GRAPH_LINES), s, true).marked);
  EXPECT_FALSE(MarkOf(*FindMenuToggle(ID_VIEW_TITLE), s, true).radio);
}

TEST(MenuToggles, TransparencyItemsNeedLayeredWindows) {
  MeterSettings s;
  s.semiTransparent = 1;
  const MenuToggle& transparent = *FindMenuToggle(ID_TRANSPARENT);
  EXPECT_EQ(FlipMenuToggle(transparent, s, false), ToggleResult::Unavailable);
  EXPECT_EQ(s.semiTransparent, 1);
  const ToggleMark without = MarkOf(transparent, s, false);
  EXPECT_FALSE(without.enabled);
  EXPECT_FALSE(without.marked);
  const ToggleMark with = MarkOf(transparent, s, true);
  EXPECT_TRUE(with.enabled);
  EXPECT_TRUE(with.marked);
  EXPECT_TRUE(MarkOf(*FindMenuToggle(ID_ALWAYS_ON_TOP), s, false).enabled);
}

}  // namespace
