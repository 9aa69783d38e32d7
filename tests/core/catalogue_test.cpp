#include <gtest/gtest.h>

#include <cstring>

#include "measure/catalogue.h"
#include "measure/scripted_source.h"
#include "settings/memory_registry.h"

namespace {

const std::wstring kRoot = L"Software\\CatalogueTest\\";
const std::wstring kAdapters = kRoot + L"AdaptersEx\\";
const std::string kGuidLower = "{4d36e972-e325-11ce-bfc1-08002be10318}";
const std::string kGuidUpper = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::vector<uint8_t> FloatLe(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
          static_cast<uint8_t>(bits >> 24)};
}

void StoreEntry(MemoryRegistry& reg, const std::wstring& subkey, const std::wstring& id, const std::wstring& name,
                bool monitored) {
  const std::wstring key = kAdapters + subkey;
  reg.WriteString(RegRoot::CurrentUser, key, L"AdapterID", id);
  reg.WriteString(RegRoot::CurrentUser, key, L"AdapterName", name);
  reg.WriteDword(RegRoot::CurrentUser, key, L"Monitored", monitored ? 1 : 0);
}

}  // namespace

TEST(AdapterIdTest, LongNamesUpperCasedShortNamesGiveHardwareAddress) {
  AdapterInfo a;
  a.name = kGuidLower;
  EXPECT_EQ(AdapterId(a), kGuidUpper);

  // 10 characters or fewer: the address, bytes beyond its length zeroed.
  a.name = "eth0123456";
  const uint8_t bytes[8] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xef, 0x77, 0x88};
  std::memcpy(a.address, bytes, 8);
  a.addressLength = 6;
  EXPECT_EQ(AdapterId(a), "001A2B3C4DEF0000");
  a.addressLength = 8;
  EXPECT_EQ(AdapterId(a), "001A2B3C4DEF7788");
  a.addressLength = 0;
  EXPECT_EQ(AdapterId(a), "0000000000000000");
  a.addressLength = 200;  // a bogus length reads no further than the 8 bytes
  EXPECT_EQ(AdapterId(a), "001A2B3C4DEF7788");

  a.name = "eth01234567";  // 11 characters
  EXPECT_EQ(AdapterId(a), "ETH01234567");
  a.name = std::string(400, 'g');  // never longer than the log's ID field
  EXPECT_EQ(AdapterId(a), std::string(259, 'G'));
}

TEST(CatalogueBuildTest, FirstStartCreatesAggregatesAndEveryLiveAdapter) {
  MemoryRegistry reg;
  ScriptedSource src;
  src.Add(kGuidLower, 1).row.inOctets = 5000;
  auto& ppp = src.Add("{PPP-ADAPTER-0000000000002}", 2, kIfTypePpp);
  ppp.row.description = "  ";
  Catalogue cat;
  EXPECT_TRUE(BuildCatalogue(cat, reg, src, kRoot));

  ASSERT_EQ(cat.size(), 4u);
  EXPECT_EQ(cat[0].kind, kKindAll);
  EXPECT_EQ(cat[0].name, L"All Connections");
  EXPECT_TRUE(cat[0].monitored);
  EXPECT_EQ(cat[1].kind, kKindDialUp);
  EXPECT_EQ(cat[1].name, L"Dial-Up Connections");
  EXPECT_FALSE(cat[1].monitored);

  EXPECT_EQ(cat[2].kind, kKindAdapter);
  EXPECT_EQ(cat[2].id, kGuidUpper);
  EXPECT_EQ(cat[2].name, L"Adapter 1");
  EXPECT_FALSE(cat[2].monitored);
  EXPECT_TRUE(cat[2].hasPrevious);
  EXPECT_EQ(cat[2].lastIn, 5000u);
  EXPECT_EQ(cat[2].ipAddress, "192.0.2.2");
  EXPECT_EQ(cat[2].interfaceType, 6u);
  // A blank description falls back by type.
  EXPECT_EQ(cat[3].description, L"WAN");
  EXPECT_EQ(cat[3].name, L"WAN");
  // Menu ids are given later by the meter window.
  EXPECT_EQ(cat[2].adapterMenuId, 0);
  EXPECT_EQ(cat[2].resetMenuId, 0);
  EXPECT_EQ(cat[2].history.capacity(), cat.maxHistory);
}

