// The notification window (dialog 218): what was passed, the running total
// refreshed every second, the reminder choice, and the sound or beep pattern
// that plays until stopped.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "alerts/usage_alert.h"
#include "res/resource.h"
#include "ui/dialog_win.h"
#include "ui/handle_win.h"

struct NotificationInput {
  AlertRule rule;
  const AdapterEntry* connection = nullptr;  // its today's counters are read every second
  std::wstring connectionName;
  uint64_t baseTotal = 0;
  DateRange shown;  // the period's first day and today
  int dateFormat = 0x11;
  ReminderChoice reminder;
};

class CNotificationDlg : public AppDialog<CNotificationDlg, IDD_NOTIFICATION> {
public:
  explicit CNotificationDlg(NotificationInput input, HINSTANCE inst = nullptr);
  ~CNotificationDlg();

  const ReminderChoice& reminder() const { return input_.reminder; }
  bool soundPlaying() const { return soundPlaying_; }
  bool beeperRunning() const { return beeperRunning_; }
  bool closed() const { return closed_; }

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnTimer, OnCtlColorStatic, OnDestroy;
  CmdHandler OnReminderChoice, OnStopSound, OnClose;

private:
  void RefreshTotal();
  void EnableMinutes();
  void StopSounds();

  NotificationInput input_;
  FontHandle messageFont_;
  FontHandle totalFont_;
  IconHandle bigIcon_;
  IconHandle smallIcon_;
  bool soundPlaying_ = false;
  bool beeperRunning_ = false;
  bool closed_ = false;
};
