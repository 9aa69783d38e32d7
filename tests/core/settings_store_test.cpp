#include <gtest/gtest.h>

#include <map>
#include <string_view>
#include <variant>

#include "settings/autostart.h"
#include "settings/memory_registry.h"
#include "settings/meter_settings.h"

namespace {
using M = MeterSettings;
const RegRoot kHkcu = RegRoot::CurrentUser;
const std::wstring kRoot = L"Software\\ZephraTests\\Store\\";
const std::wstring kKey = kRoot + L"Options";

MeterSettings LoadWith(MemoryRegistry& reg, ScreenRect* rect = nullptr) {
  MeterSettings s;
  EXPECT_TRUE(LoadSettings(reg, kRoot, s, rect));
  return s;
}

MeterSettings LoadDword(const wchar_t* name, uint32_t value) {
  MemoryRegistry reg;
  reg.WriteDword(kHkcu, kKey, name, value);
  return LoadWith(reg);
}

std::vector<std::wstring> WrittenNames(const MemoryRegistry& reg) {
  std::vector<std::wstring> names;
  for (const auto& w : reg.writes) names.push_back(w.name);
  return names;
}

std::vector<uint8_t> RuleImage(int32_t version, int32_t lastDays) {
  AlertRule r;
  r.version = version;
  r.kind = 300;
  r.adapterId = "{ID}";
  r.threshold = L"10";
  r.unit = kUnitGB;
  r.lastDays = lastDays;
  return SerializeAlertRule(r);
}

// A binary value as the registry holds it: `size` zero bytes with 32-bit
// numbers and UTF-16 texts set at their offsets, little-endian.
std::vector<uint8_t> Image(size_t size, std::initializer_list<std::pair<size_t, int64_t>> numbers,
                           std::initializer_list<std::pair<size_t, std::u16string_view>> texts = {}) {
  std::vector<uint8_t> out(size);
  for (auto [at, v] : numbers)
    for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  for (auto [at, text] : texts)
    for (size_t i = 0; i < text.size(); ++i) {
      out[at + 2 * i] = static_cast<uint8_t>(text[i]);
      out[at + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
  return out;
}

struct Stored {
  uint32_t type;
  std::vector<uint8_t> data;
  bool operator==(const Stored&) const = default;
};
Stored Dword(uint32_t v) { return {kRegDword, Image(4, {{0, v}})}; }
Stored Binary(std::vector<uint8_t> data) { return {kRegBinary, std::move(data)}; }
Stored Sz(std::u16string_view text) { return {kRegSz, Image(2 * (text.size() + 1), {}, {{0, text}})}; }

// Every value of the options key in writing order: its group, the field it
// holds (numbers only), the default and the distinct value saved below.
struct Row {
  uint32_t group;
  const wchar_t* name;
  std::variant<std::monostate, int32_t M::*, uint32_t M::*> field;
  uint32_t byDefault = 0;
  uint32_t saved = 0;
};
const Row kRows[] = {
    {kSaveHwnd, L"HWND", &M::hwnd, 0, 0x00120034},
    {kSaveSumLastDays, L"SumLastDays", &M::sumLastDays, 30, 7},
    {kSaveGeneral, L"WeekStartDay", &M::weekStartDay, 0, 6},
    {kSaveGeneral, L"MonthStartDay", &M::monthStartDay, 1, 31},
    {kSaveGeneral, L"RateViewMargins", &M::rateViewMargins, 2, 8},
    {kSaveGeneral, L"TransparentPercent", &M::transparentPercent, 10, 85},
    {kSaveGeneral, L"StartMinimized", &M::startMinimized, 0, 11},
    {kSaveGeneral, L"StartWithWindows", &M::startWithWindows, 0, 12},
    {kSaveGeneral, L"HotkeyEnabled", &M::hotkeyEnabled, 1, 13},
    {kSaveGeneral, L"HotkeyChar", &M::hotkeyChar, 0x4E, 0x5A},
    {kSaveGeneral, L"DateFormat", &M::dateFormat, 0x11, 0x66},
    {kSaveGeneral, L"SemiTransparent", &M::semiTransparent, 1, 14},
    {kSaveGeneral, L"EnableClickThrough", &M::enableClickThrough, 0, 15},
    {kSaveGeneral, L"ShowIPInTitle", &M::showIpInTitle, 1, 16},
    {kSaveGeneral, L"AlwaysOnTop", &M::alwaysOnTop, 1, 17},
    {kSaveGeneral, L"ShowCaption", &M::showCaption, 1, 18},
    {kSaveGeneral, L"DisplayUnitByte", &M::displayUnitByte, 0, 19},
    {kSaveGeneral, L"LogBackupDays", &M::logBackupDays, 7, 30},
    {kSaveNextAlert, L"NextAlertType", &M::nextAlertType, 0, 1},
    {kSaveNextAlert, L"NextAlertMin", &M::nextAlertMin, 5, 30},
    {kSaveDisplay, L"DisplayTitle", &M::displayTitle, 1, 20},
    {kSaveDisplay, L"DisplayGraph", &M::displayGraph, 1, 21},
    {kSaveDisplay, L"DisplayScaleGrid", &M::displayScaleGrid, 1, 22},
    {kSaveDisplay, L"DisplayScale", &M::displayScale, 1, 23},
    {kSaveDisplay, L"DisplayText", &M::displayText, 1, 24},
    {kSaveDisplay, L"DisplayMaxRateInText", &M::displayMaxRateInText, 1, 25},
    {kSaveDisplay, L"TextCrSameAsGraphCr", &M::textCrSameAsGraphCr, 1, 26},
    {kSaveDisplay, L"DispAvgValuesInText", &M::dispAvgValuesInText, 0, 27},
    {kSaveDisplay, L"DispAvgDownLine", &M::dispAvgDownLine, 0, 28},
    {kSaveDisplay, L"DispAvgUpLine", &M::dispAvgUpLine, 0, 29},
    {kSaveDisplay, L"DisplayTimeGrid", &M::displayTimeGrid, 1, 32},
    {kSaveDisplay, L"DisplayTimeText", &M::displayTimeText, 1, 33},
    {kSaveDisplay, L"ScaleGridOnTop", &M::scaleGridOnTop, 0, 34},
    {kSaveDisplay, L"TimeGridOnTop", &M::timeGridOnTop, 1, 35},
    {kSaveDisplay, L"TimeTextOnTop", &M::timeTextOnTop, 1, 36},
    {kSaveTray, L"DispIconSystray", &M::dispIconSystray, 1, 37},
    {kSaveTray, L"ShowGraphInSystray", &M::showGraphInSystray, 1, 38},
    {kSaveTray, L"ShowAdapterNameInSystrayTips", &M::showAdapterNameInSystrayTips, 1, 39},
    {kSaveTray, L"ShowAdapterIPInSystrayTips", &M::showAdapterIpInSystrayTips, 1, 40},
    {kSaveTray, L"STIfType", &M::trayKind, 100, 300},
    {kSaveTray, L"STAdpID"},
    {kSaveColors, L"GraphBkgColor", &M::graphBkgColor, 0xDEDBAD, 0x010203},
    {kSaveColors, L"DownColor", &M::downColor, 0x0000FF, 0x010204},
    {kSaveColors, L"BothDownUpColor", &M::bothDownUpColor, 0x00FFFF, 0x010205},
    {kSaveColors, L"GridColor", &M::gridColor, 0x9E9E9E, 0x010206},
    {kSaveColors, L"UpColor", &M::upColor, 0x00CC00, 0x010207},
    {kSaveColors, L"AvgDownLineColor", &M::avgDownLineColor, 0x000080, 0x010208},
    {kSaveColors, L"AvgUpLineColor", &M::avgUpLineColor, 0x006400, 0x010209},
    {kSaveColors, L"TitleBkgColor", &M::titleBkgColor, 0x9E9E9E, 0x01020A},
    {kSaveColors, L"TitleTextColor", &M::titleTextColor, 0xFFFFFF, 0x01020B},
    {kSaveColors, L"ScaleTextColor", &M::scaleTextColor, 0x000000, 0x01020C},
    {kSaveColors, L"RateTextColor", &M::rateTextColor, 0x000000, 0x01020D},
    {kSaveColors, L"RateBkgColor", &M::rateBkgColor, 0xFFFFFF, 0x01020E},
    {kSaveColors, L"BorderColor", &M::borderColor, 0x333333, 0x01020F},
    {kSaveColors, L"TimeGridColor", &M::timeGridColor, 0x6E6E6E, 0x010210},
    {kSaveColors, L"TimeTextColor", &M::timeTextColor, 0x3C3C3C, 0x010211},
    {kSaveGraphStyle, L"PulseSpace", &M::pulseSpace, 1, 41},
    {kSaveGraphStyle, L"PulseWidth", &M::pulseWidth, 3, 1000},
    {kSaveGraphStyle, L"ScaleGridLineStyle", &M::scaleGridLineStyle, 2, 4},
    {kSaveGraphStyle, L"TimeGridLineStyle", &M::timeGridLineStyle, 2, 3},
    {kSaveGraphStyle, L"TimeGridIntervalSec", &M::timeGridIntervalSec, 30, 10000},
    {kSaveGraphStyle, L"TimeFormat", &M::timeFormat, 0, 2},
    {kSaveGraphStyle, L"RateHeightPercent", &M::rateHeightPercent, 95, 50},
    {kSaveGraphStyle, L"GraphStyle", &M::graphStyle, 1, 0},
    {kSaveFonts, L"TimeTextFontU"},
    {kSaveFonts, L"RateFontU"},
    {kSaveFonts, L"ScaleFontU"},
    {kSaveFonts, L"TitleFontU"},
    {kSaveNotification, L"NotificationEnabled", &M::notificationEnabled, 0, 43},
    {kSaveNotification, L"NotificationEx2U"},
    {kSaveWindow, L"WndPosition"},
    {kSaveWindow, L"StopwatchResetAdapterGraph", &M::stopwatchResetAdapterGraph, 0, 44},
    {kSaveWindow, L"StopwatchAlwaysOnTop", &M::stopwatchAlwaysOnTop, 0, 45},
};

bool IsNumber(const Row& row) { return !std::holds_alternative<std::monostate>(row.field); }
uint32_t Get(const MeterSettings& s, const Row& row) {
  if (auto f = std::get_if<int32_t M::*>(&row.field)) return static_cast<uint32_t>(s.**f);
  return s.*std::get<uint32_t M::*>(row.field);
}
void Set(MeterSettings& s, const Row& row, uint32_t v) {
  if (auto f = std::get_if<int32_t M::*>(&row.field)) s.**f = static_cast<int32_t>(v);
  else s.*std::get<uint32_t M::*>(row.field) = v;
}

const ScreenRect kRect{-1280, -4, -300, 700};

// The saved numbers of kRows, and fonts, tray ID and rule that differ from the defaults.
MeterSettings SavedSettings() {
  MeterSettings s;
  for (const Row& row : kRows)
    if (IsNumber(row)) Set(s, row, row.saved);
  s.trayAdapterId = "{ABC-DEF}";
  s.timeTextFont = DefaultFont(-20, 400);
  s.timeTextFont.italic = 1;
  s.rateFont = DefaultFont(21, 100);
  s.rateFont.SetFaceName(L"Courier New");
  s.scaleFont = DefaultFont(22, 200);
  s.titleFont = DefaultFont(23, 900);
  s.rule.version = 0;  // the save stamps the current version
  s.rule.kind = 200;
  s.rule.threshold = L"2.5";
  s.rule.unit = kUnitMB;
  s.rule.transfer = kTransferBoth;
  s.rule.period = kPeriodMonth;
  s.rule.lastDays = 9;
  s.rule.recipients = L"me@example.org";
  return s;
}

// How the values of SavedSettings() that are no numbers are stored.
const std::map<std::wstring, Stored>& SavedImages() {
  static const std::map<std::wstring, Stored> images = {
      {L"STAdpID", Sz(u"{ABC-DEF}")},
      {L"TimeTextFontU", Binary(Image(92, {{0, -20}, {16, 400}, {20, 1}}, {{28, u"Tahoma"}}))},
      {L"RateFontU", Binary(Image(92, {{0, 21}, {16, 100}}, {{28, u"Courier New"}}))},
      {L"ScaleFontU", Binary(Image(92, {{0, 22}, {16, 200}}, {{28, u"Tahoma"}}))},
      {L"TitleFontU", Binary(Image(92, {{0, 23}, {16, 900}}, {{28, u"Tahoma"}}))},
      {L"NotificationEx2U", Binary(Image(1992, {{0, 3}, {4, 200}, {396, 2}, {400, 2}, {404, 1}, {940, 9}},
                                         {{268, u"2.5"}, {948, u"me@example.org"}}))},
      {L"WndPosition", Binary(Image(16, {{0, -1280}, {4, -4}, {8, -300}, {12, 700}}))},
  };
  return images;
}

std::vector<std::wstring> NamesOf(uint32_t groups) {
  std::vector<std::wstring> names;
  for (const Row& row : kRows)
    if (row.group & groups) names.push_back(row.name);
  return names;
}

// Without layered windows the window starts opaque; nothing else differs.
void ExpectDefaults(const MeterSettings& s, bool layered, int32_t ruleDays, const char* source) {
  SCOPED_TRACE(source);
  for (const Row& row : kRows) {
    if (!IsNumber(row)) continue;
    const std::wstring name = row.name;
    const bool opaqueZero = !layered && (name == L"SemiTransparent" || name == L"TransparentPercent");
    EXPECT_EQ(Get(s, row), opaqueZero ? 0 : row.byDefault) << row.name;
  }
  EXPECT_EQ(s.trayAdapterId, "");
  EXPECT_EQ(s.timeTextFont, DefaultFont(12, 700));
  EXPECT_EQ(s.rateFont, DefaultFont(13, 0));
  EXPECT_EQ(s.scaleFont, DefaultFont(12, 0));
  EXPECT_EQ(s.titleFont, DefaultFont(13, 700));
  AlertRule rule;
  rule.lastDays = ruleDays;
  EXPECT_EQ(s.rule, rule);
}
}  // namespace

TEST(SettingsDefaults, EveryValueOfAFreshUser) {
  ExpectDefaults(DefaultSettings(true), true, 0, "layered");
  ExpectDefaults(DefaultSettings(false), false, 0, "opaque");

  MemoryRegistry noKey;
  MeterSettings s;
  ScreenRect rect{1, 2, 3, 4};
  EXPECT_FALSE(LoadSettings(noKey, kRoot, s, &rect));
  EXPECT_EQ(rect, ScreenRect{});
  ExpectDefaults(s, true, 0, "no key");

  // An empty key is read value by value; a read rule's day count is at least 1.
  MemoryRegistry emptyKey;
  emptyKey.CreateKey(kHkcu, kKey);
  EXPECT_TRUE(LoadSettings(emptyKey, kRoot, s, &rect));
  ExpectDefaults(s, true, 1, "empty key");
}

TEST(SettingsLoad, RangeChecks) {
  EXPECT_EQ(LoadDword(L"TransparentPercent", 95).transparentPercent, 90);
  EXPECT_EQ(LoadDword(L"TransparentPercent", 0).transparentPercent, 10);
  EXPECT_EQ(LoadDword(L"TransparentPercent", 0xFFFFFFFF).transparentPercent, 10);  // -1
  EXPECT_EQ(LoadDword(L"TransparentPercent", 45).transparentPercent, 45);
  EXPECT_EQ(LoadDword(L"MonthStartDay", 0).monthStartDay, 1);
  EXPECT_EQ(LoadDword(L"MonthStartDay", 32).monthStartDay, 1);
  EXPECT_EQ(LoadDword(L"MonthStartDay", 31).monthStartDay, 31);
  EXPECT_EQ(LoadDword(L"WeekStartDay", 7).weekStartDay, 0);
  EXPECT_EQ(LoadDword(L"WeekStartDay", 0xFFFFFFFF).weekStartDay, 0);
  EXPECT_EQ(LoadDword(L"WeekStartDay", 6).weekStartDay, 6);
  EXPECT_EQ(LoadDword(L"NextAlertType", 2).nextAlertType, 0);
  EXPECT_EQ(LoadDword(L"NextAlertType", 1).nextAlertType, 1);
  EXPECT_EQ(LoadDword(L"NextAlertMin", 0).nextAlertMin, 1);
  EXPECT_EQ(LoadDword(L"NextAlertMin", 0x80000000).nextAlertMin, 1);
  EXPECT_EQ(LoadDword(L"RateViewMargins", 0xFFFFFFFF).rateViewMargins, 2);
  EXPECT_EQ(LoadDword(L"RateViewMargins", 0).rateViewMargins, 0);
  // Nothing beyond what the spin boxes offer.
  EXPECT_EQ(LoadDword(L"RateViewMargins", 1001).rateViewMargins, 2);
  EXPECT_EQ(LoadDword(L"RateViewMargins", 1000).rateViewMargins, 1000);
  EXPECT_EQ(LoadDword(L"NextAlertMin", 32768).nextAlertMin, 32767);
  // Steps the graph divides or walks by.
  EXPECT_EQ(LoadDword(L"PulseWidth", 0).pulseWidth, 3);
  EXPECT_EQ(LoadDword(L"PulseSpace", 0xFFFFFFFF).pulseSpace, 1);
  EXPECT_EQ(LoadDword(L"PulseSpace", 0).pulseSpace, 0);
  EXPECT_EQ(LoadDword(L"TimeGridIntervalSec", 0).timeGridIntervalSec, 30);
  EXPECT_EQ(LoadDword(L"TimeGridIntervalSec", 0x7FFFFFFF).timeGridIntervalSec, 30);
  EXPECT_EQ(LoadDword(L"RateHeightPercent", 0).rateHeightPercent, 95);
  EXPECT_EQ(LoadDword(L"RateHeightPercent", 100).rateHeightPercent, 100);
  // Colours are unsigned and unchecked.
  EXPECT_EQ(LoadDword(L"DownColor", 0xFFFFFFFF).downColor, 0xFFFFFFFFu);
}

TEST(SettingsLoad, GraphAndTextNeverBothOff) {
  MemoryRegistry reg;
  reg.WriteDword(kHkcu, kKey, L"DisplayGraph", 0);
  reg.WriteDword(kHkcu, kKey, L"DisplayText", 0);
  MeterSettings s = LoadWith(reg);
  EXPECT_EQ(s.displayGraph, 1);
  EXPECT_EQ(s.displayText, 1);
  EXPECT_EQ(LoadDword(L"DisplayGraph", 0).displayGraph, 0);
  EXPECT_EQ(LoadDword(L"DisplayText", 0).displayText, 0);
}

TEST(SettingsLoad, RuleChecks) {
  {  // an unknown version: empty rule, notifications off whatever was stored
    MemoryRegistry reg;
    reg.WriteDword(kHkcu, kKey, L"NotificationEnabled", 1);
    reg.WriteBinary(kHkcu, kKey, L"NotificationEx2U", RuleImage(1, 5));
    MeterSettings s = LoadWith(reg);
    EXPECT_EQ(s.notificationEnabled, 0);
    AlertRule empty;
    empty.lastDays = 1;
    EXPECT_EQ(s.rule, empty);
  }
  {  // the previous version is read as it is; a day count of 0 becomes 1
    MemoryRegistry reg;
    reg.WriteDword(kHkcu, kKey, L"NotificationEnabled", 1);
    reg.WriteBinary(kHkcu, kKey, L"NotificationEx2U", RuleImage(2, 0));
    MeterSettings s = LoadWith(reg);
    EXPECT_EQ(s.notificationEnabled, 1);
    EXPECT_EQ(s.rule.version, 2);
    EXPECT_EQ(s.rule.adapterId, "{ID}");
    EXPECT_EQ(s.rule.threshold, L"10");
    EXPECT_EQ(s.rule.lastDays, 1);
  }
  {  // a rule in an unknown unit has no threshold: kept, but notifications off
    MemoryRegistry reg;
    reg.WriteDword(kHkcu, kKey, L"NotificationEnabled", 1);
    std::vector<uint8_t> img = RuleImage(3, 40000);
    img[alert_rule_layout::kUnit] = 5;
    reg.WriteBinary(kHkcu, kKey, L"NotificationEx2U", img);
    MeterSettings s = LoadWith(reg);
    EXPECT_EQ(s.notificationEnabled, 0);
    EXPECT_EQ(s.rule.threshold, L"10");
    EXPECT_EQ(s.rule.lastDays, 32767);
  }
  {  // a cut-off rule is not trusted
    MemoryRegistry reg;
    reg.WriteDword(kHkcu, kKey, L"NotificationEnabled", 1);
    std::vector<uint8_t> img = RuleImage(3, 5);
    img.resize(1000);
    reg.WriteBinary(kHkcu, kKey, L"NotificationEx2U", img);
    MeterSettings s = LoadWith(reg);
    EXPECT_EQ(s.notificationEnabled, 0);
    EXPECT_TRUE(s.rule.threshold.empty());
  }
  {  // no rule stored at all: notifications as stored, rule empty with N = 1
    MeterSettings s = LoadDword(L"NotificationEnabled", 1);
    EXPECT_EQ(s.notificationEnabled, 1);
    EXPECT_EQ(s.rule.kind, 0);
    EXPECT_EQ(s.rule.lastDays, 1);
  }
}

TEST(SettingsLoad, TrayIdIsUpperCasedAndBounded) {
  MemoryRegistry reg;
  reg.WriteString(kHkcu, kKey, L"STAdpID", L"{4e657444-abcd}");
  EXPECT_EQ(LoadWith(reg).trayAdapterId, "{4E657444-ABCD}");

  reg.WriteString(kHkcu, kKey, L"STAdpID", std::wstring(300, L'a'));
  EXPECT_EQ(LoadWith(reg).trayAdapterId, std::string(259, 'A'));

  reg.WriteString(kHkcu, kKey, L"STAdpID", L"x\u00e9y");
  EXPECT_EQ(LoadWith(reg).trayAdapterId, "X?Y");

  // More than 2048 bytes is not read at all.
  reg.WriteString(kHkcu, kKey, L"STAdpID", std::wstring(1024, L'b'));
  EXPECT_EQ(LoadWith(reg).trayAdapterId, "");
  reg.WriteString(kHkcu, kKey, L"STAdpID", std::wstring(1023, L'b'));
  EXPECT_EQ(LoadWith(reg).trayAdapterId, std::string(259, 'B'));
}

TEST(SettingsLoad, WrongTypesAndSizesKeepDefaults) {
  MemoryRegistry reg;
  reg.WriteString(kHkcu, kKey, L"WeekStartDay", L"3");
  reg.WriteRaw(kHkcu, kKey, L"MonthStartDay", kRegDword, {5, 0});
  reg.WriteRaw(kHkcu, kKey, L"SumLastDays", kRegBinary, {7, 0, 0, 0});
  reg.WriteDword(kHkcu, kKey, L"STAdpID", 5);
  reg.WriteBinary(kHkcu, kKey, L"RateFontU", std::vector<uint8_t>(91, 1));
  reg.WriteDword(kHkcu, kKey, L"ScaleFontU", 1);
  LogFont zeroHeight = DefaultFont(0, 700);
  reg.WriteBinary(kHkcu, kKey, L"TitleFontU", SerializeLogFont(zeroHeight));
  reg.WriteBinary(kHkcu, kKey, L"WndPosition", std::vector<uint8_t>(15, 1));
  reg.WriteDword(kHkcu, kKey, L"NotificationEx2U", 3);
  reg.WriteDword(kHkcu, kKey, L"NotificationEnabled", 1);
  ScreenRect rect;
  MeterSettings s = LoadWith(reg, &rect);
  MeterSettings d;
  EXPECT_EQ(s.weekStartDay, d.weekStartDay);
  EXPECT_EQ(s.monthStartDay, d.monthStartDay);
  EXPECT_EQ(s.sumLastDays, d.sumLastDays);
  EXPECT_EQ(s.trayAdapterId, d.trayAdapterId);
  EXPECT_EQ(s.rateFont, d.rateFont);
  EXPECT_EQ(s.scaleFont, d.scaleFont);
  EXPECT_EQ(s.titleFont, d.titleFont);
  EXPECT_TRUE(rect.IsEmpty());
  EXPECT_EQ(s.notificationEnabled, 1);  // a rule of another type is simply not read
  EXPECT_EQ(s.rule.kind, 0);
}

TEST(SettingsSave, StoredValuesAreExactlyTheDocumentedOnesInGroupOrder) {
  MeterSettings s = SavedSettings();
  MemoryRegistry reg;
  ASSERT_TRUE(SaveSettings(reg, RegRoot::LocalMachine, kRoot, s, kSaveAllGroups, &kRect));

  ASSERT_EQ(WrittenNames(reg), NamesOf(kSaveAllGroups));
  for (const auto& w : reg.writes) {
    EXPECT_EQ(w.root, RegRoot::LocalMachine);
    EXPECT_EQ(w.key, kKey);
  }
  for (const Row& row : kRows) {
    const MemoryRegistry::Value* v = reg.Find(RegRoot::LocalMachine, kKey, row.name);
    ASSERT_NE(v, nullptr) << row.name;
    const Stored expected = IsNumber(row) ? Dword(row.saved) : SavedImages().at(row.name);
    EXPECT_EQ((Stored{v->type, v->data}), expected) << row.name;
  }
}

TEST(SettingsSave, EachGroupWritesExactlyItsValues) {
  const MeterSettings s;
  for (uint32_t group : {kSaveHwnd, kSaveSumLastDays, kSaveGeneral, kSaveNextAlert, kSaveDisplay, kSaveTray,
                         kSaveColors, kSaveGraphStyle, kSaveFonts, kSaveNotification, kSaveWindow}) {
    MemoryRegistry reg;
    ASSERT_TRUE(SaveSettings(reg, kHkcu, kRoot, s, group, &kRect));
    EXPECT_EQ(WrittenNames(reg), NamesOf(group)) << std::hex << group;
  }
  // Two groups at once follow the fixed group order, whatever the bit values.
  MemoryRegistry two;
  ASSERT_TRUE(SaveSettings(two, kHkcu, kRoot, s, kSaveHwnd | kSaveGeneral, &kRect));
  EXPECT_EQ(WrittenNames(two), NamesOf(kSaveHwnd | kSaveGeneral));
  EXPECT_EQ(WrittenNames(two).front(), L"HWND");

  MemoryRegistry none;
  EXPECT_TRUE(SaveSettings(none, kHkcu, kRoot, s, 0, &kRect));
  EXPECT_TRUE(none.writes.empty());
  EXPECT_FALSE(none.KeyExists(kHkcu, kKey));

  // Without a rectangle the Window group leaves "WndPosition" alone.
  MemoryRegistry norect;
  ASSERT_TRUE(SaveSettings(norect, kHkcu, kRoot, s, kSaveWindow));
  EXPECT_EQ(WrittenNames(norect), (std::vector<std::wstring>{L"StopwatchResetAdapterGraph", L"StopwatchAlwaysOnTop"}));
}

TEST(SettingsSave, SavedValuesLoadBack) {
  const MeterSettings s = SavedSettings();
  MemoryRegistry reg;
  ASSERT_TRUE(SaveSettings(reg, kHkcu, kRoot, s, kSaveAllGroups, &kRect));
  MeterSettings back;
  ScreenRect backRect;
  ASSERT_TRUE(LoadSettings(reg, kRoot, back, &backRect));
  MeterSettings expected = s;
  expected.rule.version = 3;
  expected.hwnd = 0;  // written for others, never read back
  EXPECT_EQ(back, expected);
  EXPECT_EQ(backRect, kRect);
}

TEST(SettingsSave, FailedWritesAreReportedAndLeaveNothing) {
  MemoryRegistry reg;
  reg.failWrites = true;
  EXPECT_FALSE(SaveSettings(reg, kHkcu, kRoot, MeterSettings{}, kSaveGeneral));
  EXPECT_TRUE(reg.writes.empty());
  EXPECT_FALSE(reg.KeyExists(kHkcu, kKey));
}

TEST(Autostart, CheckAndSetThroughTheRunKey) {
  const std::wstring run = L"Software\\ZephraTests\\Run";
  MemoryRegistry reg;
  EXPECT_FALSE(IsAutostartOn(reg, run));  // no Run key at all

  reg.WriteString(kHkcu, run, L"Other", L"C:\\other.exe");
  EXPECT_FALSE(IsAutostartOn(reg, run));
  ASSERT_TRUE(SetAutostart(reg, true, L"C:\\Program Files\\Zephra\\zephra.exe", run));
  EXPECT_TRUE(IsAutostartOn(reg, run));
  std::wstring path;
  ASSERT_TRUE(reg.ReadString(kHkcu, run, L"Zephra", path));
  EXPECT_EQ(path, L"C:\\Program Files\\Zephra\\zephra.exe");

  // Already as wished: nothing is written.
  reg.writes.clear();
  EXPECT_TRUE(SetAutostart(reg, true, L"C:\\elsewhere.exe", run));
  EXPECT_TRUE(reg.writes.empty());

  // The name matches in any case, and switching off removes that value.
  ASSERT_TRUE(SetAutostart(reg, false, L"", run));
  reg.WriteString(kHkcu, run, L"ZEPHRA", L"C:\\z.exe");
  EXPECT_TRUE(IsAutostartOn(reg, run));
  ASSERT_TRUE(SetAutostart(reg, false, L"", run));
  EXPECT_FALSE(IsAutostartOn(reg, run));
  std::vector<std::wstring> names;
  ASSERT_TRUE(reg.EnumValues(kHkcu, run, names));
  EXPECT_EQ(names, std::vector<std::wstring>{L"Other"});
}
