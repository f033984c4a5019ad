#include "modern/widgets/slider.h"

#include <algorithm>
#include <utility>

#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::RectF;

}  // namespace

Slider::Slider(std::uint32_t command_id, float value)
    : Interactive(WidgetRole::slider, layout::Size{160.0f, 30.0f}, InteractiveKind::range) {
  set_command_id(command_id);
  set_value(value);
}

Slider& Slider::on_value_changed(std::function<void(float)> callback) {
  add_callback(EventKind::value_changed, &Event::value, std::move(callback));
  return *this;
}

void Slider::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  auto c = [&](int index) { return palette_color(palette, index); };
  const bool rtl = context.right_to_left();
  ui::graphics::Canvas& canvas = *context.canvas;
  const RectF rect = context.to_pixels(arranged_rect());
  const float start = rect.left + context.to_pixels(8.0f);
  const float end = rect.right - context.to_pixels(8.0f);
  const float centre = (rect.top + rect.bottom) * 0.5f;
  const float half_track = context.to_pixels(2.0f);
  const float radius = context.to_pixels(2.0f);
  canvas.fill_rounded_rect(RectF{start, centre - half_track, end, centre + half_track}, radius, c(Palette::hover_fill));

  const float thumb = rtl ? end - (end - start) * value() : start + (end - start) * value();
  const Color active = c(operable() ? Palette::accent : Palette::control_border);
  const RectF filled = rtl ? RectF{thumb, centre - half_track, end, centre + half_track}
                           : RectF{start, centre - half_track, thumb, centre + half_track};
  if (!filled.is_degenerate()) canvas.fill_rounded_rect(filled, radius, active);

  const float diameter = context.to_pixels(16.0f + 2.0f * state_weight(ui::graphics::drawable_state_hovered, context) +
                                           2.0f * state_weight(ui::graphics::drawable_state_pressed, context));
  const RectF knob{thumb - diameter * 0.5f, centre - diameter * 0.5f, thumb + diameter * 0.5f, centre + diameter * 0.5f};
  canvas.fill_ellipse(knob, c(Palette::field_background));
  canvas.stroke_ellipse(knob, active, std::max(context.to_pixels(1.0f), 1.0f));
}

}  // namespace win32_ui::modern
