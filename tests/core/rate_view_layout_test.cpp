// Geometry and numbers of the rate view: rectangles, samples in view, scale
// maxima, columns, lines, the time grid and its labels.
#include <gtest/gtest.h>

#include "view/rate_view_layout.h"

namespace {

RateViewMetrics Metrics(int32_t scaleColumnWidth = 60) {
  RateViewMetrics m;
  m.titleFontHeight = 13;
  m.rateFontHeight = 13;
  m.scaleFontHeight = 12;
  m.scaleColumnWidth = scaleColumnWidth;
  return m;
}

// Pushes samples oldest first, so the last one given is the newest.
void Push(RateHistory& h, std::initializer_list<RateSample> samples) {
  for (const RateSample& s : samples) h.PushFront(s);
}

RateSample Rate(uint32_t down, uint32_t up = 0, uint32_t avgDown = 0, uint32_t avgUp = 0) {
  return RateSample{down, up, avgDown, avgUp};
}

TEST(RateViewLayout, VisibleSamplesFollowScaleColumnAndPulse) {
  EXPECT_EQ(VisibleSampleCount(100, true, 60, 3, 1), 10);  // ceil(37 / 4)
  EXPECT_EQ(VisibleSampleCount(100, false, 60, 3, 1), 25);  // ceil(98 / 4)
  EXPECT_EQ(VisibleSampleCount(62, true, 60, 3, 1), 15);    // column does not fit: ceil(60 / 4)
  EXPECT_EQ(VisibleSampleCount(2, true, 60, 3, 1), 0);
  EXPECT_EQ(VisibleSampleCount(100, true, 60, 0, 0), 0);    // no step: nothing fits, no division by zero

  RateViewOptions o;
  EXPECT_EQ(Relayout(100, 80, o, Metrics()).visibleCount, 10);
  o.showGraph = false;  // without a graph the scale takes no room
  EXPECT_EQ(Relayout(100, 80, o, Metrics()).visibleCount, 25);
}

TEST(RateViewLayout, TitleGraphAndTextFramesOverlapByOnePixel) {
  RateViewOptions o;
  const RateViewLayout l = Relayout(200, 120, o, Metrics());
  EXPECT_EQ(l.title, (ViewRect{0, 0, 200, 17}));
  EXPECT_EQ(l.titleText, (ViewRect{3, 2, 197, 15}));
  EXPECT_EQ(l.graph.top, l.title.bottom - 1);
  EXPECT_EQ(l.textPanel, (ViewRect{0, 103, 200, 120}));
  EXPECT_EQ(l.graph.bottom - 1, l.textPanel.top);
  EXPECT_EQ(l.textInner, (ViewRect{3, 105, 197, 118}));
  EXPECT_EQ(l.scaleColumn, (ViewRect{1, 17, 61, 103}));
  EXPECT_EQ(l.plot, (ViewRect{62, 17, 199, 103}));
  EXPECT_EQ(l.fullScaleHeight, 86 * 95 / 100);
  // 88 / 12 = 7 lines of font height: beyond 6 they thin out.
  EXPECT_EQ(l.scaleLineCount, 6);
  EXPECT_EQ(l.scaleLineSpacing, (86 - 6) / 6);
}

TEST(RateViewLayout, ScaleLinesThinOutBeyondSix) {
  RateViewOptions o;
  o.showTitle = o.showText = false;
  // A graph of height h has (h - 2) / 12 lines of the scale font; beyond six
  // only every third one more is drawn.
  const struct {
    int32_t height, lines, spacing;
  } cases[] = {{13, 1, 5}, {26, 2, 9}, {74, 6, 11}, {110, 7, 14}, {146, 8, 17}, {182, 9, 19}};
  for (const auto& c : cases) {
    const RateViewLayout l = Relayout(200, c.height, o, Metrics());
    EXPECT_EQ(l.scaleLineCount, c.lines) << c.height;
    EXPECT_EQ(l.scaleLineSpacing, c.spacing) << c.height;
  }
}

TEST(RateViewLayout, TallTextPanelHoldsOneCentredLine) {
  RateViewOptions o;
  o.showGraph = false;
  const RateViewLayout l = Relayout(200, 60, o, Metrics());
  EXPECT_EQ(l.textPanel, (ViewRect{0, 16, 200, 60}));
  EXPECT_TRUE(l.graph.empty());
  EXPECT_EQ(l.textInner.height(), 13 + (40 - 13) % 2);
  EXPECT_EQ(l.textInner.top, 18 + (40 - 13) / 2);
}

TEST(RateViewLayout, DegenerateSizesGiveEmptyRectangles) {
  RateViewOptions o;
  RateViewLayout l = Relayout(0, 100, o, Metrics());
  EXPECT_TRUE(l.graph.empty());
  EXPECT_TRUE(l.title.empty());
  EXPECT_EQ(l.fullScaleHeight, 0);
  // The title fills a low window: nothing else is laid out.
  l = Relayout(100, 12, o, Metrics());
  EXPECT_EQ(l.title.bottom, 12);
  EXPECT_TRUE(l.graph.empty());
  EXPECT_TRUE(l.textPanel.empty());
  EXPECT_TRUE(l.plot.empty());
}

TEST(RateViewLayout, ZeroFontHeightIsReplacedAndNeverDivides) {
  EXPECT_EQ(EffectiveFontHeight(0), kDefaultFontHeight);
  EXPECT_EQ(EffectiveFontHeight(-12), 12);
  EXPECT_EQ(EffectiveFontHeight(15), 15);
  EXPECT_GT(EffectiveFontHeight(INT32_MIN), 0);
  RateViewMetrics m = Metrics();
  m.scaleFontHeight = 0;  // a caller that bypassed EffectiveFontHeight still gets a layout
  const RateViewLayout l = Relayout(200, 120, RateViewOptions{}, m);
  EXPECT_GE(l.scaleLineCount, 1);
  EXPECT_FALSE(l.plot.empty());
}

TEST(RateViewScale, HighestColumnReachesHeightPercentOfThePlot) {
  RateHistory h;
  Push(h, {Rate(100, 10), Rate(400, 50), Rate(200, 300)});
  RateViewOptions o;
  o.showTitle = o.showText = false;
  for (int32_t percent : {100, 50}) {
    o.heightPercent = percent;
    const RateViewLayout l = Relayout(100, 102, o, Metrics());
    ASSERT_EQ(l.plot.height(), 100);
    ScaleState st;
    RecomputeMaxima(st, h, l.visibleCount, false, false);
    EXPECT_EQ(st.scaleMax, 400u);
    std::vector<ColumnFill> fills;
    ColumnFills(l.plot, l.fullScaleHeight, st.scaleMax, h, 3, 1, fills);
    int32_t highest = l.plot.bottom;
    for (const ColumnFill& f : fills) highest = std::min(highest, f.rect.top);
    EXPECT_EQ(l.plot.bottom - highest, percent) << percent;
  }
}

TEST(RateViewScale, ColumnShowsOverlapInBothColourAndExcessInItsOwn) {
  RateHistory h;
  Push(h, {Rate(50, 100), Rate(100, 25)});  // newest: down 100, up 25
  const ViewRect plot{10, 0, 30, 100};
  std::vector<ColumnFill> fills;
  ColumnFills(plot, 100, 100, h, 3, 1, fills);
  ASSERT_EQ(fills.size(), 4u);
  EXPECT_EQ(fills[0].part, ColumnPart::Both);
  EXPECT_EQ(fills[0].rect, (ViewRect{27, 75, 30, 100}));
  EXPECT_EQ(fills[1].part, ColumnPart::Down);
  EXPECT_EQ(fills[1].rect, (ViewRect{27, 0, 30, 75}));
  EXPECT_EQ(fills[2].part, ColumnPart::Both);  // older column, one step left
  EXPECT_EQ(fills[2].rect, (ViewRect{23, 50, 26, 100}));
  EXPECT_EQ(fills[3].part, ColumnPart::Up);
  // Nothing to draw on a zero scale.
  ColumnFills(plot, 100, 0, h, 3, 1, fills);
  EXPECT_TRUE(fills.empty());
}

TEST(RateViewScale, FixedScaleClipsAtFullHeightAndLinesStayInThePlot) {
  RateHistory h;
  Push(h, {Rate(5000, 5000)});
  const ViewRect plot{0, 0, 40, 50};
  std::vector<ColumnFill> fills;
  ColumnFills(plot, 40, 1000, h, 3, 1, fills);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].rect.top, 10);  // 40 px, not 200
  std::vector<ViewPoint> pts;
  LinePoints(plot, 40, 1000, h, RateField::Down, 3, 1, pts);
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_EQ(pts[0], (ViewPoint{39, 49 - 39}));
  // scaleMax 0: the line lies on the baseline.
  LinePoints(plot, 40, 0, h, RateField::Down, 3, 1, pts);
  EXPECT_EQ(pts[0].y, 49);
}

