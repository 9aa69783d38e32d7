// Every option of the meter window, with its built-in default, loaded once at
// start-up from the per-user options key and saved in groups at the moment the
// user changes something.
#pragma once
#include <cstdint>
#include <string>

#include "settings/alert_rule.h"
#include "base/registry_names.h"
#include "settings/logfont.h"
#include "settings/registry_store.h"


// Groups of values written together (a bit mask). SaveSettings writes them in
// the order Hwnd, SumLastDays, General, NextAlert, Display, Tray, Colors,
// GraphStyle, Fonts, Notification, Window.
enum SaveGroup : uint32_t {
  kSaveHwnd = 0x4,
  kSaveDisplay = 0x10,
  kSaveColors = 0x40,
  kSaveFonts = 0x80,
  kSaveNotification = 0x200,
  kSaveWindow = 0x400,
  kSaveTray = 0x800,
  kSaveSumLastDays = 0x4000,
  kSaveGeneral = 0x200000,
  kSaveNextAlert = 0x800000,
  kSaveGraphStyle = 0x2000000,
};
constexpr uint32_t kSaveAllGroups = kSaveHwnd | kSaveDisplay | kSaveColors | kSaveFonts | kSaveNotification |
                                    kSaveWindow | kSaveTray | kSaveSumLastDays | kSaveGeneral | kSaveNextAlert |
                                    kSaveGraphStyle;

constexpr size_t kTrayIdMaxChars = 259;

// A window rectangle in screen pixels ("WndPosition"); empty when never stored.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const ScreenRect&) const = default;
};

// Colours are 0x00BBGGRR. Flags are 0 or non-zero as stored.
struct MeterSettings {
  // General
  int32_t weekStartDay = 0;           // "WeekStartDay", 0 = Sunday
  int32_t monthStartDay = 1;          // "MonthStartDay"
  int32_t rateViewMargins = 2;        // "RateViewMargins", px
  int32_t showIpInTitle = 1;          // "ShowIPInTitle"
  int32_t alwaysOnTop = 1;            // "AlwaysOnTop"
  int32_t showCaption = 1;            // "ShowCaption"
  int32_t semiTransparent = 1;        // "SemiTransparent" (0 without layered windows)
  int32_t enableClickThrough = 0;     // "EnableClickThrough"
  int32_t startMinimized = 0;         // "StartMinimized"
  int32_t startWithWindows = 0;       // "StartWithWindows"; replaced at start-up by IsAutostartOn
  int32_t hotkeyEnabled = 1;          // "HotkeyEnabled"
  int32_t hotkeyChar = 0x4E;          // "HotkeyChar", virtual key used with Ctrl+Shift
  int32_t dateFormat = 0x11;          // "DateFormat", a DateFormatCode
  int32_t displayUnitByte = 0;        // "DisplayUnitByte": 1 = bytes, 0 = bits
  int32_t transparentPercent = 10;    // "TransparentPercent" (0 without layered windows)

  // NextAlert
  int32_t nextAlertType = 0;          // "NextAlertType": 0 no reminder, 1 remind after nextAlertMin
  int32_t nextAlertMin = 5;           // "NextAlertMin"

  // Notification
  int32_t notificationEnabled = 0;    // "NotificationEnabled"
  AlertRule rule;                     // "NotificationEx2U"

  // Tray
  int32_t dispIconSystray = 1;                // "DispIconSystray"
  int32_t showGraphInSystray = 1;             // "ShowGraphInSystray"
  int32_t showAdapterNameInSystrayTips = 1;   // "ShowAdapterNameInSystrayTips"
  int32_t showAdapterIpInSystrayTips = 1;     // "ShowAdapterIPInSystrayTips"
  int32_t trayKind = 100;                     // "STIfType"
  std::string trayAdapterId;                  // "STAdpID", 8-bit, upper case, at most 259 characters

  // Window
  int32_t stopwatchResetAdapterGraph = 0;     // "StopwatchResetAdapterGraph"
  int32_t stopwatchAlwaysOnTop = 0;           // "StopwatchAlwaysOnTop"

  // SumLastDays
  int32_t sumLastDays = 30;                   // "SumLastDays"

