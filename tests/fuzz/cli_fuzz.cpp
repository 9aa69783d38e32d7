// The input is 8 bytes of options followed by a file given to zephra-cli:
// "log check", "log dump" and the report and format that the first byte picks
// must come back without a crash, and a check that finds no damage must mean the file has a
// header and only whole records.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cli/log_check.h"
#include "cli/report_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  auto bytes = std::make_shared<std::vector<uint8_t>>(data + 8, data + size);
  MemoryLogFile file(bytes, false);

  const LogCheck check = CheckLog(file);
  if (!check.damaged() && (bytes->size() < kLogHeaderSize || (bytes->size() - kLogHeaderSize) % kDayRecordSize != 0))
    std::abort();
  DumpLog(file, DumpFormat::Csv);
  DumpLog(file, DumpFormat::Json);

  ReportRequest q;
  static const int32_t kinds[] = {100, 200, 300, 0};
  q.connection.kind = kinds[data[0] & 3];
  if (q.connection.kind == 300) q.connection.id = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
  q.name = L"<a & \"b\">";
  q.options.weekStartDay = data[1] % 7;
  q.options.monthStartDay = 1 + data[2] % 31;
  q.options.dateFormat = 0x11 * (1 + data[3] % 7);
  q.lastDays = static_cast<int8_t>(data[4]);
  const int year = 2000 + data[5] % 30, month = 1 + data[6] % 12;  // a real date, as the command line checks
  q.today = MakeLocalTime(year, month, 1 + data[7] % DaysInMonth(year, month));
  static const ReportKind reports[] = {ReportKind::Summary, ReportKind::Daily, ReportKind::Weekly, ReportKind::Monthly};
  static const ReportFormat formats[] = {ReportFormat::Text, ReportFormat::Csv, ReportFormat::Html, ReportFormat::Json};
  q.kind = reports[(data[0] >> 2) & 3];
  q.format = formats[(data[0] >> 4) & 3];
  RenderReport(&file, q);
  return 0;
}
