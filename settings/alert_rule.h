// The one usage rule: which connection, how much traffic in which period, and
// what to do when it is passed. Stored whole as the 1992-byte registry value
// "NotificationEx2U" (little-endian integers, NUL-terminated zero-padded texts).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kAlertRuleSize = 1992;
constexpr int32_t kAlertRuleVersion = 3;     // written
constexpr int32_t kAlertRuleOldVersion = 2;  // still read

enum AlertUnit : int32_t { kUnitBytes = 0, kUnitKB = 1, kUnitMB = 2, kUnitGB = 3, kUnitTB = 4 };
enum AlertTransfer : int32_t { kTransferDown = 0, kTransferUp = 1, kTransferBoth = 2 };
enum AlertPeriod : int32_t { kPeriodWeek = 0, kPeriodMonth = 1, kPeriodLastDays = 2 };

// Byte offsets of the fields in the stored image.
namespace alert_rule_layout {
constexpr size_t kVersion = 0, kKind = 4, kAdapterId = 8, kThreshold = 268, kUnit = 396, kTransfer = 400,
                 kPeriod = 404, kPlaySound = 408, kSoundFile = 412, kBeep = 932, kBeepPattern = 936,
                 kLastDays = 940, kSendMail = 944, kRecipients = 948, kRunProgram = 1468, kProgram = 1472;
constexpr size_t kAdapterIdBytes = 260;   // 8-bit text
constexpr size_t kThresholdUnits = 64;    // UTF-16, 128 bytes
constexpr size_t kPathUnits = 260;        // UTF-16, 520 bytes
}  // namespace alert_rule_layout

// Texts longer than their field (minus the terminator) are cut when stored.
constexpr size_t kAlertIdMaxChars = 259;
constexpr size_t kThresholdMaxChars = 63;
constexpr size_t kAlertPathMaxChars = 259;

// Defaults: every field zero or empty, as the all-zero image reads.
struct AlertRule {
  int32_t version = 0;
  int32_t kind = 0;          // AdapterKind of the watched connection: 100, 200 or 300
  std::string adapterId;     // 8-bit text; compared only for kind 300
  std::wstring threshold;    // the number as typed: digits and "."
  int32_t unit = kUnitBytes;
  int32_t transfer = kTransferDown;
  int32_t period = kPeriodWeek;
  int32_t playSound = 0;
  std::wstring soundFile;
  int32_t beep = 0;
  int32_t beepPattern = 0;   // 0-8; above 8 sounds as 8
  int32_t lastDays = 0;      // N of the last-N-days period; 1 = today only
  int32_t sendMail = 0;
  std::wstring recipients;   // addresses separated by ","
  int32_t runProgram = 0;
  std::wstring program;

  bool operator==(const AlertRule&) const = default;
};

// Bytes per unit: 1, 2^10, 2^20, 2^30, 2^40; 0 for an unknown unit.
uint64_t UnitMultiplier(int32_t unit);

// The image exactly as stored, with the version field as the record holds it.
std::vector<uint8_t> SerializeAlertRule(const AlertRule& rule);
// Reads an image of exactly kAlertRuleSize bytes; false (and `out` untouched)
// for any other size. Texts end at their first NUL or at their field's limit.
bool ParseAlertRule(const std::vector<uint8_t>& data, AlertRule& out);
inline bool IsKnownAlertRuleVersion(int32_t v) { return v == kAlertRuleVersion || v == kAlertRuleOldVersion; }
