// The texts of a rates recording file, built as 8-bit bytes: the preamble of a
// new file, the header block that starts every recording run, and one line per
// interval. Pure functions, so every byte is fixed without a file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// What a header block names.
struct RecordingHeader {
  bool csv = false;        // comma-separated instead of aligned text
  bool newFile = true;     // the preamble; otherwise the block starts with "\r\n"
  std::string title;       // the connection's title, 8-bit
  std::string date;        // the start date as "DateFormat" shows it
  int hour = 0, minute = 0, second = 0;
  int interval = 1;        // seconds per line
  bool unitBytes = true;   // "Byte", else "bit"
};

// One line: the totals of an interval, stamped with the tick that ended it.
struct RecordingLine {
  bool csv = false;
  bool numberOnly = false; // plain integers; otherwise short unit texts ("1.5K")
  bool unitBytes = true;   // bits are bytes x 8
  std::string date;
  int hour = 0, minute = 0, second = 0;
  uint64_t down = 0, up = 0;  // bytes of the interval
};

std::string RecordingHeaderText(const RecordingHeader& header);
std::string RecordingLineText(const RecordingLine& line);

// A recording file is comma-separated when its extension is ".csv" in any case.
bool IsCsvRecordingPath(std::wstring_view path);
