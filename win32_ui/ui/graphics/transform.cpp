#include "ui/graphics/transform.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::ui::graphics {

Transform Transform::then(const Transform& next) const noexcept {
  return Transform{m11 * next.m11 + m12 * next.m21,
                   m11 * next.m12 + m12 * next.m22,
                   m21 * next.m11 + m22 * next.m21,
                   m21 * next.m12 + m22 * next.m22,
                   dx * next.m11 + dy * next.m21 + next.dx,
                   dx * next.m12 + dy * next.m22 + next.dy};
}

Transform Transform::about(layout::Point pivot) const noexcept {
  return translation(-pivot.x, -pivot.y).then(*this).then(translation(pivot.x, pivot.y));
}

std::optional<Transform> Transform::inverse() const noexcept {
  if (!is_finite()) return std::nullopt;
  // Double precision keeps nearly singular but valid matrices (tiny scales) invertible.
  const double determinant = static_cast<double>(m11) * m22 - static_cast<double>(m12) * m21;
  if (determinant == 0.0 || !std::isfinite(determinant)) return std::nullopt;
  const double i11 = m22 / determinant;
  const double i12 = -m12 / determinant;
  const double i21 = -m21 / determinant;
  const double i22 = m11 / determinant;
  const Transform result{static_cast<float>(i11),
                         static_cast<float>(i12),
                         static_cast<float>(i21),
                         static_cast<float>(i22),
                         static_cast<float>(-(dx * i11 + dy * i21)),
                         static_cast<float>(-(dx * i12 + dy * i22))};
  if (!result.is_finite()) return std::nullopt;
  return result;
}

bool Transform::is_finite() const noexcept {
  return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) && std::isfinite(dx) &&
         std::isfinite(dy);
}

layout::Rect Transform::map_bounds(const layout::Rect& rect) const noexcept {
  if (is_identity()) return rect;
  const layout::Point corners[4] = {map({rect.x, rect.y}), map({rect.right(), rect.y}), map({rect.x, rect.bottom()}),
                                    map({rect.right(), rect.bottom()})};
  float left = corners[0].x, top = corners[0].y, right = corners[0].x, bottom = corners[0].y;
  for (const auto& corner : corners) {
    left = std::min(left, corner.x);
    top = std::min(top, corner.y);
    right = std::max(right, corner.x);
    bottom = std::max(bottom, corner.y);
  }
  return layout::Rect{left, top, right - left, bottom - top};
}

}  // namespace win32_ui::ui::graphics
