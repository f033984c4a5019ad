#pragma once

#include <windows.h>

#include <chrono>

#include "layout/geometry.h"

namespace win32_ui::platform::windows {

// Where a surface's content sits in its window: the window, its DPI and zoom, the scroll offset and
// the content's height. Every collaborator of the surface converts between client pixels and
// content DIPs through it.
struct SurfaceGeometry {
  HWND window = nullptr;
  float dpi = 96.0f;
  float ui_scale = 1.0f;
  float scroll_offset = 0.0f;
  float content_height = 0.0f;

  [[nodiscard]] float scale() const noexcept { return dpi / 96.0f * ui_scale; }

  // A client pixel position as content DIPs (rounded, scroll added).
  [[nodiscard]] layout::Point to_content(int x, int y) const noexcept;
  [[nodiscard]] layout::Size client_size_dips() const;
  [[nodiscard]] RECT client_rect() const;
  // A content rectangle as the client pixels that cover it (outward rounding).
  [[nodiscard]] RECT covering_pixels(const layout::Rect& content) const noexcept;

  [[nodiscard]] float max_scroll() const;
  void clamp_scroll();

  // Every repaint request goes through here: a handler may have destroyed the window during the
  // dispatch that preceded it, and a null window would make the request cover the whole desktop.
  void invalidate_window(const RECT* rect = nullptr) const;
  // When it last did, for the frame statistics.
  mutable std::chrono::steady_clock::time_point last_invalidated;
};

// A DPI the system reported, or 96 where it reported nonsense.
[[nodiscard]] float valid_dpi(float dpi) noexcept;

}  // namespace win32_ui::platform::windows
