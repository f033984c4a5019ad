#include "ui/graphics/gdi_canvas.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/windows/gdi_handle.h"
#include "ui/graphics/image.h"

namespace win32_ui::modern::detail {

namespace {

using ui::graphics::CanvasFeature;
using ui::graphics::Color;
using ui::graphics::RectF;
using ui::graphics::Transform;

using platform::GdiObject;
using platform::SelectedObject;

struct SlotKey {
  void* owner = nullptr;  // the DC's window, or the DC itself
  bool is_window = false;
  int technology = 0;
  int planes = 0;
  int bits_per_pixel = 0;

  friend bool operator==(const SlotKey&, const SlotKey&) = default;
};

// A memory DC holding a bitmap compatible with a target; the DC's own bitmap goes back in before
// either is freed.
struct BackBuffer {
  BackBuffer(HDC target, int width, int height) noexcept
      : dc(target),
        bitmap(dc ? CreateCompatibleBitmap(target, width, height) : nullptr),
        selection(dc.get(), bitmap.get()) {}

  platform::MemoryDc dc;
  GdiObject<HBITMAP> bitmap;
  SelectedObject selection;
};

// One reusable back buffer, at least as large as the last update.
struct BackBufferSlot {
  SlotKey key;
  bool used = false;
  std::optional<BackBuffer> buffer;
  int width = 0;
  int height = 0;
  bool busy = false;
  std::uint64_t last_use = 0;

  void release() noexcept {
    buffer.reset();
    key = SlotKey{};
    used = false;
    width = 0;
    height = 0;
    busy = false;
    last_use = 0;
  }
};

// Back buffers live for the process; painting happens on the UI thread only.
std::array<BackBufferSlot, GdiCanvas::back_buffer_slots>& slots() {
  static std::array<BackBufferSlot, GdiCanvas::back_buffer_slots> table;
  return table;
}

std::uint64_t next_use() noexcept {
  static std::uint64_t counter = 0;
  return ++counter;
}

int find_slot(const SlotKey& key) {
  auto& table = slots();
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    if (table[i].used && !table[i].busy && table[i].key == key) return i;
  }
  for (auto& slot : table) {
    if (slot.used && !slot.busy && slot.key.is_window && !IsWindow(static_cast<HWND>(slot.key.owner))) slot.release();
  }
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    if (!table[i].used) return i;
  }
  int oldest = -1;
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    if (!table[i].busy && (oldest < 0 || table[i].last_use < table[oldest].last_use)) oldest = i;
  }
  if (oldest >= 0) table[oldest].release();
  return oldest;
}

// Makes the slot's memory DC hold a bitmap compatible with `target` of at least the given size.
bool prepare_slot(BackBufferSlot& slot, const SlotKey& key, HDC target, int width, int height) {
  if (slot.used && slot.key == key && slot.width >= width && slot.height >= height) return true;
  slot.release();
  slot.buffer.emplace(target, width, height);
  if (slot.buffer->bitmap == nullptr) {
    slot.buffer.reset();
    return false;
  }
  slot.width = width;
  slot.height = height;
  slot.key = key;
  slot.used = true;
  return true;
}

int round_to_int(float value) noexcept {
  if (!(value > static_cast<float>(INT_MIN) && value < static_cast<float>(INT_MAX))) return value > 0 ? INT_MAX : 0;
  return static_cast<int>(std::lround(value));
}

int stroke_pixels(float width) noexcept { return std::max(1, round_to_int(width)); }

POINT to_point(layout::Point point) noexcept { return POINT{round_to_int(point.x), round_to_int(point.y)}; }

RECT to_rect(const RectF& rect) noexcept {
  return RECT{round_to_int(rect.left), round_to_int(rect.top), round_to_int(rect.right), round_to_int(rect.bottom)};
}

RECT intersect(const RECT& a, const RECT& b) noexcept {
  RECT result{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
  if (result.right <= result.left || result.bottom <= result.top) return RECT{};
  return result;
}

bool is_empty(const RECT& rect) noexcept { return rect.right <= rect.left || rect.bottom <= rect.top; }

XFORM to_xform(const Transform& transform) noexcept {
  return XFORM{transform.m11, transform.m12, transform.m21, transform.m22, transform.dx, transform.dy};
}

HPEN make_pen(Color color, float width) noexcept {
  return CreatePen(PS_SOLID, stroke_pixels(width), RGB(color.r, color.g, color.b));
}

HBRUSH make_brush(Color color) noexcept { return CreateSolidBrush(RGB(color.r, color.g, color.b)); }

}  // namespace

