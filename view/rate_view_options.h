// Everything a rate view shows and how: switches, colours, pens, fonts and the
// graph's geometry options. The meter window fills one of these from its
// settings and hands it to every view; the view itself keeps no settings.
#pragma once
#include <cstdint>
#include <string>

#include "settings/logfont.h"

// 0x00BBGGRR, as the platform's colour values.
constexpr uint32_t RgbColour(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// The platform's pen styles: "Solid" 0, "Dash" 1, "Dot" 2, "Dashdot" 3, "Dashdotdot" 4.
enum LineStyle : int32_t {
  kLineSolid = 0,
  kLineDash = 1,
  kLineDot = 2,
  kLineDashDot = 3,
  kLineDashDotDot = 4,
};

// Time label formats: 0 "HH:MM:SS", 1 "HH:MM", 2 "MM:SS".
enum TimeFormat : int32_t { kTimeHms = 0, kTimeHm = 1, kTimeMs = 2 };

// A font description without the platform's record: the shell turns it into a
// LOGFONTW. The height is in pixels; its sign follows the platform's rule
// (negative = character height), the view uses its absolute value.
struct FontSpec {
  std::wstring face = L"Tahoma";
  int32_t height = 13;
  int32_t weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charSet = 1;  // DEFAULT_CHARSET
  bool operator==(const FontSpec&) const = default;
};

// The stored font record as the view's description (an empty face is
// "Tahoma") and back.
FontSpec FontSpecOf(const LogFont& font);
LogFont LogFontOf(const FontSpec& font);

struct RateViewOptions {
  // Display switches.
  bool showTitle = true;
  bool showGraph = true;
  bool showScaleGrid = true;
  bool showScale = true;
  bool showText = true;
  bool showMaxInText = true;
  bool textColourSameAsGraph = true;
  bool showAvgInText = false;
  bool unitBytes = false;
  bool showAvgDownLine = false;
  bool showAvgUpLine = false;
  bool showTimeGrid = true;
  bool showTimeText = true;
  bool scaleGridOnTop = false;
  bool timeGridOnTop = true;
  bool timeTextOnTop = true;

  int32_t graphStyle = 1;  // 0 = line graph, otherwise column graph
  int32_t timeFormat = kTimeHms;

  // Colours.
  uint32_t borderColour = RgbColour(51, 51, 51);
  uint32_t graphBackground = RgbColour(173, 219, 222);
  uint32_t avgDownColour = RgbColour(128, 0, 0);
  uint32_t avgUpColour = RgbColour(0, 100, 0);
  uint32_t downColour = RgbColour(255, 0, 0);
  uint32_t upColour = RgbColour(0, 204, 0);
  uint32_t bothColour = RgbColour(255, 255, 0);
  uint32_t titleBackground = RgbColour(158, 158, 158);
  uint32_t titleTextColour = RgbColour(255, 255, 255);
  uint32_t scaleTextColour = RgbColour(0, 0, 0);
  uint32_t scaleGridColour = RgbColour(158, 158, 158);
  uint32_t rateTextColour = RgbColour(0, 0, 0);
  uint32_t rateBackground = RgbColour(255, 255, 255);
  uint32_t timeGridColour = RgbColour(110, 110, 110);
  uint32_t timeTextColour = RgbColour(60, 60, 60);

  int32_t scaleGridStyle = kLineDot;
  int32_t timeGridStyle = kLineDot;

  // Graph geometry.
  int32_t pulseWidth = 3;        // px of one column
  int32_t pulseSpace = 1;        // px between two columns
  int32_t heightPercent = 95;    // 50-100: share of the plot that the scale maximum reaches
  int32_t timeGridInterval = 30; // seconds between two time grid lines

  FontSpec titleFont{L"Tahoma", 13, 700};
  FontSpec rateFont{L"Tahoma", 13, 0};
  FontSpec scaleFont{L"Tahoma", 12, 0};
  FontSpec timeTextFont{L"Tahoma", 12, 700};

  bool operator==(const RateViewOptions&) const = default;
};
