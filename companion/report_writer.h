// The scheduled reports are written on a worker of their own: a report file
// on a slow or unreachable share must hold up neither the counting nor the
// service's stop. The counting thread renders each report and posts its bytes;
// the worker writes them in order and keeps each result for the counting
// thread to collect.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class ReportWriter {
public:
  // Replaces a whole file; called on the worker.
  using WriteFile = std::function<bool(const std::wstring& path, const std::string& bytes)>;
  struct Result {
    std::wstring path;
    bool ok = false;
  };

  explicit ReportWriter(WriteFile write);
  ~ReportWriter();  // Stop(0)
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Queues a write. A file whose earlier write still waits or runs is not
  // queued again (false): the next interval brings newer bytes anyway, and an
  // unreachable share cannot pile up reports.
  bool Post(const std::wstring& path, std::string bytes);
  // The results of the writes finished since the last call, in order.
  std::vector<Result> TakeResults();
  // True once every queued write has finished, waiting at most waitMs.
  bool WaitUntilIdle(int waitMs);
  // Takes no more writes and waits at most waitMs for the queued ones. A write
  // still running then is left to finish on the worker, which ends after it.
  void Stop(int waitMs);

private:
  struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::wstring, std::string>> queue;
    std::wstring writing;  // the file being written; empty when idle
    std::vector<Result> results;
    bool stopping = false;
  };
  static void Work(std::shared_ptr<Shared> shared, WriteFile write);

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};
