#include "platform/windows/window_frame_scheduler.h"

#include <chrono>

#include "modern/tree/view_root.h"

namespace win32_ui::platform::windows {

namespace {
constexpr UINT frame_interval_ms = 15;
}

WindowFrameScheduler::WindowFrameScheduler(modern::ViewRoot& root, const SurfaceGeometry& geometry) noexcept
    : root_(root), geometry_(geometry) {}

void WindowFrameScheduler::stop() {
  if (pending_ && geometry_.window != nullptr && IsWindow(geometry_.window)) KillTimer(geometry_.window, timer_id());
  pending_ = false;
}

bool WindowFrameScheduler::on_timer(WPARAM timer) {
  if (timer != timer_id()) return false;
  stop();
  // Advancing the clock repaints exactly the views that moved and asks for the next frame while
  // animations run.
  root_.clock().tick(std::chrono::steady_clock::now());
  if (root_.root() == nullptr) geometry_.invalidate_window();
  return true;
}

void WindowFrameScheduler::invalidate(bool whole_surface) {
  if (geometry_.window == nullptr) return;
  if (whole_surface || root_.whole_surface_dirty() || root_.root() == nullptr) {
    geometry_.invalidate_window();
    return;
  }
  const layout::Rect dirty = root_.dirty_rect();
  if (dirty.width <= 0.0f || dirty.height <= 0.0f) return;
  const RECT pixels = geometry_.covering_pixels(dirty);
  const RECT client = geometry_.client_rect();
  RECT visible{};
  if (IntersectRect(&visible, &pixels, &client)) geometry_.invalidate_window(&visible);
}

void WindowFrameScheduler::request_frame() {
  if (geometry_.window == nullptr || pending_) return;
  if (SetTimer(geometry_.window, timer_id(), frame_interval_ms, nullptr) != 0) {
    pending_ = true;
  } else {
    geometry_.invalidate_window();
  }
}

}  // namespace win32_ui::platform::windows
