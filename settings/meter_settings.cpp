#include "settings/meter_settings.h"

#include <iterator>
#include <limits>

#include "base/utf16.h"

namespace {
using M = MeterSettings;

// "STAdpID" is read only while it fits 2048 bytes, terminator included.
constexpr size_t kTrayIdMaxStoredUnits = 2048 / 2 - 1;
constexpr size_t kWndPositionSize = 16;

// How a value is stored. Each type has one read and one write below.
enum class OptionType : uint8_t {
  Int,         // REG_DWORD as a signed number, with an optional load check
  Colour,      // REG_DWORD 0x00BBGGRR, unchecked
  Handle,      // REG_DWORD written for other programs to find, never loaded
  Font,        // REG_BINARY, the 92-byte font image
  TrayId,      // REG_SZ, an 8-bit adapter ID widened
  Rule,        // REG_BINARY, the 1992-byte alert rule
  WindowRect,  // REG_BINARY, 16 bytes; loaded into the start rectangle, not a field
};

// The load check of a number: a value outside [min, max] becomes the default
// (Fallback) or the nearer bound (Clamp).
enum class Check : uint8_t { None, Fallback, Clamp };
struct Range {
  Check check = Check::None;
  int32_t min = 0;
  int32_t max = 0;
};
constexpr Range Fallback(int32_t min, int32_t max) { return {Check::Fallback, min, max}; }
constexpr Range Clamp(int32_t min, int32_t max) { return {Check::Clamp, min, max}; }
constexpr Range Fallback(NumberRange r) { return Fallback(r.low, r.high); }

// One stored option. Only the member of its type is set.
struct Option {
  const wchar_t* name = nullptr;
  SaveGroup group = kSaveGeneral;
  OptionType type = OptionType::Int;
  int32_t M::*number = nullptr;     // Int
  uint32_t M::*dword = nullptr;     // Colour, Handle
  LogFont M::*font = nullptr;       // Font
  std::string M::*text = nullptr;   // TrayId
  AlertRule M::*rule = nullptr;     // Rule
  uint32_t value = 0;               // default of a number; a font's height
  int32_t weight = 0;               // a font's default weight
  Range range;
  bool opaqueZero = false;          // the default is 0 where layered windows are unavailable
};

constexpr Option Int(const wchar_t* name, SaveGroup group, int32_t M::*member, int32_t value, Range range = {}) {
  return {.name = name, .group = group, .type = OptionType::Int, .number = member,
          .value = static_cast<uint32_t>(value), .range = range};
}
constexpr Option Colour(const wchar_t* name, SaveGroup group, uint32_t M::*member, uint32_t value) {
  return {.name = name, .group = group, .type = OptionType::Colour, .dword = member, .value = value};
}
constexpr Option Handle(const wchar_t* name, SaveGroup group, uint32_t M::*member) {
  return {.name = name, .group = group, .type = OptionType::Handle, .dword = member};
}
constexpr Option Font(const wchar_t* name, SaveGroup group, LogFont M::*member, int32_t height, int32_t weight) {
  return {.name = name, .group = group, .type = OptionType::Font, .font = member,
          .value = static_cast<uint32_t>(height), .weight = weight};
}
constexpr Option TrayId(const wchar_t* name, SaveGroup group, std::string M::*member) {
  return {.name = name, .group = group, .type = OptionType::TrayId, .text = member};
}
constexpr Option Rule(const wchar_t* name, SaveGroup group, AlertRule M::*member) {
  return {.name = name, .group = group, .type = OptionType::Rule, .rule = member};
}
constexpr Option WindowRect(const wchar_t* name, SaveGroup group) {
  return {.name = name, .group = group, .type = OptionType::WindowRect};
}
// Marks a default that is 0 where layered windows are unavailable.
constexpr Option OpaqueZero(Option o) {
  o.opaqueZero = true;
  return o;
}

// Every option with its registry name, group, field, type, default and load
// check: group by group in the order SaveSettings writes them, each group's
// values in their writing order. LoadSettings reads them in the same order
// ("NotificationEnabled" before the rule, which may switch it off).
constexpr Option kOptions[] = {
    Handle(L"HWND", kSaveHwnd, &M::hwnd),

    Int(L"SumLastDays", kSaveSumLastDays, &M::sumLastDays, 30),

    Int(L"WeekStartDay", kSaveGeneral, &M::weekStartDay, 0, Fallback(0, 6)),
    Int(L"MonthStartDay", kSaveGeneral, &M::monthStartDay, 1, Fallback(1, 31)),
    Int(L"RateViewMargins", kSaveGeneral, &M::rateViewMargins, 2, Fallback(kMarginsRange)),
    OpaqueZero(Int(L"TransparentPercent", kSaveGeneral, &M::transparentPercent, 10, Clamp(10, 90))),
    Int(L"StartMinimized", kSaveGeneral, &M::startMinimized, 0),
    Int(L"StartWithWindows", kSaveGeneral, &M::startWithWindows, 0),
    Int(L"HotkeyEnabled", kSaveGeneral, &M::hotkeyEnabled, 1),
    Int(L"HotkeyChar", kSaveGeneral, &M::hotkeyChar, 0x4E),
    Int(L"DateFormat", kSaveGeneral, &M::dateFormat, 0x11),
    OpaqueZero(Int(L"SemiTransparent", kSaveGeneral, &M::semiTransparent, 1)),
    Int(L"EnableClickThrough", kSaveGeneral, &M::enableClickThrough, 0),
    Int(L"ShowIPInTitle", kSaveGeneral, &M::showIpInTitle, 1),
    Int(L"AlwaysOnTop", kSaveGeneral, &M::alwaysOnTop, 1),
    Int(L"ShowCaption", kSaveGeneral, &M::showCaption, 1),
    Int(L"DisplayUnitByte", kSaveGeneral, &M::displayUnitByte, 0),
    Int(L"LogBackupDays", kSaveGeneral, &M::logBackupDays, 7, Fallback(0, kMaxLogBackupDays)),

    Int(L"NextAlertType", kSaveNextAlert, &M::nextAlertType, 0, Fallback(0, 1)),
    Int(L"NextAlertMin", kSaveNextAlert, &M::nextAlertMin, 5, Clamp(kShortCountRange.low, kShortCountRange.high)),

    Int(L"DisplayTitle", kSaveDisplay, &M::displayTitle, 1),
    Int(L"DisplayGraph", kSaveDisplay, &M::displayGraph, 1),
    Int(L"DisplayScaleGrid", kSaveDisplay, &M::displayScaleGrid, 1),
    Int(L"DisplayScale", kSaveDisplay, &M::displayScale, 1),
    Int(L"DisplayText", kSaveDisplay, &M::displayText, 1),
    Int(L"DisplayMaxRateInText", kSaveDisplay, &M::displayMaxRateInText, 1),
    Int(L"TextCrSameAsGraphCr", kSaveDisplay, &M::textCrSameAsGraphCr, 1),
    Int(L"DispAvgValuesInText", kSaveDisplay, &M::dispAvgValuesInText, 0),
    Int(L"DispAvgDownLine", kSaveDisplay, &M::dispAvgDownLine, 0),
    Int(L"DispAvgUpLine", kSaveDisplay, &M::dispAvgUpLine, 0),
    Int(L"DisplayTimeGrid", kSaveDisplay, &M::displayTimeGrid, 1),
    Int(L"DisplayTimeText", kSaveDisplay, &M::displayTimeText, 1),
    Int(L"ScaleGridOnTop", kSaveDisplay, &M::scaleGridOnTop, 0),
    Int(L"TimeGridOnTop", kSaveDisplay, &M::timeGridOnTop, 1),
    Int(L"TimeTextOnTop", kSaveDisplay, &M::timeTextOnTop, 1),

    Int(L"DispIconSystray", kSaveTray, &M::dispIconSystray, 1),
    Int(L"ShowGraphInSystray", kSaveTray, &M::showGraphInSystray, 1),
    Int(L"ShowAdapterNameInSystrayTips", kSaveTray, &M::showAdapterNameInSystrayTips, 1),
    Int(L"ShowAdapterIPInSystrayTips", kSaveTray, &M::showAdapterIpInSystrayTips, 1),
    Int(L"STIfType", kSaveTray, &M::trayKind, 100),
    TrayId(L"STAdpID", kSaveTray, &M::trayAdapterId),

    Colour(L"GraphBkgColor", kSaveColors, &M::graphBkgColor, 0xDEDBAD),
    Colour(L"DownColor", kSaveColors, &M::downColor, 0x0000FF),
    Colour(L"BothDownUpColor", kSaveColors, &M::bothDownUpColor, 0x00FFFF),
    Colour(L"GridColor", kSaveColors, &M::gridColor, 0x9E9E9E),
    Colour(L"UpColor", kSaveColors, &M::upColor, 0x00CC00),
    Colour(L"AvgDownLineColor", kSaveColors, &M::avgDownLineColor, 0x000080),
    Colour(L"AvgUpLineColor", kSaveColors, &M::avgUpLineColor, 0x006400),
    Colour(L"TitleBkgColor", kSaveColors, &M::titleBkgColor, 0x9E9E9E),
    Colour(L"TitleTextColor", kSaveColors, &M::titleTextColor, 0xFFFFFF),
    Colour(L"ScaleTextColor", kSaveColors, &M::scaleTextColor, 0x000000),
    Colour(L"RateTextColor", kSaveColors, &M::rateTextColor, 0x000000),
    Colour(L"RateBkgColor", kSaveColors, &M::rateBkgColor, 0xFFFFFF),
    Colour(L"BorderColor", kSaveColors, &M::borderColor, 0x333333),
    Colour(L"TimeGridColor", kSaveColors, &M::timeGridColor, 0x6E6E6E),
    Colour(L"TimeTextColor", kSaveColors, &M::timeTextColor, 0x3C3C3C),

    // The graph steps by pulse width plus spacing and walks its time grid in
    // steps of the interval: values outside what the options page offers (a
    // zero step above all) would stall or break the drawing.
    Int(L"PulseSpace", kSaveGraphStyle, &M::pulseSpace, 1, Fallback(kPulseSpaceRange)),
    Int(L"PulseWidth", kSaveGraphStyle, &M::pulseWidth, 3, Fallback(kPulseWidthRange)),
    Int(L"ScaleGridLineStyle", kSaveGraphStyle, &M::scaleGridLineStyle, 2),
    Int(L"TimeGridLineStyle", kSaveGraphStyle, &M::timeGridLineStyle, 2),
    Int(L"TimeGridIntervalSec", kSaveGraphStyle, &M::timeGridIntervalSec, 30, Fallback(kTimeGridIntervalRange)),
    Int(L"TimeFormat", kSaveGraphStyle, &M::timeFormat, 0),
    Int(L"RateHeightPercent", kSaveGraphStyle, &M::rateHeightPercent, 95, Fallback(kHeightPercentRange)),
    Int(L"GraphStyle", kSaveGraphStyle, &M::graphStyle, 1),

    Font(L"TimeTextFontU", kSaveFonts, &M::timeTextFont, 12, 700),
    Font(L"RateFontU", kSaveFonts, &M::rateFont, 13, 0),
    Font(L"ScaleFontU", kSaveFonts, &M::scaleFont, 12, 0),
    Font(L"TitleFontU", kSaveFonts, &M::titleFont, 13, 700),

    Int(L"NotificationEnabled", kSaveNotification, &M::notificationEnabled, 0),
    Rule(L"NotificationEx2U", kSaveNotification, &M::rule),

    WindowRect(L"WndPosition", kSaveWindow),
    Int(L"StopwatchResetAdapterGraph", kSaveWindow, &M::stopwatchResetAdapterGraph, 0),
    Int(L"StopwatchAlwaysOnTop", kSaveWindow, &M::stopwatchAlwaysOnTop, 0),
};

// Each group is one run of the table, so a save writes whole groups in table
// order, and every group has values.
constexpr bool GroupsAreRuns() {
  uint32_t done = 0;
  for (size_t i = 0; i < std::size(kOptions); ++i) {
    const uint32_t group = kOptions[i].group;
    if (i > 0 && group == kOptions[i - 1].group) continue;
    if (done & group) return false;
    done |= group;
  }
  return done == kSaveAllGroups;
}
static_assert(GroupsAreRuns());

// Adapter IDs are ASCII; anything else has no place in one and becomes '?'.
std::string NarrowTrayId(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) {
    if (out.size() == kTrayIdMaxChars) break;
    uint32_t u = static_cast<uint32_t>(c);
    char n = u < 0x80 ? static_cast<char>(u) : '?';
    out.push_back(n);
  }
  return AsciiUpper(std::move(out));
}

