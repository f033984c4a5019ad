#pragma once

#include <optional>

#include "layout/geometry.h"

namespace win32_ui::ui::graphics {

// A 2x3 affine matrix in the row-vector convention of Direct2D and GDI world transforms:
// x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy.
struct Transform {
  float m11 = 1.0f;
  float m12 = 0.0f;
  float m21 = 0.0f;
  float m22 = 1.0f;
  float dx = 0.0f;
  float dy = 0.0f;

  [[nodiscard]] static constexpr Transform identity() noexcept { return Transform{}; }

  [[nodiscard]] static constexpr Transform translation(float x, float y) noexcept {
    return Transform{1.0f, 0.0f, 0.0f, 1.0f, x, y};
  }

  [[nodiscard]] static constexpr Transform scaling(float sx, float sy) noexcept {
    return Transform{sx, 0.0f, 0.0f, sy, 0.0f, 0.0f};
  }

  // The transform that applies this one first and `next` after it.
  [[nodiscard]] Transform then(const Transform& next) const noexcept;

  // This matrix applied about `pivot`: move the pivot to the origin, apply, move it back.
  [[nodiscard]] Transform about(layout::Point pivot) const noexcept;

  // The inverse, or nothing when the matrix is singular or not finite.
  [[nodiscard]] std::optional<Transform> inverse() const noexcept;

  // Whether all six elements are finite numbers.
  [[nodiscard]] bool is_finite() const noexcept;

  [[nodiscard]] bool is_identity() const noexcept { return *this == Transform{}; }

  // Maps a point through the matrix.
  [[nodiscard]] layout::Point map(layout::Point point) const noexcept {
    return layout::Point{point.x * m11 + point.y * m21 + dx, point.x * m12 + point.y * m22 + dy};
  }

  // The axis-aligned bounding box of the rectangle's four mapped corners.
  [[nodiscard]] layout::Rect map_bounds(const layout::Rect& rect) const noexcept;

  friend bool operator==(const Transform&, const Transform&) = default;
};

}  // namespace win32_ui::ui::graphics
