// The rules of the General, Graph & Text and Adapters option pages.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "settings/option_pages.h"

namespace {

TEST(OptionPages, CustomSpeedTextStaysWithinTheSpinRange) {
  const struct {
    const wchar_t* text;
    uint32_t speed;
  } cases[] = {
      {L"1000000", 1000000},
      {L"  512000kbps", 512000},
      {L"", 0},
      {L"fast", 0},
      {L"-5", 0},
      {L"2147483647", 2147483647},
      {L"2147483648", 2147483647},
      {L"4294967296", 2147483647},                 // would wrap to 0 in 32 bits
      {L"9999999999999999999", 2147483647},         // 19 digits
      {L"99999999999999999999999", 2147483647},     // more than 19 characters
      {L"                  7", 7},                  // the 19th character still counts
      {L"                   7", 0},                 // the 20th does not
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSpeedText(c.text), c.speed) << c.text;
}

TEST(OptionPages, ListsSelectByDataWithTheirFallbacks) {
  const Choices transparency = TransparencyChoices();
  ASSERT_EQ(transparency.size(), 17u);
  EXPECT_EQ(transparency[0].label, L"90% visible");
  EXPECT_EQ(transparency[16].data, 90);
  EXPECT_EQ(IndexOfData(transparency, 25, kTransparencyFallbackIndex), 3);
  EXPECT_EQ(IndexOfData(transparency, 37, kTransparencyFallbackIndex), 1);  // 85 % visible

  const Choices speeds = SpeedChoices();
  ASSERT_EQ(speeds.size(), 16u);
  EXPECT_EQ(IndexOfData(speeds, 1544000, -1), 10);
  EXPECT_EQ(IndexOfData(speeds, 1000000, -1), -1);  // shown as "Specify Speed"
  EXPECT_EQ(speeds[15].label, L"Specify Speed");

  EXPECT_EQ(IndexOfData(LineStyleChoices(), 0, 0), 1);
  EXPECT_EQ(IndexOfData(DateFormatChoices(), 0x22, 0), 2);
  EXPECT_EQ(IndexOfData(HotkeyChoices(), 'N', -1), 13);
}

TEST(OptionPages, ChecksComeInTheirOrder) {
  MeterSettings ok = DefaultSettings();
  const struct {
    const char* what;
    void (*spoil)(MeterSettings&);
    bool transparencySelected;
    const wchar_t* message;  // nullptr: no fault
    int control;
  } general[] = {
      {"fine", [](MeterSettings&) {}, true, nullptr, 0},
      {"no transparency, negative margin", [](MeterSettings& s) { s.rateViewMargins = -1; }, false,
       L"You must select a transparency percent value.", IDC_GEN_TRANSPARENCY},
      {"negative margin, nothing shown",
       [](MeterSettings& s) { s.rateViewMargins = -1, s.displayGraph = 0, s.displayText = 0; }, true,
       L"The margins for rate view must be greater than or equal to 0.", IDC_GEN_MARGINS},
      {"wide margin, nothing shown",
       [](MeterSettings& s) { s.rateViewMargins = 1001, s.displayGraph = 0, s.displayText = 0; }, true,
       L"The margins for rate view must be between 0 and 1000.", IDC_GEN_MARGINS},
      {"widest margin", [](MeterSettings& s) { s.rateViewMargins = 1000; }, true, nullptr, 0},
      {"nothing shown", [](MeterSettings& s) { s.displayGraph = 0, s.displayText = 0; }, true,
       L"At least either graph or text should be displayed.", IDC_GEN_GRAPH},
      {"text only", [](MeterSettings& s) { s.displayGraph = 0; }, true, nullptr, 0},
  };
  for (const auto& c : general) {
    MeterSettings s = ok;
    c.spoil(s);
    const auto problem = CheckGeneralPage(s, true, c.transparencySelected);
    ASSERT_EQ(problem.has_value(), c.message != nullptr) << c.what;
    if (problem) {
      EXPECT_EQ(problem->message, c.message) << c.what;
      EXPECT_EQ(problem->control, c.control) << c.what;
    }
  }
  // Without layered windows the list is never asked for.
  EXPECT_FALSE(CheckGeneralPage(ok, false, false));

  const struct {
    int32_t height, width, space, interval;
    const wchar_t* message;
    int control;
  } graph[] = {
      {50, 1, 0, 1, nullptr, 0},
      {100, 1000, 1000, 10000, nullptr, 0},
      {101, 0, -1, 0, L"The maximum graph rate height percent ranges from 50 to 100.", IDC_GT_HEIGHT_PERCENT},
      {49, 3, 1, 30, L"The maximum graph rate height percent ranges from 50 to 100.", IDC_GT_HEIGHT_PERCENT},
      {95, 0, -1, 0, L"The pulse width must be greater than 0.", IDC_GT_PULSE_WIDTH},
      {95, 1001, 1001, 0, L"The pulse width must be between 1 and 1000.", IDC_GT_PULSE_WIDTH},
      {95, 3, 1001, 0, L"The pulse space must be between 0 and 1000.", IDC_GT_PULSE_SPACE},
      {95, 3, -1, 30, L"The pulse space must be between 0 and 1000.", IDC_GT_PULSE_SPACE},
      {95, 3, 1, -4, L"The time grid interval must be greater than 0.", IDC_GT_TIME_INTERVAL},
      {95, 3, 1, 10001, L"The time grid interval must be between 1 and 10000.", IDC_GT_TIME_INTERVAL},
  };
  for (const auto& c : graph) {
    MeterSettings s = ok;
    s.rateHeightPercent = c.height, s.pulseWidth = c.width, s.pulseSpace = c.space, s.timeGridIntervalSec = c.interval;
    const auto problem = CheckGraphTextPage(s);
    ASSERT_EQ(problem.has_value(), c.message != nullptr) << c.height;
    if (problem) {
      EXPECT_EQ(problem->message, c.message);
      EXPECT_EQ(problem->control, c.control);
    }
  }
}

TEST(OptionPages, AdapterChecksAndTrayRow) {
  std::vector<AdapterRow> rows = {{100, "", L"All Connections", L"", "", true, 0},
                                  {200, "", L"Dial-Up Connections", L"", "", false, 0},
                                  {300, "{A}", L"LAN", L"Realtek", "10.0.0.2", false, 0},
                                  {300, "{B}", L"WLAN", L"Intel", "", false, 0}};
  EXPECT_EQ(TrayRowIndex(rows, 200, "ignored"), 1);
  EXPECT_EQ(TrayRowIndex(rows, 300, "{B}"), 3);
  EXPECT_EQ(TrayRowIndex(rows, 300, "{C}"), -1);

  const std::vector<int> order = {3, 2, 1, 0};
  EXPECT_FALSE(CheckAdaptersPage(rows, order, true, 0));
  EXPECT_FALSE(CheckAdaptersPage(rows, order, false, -1));  // tray off: no tray row needed
  EXPECT_EQ(CheckAdaptersPage(rows, order, true, -1)->message, L"Please select an adapter for system tray.");
  rows[2].name.clear();
  EXPECT_EQ(CheckAdaptersPage(rows, order, true, 0)->message, L"The adapter name must not be empty.");
  rows[2].name = L"LAN";
  rows[0].monitored = false;
  const auto none = CheckAdaptersPage(rows, order, true, 0);
  EXPECT_EQ(none->message, L"At least one adapter should be monitored.");
  EXPECT_EQ(none->control, IDC_ADP_LIST);
}

TEST(OptionPages, DefaultColoursLeaveFontsStylesAndNumbers) {
  MeterSettings s = DefaultSettings();
  s.downColor = 0x123456;
  s.borderColor = 0x010203;
  s.rateFont = DefaultFont(20, 400);
  s.scaleGridLineStyle = 4;
  s.pulseWidth = 9;
  MeterSettings expected = s;
  expected.downColor = 0x0000FF;
  expected.borderColor = 0x333333;
  SetDefaultColours(s);
  EXPECT_EQ(s, expected);

  SetDefaultFonts(s);
  EXPECT_EQ(s.rateFont, DefaultFont(13, 0));
  EXPECT_EQ(s.titleFont.weight, 700);
  EXPECT_EQ(s.timeTextFont.height, 13);
}

TEST(OptionPages, TakingTheGeneralPage) {
  const struct {
    const char* what;
    int32_t liveOn, liveKey, pageOn, pageKey;
    bool switched, rekeyed;
    int32_t keptKey;
  } hotkeys[] = {
      {"switched on", 0, 'N', 1, 'Q', true, false, 'Q'},
      {"switched off", 1, 'N', 0, 'Q', true, false, 'Q'},
      {"stays on, new key", 1, 'N', 1, 'Q', false, true, 'Q'},
      {"stays off, new key", 0, 'N', 0, 'Q', false, false, 'N'},
      {"unchanged", 1, 'N', 1, 'N', false, false, 'N'},
  };
  for (const auto& h : hotkeys) {
    MeterSettings live = DefaultSettings(), page = live;
    live.hotkeyEnabled = h.liveOn, live.hotkeyChar = h.liveKey;
    page.hotkeyEnabled = h.pageOn, page.hotkeyChar = h.pageKey;
    const GeneralChanges c = TakeGeneralPage(live, page, true);
    EXPECT_EQ(c.hotkeySwitched, h.switched) << h.what;
    EXPECT_EQ(c.hotkeyKeyChanged, h.rekeyed) << h.what;
    EXPECT_EQ(live.hotkeyChar, h.keptKey) << h.what;
  }

  MeterSettings live = DefaultSettings(), page = live;
  live.notificationEnabled = 1;
  live.rule.period = kPeriodMonth;
  page.weekStartDay = 3;
  page.transparentPercent = 40;
  page.rateViewMargins = 7;
  page.displayTimeGrid = 0;
  GeneralChanges c = TakeGeneralPage(live, page, false);
  EXPECT_FALSE(c.armAlert);  // the month period did not move
  EXPECT_TRUE(c.margins);
  EXPECT_EQ(live.weekStartDay, 3);
  EXPECT_EQ(live.displayTimeGrid, 0);
  EXPECT_EQ(live.transparentPercent, 10);  // no layered windows: kept
  page.monthStartDay = 15;
  EXPECT_TRUE(TakeGeneralPage(live, page, true).armAlert);
  EXPECT_EQ(live.transparentPercent, 40);
}

}  // namespace
