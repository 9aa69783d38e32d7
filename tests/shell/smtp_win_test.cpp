// The Winsock and SChannel client on its worker thread against a real SMTP
// server (aiosmtpd, plain, STARTTLS and TLS from the first byte) and hostile
// ones, with certificates of a test authority in the current user's store.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "alerts/smtp_win.h"
#include "alerts/tls_win.h"
#include "base/ids.h"
#include "shell_support.h"
#include "smtp_test_support.h"

namespace {

// A hidden window that takes WM_MAIL_DONE as a receiver does: it counts the
// posts, keeps a copy of the text and frees the original.
struct MailReceiver {
  int posts = 0;
  std::string error;
  HWND hwnd = ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

  MailReceiver() {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
  }
  ~MailReceiver() { ::DestroyWindow(hwnd); }
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_MAIL_DONE) return ::DefWindowProcW(h, msg, wp, lp);
    auto* self = reinterpret_cast<MailReceiver*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    ++self->posts;
    self->error = lp ? reinterpret_cast<const char*>(lp) : "";
    FreeMailDoneText(lp);
    return 0;
  }
};

const char kAlertMail[] =
    "From: meter@example.org\r\nTo: ann@example.org, nohost, bob@example.org\r\n"
    "Subject: Bandwidth Usage Notification\r\n\r\n"
    "More than 10 GB have been downloaded through LAN [10.0.0.10] in last week.\r\n.\r\n..two dots\r\n";

std::unique_ptr<MailJob> Job(uint16_t port, HWND window) {
  auto job = std::make_unique<MailJob>();
  SetJobField(job->server, "127.0.0.1");
  SetJobField(job->sender, "meter@example.org");
  SetJobField(job->recipients, "ann@example.org, nohost, bob@example.org");
  job->message = kAlertMail;
  job->notifyWindow = window;
  job->port = port;
  return job;
}

// Sends the job, waits for its report and a little longer for a second one
// that must not come, and for the worker to end; returns the milliseconds
// until the report.
DWORD SendAndWait(std::unique_ptr<MailJob> job, MailReceiver& receiver, DWORD timeoutMs) {
  const int threads = ProcessThreadCount();
  const DWORD start = ::GetTickCount();
  EXPECT_TRUE(StartMailJob(std::move(job)));
  PumpUntil([&] { return receiver.posts > 0; }, timeoutMs);
  const DWORD ms = ::GetTickCount() - start;
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(receiver.posts, 1);
  EXPECT_TRUE(PumpUntil([&] { return ProcessThreadCount() == threads; }, 3000)) << "the worker is still running";
  return ms;
}

TEST(SmtpWinsock, AlertMailReachesARealServerWithAuthLogin) {
  ScriptServer server("mailbox_smtp.py", "ann s3cret");
  ASSERT_TRUE(server.ready());
  MailReceiver receiver;
  auto job = Job(server.port(), receiver.hwnd);
  job->authentication = 1;
  SetJobField(job->userName, "ann");
  SetJobField(job->password, "s3cret");
  SendAndWait(std::move(job), receiver, 20000);
  EXPECT_EQ(receiver.error, "");
  EXPECT_EQ(server.Read("1.eml"), kAlertMail);  // dot-stuffing undone by the server
  EXPECT_EQ(server.Read("1.env"), "meter@example.org\nann@example.org\nbob@example.org\n");
}

