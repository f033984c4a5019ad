#include "recording_canvas.h"

#include <algorithm>
#include <iterator>

namespace win32_ui::test {

using ui::graphics::CanvasFeature;
using ui::graphics::Color;
using ui::graphics::Path;
using ui::graphics::RectF;
using ui::graphics::TextStyle;
using ui::graphics::Transform;
using Op = CanvasCall::Op;

bool CanvasCall::is_drawing() const noexcept {
  switch (op) {
    case Op::clear:
    case Op::fill_rect:
    case Op::fill_rounded_rect:
    case Op::stroke_rounded_rect:
    case Op::fill_ellipse:
    case Op::stroke_ellipse:
    case Op::draw_line:
    case Op::draw_polyline:
    case Op::fill_triangle:
    case Op::stroke_path:
    case Op::fill_path:
    case Op::draw_text:
    case Op::draw_image:
      return true;
    default:
      return false;
  }
}

std::vector<CanvasCall> RecordingCanvas::drawing_calls() const {
  std::vector<CanvasCall> result;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result), [](const CanvasCall& call) {
    return call.is_drawing();
  });
  return result;
}

std::vector<CanvasCall> RecordingCanvas::calls_of(Op op) const {
  std::vector<CanvasCall> result;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result), [op](const CanvasCall& call) {
    return call.op == op;
  });
  return result;
}

std::vector<std::wstring> RecordingCanvas::texts() const {
  std::vector<std::wstring> result;
  for (const auto& call : calls_) {
    if (call.op == Op::draw_text) result.push_back(call.text);
  }
  return result;
}

bool RecordingCanvas::is_software() const {
  record(Op::is_software);
  return software_;
}

bool RecordingCanvas::supports(CanvasFeature feature) const {
  const auto bit = static_cast<std::uint32_t>(feature);
  record(Op::supports).word = bit;
  return !software_ || (bit & (4u | 8u | 16u | 32u)) != 0;
}

std::int32_t RecordingCanvas::save() {
  record(Op::save);
  push_state(false);
  return static_cast<std::int32_t>(stack_.size());
}

void RecordingCanvas::restore() {
  record(Op::restore);
  const auto saved = std::find_if(stack_.rbegin(), stack_.rend(), [](const State& state) { return !state.is_layer; });
  if (saved == stack_.rend()) return;
  const auto keep = static_cast<std::size_t>(stack_.rend() - saved) - 1;
  while (stack_.size() > keep) pop_state();
}

void RecordingCanvas::clip_rect(const RectF& rect) {
  record(Op::clip_rect).rect = rect;
  intersect_clip(rect);
}

void RecordingCanvas::set_transform(const Transform& transform) {
  record(Op::set_transform).transform = transform;
  current_.transform = transform;
}

void RecordingCanvas::set_opacity(float opacity) {
  record(Op::set_opacity).opacity = opacity;
  current_.opacity = ui::graphics::clamp_opacity(opacity);
}

bool RecordingCanvas::push_opacity_layer(const RectF& bounds, float opacity, std::uint32_t pass_through) {
  auto& call = record(Op::push_opacity_layer);
  call.rect = bounds;
  call.opacity = opacity;
  call.word = pass_through;
  push_state(true);
  intersect_clip(bounds);
  // The software back-end only approximates a layer by setting the canvas opacity.
  if (software_) {
    current_.opacity = ui::graphics::clamp_opacity(opacity);
    return false;
  }
  current_.layer_opacity *= ui::graphics::clamp_opacity(opacity);
  return true;
}

void RecordingCanvas::pop_opacity_layer() {
  record(Op::pop_opacity_layer);
  const auto layer = std::find_if(stack_.rbegin(), stack_.rend(), [](const State& state) { return state.is_layer; });
  if (layer == stack_.rend()) return;
  const auto keep = static_cast<std::size_t>(stack_.rend() - layer) - 1;
  while (stack_.size() > keep) pop_state();
}

void RecordingCanvas::clear(Color color) { record(Op::clear).color = color; }

