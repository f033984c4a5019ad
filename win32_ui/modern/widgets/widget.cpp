#include "modern/widgets/widget.h"

#include <algorithm>
#include <cmath>

#include "localization/localization_context.h"
#include "modern/tree/view_group.h"
#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

float clamp_axis(float value, float low, float high) noexcept {
  if (high < value) value = high;
  if (!(value >= low)) value = low;
  return value;
}

template <typename Value>
void set_override(std::vector<std::pair<std::uint64_t, Value>>& list, std::uint64_t key, const Value& value) {
  for (auto& entry : list) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  list.emplace_back(key, value);
}

}  // namespace

Widget::Widget(WidgetRole role, layout::Size preferred_size)
    : role_(role),
      preferred_size_{layout::finite_length(preferred_size.width), layout::finite_length(preferred_size.height)} {
  // Texts, statuses and pictures have no interaction states to fade.
  const auto value = static_cast<std::int32_t>(role);
  if (role != WidgetRole::text && role != WidgetRole::status && value <= 8) set_animate_interactions(true);
}

Widget& Widget::set_text(LocalizedText source) {
  // The same text again costs nothing: a status refreshed with every preview frame must not lay the
  // window out and repaint it whole each time.
  if (label_from_source_ && source == source_) return *this;
  label_from_source_ = true;
  if (source.kind == LocalizedText::Kind::Literal) label_ = source.text;
  source_ = std::move(source);
  invalidate_layout();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

Widget& Widget::set_text_style(layout::TextStyle style) {
  if (style == text_style_) return *this;
  text_style_ = style;
  invalidate_layout();
  return *this;
}

Widget& Widget::set_command_id(std::uint32_t id) {
  if (id == command_id_) return *this;
  command_id_ = id;
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

Widget& Widget::set_tooltip(std::wstring tooltip) {
  if (tooltip == tooltip_) return *this;
  tooltip_ = std::move(tooltip);
  // The surface gathers its tooltip tools after each layout.
  if (host() != nullptr) host()->invalidate_layout();
  return *this;
}

Widget& Widget::set_cursor_kind(CursorKind kind) {
  cursor_kind_ = kind;
  return *this;
}

void Widget::update_localized_text(const LocalizationContext& context) {
  if (!label_from_source_) return;
  std::wstring resolved = context.resolve(source_);
  if (resolved == label_) return;
  label_ = std::move(resolved);
  invalidate_layout();
  if (host() != nullptr) host()->notify_semantics_changed();
}

Widget& Widget::set_style_float(std::uint64_t key, float value) {
  if (!std::isfinite(value)) {
    std::erase_if(float_overrides_, [key](const auto& entry) { return entry.first == key; });
  } else {
    set_override(float_overrides_, key, value);
  }
  invalidate_visual();
  return *this;
}

Widget& Widget::set_style_color(std::uint64_t key, ui::graphics::Color color) {
  set_override(color_overrides_, key, color);
  invalidate_visual();
  return *this;
}

std::optional<float> Widget::style_float(std::uint64_t key) const noexcept {
  for (const auto& [k, v] : float_overrides_) {
    if (k == key) return v;
  }
  return std::nullopt;
}

std::optional<ui::graphics::Color> Widget::style_color(std::uint64_t key) const noexcept {
  for (const auto& [k, v] : color_overrides_) {
    if (k == key) return v;
  }
  return std::nullopt;
}

void Widget::describe(SemanticsNode& node) {
  node.id = id();
  node.role = static_cast<std::int32_t>(semantics_role_for(role_));
  node.name = accessible_name().value_or(label_);
  node.help_text = accessible_description();
  node.enabled = enabled();
  node.control_element = control_element_override().value_or(role_ != WidgetRole::group && role_ != WidgetRole::image);
  if (focusable()) node.actions |= semantics_action_focus;
}

layout::Size Widget::measure_content(const layout::Constraints& available, layout::LayoutContext&) {
  return clamp_into(preferred_size_, available);
}

void Widget::set_preferred_size(layout::Size size) {
  const layout::Size finite{layout::finite_length(size.width), layout::finite_length(size.height)};
  if (finite == preferred_size_) return;
  preferred_size_ = finite;
  invalidate_layout();
}

float Widget::state_weight(std::uint32_t state_bit, const PaintContext& context) const noexcept {
  if (context.palette != nullptr && context.palette->high_contrast != 0) {
    return (drawable_state() & state_bit) != 0 ? 1.0f : 0.0f;
  }
  return interaction_progress(state_bit);
}

void update_localized_texts(View& root, const LocalizationContext& context) {
  if (auto* widget = dynamic_cast<Widget*>(&root)) widget->update_localized_text(context);
  if (auto* group = dynamic_cast<ViewGroup*>(&root)) {
    for (const auto& child : group->children()) update_localized_texts(*child, context);
  }
}

Widget* find_widget_by_command(View& root, std::uint32_t command_id) noexcept {
  if (auto* widget = dynamic_cast<Widget*>(&root); widget != nullptr && widget->command_id() == command_id) return widget;
  if (auto* group = dynamic_cast<ViewGroup*>(&root)) {
    for (const auto& child : group->children()) {
      if (Widget* found = find_widget_by_command(*child, command_id)) return found;
    }
  }
  return nullptr;
}

SemanticsRole semantics_role_for(WidgetRole role) noexcept {
  switch (role) {
    case WidgetRole::group: return SemanticsRole::group;
    case WidgetRole::text: return SemanticsRole::text;
    case WidgetRole::button: return SemanticsRole::button;
    case WidgetRole::toggle_switch: return SemanticsRole::toggle_switch;
    case WidgetRole::check_box: return SemanticsRole::check_box;
    case WidgetRole::radio_button: return SemanticsRole::radio_button;
    case WidgetRole::slider: return SemanticsRole::slider;
    case WidgetRole::status: return SemanticsRole::status;
    case WidgetRole::edit: return SemanticsRole::edit;
    case WidgetRole::image: return SemanticsRole::image;
    case WidgetRole::loading_indicator: return SemanticsRole::loading_indicator;
    case WidgetRole::progress_bar: return SemanticsRole::progress_bar;
  }
  return SemanticsRole::view;
}

ui::graphics::Color palette_color(const Palette& palette, int index) noexcept {
  if (index < 0 || index >= static_cast<int>(Palette::color_count)) return ui::graphics::Color{};
  return ui::graphics::Color::from_colorref(palette.colors[static_cast<std::size_t>(index)]);
}

layout::Size clamp_into(layout::Size size, const layout::Constraints& constraints) noexcept {
  return layout::Size{clamp_axis(size.width, constraints.min_width, constraints.max_width),
                      clamp_axis(size.height, constraints.min_height, constraints.max_height)};
}

}  // namespace win32_ui::modern
