#include "view/rate_view_win.h"
#include "ui/window_util_win.h"

#include <windowsx.h>
#include <algorithm>

#include "base/format.h"
#include "settings/logfont_win.h"

const CRateView::MsgEntry CRateView::kMessages[] = {
    {WM_CREATE, &CRateView::OnCreate},         {WM_SIZE, &CRateView::OnSize},
    {WM_PAINT, &CRateView::OnPaint},           {WM_PRINTCLIENT, &CRateView::OnPrintClient},
    {WM_ERASEBKGND, &CRateView::OnEraseBkgnd}, {WM_MOUSEMOVE, &CRateView::OnMouseMove},
};

namespace {

RECT ToRect(const ViewRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

int PenStyleOf(int32_t style) { return style >= kLineSolid && style <= kLineDashDotDot ? style : PS_SOLID; }

void Text(HDC dc, const std::wstring& s, const ViewRect& box, UINT format) {
  RECT rc = ToRect(box);
  ::DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &rc, format | DT_SINGLELINE | DT_NOPREFIX);
}

int32_t TextWidth(HDC dc, std::wstring_view s) {
  SIZE sz{};
  if (s.empty() || !::GetTextExtentPoint32W(dc, s.data(), static_cast<int>(s.size()), &sz)) return 0;
  return sz.cx;
}

bool Meets(const ViewRect& r, const std::vector<ViewRect>& rects) {
  for (const ViewRect& o : rects)
    if (r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom) return true;
  return false;
}

bool ReadTwelveHourClock() {
  wchar_t buf[4] = {};
  if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ITIME, buf, 4) == 0) return true;
  return buf[0] == L'0';
}

}  // namespace

LOGFONTW LogFontFromSpec(const FontSpec& font) { return ToLogFontW(LogFontOf(font)); }

FontSpec FontSpecFromLogFont(const LOGFONTW& lf) { return FontSpecOf(FromLogFontW(lf)); }

CRateView::CRateView(const RateHistory* history, HWND owner)
    : history_(history ? history : &noHistory_), owner_(owner), twelveHour_(ReadTwelveHourClock()), now_(&CurrentLocalTime) {
  // Everything drawn follows the options from the start, defaults until the owner sets its own.
  opt_ = ScaleViewOptions(given_, dpi_);
  MakeResources();
}

// The back buffers are DIBs: a rectangle there is filled in memory, inside
// the scroll's stripes while it draws them. Another DC gets it from GDI, with
// the DC's own brush (DC_BRUSH) that Paint selects: no brush object is made,
// selected and put back per drawing.
void CRateView::Fill(HDC dc, const ViewRect& r, COLORREF colour) {
  if (r.empty()) return;
  const PixelTarget t = PixelsOf(dc);
  if (!t.bits) {
    ::SetDCBrushColor(dc, colour);
    ::PatBlt(dc, r.left, r.top, r.width(), r.height(), PATCOPY);
    return;
  }
  ::GdiFlush();  // what GDI drew so far is in the pixels
  const uint32_t pixel = PixelOf(colour);
  if (!fillClip_) {
    FillPixels(t, r, pixel);
    return;
  }
  for (const ViewRect& c : *fillClip_)
    FillPixels(t, ViewRect{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                           std::min(r.bottom, c.bottom)},
               pixel);
}

// The pixels behind one of the back buffers; none for another DC.
PixelTarget CRateView::PixelsOf(HDC dc) const {
  if (dc == memDc_.get()) return PixelTarget{backBits_, ViewRect{0, 0, width_, height_}};
  if (dc == panelDc_.get()) return PixelTarget{panelBits_, layout_.textPanel};
  return PixelTarget{};
}

// A frame of `width` px inside r.
void CRateView::Frame(HDC dc, const ViewRect& r, COLORREF colour, int32_t width) {
  Fill(dc, ViewRect{r.left, r.top, r.right, std::min(r.top + width, r.bottom)}, colour);
  Fill(dc, ViewRect{r.left, std::max(r.bottom - width, r.top), r.right, r.bottom}, colour);
  Fill(dc, ViewRect{r.left, r.top, std::min(r.left + width, r.right), r.bottom}, colour);
  Fill(dc, ViewRect{std::max(r.right - width, r.left), r.top, r.right, r.bottom}, colour);
}

void CRateView::MakeResources() {
  phase_ = ResetTimeGridPhase(opt_.timeGridInterval, opt_.pulseWidth, opt_.pulseSpace);
  borderPen_ = MakePen(opt_.borderColour);
  avgDownPen_ = MakePen(opt_.avgDownColour);
  avgUpPen_ = MakePen(opt_.avgUpColour);
  downPen_ = MakePen(opt_.downColour);
  upPen_ = MakePen(opt_.upColour);
  MakeGridBrushes();
  timeGridPen_ = MakePen(opt_.timeGridColour, opt_.timeGridStyle);
  MakeFont(titleFont_, opt_.titleFont);
  MakeFont(rateFont_, opt_.rateFont);
  MakeFont(scaleFont_, opt_.scaleFont);
  MakeFont(timeFont_, opt_.timeTextFont);
  metrics_.titleFontHeight = titleFont_.height;
  metrics_.rateFontHeight = rateFont_.height;
  metrics_.scaleFontHeight = scaleFont_.height;
  metrics_.dpi = dpi_;
}

