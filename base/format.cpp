#include "base/format.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace {

// A number about to be written: either an integer text as it stands, or a
// double written with a fixed count of decimals.
struct Scaled {
  std::string integerText;  // used when decimals < 0
  double value = 0;
  int decimals = -1;
  int unit = 0;  // 0 = none, 1 = K, 2 = M, 3 = G, 4 = T
};

Scaled Integer(int64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return Scaled{std::string(buf, r.ptr), 0, -1, 0};
}

Scaled Fixed(double value, int decimals, int unit) { return Scaled{std::string(), value, decimals, unit}; }

// What printf("%.Nf") gives in the "C" locale: std::to_chars rounds the exact
// binary value the same way and never looks at the process locale.
void AppendNumber(std::string& out, const Scaled& s) {
  if (s.decimals < 0) {
    out += s.integerText;
    return;
  }
  char buf[400];  // the largest double has 309 digits before the point
  const auto r = std::to_chars(buf, buf + sizeof buf, s.value, std::chars_format::fixed, s.decimals);
  out.append(buf, r.ptr);
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// c × 8 as decimal text, also where the product no longer fits in 64 bits
// (only very negative counts reach this: positive ones above 2^60 take the tb row).
std::string TimesEightText(int64_t c) {
  if (c >= std::numeric_limits<int64_t>::min() / 8) return Integer(c * 8).integerText;
  // |c| × 8 = (|c| / 125) × 1000 + (|c| mod 125) × 8, the second term below 1000.
  const uint64_t magnitude = static_cast<uint64_t>(-(c + 1)) + 1;
  const uint64_t low = magnitude % 125 * 8;
  std::string text = "-" + Integer(static_cast<int64_t>(magnitude / 125)).integerText;
  text += static_cast<char>('0' + low / 100);
  text += static_cast<char>('0' + low / 10 % 10);
  text += static_cast<char>('0' + low % 10);
  return text;
}

Scaled ScaleByteCount(int64_t c, bool inBytes) {
  if (inBytes) {
    // The unit changes at 1000 of the lower unit, not at 1024.
    if (c < 1000) return Integer(c);
    const double d = static_cast<double>(c);
    if (c < 1024000) return Fixed(d * (1.0 / 1024), 1, 1);
    if (c < 1048576000) return Fixed(d * (1.0 / 1048576), 2, 2);
    if (c < INT64_C(1073741824000)) return Fixed(d * (1.0 / 1073741824), 2, 3);
    return Fixed(d * (1.0 / 1099511627776.0), 2, 4);
  }
  if (c > std::numeric_limits<int64_t>::max() / 8) return Fixed(static_cast<double>(c) * 8.0 * 1e-12, 2, 4);
  if (c < 125) {  // below 1000 bits, negative counts included
    Scaled s;
    s.integerText = TimesEightText(c);
    return s;
  }
  const int64_t v = c * 8;
  const double d = static_cast<double>(v);
  if (v < 1000000) return Fixed(d * 0.001, 1, 1);
  if (v < 1000000000) return Fixed(d * 1e-6, 2, 2);
  if (v < INT64_C(1000000000000)) return Fixed(d * 1e-9, 2, 3);
  return Fixed(d * 1e-12, 2, 4);
}

const char* const kByteUnits[] = {"B", "KB", "MB", "GB", "TB"};
const char* const kBitUnits[] = {"b", "kb", "mb", "gb", "tb"};
const char* const kShortUnits[] = {"", "K", "M", "G", "T"};

void AppendPadded(std::string& out, unsigned value, int width) {
  char buf[8];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  for (int n = static_cast<int>(r.ptr - buf); n < width; ++n) out += '0';
  out.append(buf, r.ptr);
}

}  // namespace

