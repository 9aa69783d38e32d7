// Placement of the meter window and the stacking of its rate views.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/meter_options.h"
#include "app/window_stack.h"
#include "settings/memory_registry.h"

namespace {

ViewStackState TwoHalves(int32_t w, int32_t h, int32_t m) {
  ViewStackState s;
  s.views.resize(2);
  s.views[0].size = 0.5f;
  s.views[1].size = 0.5f;
  InitialStack(s, w, h, m);
  return s;
}

TEST(WindowStack, FirstStartSitsAScrollBarAwayFromTheWorkAreaCorner) {
  const ViewRect r = FirstStartRect(ViewRect{0, 0, 300, 150}, ViewRect{0, 0, 1024, 740}, 17, 17);
  EXPECT_EQ(r, (ViewRect{707, 573, 1007, 723}));
}

TEST(WindowStack, TinyClientIsWidenedToTwiceTheMarginPlusOne) {
  EXPECT_EQ(EnsureMinimumClient(ViewRect{10, 10, 20, 15}, 2, 1, 4), (ViewRect{10, 10, 27, 23}));
  EXPECT_EQ(EnsureMinimumClient(ViewRect{10, 10, 200, 150}, 180, 120, 4), (ViewRect{10, 10, 200, 150}));
}

TEST(WindowStack, GrowingPastTheScreenTopMovesTheBottomDown) {
  // The window's top is 40 px from the screen's top and the new view needs a = 120.
  const int32_t a = 120;
  const ViewRect r = GrowUpward(ViewRect{100, 40, 400, 240}, a + 3);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 240 + 83);
  EXPECT_EQ(GrowUpward(ViewRect{100, 500, 400, 700}, 123), (ViewRect{100, 377, 400, 700}));
  EXPECT_EQ(NeededHeight(true, 13, true, 13, true), 16 + 16 + 100);
  EXPECT_EQ(NeededHeight(false, 13, true, 13, false), 16);
}

TEST(WindowStack, DisplayingAndHidingAViewKeepTheOthersHeights) {
  ViewStackState s;
  s.views.resize(1);
  InitialStack(s, 300, 200, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 298, 198}));
  // Display: the client grew by a + 3 = 123; the new view asks for a + 1.
  s.views.push_back(StackedView{ViewRect{0, 0, 0, 121}, 0.0f});
  s.separators.push_back(ViewRect{});
  StackFromTop(s, 300, 323, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 298, 198}));
  EXPECT_EQ(s.separators[0], (ViewRect{2, 198, 298, 200}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 200, 298, 321}));
  EXPECT_FLOAT_EQ(s.views[1].size, 121.0f / 323.0f);
  // Hide it again: the window loses its height + 2.
  const int32_t lost = s.views[1].rect.height() + 2;
  s.views.pop_back();
  s.separators.pop_back();
  EXPECT_EQ(ShrinkFromTop(ViewRect{0, 100, 300, 423}, lost), (ViewRect{0, 223, 300, 423}));
  StackFromTop(s, 300, 323 - lost, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 298, 198}));
  EXPECT_TRUE(s.separators.empty());
}

TEST(WindowStack, StartUpStackSharesTheClientByTheStoredSizes) {
  ViewStackState s = TwoHalves(300, 200, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 298, 102}));
  EXPECT_EQ(s.separators[0], (ViewRect{2, 102, 298, 104}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 104, 298, 198}));  // the last one takes the rest
  EXPECT_FLOAT_EQ(s.views[1].size, 94.0f / 200.0f);
  // Views without a share get one line each, and the window grows for them.
  EXPECT_EQ(InitialGrowth({0.5f, 0.0f, 0.001f}, 200), 6);
  EXPECT_EQ(InitialGrowth({0.0f}, 200), 0);
  ViewStackState z;
  z.views.resize(3);
  InitialStack(z, 300, 206, 2);
  EXPECT_EQ(z.views[0].rect.height(), 1);
  EXPECT_EQ(z.views[1].rect.top, 5);
  // At 192 DPI the separator is twice as high.
  s.gap = 4;
  s.lastHeight = -1;  // as a new DPI lays out
  LayoutViews(s, 300, 200, 4);
  EXPECT_EQ(s.separators[0].height(), 4);
  EXPECT_EQ(s.views[1].rect.top, s.views[0].rect.bottom + 4);
}

