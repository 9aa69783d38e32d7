// Reading a copied traffic log without the meter: a check of its structure
// and a dump of every record. Neither ever writes the file.
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
  uint64_t records = 0;  // whole records after the header
  bool damaged() const;
};

// Finds a wrong signature or version, a torn tail, impossible dates, weekday
// fields that disagree with their date, unknown types, aggregate records with
// an ID, IDs without their NUL, two records of one connection and day, and
// (as warnings) days on which "All Connections" is not the sum of the adapters.
LogCheck CheckLog(LogFile& file);

// The header is NTSL version 2 (what a report or a dump needs).
bool HasLogHeader(LogFile& file);

enum class DumpFormat { Csv, Json };
// Every whole record in file order: date, weekday, type, ID, downloaded,
// uploaded. CSV lines end in CR LF like the report files; the ID is written
// as its 8-bit bytes in CSV and decoded as windows-1252 in JSON.
std::string DumpLog(LogFile& file, DumpFormat format);
