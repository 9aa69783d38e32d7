#include "alerts/smtp_client.h"

#include <cstring>
#include <vector>

#include "base/text_util.h"

namespace {

constexpr size_t kMaxErrorText = 1023;
constexpr int kLongReply = 2048;   // greeting lines and RCPT TO replies
constexpr int kShortReply = 1024;  // every other reply line

constexpr char kInvalidParameters[] = "Invalid parameters.";
constexpr char kConnectFailed[] = "Failed to connect to SMTP server.";
constexpr char kTimeOut[] = "Time out.";
constexpr char kBodyFailed[] = "Failed to send email body.";
constexpr char kNotRelayed[] = "SMTP Server didn't relay email.";

template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// An AUTH LOGIN answer is one line: the encoder's line breaks (every 76
// characters, from 57 bytes on) would split a long user name or password.
std::string CredentialLine(std::string_view text) {
  std::string line = Base64Encode(text);
  std::erase(line, '\r');
  std::erase(line, '\n');
  return line + "\r\n";
}

// True when a capability line (after its code) begins with the keyword.
bool HasCapability(const std::vector<std::string>& capabilities, std::string_view keyword) {
  for (const std::string& c : capabilities)
    if (c.compare(0, keyword.size(), keyword) == 0 && (c.size() == keyword.size() || c[keyword.size()] == ' '))
      return true;
  return false;
}

// True when an "AUTH" (or the older "AUTH=") line names the mechanism.
bool OffersAuth(const std::vector<std::string>& capabilities, std::string_view mechanism) {
  for (const std::string& c : capabilities) {
    if (c.compare(0, 4, "AUTH") != 0 || c.size() < 5 || (c[4] != ' ' && c[4] != '=')) continue;
    for (const std::string& m : SplitList(std::string_view(c).substr(5), ' '))
      if (m == mechanism) return true;
  }
  return false;
}

template <size_t N>
bool FieldTerminated(const char (&field)[N]) {
  return strnlen(field, N) < N;
}

// One connected dialogue. Each step returns false with error_ set.
class Dialogue {
public:
  Dialogue(const MailJob& job, SmtpTransport& t) : job_(job), t_(t) {}

  const std::string& error() const { return error_; }

  bool Send(std::string_view command, int limitMs) {
    if (t_.SendAll(command.data(), command.size(), limitMs) != static_cast<int64_t>(command.size()))
      return Fail(kTimeOut);
    return true;
  }

  // Reads one line into line_; false ("Time out.") when none came.
  bool Read(int capacity, int limitMs) {
    line_.assign(static_cast<size_t>(capacity), '\0');
    const int n = t_.ReadReplyLine(line_.data(), capacity, limitMs);
    if (n < 0) return Fail(kTimeOut);
    line_.resize(static_cast<size_t>(n));
    return true;
  }

  // Reads lines, skipping those that begin with "<code>-", and expects the
  // first other one to carry the code. The whole reply must end within the
  // step's limit and kMaxReplyLines lines. Each line's text after the code
  // goes to lines.
  bool ExpectAfterContinuations(int code, int capacity, std::vector<std::string>* lines = nullptr) {
    const std::string prefix = std::to_string(code) + "-";
    const int64_t deadline = t_.NowMs() + job_.replyLimitMs;
    for (int count = 1;; ++count) {
      const int64_t left = deadline - t_.NowMs();
      if (left <= 0) return Fail(kTimeOut);
      if (!Read(capacity, static_cast<int>(left))) return false;
      if (lines && line_.size() >= 4) lines->push_back(line_.substr(4));
      if (line_.compare(0, prefix.size(), prefix) != 0) break;
      if (count == kMaxReplyLines) return Fail(kReplyTooLong);
    }
    return CheckCode(code);
  }

  // EHLO and its capabilities, upper-cased.
  bool Ehlo(std::vector<std::string>& capabilities) {
    capabilities.clear();
    if (!Send("EHLO " + std::string(kSmtpClientDomain) + "\r\n", job_.replyLimitMs)) return false;
    if (!ExpectAfterContinuations(250, kShortReply, &capabilities)) return false;
    for (std::string& c : capabilities)
      for (char& ch : c) ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
    return true;
  }

