// The about window (dialog 210): product name, version from the version
// resource, and links to the home page and the support mailbox.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "ui/dialog_win.h"
#include "view/link_label_win.h"

class CAboutDlg : public Dialog<CAboutDlg> {
public:
  explicit CAboutDlg(HINSTANCE inst = nullptr);

  // Runs the window modally; returns the dialog result (IDOK or IDCANCEL).
  INT_PTR Run(HWND owner);

  const CLinkLabel& homePage() const { return homePage_; }
  const CLinkLabel& email() const { return email_; }

private:
  friend class Dialog<CAboutDlg>;  // the message tables and their handlers

  std::optional<INT_PTR> OnInitDialog(WPARAM, LPARAM);
  void OnOk(WORD, WORD, HWND);
  void OnCancel(WORD, WORD, HWND);

  static const MsgEntry kMessages[];
  static const CmdEntry kCommands[];

  HINSTANCE inst_;
  CLinkLabel homePage_;
  CLinkLabel email_;
};

// "Version 1.2.3.4" from the module's version resource; empty when it has none.
std::wstring ModuleVersionText(HINSTANCE inst);
