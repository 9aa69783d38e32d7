#include "alerts/email_settings.h"

#include "base/text_util.h"

namespace {

constexpr wchar_t kAuthValue[] = L"SrvReqAuth";
constexpr wchar_t kSenderValue[] = L"MailFrom";
constexpr wchar_t kServerValue[] = L"SmtpServer";
constexpr wchar_t kUserValue[] = L"AuthName";
constexpr wchar_t kPasswordValue[] = L"AuthPass";
constexpr wchar_t kSubjectValue[] = L"EmlTempSubject";
constexpr wchar_t kBodyValue[] = L"EmlTempBody";
constexpr wchar_t kSecurityValue[] = L"SmtpSecurity";
constexpr wchar_t kPortValue[] = L"SmtpPort";
constexpr uint32_t kMaxPort = 65535;

void ReadText(RegistryStore& store, const std::wstring& key, const wchar_t* name, std::wstring& field) {
  std::wstring value;
  if (store.ReadString(RegRoot::CurrentUser, key, name, value) && !value.empty()) field = value;
}

// One text bound for a MailJob field of `width` bytes.
struct BoundText {
  EmailField field;
  const wchar_t* name;  // as a message names it
  size_t width;
};

constexpr BoundText kServer{EmailField::Server, L"SMTP server name", sizeof MailJob::server};
constexpr BoundText kSender{EmailField::Sender, L"\"Mail From\" address", sizeof MailJob::sender};
constexpr BoundText kUser{EmailField::UserName, L"account name", sizeof MailJob::userName};
constexpr BoundText kPassword{EmailField::Password, L"password", sizeof MailJob::password};
constexpr BoundText kTestAddress{EmailField::TestAddress, L"email address", sizeof MailJob::recipients};
constexpr BoundText kRecipients{EmailField::Recipients, L"recipient list", sizeof MailJob::recipients};

std::optional<FieldProblem> CheckFit(const BoundText& b, std::wstring_view text, const NarrowText& narrow) {
  const std::wstring name = b.name;
  if (text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos)
    return FieldProblem{b.field, L"The " + name + L" must not contain line breaks."};
  if (narrow(text).size() >= b.width)
    return FieldProblem{b.field,
                        L"The " + name + L" is too long: at most " + std::to_wstring(b.width - 1) + L" characters."};
  return std::nullopt;
}

std::optional<FieldProblem> Required(const BoundText& b, std::wstring_view text, const wchar_t* emptyMessage,
                                     const NarrowText& narrow) {
  if (text.empty()) return FieldProblem{b.field, emptyMessage};
  return CheckFit(b, text, narrow);
}

template <size_t N>
std::optional<FieldProblem> Copy(char (&field)[N], const BoundText& b, std::wstring_view text,
                                 const NarrowText& narrow) {
  if (auto problem = CheckFit(b, text, narrow)) return problem;
  SetJobField(field, narrow(text));
  return std::nullopt;
}

// One pass: every "%<letter>" in the text becomes the value.
std::wstring ReplaceAll(const std::wstring& text, wchar_t letter, const std::wstring& value) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == letter) {
      out += value;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::wstring EmailSettingsKeyPath(const std::wstring& rootPath) {
  return rootPath + kOptionsSubkey + L"\\" + kEmailSettingsKeyName;
}

bool LoadEmailSettings(RegistryStore& store, const std::wstring& rootPath, EmailSettings& s) {
  const std::wstring key = EmailSettingsKeyPath(rootPath);
  const bool found = store.KeyExists(RegRoot::CurrentUser, key);
  ReadText(store, key, kSenderValue, s.sender);
  ReadText(store, key, kServerValue, s.server);
  ReadText(store, key, kUserValue, s.userName);
  ReadText(store, key, kPasswordValue, s.password);
  ReadText(store, key, kSubjectValue, s.subjectTemplate);
  ReadText(store, key, kBodyValue, s.bodyTemplate);
  uint32_t auth = 0;
  if (store.ReadDword(RegRoot::CurrentUser, key, kAuthValue, auth)) s.authentication = auth != 0;
  // A missing or unknown security is none, a port out of range the usual one.
  uint32_t security = 0, port = 0;
  if (!store.ReadDword(RegRoot::CurrentUser, key, kSecurityValue, security)) security = 0;
  s.security = security == 1 ? SmtpSecurity::StartTls : security == 2 ? SmtpSecurity::Tls : SmtpSecurity::None;
  if (!store.ReadDword(RegRoot::CurrentUser, key, kPortValue, port)) port = 0;
  s.port = port <= kMaxPort ? port : 0;
  if (s.subjectTemplate.empty()) s.subjectTemplate = kDefaultSubjectTemplate;
  if (s.bodyTemplate.empty()) s.bodyTemplate = kDefaultBodyTemplate;
  return found;
}

bool SaveEmailSettings(RegistryStore& store, RegRoot root, const std::wstring& rootPath, const EmailSettings& s) {
  const std::wstring key = EmailSettingsKeyPath(rootPath);
  return store.WriteDword(root, key, kAuthValue, s.authentication ? 1 : 0) &&
         store.WriteString(root, key, kSenderValue, s.sender) && store.WriteString(root, key, kServerValue, s.server) &&
         store.WriteString(root, key, kUserValue, s.userName) &&
         store.WriteString(root, key, kPasswordValue, s.password) &&
         store.WriteString(root, key, kSubjectValue, s.subjectTemplate) &&
         store.WriteString(root, key, kBodyValue, s.bodyTemplate) &&
         store.WriteDword(root, key, kSecurityValue, static_cast<uint32_t>(s.security)) &&
         store.WriteDword(root, key, kPortValue, s.port <= kMaxPort ? s.port : 0);
}

TemplateValues SampleTemplateValues() {
  return {L"10 GB", L"downloaded", L"LAN [10.0.0.10]", L"week (03/02/2008 -- 03/08/2008)", L"11.2 GB"};
}

std::wstring ExpandTemplate(std::wstring_view text, const TemplateValues& v) {
  std::wstring out(text);
  out = ReplaceAll(out, L'b', v.threshold);
  out = ReplaceAll(out, L't', v.transferType);
  out = ReplaceAll(out, L'a', v.connection);
  out = ReplaceAll(out, L'p', v.period);
  return ReplaceAll(out, L'f', v.bytesSoFar);
}

std::wstring TestMailText(const EmailSettings& s, std::wstring_view address) {
  return L"From: " + s.sender + L"\r\nTo: " + std::wstring(address) + L"\r\nSubject: [Test Email] " +
         s.subjectTemplate + L"\r\n\r\n" + ExpandTemplate(s.bodyTemplate, SampleTemplateValues());
}

std::optional<FieldProblem> ValidateEmailSettings(const EmailSettings& s, const NarrowText& narrow) {
  if (auto p = Required(kServer, s.server, L"Please input SMTP server name or IP.", narrow)) return p;
  if (s.port > kMaxPort) return FieldProblem{EmailField::Port, L"Please input a port from 1 to 65535, or leave it empty."};
  if (auto p = Required(kSender, s.sender, L"Please input \"Mail From.\"", narrow)) return p;
  if (s.authentication) {
    if (auto p = Required(kUser, s.userName, L"Please input SMTP server authentication account name.", narrow))
      return p;
    if (auto p = CheckFit(kPassword, s.password, narrow)) return p;
  }
  if (s.subjectTemplate.empty()) return FieldProblem{EmailField::Subject, L"Please input email template subject."};
  if (auto p = CheckSubject(s.subjectTemplate)) return p;
  if (s.bodyTemplate.empty()) return FieldProblem{EmailField::Body, L"Please input email template body."};
  return std::nullopt;
}

std::optional<FieldProblem> CheckSubject(std::wstring_view subject) {
  if (subject.find_first_of(std::wstring_view(L"\r\n\0", 3)) == std::wstring_view::npos) return std::nullopt;
  return FieldProblem{EmailField::Subject, L"The subject must not contain line breaks."};
}

std::optional<FieldProblem> CheckTestAddress(std::wstring_view address, const NarrowText& narrow) {
  if (!IsValidEmailAddress(address)) return FieldProblem{EmailField::TestAddress, L"Please enter a valid email address."};
  return CheckFit(kTestAddress, address, narrow);
}

std::optional<FieldProblem> CheckRecipients(std::wstring_view recipients, const NarrowText& narrow) {
  return CheckFit(kRecipients, recipients, narrow);
}

std::optional<FieldProblem> FillMailJob(MailJob& job, const EmailSettings& s, std::wstring_view recipients,
                                        std::wstring_view message, const NarrowText& narrow) {
  if (auto p = Copy(job.server, kServer, s.server, narrow)) return p;
  if (auto p = Copy(job.sender, kSender, s.sender, narrow)) return p;
  if (auto p = Copy(job.recipients, kRecipients, recipients, narrow)) return p;
  job.authentication = s.authentication ? 1 : 0;
  if (s.authentication) {
    if (auto p = Copy(job.userName, kUser, s.userName, narrow)) return p;
    if (auto p = Copy(job.password, kPassword, s.password, narrow)) return p;
  }
  job.message = narrow(message);
  job.security = s.security;
  job.port = MailPort(s);
  return std::nullopt;
}

uint32_t PortFromText(std::wstring_view text) {
  uint32_t port = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return kMaxPort + 1;
    port = port * 10 + static_cast<uint32_t>(c - L'0');
    if (port > kMaxPort) return kMaxPort + 1;
  }
  return port;
}

uint16_t MailPort(const EmailSettings& s) {
  return s.port != 0 && s.port <= kMaxPort ? static_cast<uint16_t>(s.port) : DefaultSmtpPort(s.security);
}

std::wstring PlainPasswordWarning(const EmailSettings& s) {
  if (!s.authentication || s.security != SmtpSecurity::None) return {};
  return L"With Connection security \"None\" your password travels to the server unencrypted, "
         L"where anyone on the way can read it.\n\nChoose STARTTLS or SSL/TLS if your server offers it. "
         L"Keep these settings anyway?";
}