TEST(RateViewScale, LinePointsStepLeftAndStopAtThePlotEdge) {
  RateHistory h;
  for (int i = 0; i < 30; ++i) h.PushFront(Rate(10));
  std::vector<ViewPoint> pts;
  LinePoints(ViewRect{20, 0, 40, 50}, 50, 10, h, RateField::Down, 3, 1, pts);
  ASSERT_EQ(pts.size(), 5u);  // x = 39, 35, 31, 27, 23
  EXPECT_EQ(pts.front().x, 39);
  EXPECT_EQ(pts.back().x, 23);
  EXPECT_EQ(pts.front().y, 49 - 49);
}

TEST(RateViewScale, AutoScaleDropsWhenTheTopSampleScrollsOut) {
  RateHistory h;
  ScaleState st;
  const int32_t visible = 10;
  h.PushFront(Rate(9000, 100));
  AddSampleMaxima(st, h, visible, false, false);
  EXPECT_EQ(st.scaleMax, 9000u);
  for (uint32_t i = 1; i <= 9; ++i) {
    h.PushFront(Rate(100 * i, 50));
    AddSampleMaxima(st, h, visible, false, false);
    EXPECT_EQ(st.scaleMax, 9000u) << i;  // still in view
  }
  h.PushFront(Rate(300, 20));
  EXPECT_TRUE(AddSampleMaxima(st, h, visible, false, false));
  EXPECT_EQ(st.scaleMax, 900u);
  EXPECT_EQ(st.shownMax, 900u);
}

