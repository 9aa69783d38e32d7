#include <gtest/gtest.h>

#include "settings/logfont.h"

TEST(LogFontImage, FieldsLieAtTheirOffsetsLittleEndian) {
  LogFont f;
  f.height = -13;
  f.width = 0x01020304;
  f.escapement = 5;
  f.orientation = 6;
  f.weight = 700;
  f.italic = 1;
  f.underline = 2;
  f.strikeOut = 3;
  f.charSet = 4;
  f.outPrecision = 5;
  f.clipPrecision = 6;
  f.quality = 7;
  f.pitchAndFamily = 8;
  f.SetFaceName(L"T\u00e9");
  std::vector<uint8_t> img = SerializeLogFont(f);
  ASSERT_EQ(img.size(), 92u);
  EXPECT_EQ((std::vector<uint8_t>(img.begin(), img.begin() + 4)), (std::vector<uint8_t>{0xF3, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ((std::vector<uint8_t>(img.begin() + 4, img.begin() + 8)), (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(img[8], 5);
  EXPECT_EQ(img[12], 6);
  EXPECT_EQ(img[16], 0xBC);  // 700
  EXPECT_EQ(img[17], 0x02);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(img[20 + i], i + 1) << i;
  // The face name is UTF-16LE, two bytes per unit, whatever the width of wchar_t.
  EXPECT_EQ(img[28], 'T');
  EXPECT_EQ(img[29], 0);
  EXPECT_EQ(img[30], 0xE9);
  EXPECT_EQ(img[31], 0);
  for (size_t i = 32; i < 92; ++i) EXPECT_EQ(img[i], 0) << i;

  LogFont back;
  ASSERT_TRUE(ParseLogFont(img, back));
  EXPECT_EQ(back, f);
  EXPECT_EQ(SerializeLogFont(back), img);
}

TEST(LogFontImage, DefaultsAreTahomaWithOnlyHeightAndWeight) {
  LogFont f = DefaultFont(12, 700);
  EXPECT_EQ(f.FaceName(), L"Tahoma");
  LogFont expected;
  expected.height = 12;
  expected.weight = 700;
  const char16_t tahoma[] = u"Tahoma";
  for (size_t i = 0; i < 6; ++i) expected.faceName[i] = tahoma[i];
  EXPECT_EQ(f, expected);
}

TEST(LogFontImage, DamagedImagesAreRefusedOrMadeSafe) {
  LogFont f = DefaultFont(13, 0);
  LogFont out = f;
  EXPECT_FALSE(ParseLogFont(std::vector<uint8_t>(91, 0x41), out));
  EXPECT_FALSE(ParseLogFont(std::vector<uint8_t>(93, 0x41), out));
  EXPECT_FALSE(ParseLogFont({}, out));
  EXPECT_EQ(out, f);

  // A face name filling every unit still comes back terminated.
  std::vector<uint8_t> img(92, 0x41);
  ASSERT_TRUE(ParseLogFont(img, out));
  EXPECT_EQ(out.faceName[31], 0);
  EXPECT_EQ(out.FaceName().size(), 31u);

  // Names longer than the field are cut to 31 units.
  f.SetFaceName(std::wstring(40, L'x'));
  EXPECT_EQ(f.FaceName(), std::wstring(31, L'x'));
}
