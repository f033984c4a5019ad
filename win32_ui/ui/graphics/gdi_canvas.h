#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/graphics/canvas.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::modern::detail {

// The software canvas: paints a frame into a cached back buffer and copies only the drawn area to
// the target DC when the frame ends. Opacity reaches images only; shapes and text are opaque.
class GdiCanvas final : public ui::graphics::Canvas {
 public:
  // Number of back buffers kept for the process.
  static constexpr int back_buffer_slots = 8;

  // A canvas for `update` (target pixels) of `target`; null without a DC, for an empty rectangle,
  // or when no back buffer can be set up.
  [[nodiscard]] static std::unique_ptr<GdiCanvas> create(HDC target, const RECT& update,
                                                         const ui::graphics::SurfaceFonts& fonts);

  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  [[nodiscard]] bool is_software() const override { return true; }
  [[nodiscard]] bool supports(ui::graphics::CanvasFeature feature) const override;
  std::int32_t save() override;
  void restore() override;
  void clip_rect(const ui::graphics::RectF& rect) override;
  void set_transform(const ui::graphics::Transform& transform) override;
  void set_opacity(float opacity) override;
  bool push_opacity_layer(const ui::graphics::RectF& bounds, float opacity, std::uint32_t pass_through) override;
  void pop_opacity_layer() override;
  void clear(ui::graphics::Color color) override;
  void fill_rect(const ui::graphics::RectF& rect, ui::graphics::Color color) override;
  void fill_rounded_rect(const ui::graphics::RectF& rect, float radius, ui::graphics::Color color) override;
  void stroke_rounded_rect(const ui::graphics::RectF& rect, float radius, ui::graphics::Color color,
                           float stroke_width) override;
  void fill_ellipse(const ui::graphics::RectF& bounds, ui::graphics::Color color) override;
  void stroke_ellipse(const ui::graphics::RectF& bounds, ui::graphics::Color color, float stroke_width) override;
  void draw_line(layout::Point from, layout::Point to, ui::graphics::Color color, float stroke_width) override;
  void draw_polyline(std::span<const layout::Point> points, ui::graphics::Color color, float stroke_width) override;
  void fill_triangle(layout::Point a, layout::Point b, layout::Point c, ui::graphics::Color color) override;
  void stroke_path(const ui::graphics::Path& path, ui::graphics::Color color, float stroke_width) override;
  void fill_path(const ui::graphics::Path& path, ui::graphics::Color color, bool nonzero_winding) override;
  void draw_text(std::wstring_view text, const ui::graphics::RectF& layout_rect,
                 const ui::graphics::TextStyle& style) override;
  void draw_image(const ui::graphics::Image& image, const ui::graphics::RectF& destination, float opacity,
                  bool smooth) override;
  bool end_frame() override;

 private:
  struct SavedState {
    int token = 0;
    float opacity = 1.0f;
    ui::graphics::Transform transform;
    RECT clip{};
  };

  GdiCanvas(HDC target, const RECT& update, const ui::graphics::SurfaceFonts& fonts, int slot, HDC buffer);

  // Grows the drawn bounds by a rectangle in canvas coordinates (widened by `outset` pixels).
  void mark_drawn(float left, float top, float right, float bottom, float outset);
  void mark_drawn(const ui::graphics::RectF& rect, float outset) {
    mark_drawn(rect.left, rect.top, rect.right, rect.bottom, outset);
  }
  // Replays a path into the DC's path bracket; false when there is nothing to draw.
  bool replay_path(const ui::graphics::Path& path);
  void finish() noexcept;

  HDC target_;
  RECT update_;
  ui::graphics::SurfaceFonts fonts_;
  int slot_;
  HDC dc_;
  int base_token_ = 0;
  float opacity_ = 1.0f;
  ui::graphics::Transform transform_;
  RECT clip_;
  std::vector<SavedState> saved_;
  RECT drawn_bounds_{};
  ui::graphics::RectF path_bounds_;  // canvas-space bounds of the path replayed last
  bool drawn_ = false;
  bool finished_ = false;
};

}  // namespace win32_ui::modern::detail
