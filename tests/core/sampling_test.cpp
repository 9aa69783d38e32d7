#include <gtest/gtest.h>

#include "measure/sampling.h"
#include "measure/scripted_source.h"
#include "settings/memory_registry.h"

namespace {

const std::wstring kRoot = L"Software\\SamplingTest\\";

class RecordingSink : public SampleSink {
public:
  std::vector<AdapterEntry*> added, titles, trays;
  int samples = 0;
  void OnEntryAdded(AdapterEntry& e) override { added.push_back(&e); }
  void OnSample(AdapterEntry&, const RateSample&) override { ++samples; }
  void OnTitleChanged(AdapterEntry& e) override { titles.push_back(&e); }
  void OnTrayUpdate(AdapterEntry& e) override { trays.push_back(&e); }
};

// A catalogue built from an empty registry and the scripted adapters.
struct Fixture {
  MemoryRegistry reg;
  ScriptedSource src;
  Catalogue cat;
  RecordingSink sink;
  SampleOptions options;

  void Build(size_t maxHistory = 2048) {
    cat.maxHistory = maxHistory;
    BuildCatalogue(cat, reg, src, kRoot);
  }
  bool Tick() { return SampleAdapters(cat, src, options, sink); }
  const RateSample& Newest(size_t i) { return cat[i].history.newest(); }
};

}  // namespace

TEST(SamplingTest, AggregatesSumAdaptersAndDialUpCountsPppAndSlip) {
  Fixture f;
  f.src.Add("{ETHERNET-0000000000000001}", 1);
  f.src.Add("{PPP-000000000000000000002}", 2, kIfTypePpp);
  f.src.Add("{SLIP-00000000000000000003}", 3, kIfTypeSlip);
  f.Build();
  // The first pass shows the traffic since the catalogue was built.
  f.src.Count(1, 1000, 100);
  f.src.Count(2, 300, 30);
  f.src.Count(3, 5, 1);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 1000u);
  EXPECT_EQ(f.Newest(3).down, 300u);
  EXPECT_EQ(f.Newest(0).down, 1305u);
  EXPECT_EQ(f.Newest(0).up, 131u);
  EXPECT_EQ(f.Newest(1).down, 305u);
  EXPECT_EQ(f.Newest(1).up, 31u);
  EXPECT_EQ(f.cat[0].todayIn, 1305u);
  EXPECT_EQ(f.cat[1].todayOut, 31u);

  f.src.Count(1, 3000, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 3000u);
  EXPECT_EQ(f.Newest(2).avgDown, 2000u);  // (1000 + 3000) / 2
  EXPECT_EQ(f.Newest(1).down, 0u);
  EXPECT_EQ(f.Newest(1).avgDown, 152u);  // 305 / 2
  EXPECT_EQ(f.cat[2].todayIn, 4000u);
  EXPECT_EQ(f.cat[0].sampleCount, 2u);
  for (size_t i = 0; i < f.cat.size(); ++i) EXPECT_EQ(f.cat[i].history.size(), 2u);
}

TEST(SamplingTest, UnpluggedAdapterGetsZeroSamplesAndComesBackWithANewBaseline) {
  Fixture f;
  f.src.Add("{LAN-000000000000000000001}", 1);
  f.src.Add("{WAN-000000000000000000002}", 2);  // stays: an empty list is no list
  f.Build();
  f.cat[2].monitored = true;
  f.src.Count(1, 800, 80);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).avgDown, 800u);

  f.src.Find(1)->listed = false;
  f.sink.titles.clear();
  ASSERT_TRUE(f.Tick());
  AdapterEntry& lan = f.cat[2];
  EXPECT_EQ(f.Newest(2).down, 0u);
  EXPECT_EQ(f.Newest(2).avgDown, 400u);  // the sum stays, the count grows
  EXPECT_FALSE(lan.hasPrevious);
  EXPECT_TRUE(lan.ipAddress.empty());
  ASSERT_EQ(f.sink.titles.size(), 1u);
  EXPECT_EQ(EntryTitle(lan, true), L"Adapter 1");
  EXPECT_EQ(lan.todayIn, 800u);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).avgDown, 266u);
  EXPECT_EQ(f.sink.titles.size(), 1u);  // the title changes once

  // Back, with counters that moved meanwhile: the first tick is zero.
  f.src.Find(1)->listed = true;
  f.src.Count(1, 1'000'000, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 0u);
  EXPECT_EQ(f.Newest(0).down, 0u);
  EXPECT_EQ(lan.ipAddress, "192.0.2.2");
  f.src.Count(1, 700, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 700u);
  EXPECT_EQ(f.Newest(0).down, 700u);
  EXPECT_EQ(lan.todayIn, 1500u);

  // An unreadable row is a missing adapter too.
  f.src.Find(1)->rowFails = true;
  ASSERT_TRUE(f.Tick());
  EXPECT_FALSE(lan.hasPrevious);
  EXPECT_EQ(f.Newest(2).down, 0u);
}