TEST(SmtpWinsock, HostileServersEndAsDocumentedWithinTheirLimits) {
  const TestCertificates& certificates = TestCertificates::Get();
  ASSERT_TRUE(certificates.ready());
  const struct {
    std::string mode;
    std::string error;
    DWORD minMs, maxMs;
    SmtpSecurity security = SmtpSecurity::None;
    int limitMs = 1500;  // longer where many bytes come one by one through Wine
  } cases[] = {
      {"silent", "Time out.", 1400, 4000},
      {"close-after-mail", "Time out.", 0, 1500},
      {"trickle", "Time out.", 1400, 4000},  // every byte within the limit, the line not
      {"long-line", "554 " + std::string(1019, 'y'), 0, 25000, SmtpSecurity::None, 20000},
      {"garbage", "2500000000 garbage", 0, 1500},
      {"refuse-rcpt", "SMTP Server didn't relay email.", 0, 1500},
      {"endless-ehlo", kReplyTooLong, 0, 25000, SmtpSecurity::StartTls, 20000},
      {"tls-garbage", kTlsHandshakeFailed, 0, 4000, SmtpSecurity::Tls},
      {"tls-close", kTlsHandshakeFailed, 0, 4000, SmtpSecurity::Tls},
      {"tls-trickle " + certificates.Files("localhost"), "Time out.", 1400, 6000, SmtpSecurity::Tls},
  };
  DWORD handles = 0, handlesAfter = 0;
  for (int round = 0; round < 2; ++round) {  // the first round lets Winsock and SChannel set themselves up
    if (round == 1) ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    for (const auto& c : cases) {
      ScriptServer server("hostile_smtp.py", c.mode);
      ASSERT_TRUE(server.ready()) << c.mode;
      MailReceiver receiver;
      auto job = Job(server.port(), receiver.hwnd);
      SetJobField(job->server, "localhost");
      job->security = c.security;
      job->replyLimitMs = c.limitMs;
      const DWORD ms = SendAndWait(std::move(job), receiver, 30000);
      EXPECT_EQ(receiver.error, c.error) << c.mode;
      EXPECT_GE(ms, c.minMs) << c.mode;
      EXPECT_LE(ms, c.maxMs) << c.mode;
      if (round == 0 && c.error[0] == 'S') {
        EXPECT_NE(server.Read("log").find("RCPT TO: <bob@example.org>\r\nQUIT\r\n"), std::string::npos);
      }
    }
  }
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

TEST(SmtpTls, MailArrivesOverStartTlsAndTlsWithAuthOnlyAfterTheHandshake) {
  const TestCertificates& certificates = TestCertificates::Get();
  ASSERT_TRUE(certificates.ready());
  for (SmtpSecurity security : {SmtpSecurity::StartTls, SmtpSecurity::Tls}) {
    const bool starttls = security == SmtpSecurity::StartTls;
    ScriptServer server("mailbox_smtp.py",
                        std::string("ann s3cret ") + (starttls ? "--starttls " : "--tls ") + certificates.Files("localhost"));
    ASSERT_TRUE(server.ready());
    MailReceiver receiver;
    auto job = Job(server.port(), receiver.hwnd);
    SetJobField(job->server, "localhost");
    job->security = security;
    job->authentication = 1;
    SetJobField(job->userName, "ann");
    SetJobField(job->password, "s3cret");
    SendAndWait(std::move(job), receiver, 30000);
    EXPECT_EQ(receiver.error, "") << starttls;
    EXPECT_EQ(server.Read("1.eml"), kAlertMail);
    EXPECT_EQ(server.Read("log"), starttls ? "STARTTLS\nAUTH LOGIN tls\n" : "AUTH LOGIN tls\n");
  }
}

// Refused before anything of the mail or the account goes out.
TEST(SmtpTls, UntrustedWrongNameExpiredAndMissingStartTlsAreRefused) {
  const TestCertificates& certificates = TestCertificates::Get();
  ASSERT_TRUE(certificates.ready());
  const struct {
    const char* script;
    std::string args;
    SmtpSecurity security;
    std::string error, log;
  } cases[] = {
      {"mailbox_smtp.py", "ann s3cret --starttls " + certificates.Files("stranger"), SmtpSecurity::StartTls,
       kCertificateUntrusted, "STARTTLS\n"},
      {"mailbox_smtp.py", "ann s3cret --tls " + certificates.Files("other"), SmtpSecurity::Tls,
       kCertificateWrongName + std::string("localhost\"."), ""},
      {"mailbox_smtp.py", "ann s3cret --tls " + certificates.Files("expired"), SmtpSecurity::Tls, kCertificateExpired,
       ""},
      {"hostile_smtp.py", "no-starttls", SmtpSecurity::StartTls, kNoStartTls, "EHLO zephra.localdomain\r\n"},
  };
  for (const auto& c : cases) {
    ScriptServer server(c.script, c.args);
    ASSERT_TRUE(server.ready()) << c.args;
    MailReceiver receiver;
    auto job = Job(server.port(), receiver.hwnd);
    SetJobField(job->server, "localhost");
    job->security = c.security;
    job->authentication = 1;
    SetJobField(job->userName, "ann");
    SetJobField(job->password, "s3cret");
    SendAndWait(std::move(job), receiver, 30000);
    EXPECT_EQ(receiver.error, c.error) << c.args;
    EXPECT_FALSE(server.Has("1.eml")) << c.args;
    EXPECT_EQ(server.Has("log") ? server.Read("log") : "", c.log) << c.args;
  }
}

TEST(SmtpWinsock, WorkerFreesTheTextWhenTheWindowIsGone) {
  const int threads = ProcessThreadCount();
  auto job = Job(FreeLocalPort(), MailReceiver().hwnd);  // destroyed at once
  job->recipients[0] = '\0';                             // "Invalid parameters." without connecting
  ASSERT_TRUE(StartMailJob(std::move(job)));
  EXPECT_TRUE(PumpUntil([&] { return ProcessThreadCount() == threads; }, 3000));
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

// Four attempts about 5 s apart (ctest runs it apart, labelled slow).
TEST(SmtpWinsockSlow, UnreachableServer) {
  MailReceiver receiver;
  const DWORD ms = SendAndWait(Job(FreeLocalPort(), receiver.hwnd), receiver, 30000);
  EXPECT_EQ(receiver.error, "Failed to connect to SMTP server.");
  EXPECT_GE(ms, 14500u);
  EXPECT_LE(ms, 25000u);
}

}  // namespace
