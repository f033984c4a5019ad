#include "ui/graphics/frame_painter.h"

#include <chrono>

#include "ui/graphics/direct2d_canvas.h"
#include "ui/graphics/gdi_canvas.h"

namespace win32_ui::modern {

namespace {

// Ends the canvas's frame, timing it.
bool end_frame(ui::graphics::Canvas& canvas, FrameOutcome& outcome) {
  const auto started = std::chrono::steady_clock::now();
  const bool ended = canvas.end_frame();
  outcome.present_milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return ended;
}

}  // namespace

FrameOutcome paint_frame(HDC dc, const RECT& update, const ui::graphics::SurfaceFonts& fonts, RenderMode mode,
                         const std::function<void(ui::graphics::Canvas&)>& draw) {
  FrameOutcome outcome;
  if (mode != RenderMode::gdi_only) {
    ++outcome.attempts;
    if (auto canvas = detail::Direct2dCanvas::create(dc, update, fonts)) {
      draw(*canvas);
      if (end_frame(*canvas, outcome)) {
        outcome.success = true;
        return outcome;
      }
    }
  }
  ++outcome.attempts;
  outcome.software = true;
  if (auto canvas = detail::GdiCanvas::create(dc, update, fonts)) {
    draw(*canvas);
    outcome.success = end_frame(*canvas, outcome);
  }
  return outcome;
}

}  // namespace win32_ui::modern