std::unique_ptr<GdiCanvas> GdiCanvas::create(HDC target, const RECT& update, const ui::graphics::SurfaceFonts& fonts) {
  if (target == nullptr || is_empty(update)) return nullptr;
  SlotKey key;
  HWND window = WindowFromDC(target);
  key.owner = window != nullptr ? static_cast<void*>(window) : static_cast<void*>(target);
  key.is_window = window != nullptr;
  key.technology = GetDeviceCaps(target, TECHNOLOGY);
  key.planes = GetDeviceCaps(target, PLANES);
  key.bits_per_pixel = GetDeviceCaps(target, BITSPIXEL);
  const int index = find_slot(key);
  if (index < 0) return nullptr;
  BackBufferSlot& slot = slots()[index];
  if (!prepare_slot(slot, key, target, update.right - update.left, update.bottom - update.top)) return nullptr;
  std::unique_ptr<GdiCanvas> canvas(new GdiCanvas(target, update, fonts, index, slot.buffer->dc.get()));
  if (canvas->base_token_ == 0) return nullptr;
  slot.busy = true;
  slot.last_use = next_use();
  return canvas;
}

GdiCanvas::GdiCanvas(HDC target, const RECT& update, const ui::graphics::SurfaceFonts& fonts, int slot, HDC buffer)
    : target_(target), update_(update), fonts_(fonts), slot_(slot), dc_(buffer), clip_(update) {
  base_token_ = SaveDC(dc_);
  if (base_token_ == 0) return;
  // Target coordinates land in the buffer, whose origin is the update rectangle's corner.
  SetViewportOrgEx(dc_, -update_.left, -update_.top, nullptr);
  SetGraphicsMode(dc_, GM_ADVANCED);
  const XFORM identity = to_xform(Transform{});
  SetWorldTransform(dc_, &identity);
  SelectClipRgn(dc_, nullptr);
  IntersectClipRect(dc_, update_.left, update_.top, update_.right, update_.bottom);
  SetBkMode(dc_, TRANSPARENT);
}

GdiCanvas::~GdiCanvas() { finish(); }

void GdiCanvas::finish() noexcept {
  if (finished_) return;
  finished_ = true;
  if (base_token_ != 0) RestoreDC(dc_, base_token_);
  saved_.clear();
  auto& slot = slots()[slot_];
  slot.busy = false;
}

bool GdiCanvas::supports(CanvasFeature feature) const {
  switch (feature) {
    case CanvasFeature::Transforms:
    case CanvasFeature::Clipping:
    case CanvasFeature::Text:
    case CanvasFeature::Images:
      return true;
    default:
      return false;
  }
}

std::int32_t GdiCanvas::save() {
  if (finished_) return 0;
  const int token = SaveDC(dc_);
  if (token == 0) return 0;
  saved_.push_back(SavedState{token, opacity_, transform_, clip_});
  return token;
}

void GdiCanvas::restore() {
  if (finished_ || saved_.empty()) return;
  const SavedState state = saved_.back();
  saved_.pop_back();
  RestoreDC(dc_, state.token);
  opacity_ = state.opacity;
  transform_ = state.transform;
  clip_ = state.clip;
}

void GdiCanvas::clip_rect(const RectF& rect) {
  if (finished_) return;
  if (rect.is_degenerate()) {
    // Nothing can be drawn any more until the state is restored.
    IntersectClipRect(dc_, 0, 0, 0, 0);
    clip_ = RECT{};
    return;
  }
  const RECT whole = to_rect(rect);
  IntersectClipRect(dc_, whole.left, whole.top, whole.right, whole.bottom);
  const layout::Rect mapped =
      transform_.map_bounds(layout::Rect{static_cast<float>(whole.left), static_cast<float>(whole.top),
                                         static_cast<float>(whole.right - whole.left),
                                         static_cast<float>(whole.bottom - whole.top)});
  const RECT device{static_cast<LONG>(std::floor(mapped.x)), static_cast<LONG>(std::floor(mapped.y)),
                    static_cast<LONG>(std::ceil(mapped.right())), static_cast<LONG>(std::ceil(mapped.bottom()))};
  clip_ = intersect(clip_, device);
}

