#include "platform/windows/surface_renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "localization/localization_context.h"
#include "modern/tree/paint_context.h"
#include "modern/tree/view_root.h"
#include "platform/windows/native_control_colors.h"
#include "theme/palette.h"

namespace win32_ui::platform::windows {

namespace {

struct FontSpec {
  float points;
  int weight;
};
// The six text styles views measure and paint with.
constexpr std::array<FontSpec, 6> font_specs{{{22.0f, 600}, {15.0f, 600}, {11.0f, 400}, {9.0f, 400}, {11.0f, 600}, {12.0f, 600}}};

}  // namespace

using modern::Palette;

SurfaceRenderer::SurfaceRenderer(modern::ViewRoot& root, const SurfaceGeometry& geometry, const Palette& palette,
                                 const modern::LocalizationContext& localization)
    : root_(root),
      geometry_(geometry),
      palette_(palette),
      localization_(localization),
      mode_(running_under_wine() ? modern::RenderMode::gdi_only : modern::RenderMode::direct2d_first) {
  fonts_.fill(nullptr);
  make_measurer();
}

void SurfaceRenderer::rebuild_fonts() {
  for (std::size_t i = 0; i < font_specs.size(); ++i) {
    const int height = -static_cast<int>(std::lround(font_specs[i].points * geometry_.ui_scale * geometry_.dpi / 72.0f));
    font_owners_[i].reset(CreateFontW(height, 0, 0, 0, font_specs[i].weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
    fonts_[i] = font_owners_[i].get();
  }
}

// Text is measured the way it will be painted: GDI's layout differs from DirectWrite's by a few
// pixels per word, enough to cut a label that was measured to fit.
void SurfaceRenderer::make_measurer() {
  measurer_.emplace(fonts_, geometry_.dpi, geometry_.ui_scale,
                    mode_ == modern::RenderMode::gdi_only ? &ui::graphics::measure_text_with_gdi
                                                          : &ui::graphics::measure_text);
}

void SurfaceRenderer::rebuild_field_brush() {
  field_brush_.reset(CreateSolidBrush(palette_.colors[Palette::field_background]));
}

bool SurfaceRenderer::set_mode(modern::RenderMode mode) {
  if (mode == mode_) return false;
  mode_ = mode;
  make_measurer();
  return true;
}

HBRUSH SurfaceRenderer::control_colors(HWND control, HDC dc) const {
  if (field_brush_ == nullptr || !set_native_control_colors(geometry_.window, control, dc, palette_)) return nullptr;
  return field_brush_.get();
}

void SurfaceRenderer::paint_frame() {
  const HWND window = geometry_.window;
  if (window == nullptr) return;  // the layout before it may have run a handler that closed the window
  std::chrono::steady_clock::time_point started;
  modern::FrameOutcome outcome;
  {
    const PaintDc paint(window);
    const HDC dc = paint.get();
    if (dc == nullptr) return;
    const float s = geometry_.scale();
    const float scroll = geometry_.scroll_offset;
    RECT update = paint.update_rect();
    const bool whole = root_.whole_surface_dirty() || root_.root() == nullptr;
    if (!whole && root_.dirty()) {
      // The views' dirty rectangle joins what Windows asked for (a window dragged across ours).
      RECT pixels = geometry_.covering_pixels(root_.dirty_rect());
      const RECT client = geometry_.client_rect();
      IntersectRect(&pixels, &pixels, &client);
      UnionRect(&update, &update, &pixels);
    }
    if (IsRectEmpty(&update)) return;
    started = std::chrono::steady_clock::now();
    const ui::graphics::Color background = ui::graphics::Color::from_colorref(palette_.colors[Palette::window_background]);
    // The clip is the whole update rectangle in content DIPs, so every view that touches it repaints.
    const layout::Rect clip_dips{static_cast<float>(update.left) / s, static_cast<float>(update.top) / s + scroll,
                                 static_cast<float>(update.right - update.left) / s,
                                 static_cast<float>(update.bottom - update.top) / s};
    outcome = modern::paint_frame(dc, update, fonts_, mode_, [&](ui::graphics::Canvas& canvas) {
      const ui::graphics::RectF clip_pixels{static_cast<float>(update.left), static_cast<float>(update.top),
                                            static_cast<float>(update.right), static_cast<float>(update.bottom)};
      canvas.save();
      canvas.clip_rect(clip_pixels);
      canvas.fill_rect(clip_pixels, background);
      if (modern::View* root = root_.root()) {
        modern::PaintContext context = modern::PaintContext::for_canvas(canvas, geometry_.dpi / 96.0f, geometry_.ui_scale);
        context.palette = &palette_;
        context.scroll_offset = scroll;
        context.text_direction = localization_.is_right_to_left() ? 1 : 0;
        context.hovered_view = root_.hovered(1);
        context.pressed_view = root_.captured(1);
        context.focused_view = root_.focused();
        context.focus_visible = root_.focus_visible();
        if (!whole) context.dirty_region = clip_dips;
        context.transform = ui::graphics::Transform::translation(0.0f, -scroll * context.scale);
        canvas.set_transform(context.transform);
        modern::paint_view(*root, context);
      }
      canvas.restore();
    });
    if (!outcome.success) {
      const GdiObject<HBRUSH> brush(CreateSolidBrush(palette_.colors[Palette::window_background]));
      if (brush != nullptr) FillRect(dc, &update, brush.get());
    }
    last_backend_ = !outcome.success ? modern::FrameBackend::none
                    : outcome.software ? modern::FrameBackend::gdi
                                       : modern::FrameBackend::direct2d;
  }
  last_frame_ok_ = outcome.success;
  if (statistics_enabled_) {
    statistics_.last_started = started;
    count_frame(outcome, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
  }
}

void SurfaceRenderer::count_frame(const modern::FrameOutcome& outcome, double milliseconds) {
  ++statistics_.frames;
  if (outcome.success) {
    ++statistics_.successes;
  } else {
    ++statistics_.failures;
  }
  if (outcome.attempts > 1) ++statistics_.second_attempts;
  statistics_.last_attempts = outcome.attempts;
  statistics_.last_milliseconds = milliseconds;
  statistics_.last_present_milliseconds = outcome.present_milliseconds;
  statistics_.last_invalidated = geometry_.last_invalidated;
  statistics_.total_milliseconds += milliseconds;
  statistics_.longest_milliseconds = std::max(statistics_.longest_milliseconds, milliseconds);
}

}  // namespace win32_ui::platform::windows
