#pragma once

#include "layout/geometry.h"

namespace win32_ui::ui::graphics {

// A canvas rectangle given by its edges, in device pixels of the target.
struct RectF {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  // Converts a layout rectangle (origin and extent in DIPs) to edges, multiplied by `scale`.
  [[nodiscard]] static RectF from_rect(const layout::Rect& rect, float scale = 1.0f) noexcept {
    return RectF{rect.x * scale, rect.y * scale, (rect.x + rect.width) * scale, (rect.y + rect.height) * scale};
  }

  [[nodiscard]] float width() const noexcept { return right - left; }
  [[nodiscard]] float height() const noexcept { return bottom - top; }

  // True when nothing can be drawn into it: right <= left, bottom <= top, or a NaN edge.
  [[nodiscard]] bool is_degenerate() const noexcept { return !(right > left) || !(bottom > top); }

  friend bool operator==(const RectF&, const RectF&) = default;
};

}  // namespace win32_ui::ui::graphics