std::wstring WidenTrayId(const std::string& id) {
  std::wstring out;
  for (char c : id) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

int32_t Checked(int32_t n, const Option& o) {
  const Range& r = o.range;
  if (r.check == Check::None || (n >= r.min && n <= r.max)) return n;
  if (r.check == Check::Fallback) return static_cast<int32_t>(o.value);
  return n < r.min ? r.min : r.max;
}

void SetDefault(const Option& o, MeterSettings& s, bool layeredTransparency) {
  switch (o.type) {
    case OptionType::Int:
      s.*o.number = o.opaqueZero && !layeredTransparency ? 0 : static_cast<int32_t>(o.value);
      break;
    case OptionType::Colour:
    case OptionType::Handle:
      s.*o.dword = o.value;
      break;
    case OptionType::Font:
      s.*o.font = DefaultFont(static_cast<int32_t>(o.value), o.weight);
      break;
    case OptionType::TrayId:
      (s.*o.text).clear();
      break;
    case OptionType::Rule:
      s.*o.rule = AlertRule{};
      break;
    case OptionType::WindowRect:
      break;
  }
}

// The rule is zeroed first. A rule of another size or an unknown version is
// not trusted at all (it could watch the wrong connection or act on half a
// path) and switches notifications off. A rule in an unknown unit is kept for
// the Notification page to show, but has no threshold: notifications go off.
void LoadRule(RegistryStore& store, const std::wstring& key, const Option& o, MeterSettings& s) {
  AlertRule& rule = s.*o.rule;
  rule = AlertRule{};
  std::vector<uint8_t> data;
  if (store.ReadBinary(RegRoot::CurrentUser, key, o.name, data)) {
    AlertRule stored;
    if (ParseAlertRule(data, stored) && IsKnownAlertRuleVersion(stored.version)) {
      rule = stored;
      if (UnitMultiplier(rule.unit) == 0) s.notificationEnabled = 0;
    } else {
      s.notificationEnabled = 0;
    }
  }
  if (rule.lastDays < kShortCountRange.low) rule.lastDays = kShortCountRange.low;
  if (rule.lastDays > kShortCountRange.high) rule.lastDays = kShortCountRange.high;
}

std::vector<uint8_t> RectImage(const ScreenRect& r) {
  std::vector<uint8_t> image(kWndPositionSize);
  PutU32Le(&image[0], static_cast<uint32_t>(r.left));
  PutU32Le(&image[4], static_cast<uint32_t>(r.top));
  PutU32Le(&image[8], static_cast<uint32_t>(r.right));
  PutU32Le(&image[12], static_cast<uint32_t>(r.bottom));
  return image;
}

void LoadRect(RegistryStore& store, const std::wstring& key, const Option& o, ScreenRect* rect) {
  std::vector<uint8_t> image;
  if (!rect || !store.ReadBinary(RegRoot::CurrentUser, key, o.name, image) || image.size() != kWndPositionSize)
    return;
  rect->left = static_cast<int32_t>(GetU32Le(&image[0]));
  rect->top = static_cast<int32_t>(GetU32Le(&image[4]));
  rect->right = static_cast<int32_t>(GetU32Le(&image[8]));
  rect->bottom = static_cast<int32_t>(GetU32Le(&image[12]));
}

// A missing or unreadable value leaves its field alone.
void LoadOption(RegistryStore& store, const std::wstring& key, const Option& o, MeterSettings& s,
                ScreenRect* startRect) {
  const RegRoot root = RegRoot::CurrentUser;
  uint32_t v = 0;
  switch (o.type) {
    case OptionType::Int:
      if (store.ReadDword(root, key, o.name, v)) s.*o.number = Checked(static_cast<int32_t>(v), o);
      break;
    case OptionType::Colour:
      if (store.ReadDword(root, key, o.name, v)) s.*o.dword = v;
      break;
    case OptionType::Handle:
      break;
    case OptionType::Font: {
      // A font of another size, with no height or a height beyond any screen,
      // is not taken: the views divide by the font's height and add to it.
      std::vector<uint8_t> data;
      LogFont f;
      if (store.ReadBinary(root, key, o.name, data) && ParseLogFont(data, f) && f.height != 0 &&
          f.height >= -kMaxFontHeight && f.height <= kMaxFontHeight)
        s.*o.font = f;
      break;
    }
    case OptionType::TrayId: {
      std::wstring id;
      if (store.ReadString(root, key, o.name, id) && id.size() <= kTrayIdMaxStoredUnits)
        s.*o.text = NarrowTrayId(id);
      break;
    }
    case OptionType::Rule:
      LoadRule(store, key, o, s);
      break;
    case OptionType::WindowRect:
      LoadRect(store, key, o, startRect);
      break;
  }
}

// True when the value was written or, for the window rectangle, not given.
bool SaveOption(RegistryStore& store, RegRoot root, const std::wstring& key, const Option& o,
                const MeterSettings& s, const ScreenRect* windowRect) {
  switch (o.type) {
    case OptionType::Int:
      return store.WriteDword(root, key, o.name, static_cast<uint32_t>(s.*o.number));
    case OptionType::Colour:
    case OptionType::Handle:
      return store.WriteDword(root, key, o.name, s.*o.dword);
    case OptionType::Font:
      return store.WriteBinary(root, key, o.name, SerializeLogFont(s.*o.font));
    case OptionType::TrayId:
      return store.WriteString(root, key, o.name, WidenTrayId(s.*o.text));
    case OptionType::Rule: {
      AlertRule rule = s.*o.rule;
      rule.version = kAlertRuleVersion;
      return store.WriteBinary(root, key, o.name, SerializeAlertRule(rule));
    }
    case OptionType::WindowRect:
      return !windowRect || store.WriteBinary(root, key, o.name, RectImage(*windowRect));
  }
  return false;
}
}  // namespace

