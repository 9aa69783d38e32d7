#include "cli/cli.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/codepage.h"
#include "base/format.h"
#include "base/text_util.h"
#include "cli/log_check.h"
#include "cli/report_command.h"
#include "cli/text_out.h"
#include "trafficlog/log_backup.h"
#include "trafficlog/log_file_stream.h"

#ifndef ZEPHRA_VERSION
#define ZEPHRA_VERSION "0"
#endif

const char kCliUsage[] =
    "zephra-cli report (summary|daily|weekly|monthly) --log FILE [options]\n"
    "    --connection all|dialup|ID   the connection (default all; ID is the adapter ID as stored in the log)\n"
    "    --name TEXT                  the connection name in the header (default \"All Connections\", "
    "\"Dial-Up Connections\" or the ID)\n"
    "    --format text|csv|html|json  (default text)\n"
    "    --date-format CODE           one of the seven codes of the options, decimal or 0x hex (default 0x11)\n"
    "    --week-start 0-6             (default 0, Sunday)      --month-start 1-31   (default 1)\n"
    "    --last-days N                (default 30)             --today YYYY-MM-DD   (default: the local date)\n"
    "    -o FILE                      write to FILE instead of standard output\n"
    "zephra-cli log check FILE        exit 0 when the log is sound, 1 when damaged, with one line per finding\n"
    "zephra-cli log dump FILE [--format csv|json]   every record: date, weekday, type, ID, downloaded, uploaded\n"
    "zephra-cli log backups FOLDER    each backup of a Backups folder: its dates, record count and check result\n"
    "zephra-cli --version | --help\n";

namespace {

// Bad input: the one line for standard error.
struct Failure {
  std::string message;
};

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A whole decimal number (or 0x hex when hexAllowed) within [low, high].
bool ParseNumber(const std::string& text, long low, long high, bool hexAllowed, long& value) {
  int base = 10;
  std::string digits = text;
  if (hexAllowed && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits = digits.substr(2);
  }
  if (digits.empty() || digits.size() > 9) return false;
  for (char c : digits)
    if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
      return false;
  value = std::strtol(digits.c_str(), nullptr, base);
  return value >= low && value <= high;
}

long Number(const std::string& option, const std::string& text, long low, long high, bool hexAllowed = false) {
  long value = 0;
  if (!ParseNumber(text, low, high, hexAllowed, value))
    throw Failure{"bad number for " + option + ": \"" + text + "\" (expected " + std::to_string(low) + "-" +
                  std::to_string(high) + ")"};
  return value;
}

LocalTime ParseDay(const std::string& text) {
  long y = 0, m = 0, d = 0;
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                      ParseNumber(text.substr(0, 4), 1, 9999, false, y) &&
                      ParseNumber(text.substr(5, 2), 1, 12, false, m) && ParseNumber(text.substr(8, 2), 1, 31, false, d);
  if (!shaped || !IsCalendarDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)))
    throw Failure{"bad date for --today: \"" + text + "\" (expected YYYY-MM-DD)"};
  return MakeLocalTime(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

// The arguments after the command words, as option/value pairs.
class Options {
public:
  Options(const std::vector<std::string>& args, size_t from, std::initializer_list<const char*> known) {
    for (size_t i = from; i < args.size(); ++i) {
      const std::string& a = args[i];
      bool isKnown = false;
      for (const char* k : known) isKnown = isKnown || a == k;
      if (!isKnown) {
        if (!a.empty() && a[0] == '-') throw Failure{"unknown option " + a};
        throw Failure{"unexpected argument \"" + a + "\""};
      }
      if (i + 1 >= args.size()) throw Failure{"option " + a + " needs a value"};
      values_.emplace_back(a, args[++i]);
    }
  }
  const std::string* Get(const char* name) const {
    const std::string* found = nullptr;
    for (const auto& [k, v] : values_)
      if (k == name) found = &v;  // the last one given wins
    return found;
  }

private:
  std::vector<std::pair<std::string, std::string>> values_;
};

// Opens a log for reading; a missing, unreadable or non-file path is bad input.
std::unique_ptr<StreamLogFile> OpenLog(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = PathOf(path);
  const auto status = std::filesystem::status(p, ec);
  if (ec || !std::filesystem::exists(status)) throw Failure{"cannot read " + path + ": no such file"};
  if (std::filesystem::is_directory(status)) throw Failure{"cannot read " + path + ": it is a folder"};
  auto file = std::make_unique<StreamLogFile>(p);
  uint64_t size = 0;
  if (!file->isOpen() || !file->Size(size)) throw Failure{"cannot read " + path};
  return file;
}

void RequireHeader(LogFile& file, const std::string& path) {
  if (!HasLogHeader(file)) throw Failure{path + " is not a traffic log (no NTSL version 2 header)"};
}

// Writes through a temporary file beside the target, renamed into place only
// when every byte was written, so a failure never leaves a partial file.
void WriteOutput(const std::string& path, const std::string& bytes) {
  const std::filesystem::path target = PathOf(path);
  std::filesystem::path temp = target;
  temp += ".zephra-cli-part";
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw Failure{"cannot write " + path};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp, ec);
      throw Failure{"cannot write " + path};
    }
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw Failure{"cannot write " + path};
  }
}

