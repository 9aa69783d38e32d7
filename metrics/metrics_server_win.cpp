#include "metrics/metrics_server_win.h"

#include <ws2tcpip.h>

#include <vector>

#include "alerts/smtp_win.h"
#include "metrics/exposition.h"
#include "metrics/http_request.h"

namespace {

constexpr size_t kMaxClients = 8;
constexpr ULONGLONG kHeadTimeoutMs = 5000;   // to send the request head
constexpr ULONGLONG kAnswerTimeoutMs = 10000;  // to take the answer
constexpr ULONGLONG kDrainTimeoutMs = 2000;  // to close after the answer
constexpr long kIdleWaitMs = 500;            // how soon Stop is noticed

struct Client {
  enum Step { Reading, Answering, Draining };
  SOCKET socket = INVALID_SOCKET;
  Step step = Reading;
  RequestHead head;
  std::string answer;
  size_t sent = 0;
  ULONGLONG deadline = 0;
};

std::wstring Endpoint(const MetricsSettings& s) { return s.address + L":" + std::to_wstring(s.port); }

}  // namespace

std::wstring MetricsServer::Start(const MetricsSettings& settings) {
  Stop();
  const auto address = ParseIpv4(settings.address);
  if (!address) return L"\"" + settings.address + L"\" is not an IPv4 address such as 127.0.0.1.";
  if (!StartSockets()) return L"Windows Sockets are not available.";
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return L"No socket could be made for the counters endpoint.";
  // No other program may share the port while the counters are served.
  BOOL exclusive = TRUE;
  ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = ::htons(settings.port);
  at.sin_addr.s_addr = ::htonl(*address);
  if (::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(s, SOMAXCONN) != 0) {
    const int error = ::WSAGetLastError();
    ::closesocket(s);
    if (error == WSAEADDRINUSE || error == WSAEACCES)
      return L"Port " + std::to_wstring(settings.port) +
             L" is already in use by another program, so the counters are not served at " + Endpoint(settings) +
             L". Choose another port on the Monitoring page.";
    if (error == WSAEADDRNOTAVAIL)
      return settings.address + L" is not an address of this computer, so the counters are not served.";
    return L"The counters cannot be served at " + Endpoint(settings) + L" (error " + std::to_wstring(error) + L").";
  }
  sockaddr_in bound{};
  int length = sizeof bound;
  port_ = ::getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length) == 0 ? ::ntohs(bound.sin_port)
                                                                              : settings.port;
  u_long nonBlocking = 1;
  ::ioctlsocket(s, FIONBIO, &nonBlocking);
  listener_ = s;
  stop_ = false;
  thread_ = std::thread([this] { Serve(); });
  return std::wstring();
}

void MetricsServer::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
  ::closesocket(listener_);
  listener_ = INVALID_SOCKET;
}

std::string MetricsServer::Body() const {
  const auto snapshot = store_.Latest();
  return RenderMetrics(snapshot ? *snapshot : MetricsSnapshot{});
}

void MetricsServer::Serve() {
  std::vector<Client> clients;
  clients.reserve(kMaxClients);
  char buffer[4096];
  while (!stop_) {
    fd_set readable, writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    // A full house leaves new connections in the listen queue.
    if (clients.size() < kMaxClients) FD_SET(listener_, &readable);
    ULONGLONG now = ::GetTickCount64();
    ULONGLONG wake = now + kIdleWaitMs;
    for (const Client& c : clients) {
      FD_SET(c.socket, c.step == Client::Answering ? &writable : &readable);
      if (c.deadline < wake) wake = c.deadline;
    }
    const long waitMs = wake > now ? static_cast<long>(wake - now) : 0;
    timeval timeout{waitMs / 1000, (waitMs % 1000) * 1000};
    if (::select(0, &readable, &writable, nullptr, &timeout) == SOCKET_ERROR) {
      ::Sleep(50);
      continue;
    }
    now = ::GetTickCount64();
    if (FD_ISSET(listener_, &readable)) {
      SOCKET s = ::accept(listener_, nullptr, nullptr);
      if (s != INVALID_SOCKET) {
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        Client c;
        c.socket = s;
        c.deadline = now + kHeadTimeoutMs;
        clients.push_back(std::move(c));
      }
    }
    for (Client& c : clients) {
      bool done = false;
      if (c.step != Client::Answering && FD_ISSET(c.socket, &readable)) {
        const int n = ::recv(c.socket, buffer, sizeof buffer, 0);
        if (n <= 0) {
          done = n == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK;
        } else if (c.step == Client::Reading && c.head.Feed(std::string_view(buffer, n)) != HeadState::Incomplete) {
          c.answer = AnswerRequest(c.head, [this] { return Body(); });
          c.step = Client::Answering;
          c.deadline = now + kAnswerTimeoutMs;
        }
      } else if (c.step == Client::Answering && FD_ISSET(c.socket, &writable)) {
        const int n = ::send(c.socket, c.answer.data() + c.sent, static_cast<int>(c.answer.size() - c.sent), 0);
        if (n > 0) c.sent += static_cast<size_t>(n);
        else if (::WSAGetLastError() != WSAEWOULDBLOCK) done = true;
        if (!done && c.sent == c.answer.size()) {
          // Whatever the client still sends is read and dropped until it
          // closes, so its answer is not cut off by a reset.
          ::shutdown(c.socket, SD_SEND);
          c.answer = std::string();
          c.step = Client::Draining;
          c.deadline = now + kDrainTimeoutMs;
        }
      }
      if (done || now >= c.deadline) {
        ::closesocket(c.socket);
        c.socket = INVALID_SOCKET;
      }
    }
    std::erase_if(clients, [](const Client& c) { return c.socket == INVALID_SOCKET; });
  }
  for (Client& c : clients) ::closesocket(c.socket);
}
