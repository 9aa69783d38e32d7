#include <gtest/gtest.h>

#include "settings/memory_registry.h"

namespace {
const RegRoot kHkcu = RegRoot::CurrentUser;
}

TEST(MemoryRegistry, ValuesKeepTheirTypeAndReadsOfAnotherTypeFail) {
  MemoryRegistry reg;
  ASSERT_TRUE(reg.WriteDword(kHkcu, L"A\\B", L"Num", 0xDEADBEEF));
  ASSERT_TRUE(reg.WriteString(kHkcu, L"A\\B", L"Text", L"h\u00e9llo"));
  ASSERT_TRUE(reg.WriteBinary(kHkcu, L"A\\B", L"Bin", {1, 2, 3}));

  uint32_t d = 0;
  std::wstring s;
  std::vector<uint8_t> b;
  EXPECT_TRUE(reg.ReadDword(kHkcu, L"A\\B", L"Num", d));
  EXPECT_EQ(d, 0xDEADBEEFu);
  EXPECT_TRUE(reg.ReadString(kHkcu, L"A\\B", L"Text", s));
  EXPECT_EQ(s, L"h\u00e9llo");
  EXPECT_TRUE(reg.ReadBinary(kHkcu, L"A\\B", L"Bin", b));
  EXPECT_EQ(b, (std::vector<uint8_t>{1, 2, 3}));

  EXPECT_FALSE(reg.ReadString(kHkcu, L"A\\B", L"Num", s));
  EXPECT_FALSE(reg.ReadDword(kHkcu, L"A\\B", L"Text", d));
  EXPECT_FALSE(reg.ReadDword(kHkcu, L"A\\B", L"Bin", d));
  EXPECT_FALSE(reg.ReadDword(RegRoot::LocalMachine, L"A\\B", L"Num", d));

  uint32_t type = 0, size = 0;
  ASSERT_TRUE(reg.QueryValue(kHkcu, L"A\\B", L"Text", type, size));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 12u);  // five units and the terminator

  // A DWORD of the wrong length is not a DWORD.
  ASSERT_TRUE(reg.WriteRaw(kHkcu, L"A\\B", L"Short", kRegDword, {1, 2}));
  EXPECT_FALSE(reg.ReadDword(kHkcu, L"A\\B", L"Short", d));
}

TEST(MemoryRegistry, NamesCompareWithoutCaseAndPathsTolerateExtraSeparators) {
  MemoryRegistry reg;
  ASSERT_TRUE(reg.WriteDword(kHkcu, L"Software\\Quarlen\\Zephra\\Options", L"WeekStartDay", 3));
  uint32_t d = 0;
  EXPECT_TRUE(reg.ReadDword(kHkcu, L"SOFTWARE\\quarlen\\ZEPHRA\\options\\", L"weekstartday", d));
  EXPECT_EQ(d, 3u);
  ASSERT_TRUE(reg.WriteDword(kHkcu, L"software\\QUARLEN\\zephra\\OPTIONS", L"WEEKSTARTDAY", 4));
  std::vector<std::wstring> names;
  ASSERT_TRUE(reg.EnumValues(kHkcu, L"Software\\Quarlen\\Zephra\\Options", names));
  EXPECT_EQ(names, std::vector<std::wstring>{L"WeekStartDay"});  // rewritten, not duplicated
  EXPECT_TRUE(reg.KeyExists(kHkcu, L"Software\\\\Quarlen"));
}

TEST(MemoryRegistry, EnumeratesInCreationOrderAndDeletesWholeTrees) {
  MemoryRegistry reg;
  ASSERT_TRUE(reg.WriteDword(kHkcu, L"R\\300-B", L"Monitored", 1));
  ASSERT_TRUE(reg.CreateKey(kHkcu, L"R\\100-"));
  ASSERT_TRUE(reg.WriteDword(kHkcu, L"R\\300-B\\Deep", L"X", 1));
  std::vector<std::wstring> keys;
  ASSERT_TRUE(reg.EnumSubkeys(kHkcu, L"R", keys));
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"300-B", L"100-"}));
  EXPECT_FALSE(reg.EnumSubkeys(kHkcu, L"Nope", keys));
  EXPECT_TRUE(keys.empty());

  EXPECT_TRUE(reg.DeleteKey(kHkcu, L"r\\300-b"));
  EXPECT_FALSE(reg.KeyExists(kHkcu, L"R\\300-B\\Deep"));
  EXPECT_FALSE(reg.DeleteKey(kHkcu, L"R\\300-B"));
  EXPECT_FALSE(reg.DeleteKey(kHkcu, L""));
  EXPECT_FALSE(reg.DeleteValue(kHkcu, L"R\\100-", L"x"));
}
