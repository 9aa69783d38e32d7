#include "alerts/smtp_win.h"

#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "alerts/tls_win.h"
#include "base/ids.h"

namespace {

constexpr size_t kSliceBytes = 1400;

std::atomic<long> g_texts{0};

timeval Timeval(int64_t ms) {
  timeval tv;
  tv.tv_sec = static_cast<long>(ms / 1000);
  tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
  return tv;
}

// 1 ready, 0 the wait ran out, -1 error.
int WaitFor(SOCKET s, bool write, int64_t ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv = Timeval(ms < 0 ? 0 : ms);
  const int n = ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv);
  return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

class WinsockTransport : public SmtpTransport {
public:
  ~WinsockTransport() override { Close(); }
  bool Connect(const char* server, uint16_t port) override {
    socket_ = ConnectToServer(server, port);
    return socket_ != INVALID_SOCKET;
  }
  void Close() override {
    if (tls_) tls_->Shutdown();
    tls_.reset();
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  void Pause(int ms) override { ::Sleep(static_cast<DWORD>(ms)); }
  int64_t SendAll(const char* data, size_t length, int limitMs) override {
    return tls_ ? tls_->Send(data, length, limitMs) : ::SendAll(socket_, data, length, limitMs);
  }
  int ReadReplyLine(char* buffer, int capacity, int limitMs) override {
    return tls_ ? tls_->ReadLine(buffer, capacity, limitMs) : ::ReadReplyLine(socket_, buffer, capacity, limitMs);
  }
  int64_t NowMs() override { return static_cast<int64_t>(::GetTickCount64()); }
  std::string StartTls(const char* server, int limitMs) override {
    auto tls = std::make_unique<TlsChannel>();
    std::string error = tls->Start(socket_, server, limitMs);
    if (error.empty()) tls_ = std::move(tls);
    return error;
  }

private:
  SOCKET socket_ = INVALID_SOCKET;
  std::unique_ptr<TlsChannel> tls_;
};

}  // namespace

bool StartSockets() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data;
    started = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
  });
  return started;
}

SOCKET ConnectToServer(const char* server, uint16_t port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  address.sin_addr.s_addr = ::inet_addr(server);
  if (address.sin_addr.s_addr == INADDR_NONE) {
    const hostent* host = ::gethostbyname(server);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) return INVALID_SOCKET;
    std::memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
  }
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return INVALID_SOCKET;
  if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

int64_t SendAll(SOCKET s, const char* data, size_t length, int limitMs) {
  size_t sent = 0;
  while (sent < length) {
    if (WaitFor(s, true, limitMs) != 1) break;
    const int slice = static_cast<int>(std::min(kSliceBytes, length - sent));
    const int n = ::send(s, data + sent, slice, 0);
    if (n == SOCKET_ERROR) return -1;
    sent += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(sent);
}

int ReadReplyLine(SOCKET s, char* buffer, int capacity, int limitMs) {
  // One byte at a time, so that nothing past the line feed is taken; the
  // whole line must arrive before the deadline.
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  int length = 0;
  buffer[0] = '\0';
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline || WaitFor(s, false, static_cast<int64_t>(deadline - now)) != 1) return -1;
    char byte;
    if (::recv(s, &byte, 1, 0) != 1) return -1;
    if (AddReplyByte(buffer, capacity, length, byte)) return length;
  }
}

char* AllocateMailDoneText(const std::string& text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.c_str(), text.size() + 1);
  ++g_texts;
  return copy;
}

void FreeMailDoneText(LPARAM text) {
  if (!text) return;
  delete[] reinterpret_cast<char*>(text);
  --g_texts;
}

long OutstandingMailDoneTexts() { return g_texts.load(); }

std::string SendMailNow(const MailJob& job) {
  WinsockTransport transport;
  return RunMailJob(job, transport);
}

unsigned __stdcall SendMailJob(void* param) {
  std::unique_ptr<MailJob> job(static_cast<MailJob*>(param));
  const std::string error = SendMailNow(*job);
  char* text = error.empty() ? nullptr : AllocateMailDoneText(error);
  HWND window = static_cast<HWND>(job->notifyWindow);
  if (!window || !::PostMessageW(window, WM_MAIL_DONE, ::GetCurrentThreadId(), reinterpret_cast<LPARAM>(text)))
    FreeMailDoneText(reinterpret_cast<LPARAM>(text));
  return 0;
}

bool StartMailJob(std::unique_ptr<MailJob> job) {
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &SendMailJob, job.get(), 0, nullptr);
  if (!thread) return false;
  job.release();
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}
