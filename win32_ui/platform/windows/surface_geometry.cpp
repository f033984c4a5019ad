#include "platform/windows/surface_geometry.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::platform::windows {

layout::Point SurfaceGeometry::to_content(int x, int y) const noexcept {
  return layout::Point{std::round(static_cast<float>(x) / scale()),
                       std::round(static_cast<float>(y) / scale()) + scroll_offset};
}

layout::Size SurfaceGeometry::client_size_dips() const {
  const RECT client = client_rect();
  return layout::Size{static_cast<float>(client.right - client.left) / scale(),
                      static_cast<float>(client.bottom - client.top) / scale()};
}

RECT SurfaceGeometry::client_rect() const {
  RECT client{};
  if (window != nullptr) GetClientRect(window, &client);
  return client;
}

RECT SurfaceGeometry::covering_pixels(const layout::Rect& content) const noexcept {
  const float s = scale();
  return RECT{static_cast<LONG>(std::floor(content.x * s)), static_cast<LONG>(std::floor((content.y - scroll_offset) * s)),
              static_cast<LONG>(std::ceil((content.x + content.width) * s)),
              static_cast<LONG>(std::ceil((content.y + content.height - scroll_offset) * s))};
}

float SurfaceGeometry::max_scroll() const { return std::max(0.0f, content_height - client_size_dips().height); }

void SurfaceGeometry::clamp_scroll() { scroll_offset = std::clamp(scroll_offset, 0.0f, max_scroll()); }

void SurfaceGeometry::invalidate_window(const RECT* rect) const {
  if (window == nullptr) return;
  InvalidateRect(window, rect, FALSE);
  last_invalidated = std::chrono::steady_clock::now();
}

float valid_dpi(float dpi) noexcept { return std::isfinite(dpi) && dpi > 0.0f ? dpi : 96.0f; }

}  // namespace win32_ui::platform::windows
