#include "ui/graphics/direct2d_canvas.h"

#include <d2d1helper.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "ui/graphics/image.h"
#include "ui/graphics/text_format_key.h"
#include "ui/graphics/text_layout_cache.h"

namespace win32_ui::modern::detail {

namespace {

using Microsoft::WRL::ComPtr;
using ui::graphics::CanvasFeature;
using ui::graphics::Color;
using ui::graphics::RectF;
using ui::graphics::Transform;

// Direct2D's "recreate the target" result (its header spells it as an unsigned number).
const HRESULT device_lost = static_cast<HRESULT>(D2DERR_RECREATE_TARGET);

// One image's pixels on this thread's render target. The id never returns for another image, and
// the lifetime reference lets bitmaps of freed images go at once.
struct BitmapEntry {
  ID2D1RenderTarget* target = nullptr;
  std::uint64_t image_id = 0;
  std::weak_ptr<const void> lifetime;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t stride = 0;
  ComPtr<ID2D1Bitmap> bitmap;
  std::uint64_t last_use = 0;
};

// This thread's render target and the device resources made on it.
struct ThreadCache {
  ComPtr<ID2D1DCRenderTarget> target;
  bool in_use = false;
  std::uint64_t uses = 0;
  std::uint64_t targets_created = 0;
  bool simulate_loss = false;
  std::vector<BitmapEntry> bitmaps;

  // Forgets the render target and everything that belongs to it after a device loss.
  void discard() noexcept {
    bitmaps.clear();
    target.Reset();
  }

  void drop_freed_bitmaps() {
    std::erase_if(bitmaps, [](const BitmapEntry& entry) { return entry.lifetime.expired(); });
  }
};

ThreadCache& thread_cache() {
  thread_local ThreadCache cache;
  return cache;
}

D2D1_MATRIX_3X2_F to_matrix(const Transform& transform) noexcept {
  D2D1_MATRIX_3X2_F matrix;
  matrix._11 = transform.m11;
  matrix._12 = transform.m12;
  matrix._21 = transform.m21;
  matrix._22 = transform.m22;
  matrix._31 = transform.dx;
  matrix._32 = transform.dy;
  return matrix;
}

D2D1_RECT_F to_d2d(const RectF& rect) noexcept { return D2D1::RectF(rect.left, rect.top, rect.right, rect.bottom); }

D2D1_POINT_2F to_d2d(layout::Point point) noexcept { return D2D1::Point2F(point.x, point.y); }

D2D1_ELLIPSE inscribed(const RectF& bounds) noexcept {
  return D2D1::Ellipse(D2D1::Point2F((bounds.left + bounds.right) * 0.5f, (bounds.top + bounds.bottom) * 0.5f),
                       bounds.width() * 0.5f, bounds.height() * 0.5f);
}

// Adds a cubic Bezier as short lines, about one per 3 pixels of its control polygon: Wine's
// Direct2D strokes Bezier segments as straight lines, and short lines look the same everywhere.
void add_flattened_bezier(ID2D1GeometrySink& sink, layout::Point start, const std::array<layout::Point, 3>& controls) {
  const layout::Point p[4] = {start, controls[0], controls[1], controls[2]};
  float length = 0.0f;
  for (int i = 0; i < 3; ++i) length += std::hypot(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
  const int steps = std::clamp(static_cast<int>(std::isfinite(length) ? length / 3.0f : 1.0f), 4, 256);
  for (int i = 1; i <= steps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(steps);
    const float u = 1.0f - t;
    const float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    sink.AddLine(D2D1::Point2F(a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x,
                               a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y));
  }
}

}  // namespace

ID2D1Factory* direct2d_factory() noexcept {
  static ID2D1Factory* const factory = [] {
    ID2D1Factory* made = nullptr;
    if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory), nullptr,
                                 reinterpret_cast<void**>(&made)))) {
      return static_cast<ID2D1Factory*>(nullptr);
    }
    return made;
  }();
  return factory;
}

void Direct2dCanvas::simulate_device_loss() noexcept { thread_cache().simulate_loss = true; }

std::uint64_t Direct2dCanvas::render_targets_created() noexcept { return thread_cache().targets_created; }

std::size_t Direct2dCanvas::cached_bitmaps() noexcept { return thread_cache().bitmaps.size(); }