MeterSettings::MeterSettings() {
  for (const Option& o : kOptions) SetDefault(o, *this, true);
}

MeterSettings DefaultSettings(bool layeredTransparency) {
  MeterSettings s;
  for (const Option& o : kOptions) SetDefault(o, s, layeredTransparency);
  return s;
}

std::wstring OptionsKeyPath(const std::wstring& rootPath) { return rootPath + kOptionsSubkey; }

bool LoadSettings(RegistryStore& store, const std::wstring& rootPath, MeterSettings& s, ScreenRect* startRect) {
  if (startRect) *startRect = ScreenRect{};
  const std::wstring key = OptionsKeyPath(rootPath);
  if (!store.KeyExists(RegRoot::CurrentUser, key)) return false;
  for (const Option& o : kOptions) LoadOption(store, key, o, s, startRect);
  // A window with neither graph nor text would show nothing at all.
  if (s.displayText == 0 && s.displayGraph == 0) s.displayText = s.displayGraph = 1;
  return true;
}

bool SaveSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, const MeterSettings& s,
                  uint32_t groups, const ScreenRect* windowRect) {
  if (groups == 0) return true;
  const std::wstring key = OptionsKeyPath(rootPath);
  bool ok = true;
  for (const Option& o : kOptions)
    if (groups & o.group) ok = SaveOption(store, root, key, o, s, windowRect) && ok;
  return ok;
}