  bool SecureConnection() {
    std::string error = t_.StartTls(job_.server, job_.replyLimitMs);
    if (error.empty()) return true;
    return Fail(error.substr(0, kMaxErrorText));
  }

  bool StartTls(std::vector<std::string>& capabilities) {
    if (!HasCapability(capabilities, "STARTTLS")) return Fail(kNoStartTls);
    if (!Send("STARTTLS\r\n", job_.replyLimitMs) || !Read(kShortReply, job_.replyLimitMs)) return false;
    if (ReplyCode(line_) != 220) return Fail((kStartTlsRefused + line_).substr(0, kMaxErrorText));
    // Only the capabilities sent over TLS count.
    return SecureConnection() && Ehlo(capabilities);
  }

  bool Authenticate(const std::vector<std::string>& capabilities) {
    const std::string_view user = FieldText(job_.userName), password = FieldText(job_.password);
    if (OffersAuth(capabilities, "PLAIN") && !OffersAuth(capabilities, "LOGIN")) {
      std::string credentials;
      credentials += '\0';
      credentials += user;
      credentials += '\0';
      credentials += password;
      return Command("AUTH PLAIN " + CredentialLine(credentials), 235);
    }
    return Command("AUTH LOGIN\r\n", 334) && Command(CredentialLine(user), 334) &&
           Command(CredentialLine(password), 235);
  }

  bool Expect(int code, int capacity, int limitMs) { return Read(capacity, limitMs) && CheckCode(code); }

  bool Command(std::string_view command, int code) {
    return Send(command, job_.replyLimitMs) && Expect(code, kShortReply, job_.replyLimitMs);
  }

  bool CheckCode(int code) {
    if (ReplyCode(line_) == code) return true;
    return Fail(line_.substr(0, kMaxErrorText));
  }

  bool Fail(std::string text) {
    error_ = std::move(text);
    return false;
  }

  // Steps from the greeting to the end of the data; on false, quit_ says
  // whether QUIT still goes out.
  bool Run(const std::vector<std::string>& recipients) {
    if (job_.security == SmtpSecurity::Tls && !SecureConnection()) return false;
    if (!ExpectAfterContinuations(220, kLongReply)) return false;
    if (job_.authentication || job_.security != SmtpSecurity::None) {
      std::vector<std::string> capabilities;
      if (!Ehlo(capabilities)) return false;
      if (job_.security == SmtpSecurity::StartTls && !StartTls(capabilities)) return false;
      if (job_.authentication && !Authenticate(capabilities)) return false;
    } else if (!Command("HELO " + std::string(kSmtpClientDomain) + "\r\n", 250)) {
      return false;
    }
    if (!Command("MAIL FROM: <" + std::string(FieldText(job_.sender)) + ">\r\n", 250)) return false;
    int accepted = 0;
    for (const std::string& to : recipients) {
      if (to.empty()) continue;
      if (!Send("RCPT TO: <" + to + ">\r\n", job_.replyLimitMs) || !Read(kLongReply, job_.replyLimitMs)) return false;
      const int code = ReplyCode(line_);
      if (code == 250 || code == 251) ++accepted;
    }
    if (accepted == 0) {
      quit_ = true;
      return Fail(kNotRelayed);
    }
    if (!Command("DATA\r\n", 354)) return false;
    const std::string body = DotStuffMessage(job_.message);
    if (t_.SendAll(body.data(), body.size(), job_.replyLimitMs) != static_cast<int64_t>(body.size()))
      return Fail(kBodyFailed);
    // The body ends in CR LF, so the end of data is the line ".".
    return Send(".\r\n", job_.dataEndLimitMs) && Expect(250, kShortReply, job_.dataEndLimitMs);
  }

  bool quit() const { return quit_; }

