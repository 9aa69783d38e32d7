#include "settings/meter_settings.h"

#include "base/utf16.h"

namespace {
// "STAdpID" is read only while it fits 2048 bytes, terminator included.
constexpr size_t kTrayIdMaxStoredUnits = 2048 / 2 - 1;
constexpr size_t kWndPositionSize = 16;

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

class Reader {
public:
  Reader(RegistryStore& store, const std::wstring& key) : store_(store), key_(key) {}
  bool Int(const wchar_t* name, int32_t& field) {
    uint32_t v = 0;
    if (!store_.ReadDword(RegRoot::CurrentUser, key_, name, v)) return false;
    field = static_cast<int32_t>(v);
    return true;
  }
  bool Colour(const wchar_t* name, uint32_t& field) {
    return store_.ReadDword(RegRoot::CurrentUser, key_, name, field);
  }
  // A font of another size, or with no height, keeps the default: the views
  // divide by the font's height.
  void Font(const wchar_t* name, LogFont& field) {
    std::vector<uint8_t> data;
    LogFont f;
    if (store_.ReadBinary(RegRoot::CurrentUser, key_, name, data) && ParseLogFont(data, f) && f.height != 0)
      field = f;
  }
  bool Binary(const wchar_t* name, std::vector<uint8_t>& data) {
    return store_.ReadBinary(RegRoot::CurrentUser, key_, name, data);
  }
  bool String(const wchar_t* name, std::wstring& out) {
    return store_.ReadString(RegRoot::CurrentUser, key_, name, out);
  }

private:
  RegistryStore& store_;
  const std::wstring& key_;
};

class Writer {
public:
  Writer(RegistryStore& store, RegRoot root, const std::wstring& key) : store_(store), root_(root), key_(key) {}
  void Int(const wchar_t* name, int32_t v) { Note(store_.WriteDword(root_, key_, name, static_cast<uint32_t>(v))); }
  void Colour(const wchar_t* name, uint32_t v) { Note(store_.WriteDword(root_, key_, name, v)); }
  void Font(const wchar_t* name, const LogFont& f) { Note(store_.WriteBinary(root_, key_, name, SerializeLogFont(f))); }
  void Binary(const wchar_t* name, const std::vector<uint8_t>& d) { Note(store_.WriteBinary(root_, key_, name, d)); }
  void String(const wchar_t* name, const std::wstring& s) { Note(store_.WriteString(root_, key_, name, s)); }
  bool ok() const { return ok_; }

private:
  void Note(bool written) { ok_ = ok_ && written; }
  RegistryStore& store_;
  RegRoot root_;
  const std::wstring& key_;
  bool ok_ = true;
};

void LoadRule(Reader& r, MeterSettings& s) {
  s.rule = AlertRule{};
  std::vector<uint8_t> data;
  if (r.Binary(L"NotificationEx2U", data)) {
    // A rule of another size or an unknown version is not trusted at all:
    // it could watch the wrong connection or act on half a path.
    AlertRule rule;
    if (ParseAlertRule(data, rule) && IsKnownAlertRuleVersion(rule.version)) {
      s.rule = rule;
    } else {
      s.notificationEnabled = 0;
    }
  }
  if (s.rule.lastDays < 1) s.rule.lastDays = 1;
}
}  // namespace

MeterSettings DefaultSettings(bool layeredTransparency) {
  MeterSettings s;
  if (!layeredTransparency) {
    s.semiTransparent = 0;
    s.transparentPercent = 0;
  }
  return s;
}

std::wstring OptionsKeyPath(const std::wstring& rootPath) { return rootPath + kOptionsSubkey; }

