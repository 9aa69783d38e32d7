#include "alerts/notification_page.h"

#include "alerts/usage_alert.h"
#include "base/text_util.h"
#include "res/resource.h"

namespace {
constexpr double kSmallestThreshold = 0.000001;

bool EndsWithWav(const std::wstring& path) {
  const std::wstring ext = FileExtensionOf(path);
  if (ext.size() != 4 || ext[0] != L'.') return false;
  const wchar_t* want = L"wav";
  for (size_t i = 0; i < 3; ++i)
    if ((ext[i + 1] | 0x20) != want[i]) return false;
  return true;
}
}  // namespace

bool IsPlayableWav(const std::wstring& path, const FileExistsFn& exists) {
  // A bare name would be looked up in the current folder: only full paths are taken.
  return path.find(L'\\') != std::wstring::npos && exists(path) && EndsWithWav(path);
}

std::wstring NotAWavText(const std::wstring& path) {
  return FillPlaces(L"File '%s' isn't available or isn't a WAV file.", {path});
}

Choices UnitChoices() { return {{L"Bytes", 0}, {L"KB", 1}, {L"MB", 2}, {L"GB", 3}, {L"TB", 4}}; }
Choices TransferChoices() { return {{L"downloaded", 0}, {L"uploaded", 1}, {L"downloaded & uploaded", 2}}; }
Choices PeriodChoices() { return {{L"week", 0}, {L"month", 1}, {L"custom", 2}}; }

Choices BeepPatternChoices() {
  static const wchar_t* const kPitch[] = {L"Low", L"Medium", L"High"};
  static const wchar_t* const kLength[] = {L"short", L"medium", L"long"};
  Choices out;
  for (int i = 0; i < 9; ++i)
    out.push_back({std::wstring(kPitch[i / 3]) + L" frequency, " + kLength[i % 3] + L" duration", i});
  return out;
}

BeepTone BeepPatternTone(int32_t index) {
  static const uint32_t kFrequency[] = {400, 900, 1600};
  static const uint32_t kDuration[] = {100, 200, 400};
  if (index > 8) index = 8;
  if (index < 0) index = 0;
  return BeepTone{kFrequency[index / 3], kDuration[index % 3]};
}

std::optional<PageProblem> CheckNotificationPage(const NotificationPageValues& v, const FileExistsFn& exists,
                                                 const NarrowText& narrow) {
  if (v.connection < 0) return PageProblem{L"Please select an adapter.", IDC_NOT_CONNECTION};
  if (v.number.empty() || !IsNumericText(v.number) || ThresholdNumber(v.number) < kSmallestThreshold)
    return PageProblem{L"Please enter a valid transfer number.", IDC_NOT_NUMBER};
  if (v.unit < 0) return PageProblem{L"Please select a transfer unit (Bytes, KB, MB, GB, or TB).", IDC_NOT_UNIT};
  if (v.transfer < 0)
    return PageProblem{L"Please select the transfer type (downloaded, uploaded or both).", IDC_NOT_TRANSFER};
  if (v.period < 0) return PageProblem{L"Please select a period.", IDC_NOT_PERIOD};
  if (v.period == kPeriodLastDays)
    if (auto problem = CheckNumberBox(v.lastDays, kShortCountRange, IDC_NOT_DAYS, L"last day number",
                                      L"The last day number should be greater than or equal to 1."))
      return problem;
  if (v.playSound) {
    if (v.soundFile.empty()) return PageProblem{L"Please choose a sound file.", IDC_NOT_SOUND_FILE};
    if (!IsPlayableWav(v.soundFile, exists)) return PageProblem{NotAWavText(v.soundFile), IDC_NOT_SOUND_FILE};
  }
  // With the beep off its list is disabled and cannot take the focus: the box gets it.
  if (v.beepPattern < 0) return PageProblem{L"Please select a beep sound.", v.beep ? IDC_NOT_BEEP_PATTERN : IDC_NOT_BEEP};
  if (v.sendMail) {
    const PageProblem noAddress{L"Please input email address.", IDC_NOT_RECIPIENTS};
    if (v.recipients.empty()) return noAddress;
    const std::vector<std::wstring> items = SplitList(v.recipients, L',');
    if (items.empty()) return noAddress;
    for (const std::wstring& item : items)
      if (!IsValidEmailAddress(item))
        return PageProblem{FillPlaces(L"Invalid email address '%s'.", {item}), IDC_NOT_RECIPIENTS};
    // The list must also fit the mail's recipient field.
    if (auto problem = CheckRecipients(v.recipients, narrow)) return PageProblem{problem->message, IDC_NOT_RECIPIENTS};
  }
  if (v.runProgram) {
    if (v.program.empty()) return PageProblem{L"Please choose an executable file.", IDC_NOT_PROGRAM};
    if (!exists(v.program)) return PageProblem{FillPlaces(L"File '%s' isn't available.", {v.program}), IDC_NOT_PROGRAM};
  }
  return std::nullopt;
}

void TakeNotificationValues(AlertRule& rule, const NotificationPageValues& v, const AdapterRow& row) {
  rule.kind = row.kind;
  rule.adapterId = row.id;
  rule.threshold = v.number;
  rule.unit = v.unit;
  rule.transfer = v.transfer;
  rule.period = v.period;
  if (kShortCountRange.Contains(v.lastDays)) rule.lastDays = v.lastDays;  // else unused: the period is another
  rule.playSound = v.playSound ? 1 : 0;
  rule.soundFile = v.soundFile;
  rule.beep = v.beep ? 1 : 0;
  rule.beepPattern = v.beepPattern;
  rule.sendMail = v.sendMail ? 1 : 0;
  rule.recipients = v.recipients;
  rule.runProgram = v.runProgram ? 1 : 0;
  rule.program = v.program;
}
