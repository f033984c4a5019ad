#include "modern/widgets/check_box.h"

#include <algorithm>
#include <array>
#include <utility>

#include "layout/text_fallback.h"
#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::mix;
using ui::graphics::RectF;

}  // namespace

CheckBox::CheckBox(std::uint32_t command_id, std::wstring label, bool checked)
    : Interactive(WidgetRole::check_box, layout::Size{0.0f, 32.0f}, InteractiveKind::toggle) {
  set_command_id(command_id);
  set_text(std::move(label));
  set_checked(checked);
}

CheckBox& CheckBox::on_checked_changed(std::function<void(bool)> callback) {
  add_callback(EventKind::checked_changed, &Event::checked, std::move(callback));
  return *this;
}

layout::Size CheckBox::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  const layout::Size text = layout::measure_text(context, label(), text_style());
  const layout::Size preferred = preferred_size();
  return clamp_into(layout::Size{std::max(preferred.width, text.width + 28.0f), std::max(text.height, preferred.height)},
                    available);
}

void CheckBox::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  auto c = [&](int index) { return palette_color(palette, index); };
  const bool rtl = context.right_to_left();
  ui::graphics::Canvas& canvas = *context.canvas;
  const RectF rect = context.to_pixels(arranged_rect());
  const float side = context.to_pixels(20.0f);
  const float left = rtl ? rect.right - side : rect.left;
  const float top = (rect.top + rect.bottom - side) * 0.5f;
  const RectF box{left, top, left + side, top + side};

  const float checked_weight = state_weight(ui::graphics::drawable_state_checked, context);
  Color fill = mix(c(Palette::field_background), c(Palette::accent), checked_weight);
  if (operable() && palette.high_contrast == 0) {
    fill = mix(fill, c(Palette::field_background_hovered),
               0.12f * state_weight(ui::graphics::drawable_state_hovered, context));
  }
  const float radius = context.to_pixels(4.0f);
  canvas.fill_rounded_rect(box, radius, fill);
  const float stroke = std::max(context.to_pixels(1.0f), 1.0f);
  const float half = stroke * 0.5f;
  canvas.stroke_rounded_rect(RectF{box.left + half, box.top + half, box.right - half, box.bottom - half}, radius,
                             mix(c(Palette::control_border), c(Palette::accent), checked_weight), stroke);
  if (checked_weight > 0.5f) {
    auto at = [&](float x, float y) { return layout::Point{box.left + context.to_pixels(x), box.top + context.to_pixels(y)}; };
    const std::array<layout::Point, 3> mark{at(5.0f, 10.0f), at(9.0f, 14.0f), at(16.0f, 6.0f)};
    canvas.draw_polyline(mark, c(Palette::text_on_accent), context.to_pixels(2.0f));
  }

  const float gap = side + context.to_pixels(8.0f);
  const RectF text_rect = rtl ? RectF{rect.left, rect.top, rect.right - gap, rect.bottom}
                              : RectF{rect.left + gap, rect.top, rect.right, rect.bottom};
  ui::graphics::TextStyle style;
  style.font_slot = layout::font_slot(layout::TextStyle::body);
  style.color = c(operable() ? Palette::text : Palette::disabled_text);
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  canvas.draw_text(label(), text_rect, style);
}

}  // namespace win32_ui::modern
