// The rules of the Notification page, free of windows: its lists, the beep
// patterns, the checks of an apply in their order and how the page's values
// become the rule.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alerts/email_settings.h"
#include "settings/option_pages.h"

Choices UnitChoices();         // "Bytes" 0 .. "TB" 4
Choices TransferChoices();     // "downloaded" 0, "uploaded" 1, "downloaded & uploaded" 2
Choices PeriodChoices();       // "week" 0, "month" 1, "custom" 2
Choices BeepPatternChoices();  // the nine patterns, data their index

struct BeepTone {
  uint32_t frequency = 0;
  uint32_t durationMs = 0;
};
// The pattern's tone; an index above 8 sounds as 8, one below 0 as 0.
BeepTone BeepPatternTone(int32_t index);

// What the page's controls hold when it is applied; -1 = nothing selected.
struct NotificationPageValues {
  int connection = -1;  // index into the page's connection list
  std::wstring number;
  int32_t unit = -1;
  int32_t transfer = -1;
  int32_t period = -1;
  int32_t lastDays = 1;
  bool playSound = false;
  std::wstring soundFile;
  bool beep = false;
  int32_t beepPattern = -1;
  bool sendMail = false;
  std::wstring recipients;
  bool runProgram = false;
  std::wstring program;
};

using FileExistsFn = std::function<bool(const std::wstring& path)>;

// A sound file the page takes: a full path of an existing file ending in ".wav".
bool IsPlayableWav(const std::wstring& path, const FileExistsFn& exists);
// "File '<path>' isn't available or isn't a WAV file."
std::wstring NotAWavText(const std::wstring& path);

// The checks of an enabled page in their order; the first fault with its control.
std::optional<PageProblem> CheckNotificationPage(const NotificationPageValues& values, const FileExistsFn& exists,
                                                 const NarrowText& narrow);
// The values written into the rule (the connection from `row`).
void TakeNotificationValues(AlertRule& rule, const NotificationPageValues& values, const AdapterRow& row);
