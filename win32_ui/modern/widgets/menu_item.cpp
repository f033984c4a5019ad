#include "modern/widgets/menu_item.h"

#include <algorithm>
#include <utility>

#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::mix;
using ui::graphics::RectF;

}  // namespace

MenuItem::MenuItem(std::uint32_t command_id, std::wstring label, bool checked)
    : Interactive(WidgetRole::button, layout::Size{0.0f, 40.0f}, InteractiveKind::push) {
  set_command_id(command_id);
  set_text(std::move(label));
  set_checked(checked);
}

MenuItem& MenuItem::on_invoked(std::function<void()> callback) {
  add_callback(EventKind::invoked, std::move(callback));
  return *this;
}

MenuItem& MenuItem::set_menu_kind(MenuItemKind kind) {
  if (kind == menu_kind_) return *this;
  menu_kind_ = kind;
  invalidate_visual();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

MenuItem& MenuItem::set_shortcut(std::wstring shortcut) {
  if (shortcut == shortcut_) return *this;
  shortcut_ = std::move(shortcut);
  invalidate_visual();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

void MenuItem::describe(SemanticsNode& node) {
  Interactive::describe(node);
  if (!shortcut_.empty()) {
    if (!node.help_text.empty()) node.help_text += L"\uFF1B";
    node.help_text += L"\u5FEB\u6377\u952E " + shortcut_;  // "快捷键 "
  }
  switch (menu_kind_) {
    case MenuItemKind::command:
      node.role = static_cast<std::int32_t>(SemanticsRole::button);
      break;
    case MenuItemKind::check:
      node.role = static_cast<std::int32_t>(SemanticsRole::check_box);
      node.has_toggle = true;
      node.toggled = checked();
      break;
    case MenuItemKind::radio:
      node.role = static_cast<std::int32_t>(SemanticsRole::radio_button);
      node.has_toggle = true;
      node.toggled = checked();
      break;
  }
}

bool MenuItem::high_contrast_highlight(const PaintContext& context) const noexcept {
  return context.palette->high_contrast != 0 && operable() && (hovered() || pressed() || focused());
}

void MenuItem::paint(PaintContext& context) {
  if (context.palette == nullptr) return;
  const Palette& palette = *context.palette;
  auto c = [&](int index) { return palette_color(palette, index); };
  const bool high_contrast = palette.high_contrast != 0;
  const bool rtl = context.right_to_left();
  ui::graphics::Canvas& canvas = *context.canvas;
  const RectF rect = context.to_pixels(arranged_rect());
  const float row_radius = context.to_pixels(7.0f);
  const float checked_weight = state_weight(ui::graphics::drawable_state_checked, context);
  const float hover = state_weight(ui::graphics::drawable_state_hovered, context);
  const float press = state_weight(ui::graphics::drawable_state_pressed, context);

  // 1. The row highlight.
  const bool highlight = high_contrast_highlight(context);
  Color label_color = c(operable() ? Palette::text : Palette::disabled_text);
  Color shortcut_color = c(Palette::secondary_text);
  if (highlight) {
    canvas.fill_rounded_rect(rect, row_radius, c(Palette::accent));
    label_color = c(Palette::text_on_accent);
    shortcut_color = label_color;
  } else if (high_contrast) {
    if (checked()) canvas.fill_rounded_rect(rect, row_radius, c(Palette::accent_tint));
    shortcut_color = label_color;
  } else if (checked_weight > 0.001f || hover > 0.001f || press > 0.001f || focused()) {
    Color fill = mix(c(Palette::field_background), c(Palette::accent_tint), checked_weight);
    fill = mix(fill, c(Palette::field_background_hovered), std::max(hover, focused() ? 1.0f : 0.0f));
    fill = mix(fill, c(Palette::hover_fill), press);
    canvas.fill_rounded_rect(rect, row_radius, fill);
  }

  // 2. The indicator.
  const bool has_indicator = menu_kind_ != MenuItemKind::command;
  const float centre_y = (rect.top + rect.bottom) * 0.5f;
  auto from_start = [&](float offset) { return rtl ? rect.right - offset : rect.left + offset; };
  if (menu_kind_ == MenuItemKind::check) {
    const float half = context.to_pixels(8.0f);
    const float cx = from_start(context.to_pixels(24.0f));
    const RectF box{cx - half, centre_y - half, cx + half, centre_y + half};
    const Color accent = highlight ? label_color : c(Palette::accent);
    const float radius = context.to_pixels(3.0f);
    if (checked()) canvas.fill_rounded_rect(box, radius, accent);
    canvas.stroke_rounded_rect(box, radius, checked() || highlight ? accent : c(Palette::control_border),
                               std::max(context.to_pixels(1.2f), 1.0f));
    if (checked()) {
      ui::graphics::TextStyle mark;
      mark.font_slot = layout::font_slot(layout::TextStyle::body);
      mark.color = highlight ? c(Palette::accent) : c(Palette::text_on_accent);
      mark.horizontal_alignment = 1;
      mark.vertical_alignment = 1;
      mark.single_line = true;
      canvas.draw_text(L"\u2713", box, mark);
    }
  } else if (menu_kind_ == MenuItemKind::radio) {
    const float radius = context.to_pixels(7.0f);
    const float cx = from_start(context.to_pixels(20.0f));
    const Color ring = highlight ? label_color : mix(c(Palette::control_border), c(Palette::accent), checked_weight);
    canvas.stroke_ellipse(RectF{cx - radius, centre_y - radius, cx + radius, centre_y + radius}, ring,
                          std::max(context.to_pixels(1.3f), 1.0f));
    if (checked_weight > 0.5f) {
      const float dot = context.to_pixels(3.5f);
      canvas.fill_ellipse(RectF{cx - dot, centre_y - dot, cx + dot, centre_y + dot},
                          highlight ? label_color : c(Palette::accent));
    }
  }

  // 3. The shortcut column, then the label before it.
  const float label_start = context.to_pixels(has_indicator ? 40.0f : 16.0f);
  float label_end = 0.0f;
  ui::graphics::TextStyle style;
  style.font_slot = layout::font_slot(layout::TextStyle::body);
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  if (!shortcut_.empty()) {
    const float column = std::min(std::max(0.48f * rect.width(), context.to_pixels(76.0f)), context.to_pixels(120.0f));
    const float column_end = context.to_pixels(14.0f);
    const RectF shortcut_rect = rtl ? RectF{rect.left + column_end, rect.top, rect.left + column_end + column, rect.bottom}
                                    : RectF{rect.right - column_end - column, rect.top, rect.right - column_end, rect.bottom};
    ui::graphics::TextStyle shortcut_style = style;
    shortcut_style.color = checked_weight > 0.001f || hover > 0.001f || focused() ? label_color : shortcut_color;
    shortcut_style.horizontal_alignment = 2;
    canvas.draw_text(shortcut_, shortcut_rect, shortcut_style);
    label_end = column_end + column + context.to_pixels(8.0f);
  }
  style.color = label_color;
  style.horizontal_alignment = 0;
  const RectF label_rect = rtl ? RectF{rect.left + label_end, rect.top, rect.right - label_start, rect.bottom}
                               : RectF{rect.left + label_start, rect.top, rect.right - label_end, rect.bottom};
  canvas.draw_text(label(), label_rect, style);
}

void MenuItem::paint_focus_ring(PaintContext& context) {
  const RectF rect = context.to_pixels(arranged_rect());
  const float inset = context.to_pixels(2.0f);
  const Color color = high_contrast_highlight(context) ? palette_color(*context.palette, Palette::text_on_accent)
                                                       : focus_color(*context.palette);
  context.canvas->stroke_rounded_rect(RectF{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset},
                                      context.to_pixels(6.0f), color, focus_width(*context.palette, context.scale));
}

}  // namespace win32_ui::modern
