#include "memory_gate.h"

#include <algorithm>

namespace orvane::batch {

bool MemoryGate::acquire(std::uint64_t bytes) {
  std::unique_lock lock(mutex_);
  const std::uint64_t ticket = next_ticket_++;
  changed_.wait(lock, [&] {
    if (closed_) return true;
    if (ticket != serving_) return false;
    return holders_ == 0 || (held_ <= budget_ && bytes <= budget_ - held_);
  });
  if (closed_) {
    // The queue moves on without this request.
    if (ticket == serving_) ++serving_;
    changed_.notify_all();
    return false;
  }
  ++serving_;
  ++holders_;
  held_ += bytes;
  peak_held_ = std::max(peak_held_, held_);
  changed_.notify_all();  // the next in the queue may fit as well
  return true;
}

void MemoryGate::release(std::uint64_t bytes) {
  {
    const std::lock_guard lock(mutex_);
    held_ -= std::min(bytes, held_);
    if (holders_ > 0) --holders_;
  }
  changed_.notify_all();
}

void MemoryGate::close() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

std::uint64_t MemoryGate::held() const {
  const std::lock_guard lock(mutex_);
  return held_;
}

std::uint64_t MemoryGate::peak_held() const {
  const std::lock_guard lock(mutex_);
  return peak_held_;
}

}  // namespace orvane::batch
