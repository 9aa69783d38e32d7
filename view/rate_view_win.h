// CRateView: the child window that shows one displayed connection - an
// optional title bar, the scrolling rate graph and the text panel - drawn into
// one off-screen bitmap and copied to the window, so it never flickers.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measure/rate_history.h"
#include "ui/handle_win.h"
#include "ui/window_win.h"
#include "base/dates.h"
#include "view/glyph_cache_win.h"
#include "view/rate_view_layout.h"
#include "view/rate_view_options.h"

LOGFONTW LogFontFromSpec(const FontSpec& font);
FontSpec FontSpecFromLogFont(const LOGFONTW& lf);

class CRateView : public ChildWindow<CRateView> {
public:
  static constexpr wchar_t kClassName[] = L"ZephraRateView";
  static constexpr UINT kClassStyle = CS_OWNDC;

  // The history belongs to the connection; the view only reads it. The owner
  // is the meter window: dragging the graph moves it, and while it is hidden
  // the view only keeps its numbers.
  CRateView(const RateHistory* history, HWND owner);
  ~CRateView();

  // A visible child window of the parent.
  HWND Create(HINSTANCE inst, HWND parent, const ViewRect& rect, int id);
  // Moves the window; the view lays itself out again at WM_SIZE.
  void Place(const ViewRect& rect);
  const ViewRect& placed() const { return placed_; }

  // Every option at once: after creation (redraw false) or after an options
  // page. Only what changed is made again - fonts, pens, the scale column, the
  // time grid's phase, the layout. Values the view cannot draw are refused and
  // keep their old ones (false): a time grid interval below 1 second or above
  // one day, a pulse width below 1, a negative pulse space or either above
  // 1000 px, a height percent outside 50-100. A font description of height 0
  // gets the default height (13 px).
  bool SetOptions(const RateViewOptions& options, bool redraw);
  // The DPI the view draws at (96 until set): every size of the options is a
  // 96-DPI value scaled to it. Fonts, pens, the scale column, the layout and the
  // off-screen bitmap are made again.
  void SetDpi(int32_t dpi, bool redraw);
  int32_t dpi() const { return dpi_; }

  // What is the view's own rather than an option: its title and the fixed
  // scale of its connection.
  void SetTitle(const std::wstring& title, bool redraw = true);
  // A fixed scale draws bytesPerSecond (at least 1) at full height; off returns to the auto scale.
  void SetFixedScale(bool on, uint32_t bytesPerSecond, bool redraw = true);

  void Relayout();
  void RelayoutAndRedraw();
  // Once per tick, after the owner put the new sample at the head of the history.
  // The plot in the off-screen bitmap scrolls by one step and only what moved
  // in or out is drawn again (see Scroll); anything else redraws everything.
  void AddSample();
  // Draws into the off-screen bitmap and copies the whole client area.
  void Redraw();
  // The whole picture into any device context at (0, 0): WM_PAINT and
  // WM_PRINTCLIENT go through it, and tests paint into a memory bitmap.
  void Paint(HDC dc);

  // Where the clock is read for the time labels (local time by default).
  void SetClock(std::function<LocalTime()> now) {
    now_ = std::move(now);
    backValid_ = false;
  }
  // The 12-hour rule is read from the user's locale when the view is made.
  void SetTwelveHourClock(bool on) {
    twelveHour_ = on;
    backValid_ = false;
  }

