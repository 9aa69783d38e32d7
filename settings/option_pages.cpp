#include "settings/option_pages.h"

#include "base/format.h"
#include "res/resource.h"

namespace {
using M = MeterSettings;

constexpr CheckOption kGeneralChecks[] = {
    {IDC_GEN_ALWAYS_ON_TOP, &M::alwaysOnTop},
    {IDC_GEN_SHOW_CAPTION, &M::showCaption},
    {IDC_GEN_START_WITH_WINDOWS, &M::startWithWindows},
    {IDC_GEN_START_MINIMIZED, &M::startMinimized},
    {IDC_GEN_HOTKEY_ENABLED, &M::hotkeyEnabled},
    {IDC_GEN_CLICK_THROUGH, &M::enableClickThrough},
    {IDC_GEN_SEMI_TRANSPARENT, &M::semiTransparent},
    {IDC_GEN_TITLE, &M::displayTitle},
    {IDC_GEN_GRAPH, &M::displayGraph},
    {IDC_GEN_TEXT, &M::displayText},
    {IDC_GEN_MAX_RATE, &M::displayMaxRateInText},
    {IDC_GEN_SCALE, &M::displayScale},
    {IDC_GEN_SCALE_GRID, &M::displayScaleGrid},
    {IDC_GEN_TIME_GRID, &M::displayTimeGrid},
    {IDC_GEN_TIME_TEXT, &M::displayTimeText},
    {IDC_GEN_SCALE_GRID_ON_TOP, &M::scaleGridOnTop},
    {IDC_GEN_TIME_GRID_ON_TOP, &M::timeGridOnTop},
    {IDC_GEN_TIME_TEXT_ON_TOP, &M::timeTextOnTop},
    {IDC_GEN_AVG_DOWN_LINE, &M::dispAvgDownLine},
    {IDC_GEN_AVG_UP_LINE, &M::dispAvgUpLine},
    {IDC_GEN_AVG_IN_TEXT, &M::dispAvgValuesInText},
    {IDC_GEN_IP_IN_TITLE, &M::showIpInTitle},
    {IDC_GEN_TEXT_GRAPH_COLOURS, &M::textCrSameAsGraphCr},
};

constexpr ColourOption kColours[] = {
    {IDC_GT_DOWN, &M::downColor},           {IDC_GT_UP, &M::upColor},
    {IDC_GT_BOTH, &M::bothDownUpColor},     {IDC_GT_AVG_DOWN, &M::avgDownLineColor},
    {IDC_GT_AVG_UP, &M::avgUpLineColor},    {IDC_GT_GRAPH_BKG, &M::graphBkgColor},
    {IDC_GT_BORDER, &M::borderColor},       {IDC_GT_TITLE_BKG, &M::titleBkgColor},
    {IDC_GT_TITLE_TEXT, &M::titleTextColor}, {IDC_GT_RATE_BKG, &M::rateBkgColor},
    {IDC_GT_RATE_TEXT, &M::rateTextColor},  {IDC_GT_GRID, &M::gridColor},
    {IDC_GT_SCALE_TEXT, &M::scaleTextColor}, {IDC_GT_TIME_GRID, &M::timeGridColor},
    {IDC_GT_TIME_TEXT, &M::timeTextColor},
};

constexpr FontOption kFonts[] = {
    {IDC_GT_TITLE_FONT, &M::titleFont},
    {IDC_GT_RATE_FONT, &M::rateFont},
    {IDC_GT_SCALE_FONT, &M::scaleFont},
    {IDC_GT_TIME_FONT, &M::timeTextFont},
};

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

}  // namespace

int IndexOfData(const Choices& list, int32_t value, int fallback) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].data == value) return static_cast<int>(i);
  return fallback;
}

Choices HotkeyChoices() {
  Choices out;
  for (wchar_t c = L'A'; c <= L'Z'; ++c) out.push_back({std::wstring(1, c), c});
  return out;
}

Choices TransparencyChoices() {
  Choices out;
  for (int visible = 90; visible >= 10; visible -= 5)
    out.push_back({std::to_wstring(visible) + L"% visible", 100 - visible});
  return out;
}

Choices MonthDayChoices() {
  Choices out;
  for (int day = 1; day <= 31; ++day) out.push_back({std::to_wstring(day), day});
  return out;
}

Choices WeekDayChoices() {
  Choices out;
  for (int day = 0; day < 7; ++day) out.push_back({kWeekdayNames[day], day});
  return out;
}

Choices DateFormatChoices() {
  Choices out;
  for (const DateFormatChoice& c : kDateFormatChoices) out.push_back({c.label, c.code});
  return out;
}

Choices GraphStyleChoices() { return {{L"Column", 1}, {L"Line", 0}}; }

Choices LineStyleChoices() {
  return {{L"Dot", 2}, {L"Solid", 0}, {L"Dash", 1}, {L"Dashdot", 3}, {L"Dashdotdot", 4}};
}

Choices TimeFormatChoices() { return {{L"HH:MM:SS", 0}, {L"HH:MM", 1}, {L"MM:SS", 2}}; }

