// Rate, byte-count and date texts: every row boundary in both unit modes, the
// rounding printf gives, and independence from the process locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <string>

#include "base/dates.h"
#include "base/format.h"

namespace {

constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();

TEST(FormatRate, BytesRowBoundaries) {
  EXPECT_EQ(FormatRate(0, true), L"0 B/s");
  EXPECT_EQ(FormatRate(999, true), L"999 B/s");
  EXPECT_EQ(FormatRate(1000, true), L"0.98 KB/s");
  EXPECT_EQ(FormatRate(10239, true), L"10.00 KB/s");
  EXPECT_EQ(FormatRate(10240, true), L"10.0 KB/s");
  EXPECT_EQ(FormatRate(1023947, true), L"999.9 KB/s");
  EXPECT_EQ(FormatRate(1023948, true), L"0.98 MB/s");
  EXPECT_EQ(FormatRate(10485759, true), L"10.00 MB/s");
  EXPECT_EQ(FormatRate(10485760, true), L"10.0 MB/s");
  EXPECT_EQ(FormatRate(1048523570, true), L"999.9 MB/s");
  EXPECT_EQ(FormatRate(1048523571, true), L"0.98 GB/s");
  EXPECT_EQ(FormatRate(0xFFFFFFFFu, true), L"4.00 GB/s");
}

TEST(FormatRate, BitsRowBoundaries) {
  EXPECT_EQ(FormatRate(0, false), L"0 bps");
  EXPECT_EQ(FormatRate(124, false), L"992 bps");
  EXPECT_EQ(FormatRate(125, false), L"1.00 kbps");
  EXPECT_EQ(FormatRate(1249, false), L"9.99 kbps");
  EXPECT_EQ(FormatRate(1250, false), L"10.0 kbps");
  EXPECT_EQ(FormatRate(124993, false), L"999.9 kbps");  // 999944 bits
  EXPECT_EQ(FormatRate(124994, false), L"1.00 mbps");   // 999952 bits
  EXPECT_EQ(FormatRate(1249999, false), L"10.00 mbps");
  EXPECT_EQ(FormatRate(1250000, false), L"10.0 mbps");
  EXPECT_EQ(FormatRate(124993749, false), L"999.9 mbps");
  EXPECT_EQ(FormatRate(124993750, false), L"1.00 gbps");
}

// From 2^29 bytes per second on the bit rate needs more than 32 bits.
TEST(FormatRate, BitsAboveThirtyTwoBitsDoNotWrap) {
  EXPECT_EQ(FormatRate(536870911, false), L"4.29 gbps");  // 2^32 - 8 bits
  EXPECT_EQ(FormatRate(536870912, false), L"4.29 gbps");  // 2^32 bits
  EXPECT_EQ(FormatRate(1249999999, false), L"10.00 gbps");
  EXPECT_EQ(FormatRate(1250000000, false), L"10.0 gbps");
  EXPECT_EQ(FormatRate(0xFFFFFFFFu, false), L"34.4 gbps");
}

TEST(FormatRate, RoundsAsPrintfOnTheComputedValue) {
  // Exact binary halves round to even, as printf does.
  EXPECT_EQ(FormatRate(1152, true), L"1.12 KB/s");  // 1.125
  EXPECT_EQ(FormatRate(1408, true), L"1.38 KB/s");  // 1.375
  EXPECT_EQ(FormatRate(10496, true), L"10.2 KB/s");  // 10.25
  EXPECT_EQ(FormatRate(11008, true), L"10.8 KB/s");  // 10.75
  // The decimal factors are single-precision: 1135000 bits is a little below
  // 1.135 mbps, and 1005000000 bits a little below 1.005 gbps.
  EXPECT_EQ(FormatRate(141875, false), L"1.13 mbps");
  EXPECT_EQ(FormatRate(125625000, false), L"1.00 gbps");
}

TEST(FormatByteCount, BytesRowBoundaries) {
  EXPECT_EQ(FormatByteCount(kMin64, true), L"-9223372036854775808 B");
  EXPECT_EQ(FormatByteCount(-5, true), L"-5 B");
  EXPECT_EQ(FormatByteCount(0, true), L"0 B");
  EXPECT_EQ(FormatByteCount(999, true), L"999 B");
  EXPECT_EQ(FormatByteCount(1000, true), L"1.0 KB");
  EXPECT_EQ(FormatByteCount(1023999, true), L"1000.0 KB");
  EXPECT_EQ(FormatByteCount(1024000, true), L"0.98 MB");
  EXPECT_EQ(FormatByteCount(1048575999, true), L"1000.00 MB");
  EXPECT_EQ(FormatByteCount(1048576000, true), L"0.98 GB");
  EXPECT_EQ(FormatByteCount(INT64_C(1073741823999), true), L"1000.00 GB");
  EXPECT_EQ(FormatByteCount(INT64_C(1073741824000), true), L"0.98 TB");
  EXPECT_EQ(FormatByteCount(kMax64, true), L"8388608.00 TB");
}

TEST(FormatByteCount, BitsRowBoundaries) {
  EXPECT_EQ(FormatByteCount(-1, false), L"-8 b");
  EXPECT_EQ(FormatByteCount(0, false), L"0 b");
  EXPECT_EQ(FormatByteCount(124, false), L"992 b");
  EXPECT_EQ(FormatByteCount(125, false), L"1.0 kb");
  EXPECT_EQ(FormatByteCount(124999, false), L"1000.0 kb");
  EXPECT_EQ(FormatByteCount(125000, false), L"1.00 mb");
  EXPECT_EQ(FormatByteCount(124999999, false), L"1000.00 mb");
  EXPECT_EQ(FormatByteCount(125000000, false), L"1.00 gb");
  EXPECT_EQ(FormatByteCount(INT64_C(124999999999), false), L"1000.00 gb");
  EXPECT_EQ(FormatByteCount(INT64_C(125000000000), false), L"1.00 tb");
}

// Bit counts beyond 32 bits (negative) and beyond 64 bits are printed whole.
TEST(FormatByteCount, BitsNeverWrap) {
  EXPECT_EQ(FormatByteCount(-268435457, false), L"-2147483656 b");
  EXPECT_EQ(FormatByteCount(kMin64 / 8, false), L"-9223372036854775808 b");
  EXPECT_EQ(FormatByteCount(kMin64 / 8 - 1, false), L"-9223372036854775816 b");
  EXPECT_EQ(FormatByteCount(kMin64, false), L"-73786976294838206464 b");
  EXPECT_EQ(FormatByteCount(kMax64 / 8, false), L"9223372.04 tb");
  EXPECT_EQ(FormatByteCount(kMax64 / 8 + 1, false), L"9223372.04 tb");
  EXPECT_EQ(FormatByteCount(kMax64, false), L"73786976.29 tb");
}

TEST(FormatByteCountShort, SameThresholdsOneLetterUnits) {
  EXPECT_EQ(FormatByteCountShort(-5, true), "-5");
  EXPECT_EQ(FormatByteCountShort(999, true), "999");
  EXPECT_EQ(FormatByteCountShort(1000, true), "1.0K");
  EXPECT_EQ(FormatByteCountShort(1023999, true), "1000.0K");
  EXPECT_EQ(FormatByteCountShort(1024000, true), "0.98M");
  EXPECT_EQ(FormatByteCountShort(1048576000, true), "0.98G");
  EXPECT_EQ(FormatByteCountShort(INT64_C(1073741824000), true), "0.98T");
  EXPECT_EQ(FormatByteCountShort(-1, false), "-8");
  EXPECT_EQ(FormatByteCountShort(124, false), "992");
  EXPECT_EQ(FormatByteCountShort(125, false), "1.0K");
  EXPECT_EQ(FormatByteCountShort(125000, false), "1.00M");
  EXPECT_EQ(FormatByteCountShort(125000000, false), "1.00G");
  EXPECT_EQ(FormatByteCountShort(INT64_C(125000000000), false), "1.00T");
}

TEST(FormatDate, EveryCodeAndAnUnknownOne) {
  EXPECT_EQ(FormatDate(0x11, 2008, 3, 7), L"03/07/2008");
  EXPECT_EQ(FormatDate(0x77, 2008, 3, 7), L"03.07.2008");
  EXPECT_EQ(FormatDate(0x22, 2008, 3, 7), L"07/03/2008");
  EXPECT_EQ(FormatDate(0x66, 2008, 3, 7), L"07.03.2008");
  EXPECT_EQ(FormatDate(0x33, 2008, 3, 7), L"2008/03/07");
  EXPECT_EQ(FormatDate(0x44, 2008, 3, 7), L"2008-03-07");
  EXPECT_EQ(FormatDate(0x55, 2008, 3, 7), L"2008.03.07");
  EXPECT_EQ(FormatDate(0, 2008, 3, 7), L"03/07/2008");
  EXPECT_EQ(FormatDate(-1, 2008, 12, 31), L"12/31/2008");
}

TEST(FormatDate, FieldsAreSixteenBitAndPadded) {
  EXPECT_EQ(FormatDate(0x44, 8, 1, 2), L"0008-01-02");
  EXPECT_EQ(FormatDate(0x44, 65535, 12, 31), L"65535-12-31");
  EXPECT_EQ(FormatDate(0x44, 65536 + 2008, 65536 + 3, 7), L"2008-03-07");
}

// The General page's list: each label describes the text its code gives.
TEST(FormatDate, ChoiceLabelsMatchTheirTexts) {
  ASSERT_EQ(std::size(kDateFormatChoices), 7u);
  EXPECT_EQ(kDateFormatChoices[0].code, 0x11);
  EXPECT_EQ(kDateFormatChoices[6].code, 0x55);
  for (const DateFormatChoice& choice : kDateFormatChoices) {
    std::wstring label = choice.label;
    label.replace(label.find(L"YYYY"), 4, L"2008");
    label.replace(label.find(L"MM"), 2, L"03");
    label.replace(label.find(L"DD"), 2, L"07");
    EXPECT_EQ(FormatDate(choice.code, 2008, 3, 7), label) << choice.label;
  }
  EXPECT_STREQ(kWeekdayNames[DayOfWeek(CivilDate{2008, 3, 7})], L"Friday");
  EXPECT_STREQ(kWeekdayNamesNarrow[0], "Sunday");
}

// A process that takes its locale from the environment (German: decimal comma)
// still gets the same texts.
TEST(FormatLocale, TextsIgnoreTheProcessLocale) {
  const char* chosen = std::setlocale(LC_ALL, "");
  if (!chosen || std::strcmp(std::localeconv()->decimal_point, ",") != 0) chosen = std::setlocale(LC_ALL, "German");
  if (!chosen || std::strcmp(std::localeconv()->decimal_point, ",") != 0) chosen = std::setlocale(LC_ALL, "de-DE");
  if (!chosen || std::strcmp(std::localeconv()->decimal_point, ",") != 0) chosen = std::setlocale(LC_ALL, "de_DE.UTF-8");
  const bool comma = chosen && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  const std::wstring rate = FormatRate(12800, true);
  const std::wstring bits = FormatRate(12500, false);
  const std::wstring count = FormatByteCount(1572864, true);
  const std::string shortCount = FormatByteCountShort(1000, false);
  std::setlocale(LC_ALL, "C");
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  EXPECT_EQ(rate, L"12.5 KB/s");
  EXPECT_EQ(bits, L"100.0 kbps");
  EXPECT_EQ(count, L"1.50 MB");
  EXPECT_EQ(shortCount, "8.0K");
}

}  // namespace
