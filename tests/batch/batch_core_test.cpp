// The batch's platform-free parts: the memory gate its workers share.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "memory_gate.h"

namespace {

using orvane::batch::MemoryGate;

TEST(MemoryGate, KeepsExportsWithinTheBudgetInOrder) {
  MemoryGate gate(100);
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  std::atomic<std::uint64_t> held{0};
  std::atomic<bool> over{false};
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      ++started;
      while (started.load() < 8) std::this_thread::yield();
      for (int i = 0; i < 20; ++i) {
        const std::uint64_t bytes = (t % 2 == 0) ? 40 : 30;
        ASSERT_TRUE(gate.acquire(bytes));
        const int now = ++running;
        if (held.fetch_add(bytes) + bytes > 100) over = true;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        held.fetch_sub(bytes);
        --running;
        gate.release(bytes);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(over.load());
  EXPECT_LE(gate.peak_held(), 100u);
  EXPECT_GE(most.load(), 2) << "several at once when they fit";
  EXPECT_EQ(gate.held(), 0u);

  // More than the whole budget runs alone, once the others are done; later requests wait for it.
  ASSERT_TRUE(gate.acquire(60));
  std::atomic<int> stage{0};
  std::thread big([&] {
    ASSERT_TRUE(gate.acquire(500));
    stage = 1;
    gate.release(500);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(stage.load(), 0) << "the big one waits for the 60 to go";
  std::thread small([&] {
    ASSERT_TRUE(gate.acquire(10));
    EXPECT_EQ(stage.load(), 1) << "a later small request does not pass the waiting big one";
    gate.release(10);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  gate.release(60);
  big.join();
  small.join();

  // Closing wakes the waiting with false.
  ASSERT_TRUE(gate.acquire(100));
  std::atomic<int> refused{0};
  std::thread waiter([&] { refused += gate.acquire(50) ? 0 : 1; });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  gate.close();
  waiter.join();
  EXPECT_EQ(refused.load(), 1);
  EXPECT_FALSE(gate.acquire(1));
}

}  // namespace
