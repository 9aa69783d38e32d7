// The SMTP dialogue against scripted server replies, and its text helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/smtp_client.h"

namespace {

// A server that answers from a script: the replies are read byte by byte as
// they would arrive; a read past the script's end is a closed connection.
class ScriptedTransport : public SmtpTransport {
public:
  std::string replies;
  std::string sent;
  int refusedConnects = 0;  // connection attempts that fail before one succeeds
  int shortSend = -1;       // this SendAll call (0-based) sends only half
  int connects = 0, closes = 0;
  std::vector<int> pauses, readLimits, sendLimits;

  bool Connect(const char* server, uint16_t port) override {
    ++connects;
    server_ = server;
    port_ = port;
    return connects > refusedConnects;
  }
  void Close() override { ++closes; }
  void Pause(int ms) override { pauses.push_back(ms); }
  int64_t SendAll(const char* data, size_t length, int limitMs) override {
    sendLimits.push_back(limitMs);
    if (static_cast<int>(sendLimits.size()) - 1 == shortSend) length /= 2;
    sent.append(data, length);
    return static_cast<int64_t>(length);
  }
  int ReadReplyLine(char* buffer, int capacity, int limitMs) override {
    readLimits.push_back(limitMs);
    int length = 0;
    buffer[0] = '\0';
    while (at_ < replies.size())
      if (AddReplyByte(buffer, capacity, length, replies[at_++])) return length;
    return -1;
  }
  std::string server_;
  uint16_t port_ = 0;

private:
  size_t at_ = 0;
};

MailJob Job(bool auth = false) {
  MailJob job;
  SetJobField(job.server, "mail.example.org");
  SetJobField(job.sender, "meter@example.org");
  SetJobField(job.recipients, "ann@example.org");
  job.authentication = auth ? 1 : 0;
  SetJobField(job.userName, "ann");
  SetJobField(job.password, "");
  job.message = "Subject: s\r\n\r\nbody\r\n";
  job.notifyWindow = reinterpret_cast<void*>(1);
  return job;
}

const std::string kHelo = "HELO zephra.localdomain\r\n";
const std::string kEhlo = "EHLO zephra.localdomain\r\n";
const std::string kMail = "MAIL FROM: <meter@example.org>\r\n";
const std::string kRcpt = "RCPT TO: <ann@example.org>\r\n";
const std::string kData = "DATA\r\n";
const std::string kBody = "Subject: s\r\n\r\nbody\r\n";
const std::string kEnd = ".\r\n";
const std::string kQuit = "QUIT\r\n";


TEST(SmtpDialogue, CompleteDialoguesSendExactlyTheseCommands) {
  struct Case {
    const char* name;
    bool auth;
    std::string replies;
    std::string sent;
  } cases[] = {
      {"multi-line greeting, HELO", false,
       "220-first line\r\n220-second\r\n220 ready\r\n250 hello\r\n250 ok\r\n250 ok\r\n354 go on\r\n250 queued\r\n221 bye\r\n",
       kHelo + kMail + kRcpt + kData + kBody + kEnd + kQuit},
      {"bare line feeds end reply lines", false, "220 ready\n250 hello\n250 ok\n251 forwarded\n354 go\n250 ok\n",
       kHelo + kMail + kRcpt + kData + kBody + kEnd + kQuit},
      {"multi-line EHLO, AUTH LOGIN, empty password", true,
       "220 ready\r\n250-mail.example.org\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n334 VXNlcm5hbWU6\r\n"
       "334 UGFzc3dvcmQ6\r\n235 ok\r\n250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n221 bye\r\n",
       kEhlo + "AUTH LOGIN\r\nYW5u\r\n\r\n" + kMail + kRcpt + kData + kBody + kEnd + kQuit},
  };
  for (const Case& c : cases) {
    ScriptedTransport t;
    t.replies = c.replies;
    EXPECT_EQ(RunMailJob(Job(c.auth), t), "") << c.name;
    EXPECT_EQ(t.sent, c.sent) << c.name;
    EXPECT_EQ(t.server_, "mail.example.org");
    EXPECT_EQ(t.port_, 25);
    EXPECT_EQ(t.closes, 1) << c.name;
  }
}

// Each step's reply replaced by an unexpected one: the job ends with that
// line, nothing more is sent (no QUIT) and the connection is closed.
TEST(SmtpDialogue, WrongCodeAtEachStepEndsWithTheReplyLine) {
  struct Step {
    std::string reply, command;
  };
  const std::vector<Step> helo = {{"220 ready\r\n", ""},  {"250 hi\r\n", kHelo},  {"250 ok\r\n", kMail},
                                  {"250 ok\r\n", kRcpt},  {"354 go\r\n", kData},  {"250 ok\r\n", kBody + kEnd}};
  const std::vector<Step> auth = {{"220 ready\r\n", ""},      {"250 hi\r\n", kEhlo},       {"334 a\r\n", "AUTH LOGIN\r\n"},
                                  {"334 b\r\n", "YW5u\r\n"}, {"235 ok\r\n", "\r\n"},      {"250 ok\r\n", kMail}};
  for (const auto* steps : {&helo, &auth}) {
    for (size_t wrong = 0; wrong < steps->size(); ++wrong) {
      if ((*steps)[wrong].command == kRcpt) continue;  // a refused recipient is skipped instead
      ScriptedTransport t;
      std::string expectedSent;
      for (size_t i = 0; i <= wrong; ++i) {
        t.replies += i == wrong ? "554 refused at step " + std::to_string(i) + "\r\n" : (*steps)[i].reply;
        expectedSent += (*steps)[i].command;
      }
      EXPECT_EQ(RunMailJob(Job(steps == &auth), t), "554 refused at step " + std::to_string(wrong)) << wrong;
      EXPECT_EQ(t.sent, expectedSent) << wrong;
      EXPECT_EQ(t.closes, 1);
    }
  }
}

TEST(SmtpDialogue, RecipientsInvalidOrRefusedAreSkipped) {
  struct Case {
    const char* recipients;
    std::string rcptReplies;
    std::string error;
    std::string rcpts;
    bool dataSent;
  } cases[] = {
      {"a@x.org, nohost ,c@x.org", "250 ok\r\n250 ok\r\n", "", "RCPT TO: <a@x.org>\r\nRCPT TO: <c@x.org>\r\n", true},
      {"a@x.org,b@x.org,c@x.org", "550 no\r\n550 no\r\n250 ok\r\n", "",
       "RCPT TO: <a@x.org>\r\nRCPT TO: <b@x.org>\r\nRCPT TO: <c@x.org>\r\n", true},
      {"a@x.org,b@x.org", "550 no\r\n553 no\r\n", "SMTP Server didn't relay email.",
       "RCPT TO: <a@x.org>\r\nRCPT TO: <b@x.org>\r\n", false},
  };
  for (const Case& c : cases) {
    MailJob job = Job();
    SetJobField(job.recipients, c.recipients);
    ScriptedTransport t;
    t.replies = "220 ready\r\n250 hi\r\n250 ok\r\n" + c.rcptReplies + (c.dataSent ? "354 go\r\n250 ok\r\n" : "") +
                "221 bye\r\n";
    EXPECT_EQ(RunMailJob(job, t), c.error) << c.recipients;
    // QUIT goes out also when nobody was accepted.
    EXPECT_EQ(t.sent, kHelo + kMail + c.rcpts + (c.dataSent ? kData + kBody + kEnd : "") + kQuit) << c.recipients;
  }
}

TEST(SmtpDialogue, BrokenConnectionsAndShortSends) {
  struct Case {
    const char* name;
    std::string replies;
    int shortSend;
    std::string error;
    std::string sent;
  } cases[] = {
      {"silent after connect", "", -1, "Time out.", ""},
      {"closed after MAIL FROM", "220 ready\r\n250 hi\r\n", -1, "Time out.", kHelo + kMail},
      {"closed inside a reply line", "220 ready\r\n250 h", -1, "Time out.", kHelo},
      {"MAIL FROM not taken whole", "220 ready\r\n250 hi\r\n", 1, "Time out.", kHelo + kMail.substr(0, kMail.size() / 2)},
      {"body not taken whole", "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n", 4, "Failed to send email body.",
       kHelo + kMail + kRcpt + kData + kBody.substr(0, kBody.size() / 2)},
      {"no reply to the end of data", "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n", -1, "Time out.",
       kHelo + kMail + kRcpt + kData + kBody + kEnd},
      {"garbage code", "220 ready\r\nhello there\r\n", -1, "hello there", kHelo},
      {"reply line of 5000 bytes", "554 " + std::string(5000, 'x') + "\r\n", -1, "554 " + std::string(1019, 'x'), ""},
  };
  for (const Case& c : cases) {
    ScriptedTransport t;
    t.replies = c.replies;
    t.shortSend = c.shortSend;
    EXPECT_EQ(RunMailJob(Job(), t), c.error) << c.name;
    EXPECT_EQ(t.sent, c.sent) << c.name;
    EXPECT_EQ(t.closes, 1) << c.name;
  }
}

TEST(SmtpDialogue, LimitsOfEachStep) {
  MailJob job = Job();
  job.replyLimitMs = 700;
  job.dataEndLimitMs = 900;
  ScriptedTransport t;
  t.replies = "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n221 bye\r\n";
  EXPECT_EQ(RunMailJob(job, t), "");
  // HELO, MAIL, RCPT, DATA, body, ".", QUIT
  EXPECT_EQ(t.sendLimits, (std::vector<int>{700, 700, 700, 700, 700, 900, 700}));
  // greeting, HELO, MAIL, RCPT, DATA, ".", QUIT
  EXPECT_EQ(t.readLimits, (std::vector<int>{700, 700, 700, 700, 700, 900, 700}));
}

TEST(SmtpDialogue, FourConnectionAttemptsWithPauses) {
  for (int refused : {3, 4}) {
    ScriptedTransport t;
    t.refusedConnects = refused;
    t.replies = "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n221 bye\r\n";
    EXPECT_EQ(RunMailJob(Job(), t), refused == 3 ? "" : "Failed to connect to SMTP server.");
    EXPECT_EQ(t.connects, 4);
    EXPECT_EQ(t.pauses, (std::vector<int>{5000, 5000, 5000}));
    EXPECT_EQ(t.closes, refused == 3 ? 1 : 0);
  }
}

// Values that are missing, malformed or would carry a command of their own
// end the job before any connection.
TEST(SmtpDialogue, InvalidParametersNeverConnect) {
  struct Case {
    const char* name;
    void (*spoil)(MailJob&);
  } cases[] = {
      {"empty server", [](MailJob& j) { j.server[0] = 0; }},
      {"empty sender", [](MailJob& j) { j.sender[0] = 0; }},
      {"empty recipients", [](MailJob& j) { j.recipients[0] = 0; }},
      {"only blanks and commas", [](MailJob& j) { SetJobField(j.recipients, " , ,"); }},
      {"only invalid addresses", [](MailJob& j) { SetJobField(j.recipients, "ann, bob@, bob@.org"); }},
      {"authentication without user", [](MailJob& j) { j.authentication = 1; j.userName[0] = 0; }},
      {"empty message", [](MailJob& j) { j.message.clear(); }},
      {"no window", [](MailJob& j) { j.notifyWindow = nullptr; }},
      {"sender injects a recipient", [](MailJob& j) { SetJobField(j.sender, "a@b.com>\r\nRCPT TO:<x@y.com"); }},
      {"recipient with LF", [](MailJob& j) { SetJobField(j.recipients, "ann@example.org\nDATA"); }},
      {"recipient with CR", [](MailJob& j) { SetJobField(j.recipients, "ann@example.org\rx@y.org"); }},
      {"server with CR LF", [](MailJob& j) { SetJobField(j.server, "mail.example.org\r\nQUIT"); }},
      {"user name with LF", [](MailJob& j) { j.authentication = 1; SetJobField(j.userName, "ann\nQUIT"); }},
      {"unterminated field", [](MailJob& j) { std::fill(std::begin(j.sender), std::end(j.sender), 'a'); }},
  };
  for (const Case& c : cases) {
    MailJob job = Job();
    c.spoil(job);
    ScriptedTransport t;
    t.replies = "220 ready\r\n";
    EXPECT_EQ(RunMailJob(job, t), "Invalid parameters.") << c.name;
    EXPECT_EQ(t.connects, 0) << c.name;
  }
}

TEST(SmtpDialogue, BodyIsDotStuffedAndEndsInCrLf) {
  MailJob job = Job();
  job.message = "Subject: s\n\n.\n..two\nlast";
  ScriptedTransport t;
  t.replies = "220 ready\r\n250 hi\r\n250 ok\r\n250 ok\r\n354 go\r\n250 ok\r\n221 bye\r\n";
  EXPECT_EQ(RunMailJob(job, t), "");
  EXPECT_EQ(t.sent, kHelo + kMail + kRcpt + kData + "Subject: s\r\n\r\n..\r\n...two\r\nlast\r\n" + kEnd + kQuit);
}

TEST(DotStuffMessage, LinesEndInCrLfAndLeadingDotsDouble) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a.b\r\n", "a.b\r\n"},
      {"a\r\n.\r\nb", "a\r\n..\r\nb\r\n"},
      {".x\n..y\r\n z.\r\n", "..x\r\n...y\r\n z.\r\n"},
      {"a\rb\r\r\n", "a\r\nb\r\n\r\n"},
      {"\r\n.", "\r\n..\r\n"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(DotStuffMessage(in), out) << in;
}

TEST(Base64Encode, BreaksAfterEveryRunOf76CharactersFromFullGroups) {
  std::string abc19;
  for (int i = 0; i < 19; ++i) abc19 += "abc";
  std::string yw19;
  for (int i = 0; i < 19; ++i) yw19 += "YWJj";
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {std::string("\xff\xfe\xfd\x00", 4), "//79AA=="},
      {abc19.substr(0, 56), yw19.substr(0, 72) + "YWI="},
      {abc19, yw19 + "\r\n"},
      {abc19 + "a", yw19 + "\r\nYQ=="},
      {abc19 + abc19, yw19 + "\r\n" + yw19 + "\r\n"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(Base64Encode(in), out) << in.size() << " bytes";
    EXPECT_EQ(Base64EncodedSize(in.size()), out.size()) << in.size() << " bytes";
  }
}

TEST(ReplyCode, LeadingDecimalNumberOnly) {
  const std::pair<const char*, int> cases[] = {{"250 ok", 250}, {"250-more", 250}, {"354", 354}, {"0", 0},
                                               {" 250", -1},   {"x250", -1},      {"", -1},     {"1234567890 x", -1}};
  for (const auto& [line, code] : cases) EXPECT_EQ(ReplyCode(line), code) << line;
}

}  // namespace
