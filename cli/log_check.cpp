#include "cli/log_check.h"

#include "base/codepage.h"
#include "base/format.h"
#include "cli/text_out.h"

namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::string DumpLog(LogFile& file, DumpFormat format) {
  std::string out = format == DumpFormat::Csv ? "date,weekday,type,id,downloaded,uploaded\r\n" : "{\"records\": [";
  RecordScanner scan(&file);
  DayRecord r;
  uint64_t offset = 0;
  bool first = true;
  while (scan.Next(r, offset)) {
    const std::string date = IsoDate(r.year, r.month, r.day);
    if (format == DumpFormat::Csv) {
      out += date + "," + std::to_string(r.weekday) + "," + std::to_string(r.kind) + "," + CsvField(r.id) + "," +
             std::to_string(r.down) + "," + std::to_string(r.up) + "\r\n";
      continue;
    }
    out += first ? "\n" : ",\n";
    first = false;
    out += "  {\"offset\": " + std::to_string(offset) + ", \"date\": \"" + date +
           "\", \"weekday\": " + std::to_string(r.weekday) + ", \"type\": " + std::to_string(r.kind) +
           ", \"id\": " + JsonString(FromWindows1252(r.id)) + ", \"downloaded\": " + std::to_string(r.down) +
           ", \"uploaded\": " + std::to_string(r.up) + "}";
  }
  if (format == DumpFormat::Json) out += first ? "]}\n" : "\n]}\n";
  return out;
}
