#include "companion/report_writer.h"

#include <chrono>

ReportWriter::ReportWriter(WriteFile write)
    : shared_(std::make_shared<Shared>()), worker_(&ReportWriter::Work, shared_, std::move(write)) {}

ReportWriter::~ReportWriter() { Stop(0); }

bool ReportWriter::Post(const std::wstring& path, std::string bytes) {
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (shared_->stopping || shared_->writing == path) return false;
    for (const auto& queued : shared_->queue)
      if (queued.first == path) return false;
    shared_->queue.emplace_back(path, std::move(bytes));
  }
  shared_->changed.notify_all();
  return true;
}

std::vector<ReportWriter::Result> ReportWriter::TakeResults() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return std::exchange(shared_->results, {});
}

bool ReportWriter::WaitUntilIdle(int waitMs) {
  std::unique_lock<std::mutex> guard(shared_->lock);
  return shared_->changed.wait_for(guard, std::chrono::milliseconds(waitMs),
                                   [&] { return shared_->queue.empty() && shared_->writing.empty(); });
}

void ReportWriter::Stop(int waitMs) {
  if (!worker_.joinable()) return;
  const bool idle = WaitUntilIdle(waitMs);
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->stopping = true;
    shared_->queue.clear();
  }
  shared_->changed.notify_all();
  // The worker owns what it needs; one stuck in a write ends on its own.
  if (idle) {
    worker_.join();
  } else {
    worker_.detach();
  }
}

void ReportWriter::Work(std::shared_ptr<Shared> shared, WriteFile write) {
  std::unique_lock<std::mutex> guard(shared->lock);
  for (;;) {
    shared->changed.wait(guard, [&] { return shared->stopping || !shared->queue.empty(); });
    if (shared->stopping) return;
    auto [path, bytes] = std::move(shared->queue.front());
    shared->queue.pop_front();
    shared->writing = path;
    guard.unlock();
    const bool ok = write(path, bytes);
    guard.lock();
    shared->writing.clear();
    shared->results.push_back({std::move(path), ok});
    shared->changed.notify_all();
  }
}
