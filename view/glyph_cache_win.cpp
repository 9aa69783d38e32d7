#include "view/glyph_cache_win.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "ui/handle_win.h"
#include "ui/window_util_win.h"

namespace {

// Pieces are few (mostly single characters); a font whose every character
// overlaps its neighbours makes one per number, and the cache starts again.
constexpr size_t kMaxPieces = 512;

// A piece's row is a few pixels: a loop, not a call of the C library's memcpy,
// which under Wine costs more than the copy.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void CopyRow(uint32_t* to, const uint32_t* from, int32_t n) {
  for (int32_t i = 0; i < n; ++i) to[i] = from[i];
}

}  // namespace

void GlyphCache::SetFont(HFONT font) {
  Reset();
  font_ = font;
  // The DC is made when something is first measured; a font never measured costs nothing.
  if (dc_) ::SelectObject(dc_.get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
}

void GlyphCache::Reset() {
  ink_.clear();
  ascii_.fill(GlyphInk{});
  pieces_.clear();
  singles_.clear();
  height_ = 0;
  spread_ = -1;
}

bool GlyphCache::Measure(std::wstring_view text) {
  if (!font_) return false;
  if (!dc_) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) return false;
    ::SelectObject(dc_.get(), font_);
  }
  HDC dc = dc_.get();
  if (spread_ < 0) {
    UINT type = 0;
    BOOL smooth = FALSE;
    ::SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &smooth, 0);
    ::SystemParametersInfoW(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0);
    spread_ = smooth && type == FE_FONTSMOOTHINGCLEARTYPE ? 1 : 0;
  }
  textInk_.clear();
  for (wchar_t ch : text) {
    const bool ascii = ch < kAscii;
    if (ascii && ascii_[ch].advance > 0) {
      textInk_.push_back(ascii_[ch]);
      continue;
    }
    auto it = ink_.find(ch);
    if (it == ink_.end()) {
      SIZE size{};
      GLYPHMETRICS gm{};
      const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
      if (!::GetTextExtentPoint32W(dc, &ch, 1, &size) ||
          ::GetGlyphOutlineW(dc, ch, GGO_METRICS, &gm, 0, nullptr, &identity) == GDI_ERROR)
        return false;
      GlyphInk g;
      g.advance = size.cx;
      // A glyph without ink (a space) reports a box of one pixel.
      if (!std::iswspace(ch)) {
        g.left = std::max<int32_t>(0, spread_ - gm.gmptGlyphOrigin.x);
        g.right = std::max<int32_t>(0, gm.gmptGlyphOrigin.x + static_cast<int32_t>(gm.gmBlackBoxX) + spread_ - size.cx);
      }
      height_ = size.cy;
      if (ascii && g.advance > 0) ascii_[ch] = g;
      it = ink_.emplace(ch, g).first;
    }
    textInk_.push_back(it->second);
  }
  return true;
}

int32_t GlyphCache::Width(std::wstring_view text) {
  if (!Measure(text)) return -1;
  int32_t w = 0;
  for (const GlyphInk& g : textInk_) w += g.advance;
  return w;
}

void GlyphCache::Reach(std::wstring_view text, int32_t& left, int32_t& right) {
  left = right = 0;
  const int32_t width = Width(text);
  int32_t at = 0;
  for (const GlyphInk& g : textInk_) {
    left = std::max(left, g.left - at);
    right = std::max(right, at + g.advance + g.right - width);
    at += g.advance;
  }
}

const GlyphCache::Piece* GlyphCache::Find(std::wstring_view piece, COLORREF colour, COLORREF background) {
  // Most pieces are one character: those are found without a hash.
  const Piece** single = nullptr;
  if (piece.size() == 1 && piece[0] < kAscii) {
    size_t slot = 0;
    while (slot < singles_.size() && (singles_[slot].colour != colour || singles_[slot].background != background))
      ++slot;
    if (slot == singles_.size() && slot < 8) singles_.push_back(Singles{colour, background, {}});
    if (slot < singles_.size()) {
      single = &singles_[slot].pieces[piece[0]];
      if (*single) return *single;
    }
  }
  std::wstring& key = key_;
  key.clear();
  key.push_back(static_cast<wchar_t>(colour & 0xFFFF));
  key.push_back(static_cast<wchar_t>(colour >> 16));
  key.push_back(static_cast<wchar_t>(background & 0xFFFF));
  key.push_back(static_cast<wchar_t>(background >> 16));
  key.append(piece);
  if (auto it = pieces_.find(key); it != pieces_.end()) return &it->second;
  if (pieces_.size() >= kMaxPieces) {
    pieces_.clear();
    singles_.clear();
    single = nullptr;
  }

  int32_t left = 0, right = 0;
  Reach(piece, left, right);
  const int32_t advance = Width(piece);
  Piece p;
  p.left = left;
  p.width = left + advance + right;
  if (p.width <= 0 || height_ <= 0) return nullptr;
  uint32_t* bits = nullptr;
  MemoryDc mem(::CreateCompatibleDC(dc_.get()));
  BitmapHandle dib = MakeTopDownDib(dc_.get(), p.width, height_, bits);
  if (!mem || !dib || !bits) return nullptr;
  {
    SelectGuard b(mem.get(), dib.get());
    SelectGuard f(mem.get(), font_);
    SelectGuard brush(mem.get(), ::GetStockObject(DC_BRUSH));
    ::SetDCBrushColor(mem.get(), background);
    ::PatBlt(mem.get(), 0, 0, p.width, height_, PATCOPY);
    ::SetBkMode(mem.get(), TRANSPARENT);
    ::SetTextColor(mem.get(), colour);
    ::ExtTextOutW(mem.get(), left, 0, 0, nullptr, piece.data(), static_cast<UINT>(piece.size()), nullptr);
    ::GdiFlush();
    p.pixels.assign(bits, bits + static_cast<size_t>(p.width) * static_cast<size_t>(height_));
  }
  const Piece* made = &pieces_.emplace(key, std::move(p)).first->second;
  if (single) *single = made;
  return made;
}

bool GlyphCache::Draw(std::wstring_view text, int32_t x, int32_t y, COLORREF colour, COLORREF background,
                      const PixelTarget& target, const ViewRect& clip) {
  if (!target.bits || !Measure(text)) return false;
  SplitAtClearBorders(textInk_, ends_);
  drawInk_.assign(textInk_.begin(), textInk_.end());  // Find measures again
  const ViewRect box{std::max(clip.left, target.at.left), std::max(clip.top, target.at.top),
                     std::min(clip.right, target.at.right), std::min(clip.bottom, target.at.bottom)};
  const int32_t stride = target.at.width();
  size_t from = 0;
  int32_t pen = x;
  for (size_t end : ends_) {
    const std::wstring_view piece = text.substr(from, end - from);
    const Piece* p = Find(piece, colour, background);
    if (!p) return false;
    const int32_t left = pen - p->left;
    const int32_t x0 = std::max(left, box.left), x1 = std::min(left + p->width, box.right);
    const int32_t y0 = std::max(y, box.top), y1 = std::min(y + height_, box.bottom);
    for (int32_t row = y0; x0 < x1 && row < y1; ++row)
      CopyRow(target.bits + static_cast<size_t>(row - target.at.top) * stride + (x0 - target.at.left),
              p->pixels.data() + static_cast<size_t>(row - y) * p->width + (x0 - left), x1 - x0);
    for (size_t k = from; k < end; ++k) pen += drawInk_[k].advance;
    from = end;
  }
  return true;
}
