#include "ui/graphics/frame_painter.h"

#include "ui/graphics/direct2d_canvas.h"
#include "ui/graphics/gdi_canvas.h"

namespace win32_ui::modern {

FrameOutcome paint_frame(HDC dc, const RECT& update, const ui::graphics::SurfaceFonts& fonts, RenderMode mode,
                         const std::function<void(ui::graphics::Canvas&)>& draw) {
  FrameOutcome outcome;
  if (mode != RenderMode::gdi_only) {
    ++outcome.attempts;
    if (auto canvas = detail::Direct2dCanvas::create(dc, update, fonts)) {
      draw(*canvas);
      if (canvas->end_frame()) {
        outcome.success = true;
        return outcome;
      }
    }
  }
  ++outcome.attempts;
  outcome.software = true;
  if (auto canvas = detail::GdiCanvas::create(dc, update, fonts)) {
    draw(*canvas);
    outcome.success = canvas->end_frame();
  }
  return outcome;
}

}  // namespace win32_ui::modern
