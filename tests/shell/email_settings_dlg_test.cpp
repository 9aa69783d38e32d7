// The e-mail settings dialog driven by messages, its test e-mail against real
// and hostile servers, and its values in the real registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/email_settings_dlg_win.h"
#include "alerts/smtp_win.h"
#include "res/resource.h"
#include "settings/registry_win.h"
#include "shell_support.h"
#include "smtp_test_support.h"

namespace {

class EmailDlgTest : public testing::Test {
protected:
  void Open(const EmailSettings& s) {
    dlg_ = std::make_unique<CEmailSettingsDlg>(s);
    dlg_->SetMessageBox([this](HWND, const std::wstring& text, UINT type) {
      shown_.push_back(text);
      types_.push_back(type);
      return answer_;
    });
    h_ = dlg_->Create(nullptr);
    ASSERT_NE(h_, nullptr);
    ::ShowWindow(h_, SW_SHOW);
    ::SetForegroundWindow(h_);
  }
  void TearDown() override { ::DestroyWindow(h_); }
  void Set(int id, const wchar_t* text) { ::SetDlgItemTextW(h_, id, text); }
  std::wstring Text(int id) {
    wchar_t buffer[256] = {};
    ::GetDlgItemTextW(h_, id, buffer, 256);
    return buffer;
  }
  void Click(int id) {
    shown_.clear();
    types_.clear();
    ::SendMessageW(h_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
  int Focused() { return ::GetDlgCtrlID(::GetFocus()); }
  bool Enabled(int id) { return ::IsWindowEnabled(::GetDlgItem(h_, id)) != FALSE; }
  void ChooseSecurity(SmtpSecurity security) {
    ::SendDlgItemMessageW(h_, IDC_SMTP_SECURITY, CB_SETCURSEL, static_cast<WPARAM>(security), 0);
    ::SendMessageW(h_, WM_COMMAND, MAKEWPARAM(IDC_SMTP_SECURITY, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(h_, IDC_SMTP_SECURITY)));
  }
  void SendTestMail(uint16_t port, const wchar_t* address) {
    Set(IDC_SMTP_SERVER, L"localhost");
    Set(IDC_SMTP_PORT, std::to_wstring(port).c_str());
    Set(IDC_MAIL_FROM, L"meter@example.org");
    Set(IDC_EMAIL_SUBJECT, L"Usage over %b");
    Set(IDC_EMAIL_BODY, L"Hi,\r\n.\r\nMore than %b through %a.\r\n");
    Set(IDC_TEST_ADDRESS, address);
    Click(IDC_SEND_TEST_EMAIL);
  }

  std::unique_ptr<CEmailSettingsDlg> dlg_;
  HWND h_ = nullptr;
  std::vector<std::wstring> shown_;
  std::vector<UINT> types_;
  int answer_ = IDOK;
};

TEST_F(EmailDlgTest, ValidationStopsAtTheFirstFaultAndFocusesIt) {
  Open({true, L"", L"", L"", L"", L"x", L"x"});
  Set(IDC_EMAIL_SUBJECT, L"");
  Set(IDC_EMAIL_BODY, L"");
  const struct {
    int fill;  // the control filled before OK
    const wchar_t* value;
    const wchar_t* message;
    int focus;
  } steps[] = {
      {0, nullptr, L"Please input SMTP server name or IP.", IDC_SMTP_SERVER},
      {IDC_SMTP_PORT, L"65536", L"Please input SMTP server name or IP.", IDC_SMTP_SERVER},
      {IDC_SMTP_SERVER, L"mail.example.org", L"Please input a port from 1 to 65535, or leave it empty.", IDC_SMTP_PORT},
      {IDC_SMTP_PORT, L"", L"Please input \"Mail From.\"", IDC_MAIL_FROM},
      {IDC_MAIL_FROM, L"meter@example.org", L"Please input SMTP server authentication account name.", IDC_AUTH_NAME},
      {IDC_AUTH_NAME, L"ann", L"Please input email template subject.", IDC_EMAIL_SUBJECT},
      {IDC_AUTH_PASS, L"pppppppppppppppppppppppppppppppp", L"The password is too long: at most 31 characters.", IDC_AUTH_PASS},
      {IDC_AUTH_PASS, L"", L"Please input email template subject.", IDC_EMAIL_SUBJECT},
      {IDC_EMAIL_SUBJECT, L"Usage", L"Please input email template body.", IDC_EMAIL_BODY},
  };
  for (const auto& step : steps) {
    if (step.fill) Set(step.fill, step.value);
    Click(IDOK);
    EXPECT_EQ(shown_, std::vector<std::wstring>{step.message});
    EXPECT_EQ(types_, std::vector<UINT>{MB_OK | MB_ICONWARNING});
    EXPECT_EQ(Focused(), step.focus) << step.message;
  }
  EXPECT_EQ(dlg_->result(), 0);
  Set(IDC_EMAIL_BODY, L"Body");
  Click(IDOK);  // the password warning, answered OK
  EXPECT_EQ(types_, std::vector<UINT>{MB_OKCANCEL | MB_ICONWARNING});
  EXPECT_EQ(dlg_->result(), IDOK);
  EXPECT_EQ(dlg_->settings(), (EmailSettings{true, L"meter@example.org", L"mail.example.org", L"ann", L"", L"Usage", L"Body"}));
}

TEST_F(EmailDlgTest, AuthenticationEnablesTheAccountEditsPreviewShowsSamples) {
  Open(EmailSettings{});
  EXPECT_FALSE(Enabled(IDC_AUTH_NAME) || Enabled(IDC_AUTH_PASS));
  ::SendDlgItemMessageW(h_, IDC_SRV_REQ_AUTH, BM_CLICK, 0, 0);
  EXPECT_TRUE(Enabled(IDC_AUTH_NAME) && Enabled(IDC_AUTH_PASS));
  EXPECT_EQ(Focused(), IDC_AUTH_NAME);
  ::SendDlgItemMessageW(h_, IDC_SRV_REQ_AUTH, BM_CLICK, 0, 0);
  EXPECT_FALSE(Enabled(IDC_AUTH_NAME) || Enabled(IDC_AUTH_PASS));
  Set(IDC_EMAIL_BODY, L"%b %t %a %p %f %x");
  Click(IDC_PREVIEW_EMAIL);
  EXPECT_EQ(shown_, std::vector<std::wstring>{L"10 GB downloaded LAN [10.0.0.10] week (03/02/2008 -- 03/08/2008) 11.2 GB %x"});
  EXPECT_EQ(types_, std::vector<UINT>{MB_OK | MB_ICONINFORMATION});
}

TEST_F(EmailDlgTest, PortFollowsTheSecurityUnlessTypedPasswordWarningComesOnce) {
  Open({true, L"meter@example.org", L"mail.example.org", L"ann", L"pw"});
  const struct {
    const wchar_t* typed;  // into the port box first, unless null
    SmtpSecurity chosen;
    const wchar_t* port;
  } steps[] = {{nullptr, SmtpSecurity::StartTls, L"587"}, {nullptr, SmtpSecurity::Tls, L"465"},
               {L"2525", SmtpSecurity::StartTls, L"2525"}, {L"", SmtpSecurity::None, L"25"},
               {nullptr, SmtpSecurity::StartTls, L"587"}};
  for (const auto& step : steps) {
    if (step.typed) Set(IDC_SMTP_PORT, step.typed);
    ChooseSecurity(step.chosen);
    EXPECT_EQ(Text(IDC_SMTP_PORT), step.port);
  }
  ChooseSecurity(SmtpSecurity::None);
  answer_ = IDCANCEL;
  Click(IDOK);
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(types_, std::vector<UINT>{MB_OKCANCEL | MB_ICONWARNING});
  EXPECT_EQ(Focused(), IDC_SMTP_SECURITY);
  EXPECT_EQ(dlg_->result(), 0);
  Set(IDC_SMTP_PORT, L"2525");
  Click(IDOK);
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(dlg_->result(), IDOK);
  EXPECT_EQ(dlg_->settings().security, SmtpSecurity::None);
  EXPECT_EQ(dlg_->settings().port, 2525u);
}

TEST_F(EmailDlgTest, TestMailReachesARealServerOverStartTlsWithTheExactText) {
  const TestCertificates& certificates = TestCertificates::Get();
  ASSERT_TRUE(certificates.ready());
  ScriptServer server("mailbox_smtp.py", "ann pw --starttls " + certificates.Files("localhost"));
  ASSERT_TRUE(server.ready());
  Open({true, L"", L"", L"ann", L"pw"});
  ChooseSecurity(SmtpSecurity::StartTls);
  SendTestMail(server.port(), L"bob@example.org");
  EXPECT_EQ(Text(IDC_EMAIL_STATUS), L"Sending email...");
  EXPECT_FALSE(::IsWindowEnabled(h_));
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(h_) != FALSE; }, 20000));
  EXPECT_EQ(Text(IDC_EMAIL_STATUS), L"");
  EXPECT_EQ(shown_, std::vector<std::wstring>{L"The test email was sent successfully."});
  EXPECT_EQ(types_, std::vector<UINT>{MB_OK | MB_ICONINFORMATION});
  EXPECT_EQ(server.Read("1.eml"),
            "From: meter@example.org\r\nTo: bob@example.org\r\nSubject: [Test Email] Usage over %b\r\n\r\n"
            "Hi,\r\n.\r\nMore than 10 GB through LAN [10.0.0.10].\r\n");
  EXPECT_EQ(server.Read("log"), "STARTTLS\nAUTH LOGIN tls\n");
}

