#pragma once

#include <cmath>
#include <limits>

namespace win32_ui::layout {

// Geometry shared by layout, views and painting: 32-bit floats in device-independent pixels
// (1/96 inch), y growing downwards. Canvases use the same records in device pixels.

// Stands for "no upper bound" in constraints and maximum sizes.
inline constexpr float unbounded = std::numeric_limits<float>::infinity();

// The length clamp rule: infinity and NaN are kept as they are, a finite negative length becomes 0.
[[nodiscard]] inline float clamp_length(float value) noexcept {
  return std::isfinite(value) && value < 0.0f ? 0.0f : value;
}

// The largest length layout hands out. Lengths that reach a desired size, a track or an arranged
// rectangle are limited to it (NaN and negatives become 0, +infinity becomes this), so that sums of
// many children stay finite and no arranged coordinate is ever NaN or infinite. A million DIPs is
// about ten kilometres on screen: far beyond any real window, well inside float precision.
inline constexpr float max_layout_length = 1.0e6f;

// A length as layout may hand it out: within [0, max_layout_length], NaN counting as 0.
[[nodiscard]] inline float finite_length(float value) noexcept {
  if (!(value > 0.0f)) return 0.0f;
  return value < max_layout_length ? value : max_layout_length;
}

// A coordinate as layout may hand it out: within +-max_layout_length, NaN counting as 0.
[[nodiscard]] inline float finite_coordinate(float value) noexcept {
  if (std::isnan(value)) return 0.0f;
  if (value > max_layout_length) return max_layout_length;
  return value < -max_layout_length ? -max_layout_length : value;
}

struct Point {
  float x = 0.0f;
  float y = 0.0f;

  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  float width = 0.0f;
  float height = 0.0f;

  friend bool operator==(const Size&, const Size&) = default;
};

// Origin top-left plus extent.
struct Rect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;

  [[nodiscard]] float right() const noexcept { return x + width; }
  [[nodiscard]] float bottom() const noexcept { return y + height; }

  friend bool operator==(const Rect&, const Rect&) = default;
};

// Margins and paddings; the sums clamp each side first, so negative sides count as 0.
struct Thickness {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  // The same length on all four sides.
  [[nodiscard]] static constexpr Thickness uniform(float length) noexcept { return {length, length, length, length}; }

  // Left plus right, each clamped.
  [[nodiscard]] float horizontal() const noexcept { return clamp_length(left) + clamp_length(right); }

  // Top plus bottom, each clamped.
  [[nodiscard]] float vertical() const noexcept { return clamp_length(top) + clamp_length(bottom); }

  friend bool operator==(const Thickness&, const Thickness&) = default;
};

// How much room a parent offers a child; a maximum may be infinite.
struct Constraints {
  float min_width = 0.0f;
  float min_height = 0.0f;
  float max_width = unbounded;
  float max_height = unbounded;

  // Clamps all four lengths, then raises each maximum to at least its minimum.
  [[nodiscard]] Constraints normalized() const noexcept {
    Constraints result{clamp_length(min_width), clamp_length(min_height), clamp_length(max_width),
                       clamp_length(max_height)};
    if (result.max_width < result.min_width) result.max_width = result.min_width;
    if (result.max_height < result.min_height) result.max_height = result.min_height;
    return result;
  }

  friend bool operator==(const Constraints&, const Constraints&) = default;
};

}  // namespace win32_ui::layout
