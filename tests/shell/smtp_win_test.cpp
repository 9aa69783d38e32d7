// The Winsock client on its worker thread against a real SMTP server
// (aiosmtpd) and a hostile one, both run by the tests on local ports.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "alerts/smtp_win.h"
#include "base/ids.h"
#include "shell_support.h"
#include "smtp_test_support.h"

namespace {

// A hidden window that takes WM_MAIL_DONE as a receiver would: it keeps a
// copy of the text and frees the original.
class MailReceiver {
public:
  MailReceiver() {
    static const ATOM cls = [] {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = &Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"ZephraTestMailReceiver";
      return ::RegisterClassW(&wc);
    }();
    hwnd_ = ::CreateWindowW(MAKEINTATOM(cls), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~MailReceiver() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }

  int posts = 0;
  DWORD threadId = 0;
  std::string error;
  bool errorPresent = false;

private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MAIL_DONE) {
      auto* self = reinterpret_cast<MailReceiver*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
      ++self->posts;
      self->threadId = static_cast<DWORD>(wp);
      self->errorPresent = lp != 0;
      self->error = lp ? reinterpret_cast<const char*>(lp) : "";
      FreeMailDoneText(lp);
      return 0;
    }
    return ::DefWindowProcW(h, msg, wp, lp);
  }
  HWND hwnd_ = nullptr;
};

std::unique_ptr<MailJob> Job(uint16_t port, HWND window, const char* message) {
  auto job = std::make_unique<MailJob>();
  SetJobField(job->server, "127.0.0.1");
  SetJobField(job->sender, "meter@example.org");
  SetJobField(job->recipients, "ann@example.org, nohost, bob@example.org");
  job->message = message;
  job->notifyWindow = window;
  job->port = port;
  return job;
}

struct Outcome {
  int posts;
  std::string error;
  DWORD ms;
};

// Sends the job and waits for its report, then a little longer for a second
// one that must not come, and for the worker to end.
Outcome SendAndWait(std::unique_ptr<MailJob> job, MailReceiver& receiver, int threadsBefore, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  EXPECT_TRUE(StartMailJob(std::move(job)));
  PumpUntil([&] { return receiver.posts > 0; }, timeoutMs);
  const DWORD ms = ::GetTickCount() - start;
  PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(PumpUntil([&] { return ProcessThreadCount() == threadsBefore; }, 3000)) << "the worker is still running";
  return {receiver.posts, receiver.error, ms};
}

const char kAlertMail[] =
    "From: meter@example.org\r\nTo: ann@example.org, nohost, bob@example.org\r\n"
    "Subject: Bandwidth Usage Notification\r\n\r\n"
    "Hi,\r\n\r\nMore than 10 GB have been downloaded through LAN [10.0.0.10] in last week.\r\n.\r\n"
    "..two dots\r\n.\r\nThe email was sent by Zephra.\r\n";

TEST(SmtpWinsock, AlertMailReachesARealServerWithAndWithoutAuthLogin) {
  for (bool auth : {false, true}) {
    ScriptServer server("mailbox_smtp.py", auth ? std::vector<std::string>{"ann", "s3cret"} : std::vector<std::string>{});
    ASSERT_TRUE(server.ready());
    MailReceiver receiver;
    auto job = Job(server.port(), receiver.hwnd(), kAlertMail);
    job->authentication = auth;
    SetJobField(job->userName, "ann");
    SetJobField(job->password, "s3cret");
    const Outcome out = SendAndWait(std::move(job), receiver, ProcessThreadCount(), 20000);
    EXPECT_EQ(out.posts, 1);
    EXPECT_EQ(out.error, "") << auth;
    EXPECT_FALSE(receiver.errorPresent);
    ASSERT_TRUE(server.WaitFor("1.eml"));
    EXPECT_EQ(server.Read("1.eml"), kAlertMail);
    EXPECT_EQ(server.Read("1.env"), "meter@example.org\nann@example.org\nbob@example.org\n");
  }
  // A wrong password is refused with the server's reply line.
  ScriptServer server("mailbox_smtp.py", {"ann", "s3cret"});
  ASSERT_TRUE(server.ready());
  MailReceiver receiver;
  auto job = Job(server.port(), receiver.hwnd(), kAlertMail);
  job->authentication = 1;
  SetJobField(job->userName, "ann");
  SetJobField(job->password, "wrong");
  const Outcome out = SendAndWait(std::move(job), receiver, ProcessThreadCount(), 20000);
  EXPECT_EQ(out.error.substr(0, 4), "535 ");
}

