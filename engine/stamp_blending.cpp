#include "stamp_blending.h"

#include <algorithm>
#include <cstring>

namespace orvane::engine {
namespace {

// "Source over" in straight alpha, rounding down as GDI+ does when it draws text.
std::uint32_t over(std::uint32_t target, std::uint32_t source) noexcept {
  const std::uint32_t source_alpha = source >> 24;
  if (source_alpha == 255) return source;
  const std::uint32_t target_alpha = target >> 24;
  std::uint32_t out = 0;
  if (target_alpha == 255) {
    // The common case, an opaque picture: a constant divisor, which is cheap.
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t t = (target >> shift) & 0xFF, s = (source >> shift) & 0xFF;
      out |= ((t * (255 - source_alpha) + s * source_alpha) / 255) << shift;
    }
    return out | 0xFF000000u;
  }
  const std::uint32_t kept = target_alpha * (255 - source_alpha) / 255;  // how much of the target shows
  if (kept == 0) return source;
  const std::uint32_t alpha = kept + source_alpha;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t t = (target >> shift) & 0xFF, s = (source >> shift) & 0xFF;
    out |= ((t * kept + s * source_alpha) / alpha) << shift;
  }
  return out | (alpha << 24);
}

std::uint32_t unpremultiply(std::uint32_t pixel) noexcept {
  const std::uint32_t alpha = pixel >> 24;
  if (alpha == 0) return 0;
  std::uint32_t out = alpha << 24;
  for (int shift = 0; shift < 24; shift += 8) out |= std::min(((pixel >> shift) & 0xFF) * 255 / alpha, 255u) << shift;
  return out;
}

std::uint32_t premultiply(std::uint32_t pixel) noexcept {
  const std::uint32_t alpha = pixel >> 24;
  std::uint32_t out = alpha << 24;
  for (int shift = 0; shift < 24; shift += 8) out |= (((pixel >> shift) & 0xFF) * alpha / 255) << shift;
  return out;
}

template <int kBytes>
void blend_rows(const StampPixels& stamp, const PixelView& target, int left, int top) {
  const int x0 = std::max(0, -left), x1 = std::min(stamp.width, target.width - left);
  const int y0 = std::max(0, -top), y1 = std::min(stamp.height, target.height - top);
  for (int y = y0; y < y1; ++y) {
    const std::uint32_t* source = &stamp.argb[static_cast<std::size_t>(y) * stamp.width];
    std::uint8_t* row = target.pixels + (top + y) * target.stride + static_cast<std::ptrdiff_t>(left) * kBytes;
    const int end = std::min(x1, stamp.ink_end[y]);
    for (int x = std::max(x0, stamp.ink_begin[y]); x < end; ++x) {
      if ((source[x] >> 24) == 0) continue;
      std::uint32_t pixel = 0xFF000000u;  // what a 24-bit pixel's missing alpha byte means
      std::memcpy(&pixel, row + x * kBytes, kBytes);
      // An opaque pixel reads the same premultiplied or not.
      if (target.premultiplied && (pixel >> 24) != 255) {
        pixel = premultiply(over(unpremultiply(pixel), source[x]));
      } else {
        pixel = over(pixel, source[x]);
      }
      std::memcpy(row + x * kBytes, &pixel, kBytes);
    }
  }
}

}  // namespace

void blend_stamp(const StampPixels& stamp, const PixelView& target, int left, int top) {
  if (target.bytes_per_pixel == 3) {
    blend_rows<3>(stamp, target, left, top);
  } else {
    blend_rows<4>(stamp, target, left, top);
  }
}

}  // namespace orvane::engine
