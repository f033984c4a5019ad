#include "mark_compositing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace orvane::engine {
namespace {

// v / 255 rounded, exact for every v up to 255 x 255.
constexpr std::uint32_t div255(std::uint32_t v) noexcept { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// The colour 0xRRGGBB at alpha `a`, premultiplied.
std::uint32_t premultiplied(std::uint32_t rgb, std::uint32_t a) noexcept {
  return (a << 24) | (div255(((rgb >> 16) & 0xFF) * a) << 16) | (div255(((rgb >> 8) & 0xFF) * a) << 8) |
         div255((rgb & 0xFF) * a);
}

// Every channel of a premultiplied value times `opacity` / 255.
std::uint32_t faded(std::uint32_t pixel, std::uint32_t opacity) noexcept {
  if (opacity == 255) return pixel;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) out |= div255(((pixel >> shift) & 0xFF) * opacity) << shift;
  return out;
}

// One pixel of `target` (kBytes bytes at `at`) with the premultiplied `source` laid over it.
template <int kBytes>
void blend_pixel(std::uint8_t* at, std::uint32_t source, bool premultiplied_target) noexcept {
  const std::uint32_t kept = 255 - (source >> 24);
  if (kBytes == 3 || at[3] == 255 || premultiplied_target) {
    // An opaque pixel reads the same premultiplied or not.
    at[0] = static_cast<std::uint8_t>((source & 0xFF) + div255(at[0] * kept));
    at[1] = static_cast<std::uint8_t>(((source >> 8) & 0xFF) + div255(at[1] * kept));
    at[2] = static_cast<std::uint8_t>(((source >> 16) & 0xFF) + div255(at[2] * kept));
    if (kBytes == 4) at[3] = static_cast<std::uint8_t>((source >> 24) + div255(at[3] * kept));
    return;
  }
  // Straight alpha beneath: premultiplied, laid over, and back.
  std::uint32_t pixel = 0;
  std::memcpy(&pixel, at, 4);
  const std::uint32_t lower = premultiplied(pixel & 0xFFFFFF, pixel >> 24);
  const std::uint32_t result = over_premultiplied(source, lower);
  const std::uint32_t alpha = result >> 24;
  if (alpha == 0) {
    std::memset(at, 0, 4);
    return;
  }
  for (int channel = 0; channel < 3; ++channel) {
    const std::uint32_t c = (result >> (8 * channel)) & 0xFF;
    at[channel] = static_cast<std::uint8_t>(std::min((c * 255 + alpha / 2) / alpha, 255u));
  }
  at[3] = static_cast<std::uint8_t>(alpha);
}

template <int kBytes>
void lay_rows(const MarkImage& mark, const PixelView& target, int left, int top, std::uint32_t opacity) {
  const int x0 = std::max(0, -left), x1 = std::min(mark.width, target.width - left);
  const int y0 = std::max(0, -top), y1 = std::min(mark.height, target.height - top);
  for (int y = y0; y < y1; ++y) {
    const std::uint32_t* source = &mark.pargb[static_cast<std::size_t>(y) * mark.width];
    std::uint8_t* row = target.pixels + (top + y) * target.stride + static_cast<std::ptrdiff_t>(left) * kBytes;
    for (int x = x0; x < x1; ++x) {
      if (source[x] != 0) blend_pixel<kBytes>(row + x * kBytes, faded(source[x], opacity), target.premultiplied);
    }
  }
}

template <int kBytes>
void lay_cell_rows(const std::vector<std::uint32_t>& cell, int cell_width, int period_y, const PixelView& target) {
  for (int y = 0; y < target.height; ++y) {
    const std::uint32_t* cell_row = &cell[static_cast<std::size_t>(y % period_y) * cell_width];
    std::uint8_t* row = target.pixels + y * target.stride;
    int cx = 0;
    for (int x = 0; x < target.width; ++x, ++cx) {
      if (cx == cell_width) cx = 0;
      if (cell_row[cx] != 0) blend_pixel<kBytes>(row + x * kBytes, cell_row[cx], target.premultiplied);
    }
  }
}

std::int64_t wrap(std::int64_t x, std::int64_t period) noexcept {
  const std::int64_t r = x % period;
  return r < 0 ? r + period : r;
}

// Half the width of the box that, passed three times, blurs about as a Gaussian of sigma radius / 2.
int box_half_width(float radius) {
  if (!(radius > 0.0f)) return 0;
  const double sigma = std::min(static_cast<double>(radius), 100000.0) / 2.0;
  return static_cast<int>(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0));
}

