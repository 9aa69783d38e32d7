// The catalogue and a few sampling passes against the real IP Helper functions
// and the real registry. The machine's adapters are whatever the host has (the
// loopback is not listed), so only what holds for any set of adapters is checked.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "base/utf16.h"
#include "measure/iphelper_win.h"
#include "measure/sampling.h"
#include "settings/registry_win.h"
#include "shell_support.h"

namespace {
class CountingSink : public SampleSink {
public:
  int samples = 0;
  int added = 0;
  void OnSample(AdapterEntry&, const RateSample&) override { ++samples; }
  void OnEntryAdded(AdapterEntry&) override { ++added; }
};

bool ValueType(const std::wstring& key, const std::wstring& name, DWORD& type, DWORD& size) {
  size = 0;
  return ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                        &size) == ERROR_SUCCESS;
}
}  // namespace

TEST(CatalogueWin, BuildSampleAndSaveWithIpHelperAndTheRegistry) {
  TestRegistryRoot root;
  Win32Registry reg;
  IpHelperSource src;
  ASSERT_TRUE(src.Bind());

  Catalogue cat;
  cat.maxHistory = MaxHistoryFor(::GetSystemMetrics(SM_CXSCREEN));
  ASSERT_TRUE(BuildCatalogue(cat, reg, src, root.root()));
  ASSERT_TRUE(cat.hasAggregates());
  EXPECT_TRUE(cat[0].monitored);

  std::vector<AdapterInfo> listed;
  ASSERT_TRUE(src.ListAdapters(listed));
  std::set<std::string> ids;
  for (size_t i = 2; i < cat.size(); ++i) {
    const AdapterEntry& e = cat[i];
    EXPECT_EQ(e.kind, kKindAdapter);
    EXPECT_FALSE(e.id.empty());
    EXPECT_LE(e.id.size(), kMaxIdLength);
    EXPECT_EQ(e.id, AsciiUpper(e.id));
    EXPECT_TRUE(ids.insert(e.id).second) << e.id;
    EXPECT_TRUE(e.hasPrevious);
    EXPECT_FALSE(e.monitored);
    EXPECT_FALSE(e.description.empty());
    EXPECT_EQ(e.name, e.description);
  }
  // Every listed adapter whose row can be read has its entry.
  for (const AdapterInfo& a : listed) {
    InterfaceRow row;
    if (src.ReadInterface(a.index, row)) {
      EXPECT_EQ(ids.count(AdapterId(a)), 1u) << a.name;
    }
  }

  CountingSink sink;
  SampleOptions options;
  const size_t built = cat.size();
  for (int pass = 1; pass <= 3; ++pass) {
    ASSERT_TRUE(SampleAdapters(cat, src, options, sink));
    uint64_t sumDown = 0;
    uint64_t sumUp = 0;
    for (size_t i = 2; i < built; ++i) {
      ASSERT_EQ(cat[i].history.size(), static_cast<size_t>(pass));
      sumDown += cat[i].history.newest().down;
      sumUp += cat[i].history.newest().up;
    }
    EXPECT_EQ(cat[0].history.size(), static_cast<size_t>(pass));
    EXPECT_EQ(cat[0].history.newest().down, Saturate32(sumDown));
    EXPECT_EQ(cat[0].history.newest().up, Saturate32(sumUp));
    EXPECT_LE(cat[1].history.newest().down, cat[0].history.newest().down);
  }
  EXPECT_GE(sink.samples, static_cast<int>(3 * built));

  // Saved under the test's root, then built again from there.
  for (auto& e : cat.entries) e->size = 0.5f;
  ASSERT_TRUE(SaveAdapterEntries(cat, reg, RegRoot::CurrentUser, kGroupIdentity | kGroupRecording, root.root()));
  const std::wstring allKey = root.key(L"AdaptersEx\\100-");
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_TRUE(ValueType(allKey, L"Size", type, size));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(size, 4u);
  ASSERT_TRUE(ValueType(allKey, L"AdapterID", type, size));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  DWORD monitored = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, allKey, L"Monitored", monitored));
  EXPECT_EQ(monitored, 1u);
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, root.key(L"AdaptersEx\\200-"), L"Size"));
  for (size_t i = 2; i < cat.size(); ++i) {
    const std::wstring key = root.key(L"AdaptersEx\\300-" + std::wstring(cat[i].id.begin(), cat[i].id.end()));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key, L"AdapterName"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key, L"RecordFile"));
  }

  Catalogue again;
  ASSERT_TRUE(BuildCatalogue(again, reg, src, root.root()));
  EXPECT_EQ(again.size(), cat.size());
  EXPECT_TRUE(again[0].monitored);
  EXPECT_FLOAT_EQ(again[0].size, 0.5f);
}