  // Display
  int32_t displayTitle = 1;           // "DisplayTitle"
  int32_t displayGraph = 1;           // "DisplayGraph"
  int32_t displayScaleGrid = 1;       // "DisplayScaleGrid"
  int32_t displayScale = 1;           // "DisplayScale"
  int32_t displayText = 1;            // "DisplayText"
  int32_t displayMaxRateInText = 1;   // "DisplayMaxRateInText"
  int32_t textCrSameAsGraphCr = 1;    // "TextCrSameAsGraphCr"
  int32_t dispAvgValuesInText = 0;    // "DispAvgValuesInText"
  int32_t dispAvgDownLine = 0;        // "DispAvgDownLine"
  int32_t dispAvgUpLine = 0;          // "DispAvgUpLine"
  int32_t displayTimeGrid = 1;        // "DisplayTimeGrid"
  int32_t displayTimeText = 1;        // "DisplayTimeText"
  int32_t scaleGridOnTop = 0;         // "ScaleGridOnTop"
  int32_t timeGridOnTop = 1;          // "TimeGridOnTop"
  int32_t timeTextOnTop = 1;          // "TimeTextOnTop"

  // GraphStyle
  int32_t graphStyle = 1;             // "GraphStyle": 1 bars, 0 lines
  int32_t scaleGridLineStyle = 2;     // "ScaleGridLineStyle", pen style
  int32_t timeGridLineStyle = 2;      // "TimeGridLineStyle"
  int32_t timeGridIntervalSec = 30;   // "TimeGridIntervalSec"
  int32_t timeFormat = 0;             // "TimeFormat"
  int32_t pulseSpace = 1;             // "PulseSpace", px between columns
  int32_t pulseWidth = 3;             // "PulseWidth", px per column
  int32_t rateHeightPercent = 95;     // "RateHeightPercent"

  // Colors
  uint32_t graphBkgColor = 0xDEDBAD;     // "GraphBkgColor"
  uint32_t downColor = 0x0000FF;         // "DownColor"
  uint32_t bothDownUpColor = 0x00FFFF;   // "BothDownUpColor"
  uint32_t gridColor = 0x9E9E9E;         // "GridColor"
  uint32_t upColor = 0x00CC00;           // "UpColor"
  uint32_t titleBkgColor = 0x9E9E9E;     // "TitleBkgColor"
  uint32_t titleTextColor = 0xFFFFFF;    // "TitleTextColor"
  uint32_t scaleTextColor = 0x000000;    // "ScaleTextColor"
  uint32_t rateTextColor = 0x000000;     // "RateTextColor"
  uint32_t rateBkgColor = 0xFFFFFF;      // "RateBkgColor"
  uint32_t borderColor = 0x333333;       // "BorderColor"
  uint32_t timeGridColor = 0x6E6E6E;     // "TimeGridColor"
  uint32_t timeTextColor = 0x3C3C3C;     // "TimeTextColor"
  uint32_t avgDownLineColor = 0x000080;  // "AvgDownLineColor"
  uint32_t avgUpLineColor = 0x006400;    // "AvgUpLineColor"

  // Fonts
  LogFont timeTextFont = DefaultFont(12, 700);  // "TimeTextFontU"
  LogFont rateFont = DefaultFont(13, 0);        // "RateFontU"
  LogFont scaleFont = DefaultFont(12, 0);       // "ScaleFontU"
  LogFont titleFont = DefaultFont(13, 700);     // "TitleFontU"

  // Hwnd: the meter window's handle, written at start-up for others to find; never loaded.
  uint32_t hwnd = 0;

  bool operator==(const MeterSettings&) const = default;
};

// The defaults; where layered windows are unavailable the window starts opaque.
MeterSettings DefaultSettings(bool layeredTransparency = true);

// "<rootPath>Options".
std::wstring OptionsKeyPath(const std::wstring& rootPath = kDefaultRootPath);

// Reads every stored option of the current user over `settings` (which holds the
// defaults) and applies the load checks. A missing or unreadable value keeps its
// field; a missing key keeps everything and returns false. `startRect`, when
// given, receives "WndPosition" or stays empty.
bool LoadSettings(RegistryStore& store, const std::wstring& rootPath, MeterSettings& settings,
                  ScreenRect* startRect = nullptr);

// Writes the values of `groups` (SaveGroup bits) under `root`, in the documented
// order; nothing when `groups` is 0. "WndPosition" is written with the Window
// group only when `windowRect` is given. The rule is written with version 3.
// False when any write failed.
bool SaveSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, const MeterSettings& settings,
                  uint32_t groups, const ScreenRect* windowRect = nullptr);
