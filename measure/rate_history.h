// A connection's rate history: newest first, bounded by MaxHistory. A ring
// buffer: adding at the front and dropping the oldest cost constant time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One history element: bytes during one tick (a tick counts as one second, so
// these are rates in bytes per second) and the running averages.
struct RateSample {
  uint32_t down = 0;
  uint32_t up = 0;
  uint32_t avgDown = 0;
  uint32_t avgUp = 0;
};

// Samples kept per connection: the larger of the screen width and 2048.
inline size_t MaxHistoryFor(int screenWidth) {
  return screenWidth > 2048 ? static_cast<size_t>(screenWidth) : 2048u;
}

class RateHistory {
public:
  explicit RateHistory(size_t capacity = 2048) : capacity_(capacity ? capacity : 1) {}

  size_t capacity() const { return capacity_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Adds at the front; the oldest sample drops out when the history is full.
  void PushFront(const RateSample& s) {
    if (buffer_.empty()) buffer_.resize(capacity_);  // one allocation, on first use
    head_ = (head_ + capacity_ - 1) % capacity_;
    buffer_[head_] = s;
    if (size_ < capacity_) ++size_;
    ++pushes_;
  }

  // i = 0 is the newest sample.
  const RateSample& operator[](size_t i) const { return buffer_[(head_ + i) % capacity_]; }
  const RateSample& newest() const { return (*this)[0]; }
  // Samples ever added, Clear included: a reader that remembers this count
  // knows which samples are new to it, however the ring's slots are reused.
  uint64_t pushes() const { return pushes_; }

  void Clear() {
    head_ = 0;
    size_ = 0;
  }

private:
  std::vector<RateSample> buffer_;
  size_t head_ = 0;  // index of the newest sample
  size_t size_ = 0;
  size_t capacity_;
  uint64_t pushes_ = 0;
};