TEST(CatalogueBuildTest, StoredEntriesKeepUserSettingsAndRefreshDescription) {
  MemoryRegistry reg;
  StoreEntry(reg, L"300-" + Wide(kGuidUpper), Wide(kGuidUpper), L"My LAN", true);
  const std::wstring key = kAdapters + L"300-" + Wide(kGuidUpper);
  reg.WriteDword(RegRoot::CurrentUser, key, L"ConnRatebps", 8000000);
  reg.WriteBinary(RegRoot::CurrentUser, key, L"Size", FloatLe(0.5f));
  reg.WriteDword(RegRoot::CurrentUser, key, L"RecordNumberOnly", 1);
  reg.WriteDword(RegRoot::CurrentUser, key, L"RecordInterval", 10);
  reg.WriteString(RegRoot::CurrentUser, key, L"RecordFile", L"C:\\rates.csv");
  StoreEntry(reg, L"100-", L"", L"", false);  // empty name: the built-in one stays
  StoreEntry(reg, L"300-GONEADAPTER0000", L"goneadapter0000", L"Old modem", false);

  ScriptedSource src;
  auto& live = src.Add(kGuidLower, 7);  // listed in lower case
  live.row.description = "\t Fast Ethernet \r\n";
  live.row.inOctets = 123;
  Catalogue cat;
  BuildCatalogue(cat, reg, src, kRoot);

  ASSERT_EQ(cat.size(), 4u);  // no new entry: the lower-case name matched
  EXPECT_EQ(cat[0].name, L"All Connections");
  EXPECT_FALSE(cat[0].monitored);  // a stored entry is monitored
  AdapterEntry& lan = cat[2];
  EXPECT_EQ(lan.name, L"My LAN");
  EXPECT_EQ(lan.description, L"Fast Ethernet");
  EXPECT_TRUE(lan.monitored);
  EXPECT_EQ(lan.connectionRate, 8000000u);
  EXPECT_FLOAT_EQ(lan.size, 0.5f);
  EXPECT_EQ(lan.recordFlags & 1u, 1u);
  EXPECT_EQ(lan.recordInterval, 10);
  EXPECT_EQ(lan.recordFile, L"C:\\rates.csv");
  EXPECT_TRUE(lan.hasPrevious);
  EXPECT_EQ(lan.lastIn, 123u);

  // A stored adapter that is not present stays, without a baseline, its ID upper-cased.
  EXPECT_EQ(cat[3].id, "GONEADAPTER0000");
  EXPECT_EQ(cat[3].name, L"Old modem");
  EXPECT_FALSE(cat[3].hasPrevious);
}

TEST(CatalogueBuildTest, DuplicateAndDamagedSubkeys) {
  MemoryRegistry reg;
  StoreEntry(reg, L"200-", L"", L"Modems", false);
  StoreEntry(reg, L"100-", L"", L"Everything", true);
  StoreEntry(reg, L"100-X", L"", L"Second total", false);
  StoreEntry(reg, L"200-Y", L"", L"Second modems", false);
  StoreEntry(reg, L"300-AAAA00000000", L"AAAA00000000", L"First", false);
  StoreEntry(reg, L"300-aaaa00000000-copy", L"aaaa00000000", L"Copy", false);
  StoreEntry(reg, L"400-FOO", L"FOO", L"Unknown kind", false);
  StoreEntry(reg, L"300-EMPTY", L"", L"No id", false);
  StoreEntry(reg, L"300-LONG", std::wstring(260, L'A'), L"Too long", false);
  StoreEntry(reg, L"300-MAX", std::wstring(259, L'b'), L"Longest", false);
  reg.WriteString(RegRoot::CurrentUser, kAdapters + L"300-NOID", L"AdapterName", L"No AdapterID");
  // A damaged "Size" counts as not set.
  reg.WriteRaw(RegRoot::CurrentUser, kAdapters + L"300-MAX", L"Size", kRegBinary, {1, 2, 3});
  ScriptedSource src;
  Catalogue cat;
  BuildCatalogue(cat, reg, src, kRoot);

  ASSERT_EQ(cat.size(), 4u);
  // Of two aggregate subkeys of one kind the later is in front; of two
  // adapter subkeys with one ID the first. Only kept entries count as shown.
  EXPECT_EQ(cat[0].name, L"Second total");
  EXPECT_TRUE(cat[0].monitored);
  EXPECT_EQ(cat[1].name, L"Second modems");
  EXPECT_EQ(cat[2].name, L"First");
  EXPECT_EQ(cat[3].id, std::string(259, 'B'));
  EXPECT_EQ(cat[3].size, 0.0f);
  // Nothing stored was deleted.
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kAdapters + L"300-LONG"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kAdapters + L"100-X"));

  AdapterEntry e;
  EXPECT_FALSE(LoadAdapterEntry(reg, RegRoot::CurrentUser, kRoot, L"300-LONG", e));
  EXPECT_FALSE(LoadAdapterEntry(reg, RegRoot::CurrentUser, kRoot, L"300-MISSING", e));
  EXPECT_TRUE(LoadAdapterEntry(reg, RegRoot::CurrentUser, kRoot, L"200-", e));
  EXPECT_EQ(e.kind, kKindDialUp);
}

