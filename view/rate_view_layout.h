// The rate view's geometry and numbers, without any drawing: rectangles of the
// title, graph, scale column and text panel, the samples in view, the scale
// maxima, the points of every column and line, the time grid and its labels,
// and the text line with its placement. The shell measures text and draws; it
// passes font heights and text widths in and paints what comes out.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "measure/rate_history.h"
#include "base/dates.h"
#include "base/dpi.h"
#include "view/rate_view_options.h"

// Right and bottom edges are exclusive, as the platform's rectangles.
struct ViewRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const ViewRect&) const = default;
};

struct ViewPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ViewPoint&) const = default;
};

// Height of a font made when the owner gave none, and the stand-in for a font
// description of height 0 (which would leave the scale lines without a height).
constexpr int32_t kDefaultFontHeight = 13;

// The height the view works with for a font description: its absolute value,
// or kDefaultFontHeight when the description says 0.
int32_t EffectiveFontHeight(int32_t descriptionHeight);

// What the shell measured.
struct RateViewMetrics {
  int32_t titleFontHeight = kDefaultFontHeight;
  int32_t rateFontHeight = kDefaultFontHeight;
  int32_t scaleFontHeight = kDefaultFontHeight;
  int32_t scaleColumnWidth = 0;  // ScaleColumnWidth() of the measured sample text
  int32_t dpi = kBaseDpi;        // the fonts above are measured at this DPI
};

// The options in the pixels of a view at `dpi`: the font heights (0 taken as
// kDefaultFontHeight first, the sign kept) and the pulse width and space.
// Every other pixel size of the view is scaled by Relayout and the drawing.
RateViewOptions ScaleViewOptions(const RateViewOptions& options, int32_t dpi);

// The text whose width sets the scale column: the widest label there can be.
const wchar_t* ScaleColumnSampleText(bool unitBytes);
// Scale column width from the measured width of ScaleColumnSampleText.
inline int32_t ScaleColumnWidth(int32_t sampleTextWidth, int32_t dpi = kBaseDpi) {
  return sampleTextWidth + Scale(5, dpi);
}

struct RateViewLayout {
  ViewRect title, titleText, graph, plot, scaleColumn, textPanel, textInner;
  int32_t fullScaleHeight = 0;   // px at which the scale maximum is drawn
  int32_t scaleLineCount = 0;
  int32_t scaleLineSpacing = 0;
  int32_t visibleCount = 0;      // samples that fit across the plot
  int32_t border = 1;            // px of the frame lines
  int32_t dpi = kBaseDpi;
};

// Samples that fit across a view of this width (rounded up: a part column counts).
int32_t VisibleSampleCount(int32_t width, bool scaleShown, int32_t scaleColumnWidth, int32_t pulseWidth,
                           int32_t pulseSpace, int32_t border = 1);

// Every rectangle of a view of width x height. The title's bottom line, the
// graph's frame and the text panel's frame overlap by one line each. Frame
// lines and paddings are 96-DPI sizes scaled to metrics.dpi.
RateViewLayout Relayout(int32_t width, int32_t height, const RateViewOptions& options, const RateViewMetrics& metrics);

// ---- Scale maxima ------------------------------------------------------------

struct ScaleState {
  bool fixedScale = false;
  uint32_t shownMax = 0;  // highest down or up rate in view (the text's maximum)
  uint32_t scaleMax = 0;  // rate drawn at the full-scale height
};

// The value a sample contributes to the auto scale: down, up and the averages
// whose lines are shown.
uint32_t ScaleValueOf(const RateSample& s, bool avgDownLine, bool avgUpLine);

// Both maxima over the first visibleCount samples (newest first); a fixed
// scale keeps its scaleMax.
void RecomputeMaxima(ScaleState& state, const RateHistory& history, int32_t visibleCount, bool avgDownLine,
                     bool avgUpLine);

// After the newest sample was put at the head of the history: raises the
// maxima, and recomputes them when the sample that scrolled out could have held
// one. Returns true when a recomputation ran.
bool AddSampleMaxima(ScaleState& state, const RateHistory& history, int32_t visibleCount, bool avgDownLine,
                     bool avgUpLine);

// ---- Scale labels and grid ---------------------------------------------------

struct ScaleLabel {
  int32_t y = 0;
  bool tick = false;     // a tick mark at y (the label lies inside the column)
  uint32_t value = 0;    // rate the label reads
  ViewRect box;          // right-aligned text box
};

void ScaleLabels(const RateViewLayout& layout, int32_t scaleFontHeight, uint32_t scaleMax,
                 std::vector<ScaleLabel>& out);
// y of each horizontal scale grid line (at the heights of the labels).
void ScaleGridLines(const RateViewLayout& layout, int32_t scaleFontHeight, std::vector<int32_t>& out);
// One period of a grid line's dashes at `dpi` for a line style (true = drawn):
// dot 1 on 1 off; dash 18/6; dash-dot 9/6/3/6; dash-dot-dot 9/3/3/3/3/3 (at 96
// DPI, so the styled periods are 24 px, a multiple of the usual steps of 3, 4
// and 6 px); solid is one drawn pixel.
std::vector<bool> GridDashPattern(int32_t lineStyle, int32_t dpi);

