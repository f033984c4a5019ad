#pragma once

#include <cstdint>

#include "ui/graphics/rect_f.h"

namespace win32_ui::ui::graphics {

class Canvas;

// Bit set of a view's visual state, handed to drawables and used to blend state colours.
enum DrawableState : std::uint32_t {
  drawable_state_none = 0,
  drawable_state_enabled = 1,
  drawable_state_pressed = 2,
  drawable_state_hovered = 4,
  drawable_state_focused = 8,
  drawable_state_checked = 16,
  drawable_state_emphasized = 32,
};

// A shared piece of painting (a view's background or foreground) that depends on the view's state.
class Drawable {
 public:
  virtual ~Drawable() = default;

  // Draws into `bounds` (device pixels) for the given state bits.
  virtual void draw(Canvas& canvas, const RectF& bounds, std::uint32_t state) = 0;
};

}  // namespace win32_ui::ui::graphics
