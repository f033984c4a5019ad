#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "layout/geometry.h"
#include "ui/graphics/color.h"
#include "ui/graphics/path.h"
#include "ui/graphics/rect_f.h"
#include "ui/graphics/text_style.h"
#include "ui/graphics/transform.h"

namespace win32_ui::ui::graphics {

class Image;

// Bits of the feature query. The software back-end supports only the last four.
enum class CanvasFeature : std::uint32_t {
  Antialiasing = 1,
  OpacityLayers = 2,
  Transforms = 4,
  Clipping = 8,
  Text = 16,
  Images = 32,
};

// Opacity as every canvas applies it: clamped to [0, 1]; NaN leaves the drawing unchanged (1).
[[nodiscard]] inline float clamp_opacity(float opacity) noexcept {
  if (std::isnan(opacity)) return 1.0f;
  return opacity < 0.0f ? 0.0f : (opacity > 1.0f ? 1.0f : opacity);
}

// The drawing interface of one painted frame. Coordinates are device pixels of the target; views
// convert from DIPs with their paint context's scale. Drawing calls never throw, never report
// failure and do nothing for a degenerate rectangle or a missing resource.
class Canvas {
 public:
  // Releases the back-end resources of the frame.
  virtual ~Canvas() = default;

  // True for the GDI back-end.
  [[nodiscard]] virtual bool is_software() const = 0;

  // Whether the back-end supports one feature bit.
  [[nodiscard]] virtual bool supports(CanvasFeature feature) const = 0;

  // Pushes clip, transform and opacity; returns a non-zero token, or 0 when the state cannot be saved.
  virtual std::int32_t save() = 0;

  // Pops the state saved last together with every clip and layer pushed since; unbalanced calls are ignored.
  virtual void restore() = 0;

  // Intersects the current clip with the rectangle.
  virtual void clip_rect(const RectF& rect) = 0;

  // Replaces the current transform.
  virtual void set_transform(const Transform& transform) = 0;

  // Sets the current opacity, clamped to [0, 1].
  virtual void set_opacity(float opacity) = 0;

  // Starts a group drawn with one opacity inside `bounds`; false when the back-end only approximates it.
  virtual bool push_opacity_layer(const RectF& bounds, float opacity, std::uint32_t pass_through) = 0;

  // Ends the group begun by push_opacity_layer.
  virtual void pop_opacity_layer() = 0;

  // Fills the whole target.
  virtual void clear(Color color) = 0;

  virtual void fill_rect(const RectF& rect, Color color) = 0;

  virtual void fill_rounded_rect(const RectF& rect, float radius, Color color) = 0;

  virtual void stroke_rounded_rect(const RectF& rect, float radius, Color color, float stroke_width) = 0;

  // Fills the ellipse inscribed in `bounds`.
  virtual void fill_ellipse(const RectF& bounds, Color color) = 0;

  // Strokes the ellipse inscribed in `bounds`.
  virtual void stroke_ellipse(const RectF& bounds, Color color, float stroke_width) = 0;

  virtual void draw_line(layout::Point from, layout::Point to, Color color, float stroke_width) = 0;

  // Joins the points with straight lines; fewer than two points draw nothing.
  virtual void draw_polyline(std::span<const layout::Point> points, Color color, float stroke_width) = 0;

  virtual void fill_triangle(layout::Point a, layout::Point b, layout::Point c, Color color) = 0;

  virtual void stroke_path(const Path& path, Color color, float stroke_width) = 0;

  // Fills with the non-zero winding rule when `nonzero_winding` is set, else even-odd.
  virtual void fill_path(const Path& path, Color color, bool nonzero_winding) = 0;

  // Lays the text out in `layout_rect`; empty texts and rectangles draw nothing.
  virtual void draw_text(std::wstring_view text, const RectF& layout_rect, const TextStyle& style) = 0;

  // Draws the image stretched to `destination`; `smooth` picks linear over nearest-neighbour sampling.
  virtual void draw_image(const Image& image, const RectF& destination, float opacity, bool smooth) = 0;

  // Unwinds what is still pushed, finishes and presents the frame; true when it reached the window.
  virtual bool end_frame() = 0;
};

}  // namespace win32_ui::ui::graphics
