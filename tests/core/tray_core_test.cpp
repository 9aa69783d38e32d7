#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/tray_core.h"
#include "base/format.h"

namespace {

std::wstring Chars(wchar_t c, size_t n) { return std::wstring(n, c); }

// A history built oldest first, so that the last pair given is the newest.
RateHistory HistoryOf(std::initializer_list<std::pair<uint32_t, uint32_t>> oldestFirst) {
  RateHistory h(64);
  for (const auto& [down, up] : oldestFirst) h.PushFront(RateSample{down, up, 0, 0});
  return h;
}

}  // namespace

// ---- Tooltip ---------------------------------------------------------------

TEST(TrayTip, NameAndIpCutsTheNameToFillExactly63) {
  const std::wstring name = L"Local Area Connection";  // 21
  const std::wstring ip = L"192.168.1.10";            // 12
  const std::wstring rates = Chars(L'r', 30);
  ASSERT_EQ(name.size(), 21u);
  const std::wstring tip = ComposeTrayTip(name, ip, rates);
  EXPECT_EQ(tip.size(), 63u);
  EXPECT_EQ(tip, L"Local Area Connec [192.168.1.10]\n" + rates);
}

TEST(TrayTip, NameAndIpBranches) {
  const std::wstring rates = Chars(L'r', 30);
  // a + b + c = 59: short enough, nothing cut (62 characters).
  EXPECT_EQ(ComposeTrayTip(Chars(L'n', 17), Chars(L'i', 12), rates),
            Chars(L'n', 17) + L" [" + Chars(L'i', 12) + L"]\n" + rates);
  // a + b + c = 60: the first length that cuts; room 17 leaves the name at 17
  // and the rates line whole (a cut of the whole tip would shorten the rates).
  EXPECT_EQ(ComposeTrayTip(Chars(L'n', 18), Chars(L'i', 12), rates),
            Chars(L'n', 17) + L" [" + Chars(L'i', 12) + L"]\n" + rates);
  // b + c = 59: no room for the name, the IP stays.
  EXPECT_EQ(ComposeTrayTip(L"name", Chars(L'i', 29), rates), Chars(L'i', 29) + L"\n" + rates);
  // b + c = 60: neither the name nor the IP fits.
  EXPECT_EQ(ComposeTrayTip(L"name", Chars(L'i', 30), rates), rates);
  // Room of one character.
  EXPECT_EQ(ComposeTrayTip(L"name", Chars(L'i', 28), rates), L"n [" + Chars(L'i', 28) + L"]\n" + rates);
}

TEST(TrayTip, NameOnlyBranches) {
  const std::wstring rates = Chars(L'r', 30);
  // a + c = 62 fits; 63 is cut to 62 - c characters of the name.
  EXPECT_EQ(ComposeTrayTip(Chars(L'n', 32), L"", rates), Chars(L'n', 32) + L"\n" + rates);
  const std::wstring cut = ComposeTrayTip(Chars(L'n', 33), L"", rates);
  EXPECT_EQ(cut, Chars(L'n', 32) + L"\n" + rates);
  EXPECT_EQ(cut.size(), 63u);
  // A rates line that leaves no room: the rates line alone, never a negative cut.
  EXPECT_EQ(ComposeTrayTip(L"name", L"", Chars(L'r', 62)), Chars(L'r', 62));
  EXPECT_EQ(ComposeTrayTip(L"name", L"", Chars(L'r', 61)), L"n\n" + Chars(L'r', 61));
}

TEST(TrayTip, IpOnlyAndNeither) {
  const std::wstring rates = Chars(L'r', 30);
  EXPECT_EQ(ComposeTrayTip(L"", Chars(L'i', 32), rates), Chars(L'i', 32) + L"\n" + rates);  // b + c = 62
  EXPECT_EQ(ComposeTrayTip(L"", Chars(L'i', 33), rates), rates);                            // b + c = 63
  EXPECT_EQ(ComposeTrayTip(L"", L"", rates), rates);
  // Whatever comes in, the tip fits the shell's field.
  EXPECT_EQ(ComposeTrayTip(L"", L"", Chars(L'r', 80)).size(), 63u);
}

TEST(TrayTip, CutNeverSplitsASurrogatePair) {
  // 16 plain characters then a pair: a cut at 17 would leave half of the pair.
  std::wstring name = Chars(L'n', 16);
  name += static_cast<wchar_t>(0xD83D);
  name += static_cast<wchar_t>(0xDE00);
  name += L"tail";
  const std::wstring tip = ComposeTrayTip(name, Chars(L'i', 12), Chars(L'r', 30));
  EXPECT_EQ(tip, Chars(L'n', 16) + L" [" + Chars(L'i', 12) + L"]\n" + Chars(L'r', 30));
}