TEST(SamplingTest, CounterRestarts) {
  Fixture f;
  auto& a = f.src.Add("{OLD-STYLE-000000000000001}", 1);
  a.row.counters64 = false;
  a.row.inOctets = 4294967200u;  // 2^32 - 96
  f.Build();
  f.src.Find(1)->row.inOctets = 100;
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 100u);

  // 64-bit counters that went back: the interface restarted.
  auto& b = f.src.Add("{NEW-STYLE-000000000000002}", 2);
  b.row.inOctets = 50'000'000'000ull;
  ASSERT_TRUE(f.Tick());  // appended, baseline taken
  f.src.Find(2)->row.inOctets = 40;
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(3).down, 40u);

  // A baseline from the other counter width gives no burst.
  f.src.Find(2)->row.counters64 = false;
  f.src.Find(2)->row.inOctets = 4'000'000'000u;
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(3).down, 0u);
  EXPECT_EQ(CounterDelta(10, 4, false, false), 6u);
  EXPECT_EQ(CounterDelta(10, 4, true, false), 0u);
}

TEST(SamplingTest, TicksAbove4GBGoToTheDayTotalsInFullAndSaturateTheSample) {
  Fixture f;
  f.src.Add("{FAST-LINK-000000000000001}", 1);
  f.src.Add("{FAST-PPP-0000000000000002}", 2, kIfTypePpp);
  f.Build();
  const uint64_t big = 6'000'000'000ull;
  f.src.Count(1, big, 1);
  f.src.Count(2, big, 2);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 0xFFFFFFFFu);
  EXPECT_EQ(f.Newest(2).avgDown, 0xFFFFFFFFu);
  EXPECT_EQ(f.Newest(2).up, 1u);
  EXPECT_EQ(f.cat[2].todayIn, big);
  EXPECT_EQ(f.cat[2].sumIn, big);
  // The aggregates' pass totals are 64-bit too.
  EXPECT_EQ(f.cat[0].todayIn, 2 * big);
  EXPECT_EQ(f.cat[1].todayIn, big);
  EXPECT_EQ(f.Newest(0).down, 0xFFFFFFFFu);
  EXPECT_EQ(f.Newest(0).up, 3u);

  f.src.Count(1, 10, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).avgDown, static_cast<uint32_t>((big + 10) / 2));
}

TEST(SamplingTest, HistoriesAreBoundedByTheScreenWidth) {
  for (int width : {1280, 2560}) {
    Fixture f;
    f.src.Add("{LAN-000000000000000000001}", 1);
    f.Build(MaxHistoryFor(width));
    const size_t expected = width == 1280 ? 2048u : 2560u;
    for (size_t i = 0; i < expected + 5; ++i) {
      f.src.Count(1, i, 0);
      ASSERT_TRUE(f.Tick());
    }
    for (size_t i = 0; i < f.cat.size(); ++i) EXPECT_EQ(f.cat[i].history.size(), expected) << width;
    EXPECT_EQ(f.Newest(2).down, expected + 4);           // newest first
    EXPECT_EQ(f.cat[2].history[expected - 1].down, 5u);  // the oldest five dropped out
  }
}

TEST(SamplingTest, ResetOfOneEntryLeavesTheOthers) {
  Fixture f;
  f.src.Add("{LAN-000000000000000000001}", 1);
  f.Build();
  for (int i = 0; i < 3; ++i) {
    f.src.Count(1, 100, 10);
    ASSERT_TRUE(f.Tick());
  }
  ResetRateRange(f.cat[2]);
  EXPECT_TRUE(f.cat[2].history.empty());
  EXPECT_EQ(f.cat[2].sumIn, 0u);
  EXPECT_EQ(f.cat[2].sampleCount, 0u);
  EXPECT_EQ(f.cat[2].todayIn, 300u);  // the day totals are not the rate range
  EXPECT_EQ(f.cat[0].history.size(), 3u);
  EXPECT_EQ(f.cat[0].sumIn, 300u);

  f.src.Count(1, 40, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).avgDown, 40u);
  EXPECT_EQ(f.Newest(0).avgDown, 85u);  // 340 / 4
}