std::wstring FormatRate(uint32_t bytesPerSecond, bool inBytes) {
  const uint32_t r = bytesPerSecond;
  Scaled s;
  const char* unit = nullptr;
  if (inBytes) {
    const double d = r;
    // The unit changes before the one-decimal text would reach 1000.0; a value
    // below 10 in its unit gets two decimals.
    if (r < 1000) { s = Integer(r); unit = " B/s"; }
    else if (r < 10240) { s = Fixed(d * (1.0 / 1024), 2, 1); unit = " KB/s"; }
    else if (r < 1023948) { s = Fixed(d * (1.0 / 1024), 1, 1); unit = " KB/s"; }
    else if (r < 10485760) { s = Fixed(d * (1.0 / 1048576), 2, 2); unit = " MB/s"; }
    else if (r < 1048523571) { s = Fixed(d * (1.0 / 1048576), 1, 2); unit = " MB/s"; }
    else { s = Fixed(d * (1.0 / 1073741824), 2, 3); unit = " GB/s"; }
  } else {
    // The bit rate of a 32-bit byte rate needs up to 35 bits.
    const uint64_t v = static_cast<uint64_t>(r) * 8;
    const double d = static_cast<double>(v);
    // The decimal factors are single-precision constants, as the rates always used.
    if (v < 1000) { s = Integer(static_cast<int64_t>(v)); unit = " bps"; }
    else if (v < 999950) { s = Fixed(d * static_cast<double>(0.001f), v / 1000 < 10 ? 2 : 1, 1); unit = " kbps"; }
    else if (v < 999950000) { s = Fixed(d * static_cast<double>(0.000001f), v / 1000000 < 10 ? 2 : 1, 2); unit = " mbps"; }
    else { s = Fixed(d * static_cast<double>(0.000000001f), v / 1000000000 < 10 ? 2 : 1, 3); unit = " gbps"; }
  }
  std::string out;
  AppendNumber(out, s);
  out += unit;
  return Widen(out);
}

std::string FormatByteCountAscii(int64_t count, bool inBytes) {
  const Scaled s = ScaleByteCount(count, inBytes);
  std::string out;
  AppendNumber(out, s);
  out += ' ';
  out += (inBytes ? kByteUnits : kBitUnits)[s.unit];
  return out;
}

std::wstring FormatByteCount(int64_t count, bool inBytes) { return Widen(FormatByteCountAscii(count, inBytes)); }

std::string FormatByteCountShort(int64_t count, bool inBytes) {
  const Scaled s = ScaleByteCount(count, inBytes);
  std::string out;
  AppendNumber(out, s);
  out += kShortUnits[s.unit];
  return out;
}

std::wstring FormatDate(int code, unsigned year, unsigned month, unsigned day) {
  return Widen(FormatDateAscii(code, year, month, day));
}

std::string FormatDateAscii(int code, unsigned year, unsigned month, unsigned day) {
  const unsigned y = static_cast<uint16_t>(year);
  const unsigned m = static_cast<uint16_t>(month);
  const unsigned d = static_cast<uint16_t>(day);
  struct Field { unsigned value; int width; };
  Field fields[3];
  char separator = '/';
  switch (code) {
    case kDateMonthDayYearDot: fields[0] = {m, 2}; fields[1] = {d, 2}; fields[2] = {y, 4}; separator = '.'; break;
    case kDateDayMonthYearSlash: fields[0] = {d, 2}; fields[1] = {m, 2}; fields[2] = {y, 4}; break;
    case kDateDayMonthYearDot: fields[0] = {d, 2}; fields[1] = {m, 2}; fields[2] = {y, 4}; separator = '.'; break;
    case kDateYearMonthDaySlash: fields[0] = {y, 4}; fields[1] = {m, 2}; fields[2] = {d, 2}; break;
    case kDateYearMonthDayDash: fields[0] = {y, 4}; fields[1] = {m, 2}; fields[2] = {d, 2}; separator = '-'; break;
    case kDateYearMonthDayDot: fields[0] = {y, 4}; fields[1] = {m, 2}; fields[2] = {d, 2}; separator = '.'; break;
    default: fields[0] = {m, 2}; fields[1] = {d, 2}; fields[2] = {y, 4}; break;  // MM/DD/YYYY
  }
  std::string out;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out += separator;
    AppendPadded(out, fields[i].value, fields[i].width);
  }
  return out;
}

std::string IsoDate(int year, int month, int day) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}
