// E-mail settings: loading over defaults, templates, the dialog's checks and
// the filling of a mail job.
#include <gtest/gtest.h>

#include "alerts/email_settings.h"
#include "settings/memory_registry.h"

namespace {

// Latin-1 as the 8-bit form; other characters take two bytes, as in a
// multi-byte code page.
std::string Narrow(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) out += c > 0xFF ? std::string("??") : std::string(1, static_cast<char>(c));
  return out;
}

EmailSettings Filled() {
  return {true, L"meter@example.org", L"mail.example.org", L"ann", L"secret", L"Usage %b", L"Line\r\n"};
}

TEST(EmailSettingsStore, MissingEmptyOrForeignValuesKeepDefaults) {
  MemoryRegistry reg;
  const std::wstring key = L"Software\\Test\\Options\\EmailSettings";
  EmailSettings s;
  EXPECT_FALSE(LoadEmailSettings(reg, L"Software\\Test\\", s));
  EXPECT_EQ(s.subjectTemplate, L"Bandwidth Usage Notification");
  EXPECT_EQ(s.bodyTemplate,
            L"Hi,\r\n\r\nMore than %b have been %t through %a in last %p.\r\n\r\nBytes %t so far: %f\r\n\r\n"
            L"The email was sent by Zephra.\r\n");
  reg.WriteString(RegRoot::CurrentUser, key, L"EmlTempBody", L"");
  reg.WriteString(RegRoot::CurrentUser, key, L"EmlTempSubject", L"");
  reg.WriteRaw(RegRoot::CurrentUser, key, L"MailFrom", kRegDword, {1, 0, 0, 0});
  reg.WriteRaw(RegRoot::CurrentUser, key, L"SrvReqAuth", kRegDword, {7, 0, 0, 0});
  reg.WriteString(RegRoot::CurrentUser, key, L"SmtpServer", L"10.0.0.1");
  EmailSettings loaded = Filled();
  loaded.sender.clear();
  loaded.authentication = false;
  loaded.bodyTemplate.clear();  // an empty template in memory gets its default too
  EXPECT_TRUE(LoadEmailSettings(reg, L"Software\\Test\\", loaded));
  EXPECT_EQ(loaded, (EmailSettings{true, L"", L"10.0.0.1", L"ann", L"secret", L"Usage %b", s.bodyTemplate}));
  reg.failWrites = true;
  EXPECT_FALSE(SaveEmailSettings(reg, RegRoot::CurrentUser, L"Software\\Other\\", s));
}

// Old settings (no values) mean plain SMTP on port 25; odd values fall back.
TEST(EmailSettingsStore, SecurityAndPort) {
  const struct {
    int security;  // -1: no value
    int64_t port;  // -1: no value
    SmtpSecurity loaded;
    uint16_t connectsTo;
  } cases[] = {{-1, -1, SmtpSecurity::None, 25},  {1, -1, SmtpSecurity::StartTls, 587},
               {2, 0, SmtpSecurity::Tls, 465},    {3, 2525, SmtpSecurity::None, 2525},
               {1, 65535, SmtpSecurity::StartTls, 65535}, {-7, 65536, SmtpSecurity::None, 25}};
  for (const auto& c : cases) {
    MemoryRegistry reg;
    const std::wstring key = L"Software\\Test\\Options\\EmailSettings";
    reg.WriteString(RegRoot::CurrentUser, key, L"SmtpServer", L"x");
    if (c.security != -1) reg.WriteDword(RegRoot::CurrentUser, key, L"SmtpSecurity", static_cast<uint32_t>(c.security));
    if (c.port != -1) reg.WriteDword(RegRoot::CurrentUser, key, L"SmtpPort", static_cast<uint32_t>(c.port));
    EmailSettings s;
    LoadEmailSettings(reg, L"Software\\Test\\", s);
    EXPECT_EQ(s.security, c.loaded) << c.security;
    EXPECT_EQ(MailPort(s), c.connectsTo) << c.port;
    ASSERT_TRUE(SaveEmailSettings(reg, RegRoot::CurrentUser, L"Software\\Test\\", s));
    EmailSettings again;
    LoadEmailSettings(reg, L"Software\\Test\\", again);
    EXPECT_EQ(again, s);
  }
  EXPECT_EQ(PortFromText(L""), 0u);
  EXPECT_EQ(PortFromText(L"0465"), 465u);
  EmailSettings s = Filled();
  EXPECT_NE(PlainPasswordWarning(s), L"");
  s.security = SmtpSecurity::StartTls;
  EXPECT_EQ(PlainPasswordWarning(s), L"");
}

TEST(ExpandTemplate, PassesRunInOrderOverTheWholeText) {
  const TemplateValues v{L"10 GB", L"downloaded", L"net %f %b", L"week", L"11.2 GB"};
  EXPECT_EQ(ExpandTemplate(L"%b %t %a %p %f", v), L"10 GB downloaded net 11.2 GB %b week 11.2 GB");
  EXPECT_EQ(ExpandTemplate(L"%x %B %% 100% %%b%", v), L"%x %B %% 100% %10 GB%");
  EXPECT_EQ(ExpandTemplate(L"%b", {L"%t%f", L"T", L"", L"", L"F"}), L"TF");
  EXPECT_EQ(ExpandTemplate(L"%f", {L"B", L"", L"", L"", L"%b"}), L"%b");
  EmailSettings s = Filled();
  s.bodyTemplate = L"%b %t %a %p %f\r\n";
  EXPECT_EQ(TestMailText(s, L"bob@example.org"),
            L"From: meter@example.org\r\nTo: bob@example.org\r\nSubject: [Test Email] Usage %b\r\n\r\n"
            L"10 GB downloaded LAN [10.0.0.10] week (03/02/2008 -- 03/08/2008) 11.2 GB\r\n");
}

