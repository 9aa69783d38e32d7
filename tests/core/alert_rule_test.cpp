#include <gtest/gtest.h>

#include "base/bytes.h"
#include "settings/alert_rule.h"

namespace {
AlertRule FullRule() {
  AlertRule r;
  r.version = 3;
  r.kind = 300;
  r.adapterId = "{4E6574446576-0001}";
  r.threshold = L"1.5";
  r.unit = kUnitGB;
  r.transfer = kTransferBoth;
  r.period = kPeriodLastDays;
  r.playSound = 1;
  r.soundFile = L"C:\\Sounds\\ding.wav";
  r.beep = 1;
  r.beepPattern = 7;
  r.lastDays = 14;
  r.sendMail = 1;
  r.recipients = L"a@example.org,b@example.org";
  r.runProgram = 1;
  r.program = L"C:\\Tools\\cut \u00e9.exe";
  return r;
}

}  // namespace

TEST(AlertRuleImage, FieldsLieAtTheDocumentedOffsets) {
  std::vector<uint8_t> img = SerializeAlertRule(FullRule());
  ASSERT_EQ(img.size(), 1992u);
  EXPECT_EQ(GetU32Le(&img[0]), 3u);
  EXPECT_EQ(GetU32Le(&img[4]), 300u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&img[8])), "{4E6574446576-0001}");
  EXPECT_EQ(img[268], '1');
  EXPECT_EQ(img[269], 0);
  EXPECT_EQ(img[270], '.');
  EXPECT_EQ(img[272], '5');
  EXPECT_EQ(img[274], 0);
  EXPECT_EQ(GetU32Le(&img[396]), 3u);
  EXPECT_EQ(GetU32Le(&img[400]), 2u);
  EXPECT_EQ(GetU32Le(&img[404]), 2u);
  EXPECT_EQ(GetU32Le(&img[408]), 1u);
  EXPECT_EQ(img[412], 'C');
  EXPECT_EQ(GetU32Le(&img[932]), 1u);
  EXPECT_EQ(GetU32Le(&img[936]), 7u);
  EXPECT_EQ(GetU32Le(&img[940]), 14u);
  EXPECT_EQ(GetU32Le(&img[944]), 1u);
  EXPECT_EQ(img[948], 'a');
  EXPECT_EQ(GetU32Le(&img[1468]), 1u);
  EXPECT_EQ(img[1472], 'C');
  // "C:\Tools\cut é.exe": the é is one UTF-16 unit at index 13.
  EXPECT_EQ(img[1472 + 26], 0xE9);
  EXPECT_EQ(img[1472 + 27], 0x00);
}

TEST(AlertRuleImage, RoundTripsByteExactly) {
  AlertRule r = FullRule();
  std::vector<uint8_t> img = SerializeAlertRule(r);
  AlertRule back;
  ASSERT_TRUE(ParseAlertRule(img, back));
  EXPECT_EQ(back, r);
  EXPECT_EQ(SerializeAlertRule(back), img);

  // The empty rule is the all-zero image.
  EXPECT_EQ(SerializeAlertRule(AlertRule{}), std::vector<uint8_t>(1992, 0));

  // Images of any other size are refused and leave the record alone.
  EXPECT_FALSE(ParseAlertRule(std::vector<uint8_t>(1991, 0), back));
  EXPECT_FALSE(ParseAlertRule(std::vector<uint8_t>(1993, 0), back));
  EXPECT_EQ(back, r);
}

TEST(AlertRuleImage, OverlongTextsAreCutToTheirFieldsAndStayTerminated) {
  AlertRule r;
  r.adapterId = std::string(300, 'A');
  r.threshold = std::wstring(100, L'9');
  r.soundFile = std::wstring(400, L's');
  r.recipients = std::wstring(400, L'r');
  r.program = std::wstring(400, L'p');
  std::vector<uint8_t> img = SerializeAlertRule(r);
  ASSERT_EQ(img.size(), 1992u);
  EXPECT_EQ(img[8 + 259], 0);      // id terminator
  EXPECT_EQ(GetU32Le(&img[396]), 0u);  // the threshold did not spill into the unit
  AlertRule back;
  ASSERT_TRUE(ParseAlertRule(img, back));
  EXPECT_EQ(back.adapterId.size(), 259u);
  EXPECT_EQ(back.threshold.size(), 63u);
  EXPECT_EQ(back.soundFile.size(), 259u);
  EXPECT_EQ(back.recipients.size(), 259u);
  EXPECT_EQ(back.program.size(), 259u);

  // Unterminated fields in a foreign image end at their field's limit.
  std::vector<uint8_t> full(1992, 0x41);
  ASSERT_TRUE(ParseAlertRule(full, back));
  EXPECT_EQ(back.adapterId.size(), 259u);
  EXPECT_EQ(back.threshold.size(), 63u);
  EXPECT_EQ(back.program.size(), 259u);
}
