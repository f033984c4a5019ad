#pragma once

#include <cstdint>

namespace win32_ui::platform {

// Turns the view tree's repaint requests into window repaints and animation frames.
class FrameScheduler {
 public:
  virtual ~FrameScheduler() = default;

  // Repaints the whole surface for `whole_surface`, otherwise the root's dirty rectangle.
  virtual void invalidate(bool whole_surface) = 0;

  // Asks for one more animation frame.
  virtual void request_frame() = 0;
};

// Holds a pointer's input for the view tree while a view handles its press.
class InputAdapter {
 public:
  virtual ~InputAdapter() = default;

  // Whether the pointer is now captured for this surface.
  virtual bool capture_pointer(std::uint32_t pointer_id) = 0;

  virtual void release_pointer(std::uint32_t pointer_id) = 0;
};

// Paints the current frame.
class RenderSurface {
 public:
  virtual ~RenderSurface() = default;

  virtual void paint_frame() = 0;
};

}  // namespace win32_ui::platform