// The graph's lines stay one pixel wide at every DPI: a wider pen is drawn
// as a polygon, many times slower, and its dots and dashes are lost.
PenHandle CRateView::MakePen(uint32_t colour, int32_t style) const {
  return PenHandle(::CreatePen(PenStyleOf(style), 1, colour));
}

void CRateView::MakeGridBrushes() {
  const std::vector<bool> pattern = GridDashPattern(opt_.scaleGridStyle, dpi_);
  gridPeriod_ = static_cast<int32_t>(pattern.size());
  gridShift_ = 0;
  // DIB pixels are 0x00RRGGBB, the options' colours 0x00BBGGRR.
  const uint32_t c = opt_.scaleGridColour;
  const uint32_t ink = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  auto brush = [&](uint32_t on, uint32_t off) {
    std::vector<uint32_t> packed((sizeof(BITMAPINFOHEADER) + 3) / 4 + pattern.size());
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
    h->biSize = sizeof *h;
    h->biWidth = gridPeriod_;
    h->biHeight = 1;
    h->biPlanes = 1;
    h->biBitCount = 32;
    h->biCompression = BI_RGB;
    uint32_t* px = packed.data() + (sizeof(BITMAPINFOHEADER) + 3) / 4;
    for (size_t i = 0; i < pattern.size(); ++i) px[i] = pattern[i] ? on : off;
    return BrushHandle(::CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS));
  };
  gridMask_ = brush(0x000000, 0xFFFFFF);
  gridInk_ = brush(ink, 0x000000);
}

void CRateView::SetDpi(int32_t dpi, bool redraw) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  opt_ = ScaleViewOptions(given_, dpi_);
  MakeResources();
  backValid_ = false;
  clip_.reset();
  if (hwnd_) MeasureScaleColumn();
  Relayout();
  if (redraw) Redraw();
}

CRateView::~CRateView() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  DropBitmap();
}

HWND CRateView::Create(HINSTANCE inst, HWND parent, const ViewRect& rect, int id) {
  placed_ = rect;
  return CreateChild(inst, parent, ToRect(rect), id, WS_VISIBLE | WS_CLIPSIBLINGS);
}

void CRateView::Place(const ViewRect& rect) {
  placed_ = rect;
  if (hwnd_) ::MoveWindow(hwnd_, rect.left, rect.top, std::max(rect.width(), 0), std::max(rect.height(), 0), TRUE);
}

// ---- Resources ------------------------------------------------------------------

void CRateView::MakeFont(Font& f, const FontSpec& font) {
  FontHandle old = std::move(f.handle);
  FontSpec s = font;
  // A height of 0 would make the platform pick a size the layout cannot know.
  if (s.height == 0) s.height = kDefaultFontHeight;
  const LOGFONTW lf = LogFontFromSpec(s);
  f.handle.reset(::CreateFontIndirectW(&lf));
  f.height = EffectiveFontHeight(s.height);
  // Nothing may hold the old font when it goes.
  f.glyphs.SetFont(f.handle.get());
  if (old) ForgetFont(old.get());
}

// Selecting a font costs as much as drawing a line of text under Wine: the
// back buffer keeps the font it used last and selects another only on a change.
// The text panel has a bitmap of its own, which keeps the rate font, so a tick
// that draws time labels and the rate text selects no font at all.
void CRateView::UseFont(HDC dc, const Font& f) {
  HFONT* kept = dc == memDc_.get() ? &memFont_ : dc == panelDc_.get() ? &panelFont_ : nullptr;
  if (kept) {
    if (*kept == f.handle.get()) return;
    *kept = f.handle.get();
  }
  ::SelectObject(dc, f.handle.get());
}

// The back buffers let go of a font about to be deleted.
void CRateView::ForgetFont(HFONT font) {
  if (memDc_ && memFont_ == font) {
    ::SelectObject(memDc_.get(), ::GetStockObject(SYSTEM_FONT));
    memFont_ = nullptr;
  }
  if (panelDc_ && panelFont_ == font) {
    ::SelectObject(panelDc_.get(), ::GetStockObject(SYSTEM_FONT));
    panelFont_ = nullptr;
  }
}

void CRateView::MeasureScaleColumn() {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return;
  {
    SelectGuard g(screen, scaleFont_.handle.get());
    metrics_.scaleColumnWidth = ScaleColumnWidth(TextWidth(screen, ScaleColumnSampleText(opt_.unitBytes)), dpi_);
  }
  ::ReleaseDC(nullptr, screen);
}