Choices SpeedChoices() {
  return {
      {L"Auto Scale", 0},
      {L"33.6 kbps (analog modems)", 33600},
      {L"48.0 kbps (analog modems)", 48000},
      {L"56.0 kbps (analog modems)", 56000},
      {L"64 kbps (ISDN - single channel)", 64000},
      {L"128 kbps (ISDN - dual channel)", 128000},
      {L"256 kbps (DSL, Frame Relay)", 256000},
      {L"384 kbps (DSL)", 384000},
      {L"512 kbps (DSL)", 512000},
      {L"768 kbps (DSL)", 768000},
      {L"1.544 mbps (T1, DSL, Cable Modem)", 1544000},
      {L"2 mbps (DSL, Cable Modem)", 2000000},
      {L"10 mbps (DSL, Cable Modem, LAN)", 10000000},
      {L"44.736 mbps (DS3)", 44736000},
      {L"100 mbps (LAN)", 100000000},
      {L"Specify Speed", kSpecifySpeed},
  };
}

std::span<const CheckOption> GeneralChecks() { return kGeneralChecks; }
std::span<const ColourOption> GraphTextColours() { return kColours; }
std::span<const FontOption> GraphTextFonts() { return kFonts; }

void SetDefaultColours(MeterSettings& s) {
  s.downColor = Rgb(255, 0, 0);
  s.upColor = Rgb(0, 204, 0);
  s.bothDownUpColor = Rgb(255, 255, 0);
  s.graphBkgColor = Rgb(173, 219, 222);
  s.gridColor = Rgb(158, 158, 158);
  s.avgUpLineColor = Rgb(0, 100, 0);
  s.avgDownLineColor = Rgb(128, 0, 0);
  s.titleTextColor = Rgb(255, 255, 255);
  s.titleBkgColor = Rgb(158, 158, 158);
  s.scaleTextColor = Rgb(0, 0, 0);
  s.rateTextColor = Rgb(0, 0, 0);
  s.rateBkgColor = Rgb(255, 255, 255);
  s.borderColor = Rgb(51, 51, 51);
  s.timeTextColor = Rgb(60, 60, 60);
  s.timeGridColor = Rgb(110, 110, 110);
}

void SetDefaultFonts(MeterSettings& s) {
  s.titleFont = DefaultFont(13, 700);
  s.rateFont = DefaultFont(13, 0);
  s.scaleFont = DefaultFont(13, 0);
  s.timeTextFont = DefaultFont(13, 0);
}

std::optional<PageProblem> CheckNumberBox(int32_t value, const NumberRange& range, int control,
                                          std::wstring_view name, const wchar_t* belowMessage) {
  if (range.Contains(value)) return std::nullopt;
  if (value < range.low && belowMessage) return PageProblem{belowMessage, control};
  return PageProblem{L"The " + std::wstring(name) + L" must be between " + std::to_wstring(range.low) + L" and " +
                         std::to_wstring(range.high) + L".",
                     control};
}

std::optional<PageProblem> CheckGeneralPage(const MeterSettings& page, bool canSetTransparency,
                                            bool transparencySelected) {
  if (canSetTransparency && !transparencySelected)
    return PageProblem{L"You must select a transparency percent value.", IDC_GEN_TRANSPARENCY};
  if (auto problem = CheckNumberBox(page.rateViewMargins, kMarginsRange, IDC_GEN_MARGINS, L"margins for rate view",
                                    L"The margins for rate view must be greater than or equal to 0."))
    return problem;
  if (!page.displayGraph && !page.displayText)
    return PageProblem{L"At least either graph or text should be displayed.", IDC_GEN_GRAPH};
  if (page.logBackupDays < 0 || page.logBackupDays > kMaxLogBackupDays)
    return PageProblem{L"The daily backups of the traffic log range from 0 (none) to 365.", IDC_GEN_BACKUP_DAYS};
  return std::nullopt;
}

std::optional<PageProblem> CheckGraphTextPage(const MeterSettings& page) {
  if (!kHeightPercentRange.Contains(page.rateHeightPercent))
    return PageProblem{L"The maximum graph rate height percent ranges from 50 to 100.", IDC_GT_HEIGHT_PERCENT};
  if (auto problem = CheckNumberBox(page.pulseWidth, kPulseWidthRange, IDC_GT_PULSE_WIDTH, L"pulse width",
                                    L"The pulse width must be greater than 0."))
    return problem;
  if (auto problem = CheckNumberBox(page.pulseSpace, kPulseSpaceRange, IDC_GT_PULSE_SPACE, L"pulse space"))
    return problem;
  return CheckNumberBox(page.timeGridIntervalSec, kTimeGridIntervalRange, IDC_GT_TIME_INTERVAL, L"time grid interval",
                        L"The time grid interval must be greater than 0.");
}