void GdiCanvas::set_transform(const Transform& transform) {
  if (finished_ || !transform.is_finite()) return;
  const XFORM xform = to_xform(transform);
  if (SetWorldTransform(dc_, &xform)) transform_ = transform;
}

void GdiCanvas::set_opacity(float opacity) { opacity_ = ui::graphics::clamp_opacity(opacity); }

bool GdiCanvas::push_opacity_layer(const RectF& bounds, float opacity, std::uint32_t) {
  save();
  clip_rect(bounds);
  set_opacity(opacity);
  return false;
}

void GdiCanvas::pop_opacity_layer() { restore(); }

void GdiCanvas::mark_drawn(float left, float top, float right, float bottom, float outset) {
  drawn_ = true;
  const layout::Rect mapped = transform_.map_bounds(layout::Rect{left - outset, top - outset,
                                                                 right - left + 2 * outset, bottom - top + 2 * outset});
  if (!std::isfinite(mapped.x) || !std::isfinite(mapped.y) || !std::isfinite(mapped.width) ||
      !std::isfinite(mapped.height)) {
    return;
  }
  // One extra pixel covers GDI's rounding of edges and pen widths.
  const RECT device{static_cast<LONG>(std::max(-1e9f, std::floor(mapped.x) - 1)),
                    static_cast<LONG>(std::max(-1e9f, std::floor(mapped.y) - 1)),
                    static_cast<LONG>(std::min(1e9f, std::ceil(mapped.right()) + 1)),
                    static_cast<LONG>(std::min(1e9f, std::ceil(mapped.bottom()) + 1))};
  const RECT limited = intersect(device, clip_);
  if (is_empty(limited)) return;
  if (is_empty(drawn_bounds_)) {
    drawn_bounds_ = limited;
  } else {
    UnionRect(&drawn_bounds_, &drawn_bounds_, &limited);
  }
}

void GdiCanvas::clear(Color color) {
  if (finished_) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  // The whole target, whatever the transform.
  const XFORM identity = to_xform(Transform{});
  SetWorldTransform(dc_, &identity);
  FillRect(dc_, &update_, static_cast<HBRUSH>(brush.get()));
  const XFORM current = to_xform(transform_);
  SetWorldTransform(dc_, &current);
  drawn_ = true;
  const RECT limited = intersect(update_, clip_);
  if (!is_empty(limited)) {
    if (is_empty(drawn_bounds_)) {
      drawn_bounds_ = limited;
    } else {
      UnionRect(&drawn_bounds_, &drawn_bounds_, &limited);
    }
  }
}

void GdiCanvas::fill_rect(const RectF& rect, Color color) {
  if (finished_ || rect.is_degenerate()) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  const RECT whole = to_rect(rect);
  FillRect(dc_, &whole, static_cast<HBRUSH>(brush.get()));
  mark_drawn(rect, 0.0f);
}

void GdiCanvas::fill_rounded_rect(const RectF& rect, float radius, Color color) {
  if (finished_ || rect.is_degenerate()) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  const SelectedObject brush_selection(dc_, brush.get());
  const SelectedObject pen_selection(dc_, GetStockObject(NULL_PEN));
  const RECT whole = to_rect(rect);
  const int diameter = std::max(1, round_to_int(2.0f * radius));
  // A null pen leaves the right and bottom edges out; one more pixel keeps the size.
  RoundRect(dc_, whole.left, whole.top, whole.right + 1, whole.bottom + 1, diameter, diameter);
  mark_drawn(rect, 0.0f);
}

void GdiCanvas::stroke_rounded_rect(const RectF& rect, float radius, Color color, float stroke_width) {
  if (finished_ || rect.is_degenerate()) return;
  const GdiObject<HPEN> pen(make_pen(color, stroke_width));
  if (!pen) return;
  const SelectedObject pen_selection(dc_, pen.get());
  const SelectedObject brush_selection(dc_, GetStockObject(NULL_BRUSH));
  const RECT whole = to_rect(rect);
  const int diameter = std::max(1, round_to_int(2.0f * radius));
  RoundRect(dc_, whole.left, whole.top, whole.right, whole.bottom, diameter, diameter);
  mark_drawn(rect, static_cast<float>(stroke_pixels(stroke_width)));
}

void GdiCanvas::fill_ellipse(const RectF& bounds, Color color) {
  if (finished_ || bounds.is_degenerate()) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  const SelectedObject brush_selection(dc_, brush.get());
  const SelectedObject pen_selection(dc_, GetStockObject(NULL_PEN));
  const RECT whole = to_rect(bounds);
  Ellipse(dc_, whole.left, whole.top, whole.right + 1, whole.bottom + 1);
  mark_drawn(bounds, 0.0f);
}

