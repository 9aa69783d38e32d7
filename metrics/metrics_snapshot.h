// What a scrape of the counters endpoint shows, copied from the catalogue on
// the counting thread at the end of every tick. The listener renders its
// answers from the latest copy, so a scrape never touches the catalogue and a
// tick never waits for a client.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "alerts/usage_alert.h"
#include "measure/catalogue.h"

// One connection of the catalogue. Texts are UTF-8.
struct ConnectionFigures {
  std::string connection;  // the adapter ID as the log stores it, "all" or "dialup"
  std::string name;        // the display name
  uint64_t runIn = 0;      // since the program started counting
  uint64_t runOut = 0;
  uint64_t todayIn = 0;    // today's totals, live counters included
  uint64_t todayOut = 0;
};

// The usage rule while it is armed: its period total so far and threshold.
struct UsageFigures {
  std::string connection;
  std::string name;
  uint64_t periodBytes = 0;
  uint64_t thresholdBytes = 0;
};

struct MetricsSnapshot {
  std::string program;  // "meter" or "service"
  std::string version;  // the program's version, "1.0.0"
  std::vector<ConnectionFigures> connections;
  std::optional<UsageFigures> usage;
};

// Every connection of the catalogue in its order, and the usage rule when
// `armedRule` is given and watches a connection (pass it only while
// notifications are on), with this build's version. No IP address is copied.
MetricsSnapshot TakeSnapshot(const Catalogue& catalogue, const UsageAlert* armedRule, std::string program);

// The latest snapshot, handed from the counting thread to the listener.
class SnapshotStore {
public:
  void Publish(MetricsSnapshot snapshot) {
    auto next = std::make_shared<const MetricsSnapshot>(std::move(snapshot));
    std::lock_guard<std::mutex> lock(mutex_);
    latest_.swap(next);
  }
  // Null until the first tick.
  std::shared_ptr<const MetricsSnapshot> Latest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return latest_;
  }

private:
  mutable std::mutex mutex_;
  std::shared_ptr<const MetricsSnapshot> latest_;
};