TEST(SamplingTest, NewAdaptersJoinDuringARun) {
  Fixture f;
  f.Build();
  for (auto& e : f.cat.entries) AssignMenuIds(f.cat, *e);  // what start-up does
  f.src.Add("{HOT-PLUGGED-0000000000001}", 1).row.inOctets = 1000;
  ASSERT_TRUE(f.Tick());
  ASSERT_EQ(f.cat.size(), 3u);
  ASSERT_EQ(f.sink.added.size(), 1u);
  EXPECT_EQ(f.sink.added[0], &f.cat[2]);
  EXPECT_EQ(f.cat[2].adapterMenuId, 9002);
  EXPECT_EQ(f.cat[2].resetMenuId, 9302);
  EXPECT_FALSE(f.cat[2].monitored);
  EXPECT_TRUE(f.cat[2].history.empty());  // no sample in the pass that found it
  EXPECT_TRUE(f.cat[2].hasPrevious);
  EXPECT_EQ(f.Newest(0).down, 0u);

  f.src.Count(1, 250, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(2).down, 250u);
  EXPECT_EQ(f.Newest(0).down, 250u);

  // Listed twice: counted once.
  f.src.adapters.push_back(f.src.adapters[0]);
  f.src.Count(1, 10, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.cat.size(), 3u);
  EXPECT_EQ(f.Newest(0).down, 10u);
  EXPECT_EQ(f.cat[2].history.size(), 2u);
}

TEST(SamplingTest, AFailedOrEmptyListChangesNothing) {
  // A list that cannot be read and an empty one (ERROR_NO_DATA) alike: no
  // samples, and the baselines stay, so the next pass counts both ticks.
  for (bool empty : {false, true}) {
    Fixture f;
    f.src.Add("{LAN-000000000000000000001}", 1);
    f.Build();
    (empty ? f.src.noData : f.src.failList) = true;
    f.src.Count(1, 100, 0);
    EXPECT_FALSE(f.Tick());
    for (size_t i = 0; i < f.cat.size(); ++i) EXPECT_TRUE(f.cat[i].history.empty());
    EXPECT_EQ(f.sink.samples, 0);
    f.src.failList = f.src.noData = false;
    f.src.Count(1, 50, 0);
    ASSERT_TRUE(f.Tick());
    EXPECT_EQ(f.Newest(2).down, 150u);
    EXPECT_EQ(f.Newest(0).down, 150u);
  }
  Fixture f;
  Catalogue empty;  // without the aggregates a pass does nothing
  EXPECT_FALSE(SampleAdapters(empty, f.src, f.options, f.sink));
}

TEST(SamplingTest, TrayGetsItsConnection) {
  Fixture f;
  f.src.Add("{LAN-000000000000000000001}", 1);
  f.src.Add("{WLAN-00000000000000000002}", 2);
  f.Build();
  f.options.stIfType = kKindAdapter;
  f.options.stAdpId = "{WLAN-00000000000000000002}";
  ASSERT_TRUE(f.Tick());
  ASSERT_EQ(f.sink.trays.size(), 1u);
  EXPECT_EQ(f.sink.trays[0], &f.cat[3]);
  EXPECT_EQ(f.sink.samples, static_cast<int>(f.cat.size()));

  f.sink.trays.clear();
  f.options.stIfType = kKindDialUp;
  ASSERT_TRUE(f.Tick());
  ASSERT_EQ(f.sink.trays.size(), 1u);
  EXPECT_EQ(f.sink.trays[0], &f.cat[1]);

  f.sink.trays.clear();
  f.options.dispIconSystray = false;
  ASSERT_TRUE(f.Tick());
  EXPECT_TRUE(f.sink.trays.empty());

  // The gap rule drops every baseline: the next pass shows no burst.
  DropBaselines(f.cat);
  f.src.Count(1, 9'999'999, 0);
  ASSERT_TRUE(f.Tick());
  EXPECT_EQ(f.Newest(0).down, 0u);
}
