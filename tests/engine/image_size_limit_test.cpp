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

}  // namespace
