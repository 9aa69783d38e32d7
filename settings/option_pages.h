// The rules of the options sheet's General, Graph & Text and Adapters pages,
// free of windows: which control edits which option, the contents of the
// lists, the checks of an apply in their order, the custom speed text, and how
// the meter window takes an applied page's values into its own settings.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/meter_settings.h"

// One entry of a drop-down list: its text and its item data.
struct Choice {
  std::wstring label;
  int32_t data = 0;
};
using Choices = std::vector<Choice>;

// The index of the entry whose data equals value, else fallback.
int IndexOfData(const Choices& list, int32_t value, int fallback);

Choices HotkeyChoices();        // "A".."Z", data 65..90
Choices TransparencyChoices();  // "90% visible".."10% visible", data 10..90
Choices MonthDayChoices();      // "1".."31"
Choices WeekDayChoices();       // "Sunday".."Saturday", data 0..6
Choices DateFormatChoices();    // the seven date formats, data the code
Choices GraphStyleChoices();    // "Column" 1, "Line" 0
Choices LineStyleChoices();     // "Dot" 2, "Solid" 0, "Dash" 1, "Dashdot" 3, "Dashdotdot" 4
Choices TimeFormatChoices();    // "HH:MM:SS" 0, "HH:MM" 1, "MM:SS" 2
Choices SpeedChoices();         // "Auto Scale" 0 .. "Specify Speed" kSpecifySpeed
constexpr int32_t kSpecifySpeed = -1;
constexpr int kTransparencyFallbackIndex = 1;  // 85 % visible

// Check boxes, colour buttons and font buttons with the option each edits.
struct CheckOption {
  int control;
  int32_t MeterSettings::*option;
};
struct ColourOption {
  int control;
  uint32_t MeterSettings::*option;
};
struct FontOption {
  int control;
  LogFont MeterSettings::*option;
};
std::span<const CheckOption> GeneralChecks();
std::span<const ColourOption> GraphTextColours();
std::span<const FontOption> GraphTextFonts();

// The default colours and fonts buttons; nothing else is touched.
void SetDefaultColours(MeterSettings& s);
void SetDefaultFonts(MeterSettings& s);

// A fault found by an apply: the message and the control to focus.
struct PageProblem {
  std::wstring message;
  int control = 0;
};

// A number box's value outside its spin's range: below it the box's own
// message when it has one, otherwise (and above it) "The <name> must be
// between <low> and <high>.", with the box to focus. A box whose text is no number is
// read as the lowest int32_t.
std::optional<PageProblem> CheckNumberBox(int32_t value, const NumberRange& range, int control,
                                          std::wstring_view name, const wchar_t* belowMessage = nullptr);

// General: `transparencySelected` says whether the transparency list has a
// selection. The lists' values are already in `page`.
std::optional<PageProblem> CheckGeneralPage(const MeterSettings& page, bool canSetTransparency,
                                            bool transparencySelected);
std::optional<PageProblem> CheckGraphTextPage(const MeterSettings& page);

// The speed a typed custom speed text gives: leading blanks skipped, an
// optional sign, the digits up to the first other character, at most the
// first 19 characters; kept within 0..2147483647 however long or negative.
uint32_t ParseSpeedText(std::wstring_view text);
constexpr uint32_t kMaxSpeed = 2147483647;

// One connection as the Adapters page edits it: a copy of the catalogue's entry.
struct AdapterRow {
  int32_t kind = 300;
  std::string id;
  std::wstring name;        // display name
  std::wstring systemName;  // the name the system reports; empty for the aggregates
  std::string ipAddress;
  bool monitored = false;
  uint32_t speed = 0;       // bits per second, 0 = auto scale
  bool operator==(const AdapterRow&) const = default;
};

struct TrayChoice {
  bool showIcon = true;       // "DispIconSystray"
  bool showGraph = true;      // "ShowGraphInSystray"
  bool showName = true;       // "ShowAdapterNameInSystrayTips"
  bool showIp = true;         // "ShowAdapterIPInSystrayTips"
  int32_t kind = 100;         // "STIfType"
  std::string id;             // "STAdpID"
};
TrayChoice TrayChoiceFrom(const MeterSettings& s);

// The row the tray selection names: the aggregates by kind, adapters by kind and ID; -1 when none.
int TrayRowIndex(const std::vector<AdapterRow>& rows, int32_t kind, const std::string& id);

// Adapters: `order` lists the row indexes as the list shows them;
// `traySelected` is the tray list's selection (-1 none).
std::optional<PageProblem> CheckAdaptersPage(const std::vector<AdapterRow>& rows, const std::vector<int>& order,
                                             bool showTrayIcon, int traySelected);

// What the General apply changed, for the window's effects.
struct GeneralChanges {
  bool ipInTitle = false;
  bool armAlert = false;       // the usage period of the alert moved
  bool hotkeySwitched = false; // registered or unregistered
  bool hotkeyKeyChanged = false;  // re-registered with the new key
  bool topmost = false;
  bool caption = false;
  bool margins = false;
};
// Takes the General page's values into `live` as the meter window does:
// the hot key's letter only when the key is or stays on, the transparency
// only where layered windows exist.
GeneralChanges TakeGeneralPage(MeterSettings& live, const MeterSettings& page, bool canSetTransparency);
// Every colour, font, number and style of the Graph & Text page.
void TakeGraphTextPage(MeterSettings& live, const MeterSettings& page);
void TakeTrayChoice(MeterSettings& live, const TrayChoice& tray);