TEST(CatalogueBuildTest, LiveListFailures) {
  MemoryRegistry reg;
  StoreEntry(reg, L"300-" + Wide(kGuidUpper), Wide(kGuidUpper), L"LAN", true);
  ScriptedSource src;
  src.Add(kGuidLower, 1);
  src.failList = true;
  Catalogue cat;
  EXPECT_FALSE(BuildCatalogue(cat, reg, src, kRoot));
  ASSERT_EQ(cat.size(), 3u);
  EXPECT_FALSE(cat[2].hasPrevious);

  // A row that cannot be read leaves that adapter out.
  src.failList = false;
  src.Add("{ROW-FAILS-000000000000000}", 2).rowFails = true;
  Catalogue cat2;
  EXPECT_TRUE(BuildCatalogue(cat2, reg, src, kRoot));
  ASSERT_EQ(cat2.size(), 3u);
  EXPECT_TRUE(cat2[2].hasPrevious);
}

TEST(CatalogueSaveTest, WritesSubkeysByKindAndIdWithTheirGroups) {
  MemoryRegistry reg;
  ScriptedSource src;
  src.Add(kGuidLower, 1);
  Catalogue cat;
  BuildCatalogue(cat, reg, src, kRoot);
  cat[0].size = 0.25f;
  cat[2].name = L"Office";
  cat[2].connectionRate = 1000000;
  cat[2].size = 0.75f;  // not displayed: not written
  cat[2].recordRates = 1;
  cat[2].recordFile = L"D:\\r.txt";

  ASSERT_TRUE(SaveAdapterEntries(cat, reg, RegRoot::CurrentUser, kGroupIdentity, kRoot));
  const std::wstring all = kAdapters + L"100-";
  const std::wstring dial = kAdapters + L"200-";
  const std::wstring lan = kAdapters + L"300-" + Wide(kGuidUpper);
  const auto* v = reg.Find(RegRoot::CurrentUser, all, L"Size");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->type, kRegBinary);
  EXPECT_EQ(v->data, FloatLe(0.25f));
  ASSERT_NE(reg.Find(RegRoot::CurrentUser, all, L"AdapterID"), nullptr);
  EXPECT_EQ(reg.Find(RegRoot::CurrentUser, all, L"AdapterID")->type, kRegSz);
  EXPECT_EQ(reg.Find(RegRoot::CurrentUser, all, L"Monitored")->type, kRegDword);
  EXPECT_EQ(reg.Find(RegRoot::CurrentUser, dial, L"Size"), nullptr);
  EXPECT_EQ(reg.Find(RegRoot::CurrentUser, lan, L"Size"), nullptr);
  std::wstring text;
  ASSERT_TRUE(reg.ReadString(RegRoot::CurrentUser, lan, L"AdapterID", text));
  EXPECT_EQ(text, Wide(kGuidUpper));
  ASSERT_TRUE(reg.ReadString(RegRoot::CurrentUser, lan, L"AdapterName", text));
  EXPECT_EQ(text, L"Office");
  uint32_t value = 0;
  ASSERT_TRUE(reg.ReadDword(RegRoot::CurrentUser, lan, L"ConnRatebps", value));
  EXPECT_EQ(value, 1000000u);
  ASSERT_TRUE(reg.ReadDword(RegRoot::CurrentUser, lan, L"Monitored", value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(reg.Find(RegRoot::CurrentUser, lan, L"RecordFile"), nullptr);  // recording group not asked for

  ASSERT_TRUE(SaveAdapterEntries(cat, reg, RegRoot::LocalMachine, kGroupRecording, kRoot));
  ASSERT_TRUE(reg.ReadString(RegRoot::LocalMachine, lan, L"RecordFile", text));
  EXPECT_EQ(text, L"D:\\r.txt");
  EXPECT_TRUE(reg.ReadDword(RegRoot::LocalMachine, lan, L"RecordTrafficRates", value));
  EXPECT_EQ(value, 1u);
  EXPECT_TRUE(reg.ReadDword(RegRoot::LocalMachine, lan, L"RecordNumberOnly", value));
  EXPECT_TRUE(reg.ReadDword(RegRoot::LocalMachine, lan, L"RecordInterval", value));
  EXPECT_EQ(reg.Find(RegRoot::LocalMachine, lan, L"AdapterName"), nullptr);

  // What was saved builds the same catalogue again.
  Catalogue again;
  BuildCatalogue(again, reg, src, kRoot);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again[2].name, L"Office");
  EXPECT_FLOAT_EQ(again[0].size, 0.25f);
  EXPECT_TRUE(again[0].monitored);

  reg.failWrites = true;
  EXPECT_FALSE(SaveAdapterEntries(cat, reg, RegRoot::CurrentUser, kGroupIdentity, kRoot));
}