void RecordingCanvas::fill_rect(const RectF& rect, Color color) {
  auto& call = record(Op::fill_rect);
  call.rect = rect;
  call.color = color;
}

void RecordingCanvas::fill_rounded_rect(const RectF& rect, float radius, Color color) {
  auto& call = record(Op::fill_rounded_rect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
}

void RecordingCanvas::stroke_rounded_rect(const RectF& rect, float radius, Color color, float stroke_width) {
  auto& call = record(Op::stroke_rounded_rect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
  call.stroke_width = stroke_width;
}

void RecordingCanvas::fill_ellipse(const RectF& bounds, Color color) {
  auto& call = record(Op::fill_ellipse);
  call.rect = bounds;
  call.color = color;
}

void RecordingCanvas::stroke_ellipse(const RectF& bounds, Color color, float stroke_width) {
  auto& call = record(Op::stroke_ellipse);
  call.rect = bounds;
  call.color = color;
  call.stroke_width = stroke_width;
}

void RecordingCanvas::draw_line(layout::Point from, layout::Point to, Color color, float stroke_width) {
  auto& call = record(Op::draw_line);
  call.points = {from, to};
  call.color = color;
  call.stroke_width = stroke_width;
}

void RecordingCanvas::draw_polyline(std::span<const layout::Point> points, Color color, float stroke_width) {
  auto& call = record(Op::draw_polyline);
  call.points.assign(points.begin(), points.end());
  call.color = color;
  call.stroke_width = stroke_width;
}

void RecordingCanvas::fill_triangle(layout::Point a, layout::Point b, layout::Point c, Color color) {
  auto& call = record(Op::fill_triangle);
  call.points = {a, b, c};
  call.color = color;
}

void RecordingCanvas::stroke_path(const Path& path, Color color, float stroke_width) {
  auto& call = record(Op::stroke_path);
  call.path = path;
  call.color = color;
  call.stroke_width = stroke_width;
}

void RecordingCanvas::fill_path(const Path& path, Color color, bool nonzero_winding) {
  auto& call = record(Op::fill_path);
  call.path = path;
  call.color = color;
  call.flag = nonzero_winding;
}

void RecordingCanvas::draw_text(std::wstring_view text, const RectF& layout_rect, const TextStyle& style) {
  auto& call = record(Op::draw_text);
  call.text = std::wstring(text);
  call.rect = layout_rect;
  call.style = style;
  call.color = style.color;
}

void RecordingCanvas::draw_image(const ui::graphics::Image& image, const RectF& destination, float opacity,
                                 bool smooth) {
  auto& call = record(Op::draw_image);
  call.image = image;
  call.rect = destination;
  call.opacity = opacity;
  call.flag = smooth;
}

bool RecordingCanvas::end_frame() {
  record(Op::end_frame);
  while (!stack_.empty()) pop_state();
  return end_frame_result_;
}

CanvasCall& RecordingCanvas::record(Op op) const {
  CanvasCall call;
  call.op = op;
  call.current_transform = current_.transform;
  call.current_opacity = current_.opacity;
  call.layer_opacity = current_.layer_opacity;
  call.clip = current_.clip;
  call.depth = stack_.size();
  calls_.push_back(std::move(call));
  return calls_.back();
}

void RecordingCanvas::push_state(bool is_layer) {
  stack_.push_back(current_);
  stack_.back().is_layer = is_layer;
}

void RecordingCanvas::pop_state() {
  current_ = stack_.back();
  current_.is_layer = false;
  stack_.pop_back();
}

void RecordingCanvas::intersect_clip(const RectF& rect) {
  const auto bounds = current_.transform.map_bounds(layout::Rect{rect.left, rect.top, rect.width(), rect.height()});
  RectF device{bounds.x, bounds.y, bounds.right(), bounds.bottom()};
  if (current_.clip) {
    device.left = std::max(device.left, current_.clip->left);
    device.top = std::max(device.top, current_.clip->top);
    device.right = std::min(device.right, current_.clip->right);
    device.bottom = std::min(device.bottom, current_.clip->bottom);
  }
  current_.clip = device;
}

}  // namespace win32_ui::test