TEST_F(EmailDlgTest, TestMailFailuresAndRefusedAddresses) {
  ScriptServer server("hostile_smtp.py", "refuse-rcpt");
  ASSERT_TRUE(server.ready());
  Open(EmailSettings{});
  for (const wchar_t* bad : {L"bob@example.org,ann@example.org", L""}) {
    SendTestMail(server.port(), bad);
    EXPECT_EQ(shown_, std::vector<std::wstring>{L"Please enter a valid email address."});
    EXPECT_EQ(Focused(), IDC_TEST_ADDRESS);
  }
  SendTestMail(server.port(), L"bob@example.org");
  ASSERT_TRUE(PumpUntil([&] { return !shown_.empty(); }, 10000));
  EXPECT_EQ(shown_, std::vector<std::wstring>{L"Failed to send the test email.\n\nError: SMTP Server didn't relay email."});
  EXPECT_EQ(types_, std::vector<UINT>{MB_OK | MB_ICONINFORMATION});
  EXPECT_TRUE(::IsWindowEnabled(h_));
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

TEST(EmailSettingsRegistry, ValuesWithTheirTypesAndTerminatedSizes) {
  Win32Registry reg;
  TestRegistryRoot root;
  EmailSettings s;
  s.authentication = true;
  s.sender = L"meter@example.org";
  s.userName = L"ann";
  ASSERT_TRUE(SaveEmailSettings(reg, RegRoot::CurrentUser, root.root(), s));
  const struct {
    const wchar_t* name;
    DWORD type, size;
  } values[] = {{L"SrvReqAuth", REG_DWORD, 4}, {L"MailFrom", REG_SZ, 36},        {L"SmtpServer", REG_SZ, 2},
                {L"AuthName", REG_SZ, 8},      {L"AuthPass", REG_SZ, 2},        {L"EmlTempSubject", REG_SZ, 58},
                {L"EmlTempBody", REG_SZ, 228}, {L"SmtpSecurity", REG_DWORD, 4}, {L"SmtpPort", REG_DWORD, 4}};
  for (const auto& v : values) {
    DWORD type = 0, size = 0;
    ::RegGetValueW(HKEY_CURRENT_USER, root.key(L"Options\\EmailSettings").c_str(), v.name, RRF_RT_ANY | RRF_NOEXPAND,
                   &type, nullptr, &size);
    EXPECT_EQ(type, v.type) << v.name;
    EXPECT_EQ(size, v.size) << v.name;
  }
  EmailSettings loaded;
  EXPECT_TRUE(LoadEmailSettings(reg, root.root(), loaded));
  EXPECT_EQ(loaded, s);
}

// The picture in docs/images; run by scripts/screenshots.sh.
TEST(EmailSettingsScreenshot, DISABLED_Dialog) {
  const wchar_t* dir = _wgetenv(L"ZEPHRA_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set ZEPHRA_SCREENSHOT_DIR";
  EmailSettings s{true, L"meter@example.org", L"smtp.example.org", L"meter", L"secret"};
  s.security = SmtpSecurity::StartTls;
  CEmailSettingsDlg dlg(s);
  HWND h = dlg.Create(nullptr);
  ASSERT_NE(h, nullptr);
  ::SetDlgItemTextW(h, IDC_TEST_ADDRESS, L"me@example.org");
  ::SetWindowPos(h, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(h, SW_SHOW);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(WriteScreenBmp(h, std::wstring(dir) + L"\\email-settings.bmp"));
  ::DestroyWindow(h);
}

}  // namespace
