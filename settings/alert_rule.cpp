#include "settings/alert_rule.h"

#include "base/utf16.h"

using namespace alert_rule_layout;

uint64_t UnitMultiplier(int32_t unit) {
  if (unit < kUnitBytes || unit > kUnitTB) return 0;
  return uint64_t{1} << (10 * unit);
}

namespace {
void PutInt(std::vector<uint8_t>& out, size_t at, int32_t v) { PutU32Le(&out[at], static_cast<uint32_t>(v)); }
int32_t GetInt(const std::vector<uint8_t>& in, size_t at) { return static_cast<int32_t>(GetU32Le(&in[at])); }

void PutText(std::vector<uint8_t>& out, size_t at, size_t units, const std::wstring& text) {
  PutUtf16Field(&out[at], units, text);
}
std::wstring GetText(const std::vector<uint8_t>& in, size_t at, size_t units) { return GetUtf16Field(&in[at], units); }
}  // namespace

std::vector<uint8_t> SerializeAlertRule(const AlertRule& r) {
  std::vector<uint8_t> out(kAlertRuleSize, 0);
  PutInt(out, kVersion, r.version);
  PutInt(out, kKind, r.kind);
  PutTextField(&out[kAdapterId], kAdapterIdBytes, r.adapterId);
  PutText(out, kThreshold, kThresholdUnits, r.threshold);
  PutInt(out, kUnit, r.unit);
  PutInt(out, kTransfer, r.transfer);
  PutInt(out, kPeriod, r.period);
  PutInt(out, kPlaySound, r.playSound);
  PutText(out, kSoundFile, kPathUnits, r.soundFile);
  PutInt(out, kBeep, r.beep);
  PutInt(out, kBeepPattern, r.beepPattern);
  PutInt(out, kLastDays, r.lastDays);
  PutInt(out, kSendMail, r.sendMail);
  PutText(out, kRecipients, kPathUnits, r.recipients);
  PutInt(out, kRunProgram, r.runProgram);
  PutText(out, kProgram, kPathUnits, r.program);
  return out;
}

bool ParseAlertRule(const std::vector<uint8_t>& in, AlertRule& out) {
  if (in.size() != kAlertRuleSize) return false;
  AlertRule r;
  r.version = GetInt(in, kVersion);
  r.kind = GetInt(in, kKind);
  r.adapterId = GetTextField(&in[kAdapterId], kAdapterIdBytes);
  r.threshold = GetText(in, kThreshold, kThresholdUnits);
  r.unit = GetInt(in, kUnit);
  r.transfer = GetInt(in, kTransfer);
  r.period = GetInt(in, kPeriod);
  r.playSound = GetInt(in, kPlaySound);
  r.soundFile = GetText(in, kSoundFile, kPathUnits);
  r.beep = GetInt(in, kBeep);
  r.beepPattern = GetInt(in, kBeepPattern);
  r.lastDays = GetInt(in, kLastDays);
  r.sendMail = GetInt(in, kSendMail);
  r.recipients = GetText(in, kRecipients, kPathUnits);
  r.runProgram = GetInt(in, kRunProgram);
  r.program = GetText(in, kProgram, kPathUnits);
  out = std::move(r);
  return true;
}
