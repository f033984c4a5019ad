// Putting a mark together from its layers, and laying it over a picture once or folded into the
// period cell of a tiled layout.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mark_compositing.h"

namespace {

using namespace orvane::engine;

int channel(std::uint32_t pixel, int index) { return static_cast<int>((pixel >> (8 * index)) & 0xFF); }

// A mark of two colours with varying alpha, so that the order of overlapping marks shows.
MarkImage two_coloured(int width, int height) {
  MarkImage mark{{}, width, height, 0, 0};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t a = (x * 53 + y * 29) % 256;
      const std::uint32_t rgb = x < width / 2 ? 0xFF2000 : 0x10E0FF;
      std::uint32_t pixel = a << 24;
      for (int shift = 0; shift < 24; shift += 8) pixel |= (((rgb >> shift) & 0xFF) * a / 255) << shift;
      mark.pargb.push_back(pixel);
    }
  }
  return mark;
}

// Marks of a lattice with one mark per period (periods 10 x 7 on a 37 x 23 picture), apart and
// overlapping, folded into the cell: the picture gets what laying them one by one in reading order
// on a transparent layer, and that layer over the picture at the opacity, gives.
TEST(MarkCell, FoldedLatticeMatchesMarksLaidOneByOne) {
  const int width = 37, height = 23, period_x = 10, period_y = 7;
  for (const int size : {4, 13}) {
    SCOPED_TRACE(testing::Message() << "mark " << size);
    const MarkImage mark = two_coloured(size, size - 1);
    MarkCell layer(1000, 1000, width, height);  // a period longer than any wrap
    for (int top = -3 * period_y + 2; top < height; top += period_y) {
      for (int left = -3 * period_x - 3; left < width; left += period_x) layer.fold(mark, left, top);
    }
    MarkCell cell(period_x, period_y, width, height);
    cell.fold(mark, -3 + 4 * period_x, 2 - 6 * period_y);  // any lattice point stands for all
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) ASSERT_EQ(cell.pixel_at(x, y), layer.pixel_at(x, y)) << x << "," << y;
    }
    std::vector<std::uint8_t> a(width * height * 3, 90), b = a;
    cell.lay_over({a.data(), width, height, width * 3, 3, false}, 128);
    layer.lay_over({b.data(), width, height, width * 3, 3, false}, 128);
    EXPECT_EQ(a, b);
  }
}

// The mark's opacity applies once to the whole mark: white text over its black outline at half
// opacity over grey shows the text at half white and the outline at half black, never the
// outline through the text. A straight-alpha picture beneath keeps its colour where it is clear.
TEST(MarkCompositing, TextOverOutlineAtHalfOpacityShowsNoDoubledAlpha) {
  MarkLayers layers;
  layers.width = layers.height = 21;
  layers.text.assign(21 * 21, 0);
  for (int y = 8; y <= 12; ++y)
    for (int x = 8; x <= 12; ++x) layers.text[y * 21 + x] = 255;
  layers.text_rgb = 0xFFFFFF;
  layers.outline_width = 3.0f;
  layers.outline_rgb = 0x000000;
  const MarkImage mark = compose_mark(layers);
  ASSERT_EQ(mark.width, 5 + 2 * 3) << "three pixels of outline each side, the last one half covered";
  std::vector<std::uint8_t> grey(21 * 21 * 3, 128);
  lay_mark(mark, {grey.data(), 21, 21, 21 * 3, 3, false}, mark.left, mark.top, 128);
  const auto at = [&grey](int x, int y) { return static_cast<int>(grey[(y * 21 + x) * 3]); };
  EXPECT_NEAR(at(10, 10), 128 + (255 - 128) / 2, 1) << "text";
  EXPECT_NEAR(at(10, 6), 64, 1) << "outline two pixels out";
  EXPECT_NEAR(at(10, 5), 96, 1) << "outline three pixels out, half covered";
  EXPECT_EQ(at(10, 2), 128) << "beyond the outline";
  EXPECT_EQ(at(4, 4), 128) << "the outline rounds the corners";

  // Straight alpha beneath: a clear pixel takes the mark's own colour.
  std::vector<std::uint32_t> clear(21 * 21, 0x00FF0000u);
  lay_mark(mark, {reinterpret_cast<std::uint8_t*>(clear.data()), 21, 21, 21 * 4, 4, false}, mark.left, mark.top, 255);
  EXPECT_EQ(clear[10 * 21 + 10], 0xFFFFFFFFu);
  EXPECT_EQ(clear[6 * 21 + 10], 0xFF000000u);
}

// The shadow lies under the mark, moved by its offset; blurred, it spreads and fades but keeps
// its weight, and it never shows through the opaque mark.
TEST(MarkCompositing, ShadowIsOffsetAndSoftened) {
  MarkLayers layers;
  layers.width = layers.height = 60;
  layers.logo.assign(60 * 60, 0);
  for (int y = 20; y < 30; ++y)
    for (int x = 20; x < 30; ++x) layers.logo[y * 60 + x] = 0xFF00FF00u;
  layers.shadow = true;
  layers.shadow_dx = 7;
  layers.shadow_dy = -4;
  layers.shadow_argb = 0xFF000080u;
  MarkImage sharp = compose_mark(layers);
  EXPECT_EQ(sharp.left, 20);
  EXPECT_EQ(sharp.top, 16);
  EXPECT_EQ(sharp.width, 17);
  EXPECT_EQ(sharp.height, 14);
  const auto at = [](const MarkImage& m, int x, int y) { return m.pargb[(y - m.top) * m.width + (x - m.left)]; };
  EXPECT_EQ(at(sharp, 25, 25), 0xFF00FF00u) << "the mark over its shadow";
  EXPECT_EQ(at(sharp, 35, 17), 0xFF000080u) << "the shadow's far corner";
  EXPECT_EQ(at(sharp, 21, 17), 0u) << "nothing above the mark";

  layers.shadow_blur = 6.0f;
  layers.shadow_argb = 0x80000080u;  // half-opaque shadow
  const MarkImage soft = compose_mark(layers);
  EXPECT_LT(soft.left, 20);
  EXPECT_GT(soft.left + soft.width, 37);
  long weight = 0;
  for (int y = soft.top; y < soft.top + soft.height; ++y)
    for (int x = soft.left; x < soft.left + soft.width; ++x) {
      const bool under_mark = x >= 20 && x < 30 && y >= 20 && y < 30;
      if (!under_mark) weight += at(soft, x, y) >> 24;
    }
  // 100 shadow pixels at alpha 128, less the part hidden under the mark.
  EXPECT_NEAR(static_cast<double>(weight), 100 * 128 * 0.7, 100 * 128 * 0.2);
  EXPECT_LT(channel(at(soft, 35, 17), 3), 128) << "the corner is softened";
}

}  // namespace
