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
  std::u16string u = ToUtf16(text);
  if (u.size() > units - 1) u.resize(units - 1);
  for (size_t i = 0; i < u.size(); ++i) {
    out[at + 2 * i] = static_cast<uint8_t>(u[i] & 0xFF);
    out[at + 2 * i + 1] = static_cast<uint8_t>(u[i] >> 8);
  }
}
std::wstring GetText(const std::vector<uint8_t>& in, size_t at, size_t units) {
  return FromUtf16(ReadUtf16Le(&in[at], 2 * (units - 1)));
}
}  // namespace

std::vector<uint8_t> SerializeAlertRule(const AlertRule& r) {
  std::vector<uint8_t> out(kAlertRuleSize, 0);
  PutInt(out, kVersion, r.version);
  PutInt(out, kKind, r.kind);
  for (size_t i = 0; i < r.adapterId.size() && i < kAdapterIdBytes - 1; ++i)
    out[kAdapterId + i] = static_cast<uint8_t>(r.adapterId[i]);
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
  for (size_t i = 0; i < kAdapterIdBytes - 1 && in[kAdapterId + i] != 0; ++i)
    r.adapterId.push_back(static_cast<char>(in[kAdapterId + i]));
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
