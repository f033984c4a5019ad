#include "modern/tree/paint_context.h"

#include <cmath>

namespace win32_ui::modern {

PaintContext PaintContext::for_canvas(ui::graphics::Canvas& canvas, float dpi_scale, float ui_scale) {
  auto positive = [](float value) { return std::isfinite(value) && value > 0.0f ? value : 1.0f; };
  PaintContext context;
  context.canvas = &canvas;
  context.dpi_scale = positive(dpi_scale);
  context.ui_scale = positive(ui_scale);
  context.scale = context.dpi_scale * context.ui_scale;
  return context;
}

}  // namespace win32_ui::modern