  // Neither a failure nor the reply changes the outcome.
  void Quit() {
    static constexpr char kQuit[] = "QUIT\r\n";
    if (t_.SendAll(kQuit, sizeof kQuit - 1, job_.replyLimitMs) != static_cast<int64_t>(sizeof kQuit - 1)) return;
    char reply[kShortReply];
    t_.ReadReplyLine(reply, kShortReply, job_.replyLimitMs);
  }

private:
  const MailJob& job_;
  SmtpTransport& t_;
  std::string line_;
  std::string error_;
  bool quit_ = false;
};

bool JobIsValid(const MailJob& job, std::vector<std::string>& recipients) {
  if (!FieldTerminated(job.server) || !FieldTerminated(job.sender) || !FieldTerminated(job.recipients) ||
      !FieldTerminated(job.userName) || !FieldTerminated(job.password))
    return false;
  const std::string_view server = FieldText(job.server), sender = FieldText(job.sender),
                         to = FieldText(job.recipients), user = FieldText(job.userName);
  if (server.empty() || sender.empty() || to.empty() || (job.authentication && user.empty()) ||
      job.message.empty() || !job.notifyWindow)
    return false;
  if (HoldsLineBreak(server) || HoldsLineBreak(sender) || HoldsLineBreak(to) || HoldsLineBreak(user)) return false;
  recipients = SplitList(to, ',');
  bool any = false;
  for (std::string& item : recipients) {
    if (IsValidEmailAddress(item))
      any = true;
    else
      item.clear();
  }
  return any;
}

}  // namespace

uint16_t DefaultSmtpPort(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::StartTls: return 587;
    case SmtpSecurity::Tls: return 465;
    case SmtpSecurity::None: break;
  }
  return 25;
}

bool AddReplyByte(char* buffer, int capacity, int& length, char byte) {
  if (byte == '\n') {
    if (length > 0 && buffer[length - 1] == '\r') --length;
    buffer[length] = '\0';
    return true;
  }
  buffer[length++] = byte;
  buffer[length] = '\0';
  return length >= capacity - 1;
}

int ReplyCode(std::string_view line) {
  int code = 0;
  size_t digits = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
    if (++digits > 9) return -1;
    code = code * 10 + (line[digits - 1] - '0');
  }
  return digits == 0 ? -1 : code;
}

size_t Base64EncodedSize(size_t length) {
  const size_t full = length / 3;
  return full * 4 + (full / 19) * 2 + (length % 3 ? 4 : 0);
}

size_t Base64Encode(const uint8_t* data, size_t length, char* output) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  size_t out = 0, i = 0, groups = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    output[out++] = kAlphabet[(v >> 18) & 63];
    output[out++] = kAlphabet[(v >> 12) & 63];
    output[out++] = kAlphabet[(v >> 6) & 63];
    output[out++] = kAlphabet[v & 63];
    if (++groups == 19) {
      output[out++] = '\r';
      output[out++] = '\n';
      groups = 0;
    }
  }
  const size_t rest = length - i;
  if (rest) {
    const uint32_t v = (uint32_t{data[i]} << 16) | (rest == 2 ? uint32_t{data[i + 1]} << 8 : 0);
    output[out++] = kAlphabet[(v >> 18) & 63];
    output[out++] = kAlphabet[(v >> 12) & 63];
    output[out++] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    output[out++] = '=';
  }
  return out;
}

std::string Base64Encode(std::string_view data) {
  std::string out(Base64EncodedSize(data.size()), '\0');
  out.resize(Base64Encode(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out.data()));
  return out;
}

std::string DotStuffMessage(std::string_view message) {
  std::string out;
  out.reserve(message.size() + message.size() / 16 + 2);
  bool lineStart = true;
  for (size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') ++i;
      out += "\r\n";
      lineStart = true;
      continue;
    }
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = false;
  }
  if (!lineStart) out += "\r\n";
  return out;
}

bool HoldsLineBreak(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

std::string RunMailJob(const MailJob& job, SmtpTransport& transport) {
  std::vector<std::string> recipients;
  if (!JobIsValid(job, recipients)) return kInvalidParameters;
  bool connected = false;
  for (int attempt = 0; attempt < 4 && !connected; ++attempt) {
    if (attempt > 0) transport.Pause(job.retryPauseMs);
    connected = transport.Connect(job.server, job.port);
  }
  if (!connected) return kConnectFailed;
  Dialogue dialogue(job, transport);
  const bool sent = dialogue.Run(recipients);
  if (sent || dialogue.quit()) dialogue.Quit();
  transport.Close();
  return dialogue.error();
}