  const RateViewLayout& layout() const { return layout_; }
  const ScaleState& scale() const { return scale_; }
  const TimeGridPhase& timeGrid() const { return phase_; }
  // The options as given, at 96 DPI.
  const RateViewOptions& options() const { return given_; }
  int32_t titleFontHeight() const { return metrics_.titleFontHeight; }
  int32_t rateFontHeight() const { return metrics_.rateFontHeight; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // The off-screen bitmap's drawing surface: what the window shows.
  HDC backBuffer() const { return memDc_.get(); }
  // Ticks that only scrolled the picture (the rest drew everything).
  int scrolls() const { return scrolls_; }

  std::optional<LRESULT> OnCreate(WPARAM, LPARAM);
  std::optional<LRESULT> OnSize(WPARAM, LPARAM);
  std::optional<LRESULT> OnPaint(WPARAM, LPARAM);
  std::optional<LRESULT> OnPrintClient(WPARAM, LPARAM);
  std::optional<LRESULT> OnEraseBkgnd(WPARAM, LPARAM);
  std::optional<LRESULT> OnMouseMove(WPARAM, LPARAM);
  static const MsgEntry kMessages[];

private:
  struct Font {
    FontHandle handle;
    int32_t height = 0;
    GlyphCache glyphs;  // the font measured, and its pieces of text drawn on plain backgrounds
  };
  PixelTarget PixelsOf(HDC dc) const;
  void Fill(HDC dc, const ViewRect& r, COLORREF colour);
  void Frame(HDC dc, const ViewRect& r, COLORREF colour, int32_t width);
  void MakeFont(Font& f, const FontSpec& font);
  void UseFont(HDC dc, const Font& f);
  void ForgetFont(HFONT font);
  PenHandle MakePen(uint32_t colour, int32_t style = 0) const;
  // Every pen and font afresh from opt_.
  void MakeResources();
  // The two pattern brushes of the scale grid's rows for its colour and style.
  void MakeGridBrushes();
  void MeasureScaleColumn();
  void RemakeBitmap();
  void DropBitmap();

  // The picture of the last whole drawing into the off-screen bitmap, as far
  // as a scroll must know it.
  void Painted();
  bool Scroll();
  // Everything drawn inside the plot, in drawing order; `dirty` (when given)
  // skips columns and time labels that lie outside it.
  void PaintPlot(HDC dc, const std::vector<ViewRect>* dirty);

  void PaintTitle(HDC dc);
  void PaintGraphFrame(HDC dc);
  void PaintScaleLabels(HDC dc);
  void PaintScaleGrid(HDC dc);
  void PaintTimeGrid(HDC dc);
  void PaintColumns(HDC dc, const std::vector<ViewRect>* dirty);
  void PaintLine(HDC dc, HPEN pen, RateField field, const std::vector<ViewRect>* dirty);
  void PaintAverageLines(HDC dc, const std::vector<ViewRect>* dirty);
  void PaintTimeText(HDC dc, const std::vector<ViewRect>* dirty);
  bool PaintLabelPart(HDC dc, const TimeLabel& l, const std::vector<ViewRect>& dirty);
  void PaintTextPanel(HDC dc);
  void PaintPanelInside(HDC dc);
  struct TextRun {
    std::wstring text;
    int32_t x = 0;
    COLORREF colour = 0;
  };
  // The rate text's runs (one, or the maximum, down and up in their colours) and where each starts.
  void RateTextRuns(const std::function<int32_t(std::wstring_view)>& width, const RateTextParts& parts,
                    std::vector<TextRun>& runs) const;
  ViewRect RunClip(int32_t x) const;
  bool RedrawTextFromCache(const RateTextParts& parts);

  RateHistory noHistory_{1};  // stands in when the owner gave none
  const RateHistory* history_;
  HWND owner_;
  std::wstring title_;
  RateViewOptions given_;  // as the owner gave them
  RateViewOptions opt_;    // given_ in the pixels of dpi_
  int32_t dpi_ = kBaseDpi;
  RateViewMetrics metrics_;
  RateViewLayout layout_;
  ScaleState scale_;
  TimeGridPhase phase_;
  bool twelveHour_ = true;
  std::function<LocalTime()> now_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  ViewRect placed_;

  Font titleFont_, rateFont_, scaleFont_, timeFont_;
  PenHandle borderPen_, avgDownPen_, avgUpPen_, downPen_, upPen_, timeGridPen_;
  // The scale grid's rows are painted with one period of their dashes as a
  // pattern: the mask clears the drawn pixels (AND), the ink colours them (OR),
  // leaving the others as they were. The pattern moves with the plot's
  // picture (gridShift_ px scrolled, modulo the period), so a scroll never
  // draws a grid row again.
  BrushHandle gridMask_, gridInk_;
  int32_t gridPeriod_ = 1;
  int32_t gridShift_ = 0;

  MemoryDc memDc_;
  BitmapHandle bitmap_;
  HGDIOBJ memDcDefaultBitmap_ = nullptr;
  uint32_t* backBits_ = nullptr;                 // bitmap_'s pixels
  const std::vector<ViewRect>* fillClip_ = nullptr;  // while a scroll draws its stripes
  HFONT memFont_ = nullptr;  // the font selected into memDc_, see UseFont
  MemoryDc panelDc_;
  BitmapHandle panelBitmap_;
  HGDIOBJ panelDcDefaultBitmap_ = nullptr;
  HFONT panelFont_ = nullptr;
  uint32_t* panelBits_ = nullptr;
  std::vector<TextRun> runs_;

  // Reused every drawing, so a tick allocates nothing once they have grown.
  std::vector<ColumnFill> fills_;
  std::vector<ViewPoint> linePoints_;
  std::vector<POINT> points_;
  std::vector<ScaleLabel> labels_;
  std::vector<int32_t> lines_;
  std::vector<TimeLabel> timeLabels_;

  // What the off-screen bitmap holds, for Scroll: valid only right after a
  // whole drawing or a scroll of it.
  bool backValid_ = false;
  int scrolls_ = 0;
  uint32_t paintedScaleMax_ = 0;
  std::vector<TimeLabel> paintedLabels_;
  RateTextParts paintedText_;
  bool paintedHasText_ = false;
  std::vector<ViewRect> dirty_;
  std::vector<TimeLabel> scrollLabels_;
  RegionHandle clip_;  // the clip region of a scroll: the union of clipRects_
  std::vector<ViewRect> clipRects_;
};