TEST(CatalogueMenuTest, IdRangesNeverOverlap) {
  Catalogue cat;
  cat.entries.push_back(NewAggregateEntry(kKindAll, 16));
  cat.entries.push_back(NewAggregateEntry(kKindDialUp, 16));
  for (int i = 0; i < 310; ++i) {
    auto e = std::make_unique<AdapterEntry>(16);
    e->id = "A" + std::to_string(i);
    cat.entries.push_back(std::move(e));
  }
  int withItems = 0;
  for (auto& e : cat.entries) withItems += AssignMenuIds(cat, *e) ? 1 : 0;
  EXPECT_EQ(withItems, 300);
  EXPECT_EQ(cat[0].adapterMenuId, 9000);
  EXPECT_EQ(cat[0].resetMenuId, 9300);
  EXPECT_EQ(cat[299].adapterMenuId, 9299);
  EXPECT_EQ(cat[299].resetMenuId, 9599);
  EXPECT_EQ(cat[300].adapterMenuId, 0);
  EXPECT_EQ(cat[300].resetMenuId, 0);
  EXPECT_FALSE(AssignMenuIds(cat, cat[311]));  // asking again gives nothing
  EXPECT_EQ(FindByAdapterMenuId(cat, 9005), &cat[5]);
  EXPECT_EQ(FindByResetMenuId(cat, 9305), &cat[5]);
  EXPECT_EQ(FindByAdapterMenuId(cat, 9300), nullptr);
  EXPECT_EQ(FindByResetMenuId(cat, 0), nullptr);
  // An entry that already has ids keeps them.
  EXPECT_TRUE(AssignMenuIds(cat, cat[1]));
  EXPECT_EQ(cat[1].adapterMenuId, 9001);
}

TEST(CatalogueLookupTest, TitlesAndSelections) {
  Catalogue cat;
  cat.entries.push_back(NewAggregateEntry(kKindAll, 16));
  cat.entries.push_back(NewAggregateEntry(kKindDialUp, 16));
  auto lan = std::make_unique<AdapterEntry>(16);
  lan->id = "ABC";
  lan->name = L"LAN";
  lan->description = L"Fast Ethernet";
  lan->ipAddress = "10.0.0.2";
  cat.entries.push_back(std::move(lan));

  EXPECT_EQ(EntryTitle(cat[2], true), L"LAN [10.0.0.2]");
  EXPECT_EQ(EntryTitle(cat[2], false), L"LAN");
  cat[0].ipAddress = "1.2.3.4";  // aggregates show their name alone
  EXPECT_EQ(EntryTitle(cat[0], true), L"All Connections");
  cat[2].name.clear();
  EXPECT_EQ(EntryTitle(cat[2], true), L"10.0.0.2");
  cat[2].ipAddress.clear();
  EXPECT_EQ(EntryTitle(cat[2], true), L"Fast Ethernet");
  cat[2].name = L"LAN";
  EXPECT_EQ(EntryTitle(cat[2], true), L"LAN");

  EXPECT_EQ(FindSelection(cat, kKindAll, "anything"), &cat[0]);
  EXPECT_EQ(FindSelection(cat, kKindDialUp, ""), &cat[1]);
  EXPECT_EQ(FindSelection(cat, kKindAdapter, "ABC"), &cat[2]);
  EXPECT_EQ(FindSelection(cat, kKindAdapter, "abc"), nullptr);  // stored selections are upper case
  EXPECT_EQ(FindSelection(cat, kKindAdapter, ""), nullptr);
  EXPECT_EQ(FindSelection(cat, 400, ""), nullptr);
}
