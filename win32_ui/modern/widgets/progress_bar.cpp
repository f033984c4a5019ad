#include "modern/widgets/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "theme/palette.h"

namespace win32_ui::modern {

using ui::graphics::RectF;

ProgressBar::ProgressBar() : Widget(WidgetRole::progress_bar, layout::Size{120.0f, 20.0f}) {}

ProgressBar& ProgressBar::set_value(double value) {
  const double clamped = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
  // Whole percents: a finer change neither shows nor is worth telling a screen reader.
  if (std::lround(clamped * 100.0) == std::lround(value_ * 100.0)) {
    value_ = clamped;
    return *this;
  }
  value_ = clamped;
  invalidate_visual();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

void ProgressBar::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  const RectF rect = context.to_pixels(arranged_rect());
  const float centre = (rect.top + rect.bottom) * 0.5f;
  const float half = context.to_pixels(3.0f);
  const RectF track{rect.left, centre - half, rect.right, centre + half};
  if (track.is_degenerate()) return;
  context.canvas->fill_rounded_rect(track, half, palette_color(palette, Palette::hover_fill));
  const float width = (track.right - track.left) * static_cast<float>(value_);
  if (width <= 0.0f) return;
  const RectF filled = context.right_to_left() ? RectF{track.right - width, track.top, track.right, track.bottom}
                                               : RectF{track.left, track.top, track.left + width, track.bottom};
  context.canvas->fill_rounded_rect(filled, half,
                                    palette_color(palette, enabled() ? Palette::accent : Palette::control_border));
}

void ProgressBar::describe(SemanticsNode& node) {
  Widget::describe(node);
  node.has_range = true;
  node.read_only = true;
  node.range_minimum = 0.0;
  node.range_maximum = 100.0;
  node.range_value = std::round(value_ * 100.0);
  node.range_step = 0.0;
}

}  // namespace win32_ui::modern