void GdiCanvas::stroke_ellipse(const RectF& bounds, Color color, float stroke_width) {
  if (finished_ || bounds.is_degenerate()) return;
  const GdiObject<HPEN> pen(make_pen(color, stroke_width));
  if (!pen) return;
  const SelectedObject pen_selection(dc_, pen.get());
  const SelectedObject brush_selection(dc_, GetStockObject(NULL_BRUSH));
  const RECT whole = to_rect(bounds);
  Ellipse(dc_, whole.left, whole.top, whole.right, whole.bottom);
  mark_drawn(bounds, static_cast<float>(stroke_pixels(stroke_width)));
}

void GdiCanvas::draw_line(layout::Point from, layout::Point to, Color color, float stroke_width) {
  const layout::Point points[2] = {from, to};
  draw_polyline(points, color, stroke_width);
}

void GdiCanvas::draw_polyline(std::span<const layout::Point> points, Color color, float stroke_width) {
  if (finished_ || points.size() < 2) return;
  const GdiObject<HPEN> pen(make_pen(color, stroke_width));
  if (!pen) return;
  const SelectedObject pen_selection(dc_, pen.get());
  const POINT start = to_point(points.front());
  MoveToEx(dc_, start.x, start.y, nullptr);
  float left = points.front().x, top = points.front().y, right = left, bottom = top;
  for (std::size_t i = 1; i < points.size(); ++i) {
    const POINT next = to_point(points[i]);
    LineTo(dc_, next.x, next.y);
    left = std::min(left, points[i].x);
    top = std::min(top, points[i].y);
    right = std::max(right, points[i].x);
    bottom = std::max(bottom, points[i].y);
  }
  mark_drawn(left, top, right, bottom, static_cast<float>(stroke_pixels(stroke_width)));
}

void GdiCanvas::fill_triangle(layout::Point a, layout::Point b, layout::Point c, Color color) {
  if (finished_) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  const SelectedObject brush_selection(dc_, brush.get());
  const SelectedObject pen_selection(dc_, GetStockObject(NULL_PEN));
  const POINT corners[3] = {to_point(a), to_point(b), to_point(c)};
  Polygon(dc_, corners, 3);
  mark_drawn(std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
             std::max({a.y, b.y, c.y}), 0.0f);
}

bool GdiCanvas::replay_path(const ui::graphics::Path& path) {
  if (path.is_empty()) return false;
  float left = 0, top = 0, right = 0, bottom = 0;
  bool first = true;
  const auto grow = [&](layout::Point point) {
    if (first) {
      left = right = point.x;
      top = bottom = point.y;
      first = false;
    }
    left = std::min(left, point.x);
    top = std::min(top, point.y);
    right = std::max(right, point.x);
    bottom = std::max(bottom, point.y);
  };
  BeginPath(dc_);
  for (const auto& figure : path.figures()) {
    if (figure.segments.empty()) continue;
    const POINT start = to_point(figure.start);
    MoveToEx(dc_, start.x, start.y, nullptr);
    grow(figure.start);
    for (const auto& segment : figure.segments) {
      if (segment.kind == ui::graphics::Path::SegmentKind::Line) {
        const POINT end = to_point(segment.points[0]);
        LineTo(dc_, end.x, end.y);
        grow(segment.points[0]);
      } else {
        const POINT curve[3] = {to_point(segment.points[0]), to_point(segment.points[1]), to_point(segment.points[2])};
        PolyBezierTo(dc_, curve, 3);
        for (const auto& point : segment.points) grow(point);
      }
    }
    if (figure.closed) CloseFigure(dc_);
  }
  EndPath(dc_);
  path_bounds_ = RectF{left, top, right, bottom};
  return true;
}

void GdiCanvas::stroke_path(const ui::graphics::Path& path, Color color, float stroke_width) {
  if (finished_) return;
  const GdiObject<HPEN> pen(make_pen(color, stroke_width));
  if (!pen) return;
  const SelectedObject pen_selection(dc_, pen.get());
  if (!replay_path(path)) return;
  StrokePath(dc_);
  mark_drawn(path_bounds_, static_cast<float>(stroke_pixels(stroke_width)));
}