std::unique_ptr<Direct2dCanvas> Direct2dCanvas::create(HDC target, const RECT& update,
                                                       const ui::graphics::SurfaceFonts& fonts) {
  if (target == nullptr || update.right <= update.left || update.bottom <= update.top) return nullptr;
  ThreadCache& cache = thread_cache();
  if (cache.in_use) return nullptr;
  ID2D1Factory* factory = direct2d_factory();
  if (factory == nullptr) return nullptr;
  if (cache.target == nullptr) {
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
        D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE),
        96.0f, 96.0f, D2D1_RENDER_TARGET_USAGE_NONE, D2D1_FEATURE_LEVEL_DEFAULT);
    if (FAILED(factory->CreateDCRenderTarget(&properties, &cache.target))) return nullptr;
    ++cache.targets_created;
  }
  const HRESULT bound = cache.target->BindDC(target, &update);
  if (FAILED(bound)) {
    if (bound == device_lost) cache.discard();
    return nullptr;
  }
  cache.in_use = true;
  ++cache.uses;
  cache.drop_freed_bitmaps();
  ID2D1DCRenderTarget* render_target = cache.target.Get();
  render_target->SetTransform(to_matrix(Transform::translation(static_cast<float>(-update.left),
                                                               static_cast<float>(-update.top))));
  render_target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  render_target->BeginDraw();
  ComPtr<ID2D1SolidColorBrush> brush;
  if (FAILED(render_target->CreateSolidColorBrush(D2D1::ColorF(0.0f, 0.0f, 0.0f, 1.0f), &brush))) {
    const HRESULT ended = render_target->EndDraw();
    cache.in_use = false;
    if (ended == device_lost) cache.discard();
    return nullptr;
  }
  return std::unique_ptr<Direct2dCanvas>(new Direct2dCanvas(render_target, update, fonts, std::move(brush)));
}

Direct2dCanvas::Direct2dCanvas(ID2D1DCRenderTarget* target, const RECT& update,
                               const ui::graphics::SurfaceFonts& fonts, ComPtr<ID2D1SolidColorBrush> brush)
    : target_(target), update_(update), fonts_(fonts), brush_(std::move(brush)) {}

Direct2dCanvas::~Direct2dCanvas() {
  if (!finished_) end_frame();
}

bool Direct2dCanvas::supports(CanvasFeature) const { return true; }

void Direct2dCanvas::apply_transform() {
  target_->SetTransform(to_matrix(transform_.then(
      Transform::translation(static_cast<float>(-update_.left), static_cast<float>(-update_.top)))));
}

bool Direct2dCanvas::use_color(Color color) {
  if (finished_ || brush_ == nullptr) return false;
  brush_->SetColor(D2D1::ColorF(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, opacity_));
  return true;
}

std::int32_t Direct2dCanvas::save() {
  if (finished_) return 0;
  saved_.push_back(SavedState{transform_, opacity_, pushed_.size()});
  return static_cast<std::int32_t>(std::min<std::size_t>(saved_.size(), INT_MAX));
}

void Direct2dCanvas::restore() {
  if (finished_ || saved_.empty()) return;
  const SavedState state = saved_.back();
  saved_.pop_back();
  unwind_to(state.depth);
  transform_ = state.transform;
  opacity_ = state.opacity;
  apply_transform();
}

void Direct2dCanvas::unwind_to(std::size_t depth) {
  while (pushed_.size() > depth) {
    if (pushed_.back().is_layer) {
      target_->PopLayer();
    } else {
      target_->PopAxisAlignedClip();
    }
    pushed_.pop_back();
  }
}

void Direct2dCanvas::clip_rect(const RectF& rect) {
  if (finished_) return;
  const RectF clip = rect.is_degenerate() ? RectF{} : rect;
  target_->PushAxisAlignedClip(to_d2d(clip), D2D1_ANTIALIAS_MODE_ALIASED);
  pushed_.push_back(Pushed{false});
}

void Direct2dCanvas::set_transform(const Transform& transform) {
  if (finished_ || !transform.is_finite()) return;
  transform_ = transform;
  apply_transform();
}

void Direct2dCanvas::set_opacity(float opacity) { opacity_ = ui::graphics::clamp_opacity(opacity); }

bool Direct2dCanvas::push_opacity_layer(const RectF& bounds, float opacity, std::uint32_t) {
  if (finished_) return false;
  ComPtr<ID2D1Layer> layer;
  if (FAILED(target_->CreateLayer(nullptr, &layer))) {
    failed_ = true;
    return false;
  }
  const RectF area = bounds.is_degenerate() ? RectF{} : bounds;
  target_->PushLayer(D2D1::LayerParameters(to_d2d(area), nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                           D2D1::IdentityMatrix(), ui::graphics::clamp_opacity(opacity)),
                     layer.Get());
  pushed_.push_back(Pushed{true});
  return true;
}

