#include "views/preview_view.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "layout/text_style.h"
#include "modern/tree/view_host.h"
#include "ui/animation/animation_clock.h"
#include "theme/palette.h"

namespace orvane::app {

namespace {

using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::RectF;

Color pick(bool dark, Color light_colour, Color dark_colour) { return dark ? dark_colour : light_colour; }

Color palette_colour(const win32_ui::modern::Palette& palette, int index) {
  return Color::from_colorref(palette.colors[static_cast<std::size_t>(index)]);
}

Color backdrop_colour(bool dark) { return pick(dark, Color{0xE2, 0xE8, 0xF0}, Color{0x0F, 0x14, 0x1C}); }

Color blend_towards(Color a, Color b, float share_of_b) {
  const auto channel = [share_of_b](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(x + (y - x) * share_of_b));
  };
  return Color{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

}  // namespace

PreviewView::PreviewView(IconPair placeholder, std::wstring title, std::wstring hint)
    : placeholder_(std::move(placeholder)), title_(std::move(title)), hint_(std::move(hint)) {
  win32_ui::layout::LayoutParams p = layout();
  // Small enough for the window's least size, where the preview takes what the header leaves.
  p.min_width = 320.0f;
  p.min_height = 200.0f;
  set_layout(p);
  // An image to screen readers, named by the application after what it shows.
  set_semantics_role(win32_ui::modern::SemanticsRole::image);
}

void PreviewView::set_image(win32_ui::ui::graphics::Image image) {
  image_ = std::move(image);
  invalidate_visual();
}

void PreviewView::set_busy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  busy_phase_ = 0.0f;
  if (busy_) {
    run_busy_bar();
  } else if (host() != nullptr && host()->animation_clock() != nullptr) {
    host()->animation_clock()->cancel_for_owner(this, false);
  }
  invalidate_visual();
}

// One sweep after another while busy. Without running animations the bar stands still: a clock that
// finishes animations at once would otherwise restart this one forever.
void PreviewView::run_busy_bar() {
  auto* running = host() != nullptr ? host()->animation_clock() : nullptr;
  if (running == nullptr || !running->is_enabled()) return;
  win32_ui::ui::animation::AnimationSpec spec;
  spec.duration = std::chrono::milliseconds(1200);
  spec.easing = static_cast<std::int32_t>(win32_ui::ui::animation::Easing::Linear);
  running->animate_float_for(
      this, 1, 0.0f, 1.0f, spec,
      [this](float value) {
        busy_phase_ = value;
        invalidate_visual();
      },
      [this](win32_ui::ui::animation::CompletionStatus status) {
        if (busy_ && status == win32_ui::ui::animation::CompletionStatus::Finished) run_busy_bar();
      },
      std::chrono::steady_clock::now());
}

void PreviewView::paint_busy_bar(win32_ui::modern::PaintContext& context, const RectF& inner) {
  auto s = [&](float dips) { return context.to_pixels(dips); };
  const RectF track{inner.left, inner.top - s(12), inner.right, inner.top - s(8)};
  const Color accent = palette_colour(*context.palette, win32_ui::modern::Palette::accent);
  context.canvas->fill_rounded_rect(track, s(2), blend_towards(backdrop_colour(context.palette->dark != 0), accent, 0.25f));
  // A third of the track sweeping across it, clipped at both ends.
  const float span = track.width() / 3.0f;
  const float left = track.left - span + (track.width() + span) * busy_phase_;
  const RectF bar{std::max(left, track.left), track.top, std::min(left + span, track.right), track.bottom};
  if (bar.right > bar.left) context.canvas->fill_rounded_rect(bar, s(2), accent);
}

void PreviewView::paint(win32_ui::modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const win32_ui::modern::Palette& palette = *context.palette;
  const bool dark = palette.dark != 0;
  auto s = [&](float dips) { return context.to_pixels(dips); };
  const RectF rect = context.to_pixels(arranged_rect());
  // 1. The backdrop.
  context.canvas->fill_rounded_rect(rect, s(12), backdrop_colour(dark));
  // 2. The picture area, in whole pixels so that a frame of its size lands on them; a new one is
  // reported once this paint is done.
  const float picture_inset = s(20);
  const RectF picture{std::ceil(rect.left + picture_inset), std::ceil(rect.top + picture_inset),
                      std::floor(rect.right - picture_inset), std::floor(rect.bottom - picture_inset)};
  const PixelSize area{picture.right > picture.left ? static_cast<std::uint32_t>(picture.width()) : 0u,
                       picture.bottom > picture.top ? static_cast<std::uint32_t>(picture.height()) : 0u};
  const bool area_changed = area != picture_area_;
  picture_area_ = area;
  paint_content(context, picture);
  if (busy_ && area.width > 0 && area.height > 0) paint_busy_bar(context, picture);
  if (area_changed && area_changed_) area_changed_();
}

void PreviewView::paint_content(win32_ui::modern::PaintContext& context, const RectF& picture) {
  const win32_ui::modern::Palette& palette = *context.palette;
  const bool dark = palette.dark != 0;
  auto s = [&](float dips) { return context.to_pixels(dips); };
  const RectF rect = context.to_pixels(arranged_rect());
  const float inset = image_.is_valid() ? s(20) : s(34);
  const RectF inner = image_.is_valid() ? picture : RectF{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
  if (inner.right <= inner.left || inner.bottom <= inner.top) return;
  // 3. The frame, letterboxed and centred on a soft mat: pixel for pixel when it was rendered for
  // this area (it fits and fills one side), else scaled to fit.
  if (image_.is_valid()) {
    const auto image_width = static_cast<float>(image_.width());
    const auto image_height = static_cast<float>(image_.height());
    const bool rendered_for_area = image_width <= inner.width() && image_height <= inner.height() &&
                                   (inner.width() - image_width < 1.0f || inner.height() - image_height < 1.0f);
    const float scale = rendered_for_area ? 1.0f : std::min(inner.height() / image_height, inner.width() / image_width);
    const float width = image_width * scale;
    const float height = image_height * scale;
    float left = inner.left + (inner.width() - width) / 2.0f;
    float top = inner.top + (inner.height() - height) / 2.0f;
    if (rendered_for_area) {
      left = std::floor(left);
      top = std::floor(top);
    }
    const RectF drawn{left, top, left + width, top + height};
    context.canvas->fill_rounded_rect(RectF{drawn.left - s(7), drawn.top - s(7), drawn.right + s(7), drawn.bottom + s(7)},
                                      s(7), pick(dark, Color{0x94, 0xA3, 0xB8}, Color{0x05, 0x07, 0x0A}));
    context.canvas->draw_image(image_, drawn, 1.0f, !rendered_for_area);
    return;
  }
  // 4. The placeholder with its dashed border.
  context.canvas->fill_rounded_rect(inner, s(16), pick(dark, Color{0xF8, 0xFA, 0xFC}, Color{0x1B, 0x21, 0x2B}));
  const Color dash = palette_colour(palette, win32_ui::modern::Palette::control_border);
  const float line = s(1.5f);
  for (int i = 0; i < 30; i += 2) {
    const float a = inner.left + inner.width() * static_cast<float>(i) / 30.0f;
    const float b = inner.left + inner.width() * static_cast<float>(i + 1) / 30.0f;
    context.canvas->draw_line({a, inner.top}, {b, inner.top}, dash, line);
    context.canvas->draw_line({a, inner.bottom}, {b, inner.bottom}, dash, line);
  }
  for (int i = 0; i < 18; i += 2) {
    const float a = inner.top + inner.height() * static_cast<float>(i) / 18.0f;
    const float b = inner.top + inner.height() * static_cast<float>(i + 1) / 18.0f;
    context.canvas->draw_line({inner.left, a}, {inner.left, b}, dash, line);
    context.canvas->draw_line({inner.right, a}, {inner.right, b}, dash, line);
  }
  const float centre_x = (inner.left + inner.right) / 2.0f;
  const float centre_y = (inner.top + inner.bottom) / 2.0f;
  // 5. The icon.
  const win32_ui::ui::graphics::Image& icon = dark ? placeholder_.dark : placeholder_.light;
  if (icon.is_valid()) {
    const float top = centre_y - s(104);
    context.canvas->draw_image(icon, RectF{centre_x - s(33), top, centre_x + s(33), top + s(66)}, 1.0f, true);
  }
  // 6, 7. Title and hint.
  win32_ui::ui::graphics::TextStyle style;
  style.font_slot = win32_ui::layout::font_slot(win32_ui::layout::TextStyle::title);
  style.color = palette_colour(palette, win32_ui::modern::Palette::text);
  style.horizontal_alignment = 1;
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  context.canvas->draw_text(title_, RectF{inner.left + s(20), centre_y - s(28), inner.right - s(20), centre_y + s(18)}, style);
  style.font_slot = 3;
  style.color = palette_colour(palette, win32_ui::modern::Palette::secondary_text);
  context.canvas->draw_text(hint_, RectF{inner.left + s(20), centre_y + s(20), inner.right - s(20), centre_y + s(54)}, style);
}

}  // namespace orvane::app
