// Reading a copied traffic log without the meter: the check (shared with the
// meter, see trafficlog/log_check.h) and a dump of every record. Neither ever
// writes the file.
#pragma once
#include <string>

#include "trafficlog/log_check.h"

enum class DumpFormat { Csv, Json };
// Every whole record in file order: date, weekday, type, ID, downloaded,
// uploaded. CSV lines end in CR LF like the report files; the ID is written
// as its 8-bit bytes in CSV and decoded as windows-1252 in JSON.
std::string DumpLog(LogFile& file, DumpFormat format);
