#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "thumbnail_cache.h"
#include "test_support.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;

class ThumbnailCacheTest : public ::testing::Test {
 protected:
  TempDir dir;
  GdiplusScope gdiplus;

  std::wstring picture(const std::wstring& name, std::uint32_t argb, std::uint32_t width = 64,
                       std::uint32_t height = 48) {
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.argb.assign(std::size_t{width} * height, argb);
    const auto path = dir.file(name);
    EXPECT_TRUE(save_pixels(pixels, path, L"image/png"));
    return path;
  }

  static std::shared_ptr<const Thumbnail> get(ThumbnailCache& cache, const std::wstring& path,
                                              std::uint32_t side = 32) {
    std::wstring error;
    auto thumbnail = cache.get(path, side, error);
    EXPECT_TRUE(thumbnail) << std::string(error.begin(), error.end());
    return thumbnail;
  }
};

std::uint32_t first_pixel(const Thumbnail& thumbnail) {
  const auto* p = thumbnail.pixels.data();
  return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

// Moves a file's last write time by `seconds`, its contents untouched.
bool shift_write_time(const std::wstring& path, int seconds) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME written{};
  bool ok = GetFileTime(file, nullptr, nullptr, &written) != 0;
  ULARGE_INTEGER time{};
  time.LowPart = written.dwLowDateTime;
  time.HighPart = written.dwHighDateTime;
  time.QuadPart += static_cast<ULONGLONG>(seconds) * 10'000'000;
  written.dwLowDateTime = time.LowPart;
  written.dwHighDateTime = time.HighPart;
  ok = ok && SetFileTime(file, nullptr, nullptr, &written) != 0;
  CloseHandle(file);
  return ok;
}

TEST_F(ThumbnailCacheTest, SameObjectUntilTheFileChanges) {
  ThumbnailCache cache;
  const auto path = picture(L"photo.png", 0xFFCC2200);
  const auto first = get(cache, path);
  ASSERT_TRUE(first);
  EXPECT_EQ(first_pixel(*first), 0xFFCC2200u);
  EXPECT_EQ(get(cache, path), first);
  EXPECT_EQ(get(cache, dir.path().wstring() + L"\\.\\PHOTO.PNG"), first) << "the same file however spelled";
  EXPECT_NE(get(cache, path, 16), first) << "another size is another thumbnail";

  // Rewritten by an editor: other pixels, another object.
  picture(L"photo.png", 0xFF0022CC);
  const auto second = get(cache, path);
  ASSERT_TRUE(second);
  EXPECT_NE(second, first);
  EXPECT_EQ(first_pixel(*second), 0xFF0022CCu);
  EXPECT_EQ(first_pixel(*first), 0xFFCC2200u) << "a holder's thumbnail never changes under it";

  // Only touched: the write time alone tells.
  ASSERT_TRUE(shift_write_time(path, 60));
  const auto third = get(cache, path);
  EXPECT_NE(third, second);
  EXPECT_EQ(get(cache, path), third);

  std::wstring error;
  EXPECT_FALSE(cache.get(dir.file(L"missing.png"), 32, error));
  EXPECT_EQ(error, L"Input file not found.");
  EXPECT_EQ(cache.entries(), 2u) << "the two sizes of photo.png; failures are not kept";
}

TEST_F(ThumbnailCacheTest, StaysWithinItsBudgetLettingTheLeastRecentlyUsedGo) {
  ThumbnailCache cache;
  std::vector<std::wstring> paths;
  for (int i = 0; i < 8; ++i) paths.push_back(picture(L"p" + std::to_wstring(i) + L".png", 0xFF101010u * (i + 1)));
  const std::size_t cost = ThumbnailCache::cost_of(*get(cache, paths[0]));
  EXPECT_GE(cost, 32u * 24 * 4);
  cache.set_budget(3 * cost);
  EXPECT_EQ(cache.entries(), 1u);

  const auto kept = get(cache, paths[0]);
  for (int i = 1; i < 8; ++i) {
    get(cache, paths[i]);
    if (i % 2 == 0) {
      EXPECT_EQ(get(cache, paths[0]), kept) << "used again, so kept";
    }
    EXPECT_LE(cache.bytes_held(), cache.budget());
  }
  EXPECT_EQ(cache.entries(), 3u);
  EXPECT_EQ(get(cache, paths[0]), kept);
  const auto oldest = get(cache, paths[1]);
  const auto again = get(cache, paths[1]);
  EXPECT_EQ(again, oldest);
  EXPECT_LE(cache.bytes_held(), 3 * cost);

  cache.set_budget(0);
  EXPECT_EQ(cache.entries(), 0u);
  EXPECT_EQ(cache.bytes_held(), 0u);
  EXPECT_EQ(first_pixel(*kept), 0xFF101010u) << "what callers hold outlives the cache's entry";
  EXPECT_TRUE(get(cache, paths[2])) << "too large to keep, still handed out";
  EXPECT_EQ(cache.entries(), 0u);
}

TEST_F(ThumbnailCacheTest, ThreadsAskingAtOnceShareOneThumbnailPerFile) {
  ThumbnailCache cache;
  std::vector<std::wstring> paths;
  for (int i = 0; i < 6; ++i) paths.push_back(picture(L"t" + std::to_wstring(i) + L".png", 0xFF203040u + i, 400, 300));
  constexpr int kThreads = 4;
  std::vector<std::vector<std::shared_ptr<const Thumbnail>>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (const auto& path : paths) {
          std::wstring error;
          seen[t].push_back(cache.get(path, 64, error));
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), 3 * paths.size());
    for (std::size_t i = 0; i < seen[t].size(); ++i) {
      ASSERT_TRUE(seen[t][i]);
      EXPECT_EQ(seen[t][i], seen[0][i % paths.size()]) << "thread " << t << ", request " << i;
    }
  }
  EXPECT_EQ(cache.entries(), paths.size());
}

}  // namespace
