#include "view/rate_view_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/format.h"

namespace {

ViewRect Inset(const ViewRect& r, int32_t dx, int32_t dy) {
  return ViewRect{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

int32_t Step(int32_t pulseWidth, int32_t pulseSpace) { return pulseWidth + pulseSpace; }

// Halving that rounds towards minus infinity.
int32_t FloorHalf(int32_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

uint32_t FieldOf(const RateSample& s, RateField f) {
  switch (f) {
    case RateField::Down: return s.down;
    case RateField::Up: return s.up;
    case RateField::AvgDown: return s.avgDown;
    case RateField::AvgUp: return s.avgUp;
  }
  return 0;
}

// Height in px of a rate on a scale of `full` px for scaleMax; never above full.
int32_t ScaledHeight(int32_t full, uint32_t rate, uint32_t scaleMax) {
  const double h = static_cast<double>(full) * rate / scaleMax;
  return h >= full ? full : static_cast<int32_t>(h);
}

std::wstring Widen(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

}  // namespace

int32_t EffectiveFontHeight(int32_t descriptionHeight) {
  if (descriptionHeight == 0) return kDefaultFontHeight;
  if (descriptionHeight == std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::max();
  return std::abs(descriptionHeight);
}

const wchar_t* ScaleColumnSampleText(bool unitBytes) { return unitBytes ? L"999.9 MB/s" : L"999.9 mbps"; }

RateViewOptions ScaleViewOptions(const RateViewOptions& options, int32_t dpi) {
  RateViewOptions o = options;
  for (FontSpec* f : {&o.titleFont, &o.rateFont, &o.scaleFont, &o.timeTextFont}) {
    if (f->height == 0) f->height = kDefaultFontHeight;
    f->height = Scale(f->height, dpi);
  }
  o.pulseWidth = Scale(o.pulseWidth, dpi);
  o.pulseSpace = Scale(o.pulseSpace, dpi);
  return o;
}

int32_t VisibleSampleCount(int32_t width, bool scaleShown, int32_t scaleColumnWidth, int32_t pulseWidth,
                           int32_t pulseSpace, int32_t border) {
  const int32_t step = Step(pulseWidth, pulseSpace);
  if (width <= 2 * border || step <= 0) return 0;
  const int32_t usable = (scaleShown && scaleColumnWidth + 3 * border < width) ? width - (scaleColumnWidth + 3 * border)
                                                                              : width - 2 * border;
  return (usable + step - 1) / step;
}

RateViewLayout Relayout(int32_t width, int32_t height, const RateViewOptions& o, const RateViewMetrics& m) {
  RateViewLayout l;
  const int32_t b = std::max<int32_t>(Scale(1, m.dpi), 1);
  const int32_t padX = Scale(3, m.dpi), padY = Scale(2, m.dpi), pad = Scale(4, m.dpi);
  l.border = b;
  l.dpi = m.dpi;
  l.visibleCount = VisibleSampleCount(width, o.showScale && o.showGraph, m.scaleColumnWidth, o.pulseWidth,
                                      o.pulseSpace, b);
  if (width <= 0 || height <= 0) return l;

  int32_t graphTop = 0;
  if (o.showTitle) {
    l.title = ViewRect{0, 0, width, std::min(m.titleFontHeight + pad, height)};
    graphTop = l.title.bottom - b;
    if (l.title.height() >= 2 * padY + 1 && l.title.width() >= 2 * padX + 1) l.titleText = Inset(l.title, padX, padY);
    if (l.title.bottom >= height) return l;
  }

  if (o.showText) {
    int32_t top = height - m.rateFontHeight - pad;
    if (!o.showGraph || top < graphTop) top = graphTop;
    l.textPanel = ViewRect{0, top, width, height};
    if (l.textPanel.height() >= 2 * padY + 1 && l.textPanel.width() >= 2 * padX + 1) {
      l.textInner = Inset(l.textPanel, padX, padY);
      if (l.textInner.height() > m.rateFontHeight) {
        const int32_t cut = (l.textInner.height() - m.rateFontHeight) / 2;
        l.textInner.top += cut;
        l.textInner.bottom -= cut;
      }
    }
  }

  if (o.showGraph) {
    if (!o.showText) {
      l.graph = ViewRect{0, graphTop, width, height};
    } else if (graphTop < l.textPanel.top) {
      l.graph = ViewRect{0, graphTop, width, l.textPanel.top + b};
    }
  }

  if (l.graph.height() > 2 * b && width > 2 * b) {
    const int32_t sfh = std::max<int32_t>(m.scaleFontHeight, 1);
    if (o.showScale && m.scaleColumnWidth + 3 * b < width) {
      l.scaleColumn = ViewRect{b, l.graph.top + b, m.scaleColumnWidth + b, l.graph.bottom - b};
      l.plot = ViewRect{m.scaleColumnWidth + 2 * b, l.graph.top + b, width - b, l.graph.bottom - b};
      const int32_t t = (l.graph.height() - 2 * b) / sfh;
      l.scaleLineCount = t <= 0 ? 1 : (t <= 6 ? t : (t - 6) / 3 + 6);
      l.scaleLineSpacing = std::max<int32_t>(0, (l.scaleColumn.height() - sfh / 2) / l.scaleLineCount);
    } else {
      l.plot = Inset(l.graph, b, b);
    }
    l.fullScaleHeight = static_cast<int32_t>(static_cast<int64_t>(l.plot.height()) * o.heightPercent / 100);
  }
  return l;
}

// ---- Scale maxima ------------------------------------------------------------

uint32_t ScaleValueOf(const RateSample& s, bool avgDownLine, bool avgUpLine) {
  uint32_t v = std::max(s.down, s.up);
  if (avgDownLine) v = std::max(v, s.avgDown);
  if (avgUpLine) v = std::max(v, s.avgUp);
  return v;
}

void RecomputeMaxima(ScaleState& st, const RateHistory& h, int32_t visibleCount, bool avgDownLine,
                     bool avgUpLine) {
  const size_t n = std::min(h.size(), static_cast<size_t>(std::max<int32_t>(visibleCount, 0)));
  uint32_t shown = 0, scale = 0;
  for (size_t i = 0; i < n; ++i) {
    shown = std::max({shown, h[i].down, h[i].up});
    scale = std::max(scale, ScaleValueOf(h[i], avgDownLine, avgUpLine));
  }
  st.shownMax = shown;
  if (!st.fixedScale) st.scaleMax = scale;
}

bool AddSampleMaxima(ScaleState& st, const RateHistory& h, int32_t visibleCount, bool avgDownLine,
                     bool avgUpLine) {
  if (h.empty()) return false;
  const RateSample& s = h.newest();
  bool shownRose = false, scaleRose = false;
  const uint32_t rate = std::max(s.down, s.up);
  if (rate > st.shownMax) {
    st.shownMax = rate;
    shownRose = true;
  }
  if (!st.fixedScale) {
    const uint32_t v = ScaleValueOf(s, avgDownLine, avgUpLine);
    if (v > st.scaleMax) {
      st.scaleMax = v;
      scaleRose = true;
    }
  }
  // The sample that just left the view may have held a maximum. Each maximum
  // is checked on its own: with average lines the scale can rise while the
  // text's maximum leaves the view in the same tick.
  const size_t out = static_cast<size_t>(std::max<int32_t>(visibleCount, 0));
  if (h.size() <= out) return false;
  const RateSample& gone = h[out];
  const bool shownLeft = !shownRose && std::max(gone.down, gone.up) >= st.shownMax;
  const bool scaleLeft =
      !st.fixedScale && !scaleRose && ScaleValueOf(gone, avgDownLine, avgUpLine) >= st.scaleMax;
  if (!shownLeft && !scaleLeft) return false;
  RecomputeMaxima(st, h, visibleCount, avgDownLine, avgUpLine);
  return true;
}

// ---- Scale labels and grid ---------------------------------------------------

void ScaleLabels(const RateViewLayout& l, int32_t scaleFontHeight, uint32_t scaleMax, std::vector<ScaleLabel>& out) {
  out.clear();
  if (l.scaleColumn.empty() || l.fullScaleHeight <= 0) return;
  const int32_t half = scaleFontHeight / 2;
  const ViewRect& c = l.scaleColumn;
  for (int32_t i = 1; i <= l.scaleLineCount; ++i) {
    ScaleLabel lab;
    lab.y = c.top + half + (i - 1) * l.scaleLineSpacing;
    if (lab.y < c.bottom) {
      lab.tick = true;
      // The labels above the full-scale height read more than scaleMax (headroom).
      const double v = static_cast<double>(scaleMax) / l.fullScaleHeight * (c.bottom - lab.y);
      lab.value = v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    }
    lab.box = ViewRect{c.left + l.border, lab.y - half, c.right - Scale(4, l.dpi), std::min(lab.y - half + scaleFontHeight, c.bottom)};
    out.push_back(lab);
  }
}

void ScaleGridLines(const RateViewLayout& l, int32_t scaleFontHeight, std::vector<int32_t>& out) {
  out.clear();
  if (l.plot.empty()) return;
  for (int32_t i = 1; i <= l.scaleLineCount; ++i) {
    const int32_t y = l.plot.top + scaleFontHeight / 2 + (i - 1) * l.scaleLineSpacing;
    if (y >= l.plot.bottom) break;
    out.push_back(y);
  }
}

std::vector<bool> GridDashPattern(int32_t style, int32_t dpi) {
  static const int32_t kDot[] = {1, 1}, kDash[] = {18, 6}, kDashDot[] = {9, 6, 3, 6},
                       kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  const int32_t* runs = nullptr;
  size_t n = 0;
  switch (style) {
    case kLineDot: runs = kDot, n = 2; break;
    case kLineDash: runs = kDash, n = 2; break;
    case kLineDashDot: runs = kDashDot, n = 4; break;
    case kLineDashDotDot: runs = kDashDotDot, n = 6; break;
    default: return {true};
  }
  std::vector<bool> pattern;
  for (size_t i = 0; i < n; ++i) pattern.insert(pattern.end(), std::max<int32_t>(Scale(runs[i], dpi), 1), i % 2 == 0);
  return pattern;
}

// ---- Time grid ---------------------------------------------------------------

TimeGridPhase ResetTimeGridPhase(int32_t interval, int32_t pulseWidth, int32_t pulseSpace) {
  TimeGridPhase p;
  p.period = interval * Step(pulseWidth, pulseSpace) - pulseSpace;
  p.lineOffset = p.period;
  p.secondsSinceLine = interval - 1;
  return p;
}

void AdvanceTimeGridPhase(TimeGridPhase& p, int32_t interval, int32_t pulseWidth, int32_t pulseSpace) {
  p.lineOffset += Step(pulseWidth, pulseSpace);
  if (p.lineOffset > p.period) p.lineOffset = pulseWidth;
  if (++p.secondsSinceLine >= interval) p.secondsSinceLine = 0;
}

void TimeGridLines(const ViewRect& plot, const TimeGridPhase& p, int32_t interval, int32_t pulseWidth,
                   int32_t pulseSpace, std::vector<int32_t>& out) {
  out.clear();
  const int32_t gap = interval * Step(pulseWidth, pulseSpace);
  if (plot.empty() || gap <= 0) return;
  for (int32_t x = plot.right - p.lineOffset; x > plot.left; x -= gap) out.push_back(x);
}

std::wstring FormatTimeLabel(const LocalTime& t, int32_t timeFormat, bool twelveHourClock) {
  const int hour = twelveHourClock ? t.hour % 12 : t.hour;
  char buf[32];
  switch (timeFormat) {
    case kTimeHm: std::snprintf(buf, sizeof buf, "%d:%02d", hour, t.minute); break;
    case kTimeMs: std::snprintf(buf, sizeof buf, "%02d:%02d", t.minute, t.second); break;
    default: std::snprintf(buf, sizeof buf, "%d:%02d:%02d", hour, t.minute, t.second); break;
  }
  return Widen(buf);
}

LocalTime TimeBefore(const LocalTime& t, int64_t seconds) { return FromNaiveSeconds(NaiveSeconds(t) - seconds); }

void TimeLabels(const ViewRect& plot, const TimeGridPhase& p, int32_t interval, int32_t pulseWidth,
                int32_t pulseSpace, const LocalTime& now, int32_t timeFormat, bool twelveHourClock,
                std::vector<TimeLabel>& out, int32_t dpi) {
  out.clear();
  const int32_t gap = interval * Step(pulseWidth, pulseSpace);
  if (plot.empty() || gap <= 0) return;
  int64_t back = p.secondsSinceLine;
  for (int32_t x = plot.right - p.lineOffset; x > plot.left; x -= gap, back += interval) {
    out.push_back(TimeLabel{ViewRect{x + Scale(4, dpi), plot.top, plot.right, plot.bottom},
                            FormatTimeLabel(TimeBefore(now, back), timeFormat, twelveHourClock)});
  }
}

// ---- Columns and lines ---------------------------------------------------------

void ColumnFills(const ViewRect& plot, int32_t full, uint32_t scaleMax, const RateHistory& h, int32_t pulseWidth,
                 int32_t pulseSpace, std::vector<ColumnFill>& out) {
  out.clear();
  const int32_t step = Step(pulseWidth, pulseSpace);
  if (plot.empty() || full <= 0 || scaleMax == 0 || step <= 0) return;
  int32_t x = plot.right;
  for (size_t i = 0; i < h.size() && x > plot.left; ++i, x -= step) {
    const int32_t left = std::max(x - pulseWidth, plot.left);
    const int32_t hDown = ScaledHeight(full, h[i].down, scaleMax);
    const int32_t hUp = ScaledHeight(full, h[i].up, scaleMax);
    const int32_t low = std::min(hDown, hUp);
    const int32_t high = std::max(hDown, hUp);
    if (low > 0) out.push_back(ColumnFill{ViewRect{left, plot.bottom - low, x, plot.bottom}, ColumnPart::Both});
    if (high > low) {
      out.push_back(ColumnFill{ViewRect{left, plot.bottom - high, x, plot.bottom - low},
                               hDown > hUp ? ColumnPart::Down : ColumnPart::Up});
    }
  }
}

void LinePoints(const ViewRect& plot, int32_t full, uint32_t scaleMax, const RateHistory& h, RateField field,
                int32_t pulseWidth, int32_t pulseSpace, std::vector<ViewPoint>& out) {
  out.clear();
  const int32_t step = Step(pulseWidth, pulseSpace);
  if (plot.empty() || step <= 0) return;
  const float b = static_cast<float>(std::max<int32_t>(full - 1, 0));
  const int32_t baseline = plot.bottom - 1;
  int32_t x = plot.right - 1;
  for (size_t i = 0; i < h.size() && x >= plot.left; ++i, x -= step) {
    int32_t lift = 0;
    if (scaleMax != 0) {
      const float v = b * static_cast<float>(FieldOf(h[i], field)) / static_cast<float>(scaleMax);
      lift = static_cast<int32_t>(std::min(b, v));
    }
    out.push_back(ViewPoint{x, baseline - lift});
  }
}

// ---- Text panel ----------------------------------------------------------------

RateTextParts ComposeRateText(const RateSample& s, uint32_t shownMax, bool unitBytes, bool showMax, bool showAvg,
                              bool coloured) {
  RateTextParts p;
  if (showMax) p.max = L"(Max: " + FormatRate(shownMax, unitBytes) + (coloured ? L")" : L")  ");
  p.down = showAvg ? L"Avg Down: " + FormatRate(s.avgDown, unitBytes) : L"Down: " + FormatRate(s.down, unitBytes);
  const wchar_t* lead = coloured ? L"" : L"  ";
  p.up = showAvg ? lead + (L"Avg Up: " + FormatRate(s.avgUp, unitBytes)) : lead + (L"Up: " + FormatRate(s.up, unitBytes));
  return p;
}

int32_t CentredTextX(const ViewRect& inner, int32_t width) { return inner.left + FloorHalf(inner.width() - width); }

void FillPixels(const PixelTarget& t, const ViewRect& r, uint32_t pixel) {
  const int32_t x0 = std::max(r.left, t.at.left), x1 = std::min(r.right, t.at.right);
  const int32_t y0 = std::max(r.top, t.at.top), y1 = std::min(r.bottom, t.at.bottom);
  if (!t.bits || x0 >= x1) return;
  const size_t stride = static_cast<size_t>(t.at.width());
  for (int32_t y = y0; y < y1; ++y)
    std::fill_n(t.bits + static_cast<size_t>(y - t.at.top) * stride + (x0 - t.at.left), x1 - x0, pixel);
}

void SplitAtClearBorders(const std::vector<GlyphInk>& ink, std::vector<size_t>& ends) {
  ends.clear();
  int64_t x = 0;
  for (size_t k = 1; k <= ink.size(); ++k) {
    x += ink[k - 1].advance;
    if (k == ink.size()) break;
    // The border after character k-1 lies at x; is any character's ink on both sides of it?
    bool clear = true;
    int64_t at = 0;
    for (size_t i = 0; i < ink.size() && clear; at += ink[i].advance, ++i)
      clear = at - ink[i].left >= x || at + ink[i].advance + ink[i].right <= x;
    if (clear) ends.push_back(k);
  }
  if (!ink.empty()) ends.push_back(ink.size());
}

std::wstring JoinRateText(const RateTextParts& p) { return p.max + p.down + p.up; }

ColouredTextPlacement PlaceColouredText(const ViewRect& inner, int32_t sp, int32_t wMax, int32_t wDown, int32_t wUp,
                                        bool withMax) {
  ColouredTextPlacement pl;
  int32_t x;
  if (withMax) {
    x = inner.left + FloorHalf(inner.width() - 4 * sp - wMax - wDown - wUp);
    pl.maxX = x;
    x += wMax + 2 * sp;
  } else {
    x = inner.left + FloorHalf(inner.width() - 2 * sp - wDown - wUp);
    pl.maxX = x;
  }
  pl.downX = x;
  pl.upX = x + wDown + 2 * sp;
  return pl;
}
