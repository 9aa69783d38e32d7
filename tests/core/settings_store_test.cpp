#include <gtest/gtest.h>

#include "settings/autostart.h"
#include "settings/memory_registry.h"
#include "settings/meter_settings.h"

namespace {
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

MeterSettings NonDefaultSettings() {
  MeterSettings s;
  int32_t n = 2;
  for (int32_t* f : {&s.showIpInTitle, &s.alwaysOnTop, &s.showCaption, &s.semiTransparent, &s.enableClickThrough,
                     &s.startMinimized, &s.startWithWindows, &s.hotkeyEnabled, &s.displayUnitByte,
                     &s.notificationEnabled, &s.dispIconSystray, &s.showGraphInSystray,
                     &s.showAdapterNameInSystrayTips, &s.showAdapterIpInSystrayTips, &s.stopwatchResetAdapterGraph,
                     &s.stopwatchAlwaysOnTop, &s.displayTitle, &s.displayScaleGrid, &s.displayScale,
                     &s.displayMaxRateInText, &s.textCrSameAsGraphCr, &s.dispAvgValuesInText, &s.dispAvgDownLine,
                     &s.dispAvgUpLine, &s.displayTimeGrid, &s.displayTimeText, &s.scaleGridOnTop, &s.timeGridOnTop,
                     &s.timeTextOnTop, &s.graphStyle})
    *f = (*f == 0) ? n++ : 0;
  s.displayGraph = 0;  // text stays on, so the pair is kept
  s.weekStartDay = 6;
  s.monthStartDay = 31;
  s.rateViewMargins = 0;
  s.hotkeyChar = 'Z';
  s.dateFormat = 0x66;
  s.transparentPercent = 90;
  s.nextAlertType = 1;
  s.nextAlertMin = 30;
  s.trayKind = 300;
  s.trayAdapterId = "{ABC-DEF}";
  s.sumLastDays = 7;
  s.scaleGridLineStyle = 4;
  s.timeGridLineStyle = 0;
  s.timeGridIntervalSec = 10000;
  s.timeFormat = 2;
  s.pulseSpace = 0;
  s.pulseWidth = 1000;
  s.rateHeightPercent = 50;
  uint32_t c = 0x010203;
  for (uint32_t* f : {&s.graphBkgColor, &s.downColor, &s.bothDownUpColor, &s.gridColor, &s.upColor,
                      &s.titleBkgColor, &s.titleTextColor, &s.scaleTextColor, &s.rateTextColor, &s.rateBkgColor,
                      &s.borderColor, &s.timeGridColor, &s.timeTextColor, &s.avgDownLineColor, &s.avgUpLineColor})
    *f = c++;
  s.timeTextFont = DefaultFont(-20, 400);
  s.timeTextFont.italic = 1;
  s.rateFont = DefaultFont(21, 100);
  s.rateFont.SetFaceName(L"Courier New");
  s.scaleFont = DefaultFont(22, 200);
  s.titleFont = DefaultFont(23, 900);
  s.rule.version = 3;
  s.rule.kind = 200;
  s.rule.threshold = L"2.5";
  s.rule.unit = kUnitMB;
  s.rule.period = kPeriodMonth;
  s.rule.lastDays = 9;
  s.rule.recipients = L"me@example.org";
  return s;
}
}  // namespace

