// E-mail settings: registry values, templates, the dialog's checks and the
// filling of a mail job.
#include <gtest/gtest.h>

#include "alerts/email_settings.h"
#include "settings/memory_registry.h"

namespace {

const std::wstring kRoot = L"Software\\Test\\";
const std::wstring kKey = L"Software\\Test\\Options\\EmailSettings";

// Latin-1 as the 8-bit form; other characters become two bytes, as a
// multi-byte code page would make them.
std::string Narrow(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    if (c > 0xFF) out += '?';
    out += static_cast<char>(c);
  }
  return out;
}

EmailSettings Filled() {
  EmailSettings s;
  s.server = L"mail.example.org";
  s.sender = L"meter@example.org";
  s.authentication = true;
  s.userName = L"ann";
  s.password = L"secret";
  s.subjectTemplate = L"Usage %b";
  s.bodyTemplate = L"Line\r\n";
  return s;
}

TEST(EmailSettingsStore, SavedValuesCarryTheirTypesAndLoadBack) {
  MemoryRegistry reg;
  const EmailSettings s = Filled();
  ASSERT_TRUE(SaveEmailSettings(reg, RegRoot::LocalMachine, kRoot, s));
  const struct {
    const wchar_t* name;
    uint32_t type;
    uint32_t size;
  } values[] = {{L"SrvReqAuth", kRegDword, 4},    {L"MailFrom", kRegSz, 36}, {L"SmtpServer", kRegSz, 34},
                {L"AuthName", kRegSz, 8},         {L"AuthPass", kRegSz, 14}, {L"EmlTempSubject", kRegSz, 18},
                {L"EmlTempBody", kRegSz, 14}};
  for (const auto& v : values) {
    uint32_t type = 0, size = 0;
    ASSERT_TRUE(reg.QueryValue(RegRoot::LocalMachine, kKey, v.name, type, size)) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
    EXPECT_EQ(size, v.size) << v.name;
  }
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, kKey));
  ASSERT_TRUE(SaveEmailSettings(reg, RegRoot::CurrentUser, kRoot, s));
  EmailSettings loaded;
  EXPECT_TRUE(LoadEmailSettings(reg, kRoot, loaded));
  EXPECT_EQ(loaded, s);
  reg.failWrites = true;
  EXPECT_FALSE(SaveEmailSettings(reg, RegRoot::CurrentUser, L"Software\\Other\\", s));
}

TEST(EmailSettingsStore, MissingEmptyOrForeignValuesKeepDefaults) {
  MemoryRegistry reg;
  EmailSettings s;
  EXPECT_FALSE(LoadEmailSettings(reg, kRoot, s));
  EXPECT_EQ(s, EmailSettings{});
  EXPECT_EQ(s.subjectTemplate, L"Bandwidth Usage Notification");
  EXPECT_EQ(s.bodyTemplate,
            L"Hi,\r\n\r\nMore than %b have been %t through %a in last %p.\r\n\r\nBytes %t so far: %f\r\n\r\n"
            L"The email was sent by Zephra.\r\n");

  reg.WriteString(RegRoot::CurrentUser, kKey, L"EmlTempBody", L"");
  reg.WriteString(RegRoot::CurrentUser, kKey, L"EmlTempSubject", L"");
  reg.WriteRaw(RegRoot::CurrentUser, kKey, L"MailFrom", kRegDword, {1, 0, 0, 0});
  reg.WriteRaw(RegRoot::CurrentUser, kKey, L"SrvReqAuth", kRegDword, {7, 0, 0, 0});
  reg.WriteString(RegRoot::CurrentUser, kKey, L"SmtpServer", L"10.0.0.1");
  EmailSettings loaded;
  loaded.bodyTemplate.clear();  // an empty template in memory gets its default too
  EXPECT_TRUE(LoadEmailSettings(reg, kRoot, loaded));
  EXPECT_EQ(loaded.bodyTemplate, s.bodyTemplate);
  EXPECT_EQ(loaded.subjectTemplate, L"Bandwidth Usage Notification");
  EXPECT_EQ(loaded.sender, L"");
  EXPECT_TRUE(loaded.authentication);
  EXPECT_EQ(loaded.server, L"10.0.0.1");
}

TEST(ExpandTemplate, PassesRunInOrderOverTheWholeText) {
  const TemplateValues v{L"10 GB", L"downloaded", L"net %f %b", L"week", L"11.2 GB"};
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"%b %t %a %p %f", L"10 GB downloaded net 11.2 GB %b week 11.2 GB"},
      {L"%x %B %% 100%", L"%x %B %% 100%"},
      {L"%%b%", L"%10 GB%"},
      {L"", L""},
  };
  for (const auto& [text, expanded] : cases) EXPECT_EQ(ExpandTemplate(text, v), expanded) << text;
  // A value inserted by an earlier pass is scanned by the later ones only.
  EXPECT_EQ(ExpandTemplate(L"%b", {L"%t%f", L"T", L"", L"", L"F"}), L"TF");
  EXPECT_EQ(ExpandTemplate(L"%f", {L"B", L"", L"", L"", L"%b"}), L"%b");
}

