// The e-mail settings dialog (219): server with its port and connection
// security, sender, authentication, the two templates with a preview, and a
// test e-mail sent on a worker thread while the dialog waits disabled. Works
// on its own copy of the settings.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "alerts/email_settings.h"
#include "res/resource.h"
#include "ui/dialog_win.h"

class CEmailSettingsDlg : public AppDialog<CEmailSettingsDlg, IDD_EMAIL_SETTINGS> {
public:
  explicit CEmailSettingsDlg(const EmailSettings& settings, HINSTANCE inst = nullptr);

  // Run(): on IDOK settings() holds the edited values.

  const EmailSettings& settings() const { return settings_; }
  // IDOK once OK has closed the dialog, IDCANCEL once Cancel has, else 0.
  INT_PTR result() const { return result_; }
  bool sendingTestMail() const { return sending_; }

  MsgHandler OnInitDialog, OnMailDone;
  CmdHandler OnAuthentication, OnSecurity, OnPreview, OnSendTest, OnOk, OnCancel;

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

private:
  EmailSettings ReadControls() const;
  // Validates the controls' values; on a failure warns and focuses the field.
  bool Validate(const EmailSettings& s);
  void Refuse(const FieldProblem& problem);
  void EnableAccountEdits();
  void Finish(INT_PTR result);

  EmailSettings settings_;
  SmtpSecurity shownSecurity_ = SmtpSecurity::None;  // the one the port box followed last
  bool warnedPlainPassword_ = false;
  bool sending_ = false;
  INT_PTR result_ = 0;
};
