#include "modern/widgets/display_widgets.h"

#include <algorithm>
#include <utility>

#include "layout/text_fallback.h"
#include "modern/widgets/glyph_painter.h"
#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::RectF;

}  // namespace

// --- Text

Text::Text(LocalizedText text, layout::TextStyle text_style, layout::Size preferred_size)
    : Widget(WidgetRole::text, preferred_size) {
  set_text(std::move(text));
  set_text_style(text_style);
}

Text::Text(std::wstring text, layout::TextStyle text_style, layout::Size preferred_size)
    : Text(LocalizedText::literal(std::move(text)), text_style, preferred_size) {}

layout::Size Text::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  const layout::Size text = label().empty() ? layout::Size{} : layout::measure_text(context, label(), text_style());
  const layout::Size preferred = preferred_size();
  return clamp_into(layout::Size{std::max(preferred.width, text.width), std::max(preferred.height, text.height)},
                    available);
}

void Text::paint(PaintContext& context) {
  if (context.palette == nullptr || label().empty()) return;
  const layout::Rect content = content_rect();
  ui::graphics::TextStyle style;
  style.font_slot = layout::font_slot(text_style());
  style.color = palette_color(*context.palette, enabled() ? Palette::text : Palette::disabled_text);
  style.horizontal_alignment = 0;
  style.vertical_alignment = 1;
  style.single_line = !(text_style() == layout::TextStyle::body && content.height >= 44.0f);
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  context.canvas->draw_text(label(), context.to_pixels(content), style);
}

// --- Icon

Icon::Icon(int glyph) : Widget(WidgetRole::image, layout::Size{32.0f, 32.0f}), glyph_(glyph) {}

Icon& Icon::set_glyph(int glyph) {
  if (glyph == glyph_) return *this;
  glyph_ = glyph;
  invalidate_visual();
  return *this;
}

void Icon::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Color color = palette_color(*context.palette, enabled() ? Palette::text : Palette::disabled_text);
  paint_glyph(*context.canvas, glyph_, context.to_pixels(arranged_rect()), color,
              1.5f * std::max(context.scale, 1.0f));
}

// --- Card

Card::Card() : Widget(WidgetRole::group, layout::Size{}) {
  // Only a background: the panel that lays the card's content out says what the content is.
  set_semantics_hidden(true);
}

void Card::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  const bool high_contrast = palette.high_contrast != 0;
  const float radius = context.to_pixels(style_float(style_key::card_corner_radius).value_or(10.0f));
  const float border = std::max(context.to_pixels(style_float(style_key::border_width).value_or(1.0f)), 1.0f);

  // The resting border sits between the pressed fill and the field background.
  const Color pressed = palette_color(palette, Palette::pressed_fill);
  const Color field = palette_color(palette, Palette::field_background);
  const int w1 = palette.dark != 0 ? 160 : 142;
  const int w2 = 255 - w1;
  auto channel = [&](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>((a * w1 + b * w2 + 127) / 255);
  };
  Color border_color{channel(pressed.r, field.r), channel(pressed.g, field.g), channel(pressed.b, field.b)};
  if (const auto custom = style_color(style_key::card_border_color)) border_color = *custom;
  if (high_contrast) border_color = pressed;

  const float emphasis = state_weight(ui::graphics::drawable_state_emphasized, context);
  const RectF rect = context.to_pixels(arranged_rect());
  context.canvas->fill_rounded_rect(rect, radius,
                                    ui::graphics::mix(field, palette_color(palette, Palette::accent_tint), emphasis));
  const float half = border * 0.5f;
  const RectF inset{rect.left + half, rect.top + half, rect.right - half, rect.bottom - half};
  context.canvas->stroke_rounded_rect(
      inset, radius, ui::graphics::mix(border_color, palette_color(palette, Palette::accent), emphasis), border);
}

}  // namespace win32_ui::modern
