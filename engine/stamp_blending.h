#pragma once

// Blending finished watermark stamps into 24- and 32-bit pixels the way GDI+ blends text, one
// at a time or folded into the period cell of a tiled layout. Private to the engine; free of
// any platform interface.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::engine {

// Pixels in memory: blue, green, red and, in 32-bit pixels, alpha; rows from top to bottom.
// 24-bit pixels are opaque.
struct PixelView {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
  int bytes_per_pixel = 4;
  bool premultiplied = false;  // colour already multiplied by alpha
};

// One stamp as straight (not premultiplied) ARGB values: the brush's colour with its alpha
// scaled by the text's coverage, as GDI+ leaves it on a transparent bitmap.
struct StampPixels {
  std::vector<std::uint32_t> argb;
  int width = 0;
  int height = 0;
  // Where each row's ink begins and ends (one past): a turned stamp is mostly empty corners.
  std::vector<int> ink_begin;
  std::vector<int> ink_end;
};

// Lays `stamp` over `target` with the stamp's top-left pixel at (left, top); whatever falls
// outside the target is dropped.
void blend_stamp(const StampPixels& stamp, const PixelView& target, int left, int top);

// The stamps of a periodic layout laid over each other, reduced to one period: for each pixel of
// the cell, the alpha that all stamps of one colour together leave on a transparent picture.
// Stamps of one colour combine in any order, so a picture of any size takes the colour once per
// pixel however many stamps overlap there. Positions are in the picture's pixels; the cell holds
// only the part of the period that a picture of `picture_width` x `picture_height` shows.
class CoverageCell {
 public:
  // `most_alpha` is the highest alpha a stamp pixel can have (the colour's own).
  CoverageCell(int period_x, int period_y, int picture_width, int picture_height, std::uint8_t most_alpha);

  // Lays `stamp`'s alpha over the cell with the stamp's top-left pixel at (left, top), wrapped
  // into the period.
  void fold(const StampPixels& stamp, std::int64_t left, std::int64_t top);
  // True once no further stamp can change any pixel: layering rounds down, so alpha stops
  // rising short of 255 when the stamps are translucent.
  [[nodiscard]] bool saturated() const noexcept { return settled_ == alpha_.size(); }
  [[nodiscard]] std::uint8_t alpha_at(std::int64_t x, std::int64_t y) const noexcept;

  // Lays the colour (0xRRGGBB) with the cell's alpha, repeated, over every pixel of `target`.
  void lay_over(const PixelView& target, std::uint32_t rgb) const;

 private:
  int period_x_;
  int period_y_;
  int width_;   // columns kept: the period, or less when the picture is narrower
  int height_;
  std::vector<std::uint8_t> alpha_;
  std::uint32_t settled_from_;  // alpha from which no stamp pixel changes a pixel
  std::size_t settled_ = 0;
};

}  // namespace orvane::engine
