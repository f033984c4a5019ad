#pragma once

#include "ui/graphics/canvas.h"

namespace win32_ui::modern {

// The toolkit's line glyphs, drawn as strokes inside the largest centred square of `rect` (pixels):
// 1 picture/monitor, 2 folder, 3 sun, 4 help, 5 export, 6 globe, 7 moon, 8 check, 9 close. Other ids
// draw nothing.
void paint_glyph(ui::graphics::Canvas& canvas, int glyph, const ui::graphics::RectF& rect, ui::graphics::Color color,
                 float stroke_width);

}  // namespace win32_ui::modern
