#pragma once

#include <windows.h>

#include "platform/surface_interfaces.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::modern {
class ViewRoot;
}

namespace win32_ui::platform::windows {

// Turns a surface's repaint requests into invalidated window rectangles and its animation frames into
// one window timer at a time.
class WindowFrameScheduler final : public FrameScheduler {
 public:
  WindowFrameScheduler(modern::ViewRoot& root, const SurfaceGeometry& geometry) noexcept;
  // The timer goes with its owner.
  ~WindowFrameScheduler() override { stop(); }
  WindowFrameScheduler(const WindowFrameScheduler&) = delete;
  WindowFrameScheduler& operator=(const WindowFrameScheduler&) = delete;

  [[nodiscard]] bool pending() const noexcept { return pending_; }
  // Kills the frame timer while the window lives.
  void stop();
  // WM_TIMER: true when it was the frame timer, which then advances the animations one frame.
  bool on_timer(WPARAM timer);

  // --- FrameScheduler

  void invalidate(bool whole_surface) override;
  void request_frame() override;

 private:
  [[nodiscard]] UINT_PTR timer_id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }

  modern::ViewRoot& root_;
  const SurfaceGeometry& geometry_;
  // Whether the frame timer is set.
  bool pending_ = false;
};

}  // namespace win32_ui::platform::windows
