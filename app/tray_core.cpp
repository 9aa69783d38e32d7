#include "app/tray_core.h"

#include <algorithm>

#include "base/format.h"

namespace {

constexpr wchar_t kLineBreak = L'\n';

bool IsHighSurrogate(wchar_t c) {
  return static_cast<uint32_t>(c) >= 0xD800 && static_cast<uint32_t>(c) <= 0xDBFF;
}

// The first `count` characters of `text` (none for a negative count), without
// a trailing half of a surrogate pair.
std::wstring Head(const std::wstring& text, long long count) {
  if (count <= 0) return std::wstring();
  std::wstring out = text.substr(0, static_cast<size_t>(count));
  if (out.size() < text.size() && !out.empty() && IsHighSurrogate(out.back())) out.pop_back();
  return out;
}

}  // namespace

std::wstring TrayRatesLine(uint32_t down, uint32_t up, bool inBytes) {
  return L"Dw: " + FormatRate(down, inBytes) + L"  Up: " + FormatRate(up, inBytes);
}

std::wstring ComposeTrayTip(const std::wstring& namePart, const std::wstring& ipPart,
                            const std::wstring& ratesLine) {
  const long long a = static_cast<long long>(namePart.size());
  const long long b = static_cast<long long>(ipPart.size());
  const long long c = static_cast<long long>(ratesLine.size());
  std::wstring tip;
  if (a > 0 && b > 0) {
    const long long room = 59 - c - b;  // characters left for the name
    if (a + b + c >= 60 && room < 0) {
      tip = ratesLine;
    } else if (room == 0) {
      tip = ipPart + kLineBreak + ratesLine;
    } else {
      const std::wstring name = a + b + c >= 60 ? Head(namePart, room) : namePart;
      tip = name + L" [" + ipPart + L"]" + kLineBreak + ratesLine;
    }
  } else if (a > 0) {
    // A rates line too long to leave any room for the name shows alone
    // rather than being cut at a negative length.
    if (a + c > 62) {
      tip = 62 - c > 0 ? Head(namePart, 62 - c) + kLineBreak + ratesLine : ratesLine;
    } else {
      tip = namePart + kLineBreak + ratesLine;
    }
  } else if (b > 0) {
    tip = b + c < 63 ? ipPart + kLineBreak + ratesLine : ratesLine;
  } else {
    tip = ratesLine;
  }
  return tip.size() > kTrayTipMaxChars ? Head(tip, kTrayTipMaxChars) : tip;
}

std::wstring TrayTipFor(const TraySource& source, const TrayOptions& options) {
  uint32_t down = 0, up = 0;
  if (source.history && !source.history->empty()) {
    down = source.history->newest().down;
    up = source.history->newest().up;
  }
  return ComposeTrayTip(options.showNameInTips ? source.name : std::wstring(),
                        options.showIpInTips ? source.ipAddress : std::wstring(),
                        TrayRatesLine(down, up, options.unitBytes));
}

int TrayStateIndex(uint32_t down, uint32_t up) {
  return 2 * (down != 0 ? 1 : 0) + (up != 0 ? 1 : 0);
}

int TrayHeight(uint32_t rate, uint32_t scale, int rows) {
  const uint64_t s = scale ? scale : 1;
  const uint64_t h = static_cast<uint64_t>(rate) * static_cast<uint64_t>(rows) / s;
  return static_cast<int>(std::min<uint64_t>(h, static_cast<uint64_t>(rows)));
}

std::vector<TrayBarStroke> TrayBarStrokes(const RateHistory& history, uint32_t scale, int size) {
  std::vector<TrayBarStroke> strokes;
  const int rows = std::max(size - 2, 1);
  const size_t count = std::min<size_t>(history.size(), static_cast<size_t>(rows));
  const int base = rows;  // the bottom row inside the frame
  for (size_t i = 0; i < count; ++i) {
    const int x = rows - static_cast<int>(i);
    const int hd = TrayHeight(history[i].down, scale, rows);
    const int hu = TrayHeight(history[i].up, scale, rows);
    const int common = std::min(hd, hu);
    const int top = std::max(hd, hu);
    if (common > 0) strokes.push_back({x, base, base - common, TrayPen::Both});
    if (top > common) strokes.push_back({x, base - common, base - top, hd > hu ? TrayPen::Down : TrayPen::Up});
  }
  return strokes;
}

std::vector<TrayPolyline> TrayLinePaths(const RateHistory& history, uint32_t scale, int size) {
  std::vector<TrayPolyline> paths;
  const int last = std::max(size - 2, 1);  // x of the newest sample
  const int rows = std::max(size - 3, 1);
  const size_t count = std::min<size_t>(history.size(), static_cast<size_t>(last + 1));  // x last down to 0
  if (count == 0) return paths;
  for (TrayPen pen : {TrayPen::Up, TrayPen::Down}) {
    TrayPolyline line{pen, {}};
    for (size_t i = 0; i < count; ++i) {
      const uint32_t rate = pen == TrayPen::Up ? history[i].up : history[i].down;
      line.points.push_back({last - static_cast<int>(i), last - TrayHeight(rate, scale, rows)});
    }
    paths.push_back(std::move(line));
  }
  return paths;
}
