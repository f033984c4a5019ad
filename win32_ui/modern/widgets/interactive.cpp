#include "modern/widgets/interactive.h"

#include <algorithm>
#include <cmath>

#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::RectF;

constexpr float key_step = 0.05f;

}  // namespace

Interactive::Interactive(WidgetRole role, layout::Size preferred_size, InteractiveKind kind)
    : Widget(role, preferred_size), kind_(kind) {
  set_focusable(true);
  set_accepts_pointer_input(true);
}

Interactive& Interactive::set_value(float value, InputOrigin origin, bool notify) {
  if (std::isnan(value)) return *this;
  const float clamped = std::clamp(value, 0.0f, 1.0f);
  if (std::fabs(clamped - value_) < 0.0001f) return *this;
  value_ = clamped;
  invalidate_visual();
  if (host() != nullptr) host()->notify_semantics_changed();
  if (notify) post(EventKind::value_changed, origin);
  return *this;
}

Interactive& Interactive::set_actionable(bool actionable) {
  if (actionable == actionable_) return *this;
  actionable_ = actionable;
  invalidate_visual();
  if (host() != nullptr) {
    host()->notify_semantics_changed();
    host()->notify_interactivity_changed(*this);
  }
  return *this;
}

void Interactive::activate(InputOrigin origin) {
  if (!operable()) return;
  if (kind_ == InteractiveKind::toggle) set_checked(!checked());
  invalidate_visual();
  post(kind_ == InteractiveKind::toggle ? EventKind::checked_changed : EventKind::invoked, origin);
}

void Interactive::post(EventKind kind, InputOrigin origin) {
  if (host() == nullptr) return;
  Event event;
  event.command_id = command_id();
  event.source_role = static_cast<std::int32_t>(role());
  event.kind = kind;
  event.origin = origin;
  event.source = this;
  event.phase = EventPhase::target;
  event.checked = checked();
  event.value = value_;
  host()->dispatch_event(event);
}

bool Interactive::can_focus() const { return View::can_focus() && operable(); }

bool Interactive::is_hit_testable() const { return accepts_pointer_input() && operable(); }

void Interactive::describe(SemanticsNode& node) {
  Widget::describe(node);
  node.focusable = can_focus();
  node.focused = focused();
  switch (kind_) {
    case InteractiveKind::push:
      node.actions |= semantics_action_invoke;
      break;
    case InteractiveKind::toggle:
      node.actions |= semantics_action_toggle;
      node.has_toggle = true;
      node.toggled = checked();
      break;
    case InteractiveKind::range:
      node.actions |= semantics_action_set_range_value;
      node.has_range = true;
      node.range_minimum = 0.0;
      node.range_maximum = 1.0;
      node.range_value = value_;
      node.range_step = key_step;
      break;
  }
}

bool Interactive::perform_action(ActionRequest& request) {
  if (request.action == semantics_action_invoke && kind_ == InteractiveKind::push) {
    if (!operable()) return false;
    activate(InputOrigin::programmatic);
    return true;
  }
  if (request.action == semantics_action_toggle && kind_ == InteractiveKind::toggle) {
    if (!operable()) return false;
    activate(InputOrigin::programmatic);
    return true;
  }
  if (request.action == semantics_action_set_range_value && kind_ == InteractiveKind::range) {
    if (!std::isfinite(request.numeric_value) || !operable()) return false;
    set_value(static_cast<float>(request.numeric_value), InputOrigin::programmatic, true);
    return true;
  }
  return View::perform_action(request);
}

void Interactive::value_from_pointer(const PointerEvent& event) {
  if (!operable()) return;
  const float width = arranged_rect().width;
  float t = (event.local_position.x - 8.0f) / std::max(width - 16.0f, 1.0f);
  t = std::isnan(t) ? 0.0f : std::clamp(t, 0.0f, 1.0f);
  if (flow_direction() == layout::FlowDirection::right_to_left) t = 1.0f - t;
  set_value(t, InputOrigin::pointer, true);
}

bool Interactive::on_pointer(PointerEvent& event) {
  switch (event.action) {
    case PointerAction::down:
      if (!press_.begin(event, *this)) return false;  // one press at a time; other pointers pass on
      if (host() != nullptr) host()->request_focus(*this, FocusOrigin::pointer);
      if (kind_ == InteractiveKind::range) value_from_pointer(event);
      return true;
    case PointerAction::move:
      if (!press_.tracks(event)) return false;
      if (kind_ == InteractiveKind::range) value_from_pointer(event);
      return true;
    case PointerAction::up:
      if (!press_.end(event, *this)) return false;
      if (kind_ == InteractiveKind::range) return true;
      // Only a release over this widget itself counts, not over another view drawn above it.
      if (PointerPress::over(event, *this)) activate(InputOrigin::pointer);
      return true;
    case PointerAction::cancel:
      return press_.end(event, *this);
    default:
      return false;
  }
}

bool Interactive::on_key(KeyEvent& event) {
  if (event.action != KeyAction::down || event.modifiers != key_modifier_none || !operable()) return false;
  if (kind_ == InteractiveKind::range) {
    const bool rtl = flow_direction() == layout::FlowDirection::right_to_left;
    float step = 0.0f;
    switch (event.key) {
      case Key::down: step = -key_step; break;
      case Key::up: step = key_step; break;
      case Key::left: step = rtl ? key_step : -key_step; break;
      case Key::right: step = rtl ? -key_step : key_step; break;
      default: return false;
    }
    set_value(value_ + step, InputOrigin::keyboard, true);
    return true;
  }
  if (event.key != Key::space && event.key != Key::enter) return false;
  // A held key repeats its down message; one press activates once, as with Windows' own buttons.
  if (!event.was_down_before) activate(InputOrigin::keyboard);
  return true;
}

bool Interactive::shows_focus_ring(const PaintContext& context) const noexcept {
  return context.focus_visible && context.focused_view == this;
}

void Interactive::paint_foreground(PaintContext& context) {
  View::paint_foreground(context);
  if (context.palette != nullptr && shows_focus_ring(context)) paint_focus_ring(context);
}

void Interactive::paint_focus_ring(PaintContext& context) {
  const layout::Rect r = arranged_rect();
  const RectF ring = context.to_pixels(layout::Rect{r.x - 3.0f, r.y - 3.0f, r.width + 6.0f, r.height + 6.0f});
  context.canvas->stroke_rounded_rect(ring, context.to_pixels(11.0f), focus_color(*context.palette),
                                      focus_width(*context.palette, context.scale));
}

Color focus_color(const Palette& palette) noexcept {
  const Color focus = palette_color(palette, Palette::focus);
  if (palette.high_contrast != 0) return focus;
  const Color base = palette_color(palette, Palette::field_background);
  auto channel = [](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>((a * 151 + b * 104 + 127) / 255); };
  return Color{channel(base.r, focus.r), channel(base.g, focus.g), channel(base.b, focus.b)};
}

float focus_width(const Palette& palette, float scale) noexcept {
  return palette.high_contrast != 0 ? scale : scale * 0.75f;
}

}  // namespace win32_ui::modern