TEST(RateViewScale, AverageLineSetsAutoScaleButNotTheTextMaximum) {
  RateHistory h;
  ScaleState st;
  const int32_t visible = 3;
  Push(h, {Rate(500, 0, 0, 2000)});
  AddSampleMaxima(st, h, visible, false, true);
  Push(h, {Rate(100, 200, 0, 2100)});
  AddSampleMaxima(st, h, visible, false, true);
  EXPECT_EQ(st.scaleMax, 2100u);
  EXPECT_EQ(st.shownMax, 500u);
  Push(h, {Rate(50, 60, 0, 2200)});
  AddSampleMaxima(st, h, visible, false, true);
  // The 500 scrolls out in a tick where the average raised the scale: the
  // text's maximum must still follow the samples in view.
  Push(h, {Rate(10, 20, 0, 2300)});
  AddSampleMaxima(st, h, visible, false, true);
  EXPECT_EQ(st.scaleMax, 2300u);
  EXPECT_EQ(st.shownMax, 200u);
  ScaleState again;
  RecomputeMaxima(again, h, visible, false, true);
  EXPECT_EQ(again.scaleMax, st.scaleMax);
  EXPECT_EQ(again.shownMax, st.shownMax);
}

TEST(RateViewScale, FixedScaleKeepsItsMaximumAndTracksTheTextMaximum) {
  RateHistory h;
  ScaleState st;
  st.fixedScale = true;
  st.scaleMax = 12500;
  Push(h, {Rate(90000, 1)});
  AddSampleMaxima(st, h, 1, false, false);
  EXPECT_EQ(st.shownMax, 90000u);
  Push(h, {Rate(7, 1)});
  AddSampleMaxima(st, h, 1, false, false);
  EXPECT_EQ(st.shownMax, 7u);
  EXPECT_EQ(st.scaleMax, 12500u);
}

