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

// One pixel of `target` (kBytes bytes at `at`) with `source` laid over it.
template <int kBytes>
void blend_pixel(std::uint8_t* at, std::uint32_t source, bool premultiplied) noexcept {
  std::uint32_t pixel = 0xFF000000u;  // what a 24-bit pixel's missing alpha byte means
  std::memcpy(&pixel, at, kBytes);
  // An opaque pixel reads the same premultiplied or not.
  if (premultiplied && (pixel >> 24) != 255) {
    pixel = premultiply(over(unpremultiply(pixel), source));
  } else {
    pixel = over(pixel, source);
  }
  std::memcpy(at, &pixel, kBytes);
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
      if ((source[x] >> 24) != 0) blend_pixel<kBytes>(row + x * kBytes, source[x], target.premultiplied);
    }
  }
}

// The alpha of two layers of one colour, the upper of alpha `upper`, with the rounding of "over".
std::uint8_t combined(std::uint32_t lower, std::uint32_t upper) noexcept {
  return static_cast<std::uint8_t>(lower * (255 - upper) / 255 + upper);
}

// x modulo a positive period, in 0..period-1.
std::int64_t wrap(std::int64_t x, std::int64_t period) noexcept {
  const std::int64_t r = x % period;
  return r < 0 ? r + period : r;
}

// What "over" gives an opaque pixel's channel for each alpha of the colour and each value beneath:
// photos are opaque nearly everywhere, and a table read costs a fraction of the arithmetic. Only the
// alphas the cell holds get rows.
class OpaqueOverTable {
 public:
  OpaqueOverTable(const std::vector<std::uint8_t>& alphas, std::uint32_t rgb) : values_(3 * 256 * 256) {
    bool present[256] = {};
    for (const std::uint8_t a : alphas) present[a] = true;
    for (int channel = 0; channel < 3; ++channel) {
      const std::uint32_t s = (rgb >> (8 * channel)) & 0xFF;
      for (std::uint32_t a = 1; a < 256; ++a) {
        if (!present[a]) continue;
        std::uint8_t* row = &values_[(static_cast<std::size_t>(channel) * 256 + a) * 256];
        for (std::uint32_t t = 0; t < 256; ++t) row[t] = static_cast<std::uint8_t>((t * (255 - a) + s * a) / 255);
      }
    }
  }
  [[nodiscard]] std::uint8_t at(int channel, std::uint32_t alpha, std::uint8_t beneath) const noexcept {
    return values_[(static_cast<std::size_t>(channel) * 256 + alpha) * 256 + beneath];
  }

 private:
  std::vector<std::uint8_t> values_;
};

template <int kBytes>
void lay_rows(const std::vector<std::uint8_t>& alpha, int cell_width, int period_y, const PixelView& target,
              std::uint32_t rgb) {
  const OpaqueOverTable table(alpha, rgb);
  for (int y = 0; y < target.height; ++y) {
    const std::uint8_t* cell_row = &alpha[static_cast<std::size_t>(y % period_y) * cell_width];
    std::uint8_t* row = target.pixels + y * target.stride;
    int cx = 0;
    for (int x = 0; x < target.width; ++x, ++cx) {
      if (cx == cell_width) cx = 0;
      const std::uint32_t a = cell_row[cx];
      if (a == 0) continue;
      std::uint8_t* pixel = row + x * kBytes;
      if (kBytes == 3 || pixel[3] == 255) {
        pixel[0] = table.at(0, a, pixel[0]);
        pixel[1] = table.at(1, a, pixel[1]);
        pixel[2] = table.at(2, a, pixel[2]);
      } else {
        blend_pixel<kBytes>(pixel, (a << 24) | rgb, target.premultiplied);
      }
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

CoverageCell::CoverageCell(int period_x, int period_y, int picture_width, int picture_height,
                           std::uint8_t most_alpha)
    : period_x_(std::max(period_x, 1)),
      period_y_(std::max(period_y, 1)),
      width_(std::max(std::min(period_x_, picture_width), 1)),
      height_(std::max(std::min(period_y_, picture_height), 1)),
      alpha_(static_cast<std::size_t>(width_) * height_, 0),
      // a x (255 - s) / 255 + s, rounded down, equals a once a x s > 255 x (s - 1), for every s
      // up to the most.
      settled_from_(most_alpha == 0 ? 0u : 255u * (most_alpha - 1u) / most_alpha + 1u) {
  if (settled_from_ == 0) settled_ = alpha_.size();
}

void CoverageCell::fold(const StampPixels& stamp, std::int64_t left, std::int64_t top) {
  for (int y = 0; y < stamp.height; ++y) {
    const std::int64_t cy = wrap(top + y, period_y_);
    if (cy >= height_ || stamp.ink_begin[y] >= stamp.ink_end[y]) continue;
    std::uint8_t* cell_row = &alpha_[static_cast<std::size_t>(cy) * width_];
    const std::uint32_t* source = &stamp.argb[static_cast<std::size_t>(y) * stamp.width];
    std::int64_t cx = wrap(left + stamp.ink_begin[y], period_x_);
    for (int x = stamp.ink_begin[y]; x < stamp.ink_end[y]; ++x) {
      const std::uint32_t a = source[x] >> 24;
      if (a != 0 && cx < width_) {
        std::uint8_t& cell = cell_row[cx];
        if (cell < settled_from_) {
          cell = combined(cell, a);
          settled_ += cell >= settled_from_;
        }
      }
      if (++cx == period_x_) cx = 0;
    }
  }
}

std::uint8_t CoverageCell::alpha_at(std::int64_t x, std::int64_t y) const noexcept {
  const std::int64_t cx = wrap(x, period_x_), cy = wrap(y, period_y_);
  return cx < width_ && cy < height_ ? alpha_[static_cast<std::size_t>(cy) * width_ + cx] : 0;
}

void CoverageCell::lay_over(const PixelView& target, std::uint32_t rgb) const {
  // Columns and rows of the picture lie within the kept part of the period.
  rgb &= 0xFFFFFFu;
  if (target.bytes_per_pixel == 3) {
    lay_rows<3>(alpha_, width_, period_y_, target, rgb);
  } else {
    lay_rows<4>(alpha_, width_, period_y_, target, rgb);
  }
}

}  // namespace orvane::engine

