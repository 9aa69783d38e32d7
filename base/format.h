// Texts for rates, byte counts and dates, shared by every window, tooltip,
// report, recording and e-mail so that a number reads the same everywhere.
// The texts never depend on the C locale: the decimal point is always ".".
#pragma once
#include <cstdint>
#include <string>
#include "base/dates.h"

// Bytes per second as "999 B/s", "12.5 KB/s", "1.50 MB/s" (bytes mode, binary
// multiples) or "992 bps", "100.0 kbps", "34.4 gbps" (bits mode, decimal multiples).
std::wstring FormatRate(uint32_t bytesPerSecond, bool inBytes);

// A byte count (a period total, may be negative) as "-5 B", "1000.0 KB",
// "1.50 MB", "2.00 TB" or in bits "40 b", "12.0 kb", "1.50 mb".
std::wstring FormatByteCount(int64_t count, bool inBytes);
// The same text in single-byte characters (it is plain ASCII).
std::string FormatByteCountAscii(int64_t count, bool inBytes);

// The same thresholds as FormatByteCount in single-byte text with a one-letter
// unit and no blank ("999", "1.0K", "1.50M"), for the recording files.
std::string FormatByteCountShort(int64_t count, bool inBytes);

// The integer kept in the option "DateFormat".
enum DateFormatCode : int {
  kDateMonthDayYearSlash = 0x11,  // "MM/DD/YYYY"
  kDateMonthDayYearDot = 0x77,    // "MM.DD.YYYY"
  kDateDayMonthYearSlash = 0x22,  // "DD/MM/YYYY"
  kDateDayMonthYearDot = 0x66,    // "DD.MM.YYYY"
  kDateYearMonthDaySlash = 0x33,  // "YYYY/MM/DD"
  kDateYearMonthDayDash = 0x44,   // "YYYY-MM-DD"
  kDateYearMonthDayDot = 0x55,    // "YYYY.MM.DD"
};

struct DateFormatChoice {
  DateFormatCode code;
  const wchar_t* label;
};

// The date formats in the order the General page lists them.
inline constexpr DateFormatChoice kDateFormatChoices[] = {
    {kDateMonthDayYearSlash, L"MM/DD/YYYY"}, {kDateMonthDayYearDot, L"MM.DD.YYYY"},
    {kDateDayMonthYearSlash, L"DD/MM/YYYY"}, {kDateDayMonthYearDot, L"DD.MM.YYYY"},
    {kDateYearMonthDaySlash, L"YYYY/MM/DD"}, {kDateYearMonthDayDash, L"YYYY-MM-DD"},
    {kDateYearMonthDayDot, L"YYYY.MM.DD"},
};

// The date by its format code; an unknown code formats as MM/DD/YYYY. The
// fields are taken as 16-bit values, as the platform's calendar-time record holds them.
std::wstring FormatDate(int code, unsigned year, unsigned month, unsigned day);
std::string FormatDateAscii(int code, unsigned year, unsigned month, unsigned day);

// What the two unit modes mean, as the General page explains them.
inline constexpr const wchar_t* kUnitExplanationBytes =
    L"1B/s stands for 1 Byte per second (1 Byte = 8 bits).\n1KB/s stands for 1024 Bytes per second.\n"
    L"1MB/s stands for 1024 KB per second.\n1GB/s stands for 1024 MB per second.";
inline constexpr const wchar_t* kUnitExplanationBits =
    L"1bps stands for 1 bit per second (8 bits = 1 Byte).\n1kbps stands for 1000 bits per second.\n"
    L"1mbps stands for 1000 kb per second.\n1gbps stands for 1000 mb per second.";

// Week day names by number, 0 = Sunday .. 6 = Saturday; wide for the windows,
// narrow for the single-byte report and recording files.
inline constexpr const wchar_t* kWeekdayNames[7] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                                    L"Thursday", L"Friday", L"Saturday"};
inline constexpr const char* kWeekdayNamesNarrow[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

// "YYYY-MM-DD" of the fields as stored, even when they form no real date.
std::string IsoDate(int year, int month, int day);
inline std::string IsoDate(const CivilDate& d) { return IsoDate(d.year, d.month, d.day); }
