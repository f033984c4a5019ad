#include "modern/widgets/button.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "layout/text_fallback.h"
#include "modern/widgets/glyph_painter.h"
#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::mix;
using ui::graphics::RectF;

RectF inset_by(const RectF& rect, float by) noexcept {
  return RectF{rect.left + by, rect.top + by, rect.right - by, rect.bottom - by};
}

float luminance(Color color) noexcept { return 0.299f * color.r + 0.587f * color.g + 0.114f * color.b; }

}  // namespace

Button::Button(std::uint32_t command_id, std::wstring label, int glyph)
    : Interactive(WidgetRole::button, layout::Size{0.0f, 44.0f}, InteractiveKind::push), glyph_(glyph) {
  set_command_id(command_id);
  set_text(std::move(label));
  set_text_style(layout::TextStyle::button);
}

Button& Button::on_invoked(std::function<void()> callback) {
  add_callback(EventKind::invoked, std::move(callback));
  return *this;
}

Button& Button::set_glyph(int glyph) {
  if (glyph == glyph_) return *this;
  glyph_ = glyph;
  invalidate_layout();
  invalidate_visual();
  return *this;
}

Button& Button::set_icons(ui::graphics::Image light, ui::graphics::Image dark) {
  if (light.id() == icon_light_.id() && dark.id() == icon_dark_.id()) return *this;
  icon_light_ = std::move(light);
  icon_dark_ = std::move(dark);
  scaled_light_ = {};
  scaled_dark_ = {};
  invalidate_layout();
  invalidate_visual();
  return *this;
}

Button& Button::set_icon_size(float size) {
  if (!std::isfinite(size) || !(size > 0.0f) || size == icon_size_) return *this;
  icon_size_ = std::min(size, layout::max_layout_length);
  invalidate_layout();
  invalidate_visual();
  return *this;
}

Button& Button::set_arrangement(ButtonArrangement arrangement) {
  if (arrangement != ButtonArrangement::inline_row && arrangement != ButtonArrangement::stacked) return *this;
  if (arrangement == arrangement_) return *this;
  arrangement_ = arrangement;
  set_preferred_size(layout::Size{0.0f, arrangement == ButtonArrangement::stacked ? 64.0f : 44.0f});
  invalidate_layout();
  invalidate_visual();
  return *this;
}

Button& Button::set_flat(bool flat) {
  if (flat == flat_) return *this;
  flat_ = flat;
  invalidate_layout();
  invalidate_visual();
  return *this;
}

Button& Button::set_filled(bool filled) {
  if (filled == filled_) return *this;
  filled_ = filled;
  invalidate_visual();
  return *this;
}

Button& Button::set_label_alignment(int alignment) {
  if (alignment == label_alignment_) return *this;
  label_alignment_ = alignment;
  invalidate_visual();
  return *this;
}

Button& Button::set_accent(bool accent) {
  if (accent == accent_) return *this;
  accent_ = accent;
  invalidate_visual();
  return *this;
}

Button& Button::set_description(std::wstring description) {
  if (description == description_) return *this;
  description_ = std::move(description);
  invalidate_layout();
  invalidate_visual();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

layout::Size Button::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  const layout::Size text = layout::measure_text(context, label(), text_style());
  const layout::Size preferred = preferred_size();
  float content_width = 0.0f;
  float least_height = preferred.height;
  if (plain()) {
    content_width = text.width + 32.0f;
  } else if (stacked()) {
    const float icon = has_icon_image() ? icon_size_ : 25.0f;
    content_width = std::max(icon, text.width) + 20.0f;
    least_height = std::max(least_height, icon + 7.0f + 4.0f + text.height + 3.0f);
  } else if (!flat_) {
    content_width = text.width + 68.0f;
  } else {
    content_width = has_icon_image() ? text.width + icon_size_ + 20.0f : text.width + 42.0f;
  }
  float width = std::max({content_width, preferred.width, 72.0f});
  if (!description_.empty()) {
    const layout::Size badge = layout::measure_text(context, description_, layout::TextStyle::caption);
    width = std::max({width + 112.0f, badge.width + 124.0f, 192.0f});
    least_height = std::max(least_height, badge.height + 14.0f);
  }
  return clamp_into(layout::Size{width, std::max(text.height, least_height)}, available);
}