// One box pass along `count` values `step` apart, through `scratch`.
void box_pass(std::uint8_t* values, int count, std::ptrdiff_t step, int half, std::vector<std::uint32_t>& scratch) {
  scratch.assign(static_cast<std::size_t>(count), 0);
  for (int i = 0; i < count; ++i) scratch[i] = values[i * step];
  const std::uint32_t span = 2u * static_cast<std::uint32_t>(half) + 1u;
  std::uint32_t sum = 0;
  for (int i = 0; i < std::min(half, count); ++i) sum += scratch[i];
  for (int i = 0; i < count; ++i) {
    if (i + half < count) sum += scratch[i + half];
    values[i * step] = static_cast<std::uint8_t>((sum + span / 2) / span);
    if (i - half >= 0) sum -= scratch[i - half];
  }
}

// Squared distances along one line to the nearest zero of `f` (0 inside, huge outside), by the
// lower envelope of parabolas.
void distance_line(const float* f, int n, float* d, std::vector<int>& v, std::vector<float>& z) {
  v.assign(static_cast<std::size_t>(n), 0);
  z.assign(static_cast<std::size_t>(n) + 1, 0.0);
  int k = 0;
  z[0] = -std::numeric_limits<float>::infinity();
  z[1] = std::numeric_limits<float>::infinity();
  const auto meet = [f, &v](int q, int k_) {
    const int p = v[k_];
    return ((f[q] + static_cast<float>(q) * q) - (f[p] + static_cast<float>(p) * p)) / (2.0f * q - 2.0f * p);
  };
  for (int q = 1; q < n; ++q) {
    float s = meet(q, k);
    while (s <= z[k]) s = meet(q, --k);  // z[0] is minus infinity: k stays >= 0
    ++k;
    v[k] = q;
    z[k] = s;
    z[k + 1] = std::numeric_limits<float>::infinity();
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < q) ++k;
    const auto dq = static_cast<float>(q - v[k]);
    d[q] = dq * dq + f[v[k]];
  }
}

}  // namespace

int effects_reach(float outline_width, bool shadow, int shadow_dx, int shadow_dy, float shadow_blur) {
  int reach = 2;
  if (outline_width > 0.0f) reach += static_cast<int>(std::ceil(std::min(outline_width, 100000.0f))) + 1;
  if (shadow) reach += std::max(std::abs(shadow_dx), std::abs(shadow_dy)) + 3 * box_half_width(shadow_blur) + 1;
  return reach;
}

std::vector<std::uint8_t> outline_coverage(const std::vector<std::uint8_t>& text, int width, int height,
                                           float outline_width) {
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::vector<std::uint8_t> out(count, 0);
  if (!(outline_width > 0.0f) || count == 0) return out;
  // Squared distances in single precision: exact for the few pixels an outline reaches, and half
  // the memory of a large mark.
  constexpr float kFar = 1e20f;
  std::vector<float> squared(count);
  for (std::size_t i = 0; i < count; ++i) squared[i] = text[i] >= 128 ? 0.0f : kFar;
  std::vector<int> v;
  std::vector<float> z;
  std::vector<float> line(static_cast<std::size_t>(std::max(width, height))), result(line.size());
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) line[y] = squared[static_cast<std::size_t>(y) * width + x];
    distance_line(line.data(), height, result.data(), v, z);
    for (int y = 0; y < height; ++y) squared[static_cast<std::size_t>(y) * width + x] = result[y];
  }
  for (int y = 0; y < height; ++y) {
    const float* row = &squared[static_cast<std::size_t>(y) * width];
    distance_line(row, width, result.data(), v, z);
    for (int x = 0; x < width; ++x) {
      const double coverage = std::clamp(outline_width + 0.5 - std::sqrt(static_cast<double>(result[x])), 0.0, 1.0);
      out[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(std::lround(coverage * 255.0));
    }
  }
  return out;
}

void blur_alpha(std::vector<std::uint8_t>& alpha, int width, int height, float radius) {
  const int half = box_half_width(radius);
  if (half == 0 || width <= 0 || height <= 0) return;
  std::vector<std::uint32_t> scratch;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) box_pass(&alpha[static_cast<std::size_t>(y) * width], width, 1, half, scratch);
  }
  for (int pass = 0; pass < 3; ++pass) {
    for (int x = 0; x < width; ++x) box_pass(&alpha[x], height, width, half, scratch);
  }
}

std::uint32_t over_premultiplied(std::uint32_t upper, std::uint32_t lower) noexcept {
  const std::uint32_t kept = 255 - (upper >> 24);
  if (kept == 0 || lower == 0) return upper;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t c = ((upper >> shift) & 0xFF) + div255(((lower >> shift) & 0xFF) * kept);
    out |= std::min(c, 255u) << shift;
  }
  return out;
}