int Report(const std::vector<std::string>& args, const LocalTime& localToday, std::string& out) {
  if (args.size() < 2) throw Failure{"report needs a kind: summary, daily, weekly or monthly"};
  ReportRequest q;
  const std::string& kind = args[1];
  if (kind == "summary") q.kind = ReportKind::Summary;
  else if (kind == "daily") q.kind = ReportKind::Daily;
  else if (kind == "weekly") q.kind = ReportKind::Weekly;
  else if (kind == "monthly") q.kind = ReportKind::Monthly;
  else throw Failure{"unknown report \"" + kind + "\" (expected summary, daily, weekly or monthly)"};

  const Options o(args, 2,
                  {"--log", "--connection", "--name", "--format", "--date-format", "--week-start", "--month-start",
                   "--last-days", "--today", "-o"});
  const std::string* log = o.Get("--log");
  if (!log) throw Failure{"report needs --log FILE"};

  const std::string connection = o.Get("--connection") ? *o.Get("--connection") : "all";
  if (connection == "all") {
    q.connection = {100, ""};
    q.name = L"All Connections";
  } else if (connection == "dialup") {
    q.connection = {200, ""};
    q.name = L"Dial-Up Connections";
  } else if (connection.empty()) {
    throw Failure{"empty --connection"};
  } else {
    // The log holds IDs as 8-bit text, in the code page the reports are written in.
    q.connection = {300, ToWindows1252(WideFromUtf8(connection))};
    q.name = WideFromUtf8(connection);
  }
  if (const std::string* name = o.Get("--name")) q.name = WideFromUtf8(*name);

  if (const std::string* f = o.Get("--format")) {
    if (*f == "text") q.format = ReportFormat::Text;
    else if (*f == "csv") q.format = ReportFormat::Csv;
    else if (*f == "html") q.format = ReportFormat::Html;
    else if (*f == "json") q.format = ReportFormat::Json;
    else throw Failure{"unknown format \"" + *f + "\" (expected text, csv, html or json)"};
  }
  if (const std::string* code = o.Get("--date-format")) {
    long value = -1;
    bool known = ParseNumber(*code, 0, 0xFFFF, true, value);
    if (known) {
      known = false;
      for (const DateFormatChoice& c : kDateFormatChoices) known = known || c.code == value;
    }
    if (!known) throw Failure{"bad date format \"" + *code + "\" (expected 0x11, 0x77, 0x22, 0x66, 0x33, 0x44 or 0x55)"};
    q.options.dateFormat = static_cast<int>(value);
  }
  if (const std::string* v = o.Get("--week-start")) q.options.weekStartDay = static_cast<int>(Number("--week-start", *v, 0, 6));
  if (const std::string* v = o.Get("--month-start"))
    q.options.monthStartDay = static_cast<int>(Number("--month-start", *v, 1, 31));
  if (const std::string* v = o.Get("--last-days")) q.lastDays = static_cast<int>(Number("--last-days", *v, 0, 32767));
  q.today = o.Get("--today") ? ParseDay(*o.Get("--today")) : WithDayOfWeek(localToday);

  auto file = OpenLog(*log);
  RequireHeader(*file, *log);
  const std::string* target = o.Get("-o");
  std::error_code ec;
  if (target && std::filesystem::equivalent(PathOf(*log), PathOf(*target), ec))
    throw Failure{"-o " + *target + " would replace the log itself"};
  std::string bytes = RenderReport(file.get(), q);
  if (target) WriteOutput(*target, bytes);
  else out += bytes;
  return kExitOk;
}