TEST(TrayTip, TipForUsesOptionsAndNewestSample) {
  RateHistory h = HistoryOf({{5000, 7000}, {2048, 0}});
  TraySource src;
  src.name = L"Ethernet";
  src.ipAddress = L"10.0.0.2";
  src.history = &h;
  TrayOptions opt;
  const std::wstring rates = L"Dw: " + FormatRate(2048, true) + L"  Up: " + FormatRate(0, true);
  EXPECT_EQ(TrayRatesLine(2048, 0, true), rates);
  EXPECT_EQ(TrayTipFor(src, opt), rates);
  opt.showNameInTips = true;
  EXPECT_EQ(TrayTipFor(src, opt), L"Ethernet\n" + rates);
  opt.showIpInTips = true;
  EXPECT_EQ(TrayTipFor(src, opt), L"Ethernet [10.0.0.2]\n" + rates);
  opt.showNameInTips = false;
  EXPECT_EQ(TrayTipFor(src, opt), L"10.0.0.2\n" + rates);
  // An adapter without an address has no IP part even with the option on.
  src.ipAddress.clear();
  EXPECT_EQ(TrayTipFor(src, opt), rates);
  // No history yet: zero rates, in the chosen unit.
  src.history = nullptr;
  opt.unitBytes = false;
  EXPECT_EQ(TrayTipFor(src, opt), L"Dw: " + FormatRate(0, false) + L"  Up: " + FormatRate(0, false));
}

// ---- State icon --------------------------------------------------------------

TEST(TrayState, IndexByDirection) {
  EXPECT_EQ(TrayStateIndex(0, 0), 0);
  EXPECT_EQ(TrayStateIndex(0, 1), 1);
  EXPECT_EQ(TrayStateIndex(1, 0), 2);
  EXPECT_EQ(TrayStateIndex(0xFFFFFFFFu, 3), 3);
}

TEST(TrayState, GraphOnlyForADisplayedConnection) {
  TraySource src;
  TrayOptions opt;
  opt.showGraph = true;
  EXPECT_FALSE(TrayUsesGraph(src, opt));
  src.displayed = true;
  EXPECT_TRUE(TrayUsesGraph(src, opt));
  opt.showGraph = false;
  EXPECT_FALSE(TrayUsesGraph(src, opt));
}

// ---- Geometry --------------------------------------------------------------

TEST(TrayGeometry, HeightTruncatesLimitsAndNeverDividesByZero) {
  EXPECT_EQ(TrayHeight(100, 100, kTrayBarRows), 14);
  EXPECT_EQ(TrayHeight(99, 100, kTrayBarRows), 13);       // 13.86 truncated
  EXPECT_EQ(TrayHeight(7, 100, kTrayBarRows), 0);         // 0.98 truncated
  EXPECT_EQ(TrayHeight(500, 100, kTrayBarRows), 14);      // limited
  EXPECT_EQ(TrayHeight(500, 100, kTrayLineRows), 13);
  // The product is taken in 64 bits: no wrap for large rates.
  EXPECT_EQ(TrayHeight(0xFFFFFFFFu, 0xFFFFFFFFu, kTrayBarRows), 14);
  EXPECT_EQ(TrayHeight(0x80000000u, 0xFFFFFFFFu, kTrayBarRows), 7);
  // Zero scale: treated as 1.
  EXPECT_EQ(TrayHeight(0, 0, kTrayBarRows), 0);
  EXPECT_EQ(TrayHeight(1, 0, kTrayBarRows), 14);
}

TEST(TrayGeometry, BarsFillColumns14DownTo1) {
  RateHistory h(64);
  for (int i = 0; i < 20; ++i) h.PushFront(RateSample{100, 0, 0, 0});
  const auto strokes = TrayBarStrokes(h, 100);
  ASSERT_EQ(strokes.size(), 14u);
  for (size_t i = 0; i < strokes.size(); ++i) {
    EXPECT_EQ(strokes[i].x, 14 - static_cast<int>(i));
    EXPECT_EQ(strokes[i].yFrom, 14);
    EXPECT_EQ(strokes[i].yTo, 0);  // a sample equal to the scale colours rows 14..1
    EXPECT_EQ(strokes[i].pen, TrayPen::Down);
  }
}

// A 32-pixel icon (192 DPI) draws its own 30 columns on 30 rows, not a stretched 16.
TEST(TrayGeometry, LargerIconsUseTheExtraPixels) {
  RateHistory h(64);
  for (int i = 0; i < 40; ++i) h.PushFront(RateSample{100, 50, 0, 0});
  const auto bars = TrayBarStrokes(h, 100, 32);
  ASSERT_EQ(bars.size(), 60u);  // both and down for each of 30 columns
  EXPECT_EQ(bars.front().x, 30);
  EXPECT_EQ(bars.front().yFrom, 30);
  EXPECT_EQ(bars.front().yTo, 15);  // half of 30 rows in both colours
  EXPECT_EQ(bars[1].yTo, 0);        // the rest up to the top row
  EXPECT_EQ(bars.back().x, 1);
  const auto lines = TrayLinePaths(h, 100, 32);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].points.size(), 31u);  // x 30 down to 0
  EXPECT_EQ(lines[1].points.front(), (TrayPoint{30, 30 - 29}));
}

