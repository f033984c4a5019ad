#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/graphics/canvas.h"
#include "ui/graphics/image.h"

namespace win32_ui::test {

// One recorded canvas call: the operation, its arguments, and the canvas state it ran in.
struct CanvasCall {
  // Named after the canvas operations (lower case also keeps clear of Windows' DrawText macro).
  enum class Op : std::int32_t {
    is_software,
    supports,
    save,
    restore,
    clip_rect,
    set_transform,
    set_opacity,
    push_opacity_layer,
    pop_opacity_layer,
    clear,
    fill_rect,
    fill_rounded_rect,
    stroke_rounded_rect,
    fill_ellipse,
    stroke_ellipse,
    draw_line,
    draw_polyline,
    fill_triangle,
    stroke_path,
    fill_path,
    draw_text,
    draw_image,
    end_frame,
  };

  Op op = Op::clear;

  // Arguments; only those of the operation are set.
  ui::graphics::RectF rect;
  std::vector<layout::Point> points;
  ui::graphics::Color color;
  float radius = 0.0f;
  float stroke_width = 0.0f;
  float opacity = 0.0f;      // set opacity, push opacity layer, draw image
  bool flag = false;         // fill path: non-zero winding; draw image: smoothing
  std::uint32_t word = 0;    // supports: the feature bit; push opacity layer: the pass-through word
  std::wstring text;
  ui::graphics::TextStyle style;
  ui::graphics::Transform transform;  // set transform
  ui::graphics::Path path;
  ui::graphics::Image image;  // draw image: shares the drawn image's data

  // State when the call ran.
  ui::graphics::Transform current_transform;
  float current_opacity = 1.0f;         // the canvas opacity (set opacity)
  float layer_opacity = 1.0f;           // product of the open opacity layers
  std::optional<ui::graphics::RectF> clip;  // bounds of the clip in target pixels; none = whole target
  std::size_t depth = 0;                // saved states plus open layers

  // Whether the operation puts pixels on the target.
  [[nodiscard]] bool is_drawing() const noexcept;
};

// A canvas that draws nothing and records every call, keeping the state stack the real back-ends
// keep, so painting code can be checked without a window.
class RecordingCanvas final : public ui::graphics::Canvas {
 public:
  // A software canvas answers the feature query like the GDI back-end.
  explicit RecordingCanvas(bool software = false) : software_(software) {}

  [[nodiscard]] const std::vector<CanvasCall>& calls() const noexcept { return calls_; }

  // The calls that put pixels on the target, in order.
  [[nodiscard]] std::vector<CanvasCall> drawing_calls() const;

  // The calls of one operation, in order.
  [[nodiscard]] std::vector<CanvasCall> calls_of(CanvasCall::Op op) const;

  // The texts passed to draw_text, in order.
  [[nodiscard]] std::vector<std::wstring> texts() const;

  // Forgets the recorded calls (the state stack is kept).
  void clear_calls() noexcept { calls_.clear(); }

  // Sets what end_frame will return.
  void set_end_frame_result(bool result) noexcept { end_frame_result_ = result; }

  [[nodiscard]] std::size_t depth() const noexcept { return stack_.size(); }

  bool is_software() const override;
  bool supports(ui::graphics::CanvasFeature feature) const override;
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
  struct State {
    ui::graphics::Transform transform;
    float opacity = 1.0f;
    float layer_opacity = 1.0f;
    std::optional<ui::graphics::RectF> clip;
    bool is_layer = false;
  };

  CanvasCall& record(CanvasCall::Op op) const;
  void push_state(bool is_layer);
  void pop_state();
  void intersect_clip(const ui::graphics::RectF& rect);

  bool software_;
  bool end_frame_result_ = true;
  State current_;
  std::vector<State> stack_;
  // The queries are const but recorded too.
  mutable std::vector<CanvasCall> calls_;
};

}  // namespace win32_ui::test
