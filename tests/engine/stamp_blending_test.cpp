// Folding stamps into a period cell against laying each stamp over the picture in turn.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "stamp_blending.h"

namespace {

using namespace orvane::engine;

// A stamp of one colour whose alpha varies from pixel to pixel, as anti-aliased text does.
StampPixels stamp_of(int width, int height, std::uint32_t rgb, std::uint32_t most_alpha) {
  StampPixels stamp{{}, width, height, std::vector<int>(height, 0), std::vector<int>(height, width)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) stamp.argb.push_back((((x * 37 + y * 11) % (most_alpha + 1)) << 24) | rgb);
  }
  return stamp;
}

std::vector<std::uint32_t> picture(int width, int height) {
  std::vector<std::uint32_t> pixels;
  for (int i = 0; i < width * height; ++i) pixels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
  return pixels;
}

int largest_difference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  int most = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      most = std::max(most, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)));
    }
  }
  return most;
}

// A lattice of overlapping stamps, period 10 x 7 on a 37 x 23 picture, both ways: the cell gives
// what blending every stamp in turn gives, up to a level of rounding per extra layer (at most
// four layers here), and exactly where stamps do not overlap.
TEST(CoverageCell, FoldedLatticeMatchesStampsLaidOneByOne) {
  const int width = 37, height = 23, period_x = 10, period_y = 7;
  const std::uint32_t rgb = 0x20C0F0;
  for (const std::uint32_t alpha : {110u, 255u}) {
    for (const int size : {4, 13}) {  // apart, and overlapping their neighbours
      SCOPED_TRACE(testing::Message() << "alpha " << alpha << ", stamp " << size);
      const StampPixels stamp = stamp_of(size, size - 1, rgb, alpha);
      std::vector<std::uint32_t> one_by_one = picture(width, height), folded = one_by_one;
      const PixelView each{reinterpret_cast<std::uint8_t*>(one_by_one.data()), width, height, width * 4, 4, false};
      for (int top = -3 * period_y + 2; top < height; top += period_y) {
        for (int left = -3 * period_x - 3; left < width; left += period_x) blend_stamp(stamp, each, left, top);
      }
      CoverageCell cell(period_x, period_y, width, height, static_cast<std::uint8_t>(alpha));
      cell.fold(stamp, -3, 2 + 5 * period_y);  // any lattice point stands for all
      cell.lay_over({reinterpret_cast<std::uint8_t*>(folded.data()), width, height, width * 4, 4, false}, rgb);
      EXPECT_LE(largest_difference(folded, one_by_one), size > period_y ? 4 : 0);
      if (size < period_y) {
        EXPECT_EQ(cell.alpha_at(-2, 3), stamp.argb[size + 1] >> 24);
        EXPECT_EQ(cell.alpha_at(8 + 10 * period_x, 3 - 4 * period_y), stamp.argb[size + 1] >> 24) << "the cell repeats";
      }
    }
  }
}

// Translucent layers stop rising short of opaque; once every pixel has stopped the cell says so.
TEST(CoverageCell, SaturatesWhereLayeringStopsChanging) {
  const std::uint32_t rgb = 0xFFFFFF;
  StampPixels solid{std::vector<std::uint32_t>(4 * 4, (110u << 24) | rgb), 4, 4, std::vector<int>(4, 0),
                    std::vector<int>(4, 4)};
  CoverageCell cell(4, 4, 100, 100, 110);
  int layers = 0;
  while (!cell.saturated() && layers < 100) cell.fold(solid, 0, 0), ++layers;
  EXPECT_TRUE(cell.saturated());
  EXPECT_LT(layers, 20);
  const std::uint8_t top = cell.alpha_at(0, 0);
  cell.fold(solid, 0, 0);
  EXPECT_EQ(cell.alpha_at(0, 0), top) << "a saturated pixel changes no more";
  EXPECT_GE(top, 250);
  CoverageCell opaque(4, 4, 2, 2, 255);  // kept to the 2 x 2 the picture shows
  solid.argb.assign(16, 0xFF000000u | rgb);
  opaque.fold(solid, 1, 1);
  EXPECT_TRUE(opaque.saturated());
  EXPECT_EQ(opaque.alpha_at(3, 3), 0) << "outside the picture nothing is kept";
}

}  // namespace