TEST(SettingsLoad, MissingKeyKeepsEveryDefault) {
  MemoryRegistry reg;
  MeterSettings s;
  ScreenRect rect{1, 2, 3, 4};
  EXPECT_FALSE(LoadSettings(reg, kRoot, s, &rect));
  EXPECT_EQ(s, DefaultSettings());
  EXPECT_TRUE(rect.IsEmpty());
  EXPECT_EQ(rect, ScreenRect{});
  // A fresh user: always on top, caption shown, rates in bits, bar graph, 10 %.
  EXPECT_EQ(s.alwaysOnTop, 1);
  EXPECT_EQ(s.showCaption, 1);
  EXPECT_EQ(s.displayUnitByte, 0);
  EXPECT_EQ(s.graphStyle, 1);
  EXPECT_EQ(s.transparentPercent, 10);
  EXPECT_EQ(s.rule, AlertRule{});

  MeterSettings opaque = DefaultSettings(false);
  EXPECT_EQ(opaque.semiTransparent, 0);
  EXPECT_EQ(opaque.transparentPercent, 0);
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

TEST(SettingsSave, EachGroupWritesExactlyItsValuesInOrder) {
  const MeterSettings s;
  const ScreenRect rect{10, 20, 300, 400};
  const std::vector<std::pair<uint32_t, std::vector<std::wstring>>> groups = {
      {kSaveHwnd, {L"HWND"}},
      {kSaveSumLastDays, {L"SumLastDays"}},
      {kSaveGeneral,
       {L"WeekStartDay", L"MonthStartDay", L"RateViewMargins", L"TransparentPercent", L"StartMinimized",
        L"StartWithWindows", L"HotkeyEnabled", L"HotkeyChar", L"DateFormat", L"SemiTransparent",
        L"EnableClickThrough", L"ShowIPInTitle", L"AlwaysOnTop", L"ShowCaption", L"DisplayUnitByte"}},
      {kSaveNextAlert, {L"NextAlertType", L"NextAlertMin"}},
      {kSaveDisplay,
       {L"DisplayTitle", L"DisplayGraph", L"DisplayScaleGrid", L"DisplayScale", L"DisplayText",
        L"DisplayMaxRateInText", L"TextCrSameAsGraphCr", L"DispAvgValuesInText", L"DispAvgDownLine",
        L"DispAvgUpLine", L"DisplayTimeGrid", L"DisplayTimeText", L"ScaleGridOnTop", L"TimeGridOnTop",
        L"TimeTextOnTop"}},
      {kSaveTray,
       {L"DispIconSystray", L"ShowGraphInSystray", L"ShowAdapterNameInSystrayTips", L"ShowAdapterIPInSystrayTips",
        L"STIfType", L"STAdpID"}},
      {kSaveColors,
       {L"GraphBkgColor", L"DownColor", L"BothDownUpColor", L"GridColor", L"UpColor", L"AvgDownLineColor",
        L"AvgUpLineColor", L"TitleBkgColor", L"TitleTextColor", L"ScaleTextColor", L"RateTextColor",
        L"RateBkgColor", L"BorderColor", L"TimeGridColor", L"TimeTextColor"}},
      {kSaveGraphStyle,
       {L"PulseSpace", L"PulseWidth", L"ScaleGridLineStyle", L"TimeGridLineStyle", L"TimeGridIntervalSec",
        L"TimeFormat", L"RateHeightPercent", L"GraphStyle"}},
      {kSaveFonts, {L"TimeTextFontU", L"RateFontU", L"ScaleFontU", L"TitleFontU"}},
      {kSaveNotification, {L"NotificationEnabled", L"NotificationEx2U"}},
      {kSaveWindow, {L"WndPosition", L"StopwatchResetAdapterGraph", L"StopwatchAlwaysOnTop"}},
  };
  std::vector<std::wstring> all;
  uint32_t mask = 0;
  for (const auto& [group, names] : groups) {
    MemoryRegistry reg;
    ASSERT_TRUE(SaveSettings(reg, kHkcu, kRoot, s, group, &rect));
    EXPECT_EQ(WrittenNames(reg), names) << std::hex << group;
    for (const auto& w : reg.writes) EXPECT_EQ(w.key, kKey);
    all.insert(all.end(), names.begin(), names.end());
    mask |= group;
  }
  EXPECT_EQ(mask, kSaveAllGroups);

  // All groups at once follow the fixed group order, whatever the bit values.
  MemoryRegistry reg;
  ASSERT_TRUE(SaveSettings(reg, RegRoot::LocalMachine, kRoot, s, kSaveAllGroups, &rect));
  EXPECT_EQ(WrittenNames(reg), all);
  for (const auto& w : reg.writes) EXPECT_EQ(w.root, RegRoot::LocalMachine);

  MemoryRegistry none;
  EXPECT_TRUE(SaveSettings(none, kHkcu, kRoot, s, 0, &rect));
  EXPECT_TRUE(none.writes.empty());
  EXPECT_FALSE(none.KeyExists(kHkcu, kKey));

  // Without a rectangle the Window group leaves "WndPosition" alone.
  MemoryRegistry norect;
  ASSERT_TRUE(SaveSettings(norect, kHkcu, kRoot, s, kSaveWindow));
  EXPECT_EQ(WrittenNames(norect), (std::vector<std::wstring>{L"StopwatchResetAdapterGraph", L"StopwatchAlwaysOnTop"}));
}

TEST(SettingsSave, RoundTripKeepsEveryValueWithItsTypeAndSize) {
  MeterSettings s = NonDefaultSettings();
  s.rule.version = 0;  // the save stamps the current version
  s.hwnd = 0x00120034;
  const ScreenRect rect{-1280, -4, -300, 700};
  MemoryRegistry reg;
  ASSERT_TRUE(SaveSettings(reg, kHkcu, kRoot, s, kSaveAllGroups, &rect));

  MeterSettings back;
  ScreenRect backRect;
  ASSERT_TRUE(LoadSettings(reg, kRoot, back, &backRect));
  MeterSettings expected = s;
  expected.rule.version = 3;
  expected.hwnd = 0;  // written for others, never read back
  EXPECT_EQ(back, expected);
  EXPECT_EQ(backRect, rect);

  uint32_t type = 0, size = 0;
  for (const wchar_t* font : {L"TimeTextFontU", L"RateFontU", L"ScaleFontU", L"TitleFontU"}) {
    ASSERT_TRUE(reg.QueryValue(kHkcu, kKey, font, type, size));
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(size, 92u);
  }
  ASSERT_TRUE(reg.QueryValue(kHkcu, kKey, L"NotificationEx2U", type, size));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(size, 1992u);
  ASSERT_TRUE(reg.QueryValue(kHkcu, kKey, L"WndPosition", type, size));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(size, 16u);
  ASSERT_TRUE(reg.QueryValue(kHkcu, kKey, L"STAdpID", type, size));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 2u * (9 + 1));  // "{ABC-DEF}" and its terminator
  ASSERT_TRUE(reg.QueryValue(kHkcu, kKey, L"HWND", type, size));
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(size, 4u);
  std::vector<uint8_t> img;
  ASSERT_TRUE(reg.ReadBinary(kHkcu, kKey, L"NotificationEx2U", img));
  EXPECT_EQ(img[0], 3);
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