TEST(RateViewScale, LabelsAreEvenlySpacedWithHeadroomAndNeverOverflow) {
  RateViewOptions o;
  o.showTitle = o.showText = false;
  o.heightPercent = 50;
  const RateViewLayout l = Relayout(200, 102, o, Metrics());
  ASSERT_EQ(l.fullScaleHeight, 50);
  std::vector<ScaleLabel> labels;
  ScaleLabels(l, 12, 1000, labels);
  ASSERT_EQ(static_cast<int32_t>(labels.size()), l.scaleLineCount);
  EXPECT_EQ(labels[0].y, l.scaleColumn.top + 6);
  EXPECT_EQ(labels[0].value, 1000u * 94 / 50);  // the top label reads above the full-scale rate
  for (size_t i = 1; i < labels.size(); ++i) {
    EXPECT_EQ(labels[i].y - labels[i - 1].y, l.scaleLineSpacing);
    EXPECT_LT(labels[i].value, labels[i - 1].value);
  }
  EXPECT_EQ(labels[0].box.right, l.scaleColumn.right - 4);
  ScaleLabels(l, 12, 0xFFFFFFFFu, labels);
  EXPECT_EQ(labels[0].value, 0xFFFFFFFFu);
  std::vector<int32_t> grid;
  ScaleGridLines(l, 12, grid);
  ASSERT_EQ(grid.size(), labels.size());
  EXPECT_EQ(grid[0], labels[0].y);
}

TEST(RateViewTimeGrid, FirstTickPutsALineAtTheNewestColumn) {
  TimeGridPhase p = ResetTimeGridPhase(30, 3, 1);
  EXPECT_EQ(p.period, 119);
  AdvanceTimeGridPhase(p, 30, 3, 1);
  EXPECT_EQ(p.lineOffset, 3);
  EXPECT_EQ(p.secondsSinceLine, 0);
  for (int i = 0; i < 29; ++i) AdvanceTimeGridPhase(p, 30, 3, 1);
  EXPECT_EQ(p.lineOffset, 119);
  EXPECT_EQ(p.secondsSinceLine, 29);
  AdvanceTimeGridPhase(p, 30, 3, 1);  // a new line starts at the newest column
  EXPECT_EQ(p.lineOffset, 3);
  EXPECT_EQ(p.secondsSinceLine, 0);
  std::vector<int32_t> xs;
  TimeGridLines(ViewRect{0, 0, 300, 50}, p, 30, 3, 1, xs);
  EXPECT_EQ(xs, (std::vector<int32_t>{297, 177, 57}));
}

TEST(RateViewTimeGrid, PulseChangeRestartsTheGridFromTheRightEdge) {
  TimeGridPhase p = ResetTimeGridPhase(10, 3, 1);
  for (int i = 0; i < 7; ++i) AdvanceTimeGridPhase(p, 10, 3, 1);
  EXPECT_EQ(p.lineOffset, 3 + 6 * 4);
  // New pulse 5 + 2: the phase starts over and the next tick's line is at the new newest column.
  p = ResetTimeGridPhase(10, 5, 2);
  AdvanceTimeGridPhase(p, 10, 5, 2);
  EXPECT_EQ(p.lineOffset, 5);
  EXPECT_EQ(p.secondsSinceLine, 0);
}

TEST(RateViewTimeGrid, LabelsCarryTheTimesOfTheirLines) {
  TimeGridPhase p = ResetTimeGridPhase(30, 3, 1);
  for (int i = 0; i < 5; ++i) AdvanceTimeGridPhase(p, 30, 3, 1);
  LocalTime now;
  now.year = 2026, now.month = 12, now.day = 8, now.hour = 0, now.minute = 0, now.second = 10;
  std::vector<TimeLabel> labels;
  TimeLabels(ViewRect{0, 0, 300, 50}, p, 30, 3, 1, now, kTimeHms, false, labels);
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(labels[0].text, L"0:00:06");  // newest line: 4 seconds ago
  EXPECT_EQ(labels[0].box.left, 300 - p.lineOffset + 4);
  EXPECT_EQ(labels[1].text, L"23:59:36");  // back over midnight
  EXPECT_EQ(labels[2].text, L"23:59:06");
}

