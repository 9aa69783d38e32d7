// The e-mail settings dialog (219): server, sender, authentication, the two
// templates with a preview, and a test e-mail sent on a worker thread while
// the dialog waits disabled. Works on its own copy of the settings.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "alerts/email_settings.h"
#include "ui/dialog_win.h"

class CEmailSettingsDlg : public Dialog<CEmailSettingsDlg> {
public:
  // Shows a message titled "Zephra"; type carries the icon flags.
  using MessageBoxFn = std::function<int(HWND owner, const std::wstring& text, UINT type)>;

  explicit CEmailSettingsDlg(const EmailSettings& settings, HINSTANCE inst = nullptr);

  // Runs the dialog modally; on IDOK settings() holds the edited values.
  INT_PTR Run(HWND owner);
  // The dialog without its own loop (the caller pumps messages).
  HWND Create(HWND owner);

  const EmailSettings& settings() const { return settings_; }
  // IDOK once OK has closed the dialog, IDCANCEL once Cancel has, else 0.
  INT_PTR result() const { return result_; }
  bool sendingTestMail() const { return sending_; }

  void SetMessageBox(MessageBoxFn box) { messageBox_ = std::move(box); }
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

  HINSTANCE inst_;
  EmailSettings settings_;
  MessageBoxFn messageBox_;
  uint16_t mailPort_ = 25;
  bool sending_ = false;
  bool modal_ = false;
  INT_PTR result_ = 0;
};
