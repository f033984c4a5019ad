#pragma once

// Blending a finished watermark stamp into 32-bit pixels the way GDI+ blends text. Private to
// the engine.

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

}  // namespace orvane::engine