// ---- Time grid ---------------------------------------------------------------

struct TimeGridPhase {
  int32_t secondsSinceLine = 0;  // 0 .. interval-1
  int32_t lineOffset = 0;        // px from the plot's right edge to the newest line
  int32_t period = 0;            // px between two lines minus one space
};

// A new phase: the first AddSample puts a line at the newest column.
TimeGridPhase ResetTimeGridPhase(int32_t interval, int32_t pulseWidth, int32_t pulseSpace);
// One tick: the lines move left by one step, and a new one starts every interval ticks.
void AdvanceTimeGridPhase(TimeGridPhase& phase, int32_t interval, int32_t pulseWidth, int32_t pulseSpace);
// x of each vertical time grid line, newest first.
void TimeGridLines(const ViewRect& plot, const TimeGridPhase& phase, int32_t interval, int32_t pulseWidth,
                   int32_t pulseSpace, std::vector<int32_t>& out);

struct TimeLabel {
  ViewRect box;
  std::wstring text;
  bool operator==(const TimeLabel&) const = default;
};

// "%d:%02d:%02d", "%d:%02d" or "%02d:%02d" by the time format (others as the
// first); with the 12-hour clock the hour is taken modulo 12.
std::wstring FormatTimeLabel(const LocalTime& t, int32_t timeFormat, bool twelveHourClock);
// The local time `seconds` before t (calendar arithmetic, no daylight saving).
LocalTime TimeBefore(const LocalTime& t, int64_t seconds);
// One label just right of each time grid line; the newest line carries the
// time `now` minus secondsSinceLine.
void TimeLabels(const ViewRect& plot, const TimeGridPhase& phase, int32_t interval, int32_t pulseWidth,
                int32_t pulseSpace, const LocalTime& now, int32_t timeFormat, bool twelveHourClock,
                std::vector<TimeLabel>& out, int32_t dpi = kBaseDpi);

// ---- Columns and lines ---------------------------------------------------------

enum class ColumnPart : uint8_t { Both, Down, Up };

struct ColumnFill {
  ViewRect rect;
  ColumnPart part = ColumnPart::Both;
};

// The filled parts of every column in view, newest (rightmost) first: the
// overlap of the two rates in the both colour, the excess of the larger one in
// its own colour. Nothing when scaleMax or fullScaleHeight is 0.
void ColumnFills(const ViewRect& plot, int32_t fullScaleHeight, uint32_t scaleMax, const RateHistory& history,
                 int32_t pulseWidth, int32_t pulseSpace, std::vector<ColumnFill>& out);

enum class RateField : uint8_t { Down, Up, AvgDown, AvgUp };

// The points of one line, newest (rightmost) first. With scaleMax 0 they lie on the baseline.
void LinePoints(const ViewRect& plot, int32_t fullScaleHeight, uint32_t scaleMax, const RateHistory& history,
                RateField field, int32_t pulseWidth, int32_t pulseSpace, std::vector<ViewPoint>& out);

// ---- Text panel ----------------------------------------------------------------

// Where a text `width` wide starts, centred in `inner` (left of it when wider).
int32_t CentredTextX(const ViewRect& inner, int32_t width);

// A 32-bit top-down bitmap's pixels (0x00RRGGBB) and where it lies in the
// coordinates drawn in.
struct PixelTarget {
  uint32_t* bits = nullptr;
  ViewRect at;
};
// A COLORREF (0x00BBGGRR) as such a pixel.
inline uint32_t PixelOf(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
// Fills r, clipped to the target.
void FillPixels(const PixelTarget& t, const ViewRect& r, uint32_t pixel);

// A character's advance and how far its ink reaches beyond it, left and right.
struct GlyphInk {
  int32_t advance = 0;
  int32_t left = 0;
  int32_t right = 0;
};

// Splits a text into pieces that no character's ink crosses: each piece
// looks the same drawn alone as drawn within the text. `ends` gets the end of
// each piece; `ink[i]` belongs to text[i].
void SplitAtClearBorders(const std::vector<GlyphInk>& ink, std::vector<size_t>& ends);

struct RateTextParts {
  std::wstring max;  // empty when the maximum is not shown
  std::wstring down;
  std::wstring up;
  bool operator==(const RateTextParts&) const = default;
};

// The three parts of the text line; the plain form carries its blanks inside
// the parts, the coloured form leaves the spacing to the placement.
RateTextParts ComposeRateText(const RateSample& newest, uint32_t shownMax, bool unitBytes, bool showMax,
                              bool showAvg, bool coloured);
// The plain line: maximum, download and upload joined.
std::wstring JoinRateText(const RateTextParts& parts);

struct ColouredTextPlacement {
  int32_t maxX = 0;
  int32_t downX = 0;
  int32_t upX = 0;
};

// Left edges of the coloured parts: two blank widths apart, the whole line
// centred in textInner (a line wider than the panel starts left of it).
ColouredTextPlacement PlaceColouredText(const ViewRect& textInner, int32_t blankWidth, int32_t maxWidth,
                                        int32_t downWidth, int32_t upWidth, bool withMax);
