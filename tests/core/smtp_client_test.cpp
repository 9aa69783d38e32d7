// The SMTP dialogue against scripted server replies, and its text helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/smtp_client.h"

namespace {

// Replies come from a script, byte by byte; reading past its end is a closed
// connection. Every byte sent is kept.
struct ScriptedTransport : SmtpTransport {
  std::string replies, sent;
  size_t at = 0;
  int refusedConnects = 0, shortSend = -1, connects = 0, closes = 0, sends = 0;
  std::vector<int> pauses, readLimits;
  std::string tlsError;  // what StartTls answers
  int64_t now = 0, msPerLine = 0;

  bool Connect(const char* server, uint16_t port) override {
    EXPECT_STREQ(server, "mail.example.org");
    EXPECT_EQ(port, 25);
    return ++connects > refusedConnects;
  }
  void Close() override { ++closes; }
  void Pause(int ms) override { pauses.push_back(ms); }
  int64_t SendAll(const char* data, size_t length, int) override {
    if (sends++ == shortSend) length /= 2;  // this call's connection takes half
    sent.append(data, length);
    return static_cast<int64_t>(length);
  }
  int ReadReplyLine(char* buffer, int capacity, int limitMs) override {
    readLimits.push_back(limitMs);
    now += msPerLine;
    int length = 0;
    while (at < replies.size())
      if (AddReplyByte(buffer, capacity, length, replies[at++])) return length;
    return -1;
  }
  int64_t NowMs() override { return now; }
  std::string StartTls(const char* server, int) override {
    EXPECT_STREQ(server, "mail.example.org");
    sent += "<TLS>";
    return tlsError;
  }
};

MailJob Job(bool auth, const char* recipients = "ann@example.org") {
  MailJob job;
  SetJobField(job.server, "mail.example.org");
  SetJobField(job.sender, "meter@example.org");
  SetJobField(job.recipients, recipients);
  job.authentication = auth;
  SetJobField(job.userName, "ann");
  job.message = "Subject: s\n\n.\n..two\nlast";
  job.notifyWindow = &job;
  job.dataEndLimitMs = 120;  // the others stay 60000
  return job;
}

const std::string kHelo = "HELO zephra.localdomain\r\n", kMail = "MAIL FROM: <meter@example.org>\r\n",
                  kRcpt = "RCPT TO: <ann@example.org>\r\n", kData = "DATA\r\n", kQuit = "QUIT\r\n",
                  kBody = "Subject: s\r\n\r\n..\r\n...two\r\nlast\r\n.\r\n";  // dot-stuffed, ended
const std::string kOk = "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n250 queued\r\n221 bye\r\n";

TEST(SmtpDialogue, ScriptedServers) {
  struct Case {
    const char* name;
    bool auth;
    const char* recipients;
    std::string replies;
    int shortSend;
    std::string error, sent;
  } cases[] = {
      {"multi-line greeting", false, "ann@example.org", "220-first\r\n220-second\r\n" + kOk, -1, "",
       kHelo + kMail + kRcpt + kData + kBody + kQuit},
      {"bare line feeds", false, "ann@example.org", "220 a\n250 b\n250 c\n251 d\n354 e\n250 f\n", -1, "",
       kHelo + kMail + kRcpt + kData + kBody + kQuit},
      {"multi-line EHLO, AUTH LOGIN, empty password", true, "ann@example.org",
       "220 ready\r\n250-mail\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n235 ok\r\n"
       "250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n",
       -1, "", "EHLO zephra.localdomain\r\nAUTH LOGIN\r\nYW5u\r\n\r\n" + kMail + kRcpt + kData + kBody + kQuit},
      {"invalid middle recipient blanked, two refused", false, "a@x.org, nohost ,b@x.org,c@x.org",
       "220 a\r\n250 b\r\n250 c\r\n550 no\r\n550 no\r\n250 ok\r\n354 go\r\n250 ok\r\n", -1, "",
       kHelo + kMail + "RCPT TO: <a@x.org>\r\nRCPT TO: <b@x.org>\r\nRCPT TO: <c@x.org>\r\n" + kData + kBody + kQuit},
      {"all refused: QUIT still sent", false, "a@x.org,b@x.org", "220 a\r\n250 b\r\n250 c\r\n550 no\r\n553 no\r\n", -1,
       "SMTP Server didn't relay email.", kHelo + kMail + "RCPT TO: <a@x.org>\r\nRCPT TO: <b@x.org>\r\n" + kQuit},
      {"MAIL FROM not taken whole", false, "ann@example.org", kOk, 1, "Time out.", kHelo + kMail.substr(0, 16)},
      {"body not taken whole", false, "ann@example.org", kOk, 4, "Failed to send email body.",
       kHelo + kMail + kRcpt + kData + kBody.substr(0, 16)},
  };
  for (const Case& c : cases) {
    ScriptedTransport t;
    t.replies = c.replies;
    t.shortSend = c.shortSend;
    EXPECT_EQ(RunMailJob(Job(c.auth, c.recipients), t), c.error) << c.name;
    EXPECT_EQ(t.sent, c.sent) << c.name;
    EXPECT_EQ(t.closes, 1) << c.name;
  }
}

// Each step's reply replaced by an unexpected one: the job ends with that
// line and nothing more is sent.
TEST(SmtpDialogue, WrongCodeAtEachStep) {
  const std::vector<std::pair<std::string, std::string>> helo = {
      {"220 a", ""}, {"250 b", kHelo}, {"250 c", kMail}, {"250 d", kRcpt}, {"354 e", kData}, {"250 f", kBody}};
  const std::vector<std::pair<std::string, std::string>> auth = {
      {"220 a", ""}, {"250 b", "EHLO zephra.localdomain\r\n"}, {"334 c", "AUTH LOGIN\r\n"}, {"334 d", "YW5u\r\n"},
      {"235 e", "\r\n"}, {"250 f", kMail}};
  for (const auto* steps : {&helo, &auth}) {
    for (size_t wrong = 0; wrong < steps->size(); ++wrong) {
      if ((*steps)[wrong].second == kRcpt) continue;  // a refused recipient is skipped
      ScriptedTransport t;
      std::string sent;
      for (size_t i = 0; i <= wrong; ++i) {
        t.replies += (i == wrong ? "500 step " + std::to_string(i) : (*steps)[i].first) + "\r\n";
        sent += (*steps)[i].second;
      }
      EXPECT_EQ(RunMailJob(Job(steps == &auth), t), "500 step " + std::to_string(wrong));
      EXPECT_EQ(t.sent, sent) << wrong;
    }
  }
}

TEST(SmtpDialogue, SecuredDialogues) {
  const std::string ehlo = "EHLO zephra.localdomain\r\n", tail = kMail + kRcpt + kData + kBody + kQuit;
  const std::string okTail = "250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n221 bye\r\n";
  struct Case {
    const char* name;
    SmtpSecurity security;
    bool auth;
    std::string replies, tlsError, error, sent;
  } cases[] = {
      {"STARTTLS, then only the new list counts: PLAIN", SmtpSecurity::StartTls, true,
       "220 a\r\n250-x\r\n250-AUTH LOGIN\r\n250 STARTTLS\r\n220 go\r\n250-x\r\n250 auth plain\r\n235 ok\r\n" + okTail,
       "", "", ehlo + "STARTTLS\r\n<TLS>" + ehlo + "AUTH PLAIN AGFubgA=\r\n" + tail},
      {"no STARTTLS offered", SmtpSecurity::StartTls, true, "220 a\r\n250-x\r\n250 AUTH LOGIN\r\n", "",
       kNoStartTls, ehlo},
      {"STARTTLS refused", SmtpSecurity::StartTls, false, "220 a\r\n250 STARTTLS\r\n454 not now\r\n", "",
       std::string(kStartTlsRefused) + "454 not now", ehlo + "STARTTLS\r\n"},
      {"certificate refused", SmtpSecurity::StartTls, true, "220 a\r\n250 STARTTLS\r\n220 go\r\n", "bad cert",
       "bad cert", ehlo + "STARTTLS\r\n<TLS>"},
      {"TLS from the first byte, LOGIN kept with both", SmtpSecurity::Tls, true,
       "220 a\r\n250-x\r\n250 AUTH=PLAIN LOGIN\r\n334 u\r\n334 p\r\n235 ok\r\n" + okTail, "", "",
       "<TLS>" + ehlo + "AUTH LOGIN\r\nYW5u\r\n\r\n" + tail},
      {"TLS refused before the greeting", SmtpSecurity::Tls, false, "", "handshake", "handshake", "<TLS>"},
      {"10,000 continuation lines", SmtpSecurity::None, true, "220 a\r\n" + [] {
         std::string r;
         for (int i = 0; i < 10000; ++i) r += "250-x\r\n";
         return r;
       }(), "", kReplyTooLong, ehlo},
  };
  for (const Case& c : cases) {
    ScriptedTransport t;
    t.replies = c.replies;
    t.tlsError = c.tlsError;
    MailJob job = Job(c.auth);
    job.security = c.security;
    EXPECT_EQ(RunMailJob(job, t), c.error) << c.name;
    EXPECT_EQ(t.sent, c.sent) << c.name;
  }
  ScriptedTransport slow;  // every line within its limit, the reply not
  slow.msPerLine = 1000;
  for (int i = 0; i < 99; ++i) slow.replies += "220-x\r\n";
  EXPECT_EQ(RunMailJob(Job(false), slow), "Time out.");
  EXPECT_EQ(slow.readLimits.size(), 60u);
}

TEST(SmtpDialogue, LongUserNameIsOneLine) {
  MailJob job = Job(true);
  SetJobField(job.userName, std::string(60, 'a').c_str());
  ScriptedTransport t;
  t.replies = "220 a\r\n250 b\r\n334 c\r\n334 d\r\n500 stop\r\n";
  RunMailJob(job, t);
  std::string answer;
  for (int i = 0; i < 20; ++i) answer += "YWFh";
  EXPECT_EQ(t.sent, "EHLO zephra.localdomain\r\nAUTH LOGIN\r\n" + answer + "\r\n\r\n");
}

TEST(SmtpDialogue, ConnectionAttemptsAndLimits) {
  for (int refused : {3, 4}) {
    ScriptedTransport t;
    t.refusedConnects = refused;
    t.replies = kOk;
    EXPECT_EQ(RunMailJob(Job(false), t), refused == 3 ? "" : "Failed to connect to SMTP server.");
    EXPECT_EQ(t.connects, 4);
    EXPECT_EQ(t.pauses, (std::vector<int>{5000, 5000, 5000}));
    if (refused == 3) {  // greeting, HELO, MAIL, RCPT, DATA, end of data, QUIT
      EXPECT_EQ(t.readLimits, (std::vector<int>{60000, 60000, 60000, 60000, 60000, 120, 60000}));
    }
  }
}

// Missing or malformed values, and values that would carry a command of
// their own, end the job before any connection.
TEST(SmtpDialogue, InvalidParametersNeverConnect) {
  void (*spoil[])(MailJob&) = {
      [](MailJob& j) { j.server[0] = 0; },
      [](MailJob& j) { j.sender[0] = 0; },
      [](MailJob& j) { SetJobField(j.recipients, " , ,"); },
      [](MailJob& j) { SetJobField(j.recipients, "ann, bob@, bob@.org"); },
      [](MailJob& j) { j.authentication = 1, j.userName[0] = 0; },
      [](MailJob& j) { j.message.clear(); },
      [](MailJob& j) { j.notifyWindow = nullptr; },
      [](MailJob& j) { SetJobField(j.sender, "a@b.com>\r\nRCPT TO:<x@y.com"); },
      [](MailJob& j) { SetJobField(j.recipients, "ann@example.org\nDATA"); },
      [](MailJob& j) { SetJobField(j.recipients, "ann@example.org\rx@y.org"); },
      [](MailJob& j) { SetJobField(j.server, "mail.example.org\r\nQUIT"); },
      [](MailJob& j) { j.authentication = 1, SetJobField(j.userName, "ann\nQUIT"); },
      [](MailJob& j) { std::fill(std::begin(j.sender), std::end(j.sender), 'a'); },  // no NUL
  };
  for (size_t i = 0; i < std::size(spoil); ++i) {
    MailJob job = Job(false);
    spoil[i](job);
    ScriptedTransport t;
    EXPECT_EQ(RunMailJob(job, t), "Invalid parameters.") << i;
    EXPECT_EQ(t.connects, 0) << i;
  }
}

TEST(SmtpText, DotStuffingBase64AndReplyCodes) {
  const std::pair<std::string, std::string> stuffed[] = {
      {"", ""}, {"a.b\r\n", "a.b\r\n"}, {".x\n..y\r\n z.", "..x\r\n...y\r\n z.\r\n"}, {"a\rb\r\r\n.", "a\r\nb\r\n\r\n..\r\n"}};
  for (const auto& [in, out] : stuffed) EXPECT_EQ(DotStuffMessage(in), out) << in;

  std::string abc, yw;  // "abc" encodes as "YWJj"
  for (int i = 0; i < 19; ++i) abc += "abc", yw += "YWJj";
  const std::pair<std::string, std::string> encoded[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {std::string("\xff\xfe\xfd\x00", 4), "//79AA=="},
      {abc.substr(0, 56), yw.substr(0, 72) + "YWI="}, {abc, yw + "\r\n"}, {abc + "a", yw + "\r\nYQ=="},
      {abc + abc, yw + "\r\n" + yw + "\r\n"}};
  for (const auto& [in, out] : encoded) {
    EXPECT_EQ(Base64Encode(in), out) << in.size() << " bytes";
    EXPECT_EQ(Base64EncodedSize(in.size()), out.size()) << in.size() << " bytes";
  }

  const std::pair<const char*, int> codes[] = {{"250 ok", 250}, {"250-more", 250}, {"0", 0}, {" 250", -1},
                                               {"x250", -1},    {"", -1},          {"1234567890", -1}};
  for (const auto& [line, code] : codes) EXPECT_EQ(ReplyCode(line), code) << line;
}

}  // namespace