void Direct2dCanvas::pop_opacity_layer() {
  if (finished_) return;
  const auto layer = std::find_if(pushed_.rbegin(), pushed_.rend(), [](const Pushed& item) { return item.is_layer; });
  if (layer == pushed_.rend()) return;
  unwind_to(pushed_.size() - static_cast<std::size_t>(layer - pushed_.rbegin()) - 1);
}

void Direct2dCanvas::clear(Color color) {
  if (finished_) return;
  target_->Clear(D2D1::ColorF(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, 1.0f));
}

void Direct2dCanvas::fill_rect(const RectF& rect, Color color) {
  if (rect.is_degenerate() || !use_color(color)) return;
  target_->FillRectangle(to_d2d(rect), brush_.Get());
}

void Direct2dCanvas::fill_rounded_rect(const RectF& rect, float radius, Color color) {
  if (rect.is_degenerate() || !use_color(color)) return;
  target_->FillRoundedRectangle(D2D1::RoundedRect(to_d2d(rect), radius, radius), brush_.Get());
}

void Direct2dCanvas::stroke_rounded_rect(const RectF& rect, float radius, Color color, float stroke_width) {
  if (rect.is_degenerate() || !use_color(color)) return;
  target_->DrawRoundedRectangle(D2D1::RoundedRect(to_d2d(rect), radius, radius), brush_.Get(), stroke_width);
}

void Direct2dCanvas::fill_ellipse(const RectF& bounds, Color color) {
  if (bounds.is_degenerate() || !use_color(color)) return;
  target_->FillEllipse(inscribed(bounds), brush_.Get());
}

void Direct2dCanvas::stroke_ellipse(const RectF& bounds, Color color, float stroke_width) {
  if (bounds.is_degenerate() || !use_color(color)) return;
  target_->DrawEllipse(inscribed(bounds), brush_.Get(), stroke_width);
}

void Direct2dCanvas::draw_line(layout::Point from, layout::Point to, Color color, float stroke_width) {
  if (!use_color(color)) return;
  target_->DrawLine(to_d2d(from), to_d2d(to), brush_.Get(), stroke_width);
}

bool Direct2dCanvas::open_geometry(ComPtr<ID2D1PathGeometry>& geometry, ComPtr<ID2D1GeometrySink>& sink) {
  ID2D1Factory* factory = direct2d_factory();
  if (factory == nullptr || FAILED(factory->CreatePathGeometry(&geometry)) || FAILED(geometry->Open(&sink))) {
    failed_ = true;
    return false;
  }
  return true;
}

