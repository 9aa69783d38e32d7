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
// The daily copies of the traffic log kept at most ("LogBackupDays").
constexpr int32_t kMaxLogBackupDays = 365;

// The ranges of the numbers the windows edit in spin boxes: a typed value
// outside its range is refused, and loading keeps stored values inside it, so
// the layout's sums and products of them stay far from overflowing.
struct NumberRange {
  int32_t low = 0;
  int32_t high = 0;
  bool Contains(int32_t n) const { return n >= low && n <= high; }
};
inline constexpr NumberRange kMarginsRange{0, 1000};          // "RateViewMargins"
inline constexpr NumberRange kHeightPercentRange{50, 100};    // "RateHeightPercent"
inline constexpr NumberRange kPulseWidthRange{1, 1000};       // "PulseWidth"
inline constexpr NumberRange kPulseSpaceRange{0, 1000};       // "PulseSpace"
inline constexpr NumberRange kTimeGridIntervalRange{1, 10000};  // "TimeGridIntervalSec"
inline constexpr NumberRange kShortCountRange{1, 32767};      // minutes, days and seconds of the other windows
// A stored font is taken only with a height of 1 to this many pixels (either sign).
inline constexpr int32_t kMaxFontHeight = 4096;

// A window rectangle in screen pixels ("WndPosition"); empty when never stored.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const ScreenRect&) const = default;
};

// Colours are 0x00BBGGRR. Flags are 0 or non-zero as stored. Each field
// names its registry value; defaults, groups and load checks are in the one
// table of options in meter_settings.cpp.
struct MeterSettings {
  // Every field starts at its default from the options table.
  MeterSettings();

  // General
  int32_t weekStartDay{};                // "WeekStartDay", 0 = Sunday
  int32_t monthStartDay{};               // "MonthStartDay"
  int32_t rateViewMargins{};             // "RateViewMargins", px
  int32_t showIpInTitle{};               // "ShowIPInTitle"
  int32_t alwaysOnTop{};                 // "AlwaysOnTop"
  int32_t showCaption{};                 // "ShowCaption"
  int32_t semiTransparent{};             // "SemiTransparent" (0 without layered windows)
  int32_t enableClickThrough{};          // "EnableClickThrough"
  int32_t startMinimized{};              // "StartMinimized"
  int32_t startWithWindows{};            // "StartWithWindows"; replaced at start-up by IsAutostartOn
  int32_t hotkeyEnabled{};               // "HotkeyEnabled"
  int32_t hotkeyChar{};                  // "HotkeyChar", virtual key used with Ctrl+Shift
  int32_t dateFormat{};                  // "DateFormat", a DateFormatCode
  int32_t displayUnitByte{};             // "DisplayUnitByte": 1 = bytes, 0 = bits
  int32_t transparentPercent{};          // "TransparentPercent" (0 without layered windows)
  int32_t logBackupDays{};               // "LogBackupDays": daily copies of the log kept, 0 = none

  // NextAlert
  int32_t nextAlertType{};               // "NextAlertType": 0 no reminder, 1 remind after nextAlertMin
  int32_t nextAlertMin{};                // "NextAlertMin"

  // Notification
  int32_t notificationEnabled{};         // "NotificationEnabled"
  AlertRule rule;                        // "NotificationEx2U"

  // Tray
  int32_t dispIconSystray{};             // "DispIconSystray"
  int32_t showGraphInSystray{};          // "ShowGraphInSystray"
  int32_t showAdapterNameInSystrayTips{};  // "ShowAdapterNameInSystrayTips"
  int32_t showAdapterIpInSystrayTips{};  // "ShowAdapterIPInSystrayTips"
  int32_t trayKind{};                    // "STIfType"
  std::string trayAdapterId;             // "STAdpID", 8-bit, upper case, at most 259 characters

  // Window
  int32_t stopwatchResetAdapterGraph{};  // "StopwatchResetAdapterGraph"
  int32_t stopwatchAlwaysOnTop{};        // "StopwatchAlwaysOnTop"

  // SumLastDays
  int32_t sumLastDays{};                 // "SumLastDays"

  // Display
  int32_t displayTitle{};                // "DisplayTitle"
  int32_t displayGraph{};                // "DisplayGraph"
  int32_t displayScaleGrid{};            // "DisplayScaleGrid"
  int32_t displayScale{};                // "DisplayScale"
  int32_t displayText{};                 // "DisplayText"
  int32_t displayMaxRateInText{};        // "DisplayMaxRateInText"
  int32_t textCrSameAsGraphCr{};         // "TextCrSameAsGraphCr"
  int32_t dispAvgValuesInText{};         // "DispAvgValuesInText"
  int32_t dispAvgDownLine{};             // "DispAvgDownLine"
  int32_t dispAvgUpLine{};               // "DispAvgUpLine"
  int32_t displayTimeGrid{};             // "DisplayTimeGrid"
  int32_t displayTimeText{};             // "DisplayTimeText"
  int32_t scaleGridOnTop{};              // "ScaleGridOnTop"
  int32_t timeGridOnTop{};               // "TimeGridOnTop"
  int32_t timeTextOnTop{};               // "TimeTextOnTop"

  // GraphStyle
  int32_t graphStyle{};                  // "GraphStyle": 1 bars, 0 lines
  int32_t scaleGridLineStyle{};          // "ScaleGridLineStyle", pen style
  int32_t timeGridLineStyle{};           // "TimeGridLineStyle"
  int32_t timeGridIntervalSec{};         // "TimeGridIntervalSec"
  int32_t timeFormat{};                  // "TimeFormat"
  int32_t pulseSpace{};                  // "PulseSpace", px between columns
  int32_t pulseWidth{};                  // "PulseWidth", px per column
  int32_t rateHeightPercent{};           // "RateHeightPercent"

  // Colors
  uint32_t graphBkgColor{};              // "GraphBkgColor"
  uint32_t downColor{};                  // "DownColor"
  uint32_t bothDownUpColor{};            // "BothDownUpColor"
  uint32_t gridColor{};                  // "GridColor"
  uint32_t upColor{};                    // "UpColor"
  uint32_t titleBkgColor{};              // "TitleBkgColor"
  uint32_t titleTextColor{};             // "TitleTextColor"
  uint32_t scaleTextColor{};             // "ScaleTextColor"
  uint32_t rateTextColor{};              // "RateTextColor"
  uint32_t rateBkgColor{};               // "RateBkgColor"
  uint32_t borderColor{};                // "BorderColor"
  uint32_t timeGridColor{};              // "TimeGridColor"
  uint32_t timeTextColor{};              // "TimeTextColor"
  uint32_t avgDownLineColor{};           // "AvgDownLineColor"
  uint32_t avgUpLineColor{};             // "AvgUpLineColor"

  // Fonts
  LogFont timeTextFont;                  // "TimeTextFontU"
  LogFont rateFont;                      // "RateFontU"
  LogFont scaleFont;                     // "ScaleFontU"
  LogFont titleFont;                     // "TitleFontU"

  // Hwnd: the meter window's handle, written at start-up for others to find; never loaded.
  uint32_t hwnd{};

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