Button::StateColors Button::colors(const PaintContext& context) const {
  const Palette& palette = *context.palette;
  auto c = [&](int index) { return palette_color(palette, index); };
  const bool high_contrast = palette.high_contrast != 0;
  const StateColors disabled{c(Palette::hover_fill), c(Palette::pressed_fill), c(Palette::disabled_text)};

  StateColors resting_plain;
  StateColors resting_emphasized;
  StateColors hovered;
  StateColors pressed;
  if (accent_) {
    resting_plain = resting_emphasized = {c(Palette::accent), c(Palette::accent), c(Palette::text_on_accent)};
    hovered = {c(Palette::accent_darker), c(Palette::accent_darker), c(Palette::text_on_accent)};
    pressed = {c(Palette::accent_darkest), c(Palette::accent_darkest), c(Palette::text_on_accent)};
  } else {
    const Color border = emphasized() ? c(Palette::accent) : c(Palette::pressed_fill);
    const Color resting_border = style_color(style_key::button_border_color).value_or(c(Palette::pressed_fill));
    resting_plain = {c(Palette::field_background), resting_border, c(Palette::text)};
    resting_emphasized = {c(Palette::field_background), c(Palette::accent), c(Palette::text)};
    hovered = {c(Palette::field_background_hovered), border, c(Palette::text)};
    pressed = {c(Palette::hover_fill), border, c(Palette::text)};
    if (high_contrast && palette.dark != 0) {
      hovered = pressed = {c(Palette::accent), c(Palette::accent), c(Palette::text_on_accent)};
    }
  }

  if (operable() && !high_contrast) {
    auto blend = [](const StateColors& a, const StateColors& b, float weight) {
      return StateColors{mix(a.background, b.background, weight), mix(a.border, b.border, weight),
                         mix(a.label, b.label, weight)};
    };
    StateColors result = blend(resting_plain, resting_emphasized, state_weight(ui::graphics::drawable_state_emphasized, context));
    result = blend(result, hovered, state_weight(ui::graphics::drawable_state_hovered, context));
    return blend(result, pressed, state_weight(ui::graphics::drawable_state_pressed, context));
  }
  if (!operable()) return disabled;
  if (this->pressed()) return pressed;
  if (this->hovered()) return hovered;
  return emphasized() ? resting_emphasized : resting_plain;
}

void Button::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  auto c = [&](int index) { return palette_color(palette, index); };
  const bool high_contrast = palette.high_contrast != 0;
  const bool dark = palette.dark != 0;
  const bool rtl = context.right_to_left();
  ui::graphics::Canvas& canvas = *context.canvas;

  StateColors colors = this->colors(context);
  if (!filled_) colors.label = c(operable() ? Palette::text : Palette::disabled_text);
  const RectF rect = context.to_pixels(arranged_rect());
  const float radius = context.to_pixels(style_float(style_key::button_corner_radius).value_or(8.0f));
  const float border = std::max(context.to_pixels(style_float(style_key::border_width).value_or(1.0f)), 1.0f);
  const float hover = state_weight(ui::graphics::drawable_state_hovered, context);
  const float press = state_weight(ui::graphics::drawable_state_pressed, context);
  const float emphasis = state_weight(ui::graphics::drawable_state_emphasized, context);
  const float strongest = std::max({hover, press, emphasis});

  // 1. Background and border.
  if (filled_ && (!flat_ || strongest > 0.001f)) {
    Color fill = colors.background;
    if (flat_ && !high_contrast) {
      fill = dark ? mix(c(Palette::window_background), colors.background, strongest)
                  : mix(mix(c(Palette::window_background), c(Palette::field_background_hovered),
                            std::max(emphasis, hover)),
                        c(Palette::hover_fill), press);
    }
    canvas.fill_rounded_rect(rect, radius, fill);
    const RectF inset = inset_by(rect, border * 0.5f);
    if (!flat_) {
      canvas.stroke_rounded_rect(inset, radius, colors.border, border);
    } else if (!dark && !high_contrast) {
      canvas.stroke_rounded_rect(inset, radius,
                                 mix(c(Palette::window_background), c(Palette::pressed_fill), 0.7f * strongest), border);
    }
  }

  // 2. Icon image or glyph.
  if (!plain()) paint_icon(context, colors, border);

  // 3. Label, beside or below the icon and clear of the badge.
  const bool badge = !description_.empty() && rect.width() >= context.to_pixels(192.0f);
  RectF label_rect = rect;
  if (stacked()) {
    const float box = has_icon_image() ? icon_size_ : 25.0f;
    label_rect.top += context.to_pixels(box + 10.0f);
    label_rect.bottom -= context.to_pixels(3.0f);
  } else if (!plain()) {
    const float start = context.to_pixels(flat_ ? (has_icon_image() ? icon_size_ + 12.0f : 34.0f) : 50.0f);
    if (rtl) {
      label_rect.right -= start;
    } else {
      label_rect.left += start;
    }
  }
  if (badge) {
    if (rtl) {
      label_rect.left += context.to_pixels(112.0f);
    } else {
      label_rect.right -= context.to_pixels(112.0f);
    }
  }
  ui::graphics::TextStyle style;
  style.font_slot = layout::font_slot(text_style());
  style.color = colors.label;
  style.horizontal_alignment = (!plain() && !stacked()) ? 0 : label_alignment_;
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  canvas.draw_text(label(), label_rect, style);

  // 4. Description badge.
  if (badge) {
    const float left = rtl ? rect.left + context.to_pixels(10.0f) : rect.right - context.to_pixels(98.0f);
    const RectF badge_rect{left, rect.top + context.to_pixels(7.0f), left + context.to_pixels(88.0f),
                           rect.bottom - context.to_pixels(7.0f)};
    canvas.stroke_rounded_rect(badge_rect, context.to_pixels(7.0f), colors.label, border);
    ui::graphics::TextStyle badge_style = style;
    badge_style.font_slot = layout::font_slot(layout::TextStyle::caption);
    badge_style.horizontal_alignment = 1;
    canvas.draw_text(description_, badge_rect, badge_style);
  }
}

