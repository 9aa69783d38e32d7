#include <gtest/gtest.h>

#include "log_test_support.h"

#include <cstring>

#include "trafficlog/log_format.h"

namespace {


void Append(std::vector<uint8_t>& bytes, const DayRecord& r) {
  uint8_t image[kDayRecordSize];
  EncodeDayRecord(r, image);
  bytes.insert(bytes.end(), image, image + kDayRecordSize);
}

std::vector<uint8_t> Header() {
  uint8_t h[kLogHeaderSize];
  EncodeLogHeader(h);
  return std::vector<uint8_t>(h, h + kLogHeaderSize);
}

}  // namespace

TEST(LogFormat, HeaderIsSignatureVersionAndZeros) {
  const std::vector<uint8_t> h = Header();
  const std::vector<uint8_t> expected = {'N', 'T', 'S', 'L', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(h, expected);
  EXPECT_TRUE(IsCurrentLogHeader(h.data(), h.size()));
  std::vector<uint8_t> v1 = h;
  v1[4] = 1;
  EXPECT_FALSE(IsCurrentLogHeader(v1.data(), v1.size()));
  std::vector<uint8_t> sig = h;
  sig[3] = 'X';
  EXPECT_FALSE(IsCurrentLogHeader(sig.data(), sig.size()));
  EXPECT_FALSE(IsCurrentLogHeader(h.data(), 23));
}

TEST(LogFormat, DayRecordFieldsSitAtTheirOffsetsLittleEndian) {
  DayRecord r = Rec(2008, 3, 15, 300, "{ABC}", 0x0102030405060708ull, 0x1112131415161718ull);
  uint8_t b[kDayRecordSize];
  std::memset(b, 0xCC, sizeof b);
  EncodeDayRecord(r, b);
  EXPECT_EQ(b[0], 0xD8); EXPECT_EQ(b[1], 0x07);  // 2008
  EXPECT_EQ(b[2], 3);    EXPECT_EQ(b[3], 0);
  EXPECT_EQ(b[4], 15);   EXPECT_EQ(b[5], 0);
  EXPECT_EQ(b[6], 0);    EXPECT_EQ(b[7], 0);     // reserved
  EXPECT_EQ(b[8], 6);    EXPECT_EQ(b[9], 0);     // Saturday
  EXPECT_EQ(b[10], 0);   EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[12], 0x2C); EXPECT_EQ(b[13], 0x01); EXPECT_EQ(b[14], 0); EXPECT_EQ(b[15], 0);  // 300
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 16)), "{ABC}");
  for (int i = 16 + 5; i < 280; ++i) ASSERT_EQ(b[i], 0) << i;  // rest of the ID and the padding
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(b[280 + i], 8 - i);
    EXPECT_EQ(b[288 + i], 0x18 - i);
  }
  const DayRecord back = DecodeDayRecord(b);
  EXPECT_EQ(back.year, 2008);
  EXPECT_EQ(back.month, 3);
  EXPECT_EQ(back.day, 15);
  EXPECT_EQ(back.weekday, 6);
  EXPECT_EQ(back.kind, 300);
  EXPECT_EQ(back.id, "{ABC}");
  EXPECT_EQ(back.down, r.down);
  EXPECT_EQ(back.up, r.up);

  // A negative kind survives the signed field.
  r.kind = -5;
  EncodeDayRecord(r, b);
  EXPECT_EQ(DecodeDayRecord(b).kind, -5);
}

TEST(LogFormat, IdFieldAlwaysKeepsItsTerminatorAndIsReadSafelyWithout) {
  DayRecord r = Rec(2008, 1, 1, 300, std::string(400, 'x'), 1, 2);
  uint8_t b[kDayRecordSize];
  EncodeDayRecord(r, b);
  EXPECT_EQ(b[16 + 259], 0);
  EXPECT_EQ(DecodeDayRecord(b).id, std::string(259, 'x'));

  // Written by someone else without any NUL: the ID ends at the field's end,
  // and the padding and counters are not read into it.
  std::memset(b + 16, 'Q', 260);
  std::memset(b + 276, 'P', 4);
  const DayRecord back = DecodeDayRecord(b);
  EXPECT_EQ(back.id, std::string(260, 'Q'));
  EXPECT_EQ(back.down, 1u);
}