void GdiCanvas::fill_path(const ui::graphics::Path& path, Color color, bool nonzero_winding) {
  if (finished_) return;
  const GdiObject<HBRUSH> brush(make_brush(color));
  if (!brush) return;
  const SelectedObject brush_selection(dc_, brush.get());
  if (!replay_path(path)) return;
  const int previous_mode = SetPolyFillMode(dc_, nonzero_winding ? WINDING : ALTERNATE);
  FillPath(dc_);
  if (previous_mode != 0) SetPolyFillMode(dc_, previous_mode);
  mark_drawn(path_bounds_, 0.0f);
}

void GdiCanvas::draw_text(std::wstring_view text, const RectF& layout_rect, const ui::graphics::TextStyle& style) {
  if (finished_ || text.empty() || text.size() > static_cast<std::size_t>(INT_MAX) || layout_rect.is_degenerate()) {
    return;
  }
  HFONT font = nullptr;
  if (style.font_slot >= 1 && style.font_slot <= static_cast<int>(fonts_.size())) font = fonts_[style.font_slot - 1];
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const SelectedObject font_selection(dc_, font);
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, RGB(style.color.r, style.color.g, style.color.b));
  UINT format = DT_NOPREFIX | (style.single_line ? DT_SINGLELINE : DT_WORDBREAK);
  switch (style.horizontal_edge()) {
    case ui::graphics::TextStyle::Edge::Center:
      format |= DT_CENTER;
      break;
    case ui::graphics::TextStyle::Edge::Right:
      format |= DT_RIGHT;
      break;
    default:
      format |= DT_LEFT;
      break;
  }
  if (style.vertical_alignment == 1) format |= DT_VCENTER;
  if (style.vertical_alignment == 2) format |= DT_BOTTOM;
  if (style.end_ellipsis) format |= DT_END_ELLIPSIS;
  if (style.is_right_to_left()) format |= DT_RTLREADING;
  RECT box = to_rect(layout_rect);
  DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &box, format);
  mark_drawn(layout_rect, 1.0f);
}

void GdiCanvas::draw_image(const ui::graphics::Image& image, const RectF& destination, float opacity, bool smooth) {
  if (finished_ || !image.is_valid() || destination.is_degenerate()) return;
  const float alpha = ui::graphics::clamp_opacity(ui::graphics::clamp_opacity(opacity) * opacity_);
  const auto constant_alpha = static_cast<BYTE>(std::lround(alpha * 255.0f));
  if (constant_alpha == 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  const auto width = static_cast<LONG>(image.width());
  const auto height = static_cast<LONG>(image.height());
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const GdiObject<HBITMAP> section(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || bits == nullptr) return;
  // The section's rows are packed; the image's may be longer.
  const std::size_t row_bytes = static_cast<std::size_t>(image.width()) * 4u;
  const std::uint8_t* row = image.pixels().data();
  auto* destination_row = static_cast<std::uint8_t*>(bits);
  for (LONG y = 0; y < height; ++y, row += image.stride(), destination_row += row_bytes) {
    std::memcpy(destination_row, row, row_bytes);
  }
  const platform::MemoryDc source(dc_);
  if (!source) return;
  {
    const SelectedObject bitmap_selection(source.get(), section.get());
    if (bitmap_selection.ok()) {
      const int previous_mode = SetStretchBltMode(dc_, smooth ? HALFTONE : COLORONCOLOR);
      if (smooth) SetBrushOrgEx(dc_, 0, 0, nullptr);
      const RECT box = to_rect(destination);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, constant_alpha, AC_SRC_ALPHA};
      AlphaBlend(dc_, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), 0, 0, width, height,
                 blend);
      if (previous_mode != 0) SetStretchBltMode(dc_, previous_mode);
      mark_drawn(destination, 0.0f);
    }
  }
}

bool GdiCanvas::end_frame() {
  if (finished_) return false;
  finish();
  if (!drawn_ || is_empty(drawn_bounds_)) return false;
  // The buffer's own origin again: its pixel (0, 0) is the update rectangle's corner.
  return BitBlt(target_, drawn_bounds_.left, drawn_bounds_.top, drawn_bounds_.right - drawn_bounds_.left,
                drawn_bounds_.bottom - drawn_bounds_.top, dc_, drawn_bounds_.left - update_.left,
                drawn_bounds_.top - update_.top, SRCCOPY) != FALSE;
}

}  // namespace win32_ui::modern::detail