// One line per backup of the folder, by name: the first and last date of its
// records, their count and the check's verdict. Exit 1 when any is damaged.
int Backups(const std::string& folder, std::string& out) {
  std::error_code ec;
  const std::filesystem::path dir = PathOf(folder);
  if (!std::filesystem::is_directory(dir, ec)) throw Failure{"cannot read " + folder + ": no such folder"};
  std::vector<std::filesystem::path> found;
  for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
    CivilDate date;
    const std::u8string name = item.path().filename().u8string();
    if (item.is_regular_file(ec) && ParseBackupDate(WideFromUtf8(std::string(name.begin(), name.end())), date) &&
        FileExtensionOf(item.path().filename().wstring()) == L".log")
      found.push_back(item.path());
  }
  if (ec) throw Failure{"cannot read " + folder};
  std::sort(found.begin(), found.end());
  bool anyDamaged = false;
  for (const std::filesystem::path& p : found) {
    const std::u8string name8 = p.filename().u8string();
    const std::string name(name8.begin(), name8.end());
    StreamLogFile file(p);
    if (!file.isOpen()) {
      out += name + ": cannot be read\n";
      anyDamaged = true;
      continue;
    }
    const LogCheck check = CheckLog(file);
    int64_t first = INT64_MAX, last = INT64_MIN;
    RecordScanner scan(&file);
    DayRecord r;
    uint64_t offset = 0;
    while (scan.Next(r, offset)) {
      if (!IsCalendarDate(r.year, r.month, r.day)) continue;
      const int64_t day = DaysFromCivil(r.date());
      first = std::min(first, day);
      last = std::max(last, day);
    }
    const std::string range = first > last ? "no dates" : IsoDate(CivilFromDays(first)) + " .. " + IsoDate(CivilFromDays(last));
    out += name + ": " + range + ", " + std::to_string(check.records) + " records, " +
           (check.damaged() ? "damaged (" + std::to_string(check.damagedRecords) + " damaged records)" : std::string("sound")) +
           "\n";
    anyDamaged = anyDamaged || check.damaged();
  }
  out += std::to_string(found.size()) + " backups\n";
  return anyDamaged ? kExitDamaged : kExitOk;
}

int Log(const std::vector<std::string>& args, std::string& out) {
  if (args.size() < 2) throw Failure{"log needs a command: check, dump or backups"};
  const std::string& what = args[1];
  if (what != "check" && what != "dump" && what != "backups")
    throw Failure{"unknown log command \"" + what + "\" (expected check, dump or backups)"};
  if (args.size() < 3 || (!args[2].empty() && args[2][0] == '-'))
    throw Failure{"log " + what + (what == "backups" ? " needs a FOLDER" : " needs a FILE")};
  const std::string& path = args[2];
  if (what == "backups") {
    const Options o(args, 3, {});
    return Backups(path, out);
  }
  if (what == "check") {
    const Options o(args, 3, {});
    auto file = OpenLog(path);
    const LogCheck check = CheckLog(*file);
    int damages = 0, warnings = 0;
    for (const LogFinding& f : check.findings) {
      out += (f.damage ? "damage: " : "warning: ") + f.text + "\n";
      ++(f.damage ? damages : warnings);
    }
    out += std::string(check.damaged() ? "damaged" : "sound") + ": " + std::to_string(check.records) + " records, " +
           std::to_string(damages) + " damaged, " + std::to_string(warnings) + " warnings\n";
    return check.damaged() ? kExitDamaged : kExitOk;
  }
  const Options o(args, 3, {"--format"});
  DumpFormat format = DumpFormat::Csv;
  if (const std::string* f = o.Get("--format")) {
    if (*f == "json") format = DumpFormat::Json;
    else if (*f != "csv") throw Failure{"unknown format \"" + *f + "\" (expected csv or json)"};
  }
  auto file = OpenLog(path);
  RequireHeader(*file, path);
  out += DumpLog(*file, format);
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const LocalTime& localToday, std::string& out, std::string& err) {
  std::string produced;
  try {
    if (args.empty()) throw Failure{"no command (see zephra-cli --help)"};
    const std::string& command = args[0];
    int code = kExitOk;
    if (command == "--help" && args.size() == 1) produced = kCliUsage;
    else if (command == "--version" && args.size() == 1) produced = "zephra-cli " ZEPHRA_VERSION "\n";
    else if (command == "report") code = Report(args, localToday, produced);
    else if (command == "log") code = Log(args, produced);
    else throw Failure{"unknown command \"" + command + "\" (see zephra-cli --help)"};
    out += produced;
    return code;
  } catch (const Failure& f) {
    err += "zephra-cli: " + f.message + "\n";
    return kExitBadInput;
  } catch (const std::exception& e) {
    // Out of memory or a stream fault: still one line and the bad-input code.
    err += std::string("zephra-cli: ") + e.what() + "\n";
    return kExitBadInput;
  }
}
