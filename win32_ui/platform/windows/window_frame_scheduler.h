#pragma once

#include <windows.h>

#include <chrono>

#include "platform/surface_interfaces.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::modern {
class ViewRoot;
}

namespace win32_ui::platform::windows {

// Turns a surface's repaint requests into invalidated window rectangles and its animation frames into
// one window timer at a time.
//
// Repaints are paced to the display: frames draw on a budget that grows by one frame per refresh and
// holds at most two, and a request with no frame left in it waits until there is one. A slider
// dragged fast so paints about once per refresh however many changes it makes, while the first two
// frames after a pause (a key, and the preview it updates) are never held back. Paints the system
// asks for are never held back either; they only spend the budget.
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
  // WM_TIMER: true when it was one of ours; the frame timer advances the animations one frame, the
  // pacing timer lets a held-back repaint through.
  bool on_timer(WPARAM timer);
  // A frame is being painted now.
  void frame_started();
  // The display's refresh interval, from its rate in hertz (60 when the system cannot tell).
  void set_refresh_rate(int hertz) noexcept;

  // --- FrameScheduler

  void invalidate(bool whole_surface) override;
  void request_frame() override;

 private:
  using Clock = std::chrono::steady_clock;

  [[nodiscard]] UINT_PTR timer_id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }
  [[nodiscard]] UINT_PTR pacing_timer_id() const noexcept { return reinterpret_cast<UINT_PTR>(this) + 1; }
  void invalidate_now(bool whole_surface);
  // The budget at `now`, in frames.
  double budget(Clock::time_point now) noexcept;

  modern::ViewRoot& root_;
  const SurfaceGeometry& geometry_;
  // Whether the frame timer is set.
  bool pending_ = false;
  // Pacing: the frame budget as of a time, the refresh interval, and a repaint held back.
  double frames_left_ = 2.0;
  Clock::time_point budget_time_{};
  Clock::duration refresh_ = std::chrono::microseconds(16667);
  bool held_ = false;
  bool held_whole_ = false;
};

}  // namespace win32_ui::platform::windows