bool LoadSettings(RegistryStore& store, const std::wstring& rootPath, MeterSettings& s, ScreenRect* startRect) {
  if (startRect) *startRect = ScreenRect{};
  const std::wstring key = OptionsKeyPath(rootPath);
  if (!store.KeyExists(RegRoot::CurrentUser, key)) return false;
  Reader r(store, key);

  if (r.Int(L"WeekStartDay", s.weekStartDay) && (s.weekStartDay < 0 || s.weekStartDay > 6)) s.weekStartDay = 0;
  if (r.Int(L"MonthStartDay", s.monthStartDay) && (s.monthStartDay < 1 || s.monthStartDay > 31))
    s.monthStartDay = 1;
  if (r.Int(L"NextAlertType", s.nextAlertType) && s.nextAlertType != 0 && s.nextAlertType != 1)
    s.nextAlertType = 0;
  if (r.Int(L"NextAlertMin", s.nextAlertMin) && s.nextAlertMin < 1) s.nextAlertMin = 1;
  if (r.Int(L"RateViewMargins", s.rateViewMargins) && s.rateViewMargins < 0) s.rateViewMargins = 2;
  r.Int(L"ShowIPInTitle", s.showIpInTitle);
  r.Int(L"AlwaysOnTop", s.alwaysOnTop);
  r.Int(L"ShowCaption", s.showCaption);
  r.Int(L"SemiTransparent", s.semiTransparent);
  r.Int(L"EnableClickThrough", s.enableClickThrough);
  r.Int(L"StartMinimized", s.startMinimized);
  r.Int(L"StartWithWindows", s.startWithWindows);
  r.Int(L"NotificationEnabled", s.notificationEnabled);
  r.Int(L"DispIconSystray", s.dispIconSystray);
  r.Int(L"ShowGraphInSystray", s.showGraphInSystray);
  r.Int(L"ShowAdapterNameInSystrayTips", s.showAdapterNameInSystrayTips);
  r.Int(L"ShowAdapterIPInSystrayTips", s.showAdapterIpInSystrayTips);
  r.Int(L"StopwatchResetAdapterGraph", s.stopwatchResetAdapterGraph);
  r.Int(L"StopwatchAlwaysOnTop", s.stopwatchAlwaysOnTop);
  r.Int(L"HotkeyEnabled", s.hotkeyEnabled);
  r.Int(L"HotkeyChar", s.hotkeyChar);
  r.Int(L"DateFormat", s.dateFormat);
  r.Int(L"SumLastDays", s.sumLastDays);
  r.Int(L"DisplayTitle", s.displayTitle);
  r.Int(L"DisplayGraph", s.displayGraph);
  r.Int(L"DisplayScaleGrid", s.displayScaleGrid);
  r.Int(L"DisplayScale", s.displayScale);
  r.Int(L"DisplayText", s.displayText);
  if (s.displayText == 0 && s.displayGraph == 0) s.displayText = s.displayGraph = 1;
  r.Int(L"DisplayMaxRateInText", s.displayMaxRateInText);
  r.Int(L"TextCrSameAsGraphCr", s.textCrSameAsGraphCr);
  r.Int(L"DispAvgValuesInText", s.dispAvgValuesInText);
  r.Int(L"DisplayUnitByte", s.displayUnitByte);
  r.Int(L"DispAvgDownLine", s.dispAvgDownLine);
  r.Int(L"DispAvgUpLine", s.dispAvgUpLine);
  r.Int(L"DisplayTimeGrid", s.displayTimeGrid);
  r.Int(L"DisplayTimeText", s.displayTimeText);
  r.Int(L"GraphStyle", s.graphStyle);
  r.Int(L"ScaleGridOnTop", s.scaleGridOnTop);
  r.Int(L"TimeGridOnTop", s.timeGridOnTop);
  r.Int(L"TimeTextOnTop", s.timeTextOnTop);
  if (r.Int(L"TransparentPercent", s.transparentPercent)) {
    if (s.transparentPercent < 10) s.transparentPercent = 10;
    if (s.transparentPercent > 90) s.transparentPercent = 90;
  }
  r.Int(L"STIfType", s.trayKind);
  std::wstring id;
  if (r.String(L"STAdpID", id) && id.size() <= kTrayIdMaxStoredUnits) s.trayAdapterId = NarrowTrayId(id);
  r.Colour(L"GraphBkgColor", s.graphBkgColor);
  r.Colour(L"DownColor", s.downColor);
  r.Colour(L"BothDownUpColor", s.bothDownUpColor);
  r.Colour(L"GridColor", s.gridColor);
  r.Colour(L"UpColor", s.upColor);
  r.Colour(L"TitleBkgColor", s.titleBkgColor);
  r.Colour(L"TitleTextColor", s.titleTextColor);
  r.Colour(L"ScaleTextColor", s.scaleTextColor);
  r.Colour(L"RateTextColor", s.rateTextColor);
  r.Colour(L"RateBkgColor", s.rateBkgColor);
  r.Colour(L"BorderColor", s.borderColor);
  r.Int(L"ScaleGridLineStyle", s.scaleGridLineStyle);
  r.Int(L"TimeGridLineStyle", s.timeGridLineStyle);
  // The graph steps by pulse width plus spacing and walks its time grid in
  // steps of the interval: values outside what the options page offers (a
  // zero step above all) would stall or break the drawing, so they fall back.
  if (r.Int(L"TimeGridIntervalSec", s.timeGridIntervalSec) &&
      (s.timeGridIntervalSec < 1 || s.timeGridIntervalSec > 10000))
    s.timeGridIntervalSec = 30;
  r.Colour(L"TimeGridColor", s.timeGridColor);
  r.Colour(L"TimeTextColor", s.timeTextColor);
  r.Int(L"TimeFormat", s.timeFormat);
  r.Font(L"TimeTextFontU", s.timeTextFont);
  r.Colour(L"AvgDownLineColor", s.avgDownLineColor);
  r.Colour(L"AvgUpLineColor", s.avgUpLineColor);
  if (r.Int(L"PulseSpace", s.pulseSpace) && (s.pulseSpace < 0 || s.pulseSpace > 1000)) s.pulseSpace = 1;
  if (r.Int(L"PulseWidth", s.pulseWidth) && (s.pulseWidth < 1 || s.pulseWidth > 1000)) s.pulseWidth = 3;
  r.Font(L"RateFontU", s.rateFont);
  r.Font(L"ScaleFontU", s.scaleFont);
  r.Font(L"TitleFontU", s.titleFont);
  if (r.Int(L"RateHeightPercent", s.rateHeightPercent) && (s.rateHeightPercent < 50 || s.rateHeightPercent > 100))
    s.rateHeightPercent = 95;
  LoadRule(r, s);

  std::vector<uint8_t> rect;
  if (startRect && r.Binary(L"WndPosition", rect) && rect.size() == kWndPositionSize) {
    startRect->left = static_cast<int32_t>(GetU32Le(&rect[0]));
    startRect->top = static_cast<int32_t>(GetU32Le(&rect[4]));
    startRect->right = static_cast<int32_t>(GetU32Le(&rect[8]));
    startRect->bottom = static_cast<int32_t>(GetU32Le(&rect[12]));
  }
  return true;
}