MarkImage compose_mark(const MarkLayers& layers) {
  const int width = layers.width, height = layers.height;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  const bool has_text = layers.text.size() == count && count > 0;
  const bool has_logo = layers.logo.size() == count && count > 0;
  std::vector<std::uint8_t> outline;
  if (has_text && layers.outline_width > 0.0f) outline = outline_coverage(layers.text, width, height, layers.outline_width);
  std::vector<std::uint32_t> mark(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t pixel = has_logo ? layers.logo[i] : 0;
    if (!outline.empty() && outline[i] != 0) pixel = over_premultiplied(premultiplied(layers.outline_rgb, outline[i]), pixel);
    if (has_text && layers.text[i] != 0) pixel = over_premultiplied(premultiplied(layers.text_rgb, layers.text[i]), pixel);
    mark[i] = pixel;
  }
  const std::uint32_t shadow_alpha = layers.shadow_argb >> 24;
  if (layers.shadow && shadow_alpha != 0) {
    std::vector<std::uint8_t> silhouette(count);
    for (std::size_t i = 0; i < count; ++i) silhouette[i] = static_cast<std::uint8_t>(mark[i] >> 24);
    blur_alpha(silhouette, width, height, layers.shadow_blur);
    for (int y = 0; y < height; ++y) {
      const int sy = y - layers.shadow_dy;
      if (sy < 0 || sy >= height) continue;
      for (int x = 0; x < width; ++x) {
        const int sx = x - layers.shadow_dx;
        if (sx < 0 || sx >= width) continue;
        const std::uint32_t s = div255(silhouette[static_cast<std::size_t>(sy) * width + sx] * shadow_alpha);
        if (s == 0) continue;
        std::uint32_t& pixel = mark[static_cast<std::size_t>(y) * width + x];
        pixel = over_premultiplied(pixel, premultiplied(layers.shadow_argb & 0xFFFFFF, s));
      }
    }
  }
  // Cut to the ink.
  int x0 = width, y0 = height, x1 = -1, y1 = -1;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = &mark[static_cast<std::size_t>(y) * width];
    for (int x = 0; x < width; ++x) {
      if ((row[x] >> 24) == 0) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  MarkImage image;
  if (x1 < 0) return image;
  image.width = x1 - x0 + 1;
  image.height = y1 - y0 + 1;
  image.left = layers.left + x0;
  image.top = layers.top + y0;
  image.pargb.reserve(static_cast<std::size_t>(image.width) * image.height);
  for (int y = y0; y <= y1; ++y) {
    const auto row = mark.begin() + static_cast<std::ptrdiff_t>(y) * width;
    image.pargb.insert(image.pargb.end(), row + x0, row + x1 + 1);
  }
  return image;
}

void lay_mark(const MarkImage& mark, const PixelView& target, int left, int top, std::uint8_t opacity) {
  if (opacity == 0) return;
  if (target.bytes_per_pixel == 3) {
    lay_rows<3>(mark, target, left, top, opacity);
  } else {
    lay_rows<4>(mark, target, left, top, opacity);
  }
}

MarkCell::MarkCell(int period_x, int period_y, int picture_width, int picture_height)
    : period_x_(std::max(period_x, 1)),
      period_y_(std::max(period_y, 1)),
      width_(std::max(std::min(period_x_, picture_width), 1)),
      height_(std::max(std::min(period_y_, picture_height), 1)),
      pargb_(static_cast<std::size_t>(width_) * height_, 0) {}

void MarkCell::fold(const MarkImage& mark, std::int64_t left, std::int64_t top) {
  // From the last pixel back: where the mark meets its own copies one period on, the copy of a
  // later row (or of a later column in a row) lies on top, as when the marks are laid one by one
  // in reading order.
  for (int y = mark.height - 1; y >= 0; --y) {
    const std::int64_t cy = wrap(top + y, period_y_);
    if (cy >= height_) continue;
    std::uint32_t* cell_row = &pargb_[static_cast<std::size_t>(cy) * width_];
    const std::uint32_t* source = &mark.pargb[static_cast<std::size_t>(y) * mark.width];
    std::int64_t cx = wrap(left + mark.width - 1, period_x_);
    for (int x = mark.width - 1; x >= 0; --x) {
      if (source[x] != 0 && cx < width_) cell_row[cx] = over_premultiplied(source[x], cell_row[cx]);
      if (cx-- == 0) cx = period_x_ - 1;
    }
  }
}

std::uint32_t MarkCell::pixel_at(std::int64_t x, std::int64_t y) const noexcept {
  const std::int64_t cx = wrap(x, period_x_), cy = wrap(y, period_y_);
  return cx < width_ && cy < height_ ? pargb_[static_cast<std::size_t>(cy) * width_ + cx] : 0;
}

void MarkCell::lay_over(const PixelView& target, std::uint8_t opacity) const {
  if (opacity == 0) return;
  // The opacity is taken once per cell pixel, not once per picture pixel.
  std::vector<std::uint32_t> faded_cell(pargb_.size());
  for (std::size_t i = 0; i < pargb_.size(); ++i) faded_cell[i] = faded(pargb_[i], opacity);
  if (target.bytes_per_pixel == 3) {
    lay_cell_rows<3>(faded_cell, width_, period_y_, target);
  } else {
    lay_cell_rows<4>(faded_cell, width_, period_y_, target);
  }
}

}  // namespace orvane::engine
