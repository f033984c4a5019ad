#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "modern/surface.h"
#include "platform/surface_interfaces.h"
#include "platform/windows/gdi_handle.h"
#include "platform/windows/surface_geometry.h"
#include "ui/graphics/frame_painter.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::modern {
class LocalizationContext;
struct Palette;
class ViewRoot;
}  // namespace win32_ui::modern

namespace win32_ui::platform::windows {

// Paints a surface's frames: its fonts at the surface's DPI and zoom, the text measurer that matches
// the back-end in use, the field brush for native controls, and the frame counters.
class SurfaceRenderer final : public RenderSurface {
 public:
  SurfaceRenderer(modern::ViewRoot& root, const SurfaceGeometry& geometry, const modern::Palette& palette,
                  const modern::LocalizationContext& localization);
  ~SurfaceRenderer() override = default;
  SurfaceRenderer(const SurfaceRenderer&) = delete;
  SurfaceRenderer& operator=(const SurfaceRenderer&) = delete;

  // After the DPI or zoom changed.
  void rebuild_fonts();
  // After the palette changed.
  void rebuild_field_brush();
  // False when `mode` is already the one in use.
  bool set_mode(modern::RenderMode mode);
  [[nodiscard]] modern::RenderMode mode() const noexcept { return mode_; }
  [[nodiscard]] ui::graphics::SurfaceTextMeasurer* measurer() noexcept { return &*measurer_; }

  [[nodiscard]] modern::FrameBackend last_backend() const noexcept { return last_backend_; }
  [[nodiscard]] bool last_frame_ok() const noexcept { return last_frame_ok_; }
  void enable_statistics(bool enable) noexcept { statistics_enabled_ = enable; }
  [[nodiscard]] const modern::FrameStatistics& statistics() const noexcept { return statistics_; }

  // WM_CTLCOLOR*: the brush a hosted control paints its field with, or null when it is not ours.
  [[nodiscard]] HBRUSH control_colors(HWND control, HDC dc) const;

  // --- RenderSurface

  void paint_frame() override;

 private:
  void make_measurer();
  void count_frame(const modern::FrameOutcome& outcome, double milliseconds);

  modern::ViewRoot& root_;
  const SurfaceGeometry& geometry_;
  const modern::Palette& palette_;
  const modern::LocalizationContext& localization_;
  ui::graphics::SurfaceFonts fonts_{};
  std::array<GdiObject<HFONT>, 6> font_owners_;
  GdiObject<HBRUSH> field_brush_;
  std::optional<ui::graphics::SurfaceTextMeasurer> measurer_;
  modern::RenderMode mode_;
  modern::FrameBackend last_backend_ = modern::FrameBackend::none;
  // Whether the last frame painted; its dirty state is kept for the next frame otherwise.
  bool last_frame_ok_ = false;
  bool statistics_enabled_ = false;
  modern::FrameStatistics statistics_;
};

}  // namespace win32_ui::platform::windows
