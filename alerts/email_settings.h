// The e-mail settings: SMTP server, sender, AUTH LOGIN credentials and the
// subject and body templates of the notification mail, their registry values
// under "Options\EmailSettings", the template placeholders, and the checks a
// value must pass before it goes into a MailJob.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "alerts/smtp_client.h"
#include "base/registry_names.h"
#include "settings/registry_store.h"

inline constexpr wchar_t kDefaultSubjectTemplate[] = L"Bandwidth Usage Notification";
inline constexpr wchar_t kDefaultBodyTemplate[] =
    L"Hi,\r\n\r\nMore than %b have been %t through %a in last %p.\r\n\r\nBytes %t so far: %f\r\n\r\n"
    L"The email was sent by Zephra.\r\n";

struct EmailSettings {
  bool authentication = false;  // "SrvReqAuth"
  std::wstring sender;          // "MailFrom"
  std::wstring server;          // "SmtpServer"
  std::wstring userName;        // "AuthName"
  std::wstring password;        // "AuthPass", plain text
  std::wstring subjectTemplate = kDefaultSubjectTemplate;  // "EmlTempSubject"
  std::wstring bodyTemplate = kDefaultBodyTemplate;        // "EmlTempBody"
  SmtpSecurity security = SmtpSecurity::None;              // "SmtpSecurity", 0/1/2; others read as 0
  uint32_t port = 0;  // "SmtpPort": 1-65535, 0 for the security's usual port

  bool operator==(const EmailSettings&) const = default;
};

// "<rootPath>Options\EmailSettings".
std::wstring EmailSettingsKeyPath(const std::wstring& rootPath = kDefaultRootPath);

// Reads the per-user values over the defaults: a text value only when it
// exists and is not empty; empty templates get their defaults. A missing key
// leaves every field at its default. False when the key is missing.
bool LoadEmailSettings(RegistryStore& store, const std::wstring& rootPath, EmailSettings& settings);
// Writes all seven values under the root; false when the key cannot be
// created or a value not written.
bool SaveEmailSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath,
                       const EmailSettings& settings);

// The five placeholder values of a mail text.
struct TemplateValues {
  std::wstring threshold;     // %b, "10 GB"
  std::wstring transferType;  // %t, "downloaded"
  std::wstring connection;    // %a, the connection's title
  std::wstring period;        // %p, "week (03/02/2008 -- 03/08/2008)"
  std::wstring bytesSoFar;    // %f, "11.2 GB"
};

// The values the preview and the test mail show.
TemplateValues SampleTemplateValues();

// Replaces "%b", then "%t", "%a", "%p" and "%f", each in one pass over the
// whole current text: a later pass sees what an earlier one inserted, no pass
// sees its own insertions. Any other "%" sequence stays.
std::wstring ExpandTemplate(std::wstring_view text, const TemplateValues& values);

// The test mail: header lines with the subject template as it stands, then
// the body template expanded with the sample values.
std::wstring TestMailText(const EmailSettings& settings, std::wstring_view address);

// The fields a check can find fault with; each names one control of the
// settings dialog or the notification page.
enum class EmailField { Server, Sender, UserName, Password, Subject, Body, TestAddress, Recipients, Port };

struct FieldProblem {
  EmailField field;
  std::wstring message;
};

// The 8-bit (system code page) form of a text, as the mail goes out.
using NarrowText = std::function<std::string(std::wstring_view)>;

// The checks of the settings dialog, stopping at the first failure: server,
// port (at most 65535), sender, with authentication the user name and password, subject and body.
// A text field must not be empty (the password may), hold a CR, LF or NUL,
// or be longer in 8-bit form than its MailJob field holds.
std::optional<FieldProblem> ValidateEmailSettings(const EmailSettings& settings, const NarrowText& narrow);
// The subject template: no CR, LF or NUL, which would end the header line.
std::optional<FieldProblem> CheckSubject(std::wstring_view subject);
// A test address: one valid address that fits the recipients field.
std::optional<FieldProblem> CheckTestAddress(std::wstring_view address, const NarrowText& narrow);
// A recipient list (the notification page): fits the recipients field and
// holds no line break.
std::optional<FieldProblem> CheckRecipients(std::wstring_view recipients, const NarrowText& narrow);

// The port a port box's text stands for: empty or "0" is 0 (the usual port);
// anything but digits, or a number over 65535, gives a value over 65535,
// which the checks refuse.
uint32_t PortFromText(std::wstring_view text);
// The port a mail connects to: the stored one, else the security's usual one.
uint16_t MailPort(const EmailSettings& settings);
// The warning the dialog shows once on OK when the password would travel
// unencrypted (authentication on, security None); empty otherwise.
std::wstring PlainPasswordWarning(const EmailSettings& settings);

// Fills the job's text fields and message from the settings; the settings
// must have passed ValidateEmailSettings and the recipients their check (a
// problem is returned otherwise, the job then half filled).
std::optional<FieldProblem> FillMailJob(MailJob& job, const EmailSettings& settings, std::wstring_view recipients,
                                        std::wstring_view message, const NarrowText& narrow);
