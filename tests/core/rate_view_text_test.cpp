// The rate view's text line: its words in both forms and the placement of the coloured parts.
#include <gtest/gtest.h>

#include "view/rate_view_layout.h"

namespace {

TEST(RateViewText, PlainLineJoinsMaximumDownloadAndUpload) {
  const RateSample s{3277, 512, 0, 0};
  const RateTextParts p = ComposeRateText(s, 12800, true, true, false, false);
  EXPECT_EQ(JoinRateText(p), L"(Max: 12.5 KB/s)  Down: 3.20 KB/s  Up: 512 B/s");
  const RateTextParts noMax = ComposeRateText(s, 12800, true, false, false, false);
  EXPECT_EQ(JoinRateText(noMax), L"Down: 3.20 KB/s  Up: 512 B/s");
}

TEST(RateViewText, ColouredFormHasTheSameWordsWithoutInnerBlanks) {
  const RateSample s{125, 0, 0, 0};
  const RateTextParts p = ComposeRateText(s, 125, false, true, false, true);
  EXPECT_EQ(p.max, L"(Max: 1.00 kbps)");
  EXPECT_EQ(p.down, L"Down: 1.00 kbps");
  EXPECT_EQ(p.up, L"Up: 0 bps");
}

TEST(RateViewText, AveragesReplaceTheNewestRates) {
  const RateSample s{1, 2, 1000, 2000};
  const RateTextParts plain = ComposeRateText(s, 0, true, false, true, false);
  EXPECT_EQ(plain.down, L"Avg Down: 0.98 KB/s");
  EXPECT_EQ(plain.up, L"  Avg Up: 1.95 KB/s");
  const RateTextParts coloured = ComposeRateText(s, 0, true, false, true, true);
  EXPECT_EQ(coloured.up, L"Avg Up: 1.95 KB/s");
}

TEST(RateViewText, ColouredPartsAreCentredTwoBlanksApart) {
  const ViewRect inner{3, 0, 203, 13};
  ColouredTextPlacement pl = PlaceColouredText(inner, 4, 0, 60, 40, false);
  EXPECT_EQ(pl.downX, 3 + (200 - 8 - 100) / 2);
  EXPECT_EQ(pl.upX, pl.downX + 60 + 8);
  pl = PlaceColouredText(inner, 4, 50, 60, 40, true);
  EXPECT_EQ(pl.maxX, 3 + (200 - 16 - 150) / 2);
  EXPECT_EQ(pl.downX, pl.maxX + 50 + 8);
  // Wider than the panel: starts left of it, the halving rounding down.
  pl = PlaceColouredText(inner, 4, 0, 150, 45, false);
  EXPECT_EQ(pl.downX, 3 - 2);  // (200 - 8 - 195) = -3, halved down to -2
}

// Pieces of a text that the glyph cache may draw apart: a border is cut only
// where no character's ink crosses it.
TEST(RateViewText, TextIsCutOnlyWhereNoInkCrosses) {
  struct Case {
    const char* what;
    std::vector<GlyphInk> ink;
    std::vector<size_t> ends;
  } cases[] = {
      {"no overhang: every character", {{5, 0, 0}, {5, 0, 0}, {3, 0, 0}}, {1, 2, 3}},
      {"a slash inks into the next", {{4, 0, 0}, {4, 0, 1}, {5, 0, 0}}, {1, 3}},
      {"left ink reaching two back", {{2, 0, 0}, {2, 0, 0}, {5, 3, 0}, {5, 0, 0}}, {3, 4}},
      {"ink at the very start or end crosses no border", {{5, 2, 0}, {5, 0, 2}}, {1, 2}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    std::vector<size_t> ends{99};
    SplitAtClearBorders(c.ink, ends);
    EXPECT_EQ(ends, c.ends) << c.what;
  }
}

TEST(RateViewText, FillStaysInsideTheBitmap) {
  std::vector<uint32_t> px(4 * 3, 0);
  const PixelTarget t{px.data(), ViewRect{10, 20, 14, 23}};  // 4 x 3 at (10, 20)
  FillPixels(t, ViewRect{12, 0, 99, 21}, PixelOf(0x0000FF));    // red, clipped to the top row's right half
  const std::vector<uint32_t> want{0, 0, 0xFF0000, 0xFF0000, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(px, want);
}

}  // namespace
