// The Notification page (dialog 208), the options sheet's fourth page: the
// usage rule with its actions, a test of the sound and of the beep pattern,
// and the e-mail settings dialog. Works on copies; Apply hands the page to
// the meter window with the page code 204.
#pragma once
#include <vector>

#include "alerts/email_settings.h"
#include "alerts/notification_page.h"
#include "settings/options_sheet_win.h"
#include "ui/dialog_win.h"
#include "ui/spin_win.h"

class COptNotificationPage : public Dialog<COptNotificationPage>, public COptionPage {
public:
  COptNotificationPage(bool enabled, const AlertRule& rule, const EmailSettings& email,
                       const std::vector<AdapterRow>& connections);
  ~COptNotificationPage() override;
  PROPSHEETPAGEW Record(HINSTANCE inst) override;

  bool enabled() const { return enabled_; }
  const AlertRule& rule() const { return rule_; }
  const EmailSettings& email() const { return email_; }

private:
  friend class Dialog<COptNotificationPage>;
  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  MsgHandler OnInitDialog, OnNotify, OnDestroy;
  CmdHandler OnSwitchCmd, OnPeriodCmd, OnBrowseSoundCmd, OnTestSoundCmd, OnTestBeepCmd, OnBrowseProgramCmd,
      OnEmailSettingsCmd;
  bool OnOtherCommand(WORD id, WORD code, HWND control);
  std::optional<PageProblem> ReadAndCheck() override;

  NotificationPageValues ReadControls() const;
  // Every control after the switches: enabled by its check box.
  void EnableControls();
  bool Checked(int id) const;
  std::wstring Text(int id) const;
  void RunEmailSettings();

  bool enabled_;
  AlertRule rule_;
  EmailSettings email_;
  std::vector<AdapterRow> connections_;
  CSpinControl days_;
  // The sheet checks a page before the apply and again in it: the question
  // about incomplete mail settings is asked once per apply.
  bool mailQuestionAsked_ = false;
};
