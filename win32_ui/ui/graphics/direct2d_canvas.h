#pragma once

#include <windows.h>

#include <d2d1.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/graphics/canvas.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::modern::detail {

// The normal canvas: Direct2D through this thread's DC render target bound to the paint DC.
// Text comes from the thread's DirectWrite format and layout caches; image bitmaps are cached
// per thread by the image's identity.
class Direct2dCanvas final : public ui::graphics::Canvas {
 public:
  // Most bitmaps kept per thread; the least recently used go first, bitmaps of freed images at once.
  static constexpr std::size_t bitmap_cache_capacity = 32;

  // A canvas for `update` (target pixels) of `target`; null without a DC, for an empty rectangle,
  // during another Direct2D frame on this thread, or when the target cannot be bound and begun.
  [[nodiscard]] static std::unique_ptr<Direct2dCanvas> create(HDC target, const RECT& update,
                                                              const ui::graphics::SurfaceFonts& fonts);

  // Makes this thread's next end_frame behave as if the device were lost (for tests of recovery).
  static void simulate_device_loss() noexcept;

  // How many render targets this thread has created so far.
  [[nodiscard]] static std::uint64_t render_targets_created() noexcept;

  // How many image bitmaps this thread holds.
  [[nodiscard]] static std::size_t cached_bitmaps() noexcept;

  ~Direct2dCanvas() override;
  Direct2dCanvas(const Direct2dCanvas&) = delete;
  Direct2dCanvas& operator=(const Direct2dCanvas&) = delete;

  [[nodiscard]] bool is_software() const override { return false; }
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
  // A clip or a layer, in the order pushed: Direct2D pops them in exactly the reverse order.
  struct Pushed {
    bool is_layer = false;
  };
  struct SavedState {
    ui::graphics::Transform transform;
    float opacity = 1.0f;
    std::size_t depth = 0;
  };

  Direct2dCanvas(ID2D1DCRenderTarget* target, const RECT& update, const ui::graphics::SurfaceFonts& fonts,
                 Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> brush);

  // Sets the brush to a colour at the current opacity; false when there is no brush.
  bool use_color(ui::graphics::Color color);
  // Pops clips and layers until `depth` remain.
  void unwind_to(std::size_t depth);
  // Creates an empty path geometry and opens its sink; marks the frame failed when it cannot.
  bool open_geometry(Microsoft::WRL::ComPtr<ID2D1PathGeometry>& geometry,
                     Microsoft::WRL::ComPtr<ID2D1GeometrySink>& sink);
  // Builds a path geometry from points or a path record; null (and a failed frame) on error.
  Microsoft::WRL::ComPtr<ID2D1PathGeometry> make_geometry(std::span<const layout::Point> points, bool closed,
                                                          bool filled);
  Microsoft::WRL::ComPtr<ID2D1PathGeometry> make_geometry(const ui::graphics::Path& path, bool nonzero_winding,
                                                          bool filled);
  void apply_transform();

  ID2D1DCRenderTarget* target_;  // owned by the thread's cache
  RECT update_;
  ui::graphics::SurfaceFonts fonts_;
  Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> brush_;
  ui::graphics::Transform transform_;
  float opacity_ = 1.0f;
  std::vector<Pushed> pushed_;
  std::vector<SavedState> saved_;
  bool failed_ = false;
  bool finished_ = false;
};

// The process-wide Direct2D factory (multi-threaded), made once; null when Direct2D is missing.
[[nodiscard]] ID2D1Factory* direct2d_factory() noexcept;

}  // namespace win32_ui::modern::detail
