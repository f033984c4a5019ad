#include "views/color_field.h"

#include <algorithm>
#include <cwchar>

#include "command_ids.h"
#include "modern/tree/paint_context.h"
#include "theme/palette.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::RectF;

}  // namespace

std::wstring hex_color_text(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  wchar_t text[8] = {};
  std::swprintf(text, 8, L"#%02X%02X%02X", static_cast<unsigned>(red), static_cast<unsigned>(green),
                static_cast<unsigned>(blue));
  return text;
}

ColorField::ColorField(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
    : Interactive(modern::WidgetRole::button, win32_ui::layout::Size{0.0f, 32.0f}, modern::InteractiveKind::push),
      red_(red),
      green_(green),
      blue_(blue) {
  set_command_id(command_number(CommandId::color));
  set_text(hex_color_text(red, green, blue));
}

ColorField& ColorField::set_color(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  if (red == red_ && green == green_ && blue == blue_) return *this;
  red_ = red;
  green_ = green;
  blue_ = blue;
  set_text(hex_color_text(red, green, blue));
  invalidate_visual();
  return *this;
}

ColorField& ColorField::on_invoked(std::function<void()> action) {
  add_event_handler(modern::EventKind::invoked, [action = std::move(action)](modern::Event&) {
    if (action) action();
  });
  return *this;
}

void ColorField::paint(modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const modern::Palette& palette = *context.palette;
  auto c = [&](int index) { return modern::palette_color(palette, index); };
  auto s = [&](float dips) { return context.to_pixels(dips); };
  const std::uint32_t state = drawable_state();
  const bool pressed = press_active() || (state & win32_ui::ui::graphics::drawable_state_pressed) != 0;
  const bool hovered = (state & win32_ui::ui::graphics::drawable_state_hovered) != 0;
  // 1. The colours of the state; a high-contrast dark palette marks hover and press with the accent.
  int fill = modern::Palette::field_background;
  int border = modern::Palette::pressed_fill;
  int text = modern::Palette::text;
  if (!enabled()) {
    fill = modern::Palette::hover_fill;
    text = modern::Palette::disabled_text;
  } else if ((pressed || hovered) && palette.high_contrast != 0 && palette.dark != 0) {
    fill = modern::Palette::accent;
    border = modern::Palette::accent;
    text = modern::Palette::text_on_accent;
  } else if (pressed) {
    fill = modern::Palette::hover_fill;
  } else if (hovered) {
    fill = modern::Palette::field_background_hovered;
  }
  // 2. The field.
  const RectF rect = context.to_pixels(arranged_rect());
  context.canvas->fill_rounded_rect(rect, s(7), c(fill));
  context.canvas->stroke_rounded_rect(rect, s(7), c(border), s(1));
  // 3. The swatch.
  const float side = s(19);
  const float top = (rect.top + rect.bottom - side) / 2.0f;
  const RectF swatch{rect.left + s(10), top, rect.left + s(10) + side, top + side};
  context.canvas->fill_rounded_rect(swatch, s(3), Color{red_, green_, blue_});
  context.canvas->stroke_rounded_rect(swatch, s(3), c(modern::Palette::control_border), s(1));
  // 4. The hex text.
  win32_ui::ui::graphics::TextStyle style;
  style.font_slot = 2;
  style.color = c(text);
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  const RectF text_box{swatch.right + s(10), rect.top, std::max(swatch.right + s(10), rect.right - s(10)), rect.bottom};
  context.canvas->draw_text(label(), text_box, style);
}

void ColorField::paint_focus_ring(modern::PaintContext& context) {
  // On the field's own outline rather than the common ring outside it.
  context.canvas->stroke_rounded_rect(context.to_pixels(arranged_rect()), context.to_pixels(7.0f),
                                      modern::focus_color(*context.palette),
                                      modern::focus_width(*context.palette, context.scale));
}

}  // namespace orvane::app
