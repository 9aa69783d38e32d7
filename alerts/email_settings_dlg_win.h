// The e-mail settings dialog (219): server, sender, authentication, the two
// templates with a preview, and a test e-mail sent on a worker thread while
// the dialog waits disabled. Works on its own copy of the settings.
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

  // The port the test e-mail connects to (25).
  void SetMailPort(uint16_t port) { mailPort_ = port; }

  std::optional<INT_PTR> OnInitDialog(WPARAM, LPARAM);
  std::optional<INT_PTR> OnMailDone(WPARAM, LPARAM);
  void OnAuthentication(WORD id, WORD code, HWND control);
  void OnPreview(WORD id, WORD code, HWND control);
  void OnSendTest(WORD id, WORD code, HWND control);
  void OnOk(WORD id, WORD code, HWND control);
  void OnCancel(WORD id, WORD code, HWND control);

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
  uint16_t mailPort_ = 25;
  bool sending_ = false;
  INT_PTR result_ = 0;
};
