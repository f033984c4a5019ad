#include "views/raster_icon.h"

#include "theme/palette.h"

namespace orvane::app {

RasterIcon::RasterIcon(IconPair icon, float side) : icon_(std::move(icon)) {
  win32_ui::layout::LayoutParams p = layout();
  p.has_fixed_width = true;
  p.fixed_width = side;
  p.has_fixed_height = true;
  p.fixed_height = side;
  p.horizontal_alignment = win32_ui::layout::HorizontalAlignment::center;
  p.vertical_alignment = win32_ui::layout::VerticalAlignment::center;
  set_layout(p);
}

void RasterIcon::paint(win32_ui::modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const win32_ui::ui::graphics::Image& image = context.palette->dark != 0 ? icon_.dark : icon_.light;
  if (!image.is_valid()) return;
  context.canvas->draw_image(image, context.to_pixels(arranged_rect()), 1.0f, true);
}

}  // namespace orvane::app