TEST(EmailSettingsChecks, FirstFailureNamesItsField) {
  struct Case {
    void (*change)(EmailSettings&);
    EmailField field;
    std::wstring message;
  } cases[] = {
      {[](EmailSettings& s) { s = {true, L"", L"", L"", L"", L"", L""}; }, EmailField::Server,
       L"Please input SMTP server name or IP."},
      {[](EmailSettings& s) { s.port = PortFromText(L"65536"), s.sender = L""; }, EmailField::Port,
       L"Please input a port from 1 to 65535, or leave it empty."},
      {[](EmailSettings& s) { s.port = PortFromText(L"58x"); }, EmailField::Port,
       L"Please input a port from 1 to 65535, or leave it empty."},
      {[](EmailSettings& s) { s.sender = s.userName = L""; }, EmailField::Sender, L"Please input \"Mail From.\""},
      {[](EmailSettings& s) { s.userName = s.subjectTemplate = L""; }, EmailField::UserName,
       L"Please input SMTP server authentication account name."},
      {[](EmailSettings& s) { s.subjectTemplate = s.bodyTemplate = L""; }, EmailField::Subject,
       L"Please input email template subject."},
      {[](EmailSettings& s) { s.subjectTemplate = L"Usage\r\nBcc: x@y.com", s.bodyTemplate = L""; },
       EmailField::Subject, L"The subject must not contain line breaks."},
      {[](EmailSettings& s) { s.bodyTemplate = L""; }, EmailField::Body, L"Please input email template body."},
      {[](EmailSettings& s) { s.sender = L"a@b.com>\r\nRCPT TO:<x@y.com"; }, EmailField::Sender,
       L"The \"Mail From\" address must not contain line breaks."},
      {[](EmailSettings& s) { s.server = std::wstring(L"mail\0x", 6); }, EmailField::Server,
       L"The SMTP server name must not contain line breaks."},
      {[](EmailSettings& s) { s.server = std::wstring(64, L's'); }, EmailField::Server,
       L"The SMTP server name is too long: at most 63 characters."},
      {[](EmailSettings& s) { s.sender = std::wstring(32, L'\u4e00'); }, EmailField::Sender,
       L"The \"Mail From\" address is too long: at most 63 characters."},
  };
  for (const Case& c : cases) {
    EmailSettings s = Filled();
    c.change(s);
    const auto problem = ValidateEmailSettings(s, Narrow);
    ASSERT_TRUE(problem) << &c - cases;
    EXPECT_EQ(problem->field, c.field) << &c - cases;
    EXPECT_EQ(problem->message, c.message);
  }
  // What fits exactly passes; without authentication the account is not looked at.
  EmailSettings s{true, std::wstring(31, L'\u4e00'), std::wstring(63, L's'), L"ann", L"", L"s", L"b"};
  EXPECT_FALSE(ValidateEmailSettings(s, Narrow));
  s = {false, L"m@x.org", L"x", L"bad\r\n", std::wstring(40, L'p'), L"s", L"b"};
  EXPECT_FALSE(ValidateEmailSettings(s, Narrow));
  EXPECT_FALSE(CheckTestAddress(L"bob@example.org", Narrow));
  EXPECT_EQ(CheckTestAddress(L"bob@example.org,ann@example.org", Narrow)->message, L"Please enter a valid email address.");
  EXPECT_EQ(CheckTestAddress(std::wstring(250, L'b') + L"@x.org", Narrow)->message,
            L"The email address is too long: at most 255 characters.");
  EXPECT_FALSE(CheckRecipients(std::wstring(255, L'r'), Narrow));
  EXPECT_EQ(CheckRecipients(std::wstring(256, L'r'), Narrow)->message,
            L"The recipient list is too long: at most 255 characters.");
}

TEST(FillMailJob, CopiesTheNarrowFormsAndRefusesWhatDoesNotFit) {
  EmailSettings s = Filled();
  s.sender = L"m\u00e9ter@example.org";
  MailJob job;
  EXPECT_FALSE(FillMailJob(job, s, L"a@x.org, b@x.org", L"Subject: x\r\n\r\nbody", Narrow));
  EXPECT_STREQ(job.server, "mail.example.org");
  EXPECT_STREQ(job.sender, "m\xe9ter@example.org");
  EXPECT_STREQ(job.recipients, "a@x.org, b@x.org");
  EXPECT_EQ(job.authentication, 1u);
  EXPECT_STREQ(job.userName, "ann");
  EXPECT_STREQ(job.password, "secret");
  EXPECT_EQ(job.message, "Subject: x\r\n\r\nbody");
  EXPECT_EQ(job.security, SmtpSecurity::None);
  EXPECT_EQ(job.port, 25);
  MailJob refused;
  EXPECT_EQ(FillMailJob(refused, s, std::wstring(256, L'r'), L"x", Narrow)->field, EmailField::Recipients);
  EXPECT_STREQ(refused.recipients, "");
}

}  // namespace