TEST(SmtpWinsock, HostileServersEndAsDocumentedWithinTheirLimits) {
  struct Case {
    const char* mode;
    std::string error;
    DWORD minMs, maxMs;
  } cases[] = {
      {"silent", "Time out.", 1400, 4000},
      {"close-after-mail", "Time out.", 0, 1500},
      // 46 bytes, one every 0.25 s: each byte within the limit, the line not.
      {"trickle", "Time out.", 1400, 4000},
      {"long-line", "554 " + std::string(1019, 'y'), 0, 3000},
      {"garbage", "2500000000 garbage", 0, 1500},
      {"refuse-rcpt", "SMTP Server didn't relay email.", 0, 1500},
  };
  // One mail first, so that Winsock's own threads and handles exist before counting.
  {
    ScriptServer warm("hostile_smtp.py", {"refuse-rcpt"});
    MailReceiver receiver;
    SendAndWait(Job(warm.port(), receiver.hwnd(), kAlertMail), receiver, ProcessThreadCount(), 5000);
  }
  const int threads = ProcessThreadCount();
  DWORD handles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
  for (const Case& c : cases) {
    ScriptServer server("hostile_smtp.py", {c.mode});
    ASSERT_TRUE(server.ready()) << c.mode;
    MailReceiver receiver;
    auto job = Job(server.port(), receiver.hwnd(), kAlertMail);
    job->replyLimitMs = 1500;
    const Outcome out = SendAndWait(std::move(job), receiver, threads, 10000);
    EXPECT_EQ(out.posts, 1) << c.mode;
    EXPECT_EQ(out.error, c.error) << c.mode;
    EXPECT_GE(out.ms, c.minMs) << c.mode;
    EXPECT_LE(out.ms, c.maxMs) << c.mode;
    if (std::string(c.mode) == "refuse-rcpt") {
      server.WaitFor("log");
      EXPECT_NE(server.Read("log").find("RCPT TO: <bob@example.org>\r\nQUIT\r\n"), std::string::npos);
    }
  }
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
  DWORD handlesAfter = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handles);
}

TEST(SmtpWinsock, WorkerFreesTheTextWhenTheWindowIsGone) {
  const int threads = ProcessThreadCount();
  HWND gone;
  {
    MailReceiver receiver;
    gone = receiver.hwnd();
  }
  auto job = Job(FreeLocalPort(), gone, kAlertMail);
  job->recipients[0] = '\0';  // "Invalid parameters." without connecting
  ASSERT_TRUE(StartMailJob(std::move(job)));
  EXPECT_TRUE(PumpUntil([&] { return ProcessThreadCount() == threads; }, 3000));
  EXPECT_EQ(OutstandingMailDoneTexts(), 0);
}

// Four attempts about 5 s apart: about 15 s (run on its own, labelled slow).
TEST(SmtpWinsockSlow, UnreachableServer) {
  MailReceiver receiver;
  const Outcome out = SendAndWait(Job(FreeLocalPort(), receiver.hwnd(), kAlertMail), receiver, ProcessThreadCount(), 30000);
  EXPECT_EQ(out.posts, 1);
  EXPECT_EQ(out.error, "Failed to connect to SMTP server.");
  EXPECT_GE(out.ms, 14500u);
  EXPECT_LE(out.ms, 25000u);
}

}  // namespace
