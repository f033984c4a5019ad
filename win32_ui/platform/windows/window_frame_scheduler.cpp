#include "platform/windows/window_frame_scheduler.h"

#include <algorithm>
#include <chrono>

#include "modern/tree/view_root.h"

namespace win32_ui::platform::windows {

namespace {
constexpr UINT frame_interval_ms = 15;
}

WindowFrameScheduler::WindowFrameScheduler(modern::ViewRoot& root, const SurfaceGeometry& geometry) noexcept
    : root_(root), geometry_(geometry) {}

void WindowFrameScheduler::stop() {
  const bool alive = geometry_.window != nullptr && IsWindow(geometry_.window);
  if (pending_ && alive) KillTimer(geometry_.window, timer_id());
  if (held_ && alive) KillTimer(geometry_.window, pacing_timer_id());
  pending_ = false;
  held_ = false;
}

double WindowFrameScheduler::budget(Clock::time_point now) noexcept {
  const double refreshes = std::chrono::duration<double>(now - budget_time_) / std::chrono::duration<double>(refresh_);
  frames_left_ = std::min(2.0, frames_left_ + std::max(0.0, refreshes));
  budget_time_ = now;
  return frames_left_;
}

void WindowFrameScheduler::frame_started() {
  // Paints beyond the budget (the system's) owe at most one frame, so they never hold back long.
  frames_left_ = std::max(-1.0, budget(Clock::now()) - 1.0);
}

void WindowFrameScheduler::set_refresh_rate(int hertz) noexcept {
  refresh_ = std::chrono::microseconds(hertz >= 24 && hertz <= 1000 ? 1000000 / hertz : 16667);
}

bool WindowFrameScheduler::on_timer(WPARAM timer) {
  if (timer == pacing_timer_id()) {
    if (geometry_.window != nullptr) KillTimer(geometry_.window, pacing_timer_id());
    if (held_) {
      held_ = false;
      invalidate_now(held_whole_);
    }
    return true;
  }
  if (timer != timer_id()) return false;
  if (pending_ && geometry_.window != nullptr) KillTimer(geometry_.window, timer_id());
  pending_ = false;
  // Advancing the clock repaints exactly the views that moved and asks for the next frame while
  // animations run.
  root_.clock().tick(std::chrono::steady_clock::now());
  if (root_.root() == nullptr) geometry_.invalidate_window();
  return true;
}

void WindowFrameScheduler::invalidate(bool whole_surface) {
  if (geometry_.window == nullptr) return;
  if (held_) {
    held_whole_ = held_whole_ || whole_surface;
    return;
  }
  // No frame left: this one waits until the budget has grown to one.
  const double left = budget(Clock::now());
  if (left < 1.0) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
        std::chrono::duration<double>(refresh_) * (1.0 - left));
    if (SetTimer(geometry_.window, pacing_timer_id(), static_cast<UINT>(std::max<long long>(wait.count(), 1)), nullptr) != 0) {
      held_ = true;
      held_whole_ = whole_surface;
      return;
    }
  }
  invalidate_now(whole_surface);
}

void WindowFrameScheduler::invalidate_now(bool whole_surface) {
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