void CRateView::DropBitmap() {
  backValid_ = false;
  if (memDc_ && memDcDefaultBitmap_) ::SelectObject(memDc_.get(), memDcDefaultBitmap_);
  memDcDefaultBitmap_ = nullptr;
  bitmap_.reset();
  backBits_ = nullptr;
  if (panelDc_ && panelDcDefaultBitmap_) ::SelectObject(panelDc_.get(), panelDcDefaultBitmap_);
  panelDcDefaultBitmap_ = nullptr;
  panelBitmap_.reset();
  panelBits_ = nullptr;
}

namespace {

MemoryDc MakeMemoryDc(HDC like) {
  MemoryDc dc(::CreateCompatibleDC(like));
  if (dc) {
    ::SelectObject(dc.get(), ::GetStockObject(DC_BRUSH));
    ::SetBkMode(dc.get(), TRANSPARENT);
  }
  return dc;
}

}  // namespace

void CRateView::RemakeBitmap() {
  DropBitmap();
  if (!hwnd_ || width_ <= 0 || height_ <= 0) return;
  HDC wdc = ::GetDC(hwnd_);
  if (!wdc) return;
  if (!memDc_) memDc_ = MakeMemoryDc(wdc);
  bitmap_ = MakeTopDownDib(wdc, width_, height_, backBits_);
  if (memDc_ && bitmap_) memDcDefaultBitmap_ = ::SelectObject(memDc_.get(), bitmap_.get());
  // The panel's bitmap lies at the panel's place in the view's coordinates.
  const ViewRect& panel = layout_.textPanel;
  if (!panel.empty()) {
    if (!panelDc_) panelDc_ = MakeMemoryDc(wdc);
    // A tick's text is copied into its pixels (RedrawTextFromCache).
    panelBitmap_ = MakeTopDownDib(wdc, panel.width(), panel.height(), panelBits_);
    if (panelDc_ && panelBitmap_) {
      panelDcDefaultBitmap_ = ::SelectObject(panelDc_.get(), panelBitmap_.get());
      ::SetViewportOrgEx(panelDc_.get(), -panel.left, -panel.top, nullptr);
    }
  }
  ::ReleaseDC(hwnd_, wdc);
}

// ---- Messages -------------------------------------------------------------------

std::optional<LRESULT> CRateView::OnCreate(WPARAM, LPARAM lp) {
  MeasureScaleColumn();
  const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
  width_ = cs->cx;
  height_ = cs->cy;
  RemakeBitmap();
  return 0;
}

std::optional<LRESULT> CRateView::OnSize(WPARAM, LPARAM lp) {
  width_ = LOWORD(lp);
  height_ = HIWORD(lp);
  RelayoutAndRedraw();
  return 0;
}

std::optional<LRESULT> CRateView::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  if (memDc_ && bitmap_) {
    Paint(memDc_.get());
    Painted();
    ::BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, memDc_.get(), ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  }
  ::EndPaint(hwnd_, &ps);
  return 0;
}

std::optional<LRESULT> CRateView::OnPrintClient(WPARAM wp, LPARAM) {
  Paint(reinterpret_cast<HDC>(wp));
  return 0;
}

std::optional<LRESULT> CRateView::OnEraseBkgnd(WPARAM, LPARAM) { return 1; }