void Button::paint_icon(PaintContext& context, const StateColors& colors, float border) {
  const Palette& palette = *context.palette;
  const bool rtl = context.right_to_left();
  const RectF rect = context.to_pixels(arranged_rect());
  const bool use_dark = palette.high_contrast != 0 ? luminance(colors.label) > 128.0f : palette.dark != 0;
  const bool dark_variant = use_dark ? icon_dark_.is_valid() : !icon_light_.is_valid();
  const ui::graphics::Image& chosen = dark_variant ? icon_dark_ : icon_light_;

  const float box = has_icon_image() ? icon_size_ : (stacked() ? 25.0f : (flat_ ? 20.0f : 22.0f));
  const float side = context.to_pixels(box);
  float left = 0.0f;
  float top = 0.0f;
  if (stacked()) {
    left = (rect.left + rect.right - side) * 0.5f;
    top = rect.top + context.to_pixels(7.0f);
  } else {
    const float near = context.to_pixels(flat_ ? 8.0f : 18.0f);
    left = rtl ? rect.right - near - side : rect.left + near;
    top = (rect.top + rect.bottom - side) * 0.5f;
  }

  if (!chosen.is_valid()) {
    paint_glyph(*context.canvas, glyph_, RectF{left, top, left + side, top + side}, colors.label, 1.5f * border);
    return;
  }
  // Whole pixels, so that the picture stays crisp; a larger picture is scaled down once and kept.
  left = std::round(left);
  top = std::round(top);
  const auto pixels = static_cast<std::uint32_t>(std::max(std::lround(side), 1L));
  const ui::graphics::Image* drawn = &chosen;
  if (pixels < chosen.width() || pixels < chosen.height()) {
    ScaledIcon& cache = dark_variant ? scaled_dark_ : scaled_light_;
    if (cache.source_id != chosen.id() || cache.width != pixels || cache.height != pixels) {
      cache = ScaledIcon{};
      ui::graphics::Image scaled;
      if (chosen.resized(pixels, pixels, scaled) == ui::graphics::image_ok) {
        cache = ScaledIcon{std::move(scaled), chosen.id(), pixels, pixels};
      }
    }
    if (cache.image.is_valid()) drawn = &cache.image;
  }
  const float extent = static_cast<float>(pixels);
  context.canvas->draw_image(*drawn, RectF{left, top, left + extent, top + extent}, 1.0f, true);
}

void Button::paint_focus_ring(PaintContext& context) {
  const RectF inset = inset_by(context.to_pixels(arranged_rect()), context.to_pixels(3.0f));
  context.canvas->stroke_rounded_rect(inset, context.to_pixels(6.0f), focus_color(*context.palette),
                                      focus_width(*context.palette, context.scale));
}

}  // namespace win32_ui::modern
