// The e-mail settings dialog driven by messages: validation and focus, the
// account edits, preview, the test e-mail against real and hostile servers,
// and the values in the real registry.
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

struct Shown {
  std::wstring text;
  UINT type;
};

class EmailDlgTest : public testing::Test {
protected:
  void Open(const EmailSettings& s) {
    dlg_ = std::make_unique<CEmailSettingsDlg>(s);
    dlg_->SetMessageBox([this](HWND, const std::wstring& text, UINT type) {
      shown_.push_back({text, type});
      return IDOK;
    });
    h_ = dlg_->Create(nullptr);
    ASSERT_NE(h_, nullptr);
    ::ShowWindow(h_, SW_SHOW);
    ::SetForegroundWindow(h_);
    PumpPending();
  }
  void TearDown() override {
    if (h_) ::DestroyWindow(h_);
  }
  void Set(int id, const wchar_t* text) { ::SetDlgItemTextW(h_, id, text); }
  std::wstring Text(int id) {
    wchar_t buffer[512] = {};
    ::GetDlgItemTextW(h_, id, buffer, 512);
    return buffer;
  }
  void Click(int id) { ::SendMessageW(h_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  int Focused() { return ::GetDlgCtrlID(::GetFocus()); }
  bool Enabled(int id) { return ::IsWindowEnabled(::GetDlgItem(h_, id)) != FALSE; }
  std::wstring LastShown() { return shown_.empty() ? L"" : shown_.back().text; }

  void FillForTest(uint16_t port) {
    Set(IDC_SMTP_SERVER, L"127.0.0.1");
    Set(IDC_MAIL_FROM, L"meter@example.org");
    Set(IDC_EMAIL_SUBJECT, L"Usage over %b");
    Set(IDC_EMAIL_BODY, L"Hi,\r\n.\r\nMore than %b through %a.\r\n");
    Set(IDC_TEST_ADDRESS, L"bob@example.org");
    dlg_->SetMailPort(port);
  }

  std::unique_ptr<CEmailSettingsDlg> dlg_;
  HWND h_ = nullptr;
  std::vector<Shown> shown_;
};

TEST_F(EmailDlgTest, ValidationStopsAtTheFirstFaultAndFocusesIt) {
  EmailSettings s;
  s.authentication = true;
  Open(s);
  Set(IDC_EMAIL_SUBJECT, L"");
  Set(IDC_EMAIL_BODY, L"");
  const struct {
    int fill;  // filled before OK is pressed
    const wchar_t* value;
    std::wstring message;
    int focus;
  } steps[] = {
      {0, nullptr, L"Please input SMTP server name or IP.", IDC_SMTP_SERVER},
      {IDC_SMTP_SERVER, L"mail.example.org", L"Please input \"Mail From.\"", IDC_MAIL_FROM},
      {IDC_MAIL_FROM, L"meter@example.org", L"Please input SMTP server authentication account name.", IDC_AUTH_NAME},
      {IDC_AUTH_NAME, L"ann", L"Please input email template subject.", IDC_EMAIL_SUBJECT},
      {IDC_AUTH_PASS, L"0123456789012345678901234567890123", L"The password is too long: at most 31 characters.",
       IDC_AUTH_PASS},
      {IDC_AUTH_PASS, L"", L"Please input email template subject.", IDC_EMAIL_SUBJECT},
      {IDC_EMAIL_SUBJECT, L"Usage", L"Please input email template body.", IDC_EMAIL_BODY},
  };
  for (const auto& step : steps) {
    if (step.fill) Set(step.fill, step.value);
    shown_.clear();
    Click(IDOK);
    ASSERT_EQ(shown_.size(), 1u) << step.focus;
    EXPECT_EQ(shown_[0].text, step.message);
    EXPECT_EQ(shown_[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(Focused(), step.focus);
    EXPECT_EQ(dlg_->result(), 0);
  }
  Set(IDC_EMAIL_BODY, L"Body");
  shown_.clear();
  Click(IDOK);
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(dlg_->result(), IDOK);
  EmailSettings expected{true, L"meter@example.org", L"mail.example.org", L"ann", L"", L"Usage", L"Body"};
  EXPECT_EQ(dlg_->settings(), expected);
}

TEST_F(EmailDlgTest, AuthenticationEnablesTheAccountEditsAndFocusesTheName) {
  Open(EmailSettings{});
  EXPECT_FALSE(Enabled(IDC_AUTH_NAME));
  EXPECT_FALSE(Enabled(IDC_AUTH_PASS));
  ::SendDlgItemMessageW(h_, IDC_SRV_REQ_AUTH, BM_CLICK, 0, 0);
  EXPECT_TRUE(Enabled(IDC_AUTH_NAME));
  EXPECT_TRUE(Enabled(IDC_AUTH_PASS));
  EXPECT_EQ(Focused(), IDC_AUTH_NAME);
  ::SendDlgItemMessageW(h_, IDC_SRV_REQ_AUTH, BM_CLICK, 0, 0);
  EXPECT_FALSE(Enabled(IDC_AUTH_NAME));
  EXPECT_FALSE(Enabled(IDC_AUTH_PASS));
  // Cancel keeps the settings as they came.
  Set(IDC_SMTP_SERVER, L"changed");
  Click(IDCANCEL);
  EXPECT_EQ(dlg_->result(), IDCANCEL);
  EXPECT_EQ(dlg_->settings(), EmailSettings{});
}

TEST_F(EmailDlgTest, PreviewShowsTheBodyWithSampleValues) {
  Open(EmailSettings{});
  Set(IDC_EMAIL_BODY, L"%b %t %a %p %f %x");
  Click(IDC_PREVIEW_EMAIL);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, L"10 GB downloaded LAN [10.0.0.10] week (03/02/2008 -- 03/08/2008) 11.2 GB %x");
  EXPECT_EQ(shown_[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(EmailDlgTest, TestMailReachesARealServerWithTheExactText) {
  ScriptServer server("mailbox_smtp.py", {});
  ASSERT_TRUE(server.ready());
  Open(EmailSettings{});
  FillForTest(server.port());
  Click(IDC_SEND_TEST_EMAIL);
  EXPECT_EQ(Text(IDC_EMAIL_STATUS), L"Sending email...");
  EXPECT_FALSE(::IsWindowEnabled(h_));
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(h_) != FALSE; }, 20000));
  EXPECT_EQ(Text(IDC_EMAIL_STATUS), L"");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, L"The test email was sent successfully.");
  EXPECT_EQ(shown_[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  ASSERT_TRUE(server.WaitFor("1.eml"));
  EXPECT_EQ(server.Read("1.eml"),
            "From: meter@example.org\r\nTo: bob@example.org\r\nSubject: [Test Email] Usage over %b\r\n\r\n"
            "Hi,\r\n.\r\nMore than 10 GB through LAN [10.0.0.10].\r\n");
  EXPECT_EQ(server.Read("1.env"), "meter@example.org\nbob@example.org\n");
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

TEST_F(EmailDlgTest, TestMailFailuresAndRefusedAddresses) {
  ScriptServer server("hostile_smtp.py", {"refuse-rcpt"});
  ASSERT_TRUE(server.ready());
  Open(EmailSettings{});
  FillForTest(server.port());
  for (const wchar_t* bad : {L"bob@example.org,ann@example.org", L""}) {
    Set(IDC_TEST_ADDRESS, bad);
    shown_.clear();
    Click(IDC_SEND_TEST_EMAIL);
    EXPECT_EQ(LastShown(), L"Please enter a valid email address.");
    EXPECT_EQ(Focused(), IDC_TEST_ADDRESS);
    EXPECT_TRUE(::IsWindowEnabled(h_));
  }
  Set(IDC_TEST_ADDRESS, L"bob@example.org");
  shown_.clear();
  Click(IDC_SEND_TEST_EMAIL);
  ASSERT_TRUE(PumpUntil([&] { return !shown_.empty(); }, 10000));
  EXPECT_EQ(shown_[0].text, L"Failed to send the test email.\n\nError: SMTP Server didn't relay email.");
  EXPECT_EQ(shown_[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_TRUE(::IsWindowEnabled(h_));
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

TEST(EmailSettingsRegistry, SevenValuesWithTheirTypesAndTerminatedSizes) {
  Win32Registry reg;
  TestRegistryRoot root;
  EmailSettings s;
  s.authentication = true;
  s.sender = L"meter@example.org";
  s.server = L"mail.example.org";
  s.userName = L"ann";
  s.password = L"";
  ASSERT_TRUE(SaveEmailSettings(reg, RegRoot::CurrentUser, root.root(), s));
  const std::wstring key = root.key(L"Options\\EmailSettings");
  const struct {
    const wchar_t* name;
    DWORD type, size;
  } values[] = {{L"SrvReqAuth", REG_DWORD, 4},  {L"MailFrom", REG_SZ, 36},      {L"SmtpServer", REG_SZ, 34},
                {L"AuthName", REG_SZ, 8},       {L"AuthPass", REG_SZ, 2},       {L"EmlTempSubject", REG_SZ, 58},
                {L"EmlTempBody", REG_SZ, 2 * 113 + 2}};
  for (const auto& v : values) {
    DWORD type = 0, size = 0;
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), v.name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size),
              ERROR_SUCCESS)
        << v.name;
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
  EmailSettings s;
  s.server = L"smtp.example.org";
  s.sender = L"meter@example.org";
  s.authentication = true;
  s.userName = L"meter";
  s.password = L"secret";
  CEmailSettingsDlg dlg(s);
  HWND h = dlg.Create(nullptr);
  ASSERT_NE(h, nullptr);
  ::SetDlgItemTextW(h, IDC_TEST_ADDRESS, L"me@example.org");
  ::SetWindowPos(h, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(h, SW_SHOW);
  ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(WriteScreenBmp(h, std::wstring(dir) + L"\\email_settings.bmp"));
  ::DestroyWindow(h);
}

}  // namespace
