#include "modern/panels/list_row.h"

#include <algorithm>
#include <string>
#include <utility>

#include "modern/panels/list_panel.h"
#include "theme/palette.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::RectF;

constexpr float corner_radius = 6.0f;  // DIPs
constexpr float ring_inset = 2.0f;     // DIPs: the focus ring lies inside the row, beside its neighbours

Color color_of(const Palette& palette, Palette::ColorIndex index) {
  return Color::from_colorref(palette.color(index));
}

ListPanel* list_of(const View& row) noexcept { return dynamic_cast<ListPanel*>(row.parent()); }

}  // namespace

ListRow::ListRow() {
  set_focusable(true);
  set_accepts_pointer_input(true);
  set_animate_interactions(true);
}

ListRow::ListRow(std::unique_ptr<View> content) : ListRow() {
  if (content != nullptr) add_child(std::move(content));
}

ListRow& ListRow::set_selected(bool selected) {
  if (selected == checked()) return *this;
  set_checked(selected);
  if (selected) {
    if (ListPanel* list = list_of(*this)) list->row_selected(*this);
  }
  return *this;
}

void ListRow::choose(InputOrigin origin) {
  if (!enabled() || host() == nullptr) return;
  set_selected(true);
  Event event;
  event.kind = EventKind::selection_changed;
  event.source_role = 0;  // a widget role's number: a row has none of its own, it is a group
  event.origin = origin;
  event.source = this;
  event.phase = EventPhase::target;
  event.checked = true;
  host()->dispatch_event(event);
}

ListRow& ListRow::on_chosen(std::function<void()> callback) {
  add_event_handler(EventKind::selection_changed, [callback = std::move(callback)](Event&) {
    if (callback) callback();
  });
  return *this;
}

ListRow& ListRow::on_remove(std::function<void()> callback) {
  remove_ = std::move(callback);
  return *this;
}

bool ListRow::can_focus() const {
  if (!View::can_focus()) return false;
  if (selected() || focused()) return true;
  // Roving focus: the list is one Tab stop, its selected row, or its first row while none is selected.
  const ListPanel* list = list_of(*this);
  return list == nullptr || (list->first_row() == this && list->selected_row() == nullptr);
}

void ListRow::describe(SemanticsNode& node) {
  node.id = id();
  node.role = static_cast<std::int32_t>(SemanticsRole::list_item);
  node.name = accessible_name().value_or(std::wstring());
  node.help_text = accessible_description();
  node.control_element = control_element_override().value_or(true);
  node.selected = selected();
  // Every row can take focus, through selection; only the Tab order is limited to one.
  node.focusable = View::can_focus();
  node.focused = focused();
  if (enabled()) node.actions |= semantics_action_select | semantics_action_focus;
}

bool ListRow::perform_action(ActionRequest& request) {
  if (!enabled() || host() == nullptr) return false;
  if (request.action == semantics_action_select) {
    choose(InputOrigin::programmatic);
    return selected();
  }
  if (request.action == semantics_action_focus) {
    if (!selected()) choose(InputOrigin::programmatic);
    return host() != nullptr && host()->request_focus(*this, FocusOrigin::programmatic);
  }
  return false;
}

bool ListRow::on_pointer(PointerEvent& event) {
  switch (event.action) {
    case PointerAction::down:
      return press_.begin(event, *this);  // one press at a time; other pointers pass on
    case PointerAction::up:
      if (!press_.end(event, *this)) return false;
      // Only a release over the row itself counts, as for a button.
      if (!PointerPress::over(event, *this)) return true;
      choose(InputOrigin::pointer);
      if (host() != nullptr && parent() != nullptr) host()->request_focus(*this, FocusOrigin::pointer);
      return true;
    case PointerAction::cancel:
      return press_.end(event, *this);
    default:
      return false;
  }
}

bool ListRow::on_key(KeyEvent& event) {
  if (event.action != KeyAction::down || event.modifiers != key_modifier_none || !enabled()) return false;
  switch (event.key) {
    case Key::space:
    case Key::enter:
      // A held key repeats its down message; one press chooses once.
      if (!event.was_down_before) choose(InputOrigin::keyboard);
      return true;
    case Key::delete_key:
      if (!remove_) return false;
      if (!event.was_down_before) {
        // The callback may remove this row: it runs on a copy.
        const std::function<void()> remove = remove_;
        remove();
      }
      return true;
    case Key::up:
    case Key::down:
    case Key::home:
    case Key::end: {
      ListPanel* list = list_of(*this);
      if (list == nullptr) return false;
      const ListStep step = event.key == Key::up     ? ListStep::previous
                            : event.key == Key::down ? ListStep::next
                            : event.key == Key::home ? ListStep::first
                                                     : ListStep::last;
      return list->step(*this, step);
    }
    default:
      return false;
  }
}

void ListRow::paint(PaintContext& context) {
  if (context.palette == nullptr || context.canvas == nullptr) return;
  const Palette& palette = *context.palette;
  const bool high_contrast = palette.high_contrast != 0;
  auto weight = [&](std::uint32_t bit) {
    if (high_contrast) return (drawable_state() & bit) != 0 ? 1.0f : 0.0f;
    return interaction_progress(bit);
  };
  const float select = weight(ui::graphics::drawable_state_checked);
  const float hover = enabled() ? weight(ui::graphics::drawable_state_hovered) : 0.0f;
  const float press = enabled() ? weight(ui::graphics::drawable_state_pressed) : 0.0f;
  if (select <= 0.001f && hover <= 0.001f && press <= 0.001f) return;
  const RectF rect = context.to_pixels(arranged_rect());
  const float radius = context.to_pixels(corner_radius);
  if (high_contrast) {
    // Content keeps its own text colours, so the selection is an outline, not an accent fill under them.
    if (selected()) {
      context.canvas->stroke_rounded_rect(rect, radius, color_of(palette, Palette::accent),
                                          std::max(context.to_pixels(2.0f), 1.0f));
    } else {
      context.canvas->stroke_rounded_rect(rect, radius, color_of(palette, Palette::control_border),
                                          std::max(context.to_pixels(1.0f), 1.0f));
    }
    return;
  }
  // Hover and press lighten the resting row; the selection tints it with the accent, hovered or not.
  Color fill = ui::graphics::mix(color_of(palette, Palette::field_background),
                                 color_of(palette, Palette::field_background_hovered), hover);
  fill = ui::graphics::mix(fill, color_of(palette, Palette::hover_fill), press);
  fill = ui::graphics::mix(fill, color_of(palette, Palette::accent_tint), select);
  context.canvas->fill_rounded_rect(rect, radius, fill);
}

void ListRow::paint_foreground(PaintContext& context) {
  View::paint_foreground(context);
  if (context.palette == nullptr || context.canvas == nullptr) return;
  if (!context.focus_visible || context.focused_view != this) return;
  const RectF rect = context.to_pixels(arranged_rect());
  const float inset = context.to_pixels(ring_inset);
  const float width = context.palette->high_contrast != 0 ? context.scale : context.scale * 1.5f;
  context.canvas->stroke_rounded_rect(RectF{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset},
                                      context.to_pixels(corner_radius - ring_inset),
                                      color_of(*context.palette, Palette::focus), width);
}

}  // namespace win32_ui::modern
