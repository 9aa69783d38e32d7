// The beeper: one job at a time sounds a tone pattern on a worker thread - a
// tone of the duration, then as long a pause - a number of times or until it
// is stopped. A new job stops the current one. Each worker shares ownership of
// its job, so a stopped job lives on until its worker has finished with it;
// stopping ends a pause at once and a pattern after the tone in progress.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class Beeper {
public:
  // Sounds one tone and returns when it has ended.
  using ToneFn = std::function<void(uint32_t frequency, uint32_t durationMs)>;

  explicit Beeper(ToneFn tone) : tone_(std::move(tone)) {}
  // Stops the current job and waits for every worker.
  ~Beeper();
  Beeper(const Beeper&) = delete;
  Beeper& operator=(const Beeper&) = delete;

  // count 0: until stopped.
  void Start(uint32_t frequency, uint32_t durationMs, uint32_t count);
  void Stop();
  // True while a job is current (started and neither stopped nor finished).
  bool running() const;

private:
  struct Job;
  struct Worker {
    std::thread thread;
    std::shared_ptr<Job> job;
  };
  static void Work(Beeper* self, std::shared_ptr<Job> job);
  void StopLocked();

  ToneFn tone_;
  mutable std::mutex lock_;  // guards current_ and workers_
  std::shared_ptr<Job> current_;
  std::vector<Worker> workers_;
};
