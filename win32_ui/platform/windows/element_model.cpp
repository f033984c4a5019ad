#include "platform/windows/element_model.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::platform::windows {

namespace {
constexpr float slider_step = 0.05f;
}

using modern::Element;
using modern::InputOrigin;

ElementModel::ElementModel(SurfaceGeometry& geometry, Dispatch dispatch)
    : geometry_(geometry), dispatch_(std::move(dispatch)) {}

void ElementModel::set(std::vector<Element> elements) {
  elements_ = std::move(elements);
  hover_index_ = pressed_index_ = -1;
  if (focus_index_ >= static_cast<int>(elements_.size())) focus_index_ = -1;
}

void ElementModel::clear() noexcept {
  elements_.clear();
  reset_state();
}

void ElementModel::reset_state() noexcept { hover_index_ = pressed_index_ = focus_index_ = -1; }

void ElementModel::layout() {
  float bottom = 0.0f;
  for (const Element& element : elements_) {
    if (element.visible) bottom = std::max(bottom, element.bounds.y + element.bounds.height);
  }
  geometry_.content_height = bottom;
  geometry_.clamp_scroll();
}

int ElementModel::hit(layout::Point position) const {
  for (int i = static_cast<int>(elements_.size()) - 1; i >= 0; --i) {
    const Element& e = elements_[static_cast<std::size_t>(i)];
    if (!e.visible || !e.enabled || !e.interactive()) continue;
    if (position.x >= e.bounds.x && position.x < e.bounds.x + e.bounds.width && position.y >= e.bounds.y &&
        position.y < e.bounds.y + e.bounds.height) {
      return i;
    }
  }
  return -1;
}

void ElementModel::activate(int index, InputOrigin origin) {
  if (!valid(index)) return;
  Element& element = elements_[static_cast<std::size_t>(index)];
  if (!element.enabled || !element.interactive() || element.kind == Element::kind_slider) return;
  modern::Event event;
  event.command_id = element.command_id;
  event.origin = origin;
  if (element.kind == Element::kind_check_box || element.kind == Element::kind_toggle) {
    element.checked = !element.checked;
    event.kind = modern::EventKind::checked_changed;
    event.checked = element.checked;
  }
  geometry_.invalidate_window();
  dispatch_(event, element.command_id != 0 ? std::optional<std::uint32_t>(element.command_id) : std::nullopt);
}

void ElementModel::update_slider(int index, layout::Point position, InputOrigin origin) {
  if (!valid(index)) return;
  const Element& element = elements_[static_cast<std::size_t>(index)];
  if (element.kind != Element::kind_slider) return;
  const float value = (position.x - element.bounds.x - 8.0f) / std::max(1.0f, element.bounds.width - 16.0f);
  set_value(index, value, origin);
}

void ElementModel::set_value(int index, float value, InputOrigin origin) {
  Element& element = elements_[static_cast<std::size_t>(index)];
  value = std::clamp(value, 0.0f, 1.0f);
  if (std::fabs(value - element.value) < 1e-4f) return;
  element.value = value;
  modern::Event event;
  event.command_id = element.command_id;
  event.kind = modern::EventKind::value_changed;
  event.origin = origin;
  event.value = value;
  geometry_.invalidate_window();
  dispatch_(event, std::nullopt);
}

void ElementModel::move_focus(bool back) {
  std::vector<int> ring;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i].visible && elements_[i].enabled && elements_[i].interactive()) ring.push_back(static_cast<int>(i));
  }
  if (ring.empty()) return;
  auto at = std::find(ring.begin(), ring.end(), focus_index_);
  if (at == ring.end()) {
    focus_index_ = back ? ring.back() : ring.front();
  } else if (back) {
    focus_index_ = at == ring.begin() ? ring.back() : *(at - 1);
  } else {
    focus_index_ = at + 1 == ring.end() ? ring.front() : *(at + 1);
  }
  focus_from_keyboard_ = true;
  geometry_.invalidate_window();
}

void ElementModel::focus_first() {
  if (focus_index_ >= 0) return;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i].visible && elements_[i].enabled && elements_[i].interactive()) {
      focus_index_ = static_cast<int>(i);
      break;
    }
  }
}

bool ElementModel::handle_key(const modern::KeyEvent& event, bool arrow) {
  using modern::Key;
  if (!valid(focus_index_)) return false;
  const Element& element = elements_[static_cast<std::size_t>(focus_index_)];
  if (element.kind == Element::kind_slider) {
    if (!arrow) return false;
    const float step = (event.key == Key::left || event.key == Key::down) ? -slider_step : slider_step;
    set_value(focus_index_, element.value + step, InputOrigin::keyboard);
    return true;
  }
  if (event.key == Key::space || event.key == Key::enter) {
    activate(focus_index_, InputOrigin::keyboard);
    return true;
  }
  return false;
}

void ElementModel::cancel_press() noexcept {
  pressed_ = false;
  pressed_index_ = -1;
}

void ElementModel::pointer(modern::PointerAction action, layout::Point position, bool others_captured) {
  using modern::PointerAction;
  const HWND window = geometry_.window;
  const int at = hit(position);
  if (action == PointerAction::move) {
    if (pressed_ && valid(pressed_index_) && elements_[static_cast<std::size_t>(pressed_index_)].kind == Element::kind_slider) {
      update_slider(pressed_index_, position, InputOrigin::pointer);
    }
    if (at != hover_index_) {
      hover_index_ = at;
      geometry_.invalidate_window();
    }
  } else if (action == PointerAction::down) {
    pressed_index_ = at;
    pressed_ = at >= 0;
    if (pressed_) {
      focus_index_ = at;
      focus_from_keyboard_ = false;
      SetCapture(window);
      if (elements_[static_cast<std::size_t>(at)].kind == Element::kind_slider) {
        update_slider(at, position, InputOrigin::pointer);
      }
    }
  } else if (action == PointerAction::up) {
    const int pressed = pressed_index_;
    const bool was_pressed = pressed_;
    pressed_ = false;
    pressed_index_ = -1;
    if (GetCapture() == window && !others_captured) ReleaseCapture();
    if (was_pressed && pressed == at && valid(at) && elements_[static_cast<std::size_t>(at)].kind != Element::kind_slider) {
      activate(at, InputOrigin::pointer);
    }
  }
}

}  // namespace win32_ui::platform::windows
