#include "alerts/beeper.h"

#include <atomic>
#include <chrono>
#include <condition_variable>

struct Beeper::Job {
  uint32_t frequency;
  uint32_t durationMs;
  uint32_t count;
  std::atomic<bool> active{true};
  std::atomic<bool> finished{false};
  std::mutex pauseLock;
  std::condition_variable wake;  // ends a pause when the job is stopped

  void Deactivate() {
    {
      std::lock_guard<std::mutex> hold(pauseLock);
      active = false;
    }
    wake.notify_all();
  }
};

Beeper::~Beeper() {
  std::vector<Worker> workers;
  {
    std::lock_guard<std::mutex> hold(lock_);
    StopLocked();
    workers.swap(workers_);
  }
  for (Worker& w : workers) w.thread.join();
}

void Beeper::StopLocked() {
  if (current_) current_->Deactivate();
  current_.reset();
}

void Beeper::Start(uint32_t frequency, uint32_t durationMs, uint32_t count) {
  auto job = std::make_shared<Job>();
  job->frequency = frequency;
  job->durationMs = durationMs;
  job->count = count;
  std::vector<Worker> done;
  {
    std::lock_guard<std::mutex> hold(lock_);
    StopLocked();
    current_ = job;
    // Workers whose last step has run end at once: they are joined here, never
    // one that may still be sounding.
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (it->job->finished) {
        done.push_back(std::move(*it));
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
    workers_.push_back(Worker{std::thread(&Beeper::Work, this, job), job});
  }
  for (Worker& w : done) w.thread.join();
}

void Beeper::Stop() {
  std::lock_guard<std::mutex> hold(lock_);
  StopLocked();
}

bool Beeper::running() const {
  std::lock_guard<std::mutex> hold(lock_);
  return current_ != nullptr;
}

void Beeper::Work(Beeper* self, std::shared_ptr<Job> job) {
  uint32_t left = job->count;
  while (job->active && (job->count == 0 || left > 0)) {
    self->tone_(job->frequency, job->durationMs);
    if (!job->active) break;
    std::unique_lock<std::mutex> pause(job->pauseLock);
    if (job->wake.wait_for(pause, std::chrono::milliseconds(job->durationMs), [&] { return !job->active; })) break;
    if (job->count != 0) --left;
  }
  {
    std::lock_guard<std::mutex> hold(self->lock_);
    if (self->current_ == job) self->current_.reset();
  }
  job->finished = true;
}
