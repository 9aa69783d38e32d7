#include "metrics/exposition.h"

#include <cinttypes>
#include <cstdio>

namespace {

void Family(std::string& out, const char* name, const char* type, const char* help) {
  out += "# HELP ";
  out += name;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += name;
  out += ' ';
  out += type;
  out += '\n';
}

void Series(std::string& out, const char* name, const std::string& connection, const std::string& name_,
            uint64_t value) {
  char number[24];
  std::snprintf(number, sizeof number, "%" PRIu64, value);
  out += name;
  out += "{connection=\"";
  out += EscapeLabelValue(connection);
  out += "\",name=\"";
  out += EscapeLabelValue(name_);
  out += "\"} ";
  out += number;
  out += '\n';
}

struct ConnectionFamily {
  const char* name;
  const char* type;
  const char* help;
  uint64_t ConnectionFigures::*value;
};

constexpr ConnectionFamily kFamilies[] = {
    {"zephra_receive_bytes_total", "counter", "Bytes received through the connection since the program started counting.",
     &ConnectionFigures::runIn},
    {"zephra_transmit_bytes_total", "counter", "Bytes sent through the connection since the program started counting.",
     &ConnectionFigures::runOut},
    {"zephra_today_receive_bytes", "gauge", "Bytes received through the connection today, as the traffic log holds them.",
     &ConnectionFigures::todayIn},
    {"zephra_today_transmit_bytes", "gauge", "Bytes sent through the connection today, as the traffic log holds them.",
     &ConnectionFigures::todayOut},
};

}  // namespace

std::string EscapeLabelValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '\\') out += "\\\\";
    else if (c == '"') out += "\\\"";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string RenderMetrics(const MetricsSnapshot& s) {
  std::string out;
  out.reserve(256 + s.connections.size() * 4 * 120);
  for (const ConnectionFamily& f : kFamilies) {
    Family(out, f.name, f.type, f.help);
    for (const ConnectionFigures& c : s.connections) Series(out, f.name, c.connection, c.name, c.*f.value);
  }
  if (s.usage) {
    Family(out, "zephra_usage_period_bytes", "gauge", "Bytes the usage rule has counted in its current period.");
    Series(out, "zephra_usage_period_bytes", s.usage->connection, s.usage->name, s.usage->periodBytes);
    Family(out, "zephra_usage_threshold_bytes", "gauge", "The usage rule's threshold in bytes.");
    Series(out, "zephra_usage_threshold_bytes", s.usage->connection, s.usage->name, s.usage->thresholdBytes);
  }
  Family(out, "zephra_build_info", "gauge", "The version of the program that serves these counters.");
  out += "zephra_build_info{version=\"" + EscapeLabelValue(s.version) + "\"} 1\n";
  Family(out, "zephra_counting_program", "gauge", "Which program counts the traffic: the meter or the service.");
  out += "zephra_counting_program{program=\"" + EscapeLabelValue(s.program) + "\"} 1\n";
  return out;
}
