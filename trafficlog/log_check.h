// The structural check of a traffic log: what `zephra-cli log check` reports,
// and what the meter and the service run when they open the log. It never
// writes the file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "trafficlog/log_format.h"

struct LogFinding {
  bool damage = true;  // false: a warning, the log is still sound
  std::string text;    // one line, without its line break
};

struct LogCheck {
  std::vector<LogFinding> findings;
  uint64_t records = 0;         // whole records after the header
  uint64_t damagedRecords = 0;  // records with at least one damage finding
  bool damaged() const;
};

// Finds a wrong signature or version, a torn tail, impossible dates, weekday
// fields that disagree with their date, unknown types, aggregate records with
// an ID, IDs without their NUL, two records of one connection and day, and
// (as warnings) days on which "All Connections" is not the sum of the adapters.
LogCheck CheckLog(LogFile& file);

// The header is NTSL version 2 (what a report or a dump needs).
bool HasLogHeader(LogFile& file);
