#pragma once
// Text drawn from pixels kept in memory: each piece of a text is drawn once by
// GDI in the DC's font, a colour and a background, and then copied into a
// 32-bit top-down DIB wherever it is needed again. The copy equals what
// ExtTextOut draws on that background as long as no character inks across a
// piece's border, which is how the pieces are cut (SplitAtClearBorders).
// Under Wine a glyph drawn by GDI costs about as much as copying a 30-pixel
// row; a line of rate text costs as much as five copies of the whole view.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/handle_win.h"
#include "view/rate_view_layout.h"

class GlyphCache {
public:
  // The font measured and drawn in, kept selected in a DC of the cache's own
  // (selecting a font costs as much as drawing a line of text under Wine).
  // Set it again, or to null, before the font is deleted.
  void SetFont(HFONT font);
  // Forgets all pieces and measures: the display's smoothing changed.
  void Reset();
  // Width of the text in the font; -1 when a character cannot be measured.
  // Also the line height, after the first call.
  int32_t Width(std::wstring_view text);
  int32_t height() const { return height_; }
  // Each character's advance and ink, valid until the next call; null when a
  // character cannot be measured.
  const std::vector<GlyphInk>* Ink(std::wstring_view text) { return Measure(text) ? &textInk_ : nullptr; }
  // How far the ink of `text` reaches left of its start and right of its end.
  void Reach(std::wstring_view text, int32_t& left, int32_t& right);
  // Draws text with its first character's advance starting at x and its top at
  // y, clipped to `clip` and the target. False (nothing drawn) when a
  // character cannot be measured or a piece not be drawn.
  bool Draw(std::wstring_view text, int32_t x, int32_t y, COLORREF colour, COLORREF background,
            const PixelTarget& target, const ViewRect& clip);

private:
  struct Piece {
    int32_t left = 0;   // ink left of the piece's first advance
    int32_t width = 0;  // pixels per row
    std::vector<uint32_t> pixels;
  };
  bool Measure(std::wstring_view text);
  const Piece* Find(std::wstring_view piece, COLORREF colour, COLORREF background);

  static constexpr wchar_t kAscii = 128;
  std::array<GlyphInk, kAscii> ascii_{};  // measured characters below 128, the usual ones
  MemoryDc dc_;
  HFONT font_ = nullptr;
  std::unordered_map<wchar_t, GlyphInk> ink_;
  std::wstring key_;
  std::unordered_map<std::wstring, Piece> pieces_;  // nodes stay put while the map grows
  struct Singles {
    COLORREF colour, background;
    std::array<const Piece*, kAscii> pieces;
  };
  std::vector<Singles> singles_;
  int32_t height_ = 0;
  int32_t spread_ = -1;  // pixels subpixel smoothing adds to each side of a glyph
  std::vector<GlyphInk> textInk_;
  std::vector<size_t> ends_;
  std::vector<GlyphInk> drawInk_;
};
