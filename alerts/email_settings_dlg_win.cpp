#include "alerts/email_settings_dlg_win.h"

#include "alerts/smtp_win.h"
#include "base/ids.h"
#include "res/resource.h"
#include "ui/code_page_win.h"
#include "ui/window_util_win.h"

namespace {

constexpr int kTestAddressChars = 256;
constexpr int kPortChars = 5;
// The drop-down's items, in the order of the stored values.
constexpr const wchar_t* kSecurityNames[] = {L"None", L"STARTTLS", L"SSL/TLS"};

SmtpSecurity SecurityAt(LRESULT index) {
  return index == 1 ? SmtpSecurity::StartTls : index == 2 ? SmtpSecurity::Tls : SmtpSecurity::None;
}

int ControlOf(EmailField field) {
  switch (field) {
    case EmailField::Server: return IDC_SMTP_SERVER;
    case EmailField::Sender: return IDC_MAIL_FROM;
    case EmailField::UserName: return IDC_AUTH_NAME;
    case EmailField::Password: return IDC_AUTH_PASS;
    case EmailField::Subject: return IDC_EMAIL_SUBJECT;
    case EmailField::Body: return IDC_EMAIL_BODY;
    case EmailField::TestAddress:
    case EmailField::Recipients: return IDC_TEST_ADDRESS;
    case EmailField::Port: return IDC_SMTP_PORT;
  }
  return 0;
}

}  // namespace

const CEmailSettingsDlg::MsgEntry CEmailSettingsDlg::kMessages[] = {
    {WM_INITDIALOG, &CEmailSettingsDlg::OnInitDialog},
    {WM_MAIL_DONE, &CEmailSettingsDlg::OnMailDone},
};

const CEmailSettingsDlg::CmdEntry CEmailSettingsDlg::kCommands[] = {
    {IDC_SRV_REQ_AUTH, &CEmailSettingsDlg::OnAuthentication},
    {IDC_SMTP_SECURITY, &CEmailSettingsDlg::OnSecurity},
    {IDC_PREVIEW_EMAIL, &CEmailSettingsDlg::OnPreview},
    {IDC_SEND_TEST_EMAIL, &CEmailSettingsDlg::OnSendTest},
    {IDOK, &CEmailSettingsDlg::OnOk},
    {IDCANCEL, &CEmailSettingsDlg::OnCancel},
};

CEmailSettingsDlg::CEmailSettingsDlg(const EmailSettings& settings, HINSTANCE inst)
    : AppDialog(inst), settings_(settings) {}

std::optional<INT_PTR> CEmailSettingsDlg::OnInitDialog(WPARAM, LPARAM) {
  ::SetDlgItemTextW(hwnd_, IDC_SMTP_SERVER, settings_.server.c_str());
  for (const wchar_t* name : kSecurityNames)
    ::SendDlgItemMessageW(hwnd_, IDC_SMTP_SECURITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  ::SendDlgItemMessageW(hwnd_, IDC_SMTP_SECURITY, CB_SETCURSEL, static_cast<WPARAM>(settings_.security), 0);
  shownSecurity_ = settings_.security;
  ::SendDlgItemMessageW(hwnd_, IDC_SMTP_PORT, EM_LIMITTEXT, kPortChars, 0);
  ::SetDlgItemTextW(hwnd_, IDC_SMTP_PORT, std::to_wstring(MailPort(settings_)).c_str());
  ::SetDlgItemTextW(hwnd_, IDC_MAIL_FROM, settings_.sender.c_str());
  ::CheckDlgButton(hwnd_, IDC_SRV_REQ_AUTH, settings_.authentication ? BST_CHECKED : BST_UNCHECKED);
  ::SetDlgItemTextW(hwnd_, IDC_AUTH_NAME, settings_.userName.c_str());
  ::SetDlgItemTextW(hwnd_, IDC_AUTH_PASS, settings_.password.c_str());
  ::SetDlgItemTextW(hwnd_, IDC_EMAIL_SUBJECT, settings_.subjectTemplate.c_str());
  ::SetDlgItemTextW(hwnd_, IDC_EMAIL_BODY, settings_.bodyTemplate.c_str());
  ::SendDlgItemMessageW(hwnd_, IDC_TEST_ADDRESS, EM_LIMITTEXT, kTestAddressChars, 0);
  EnableAccountEdits();
  // FALSE: the focus was placed (on the account name) by EnableAccountEdits.
  return settings_.authentication ? FALSE : TRUE;
}

void CEmailSettingsDlg::EnableAccountEdits() {
  const bool on = ::IsDlgButtonChecked(hwnd_, IDC_SRV_REQ_AUTH) == BST_CHECKED;
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_AUTH_NAME), on);
  ::EnableWindow(::GetDlgItem(hwnd_, IDC_AUTH_PASS), on);
  if (on) ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd_, IDC_AUTH_NAME)), TRUE);
}

void CEmailSettingsDlg::OnAuthentication(WORD, WORD code, HWND) {
  if (code == BN_CLICKED) EnableAccountEdits();
}

