#include "metrics/metrics_snapshot.h"

#include "cli/text_out.h"

#ifndef ZEPHRA_VERSION
#define ZEPHRA_VERSION "0"
#endif

namespace {

std::string ConnectionLabel(const AdapterEntry& e) {
  if (e.kind == kKindAll) return "all";
  if (e.kind == kKindDialUp) return "dialup";
  // The log's 8-bit ID; IDs are ASCII, anything else is not trusted as UTF-8.
  std::string id;
  for (char c : e.id) id.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  return id;
}

}  // namespace

MetricsSnapshot TakeSnapshot(const Catalogue& catalogue, const UsageAlert* armedRule, std::string program) {
  MetricsSnapshot s;
  s.program = std::move(program);
  s.version = ZEPHRA_VERSION;
  s.connections.reserve(catalogue.size());
  for (const auto& e : catalogue.entries)
    s.connections.push_back({ConnectionLabel(*e), Utf8FromWide(e->name), e->runIn, e->runOut, e->todayIn, e->todayOut});
  if (armedRule && armedRule->watched()) {
    const AdapterEntry& w = *armedRule->watched();
    const int64_t threshold = armedRule->threshold();
    s.usage = UsageFigures{ConnectionLabel(w), Utf8FromWide(w.name), armedRule->CurrentTotal(),
                           threshold > 0 ? static_cast<uint64_t>(threshold) : 0};
  }
  return s;
}
