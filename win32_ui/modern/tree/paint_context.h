#pragma once

#include <optional>

#include "layout/geometry.h"
#include "ui/graphics/canvas.h"
#include "ui/graphics/rect_f.h"
#include "ui/graphics/transform.h"

namespace win32_ui::modern {

struct Palette;
class View;

// What a painted frame hands every view. Views paint in device pixels and convert from DIPs exactly
// once, with `scale` (the dpi scale times the surface's UI scale); the canvas transform already
// includes the scale-converted render transforms of the view and its ancestors.
struct PaintContext {
  ui::graphics::Canvas* canvas = nullptr;
  const Palette* palette = nullptr;
  float dpi_scale = 1.0f;  // dpi / 96
  float ui_scale = 1.0f;
  float scale = 1.0f;      // dpi_scale * ui_scale: DIPs to pixels
  float scroll_offset = 0.0f;
  int text_direction = 0;  // 1 right to left
  View* hovered_view = nullptr;
  View* pressed_view = nullptr;
  View* focused_view = nullptr;
  bool focus_visible = false;
  // Limits painting to this rectangle in host DIPs; none paints everything.
  std::optional<layout::Rect> dirty_region;

  // The state of the view being painted: set while a view paints, restored after it.
  View* current_view = nullptr;
  ui::graphics::Transform transform{};  // current canvas transform (pixels)
  float opacity = 1.0f;                 // inherited opacity

  // Builds a context whose scale is the product of the two factors; a dpi scale or UI scale that is not
  // a positive finite number counts as 1.
  [[nodiscard]] static PaintContext for_canvas(ui::graphics::Canvas& canvas, float dpi_scale, float ui_scale);

  [[nodiscard]] bool right_to_left() const noexcept { return text_direction == 1; }

  // A rectangle in DIPs as the canvas takes it.
  [[nodiscard]] ui::graphics::RectF to_pixels(const layout::Rect& rect) const noexcept {
    return ui::graphics::RectF::from_rect(rect, scale);
  }

  // A length in DIPs as pixels.
  [[nodiscard]] float to_pixels(float length) const noexcept { return length * scale; }

  // A point in DIPs as pixels.
  [[nodiscard]] layout::Point to_pixels(layout::Point point) const noexcept {
    return layout::Point{point.x * scale, point.y * scale};
  }
};

}  // namespace win32_ui::modern
