// The text exposition format (version 0.0.4) of the counters endpoint: one
// HELP and TYPE line per family, then one line per series.
#pragma once
#include <string>
#include <string_view>

#include "metrics/metrics_snapshot.h"

inline constexpr char kExpositionContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// A label value between its quotes: backslash, double quote and line feed escaped.
std::string EscapeLabelValue(std::string_view value);
// The whole body of a scrape.
std::string RenderMetrics(const MetricsSnapshot& snapshot);
