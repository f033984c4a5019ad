#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orvane::batch {

// Shares a memory budget between the workers of a batch. A worker asks for what its file's
// export needs (the engine's rule) before starting it and gives it back when done; it waits while
// the others hold too much of the budget. Requests are served in the order they were made, so a
// large file is never passed over for ever by small ones. A request larger than the whole
// budget is served when nothing else is held, so it runs alone.
class MemoryGate {
 public:
  explicit MemoryGate(std::uint64_t budget) : budget_(budget) {}

  // Waits until `bytes` may be held; false, holding nothing, when close() was called first.
  [[nodiscard]] bool acquire(std::uint64_t bytes);
  void release(std::uint64_t bytes);

  // Wakes every waiter with false; later requests fail at once.
  void close();

  [[nodiscard]] std::uint64_t budget() const noexcept { return budget_; }
  [[nodiscard]] std::uint64_t held() const;
  [[nodiscard]] std::uint64_t peak_held() const;

 private:
  const std::uint64_t budget_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t held_ = 0;
  std::uint64_t peak_held_ = 0;
  unsigned holders_ = 0;
  std::uint64_t next_ticket_ = 0;  // the next request's place in the queue
  std::uint64_t serving_ = 0;      // the request at the head of the queue
  bool closed_ = false;
};

}  // namespace orvane::batch
