#include "views/preview_view.h"

#include <algorithm>

#include "layout/text_style.h"
#include "theme/palette.h"

namespace orvane::app {

namespace {

using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::RectF;

Color pick(bool dark, Color light_colour, Color dark_colour) { return dark ? dark_colour : light_colour; }

Color palette_colour(const win32_ui::modern::Palette& palette, int index) {
  return Color::from_colorref(palette.colors[static_cast<std::size_t>(index)]);
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

void PreviewView::paint(win32_ui::modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const win32_ui::modern::Palette& palette = *context.palette;
  const bool dark = palette.dark != 0;
  auto s = [&](float dips) { return context.to_pixels(dips); };
  const RectF rect = context.to_pixels(arranged_rect());
  // 1. The backdrop.
  context.canvas->fill_rounded_rect(rect, s(12), pick(dark, Color{0xE2, 0xE8, 0xF0}, Color{0x0F, 0x14, 0x1C}));
  // 2. The inner area.
  const float inset = image_.is_valid() ? s(20) : s(34);
  const RectF inner{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
  if (inner.right <= inner.left || inner.bottom <= inner.top) return;
  // 3. The frame, letterboxed and centred on a soft mat.
  if (image_.is_valid()) {
    const float scale = std::min(inner.height() / static_cast<float>(image_.height()),
                                 inner.width() / static_cast<float>(image_.width()));
    const float width = static_cast<float>(image_.width()) * scale;
    const float height = static_cast<float>(image_.height()) * scale;
    const float left = inner.left + (inner.width() - width) / 2.0f;
    const float top = inner.top + (inner.height() - height) / 2.0f;
    const RectF drawn{left, top, left + width, top + height};
    context.canvas->fill_rounded_rect(RectF{drawn.left - s(7), drawn.top - s(7), drawn.right + s(7), drawn.bottom + s(7)},
                                      s(7), pick(dark, Color{0x94, 0xA3, 0xB8}, Color{0x05, 0x07, 0x0A}));
    context.canvas->draw_image(image_, drawn, 1.0f, true);
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
