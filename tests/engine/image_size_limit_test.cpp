#include "image_size_limit.h"

#include <gtest/gtest.h>

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

}  // namespace