bool SaveSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, const MeterSettings& s,
                  uint32_t groups, const ScreenRect* windowRect) {
  if (groups == 0) return true;
  const std::wstring key = OptionsKeyPath(rootPath);
  Writer w(store, root, key);

  if (groups & kSaveHwnd) w.Colour(L"HWND", s.hwnd);
  if (groups & kSaveSumLastDays) w.Int(L"SumLastDays", s.sumLastDays);
  if (groups & kSaveGeneral) {
    w.Int(L"WeekStartDay", s.weekStartDay);
    w.Int(L"MonthStartDay", s.monthStartDay);
    w.Int(L"RateViewMargins", s.rateViewMargins);
    w.Int(L"TransparentPercent", s.transparentPercent);
    w.Int(L"StartMinimized", s.startMinimized);
    w.Int(L"StartWithWindows", s.startWithWindows);
    w.Int(L"HotkeyEnabled", s.hotkeyEnabled);
    w.Int(L"HotkeyChar", s.hotkeyChar);
    w.Int(L"DateFormat", s.dateFormat);
    w.Int(L"SemiTransparent", s.semiTransparent);
    w.Int(L"EnableClickThrough", s.enableClickThrough);
    w.Int(L"ShowIPInTitle", s.showIpInTitle);
    w.Int(L"AlwaysOnTop", s.alwaysOnTop);
    w.Int(L"ShowCaption", s.showCaption);
    w.Int(L"DisplayUnitByte", s.displayUnitByte);
  }
  if (groups & kSaveNextAlert) {
    w.Int(L"NextAlertType", s.nextAlertType);
    w.Int(L"NextAlertMin", s.nextAlertMin);
  }
  if (groups & kSaveDisplay) {
    w.Int(L"DisplayTitle", s.displayTitle);
    w.Int(L"DisplayGraph", s.displayGraph);
    w.Int(L"DisplayScaleGrid", s.displayScaleGrid);
    w.Int(L"DisplayScale", s.displayScale);
    w.Int(L"DisplayText", s.displayText);
    w.Int(L"DisplayMaxRateInText", s.displayMaxRateInText);
    w.Int(L"TextCrSameAsGraphCr", s.textCrSameAsGraphCr);
    w.Int(L"DispAvgValuesInText", s.dispAvgValuesInText);
    w.Int(L"DispAvgDownLine", s.dispAvgDownLine);
    w.Int(L"DispAvgUpLine", s.dispAvgUpLine);
    w.Int(L"DisplayTimeGrid", s.displayTimeGrid);
    w.Int(L"DisplayTimeText", s.displayTimeText);
    w.Int(L"ScaleGridOnTop", s.scaleGridOnTop);
    w.Int(L"TimeGridOnTop", s.timeGridOnTop);
    w.Int(L"TimeTextOnTop", s.timeTextOnTop);
  }
  if (groups & kSaveTray) {
    w.Int(L"DispIconSystray", s.dispIconSystray);
    w.Int(L"ShowGraphInSystray", s.showGraphInSystray);
    w.Int(L"ShowAdapterNameInSystrayTips", s.showAdapterNameInSystrayTips);
    w.Int(L"ShowAdapterIPInSystrayTips", s.showAdapterIpInSystrayTips);
    w.Int(L"STIfType", s.trayKind);
    w.String(L"STAdpID", WidenTrayId(s.trayAdapterId));
  }
  if (groups & kSaveColors) {
    w.Colour(L"GraphBkgColor", s.graphBkgColor);
    w.Colour(L"DownColor", s.downColor);
    w.Colour(L"BothDownUpColor", s.bothDownUpColor);
    w.Colour(L"GridColor", s.gridColor);
    w.Colour(L"UpColor", s.upColor);
    w.Colour(L"AvgDownLineColor", s.avgDownLineColor);
    w.Colour(L"AvgUpLineColor", s.avgUpLineColor);
    w.Colour(L"TitleBkgColor", s.titleBkgColor);
    w.Colour(L"TitleTextColor", s.titleTextColor);
    w.Colour(L"ScaleTextColor", s.scaleTextColor);
    w.Colour(L"RateTextColor", s.rateTextColor);
    w.Colour(L"RateBkgColor", s.rateBkgColor);
    w.Colour(L"BorderColor", s.borderColor);
    w.Colour(L"TimeGridColor", s.timeGridColor);
    w.Colour(L"TimeTextColor", s.timeTextColor);
  }
  if (groups & kSaveGraphStyle) {
    w.Int(L"PulseSpace", s.pulseSpace);
    w.Int(L"PulseWidth", s.pulseWidth);
    w.Int(L"ScaleGridLineStyle", s.scaleGridLineStyle);
    w.Int(L"TimeGridLineStyle", s.timeGridLineStyle);
    w.Int(L"TimeGridIntervalSec", s.timeGridIntervalSec);
    w.Int(L"TimeFormat", s.timeFormat);
    w.Int(L"RateHeightPercent", s.rateHeightPercent);
    w.Int(L"GraphStyle", s.graphStyle);
  }
  if (groups & kSaveFonts) {
    w.Font(L"TimeTextFontU", s.timeTextFont);
    w.Font(L"RateFontU", s.rateFont);
    w.Font(L"ScaleFontU", s.scaleFont);
    w.Font(L"TitleFontU", s.titleFont);
  }
  if (groups & kSaveNotification) {
    w.Int(L"NotificationEnabled", s.notificationEnabled);
    AlertRule rule = s.rule;
    rule.version = kAlertRuleVersion;
    w.Binary(L"NotificationEx2U", SerializeAlertRule(rule));
  }
  if (groups & kSaveWindow) {
    if (windowRect) {
      std::vector<uint8_t> rect(kWndPositionSize);
      PutU32Le(&rect[0], static_cast<uint32_t>(windowRect->left));
      PutU32Le(&rect[4], static_cast<uint32_t>(windowRect->top));
      PutU32Le(&rect[8], static_cast<uint32_t>(windowRect->right));
      PutU32Le(&rect[12], static_cast<uint32_t>(windowRect->bottom));
      w.Binary(L"WndPosition", rect);
    }
    w.Int(L"StopwatchResetAdapterGraph", s.stopwatchResetAdapterGraph);
    w.Int(L"StopwatchAlwaysOnTop", s.stopwatchAlwaysOnTop);
  }
  return w.ok();
}
