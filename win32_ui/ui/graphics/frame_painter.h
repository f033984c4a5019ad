#pragma once

#include <windows.h>

#include <functional>

#include "ui/graphics/canvas.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::modern {

// Which canvases a surface paints with.
enum class RenderMode {
  direct2d_first = 0,
  gdi_only = 1,
};

// What became of one painted frame.
struct FrameOutcome {
  bool success = false;
  bool software = false;  // the GDI canvas painted it
  int attempts = 0;       // canvases tried: 1, or 2 after a Direct2D failure
  double present_milliseconds = 0.0;  // handing the drawn frame to the window (the last canvas's end)
};

// Paints one frame into `dc` for `update` (pixels): `draw` is run on a Direct2D canvas, and run
// again from the start on a GDI canvas when no Direct2D canvas can be made or its frame fails.
// With `RenderMode::gdi_only` only GDI is tried. `draw` gets the canvas and ends no frame itself.
FrameOutcome paint_frame(HDC dc, const RECT& update, const ui::graphics::SurfaceFonts& fonts, RenderMode mode,
                         const std::function<void(ui::graphics::Canvas&)>& draw);

}  // namespace win32_ui::modern