ComPtr<ID2D1PathGeometry> Direct2dCanvas::make_geometry(std::span<const layout::Point> points, bool closed,
                                                        bool filled) {
  ComPtr<ID2D1PathGeometry> geometry;
  ComPtr<ID2D1GeometrySink> sink;
  if (!open_geometry(geometry, sink)) return nullptr;
  sink->BeginFigure(to_d2d(points.front()), filled ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW);
  for (std::size_t i = 1; i < points.size(); ++i) sink->AddLine(to_d2d(points[i]));
  sink->EndFigure(closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
  if (FAILED(sink->Close())) {
    failed_ = true;
    return nullptr;
  }
  return geometry;
}

ComPtr<ID2D1PathGeometry> Direct2dCanvas::make_geometry(const ui::graphics::Path& path, bool nonzero_winding,
                                                        bool filled) {
  ComPtr<ID2D1PathGeometry> geometry;
  ComPtr<ID2D1GeometrySink> sink;
  if (!open_geometry(geometry, sink)) return nullptr;
  sink->SetFillMode(nonzero_winding ? D2D1_FILL_MODE_WINDING : D2D1_FILL_MODE_ALTERNATE);
  for (const auto& figure : path.figures()) {
    if (figure.segments.empty()) continue;
    sink->BeginFigure(to_d2d(figure.start), filled ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW);
    layout::Point from = figure.start;
    for (const auto& segment : figure.segments) {
      if (segment.kind == ui::graphics::Path::SegmentKind::Line) {
        sink->AddLine(to_d2d(segment.points[0]));
      } else {
        add_flattened_bezier(*sink.Get(), from, segment.points);
      }
      from = segment.end();
    }
    sink->EndFigure(figure.closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
  }
  if (FAILED(sink->Close())) {
    failed_ = true;
    return nullptr;
  }
  return geometry;
}

void Direct2dCanvas::draw_polyline(std::span<const layout::Point> points, Color color, float stroke_width) {
  if (points.size() < 2 || !use_color(color)) return;
  if (const auto geometry = make_geometry(points, false, false)) {
    target_->DrawGeometry(geometry.Get(), brush_.Get(), stroke_width);
  }
}

void Direct2dCanvas::fill_triangle(layout::Point a, layout::Point b, layout::Point c, Color color) {
  if (!use_color(color)) return;
  const layout::Point corners[3] = {a, b, c};
  if (const auto geometry = make_geometry(corners, true, true)) target_->FillGeometry(geometry.Get(), brush_.Get());
}

void Direct2dCanvas::stroke_path(const ui::graphics::Path& path, Color color, float stroke_width) {
  if (path.is_empty() || !use_color(color)) return;
  if (const auto geometry = make_geometry(path, true, false)) {
    target_->DrawGeometry(geometry.Get(), brush_.Get(), stroke_width);
  }
}

void Direct2dCanvas::fill_path(const ui::graphics::Path& path, Color color, bool nonzero_winding) {
  if (path.is_empty() || !use_color(color)) return;
  if (const auto geometry = make_geometry(path, nonzero_winding, true)) {
    target_->FillGeometry(geometry.Get(), brush_.Get());
  }
}

void Direct2dCanvas::draw_text(std::wstring_view text, const RectF& layout_rect,
                               const ui::graphics::TextStyle& style) {
  if (finished_ || text.empty() || text.size() > 0xFFFFFFFFull || layout_rect.is_degenerate()) return;
  HFONT font = nullptr;
  if (style.font_slot >= 1 && style.font_slot <= static_cast<int>(fonts_.size())) font = fonts_[style.font_slot - 1];
  const auto key = ui::graphics::TextFormatKey::for_text_style(font, style);
  const auto layout = ui::graphics::TextLayoutCache::for_current_thread().get(
      key, text, layout_rect.width(), layout_rect.height(), style.end_ellipsis);
  if (layout == nullptr) {
    // The frame goes again through GDI, which can still draw this text.
    failed_ = true;
    return;
  }
  if (!use_color(style.color)) return;
  target_->DrawTextLayout(D2D1::Point2F(layout_rect.left, layout_rect.top), layout.Get(), brush_.Get(),
                          D2D1_DRAW_TEXT_OPTIONS_CLIP);
}

void Direct2dCanvas::draw_image(const ui::graphics::Image& image, const RectF& destination, float opacity,
                                bool smooth) {
  if (finished_ || !image.is_valid() || destination.is_degenerate()) return;
  ThreadCache& cache = thread_cache();
  const auto found = std::find_if(cache.bitmaps.begin(), cache.bitmaps.end(), [&](const BitmapEntry& entry) {
    return entry.target == target_ && entry.image_id == image.id() && entry.width == image.width() &&
           entry.height == image.height() && entry.stride == image.stride();
  });
  ID2D1Bitmap* bitmap = nullptr;
  if (found != cache.bitmaps.end()) {
    found->last_use = cache.uses;
    bitmap = found->bitmap.Get();
  } else {
    BitmapEntry entry{target_, image.id(), image.lifetime(), image.width(), image.height(), image.stride(), nullptr,
                      cache.uses};
    const D2D1_BITMAP_PROPERTIES properties = D2D1::BitmapProperties(
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96.0f, 96.0f);
    if (FAILED(target_->CreateBitmap(D2D1::SizeU(image.width(), image.height()), image.pixels().data(),
                                     image.stride(), &properties, &entry.bitmap))) {
      failed_ = true;
      return;
    }
    bitmap = entry.bitmap.Get();
    cache.drop_freed_bitmaps();
    if (cache.bitmaps.size() >= bitmap_cache_capacity) {
      cache.bitmaps.erase(std::min_element(cache.bitmaps.begin(), cache.bitmaps.end(),
                                           [](const BitmapEntry& a, const BitmapEntry& b) {
                                             return a.last_use < b.last_use;
                                           }));
    }
    cache.bitmaps.push_back(std::move(entry));
  }
  const float alpha = ui::graphics::clamp_opacity(ui::graphics::clamp_opacity(opacity) * opacity_);
  target_->DrawBitmap(bitmap, to_d2d(destination), alpha,
                      smooth ? D2D1_BITMAP_INTERPOLATION_MODE_LINEAR : D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                      nullptr);
}

bool Direct2dCanvas::end_frame() {
  if (finished_) return false;
  finished_ = true;
  brush_.Reset();
  unwind_to(0);
  saved_.clear();
  ThreadCache& cache = thread_cache();
  HRESULT result = target_->EndDraw();
  if (cache.simulate_loss) {
    cache.simulate_loss = false;
    result = device_lost;
  }
  if (result == device_lost) cache.discard();
  cache.in_use = false;
  target_ = nullptr;
  return !failed_ && SUCCEEDED(result);
}

}  // namespace win32_ui::modern::detail