TEST(TrayGeometry, BarsSplitIntoCommonAndRest) {
  // newest: down 50 up 100 -> common 7 (both), rest 7..14 up
  // older:  down 100 up 25 -> common 3 (both), rest 3..14 down
  // oldest: nothing
  RateHistory h = HistoryOf({{0, 0}, {100, 25}, {50, 100}});
  const auto strokes = TrayBarStrokes(h, 100);
  ASSERT_EQ(strokes.size(), 4u);
  EXPECT_EQ(strokes[0].x, 14);
  EXPECT_EQ(strokes[0].pen, TrayPen::Both);
  EXPECT_EQ(strokes[0].yFrom, 14);
  EXPECT_EQ(strokes[0].yTo, 7);
  EXPECT_EQ(strokes[1].pen, TrayPen::Up);
  EXPECT_EQ(strokes[1].yFrom, 7);
  EXPECT_EQ(strokes[1].yTo, 0);
  EXPECT_EQ(strokes[2].x, 13);
  EXPECT_EQ(strokes[2].pen, TrayPen::Both);
  EXPECT_EQ(strokes[2].yTo, 11);
  EXPECT_EQ(strokes[3].pen, TrayPen::Down);
  EXPECT_EQ(strokes[3].yFrom, 11);
  EXPECT_EQ(strokes[3].yTo, 0);
  // Equal heights: the both pen only.
  RateHistory eq = HistoryOf({{60, 60}});
  const auto one = TrayBarStrokes(eq, 100);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].pen, TrayPen::Both);
  EXPECT_EQ(one[0].yTo, 14 - 8);
}

TEST(TrayGeometry, BarsWithZeroScaleOrNoHistory) {
  RateHistory empty(16);
  EXPECT_TRUE(TrayBarStrokes(empty, 100).empty());
  RateHistory idle = HistoryOf({{0, 0}, {0, 0}});
  EXPECT_TRUE(TrayBarStrokes(idle, 0).empty());
  RateHistory busy = HistoryOf({{3, 0}});
  const auto strokes = TrayBarStrokes(busy, 0);  // scale 1: any traffic fills the column
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].yTo, 0);
}

TEST(TrayGeometry, LinesRunFrom14To0UploadFirst) {
  RateHistory h(64);
  for (int i = 0; i < 20; ++i) h.PushFront(RateSample{static_cast<uint32_t>(i * 10), 1000, 0, 0});
  // newest down = 190 -> limited to 13; up = 1000 of 1000 -> 13
  const auto paths = TrayLinePaths(h, 1000);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0].pen, TrayPen::Up);
  EXPECT_EQ(paths[1].pen, TrayPen::Down);
  for (const auto& p : paths) {
    ASSERT_EQ(p.points.size(), 15u);
    for (size_t i = 0; i < p.points.size(); ++i) EXPECT_EQ(p.points[i].x, 14 - static_cast<int>(i));
  }
  for (const auto& pt : paths[0].points) EXPECT_EQ(pt.y, 1);  // 14 - 13: at most 13 rows
  EXPECT_EQ(paths[1].points[0].y, 14 - 2);                    // 190 / 1000 * 13 = 2.47
  EXPECT_EQ(paths[1].points[14].y, 14 - 0);                   // 50 / 1000 * 13 = 0.65
}

TEST(TrayGeometry, LinesStopWhenHistoryEnds) {
  RateHistory h = HistoryOf({{10, 20}, {40, 0}, {0, 0}});
  const auto paths = TrayLinePaths(h, 40);
  ASSERT_EQ(paths.size(), 2u);
  ASSERT_EQ(paths[1].points.size(), 3u);
  EXPECT_EQ(paths[1].points[0].y, 14);
  EXPECT_EQ(paths[1].points[1].y, 1);
  EXPECT_EQ(paths[1].points[2].y, 14 - 3);  // 10 / 40 * 13 = 3.25
  EXPECT_EQ(paths[1].points[2].x, 12);
  RateHistory empty(8);
  EXPECT_TRUE(TrayLinePaths(empty, 40).empty());
  // Zero scale over an idle history: flat lines on the bottom row.
  RateHistory idle = HistoryOf({{0, 0}, {0, 0}});
  const auto flat = TrayLinePaths(idle, 0);
  ASSERT_EQ(flat.size(), 2u);
  for (const auto& p : flat)
    for (const auto& pt : p.points) EXPECT_EQ(pt.y, 14);
}