std::optional<LRESULT> CRateView::OnMouseMove(WPARAM wp, LPARAM) {
  // Dragging the graph drags the meter window.
  if (!(wp & MK_LBUTTON) || !owner_) return std::nullopt;
  POINT pt;
  ::GetCursorPos(&pt);
  ::ReleaseCapture();
  ::SendMessageW(owner_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
  return 0;
}

// ---- Options ---------------------------------------------------------------------

bool CRateView::SetOptions(const RateViewOptions& given, bool redraw) {
  RateViewOptions g = given;
  bool accepted = true;
  // Zero would stack every time grid line on one spot and draw forever.
  if (g.timeGridInterval < 1 || g.timeGridInterval > 86400) {
    g.timeGridInterval = given_.timeGridInterval;
    accepted = false;
  }
  if (g.pulseWidth < 1 || g.pulseSpace < 0 || g.pulseWidth > 1000 || g.pulseSpace > 1000) {
    g.pulseWidth = given_.pulseWidth;
    g.pulseSpace = given_.pulseSpace;
    accepted = false;
  }
  if (g.heightPercent < 50 || g.heightPercent > 100) {
    g.heightPercent = given_.heightPercent;
    accepted = false;
  }
  given_ = g;
  const RateViewOptions o = ScaleViewOptions(g, dpi_);
  const RateViewOptions old = opt_;
  opt_ = o;
  backValid_ = false;

  if (o.borderColour != old.borderColour) borderPen_ = MakePen(o.borderColour);
  if (o.avgDownColour != old.avgDownColour) avgDownPen_ = MakePen(o.avgDownColour);
  if (o.avgUpColour != old.avgUpColour) avgUpPen_ = MakePen(o.avgUpColour);
  if (o.downColour != old.downColour) downPen_ = MakePen(o.downColour);
  if (o.upColour != old.upColour) upPen_ = MakePen(o.upColour);
  if (o.scaleGridColour != old.scaleGridColour || o.scaleGridStyle != old.scaleGridStyle) MakeGridBrushes();
  if (o.timeGridColour != old.timeGridColour || o.timeGridStyle != old.timeGridStyle)
    timeGridPen_ = MakePen(o.timeGridColour, o.timeGridStyle);

  bool layout = false;
  if (!(o.titleFont == old.titleFont)) {
    MakeFont(titleFont_, o.titleFont);
    metrics_.titleFontHeight = titleFont_.height;
    layout = true;
  }
  if (!(o.rateFont == old.rateFont)) {
    MakeFont(rateFont_, o.rateFont);
    metrics_.rateFontHeight = rateFont_.height;
    layout = true;
  }
  if (!(o.timeTextFont == old.timeTextFont)) MakeFont(timeFont_, o.timeTextFont);
  const bool scaleFontChanged = !(o.scaleFont == old.scaleFont);
  if (scaleFontChanged) {
    MakeFont(scaleFont_, o.scaleFont);
    metrics_.scaleFontHeight = scaleFont_.height;
  }
  // The scale column is as wide as its widest label, in the scale font and unit.
  if (scaleFontChanged || o.unitBytes != old.unitBytes) {
    if (hwnd_) MeasureScaleColumn();
    layout = true;
  }

  const bool pulse = o.pulseWidth != old.pulseWidth || o.pulseSpace != old.pulseSpace;
  if (pulse || o.timeGridInterval != old.timeGridInterval)
    phase_ = ResetTimeGridPhase(o.timeGridInterval, o.pulseWidth, o.pulseSpace);
  // The switches of the average lines change the auto scale, which the layout recomputes.
  layout = layout || pulse || o.heightPercent != old.heightPercent || o.showTitle != old.showTitle ||
           o.showGraph != old.showGraph || o.showScale != old.showScale || o.showText != old.showText ||
           o.showAvgDownLine != old.showAvgDownLine || o.showAvgUpLine != old.showAvgUpLine;
  if (layout) Relayout();
  if (redraw) Redraw();
  return accepted;
}

void CRateView::SetTitle(const std::wstring& title, bool redraw) {
  if (title == title_) return;
  title_ = title;
  backValid_ = false;
  if (redraw) Redraw();
}

void CRateView::SetFixedScale(bool on, uint32_t bytesPerSecond, bool redraw) {
  backValid_ = false;
  scale_.fixedScale = on;
  if (on) {
    scale_.scaleMax = bytesPerSecond ? bytesPerSecond : 1;
  } else {
    RecomputeMaxima(scale_, *history_, layout_.visibleCount, opt_.showAvgDownLine, opt_.showAvgUpLine);
  }
  if (redraw) Redraw();
}

// ---- Layout, samples and drawing ----------------------------------------------------

void CRateView::Relayout() {
  backValid_ = false;
  layout_ = ::Relayout(width_, height_, opt_, metrics_);
  RecomputeMaxima(scale_, *history_, layout_.visibleCount, opt_.showAvgDownLine, opt_.showAvgUpLine);
  if (width_ > 0 && height_ > 0) RemakeBitmap();
}

void CRateView::RelayoutAndRedraw() {
  Relayout();
  Redraw();
}

void CRateView::AddSample() {
  AdvanceTimeGridPhase(phase_, opt_.timeGridInterval, opt_.pulseWidth, opt_.pulseSpace);
  AddSampleMaxima(scale_, *history_, layout_.visibleCount, opt_.showAvgDownLine, opt_.showAvgUpLine);
  // While the meter is hidden the view only keeps its numbers.
  const bool shown = owner_ ? ::IsWindowVisible(owner_) != FALSE : true;
  if (!shown) {
    backValid_ = false;
    return;
  }
  if (!Scroll()) Redraw();
}

void CRateView::Redraw() {
  backValid_ = false;
  if (!hwnd_ || !memDc_ || !bitmap_) return;
  Paint(memDc_.get());
  Painted();
  HDC dc = ::GetDC(hwnd_);
  if (!dc) return;
  ::BitBlt(dc, 0, 0, width_, height_, memDc_.get(), 0, 0, SRCCOPY);
  ::ReleaseDC(hwnd_, dc);
}

void CRateView::Painted() {
  backValid_ = true;
  paintedScaleMax_ = scale_.scaleMax;
  paintedLabels_ = timeLabels_;  // PaintTimeText leaves them empty when it draws none
  paintedHasText_ = !layout_.textPanel.empty() && !layout_.textInner.empty() && !history_->empty();
  if (paintedHasText_)
    paintedText_ = ComposeRateText(history_->newest(), scale_.shownMax, opt_.unitBytes, opt_.showMaxInText,
                                   opt_.showAvgInText, opt_.textColourSameAsGraph);
}

// One tick without drawing everything: the plot's picture moves left by one
// step inside the off-screen bitmap, and three kinds of places are drawn again,
// clipped: a stripe at the right (the newest column, the newest line segments,
// a time grid line and label that start there), a stripe at the left (where the
// lines end and the oldest column and grid line leave), and each horizontal
// scale grid line, whose dots stay where they are while everything else moves.
// The text panel is drawn again only when its words changed. False when the
// picture cannot simply move: a new scale, time labels that changed their
// words (the clock did not advance by one second) or one that leaves at the
// left, a plot too narrow for the stripes, or a bitmap that holds anything
// but the last drawing.
bool CRateView::Scroll() {
  if (!backValid_ || !hwnd_ || !memDc_ || !bitmap_) return false;
  if (scale_.scaleMax != paintedScaleMax_) return false;
  backValid_ = false;
  const ViewRect& plot = layout_.plot;
  const int32_t step = opt_.pulseWidth + opt_.pulseSpace;
  // A steep line segment reaches one pixel left of its step.
  const int32_t reach = 2 * layout_.border;
  const ViewRect right{plot.right - step - reach, plot.top, plot.right, plot.bottom};
  const ViewRect left{plot.left, plot.top, plot.left + 2 * step + reach, plot.bottom};
  scrollLabels_.clear();
  if (!plot.empty()) {
    if (left.right >= right.left) return false;
    if (opt_.showTimeText && opt_.showGraph) {
      TimeLabels(plot, phase_, opt_.timeGridInterval, opt_.pulseWidth, opt_.pulseSpace, now_(), opt_.timeFormat,
                 twelveHour_, scrollLabels_, dpi_);
      // Each label keeps its words and moves with the samples, or is new in the right stripe.
      size_t j = 0;
      for (const TimeLabel& l : scrollLabels_) {
        if (l.box.left >= right.left) continue;
        while (j < paintedLabels_.size() && paintedLabels_[j].box.left - step > l.box.left) ++j;
        if (j == paintedLabels_.size() || paintedLabels_[j].box.left - step != l.box.left ||
            paintedLabels_[j].text != l.text)
          return false;
      }
      // A label whose line leaves the plot would leave its words behind.
      for (const TimeLabel& p : paintedLabels_)
        if (p.box.left - Scale(4, dpi_) - step <= plot.left) return false;
    }
  }
  HDC mem = memDc_.get();
  if (!plot.empty()) {
    ::BitBlt(mem, plot.left, plot.top, plot.width() - step, plot.height(), mem, plot.left + step, plot.top, SRCCOPY);
    // The grid's dashes moved with the picture; the stripes draw them in the same phase.
    gridShift_ = (gridShift_ + step) % gridPeriod_;
    dirty_.assign({right, left});
    // The same places every tick while the layout stays: the region is made again only when they move.
    if (!clip_ || dirty_ != clipRects_) {
      if (!clip_) clip_.reset(::CreateRectRgn(0, 0, 0, 0));
      RegionHandle band(::CreateRectRgn(0, 0, 0, 0));
      ::SetRectRgn(clip_.get(), 0, 0, 0, 0);
      for (const ViewRect& r : dirty_) {
        ::SetRectRgn(band.get(), r.left, r.top, r.right, r.bottom);
        ::CombineRgn(clip_.get(), clip_.get(), band.get(), RGN_OR);
      }
      clipRects_ = dirty_;
    }
    ::SelectClipRgn(mem, clip_.get());
    fillClip_ = &dirty_;
    Fill(mem, plot, opt_.graphBackground);
    PaintPlot(mem, &dirty_);
    ::SelectClipRgn(mem, nullptr);
    fillClip_ = nullptr;
  }
  bool text = false;
  if (!layout_.textPanel.empty()) {
    const bool hasText = !layout_.textInner.empty() && !history_->empty();
    RateTextParts parts;
    if (hasText)
      parts = ComposeRateText(history_->newest(), scale_.shownMax, opt_.unitBytes, opt_.showMaxInText,
                              opt_.showAvgInText, opt_.textColourSameAsGraph);
    if (hasText != paintedHasText_ || !(parts == paintedText_)) {
      const ViewRect& panel = layout_.textPanel;
      if (hasText && paintedHasText_ && RedrawTextFromCache(parts))
        ::BitBlt(mem, panel.left, panel.top, panel.width(), panel.height(), panelDc_.get(), panel.left, panel.top,
                 SRCCOPY);
      else
        PaintTextPanel(mem);
      paintedHasText_ = hasText;
      paintedText_ = std::move(parts);
      text = true;
    }
  }
  paintedLabels_.swap(scrollLabels_);
  backValid_ = true;
  ++scrolls_;

  HDC dc = ::GetDC(hwnd_);
  if (!dc) return true;
  if (!plot.empty()) ::BitBlt(dc, plot.left, plot.top, plot.width(), plot.height(), mem, plot.left, plot.top, SRCCOPY);
  const ViewRect& panel = layout_.textPanel;
  if (text) ::BitBlt(dc, panel.left, panel.top, panel.width(), panel.height(), mem, panel.left, panel.top, SRCCOPY);
  ::ReleaseDC(hwnd_, dc);
  return true;
}

void CRateView::Paint(HDC dc) {
  // Another DC (WM_PRINTCLIENT, a test's canvas) gets back what it had.
  const bool other = dc != memDc_.get();
  const int saved = other ? ::SaveDC(dc) : 0;
  if (other) {
    ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
    ::SetBkMode(dc, TRANSPARENT);
  }
  PaintTitle(dc);
  PaintGraphFrame(dc);
  PaintScaleLabels(dc);
  PaintPlot(dc, nullptr);
  PaintTextPanel(dc);
  if (other) ::RestoreDC(dc, saved);
}

void CRateView::PaintPlot(HDC dc, const std::vector<ViewRect>* dirty) {
  if (!opt_.scaleGridOnTop) PaintScaleGrid(dc);
  if (!opt_.timeGridOnTop) PaintTimeGrid(dc);
  if (!layout_.plot.empty()) {
    if (opt_.graphStyle == 0) {
      PaintLine(dc, upPen_.get(), RateField::Up, dirty);
      PaintLine(dc, downPen_.get(), RateField::Down, dirty);
    } else {
      PaintColumns(dc, dirty);
    }
  }
  PaintAverageLines(dc, dirty);
  if (opt_.scaleGridOnTop) PaintScaleGrid(dc);
  if (opt_.timeGridOnTop) PaintTimeGrid(dc);
  PaintTimeText(dc, dirty);
}

void CRateView::PaintTitle(HDC dc) {
  if (layout_.title.empty()) return;
  Fill(dc, layout_.title, opt_.titleBackground);
  Frame(dc, layout_.title, opt_.borderColour, layout_.border);
  if (layout_.titleText.empty() || title_.empty()) return;
  UseFont(dc, titleFont_);
  ::SetTextColor(dc, opt_.titleTextColour);
  Text(dc, title_, layout_.titleText, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
}

void CRateView::PaintGraphFrame(HDC dc) {
  if (layout_.graph.empty()) return;
  Fill(dc, layout_.graph, opt_.graphBackground);
  Frame(dc, layout_.graph, opt_.borderColour, layout_.border);
  if (layout_.scaleColumn.empty()) return;
  const ViewRect& c = layout_.scaleColumn;
  Fill(dc, ViewRect{c.right, c.top, c.right + layout_.border, c.bottom}, opt_.borderColour);
}

void CRateView::PaintScaleLabels(HDC dc) {
  ScaleLabels(layout_, metrics_.scaleFontHeight, scale_.scaleMax, labels_);
  if (labels_.empty()) return;
  SelectGuard p(dc, borderPen_.get());
  const int32_t right = layout_.scaleColumn.right;
  const int32_t tick = Scale(3, dpi_), b = layout_.border;
  // The labels stand on the plain scale column: in the back buffer they are copied from the glyph cache.
  const PixelTarget target = dc == memDc_.get() ? PixelsOf(dc) : PixelTarget{};
  bool gdi = false;
  for (const ScaleLabel& l : labels_) {
    if (l.tick) Fill(dc, ViewRect{right - tick, l.y, right, l.y + b}, opt_.borderColour);
    const std::wstring text = FormatRate(l.value, opt_.unitBytes);
    if (target.bits) {
      const int32_t w = scaleFont_.glyphs.Width(text);
      ::GdiFlush();
      if (w >= 0 && scaleFont_.glyphs.Draw(text, l.box.right - w, l.box.top, opt_.scaleTextColour,
                                           opt_.graphBackground, target, l.box))
        continue;
    }
    if (!gdi) {
      UseFont(dc, scaleFont_);
      ::SetTextColor(dc, opt_.scaleTextColour);
      gdi = true;
    }
    Text(dc, text, l.box, DT_RIGHT);
  }
}

void CRateView::PaintScaleGrid(HDC dc) {
  if (!opt_.showScaleGrid || !opt_.showScale || layout_.plot.empty()) return;
  ScaleGridLines(layout_, metrics_.scaleFontHeight, lines_);
  if (!gridMask_ || !gridInk_) return;
  const ViewRect& plot = layout_.plot;
  // Pattern brushes start at the brush origin: the period's first pixel lies
  // at plot.left - gridShift_ (and every period from there).
  POINT oldOrigin;
  ::SetBrushOrgEx(dc, ((plot.left - gridShift_) % gridPeriod_ + gridPeriod_) % gridPeriod_, 0, &oldOrigin);
  const int32_t h = std::min<int32_t>(layout_.border, plot.height());
  {
    SelectGuard b(dc, gridMask_.get());
    for (int32_t y : lines_) ::PatBlt(dc, plot.left, y, plot.width(), std::min(h, plot.bottom - y), 0x00A000C9);  // P & D
  }
  {
    SelectGuard b(dc, gridInk_.get());
    for (int32_t y : lines_) ::PatBlt(dc, plot.left, y, plot.width(), std::min(h, plot.bottom - y), 0x00FA0089);  // P | D
  }
  ::SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
}

void CRateView::PaintTimeGrid(HDC dc) {
  if (!opt_.showTimeGrid || !opt_.showGraph || layout_.plot.empty()) return;
  TimeGridLines(layout_.plot, phase_, opt_.timeGridInterval, opt_.pulseWidth, opt_.pulseSpace, lines_);
  SelectGuard p(dc, timeGridPen_.get());
  for (int32_t x : lines_) {
    ::MoveToEx(dc, x, layout_.plot.top, nullptr);
    ::LineTo(dc, x, layout_.plot.bottom);
  }
}

void CRateView::PaintColumns(HDC dc, const std::vector<ViewRect>* dirty) {
  ColumnFills(layout_.plot, layout_.fullScaleHeight, scale_.scaleMax, *history_, opt_.pulseWidth, opt_.pulseSpace,
              fills_);
  for (const ColumnFill& f : fills_) {
    if (dirty && !Meets(f.rect, *dirty)) continue;
    const COLORREF c = f.part == ColumnPart::Both ? opt_.bothColour
                       : f.part == ColumnPart::Down ? opt_.downColour
                                                    : opt_.upColour;
    Fill(dc, f.rect, c);
  }
}

// With `dirty`, only the segments whose columns meet it, each stretch of them
// as a polyline of its own: a solid pen draws them pixel for pixel as the
// whole line does.
void CRateView::PaintLine(HDC dc, HPEN pen, RateField field, const std::vector<ViewRect>* dirty) {
  LinePoints(layout_.plot, layout_.fullScaleHeight, scale_.scaleMax, *history_, field, opt_.pulseWidth,
             opt_.pulseSpace, linePoints_);
  if (linePoints_.empty()) return;
  points_.resize(linePoints_.size());
  for (size_t i = 0; i < linePoints_.size(); ++i) points_[i] = POINT{linePoints_[i].x, linePoints_[i].y};
  SelectGuard p(dc, pen);
  if (!dirty || points_.size() < 2) {
    ::Polyline(dc, points_.data(), static_cast<int>(points_.size()));
    return;
  }
  // Points run from the newest (right) to the oldest (left).
  auto meets = [&](size_t i) {
    for (const ViewRect& r : *dirty)
      if (points_[i + 1].x < r.right && r.left <= points_[i].x) return true;
    return false;
  };
  size_t i = 0;
  while (i + 1 < points_.size()) {
    if (!meets(i)) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j + 1 < points_.size() && meets(j)) ++j;
    ::Polyline(dc, points_.data() + i, static_cast<int>(j - i + 1));
    i = j;
  }
}

void CRateView::PaintAverageLines(HDC dc, const std::vector<ViewRect>* dirty) {
  if (layout_.plot.empty() || scale_.scaleMax == 0 || layout_.fullScaleHeight <= 0) return;
  if (opt_.showAvgUpLine) PaintLine(dc, avgUpPen_.get(), RateField::AvgUp, dirty);
  if (opt_.showAvgDownLine) PaintLine(dc, avgDownPen_.get(), RateField::AvgDown, dirty);
}

void CRateView::PaintTimeText(HDC dc, const std::vector<ViewRect>* dirty) {
  if (!opt_.showTimeText || !opt_.showGraph || layout_.plot.empty()) {
    timeLabels_.clear();
    return;
  }
  // A scroll has the labels already (Scroll compared them with the painted ones).
  if (!dirty)
    TimeLabels(layout_.plot, phase_, opt_.timeGridInterval, opt_.pulseWidth, opt_.pulseSpace, now_(), opt_.timeFormat,
               twelveHour_, timeLabels_, dpi_);
  const std::vector<TimeLabel>& labels = dirty ? scrollLabels_ : timeLabels_;
  const UINT where = opt_.timeTextOnTop ? DT_TOP : DT_BOTTOM;
  bool ready = false;
  for (const TimeLabel& l : labels) {
    if (dirty && !Meets(l.box, *dirty)) continue;
    if (!ready) {
      UseFont(dc, timeFont_);
      ::SetTextColor(dc, opt_.timeTextColour);
      ready = true;
    }
    if (!dirty || !PaintLabelPart(dc, l, *dirty)) Text(dc, l.text, l.box, DT_LEFT | where);
  }
}

// A scroll draws only the characters of a label whose ink meets its stripes,
// in the order the whole label draws them: inside the stripes the pixels are
// the same.
bool CRateView::PaintLabelPart(HDC dc, const TimeLabel& l, const std::vector<ViewRect>& dirty) {
  const std::vector<GlyphInk>* ink = timeFont_.glyphs.Ink(l.text);
  if (!ink) return false;
  size_t first = ink->size(), last = 0;
  int32_t x = l.box.left, start = 0;
  for (size_t i = 0; i < ink->size(); ++i) {
    const GlyphInk& g = (*ink)[i];
    const ViewRect reach{x - g.left, l.box.top, x + g.advance + g.right, l.box.bottom};
    if (Meets(reach, dirty)) {
      if (first == ink->size()) first = i, start = x;
      last = i + 1;
    }
    x += g.advance;
  }
  if (first < last) {
    const int32_t y = opt_.timeTextOnTop ? l.box.top : l.box.bottom - timeFont_.glyphs.height();
    const RECT clip = ToRect(l.box);
    ::ExtTextOutW(dc, start, y, ETO_CLIPPED, &clip, l.text.data() + first, static_cast<UINT>(last - first), nullptr);
  }
  return true;
}

void CRateView::PaintTextPanel(HDC target) {
  const ViewRect& panel = layout_.textPanel;
  if (panel.empty()) return;
  const bool own = target == memDc_.get() && panelDc_ && panelBitmap_;
  HDC dc = own ? panelDc_.get() : target;
  PaintPanelInside(dc);
  if (own) ::BitBlt(target, panel.left, panel.top, panel.width(), panel.height(), dc, panel.left, panel.top, SRCCOPY);
}

void CRateView::PaintPanelInside(HDC dc) {
  const ViewRect& panel = layout_.textPanel;
  Fill(dc, panel, opt_.rateBackground);
  Frame(dc, panel, opt_.borderColour, layout_.border);
  runs_.clear();
  if (layout_.textInner.empty() || history_->empty()) return;
  const RateTextParts parts = ComposeRateText(history_->newest(), scale_.shownMax, opt_.unitBytes,
                                              opt_.showMaxInText, opt_.showAvgInText, opt_.textColourSameAsGraph);
  UseFont(dc, rateFont_);
  RateTextRuns([dc](std::wstring_view t) { return TextWidth(dc, t); }, parts, runs_);
  SIZE sz{};
  ::GetTextExtentPoint32W(dc, L" ", 1, &sz);
  for (const TextRun& r : runs_) {
    const RECT clip = ToRect(RunClip(r.x));
    ::SetTextColor(dc, r.colour);
    ::ExtTextOutW(dc, r.x, layout_.textInner.bottom - sz.cy, ETO_CLIPPED, &clip, r.text.data(),
                  static_cast<UINT>(r.text.size()), nullptr);
  }
}

void CRateView::RateTextRuns(const std::function<int32_t(std::wstring_view)>& width, const RateTextParts& parts,
                             std::vector<TextRun>& runs) const {
  const ViewRect& inner = layout_.textInner;
  runs.clear();
  if (!opt_.textColourSameAsGraph) {
    std::wstring all = JoinRateText(parts);
    const int32_t w = width(all);
    runs.push_back(TextRun{std::move(all), CentredTextX(inner, w), opt_.rateTextColour});
    return;
  }
  const bool withMax = !parts.max.empty();
  const ColouredTextPlacement pl =
      PlaceColouredText(inner, width(L" "), width(parts.max), width(parts.down), width(parts.up), withMax);
  if (withMax) runs.push_back(TextRun{parts.max, pl.maxX, opt_.rateTextColour});
  runs.push_back(TextRun{parts.down, pl.downX, opt_.downColour});
  runs.push_back(TextRun{parts.up, pl.upX, opt_.upColour});
}

// A run is drawn inside the panel's frame, from its start on.
ViewRect CRateView::RunClip(int32_t x) const {
  const ViewRect& inner = layout_.textInner;
  return ViewRect{std::max(x, inner.left), inner.top, inner.right, inner.bottom};
}

// A tick's new rate text drawn from the glyph cache straight into the
// panel's pixels. False when the panel must be drawn by GDI: a character the
// cache cannot measure, or runs whose ink would reach into each other.
bool CRateView::RedrawTextFromCache(const RateTextParts& parts) {
  if (!panelBits_) return false;
  GlyphCache& glyphs = rateFont_.glyphs;
  bool known = true;
  RateTextRuns(
      [&](std::wstring_view t) {
        const int32_t w = glyphs.Width(t);
        known = known && w >= 0;
        return w;
      },
      parts, runs_);
  if (!known) return false;
  for (size_t i = 0; i + 1 < runs_.size(); ++i) {
    int32_t left = 0, right = 0, nextLeft = 0, nextRight = 0;
    glyphs.Reach(runs_[i].text, left, right);
    glyphs.Reach(runs_[i + 1].text, nextLeft, nextRight);
    if (runs_[i].x + glyphs.Width(runs_[i].text) + right > runs_[i + 1].x - nextLeft) return false;
  }
  ::GdiFlush();
  const ViewRect& inner = layout_.textInner;
  const PixelTarget target = PixelsOf(panelDc_.get());
  const COLORREF bg = opt_.rateBackground;
  FillPixels(target, inner, PixelOf(bg));
  const int32_t top = inner.bottom - glyphs.height();
  for (const TextRun& r : runs_)
    if (!glyphs.Draw(r.text, r.x, top, r.colour, bg, target, RunClip(r.x))) return false;
  return true;
}