TEST(RateViewTimeGrid, TwelveHourClockReadsNoonAsZero) {
  LocalTime t;
  t.year = 2026, t.month = 12, t.day = 8, t.hour = 12, t.minute = 30, t.second = 5;
  EXPECT_EQ(FormatTimeLabel(t, kTimeHm, true), L"0:30");
  EXPECT_EQ(FormatTimeLabel(t, kTimeHm, false), L"12:30");
  EXPECT_EQ(FormatTimeLabel(t, kTimeHms, true), L"0:30:05");
  EXPECT_EQ(FormatTimeLabel(t, kTimeMs, true), L"30:05");
  t.hour = 23;
  EXPECT_EQ(FormatTimeLabel(t, kTimeHm, true), L"11:30");
  EXPECT_EQ(FormatTimeLabel(t, 7, false), L"23:30:05");  // unknown format: as the first
}

TEST(RateViewTimeGrid, BadIntervalOrPulseDrawsNoLines) {
  std::vector<int32_t> xs;
  TimeGridPhase p = ResetTimeGridPhase(0, 3, 1);
  AdvanceTimeGridPhase(p, 0, 3, 1);
  TimeGridLines(ViewRect{0, 0, 300, 50}, p, 0, 3, 1, xs);
  EXPECT_TRUE(xs.empty());
}

// The rounding of MulDiv(v, dpi, 96): halves away from zero.
TEST(Dpi, ScaleRoundsAsMulDiv) {
  const struct { int32_t v, dpi, want; } cases[] = {
      {1, 96, 1}, {1, 144, 2}, {3, 144, 5}, {-3, 144, -5}, {-11, 192, -22}, {13, 120, 16}, {5, 0, 5}};
  for (const auto& c : cases) EXPECT_EQ(Scale(c.v, c.dpi), c.want) << c.v << " at " << c.dpi;
  EXPECT_EQ(Rescale(26, 192, 144), 20);  // 19.5 rounds up
}

// At 192 DPI a view twice as large, with its fonts measured twice as high,
// has every frame, padding and column at twice its place at 96.
TEST(Dpi, LayoutAt192IsTheLayoutAt96Doubled) {
  RateViewOptions o;
  o.showTitle = o.showText = o.showScale = true;
  const RateViewOptions o2 = ScaleViewOptions(o, 192);
  EXPECT_EQ(o2.pulseWidth, 2 * o.pulseWidth);
  EXPECT_EQ(o2.rateFont.height, 2 * o.rateFont.height);
  RateViewMetrics m = Metrics(), m2 = m;
  m2.titleFontHeight *= 2, m2.rateFontHeight *= 2, m2.scaleFontHeight *= 2, m2.dpi = 192;
  m2.scaleColumnWidth = 2 * (m.scaleColumnWidth - 5) + 10;  // ScaleColumnWidth of text twice as wide
  const RateViewLayout a = Relayout(300, 120, o, m), b = Relayout(600, 240, o2, m2);
  auto twice = [](const ViewRect& r) { return ViewRect{2 * r.left, 2 * r.top, 2 * r.right, 2 * r.bottom}; };
  EXPECT_EQ(b.title, twice(a.title));
  EXPECT_EQ(b.titleText, twice(a.titleText));
  EXPECT_EQ(b.graph, twice(a.graph));
  EXPECT_EQ(b.scaleColumn, twice(a.scaleColumn));
  EXPECT_EQ(b.plot, twice(a.plot));
  EXPECT_EQ(b.textPanel, twice(a.textPanel));
  EXPECT_EQ(b.scaleLineCount, a.scaleLineCount);
  EXPECT_EQ(b.visibleCount, a.visibleCount);
  EXPECT_EQ(b.border, 2);
}

TEST(Dpi, GridDashesScaleAndKeepAPeriodOfTheSteps) {
  for (int32_t style : {kLineDash, kLineDashDot, kLineDashDotDot}) {
    EXPECT_EQ(GridDashPattern(style, 96).size() % 4, 0u) << style;
    EXPECT_EQ(GridDashPattern(style, 192).size(), 2 * GridDashPattern(style, 96).size()) << style;
  }
  const std::vector<bool> dot = GridDashPattern(kLineDot, 96);
  EXPECT_EQ(dot, (std::vector<bool>{true, false}));
  EXPECT_EQ(GridDashPattern(kLineSolid, 192), std::vector<bool>{true});
}

}  // namespace