TEST(WindowStack, WidthOnlyResizeKeepsHeightsAndHeightResizeRescales) {
  ViewStackState s = TwoHalves(300, 200, 2);
  LayoutViews(s, 400, 200, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 398, 102}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 104, 398, 198}));
  EXPECT_EQ(s.separators[0].right, 398);
  LayoutViews(s, 400, 300, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 398, 152}));
  EXPECT_EQ(s.separators[0], (ViewRect{2, 152, 398, 154}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 154, 398, 298}));
  EXPECT_FLOAT_EQ(s.views[0].size, 0.5f);  // sizes are not changed by a resize
  // Narrower than the margins: every view is hidden in an empty rectangle,
  // and widened again at the same height they come back by their sizes.
  LayoutViews(s, 4, 300, 2);
  EXPECT_TRUE(s.views[0].rect.empty());
  EXPECT_EQ(s.lastWidth, 4);
  LayoutViews(s, 400, 300, 2);
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 398, 152}));
  EXPECT_EQ(s.separators[0], (ViewRect{2, 152, 398, 154}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 154, 398, 298}));
  LayoutViews(s, 4, 300, 2);
  // While suspended only the size is remembered.
  s.suspended = true;
  LayoutViews(s, 500, 500, 2);
  EXPECT_EQ(s.lastHeight, 500);
  EXPECT_TRUE(s.views[0].rect.empty());
}

TEST(WindowStack, OneViewFillsTheClientInsideTheMargins) {
  ViewStackState s;
  s.views.resize(1);
  s.views[0].size = 0.2f;
  LayoutViews(s, 250, 120, 3);
  EXPECT_EQ(s.views[0].rect, (ViewRect{3, 3, 247, 117}));
}

TEST(WindowStack, CorruptStoredSizesCannotOverflowTheLayout) {
  EXPECT_EQ(SaneSize(std::numeric_limits<float>::quiet_NaN()), 0.0f);
  EXPECT_EQ(SaneSize(-3.0f), 0.0f);
  EXPECT_EQ(SaneSize(1e30f), 1.0f);
  ViewStackState s;
  s.views.resize(2);
  s.views[0].size = 1e30f;
  s.views[1].size = std::numeric_limits<float>::quiet_NaN();
  s.lastHeight = 1;
  LayoutViews(s, 300, 200, 2);
  EXPECT_EQ(s.views[0].rect.bottom, 198);
  EXPECT_EQ(s.views[1].rect.top, 198);
}

TEST(WindowStack, SeparatorStaysOnePixelBelowTheUpperTopAndThreeAboveTheLowerBottom) {
  ViewStackState s = TwoHalves(300, 200, 2);
  ASSERT_EQ(SeparatorAt(s, 50, 103), std::optional<size_t>(0));
  EXPECT_FALSE(SeparatorAt(s, 50, 104).has_value());
  SeparatorDrag drag;
  ASSERT_TRUE(BeginSeparatorDrag(s, 0, drag));
  EXPECT_EQ(drag.minTop, 3);
  EXPECT_EQ(drag.maxTop, 195);
  EXPECT_TRUE(DragSeparatorTo(s, drag, -50, 200));
  EXPECT_EQ(s.views[0].rect, (ViewRect{2, 2, 298, 3}));
  EXPECT_EQ(s.views[1].rect.top, 5);
  EXPECT_TRUE(DragSeparatorTo(s, drag, 1000, 200));
  EXPECT_EQ(s.separators[0], (ViewRect{2, 195, 298, 197}));
  EXPECT_EQ(s.views[1].rect, (ViewRect{2, 197, 298, 198}));
  EXPECT_FLOAT_EQ(s.views[0].size, 193.0f / 200.0f);
  EXPECT_FALSE(DragSeparatorTo(s, drag, 195, 200));  // already there
  EXPECT_FALSE(BeginSeparatorDrag(s, 5, drag));
}

