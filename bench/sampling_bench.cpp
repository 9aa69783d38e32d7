// Cost of one sampling pass for 4, 32 and 256 connections, with counters from
// an in-memory source, so the figure is the pass itself without IP Helper.
#include <chrono>
#include <cstdio>
#include <string>

#include "measure/sampling.h"
#include "measure/scripted_source.h"
#include "settings/memory_registry.h"

namespace {

class CountingSink : public SampleSink {
public:
  uint64_t samples = 0;
  void OnSample(AdapterEntry&, const RateSample&) override { ++samples; }
};

void Run(int adapters) {
  MemoryRegistry reg;
  ScriptedSource src;
  for (int i = 0; i < adapters; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "{BENCH-ADAPTER-%010d}", i);
    src.Add(name, static_cast<uint32_t>(i + 1), i % 8 == 0 ? kIfTypePpp : 6);
  }
  Catalogue cat;
  cat.maxHistory = MaxHistoryFor(1920);
  BuildCatalogue(cat, reg, src, L"Software\\ZephraBench\\");
  CountingSink sink;
  SampleOptions options;

  // Fill the histories first, so the timed passes also drop the oldest sample.
  const int warm = static_cast<int>(cat.maxHistory) + 10;
  for (int i = 0; i < warm; ++i) SampleAdapters(cat, src, options, sink);

  const int passes = adapters >= 256 ? 2000 : 20000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < passes; ++i) {
    for (auto& a : src.adapters) {
      a.row.inOctets += 1500 + static_cast<uint64_t>(i);
      a.row.outOctets += 100;
    }
    SampleAdapters(cat, src, options, sink);
  }
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
  std::printf("SampleAdapters, %3d adapters (+2 aggregates): %9.2f us per pass (%d passes, %llu samples)\n",
              adapters, static_cast<double>(ns) / passes / 1000.0, passes,
              static_cast<unsigned long long>(sink.samples));
}

}  // namespace

int main() {
  for (int n : {4, 32, 256}) Run(n);
  return 0;
}
