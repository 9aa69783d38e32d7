#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "settings/autostart.h"
#include "settings/meter_settings.h"
#include "settings/registry_win.h"
#include "shell_support.h"

namespace {
struct RawValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};

bool ReadRaw(const std::wstring& key, const std::wstring& name, RawValue& out) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = ::RegQueryValueExW(k, name.c_str(), nullptr, &out.type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    out.data.assign(size, 0);
    rc = ::RegQueryValueExW(k, name.c_str(), nullptr, &out.type, out.data.data(), &size);
  }
  ::RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

void WriteRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size) {
  HKEY k = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegSetValueExW(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  ::RegCloseKey(k);
}
}  // namespace

TEST(SettingsRegistry, SavedValuesHaveTheDocumentedTypesAndSizesAndLoadBack) {
  TestRegistryRoot root;
  const std::wstring key = root.key(L"Options");
  Win32Registry reg;

  MeterSettings s;
  s.weekStartDay = 3;
  s.trayKind = 300;
  s.trayAdapterId = "{00000004-0000-0000-0000-4E6574446576}";
  s.downColor = 0x00112233;
  s.titleFont = DefaultFont(-15, 700);
  s.titleFont.SetFaceName(L"Courier New");
  s.notificationEnabled = 1;
  s.rule.kind = 300;
  s.rule.adapterId = s.trayAdapterId;
  s.rule.threshold = L"1.5";
  s.rule.unit = kUnitGB;
  s.rule.lastDays = 7;
  s.rule.soundFile = L"C:\\windows\\media\\ding.wav";
  s.hwnd = 0x10024;
  const ScreenRect rect{-1200, 10, -900, 210};
  ASSERT_TRUE(SaveSettings(reg, RegRoot::CurrentUser, root.root(), s, kSaveAllGroups, &rect));

  RawValue v;
  for (const wchar_t* font : {L"TimeTextFontU", L"RateFontU", L"ScaleFontU", L"TitleFontU"}) {
    ASSERT_TRUE(ReadRaw(key, font, v)) << font;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(v.data.size(), 92u);
  }
  // The stored font is the platform's own LOGFONTW.
  ASSERT_TRUE(ReadRaw(key, L"TitleFontU", v));
  static_assert(sizeof(LOGFONTW) == 92);
  LOGFONTW lf;
  memcpy(&lf, v.data.data(), sizeof lf);
  EXPECT_EQ(lf.lfHeight, -15);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_STREQ(lf.lfFaceName, L"Courier New");

  ASSERT_TRUE(ReadRaw(key, L"NotificationEx2U", v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(v.data.size(), 1992u);
  EXPECT_EQ(v.data[0], 3);
  ASSERT_TRUE(ReadRaw(key, L"WndPosition", v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(v.data.size(), 16u);
  RECT r;
  memcpy(&r, v.data.data(), sizeof r);
  EXPECT_EQ(r.left, -1200);
  EXPECT_EQ(r.bottom, 210);
  ASSERT_TRUE(ReadRaw(key, L"STAdpID", v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(v.data.size(), (s.trayAdapterId.size() + 1) * 2);
  for (const wchar_t* dword : {L"HWND", L"WeekStartDay", L"STIfType", L"DownColor", L"NotificationEnabled"}) {
    ASSERT_TRUE(ReadRaw(key, dword, v)) << dword;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << dword;
    EXPECT_EQ(v.data.size(), 4u) << dword;
  }
  MeterSettings back;
  ScreenRect backRect;
  ASSERT_TRUE(LoadSettings(reg, root.root(), back, &backRect));
  MeterSettings expected = s;
  expected.rule.version = 3;
  expected.hwnd = 0;
  EXPECT_EQ(back, expected);
  EXPECT_EQ(backRect, rect);
}

TEST(SettingsRegistry, ForeignValuesFallBackWithoutHarm) {
  TestRegistryRoot root;
  const std::wstring key = root.key(L"Options");
  Win32Registry reg;

  const wchar_t unterminated[3] = {L'a', L'b', L'c'};
  WriteRaw(key, L"STAdpID", REG_SZ, unterminated, 5);  // odd length, no terminator
  const WORD shortValue = 4;
  WriteRaw(key, L"WeekStartDay", REG_DWORD, &shortValue, sizeof shortValue);
  const uint64_t wide = 5;
  WriteRaw(key, L"MonthStartDay", REG_QWORD, &wide, sizeof wide);
  const BYTE font[91] = {12};
  WriteRaw(key, L"RateFontU", REG_BINARY, font, sizeof font);
  const DWORD one = 1;
  WriteRaw(key, L"NotificationEnabled", REG_DWORD, &one, sizeof one);
  std::vector<BYTE> rule(1992, 0);
  rule[0] = 1;
  WriteRaw(key, L"NotificationEx2U", REG_BINARY, rule.data(), static_cast<DWORD>(rule.size()));
  WriteRaw(key, L"WndPosition", REG_SZ, L"1,2,3,4", 16);

  MeterSettings s;
  ScreenRect rect;
  ASSERT_TRUE(LoadSettings(reg, root.root(), s, &rect));
  EXPECT_EQ(s.trayAdapterId, "AB");
  EXPECT_EQ(s.weekStartDay, 0);
  EXPECT_EQ(s.monthStartDay, 1);
  EXPECT_EQ(s.rateFont, DefaultFont(13, 0));
  EXPECT_EQ(s.notificationEnabled, 0);
  EXPECT_TRUE(rect.IsEmpty());

  // The load never rewrites what it could not use.
  RawValue v;
  ASSERT_TRUE(ReadRaw(key, L"MonthStartDay", v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_QWORD));

  MeterSettings missing;
  EXPECT_FALSE(LoadSettings(reg, root.root() + L"Nothing\\", missing));
  EXPECT_EQ(missing, MeterSettings{});
}

TEST(SettingsRegistry, StoreOperationsOnTheRealRegistry) {
  TestRegistryRoot root;
  Win32Registry reg;
  const std::wstring base = root.key(L"Store");
  ASSERT_TRUE(reg.WriteDword(RegRoot::CurrentUser, base + L"\\300-A\\", L"Monitored", 1));
  ASSERT_TRUE(reg.WriteString(RegRoot::CurrentUser, base + L"\\100-", L"AdapterName", L"All Connections"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, base + L"\\300-a"));

  std::vector<std::wstring> names;
  ASSERT_TRUE(reg.EnumSubkeys(RegRoot::CurrentUser, base, names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"100-", L"300-A"}));
  ASSERT_TRUE(reg.EnumValues(RegRoot::CurrentUser, base + L"\\100-", names));
  EXPECT_EQ(names, std::vector<std::wstring>{L"AdapterName"});

  uint32_t type = 0, size = 0;
  ASSERT_TRUE(reg.QueryValue(RegRoot::CurrentUser, base + L"\\100-", L"adaptername", type, size));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 2u * 16);
  uint32_t d = 0;
  EXPECT_FALSE(reg.ReadDword(RegRoot::CurrentUser, base + L"\\100-", L"AdapterName", d));

  EXPECT_TRUE(reg.DeleteValue(RegRoot::CurrentUser, base + L"\\100-", L"ADAPTERNAME"));
  EXPECT_FALSE(reg.DeleteValue(RegRoot::CurrentUser, base + L"\\100-", L"AdapterName"));
  EXPECT_TRUE(reg.DeleteKey(RegRoot::CurrentUser, base));
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, base + L"\\300-A"));
  EXPECT_FALSE(reg.DeleteKey(RegRoot::CurrentUser, L"\\"));
}

TEST(SettingsRegistry, AutostartValueInTheRunKey) {
  TestRegistryRoot root;
  Win32Registry reg;
  const std::wstring run = root.key(L"Run");
  EXPECT_FALSE(IsAutostartOn(reg, run));
  ASSERT_TRUE(SetAutostart(reg, true, L"C:\\Program Files\\Zephra\\zephra.exe", run));
  RawValue v;
  ASSERT_TRUE(ReadRaw(run, L"Zephra", v));
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(IsAutostartOn(reg, run));
  ASSERT_TRUE(SetAutostart(reg, false, L"", run));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, run, L"Zephra"));
}