TEST(LogFormat, ScanReadsWholeRecordsAtTheirOffsetsAndIgnoresATornTail) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(Header());
  // Two whole blocks and part of a third, then a torn tail.
  const int count = static_cast<int>(2 * kScanBlockRecords + 600);
  for (int k = 0; k < count; ++k) Append(*bytes, Rec(2008, 1, 1 + k % 28, 100 + 100 * (k % 3), k % 3 == 2 ? "ID" : "", k, 2 * k));
  bytes->insert(bytes->end(), 100, 0xAB);  // an interrupted append
  MemoryLogFile file(bytes);

  RecordScanner scan(&file);
  DayRecord r;
  uint64_t offset = 0;
  int k = 0;
  while (scan.Next(r, offset)) {
    ASSERT_EQ(offset, RecordOffset(k));
    ASSERT_EQ(r.down, static_cast<uint64_t>(k));
    ++k;
  }
  EXPECT_EQ(k, count);
  EXPECT_EQ(file.reads, 3);

  RecordScanner only(&file);
  int adapters = 0;
  while (only.NextOf(300, "ID", r, offset)) {
    EXPECT_EQ((offset - kLogHeaderSize) / kDayRecordSize % 3, 2u);
    ++adapters;
  }
  EXPECT_EQ(adapters, count / 3);
  RecordScanner none(&file);
  EXPECT_FALSE(none.NextOf(300, "id", r, offset));  // IDs match case-sensitively
}

TEST(LogFormat, ScanOfNoFileAHeaderOnlyOrAFailingReadFindsNothing) {
  DayRecord r;
  uint64_t offset;
  RecordScanner noFile(nullptr);
  EXPECT_FALSE(noFile.Next(r, offset));

  auto bytes = std::make_shared<std::vector<uint8_t>>(Header());
  MemoryLogFile headerOnly(bytes);
  RecordScanner empty(&headerOnly);
  EXPECT_FALSE(empty.Next(r, offset));

  Append(*bytes, Rec(2008, 1, 1, 100, "", 1, 1));
  MemoryLogFile failing(bytes);
  failing.failReads = true;
  RecordScanner broken(&failing);
  EXPECT_FALSE(broken.Next(r, offset));
}

TEST(LogFormat, OldLogConvertsAggregatesAndPresentAdaptersOnly) {
  auto old = std::make_shared<std::vector<uint8_t>>();
  auto addOld = [&](int32_t kind, const uint8_t mac[8], uint64_t down, uint64_t up) {
    uint8_t raw[kOldRecordSize] = {};
    raw[0] = 0xD8; raw[1] = 0x07; raw[2] = 2; raw[4] = 29; raw[8] = 5;  // 29 Feb 2008, Friday
    raw[6] = 0x77;  // a reserved byte, carried over as it was
    for (int i = 0; i < 4; ++i) raw[12 + i] = static_cast<uint8_t>(static_cast<uint32_t>(kind) >> (8 * i));
    std::memcpy(raw + 16, mac, 8);
    for (int i = 0; i < 8; ++i) raw[24 + i] = static_cast<uint8_t>(down >> (8 * i));
    for (int i = 0; i < 8; ++i) raw[32 + i] = static_cast<uint8_t>(up >> (8 * i));
    old->insert(old->end(), raw, raw + kOldRecordSize);
  };
  const uint8_t present[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  const uint8_t gone[8] = {9, 9, 9, 9, 9, 9, 0, 0};
  addOld(100, gone, 10, 11);
  addOld(7, present, 20, 21);
  addOld(7, gone, 30, 31);
  addOld(200, present, 40, 41);
  old->insert(old->end(), 39, 0xEE);  // torn tail
  const std::vector<uint8_t> oldCopy = *old;

  // Address bytes beyond the address length take no part in matching or in the ID.
  AdapterInfo nic;
  nic.name = "eth";
  std::memcpy(nic.address, present, 8);
  nic.address[6] = nic.address[7] = 0xFF;
  nic.addressLength = 6;
  MemoryLogFile oldFile(old, false);
  auto fresh = std::make_shared<std::vector<uint8_t>>(Header());
  MemoryLogFile newFile(fresh);
  EXPECT_EQ(ConvertOldRecords(oldFile, newFile, {nic}), 3u);
  EXPECT_EQ(*old, oldCopy);
  ASSERT_EQ(fresh->size(), kLogHeaderSize + 3 * kDayRecordSize);
  EXPECT_GE(newFile.flushes, 1);

  RecordScanner scan(&newFile);
  DayRecord r;
  uint64_t offset;
  ASSERT_TRUE(scan.Next(r, offset));
  EXPECT_EQ(r.kind, 100);
  EXPECT_EQ(r.id, "");
  EXPECT_EQ(r.down, 10u);
  EXPECT_EQ((*fresh)[offset + 6], 0x77);
  ASSERT_TRUE(scan.Next(r, offset));
  EXPECT_EQ(r.kind, 7);
  EXPECT_EQ(r.id, "0102030405060000");
  EXPECT_EQ(r.year, 2008);
  EXPECT_EQ(r.month, 2);
  EXPECT_EQ(r.day, 29);
  EXPECT_EQ(r.weekday, 5);
  EXPECT_EQ(r.up, 21u);
  ASSERT_TRUE(scan.Next(r, offset));
  EXPECT_EQ(r.kind, 200);
  EXPECT_EQ(r.id, "");
  EXPECT_EQ(r.down, 40u);
  EXPECT_FALSE(scan.Next(r, offset));
}