uint32_t ParseSpeedText(std::wstring_view text) {
  text = text.substr(0, 19);
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  // At most 19 characters: the value fits 64 bits, and the clamp keeps it in the spin's range.
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) value = value * 10 + (text[i] - L'0');
  if (negative) return 0;
  return value > kMaxSpeed ? kMaxSpeed : static_cast<uint32_t>(value);
}

TrayChoice TrayChoiceFrom(const MeterSettings& s) {
  return TrayChoice{s.dispIconSystray != 0, s.showGraphInSystray != 0, s.showAdapterNameInSystrayTips != 0,
                    s.showAdapterIpInSystrayTips != 0, s.trayKind, s.trayAdapterId};
}

int TrayRowIndex(const std::vector<AdapterRow>& rows, int32_t kind, const std::string& id) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].kind != kind) continue;
    if (kind == 100 || kind == 200 || rows[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

std::optional<PageProblem> CheckAdaptersPage(const std::vector<AdapterRow>& rows, const std::vector<int>& order,
                                             bool showTrayIcon, int traySelected) {
  if (showTrayIcon && traySelected < 0)
    return PageProblem{L"Please select an adapter for system tray.", IDC_ADP_TRAY_LIST};
  bool anyMonitored = false;
  for (int index : order) {
    const AdapterRow& row = rows[static_cast<size_t>(index)];
    if (row.name.empty()) return PageProblem{L"The adapter name must not be empty.", IDC_ADP_LIST};
    anyMonitored |= row.monitored;
  }
  if (!anyMonitored) return PageProblem{L"At least one adapter should be monitored.", IDC_ADP_LIST};
  return std::nullopt;
}

GeneralChanges TakeGeneralPage(MeterSettings& s, const MeterSettings& p, bool canSetTransparency) {
  GeneralChanges c;
  c.ipInTitle = s.showIpInTitle != p.showIpInTitle;
  s.showIpInTitle = p.showIpInTitle;

  const bool weekMoved = s.weekStartDay != p.weekStartDay;
  const bool monthMoved = s.monthStartDay != p.monthStartDay;
  s.weekStartDay = p.weekStartDay;
  s.monthStartDay = p.monthStartDay;
  c.armAlert = s.notificationEnabled && ((s.rule.period == kPeriodWeek && weekMoved) ||
                                         (s.rule.period == kPeriodMonth && monthMoved));
  s.dateFormat = p.dateFormat;
  s.logBackupDays = p.logBackupDays;

  if ((s.hotkeyEnabled != 0) != (p.hotkeyEnabled != 0)) {
    c.hotkeySwitched = true;
    s.hotkeyEnabled = p.hotkeyEnabled;
    s.hotkeyChar = p.hotkeyChar;
  } else if (s.hotkeyEnabled && s.hotkeyChar != p.hotkeyChar) {
    c.hotkeyKeyChanged = true;
    s.hotkeyChar = p.hotkeyChar;
  }

  c.topmost = (s.alwaysOnTop != 0) != (p.alwaysOnTop != 0);
  s.alwaysOnTop = p.alwaysOnTop;
  c.caption = (s.showCaption != 0) != (p.showCaption != 0);
  s.showCaption = p.showCaption;

  if (canSetTransparency) {
    s.semiTransparent = p.semiTransparent;
    s.transparentPercent = p.transparentPercent;
    s.enableClickThrough = p.enableClickThrough;
  }
  s.startMinimized = p.startMinimized;
  s.startWithWindows = p.startWithWindows;

  for (int32_t M::*o : {&M::displayTitle, &M::displayGraph, &M::displayScale, &M::displayScaleGrid, &M::displayText,
                        &M::displayMaxRateInText, &M::textCrSameAsGraphCr, &M::displayUnitByte,
                        &M::dispAvgValuesInText, &M::dispAvgDownLine, &M::dispAvgUpLine, &M::displayTimeGrid,
                        &M::displayTimeText, &M::scaleGridOnTop, &M::timeGridOnTop, &M::timeTextOnTop})
    s.*o = p.*o;

  c.margins = s.rateViewMargins != p.rateViewMargins;
  s.rateViewMargins = p.rateViewMargins;
  return c;
}

void TakeGraphTextPage(MeterSettings& s, const MeterSettings& p) {
  for (const ColourOption& c : kColours) s.*c.option = p.*c.option;
  for (const FontOption& f : kFonts) s.*f.option = p.*f.option;
  for (int32_t M::*o : {&M::rateHeightPercent, &M::pulseSpace, &M::pulseWidth, &M::scaleGridLineStyle,
                        &M::timeGridLineStyle, &M::timeGridIntervalSec, &M::timeFormat, &M::graphStyle})
    s.*o = p.*o;
}

void TakeTrayChoice(MeterSettings& s, const TrayChoice& t) {
  s.dispIconSystray = t.showIcon ? 1 : 0;
  s.showGraphInSystray = t.showGraph ? 1 : 0;
  s.trayKind = t.kind;
  s.trayAdapterId = t.id;
  s.showAdapterNameInSystrayTips = t.showName ? 1 : 0;
  s.showAdapterIpInSystrayTips = t.showIp ? 1 : 0;
}
