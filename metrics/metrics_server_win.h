// The counters endpoint: a Winsock listener on a thread of its own that
// answers GET /metrics from the latest snapshot a tick published. It reads at
// most kMaxRequestHead bytes of a request within 5 seconds, serves at most 8
// connections at once (others wait in the listen queue) and closes every
// connection after its answer. The thread sleeps until a connection, a
// client's bytes, a client's deadline or Stop.
#pragma once
#include <winsock2.h>

#include <string>
#include <thread>

#include "metrics/metrics_snapshot.h"
#include "settings/metrics_settings.h"
#include "ui/handle_win.h"

class MetricsServer {
public:
  MetricsServer() = default;
  ~MetricsServer() { Stop(); }
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  // Binds the address and port of `settings` and starts serving. Empty when
  // it serves; otherwise the reason in a sentence for the user (the port is in
  // use, the address is not one of this computer's), and nothing runs.
  std::wstring Start(const MetricsSettings& settings);
  // Ends the thread and closes every connection.
  void Stop();
  bool running() const { return thread_.joinable(); }
  // From the counting thread: what the next scrapes show.
  void Publish(MetricsSnapshot snapshot) { store_.Publish(std::move(snapshot)); }
  SnapshotStore& store() { return store_; }
  // The port bound (of use when the settings asked for port 0).
  uint16_t port() const { return port_; }

private:
  void Serve();
  std::string Body() const;

  SOCKET listener_ = INVALID_SOCKET;
  std::thread thread_;
  KernelHandle stop_;       // set by Stop
  KernelHandle accepting_;  // a connection waits in the listen queue
  KernelHandle clients_;    // a waiting client's socket can go on
  SnapshotStore store_;
  uint16_t port_ = 0;
};
