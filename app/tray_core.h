// The tray icon's portable rules: the tooltip text, the state icon and the
// geometry of the 16 x 16 miniature graph. The shell (tray_icon_win) only
// turns these into Shell_NotifyIconW calls and GDI lines.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "measure/rate_history.h"

// A tooltip holds at most 63 characters: the shell copies 64 including the
// terminating zero.
constexpr size_t kTrayTipMaxChars = 63;

// The tray options the icon needs, copied from the settings by the meter.
struct TrayOptions {
  bool showNameInTips = false;  // "ShowAdapterNameInSystrayTips"
  bool showIpInTips = false;    // "ShowAdapterIPInSystrayTips"
  bool showGraph = false;       // "ShowGraphInSystray"
  int32_t graphStyle = 1;       // "GraphStyle": 1 bars, 0 lines
  bool unitBytes = true;        // "DisplayUnitByte"
  uint32_t upColor = 0x00CC00;    // "UpColor", 0x00BBGGRR
  uint32_t downColor = 0x0000FF;  // "DownColor"
  uint32_t bothColor = 0x00FFFF;  // "BothDownUpColor"
};

// What the icon takes from the selected connection once per tick.
struct TraySource {
  std::wstring name;               // display name
  std::wstring ipAddress;          // dotted; empty when unknown
  const RateHistory* history = nullptr;  // newest first; null or empty = no traffic
  bool displayed = false;          // the connection has a rate view in the meter window
  uint32_t scaleMax = 0;           // the current scale maximum of that rate view
  uint32_t graphBkColor = 0xDEDBAD;  // the rate view's graph background ("GraphBkgColor")
};

// "Dw: <down>  Up: <up>" with the meter's rate texts.
std::wstring TrayRatesLine(uint32_t down, uint32_t up, bool inBytes);

// The tooltip from its parts; an empty name or IP part counts as absent.
// The result never exceeds kTrayTipMaxChars characters and never ends in half
// of a UTF-16 surrogate pair.
std::wstring ComposeTrayTip(const std::wstring& namePart, const std::wstring& ipPart,
                            const std::wstring& ratesLine);

// The whole tooltip for a tick: name and IP parts by the options, rates of the
// newest sample (0 and 0 when the history is empty).
std::wstring TrayTipFor(const TraySource& source, const TrayOptions& options);

// 0 idle, 1 upload only, 2 download only, 3 both; the icon resource is 140 + index.
int TrayStateIndex(uint32_t down, uint32_t up);
constexpr int kTrayStateIconFirst = 140;

// The miniature graph is drawn instead of a state icon when the connection is
// displayed and the option is on.
inline bool TrayUsesGraph(const TraySource& source, const TrayOptions& options) {
  return options.showGraph && source.displayed;
}

enum class TrayPen : uint8_t { Up, Down, Both };

// One vertical stroke of a bar: from (x, yFrom) towards (x, yTo), the end
// point excluded as in GDI line drawing, so it colours yFrom down to yTo + 1.
struct TrayBarStroke {
  int x;
  int yFrom;
  int yTo;
  TrayPen pen;
  bool operator==(const TrayBarStroke&) const = default;
};

struct TrayPoint {
  int x;
  int y;
  bool operator==(const TrayPoint&) const = default;
};

// A polyline drawn with one pen: move to the first point, line to the rest.
struct TrayPolyline {
  TrayPen pen;
  std::vector<TrayPoint> points;
  bool operator==(const TrayPolyline&) const = default;
};

// The picture is drawn natively at the shell's small-icon size for the DPI
// (16, 24, 32...): a one-pixel frame and the graph inside it. At 16 x 16 bar
// heights use 14 rows (y 14 up to 1), line heights 13; a larger icon gives the
// graph its extra rows and columns.
constexpr int kTrayIconSize = 16;
constexpr int kTrayBarRows = kTrayIconSize - 2;
constexpr int kTrayLineRows = kTrayIconSize - 3;

// Height of a rate on a graph of `rows` rows: rate / scale * rows, truncated,
// limited to rows. A scale of 0 counts as 1 (an idle auto scale), so nothing is
// divided by zero and an all-zero history still draws at height 0.
int TrayHeight(uint32_t rate, uint32_t scale, int rows);

// The bars of the 14 newest samples, newest in column 14, older ones in 13..1:
// the common part with the both pen, the rest with the down or up pen.
// On an icon of `size` pixels: the size - 2 newest, newest in column size - 2.
std::vector<TrayBarStroke> TrayBarStrokes(const RateHistory& history, uint32_t scale, int size = kTrayIconSize);

// Two polylines, upload first and download second (drawn over it): the newest
// sample at x 14, the next 14 older ones at x 13..0, fewer when the history is short.
// On an icon of `size` pixels: x from size - 2 down to 0, heights on size - 3 rows.
std::vector<TrayPolyline> TrayLinePaths(const RateHistory& history, uint32_t scale, int size = kTrayIconSize);