TEST(TestMail, SubjectKeepsPlaceholdersBodyGetsSamples) {
  EmailSettings s = Filled();
  s.bodyTemplate = L"%b %t %a %p %f\r\n";
  EXPECT_EQ(TestMailText(s, L"bob@example.org"),
            L"From: meter@example.org\r\nTo: bob@example.org\r\nSubject: [Test Email] Usage %b\r\n\r\n"
            L"10 GB downloaded LAN [10.0.0.10] week (03/02/2008 -- 03/08/2008) 11.2 GB\r\n");
}

TEST(EmailSettingsChecks, FirstFailureNamesItsField) {
  struct Case {
    const char* name;
    void (*change)(EmailSettings&);
    EmailField field;
    std::wstring message;
  } cases[] = {
      {"all empty", [](EmailSettings& s) { s = EmailSettings{}; s.authentication = true; s.subjectTemplate.clear(); },
       EmailField::Server, L"Please input SMTP server name or IP."},
      {"no sender", [](EmailSettings& s) { s.sender.clear(); s.userName.clear(); }, EmailField::Sender,
       L"Please input \"Mail From.\""},
      {"no user", [](EmailSettings& s) { s.userName.clear(); s.subjectTemplate.clear(); }, EmailField::UserName,
       L"Please input SMTP server authentication account name."},
      {"no subject", [](EmailSettings& s) { s.subjectTemplate.clear(); s.bodyTemplate.clear(); }, EmailField::Subject,
       L"Please input email template subject."},
      {"no body", [](EmailSettings& s) { s.bodyTemplate.clear(); }, EmailField::Body,
       L"Please input email template body."},
      {"sender injects", [](EmailSettings& s) { s.sender = L"a@b.com>\r\nRCPT TO:<x@y.com"; }, EmailField::Sender,
       L"The \"Mail From\" address must not contain line breaks."},
      {"server with NUL", [](EmailSettings& s) { s.server = std::wstring(L"mail\0x", 6); }, EmailField::Server,
       L"The SMTP server name must not contain line breaks."},
      {"user with LF", [](EmailSettings& s) { s.userName = L"ann\n"; }, EmailField::UserName,
       L"The account name must not contain line breaks."},
      {"server too long", [](EmailSettings& s) { s.server = std::wstring(64, L's'); }, EmailField::Server,
       L"The SMTP server name is too long: at most 63 characters."},
      {"sender too long in 8-bit form", [](EmailSettings& s) { s.sender = std::wstring(32, L'\u4e00'); },
       EmailField::Sender, L"The \"Mail From\" address is too long: at most 63 characters."},
      {"user too long", [](EmailSettings& s) { s.userName = std::wstring(64, L'u'); }, EmailField::UserName,
       L"The account name is too long: at most 63 characters."},
      {"password too long", [](EmailSettings& s) { s.password = std::wstring(32, L'p'); }, EmailField::Password,
       L"The password is too long: at most 31 characters."},
  };
  for (const Case& c : cases) {
    EmailSettings s = Filled();
    c.change(s);
    const auto problem = ValidateEmailSettings(s, Narrow);
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->field, c.field) << c.name;
    EXPECT_EQ(problem->message, c.message) << c.name;
  }
}

TEST(EmailSettingsChecks, WhatPasses) {
  EmailSettings s = Filled();
  s.password.clear();
  s.server = std::wstring(63, L's');
  s.sender = std::wstring(31, L'\u4e00');
  EXPECT_FALSE(ValidateEmailSettings(s, Narrow));
  // Without authentication the account fields are not looked at.
  s.authentication = false;
  s.userName = L"bad\r\n";
  s.password = std::wstring(40, L'p');
  EXPECT_FALSE(ValidateEmailSettings(s, Narrow));

  EXPECT_FALSE(CheckTestAddress(L"bob@example.org", Narrow));
  for (const wchar_t* bad : {L"", L"bob@example.org,ann@example.org", L"bob"}) {
    const auto p = CheckTestAddress(bad, Narrow);
    ASSERT_TRUE(p) << bad;
    EXPECT_EQ(p->message, L"Please enter a valid email address.");
  }
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

  MailJob refused;
  const auto p = FillMailJob(refused, s, std::wstring(256, L'r'), L"x", Narrow);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->field, EmailField::Recipients);
  EXPECT_STREQ(refused.recipients, "");
}

}  // namespace