// The largest values the options can hold once loaded (stored ones beyond
// them fall back), through the layout of the views and of their stack: UBSan
// ends the test at any overflow.
void LayOutEverything(const MeterSettings& s) {
  const RateViewOptions o = ViewOptionsFrom(s);
  const RateViewMetrics m{EffectiveFontHeight(s.titleFont.height), EffectiveFontHeight(s.rateFont.height),
                          EffectiveFontHeight(s.scaleFont.height), ScaleColumnWidth(32767)};
  RateHistory history(4096);
  for (int i = 0; i < 4096; ++i) history.PushFront(RateSample{UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX});
  std::vector<ScaleLabel> labels;
  std::vector<int32_t> lines;
  std::vector<ColumnFill> fills;
  std::vector<ViewPoint> points;
  std::vector<TimeLabel> times;
  for (int32_t side : {1, 32767}) {
    const RateViewLayout l = Relayout(side, side, o, m);
    ScaleLabels(l, m.scaleFontHeight, UINT32_MAX, labels);
    ScaleGridLines(l, m.scaleFontHeight, lines);
    ColumnFills(l.plot, l.fullScaleHeight, UINT32_MAX, history, o.pulseWidth, o.pulseSpace, fills);
    LinePoints(l.plot, l.fullScaleHeight, UINT32_MAX, history, RateField::Up, o.pulseWidth, o.pulseSpace, points);
    TimeGridPhase phase = ResetTimeGridPhase(o.timeGridInterval, o.pulseWidth, o.pulseSpace);
    for (int tick = 0; tick < 20001; ++tick) AdvanceTimeGridPhase(phase, o.timeGridInterval, o.pulseWidth, o.pulseSpace);
    TimeGridLines(l.plot, phase, o.timeGridInterval, o.pulseWidth, o.pulseSpace, lines);
    TimeLabels(l.plot, phase, o.timeGridInterval, o.pulseWidth, o.pulseSpace, MakeLocalTime(2026, 12, 9, 23, 59, 59),
               o.timeFormat, true, times);

    ViewStackState stack;
    stack.views.resize(3, StackedView{{}, 1.0f});
    InitialStack(stack, side, side, s.rateViewMargins);
    LayoutViews(stack, side, side / 2, s.rateViewMargins);
    StackFromTop(stack, side, side, s.rateViewMargins);
    EnsureMinimumClient(ViewRect{-32768, -32768, 32767, 32767}, side, side, s.rateViewMargins);
    NeededHeight(true, m.titleFontHeight, true, m.rateFontHeight, true);
  }
}

TEST(LayoutLimits, TheLargestStoredValuesOverflowNothing) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
  const struct {
    int32_t margins, width, space, interval, titleHeight, rateHeight;
  } stored[] = {{1000, 1000, 1000, 10000, -4096, 4096}, {kMax, kMax, kMax, kMax, kMin, kMax}};
  for (const auto& v : stored) {
    MemoryRegistry reg;
    const std::wstring key = OptionsKeyPath();
    for (const auto& [name, value] : {std::pair{L"RateViewMargins", v.margins}, {L"PulseWidth", v.width},
                                      {L"PulseSpace", v.space}, {L"TimeGridIntervalSec", v.interval},
                                      {L"TimeFormat", kMax}})
      reg.WriteDword(RegRoot::CurrentUser, key, name, static_cast<uint32_t>(value));
    LogFont font = DefaultFont(13, 0);
    font.height = v.titleHeight;
    reg.WriteBinary(RegRoot::CurrentUser, key, L"TitleFontU", SerializeLogFont(font));
    font.height = v.rateHeight;
    reg.WriteBinary(RegRoot::CurrentUser, key, L"RateFontU", SerializeLogFont(font));
    MeterSettings s;
    ASSERT_TRUE(LoadSettings(reg, kDefaultRootPath, s));
    LayOutEverything(s);
  }
}

}  // namespace
