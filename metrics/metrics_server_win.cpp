#include "metrics/metrics_server_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <vector>

#include "alerts/smtp_win.h"
#include "metrics/exposition.h"
#include "metrics/http_request.h"

namespace {

constexpr size_t kMaxClients = 8;
constexpr ULONGLONG kHeadTimeoutMs = 5000;   // to send the request head
constexpr ULONGLONG kAnswerTimeoutMs = 10000;  // to take the answer
constexpr ULONGLONG kDrainTimeoutMs = 2000;  // to close after the answer

struct Client {
  enum Step { Reading, Answering, Draining, Done };
  SOCKET socket = INVALID_SOCKET;
  Step step = Reading;
  long watched = 0;        // the network events that set the clients' event
  bool closeAtOnce = false;  // nothing is left to read once the answer went out
  RequestHead head;
  std::string answer;
  size_t sent = 0;
  ULONGLONG deadline = 0;
};

// Makes the client's socket set `wake` on `events` (an accepted socket sets
// the listener's event for connections, which never comes).
void Watch(Client& c, HANDLE wake, long events) {
  if (c.watched == events) return;
  if (::WSAEventSelect(c.socket, wake, events) == 0) c.watched = events;
  else c.step = Client::Done;
}

// Takes the client as far as its socket allows without waiting: under Wine
// every Winsock call is a round trip to the wineserver, so a scrape whose
// request is there when it is accepted costs one receive, one send and the
// close. When the client must be waited for, its socket sets `wake`.
void Advance(Client& c, HANDLE wake, ULONGLONG now, const std::function<std::string()>& body) {
  char buffer[4096];
  while (c.step != Client::Done) {
    if (c.step == Client::Answering) {
      const int n = ::send(c.socket, c.answer.data() + c.sent, static_cast<int>(c.answer.size() - c.sent), 0);
      if (n == SOCKET_ERROR) {
        if (::WSAGetLastError() == WSAEWOULDBLOCK) return Watch(c, wake, FD_WRITE | FD_CLOSE);
        c.step = Client::Done;
      } else if ((c.sent += static_cast<size_t>(n)) == c.answer.size()) {
        c.answer = std::string();
        if (c.closeAtOnce) {
          c.step = Client::Done;
        } else {
          // Whatever the client still sends is read and dropped until it
          // closes, so its answer is not cut off by a reset.
          ::shutdown(c.socket, SD_SEND);
          c.step = Client::Draining;
          c.deadline = now + kDrainTimeoutMs;
        }
      }
      continue;
    }
    const int n = ::recv(c.socket, buffer, sizeof buffer, 0);
    if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) return Watch(c, wake, FD_READ | FD_CLOSE);
    if (n <= 0) {
      c.step = Client::Done;
    } else if (c.step == Client::Reading && c.head.Feed(std::string_view(buffer, n)) != HeadState::Incomplete) {
      c.answer = AnswerRequest(c.head, body);
      c.step = Client::Answering;
      c.deadline = now + kAnswerTimeoutMs;
      // A receive short of the buffer emptied the socket; with no byte past
      // the head, closing cannot reset the connection.
      c.closeAtOnce = n < static_cast<int>(sizeof buffer) && c.head.pastHead() == 0 &&
                      c.head.state() != HeadState::TooLarge;
    } else {
      // One receive per wake, so a client that sends without end cannot
      // keep the others waiting.
      return Watch(c, wake, FD_READ | FD_CLOSE);
    }
  }
}

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
  stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  accepting_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  clients_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  // Also makes the listener, and every socket it accepts, non-blocking.
  if (!stop_ || !accepting_ || !clients_ || ::WSAEventSelect(s, accepting_.get(), FD_ACCEPT) != 0) {
    const DWORD error = ::GetLastError();
    ::closesocket(s);
    return L"The counters cannot be served at " + Endpoint(settings) + L" (error " + std::to_wstring(error) + L").";
  }
  listener_ = s;
  thread_ = std::thread([this] { Serve(); });
  return std::wstring();
}

void MetricsServer::Stop() {
  if (!thread_.joinable()) return;
  ::SetEvent(stop_.get());
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
  const auto body = [this] { return Body(); };
  // Stop first; then clients and new connections take turns, so neither a
  // client that sends without end nor a stream of connections holds the
  // other up.
  bool acceptFirst = true;
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    DWORD waitMs = INFINITE;
    for (const Client& c : clients)
      waitMs = std::min<DWORD>(waitMs, c.deadline > now ? static_cast<DWORD>(c.deadline - now) : 0);
    // A full house leaves new connections in the listen queue.
    const bool room = clients.size() < kMaxClients;
    HANDLE events[3] = {stop_.get()};
    DWORD count = 1;
    if (room && acceptFirst) events[count++] = accepting_.get();
    events[count++] = clients_.get();
    if (room && !acceptFirst) events[count++] = accepting_.get();
    const DWORD woken = ::WaitForMultipleObjects(count, events, FALSE, waitMs);
    if (woken == WAIT_OBJECT_0) break;
    if (woken == WAIT_FAILED) {
      ::Sleep(50);
      continue;
    }
    const HANDLE which = woken < WAIT_OBJECT_0 + count ? events[woken - WAIT_OBJECT_0] : nullptr;
    if (which) acceptFirst = which == clients_.get();
    now = ::GetTickCount64();
    if (which == clients_.get()) {
      for (Client& c : clients) Advance(c, clients_.get(), now, body);
    } else if (which == accepting_.get()) {
      // Another connection in the queue sets the event again.
      SOCKET s = ::accept(listener_, nullptr, nullptr);
      if (s != INVALID_SOCKET) {
        Client& c = clients.emplace_back();
        c.socket = s;
        c.deadline = now + kHeadTimeoutMs;
        Advance(c, clients_.get(), now, body);
      }
    }
    for (Client& c : clients) {
      if (c.step == Client::Done || now >= c.deadline) {
        ::closesocket(c.socket);
        c.socket = INVALID_SOCKET;
      }
    }
    std::erase_if(clients, [](const Client& c) { return c.socket == INVALID_SOCKET; });
  }
  for (Client& c : clients) ::closesocket(c.socket);
}
