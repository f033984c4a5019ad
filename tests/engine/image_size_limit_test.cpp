#include "image_size_limit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace orvane::engine;

TEST(ImageSizeLimit, PixelsAndMemory) {
  EXPECT_TRUE(image_size_acceptable(12000, 9000)) << "a 108 MP photo must still work";
  EXPECT_FALSE(image_size_acceptable(65000, 65000));
  EXPECT_FALSE(image_size_acceptable(kMaxImagePixels, 2));
  EXPECT_FALSE(image_size_acceptable(0, 10));
  EXPECT_TRUE(image_size_acceptable(kMaxImagePixels / 4, 1));
}

// The rule the command line's memory gate shares with the decoder: three 32-bit images.
TEST(ImageSizeLimit, BytesNeededByAnExport) {
  EXPECT_EQ(export_bytes_needed(4000, 3000), 4000ull * 3000 * 12);
  EXPECT_EQ(export_bytes_needed(0, 3000), 0u);
  EXPECT_EQ(export_bytes_needed(~0ull, ~0ull), ~0ull) << "saturates";
  EXPECT_EQ(export_bytes_needed(1ull << 40, 1ull << 22), ~0ull) << "saturates";
  const auto available = memory_available();
  ASSERT_TRUE(available.has_value());
  EXPECT_GT(*available, 0u);
  EXPECT_FALSE(image_size_acceptable(kMaxImagePixels / 4, 4 + 1)) << "over the pixel limit";
}

// Workers of a batch judge their first images at the same moment, early in the process. Each
// round is a fresh process (a death test's child), where the system is asked for the first time;
// four threads, released together, judge a small image again and again. A single wrong answer
// would report a readable file as unreadable.
TEST(ImageSizeLimit, ThreadsJudgingAtOnceFromTheProcessStartAllAcceptASmallImage) {
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    EXPECT_EXIT(
        {
          constexpr int kThreads = 4;
          std::atomic<int> ready{0};
          std::atomic<bool> go{false};
          std::atomic<int> refused{0};
          std::vector<std::thread> threads;
          for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
              ready.fetch_add(1);
              while (!go.load()) std::this_thread::yield();
              for (int i = 0; i < 200; ++i) {
                if (!image_size_acceptable(200, 150)) refused.fetch_add(1);
              }
            });
          }
          while (ready.load() < kThreads) std::this_thread::yield();
          go = true;
          for (std::thread& thread : threads) thread.join();
          std::exit(refused.load() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << "round " << round << ": a 200 x 150 image was refused";
  }
}

}  // namespace