// The port box follows the security while it shows the last security's usual
// port (or nothing); a port the user typed stays.
void CEmailSettingsDlg::OnSecurity(WORD, WORD code, HWND) {
  if (code != CBN_SELCHANGE) return;
  const SmtpSecurity chosen = SecurityAt(::SendDlgItemMessageW(hwnd_, IDC_SMTP_SECURITY, CB_GETCURSEL, 0, 0));
  const uint32_t shown = PortFromText(ItemText(hwnd_, IDC_SMTP_PORT));
  if (shown == 0 || shown == DefaultSmtpPort(shownSecurity_))
    ::SetDlgItemTextW(hwnd_, IDC_SMTP_PORT, std::to_wstring(DefaultSmtpPort(chosen)).c_str());
  shownSecurity_ = chosen;
}

EmailSettings CEmailSettingsDlg::ReadControls() const {
  EmailSettings s;
  s.server = ItemText(hwnd_, IDC_SMTP_SERVER);
  s.security = SecurityAt(::SendDlgItemMessageW(hwnd_, IDC_SMTP_SECURITY, CB_GETCURSEL, 0, 0));
  // The usual port is stored as 0, so that it follows the security.
  s.port = PortFromText(ItemText(hwnd_, IDC_SMTP_PORT));
  if (s.port == DefaultSmtpPort(s.security)) s.port = 0;
  s.sender = ItemText(hwnd_, IDC_MAIL_FROM);
  s.authentication = ::IsDlgButtonChecked(hwnd_, IDC_SRV_REQ_AUTH) == BST_CHECKED;
  s.userName = ItemText(hwnd_, IDC_AUTH_NAME);
  s.password = ItemText(hwnd_, IDC_AUTH_PASS);
  s.subjectTemplate = ItemText(hwnd_, IDC_EMAIL_SUBJECT);
  s.bodyTemplate = ItemText(hwnd_, IDC_EMAIL_BODY);
  return s;
}

void CEmailSettingsDlg::Refuse(const FieldProblem& problem) { ShowFailure(ControlOf(problem.field), problem.message); }

bool CEmailSettingsDlg::Validate(const EmailSettings& s) {
  if (auto problem = ValidateEmailSettings(s, ToSystemCodePage)) {
    Refuse(*problem);
    return false;
  }
  return true;
}

void CEmailSettingsDlg::OnPreview(WORD, WORD, HWND) {
  messageBox_(hwnd_, ExpandTemplate(ItemText(hwnd_, IDC_EMAIL_BODY), SampleTemplateValues()),
              MB_OK | MB_ICONINFORMATION);
}

void CEmailSettingsDlg::OnSendTest(WORD, WORD, HWND) {
  if (sending_) return;
  const EmailSettings s = ReadControls();
  if (!Validate(s)) return;
  const std::wstring address = ItemText(hwnd_, IDC_TEST_ADDRESS);
  if (auto problem = CheckTestAddress(address, ToSystemCodePage)) {
    Refuse(*problem);
    return;
  }
  StartSockets();
  auto job = std::make_unique<MailJob>();
  if (auto problem = FillMailJob(*job, s, address, TestMailText(s, address), ToSystemCodePage)) {
    Refuse(*problem);
    return;
  }
  job->notifyWindow = hwnd_;
  if (!StartMailJob(std::move(job))) {
    messageBox_(hwnd_, L"Failed to send the test email.\n\nError: no worker thread could be started.",
                MB_OK | MB_ICONINFORMATION);
    return;
  }
  sending_ = true;
  ::SetDlgItemTextW(hwnd_, IDC_EMAIL_STATUS, L"Sending email...");
  ::EnableWindow(hwnd_, FALSE);
}

std::optional<INT_PTR> CEmailSettingsDlg::OnMailDone(WPARAM, LPARAM lp) {
  sending_ = false;
  ::EnableWindow(hwnd_, TRUE);
  ::SetDlgItemTextW(hwnd_, IDC_EMAIL_STATUS, L"");
  std::wstring text = L"The test email was sent successfully.";
  if (lp) {
    text = L"Failed to send the test email.\n\nError: " + FromSystemCodePage(reinterpret_cast<const char*>(lp));
    FreeMailDoneText(lp);
  }
  messageBox_(hwnd_, text, MB_OK | MB_ICONINFORMATION);
  return TRUE;
}

void CEmailSettingsDlg::OnOk(WORD, WORD, HWND) {
  if (sending_) return;
  const EmailSettings s = ReadControls();
  if (!Validate(s)) return;
  const std::wstring warning = PlainPasswordWarning(s);
  if (!warning.empty() && !warnedPlainPassword_) {
    warnedPlainPassword_ = true;
    if (messageBox_(hwnd_, warning, MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
      ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd_, IDC_SMTP_SECURITY)), TRUE);
      return;
    }
  }
  settings_ = s;
  Finish(IDOK);
}

void CEmailSettingsDlg::OnCancel(WORD, WORD, HWND) {
  if (sending_) return;
  Finish(IDCANCEL);
}

void CEmailSettingsDlg::Finish(INT_PTR result) {
  result_ = result;
  EndAsStarted(result, true);
}
