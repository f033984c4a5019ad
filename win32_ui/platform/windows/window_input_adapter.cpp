#include "platform/windows/window_input_adapter.h"

#include <algorithm>

#include "modern/tree/command_registry.h"
#include "modern/tree/native_host.h"
#include "modern/tree/view_root.h"
#include "modern/widgets/widget.h"
#include "platform/view_walk.h"
#include "platform/windows/element_model.h"
#include "platform/windows/native_messages.h"

namespace win32_ui::platform::windows {

namespace {

using modern::Key;
using modern::PointerAction;
using modern::PointerDevice;

Key key_for(UINT vk) {
  switch (vk) {
    case VK_TAB: return Key::tab;
    case VK_RETURN: return Key::enter;
    case VK_SPACE: return Key::space;
    case VK_ESCAPE: return Key::escape;
    case VK_LEFT: return Key::left;
    case VK_UP: return Key::up;
    case VK_RIGHT: return Key::right;
    case VK_DOWN: return Key::down;
    case VK_HOME: return Key::home;
    case VK_END: return Key::end;
    case VK_DELETE: return Key::delete_key;
    default: break;
  }
  if (vk >= '0' && vk <= '9') return static_cast<Key>(static_cast<int>(Key::digit0) + static_cast<int>(vk - '0'));
  if (vk >= 'A' && vk <= 'Z') return static_cast<Key>(static_cast<int>(Key::letter_a) + static_cast<int>(vk - 'A'));
  if (vk >= VK_F1 && vk <= VK_F24) return static_cast<Key>(static_cast<int>(Key::f1) + static_cast<int>(vk - VK_F1));
  return Key::unknown;
}

std::uint32_t current_modifiers() {
  std::uint32_t modifiers = modern::key_modifier_none;
  if (GetKeyState(VK_SHIFT) < 0) modifiers |= modern::key_modifier_shift;
  if (GetKeyState(VK_CONTROL) < 0) modifiers |= modern::key_modifier_control;
  if (GetKeyState(VK_MENU) < 0) modifiers |= modern::key_modifier_alt;
  if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0) modifiers |= modern::key_modifier_windows;
  return modifiers;
}

std::uint32_t mouse_buttons(WPARAM wparam) {
  std::uint32_t buttons = modern::pointer_button_none;
  if (wparam & MK_LBUTTON) buttons |= modern::pointer_button_primary;
  if (wparam & MK_RBUTTON) buttons |= modern::pointer_button_secondary;
  if (wparam & MK_MBUTTON) buttons |= modern::pointer_button_middle;
  if (wparam & MK_XBUTTON1) buttons |= modern::pointer_button_extra1;
  if (wparam & MK_XBUTTON2) buttons |= modern::pointer_button_extra2;
  return buttons;
}

std::uint32_t pointer_buttons(std::uint32_t flags) {
  std::uint32_t buttons = modern::pointer_button_none;
  if (flags & POINTER_FLAG_FIRSTBUTTON) buttons |= modern::pointer_button_primary;
  if (flags & POINTER_FLAG_SECONDBUTTON) buttons |= modern::pointer_button_secondary;
  if (flags & POINTER_FLAG_THIRDBUTTON) buttons |= modern::pointer_button_middle;
  if (flags & POINTER_FLAG_FOURTHBUTTON) buttons |= modern::pointer_button_extra1;
  if (flags & POINTER_FLAG_FIFTHBUTTON) buttons |= modern::pointer_button_extra2;
  return buttons;
}

bool is_key_message(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

int x_of(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
int y_of(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

float wheel_notches(WPARAM wparam) {
  return static_cast<float>(static_cast<short>(HIWORD(wparam))) / static_cast<float>(WHEEL_DELTA);
}

bool default_pointer_info(std::uint32_t pointer_id, modern::PointerSample& sample) {
  POINTER_INFO info{};
  if (!GetPointerInfo(pointer_id, &info)) return false;
  sample.pointer_id = pointer_id;
  sample.device = static_cast<std::int32_t>(info.pointerType);
  sample.flags = static_cast<std::uint32_t>(info.pointerFlags);
  sample.screen_x = info.ptPixelLocation.x;
  sample.screen_y = info.ptPixelLocation.y;
  return true;
}

}  // namespace

WindowInputAdapter::WindowInputAdapter(modern::ViewRoot& root, const SurfaceGeometry& geometry, ElementModel& elements,
                                       Scroll scroll)
    : root_(root),
      geometry_(geometry),
      elements_(elements),
      scroll_(std::move(scroll)),
      pointer_source_(&default_pointer_info) {}

void WindowInputAdapter::detach() {
  if (geometry_.window != nullptr && GetCapture() == geometry_.window && !captured_.empty()) ReleaseCapture();
  forget_pointers();
  tracking_armed_ = false;
}

void WindowInputAdapter::forget_pointers() noexcept {
  captured_.clear();
  pointers_down_.clear();
}

// --- routing into the tree

modern::PointerDispatch WindowInputAdapter::dispatch_pointer(PointerAction action, layout::Point position,
                                                             std::uint32_t buttons, float wheel, std::uint32_t pointer_id,
                                                             PointerDevice device, float horizontal, modern::View* target) {
  modern::PointerDispatch result;
  if (root_.root() == nullptr) {
    result.element_index = elements_.hit(position);
    return result;
  }
  modern::PointerEvent event;
  event.action = action;
  event.position = position;
  event.buttons = buttons;
  event.wheel_delta = wheel;
  event.horizontal_wheel_delta = horizontal;
  event.pointer_id = pointer_id;
  event.device = device;
  event.target = target;
  result.handled = root_.route_pointer(event);
  return result;
}

bool WindowInputAdapter::dispatch_key(UINT message, WPARAM wparam, LPARAM lparam) {
  modern::KeyEvent event;
  event.action = (message == WM_CHAR || message == WM_SYSCHAR)     ? modern::KeyAction::character
                 : (message == WM_KEYUP || message == WM_SYSKEYUP) ? modern::KeyAction::up
                                                                   : modern::KeyAction::down;
  const bool character = event.action == modern::KeyAction::character;
  event.key = character ? Key::unknown : key_for(static_cast<UINT>(wparam));
  event.modifiers = current_modifiers();
  event.virtual_key = static_cast<std::uint32_t>(wparam);
  event.repeat_count = std::max<std::uint32_t>(1, LOWORD(lparam));
  event.was_down_before = (lparam & (1 << 30)) != 0;
  if (character) {
    event.character = static_cast<wchar_t>(wparam);
    // The character a handled Tab, Enter or Escape press produces must not reach a hosted control
    // (a single-line edit beeps at it).
    const wchar_t c = event.character;
    const UINT vk = c == L'\t' ? VK_TAB : c == L'\r' ? VK_RETURN : c == 0x1B ? VK_ESCAPE : 0;
    if (vk != 0 && vk == last_handled_key_) return true;
  }
  bool handled = root_.route_key(event);
  if (event.action == modern::KeyAction::down) {
    last_handled_key_ = handled ? static_cast<UINT>(wparam) : 0;
  } else if (event.action == modern::KeyAction::up && static_cast<UINT>(wparam) == last_handled_key_) {
    // The release of a key the tree took is the tree's too: F10's release would open the window
    // menu, the Menu key's a second context menu.
    handled = true;
  }
  return handled;
}

void WindowInputAdapter::dispatch_event(modern::Event& event, std::optional<std::uint32_t> command) {
  root_.route_event(event, [this, command](modern::Event& e) {
    if (command && !e.propagation_stopped && commands_ != nullptr &&
        commands_->invoke(*command) == modern::CommandOutcome::executed) {
      e.propagation_stopped = true;
    }
  });
}

bool WindowInputAdapter::handle_unhandled_key(modern::KeyEvent& event) {
  using modern::FocusDirection;
  using modern::FocusOrigin;
  if (event.action != modern::KeyAction::down) return false;
  if (event.key == Key::tab) {
    const bool back = (event.modifiers & modern::key_modifier_shift) != 0;
    if (root_.root() != nullptr) {
      root_.move_focus(back ? FocusDirection::previous : FocusDirection::next, FocusOrigin::keyboard);
    } else {
      elements_.move_focus(back);
    }
    return true;
  }
  // The keyboard's context menu keys, here rather than in the default procedure, which opens the
  // window menu for F10 on some systems.
  if ((event.virtual_key == VK_F10 && event.modifiers == modern::key_modifier_shift) ||
      (event.virtual_key == VK_APPS && event.modifiers == modern::key_modifier_none)) {
    on_context_menu(MAKELPARAM(0xFFFF, 0xFFFF));
    return true;
  }
  const bool arrow = event.key == Key::left || event.key == Key::up || event.key == Key::right || event.key == Key::down;
  if (root_.root() != nullptr) {
    if (!arrow || event.modifiers != modern::key_modifier_none) return false;
    // Arrows belong to a focused native control: they move its caret or change its selection.
    if (dynamic_cast<modern::NativeHost*>(root_.focused()) != nullptr) return false;
    const FocusDirection direction = event.key == Key::left    ? FocusDirection::left
                                     : event.key == Key::up    ? FocusDirection::up
                                     : event.key == Key::right ? FocusDirection::right
                                                               : FocusDirection::down;
    return root_.move_focus(direction, FocusOrigin::keyboard);
  }
  return elements_.handle_key(event, arrow);
}

// --- window messages

void WindowInputAdapter::on_mouse_move(WPARAM wparam, LPARAM lparam) {
  if (!tracking_armed_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, geometry_.window, 0};
    tracking_armed_ = TrackMouseEvent(&track) != FALSE;
  }
  const layout::Point at = geometry_.to_content(x_of(lparam), y_of(lparam));
  if (root_.root() == nullptr) {
    elements_.pointer(PointerAction::move, at, !captured_.empty());
  } else {
    dispatch_pointer(PointerAction::move, at, mouse_buttons(wparam), 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
  }
}

void WindowInputAdapter::on_button(UINT message, WPARAM wparam, LPARAM lparam) {
  const bool down = message != WM_LBUTTONUP;
  if (down) SetFocus(geometry_.window);
  const PointerAction action = down ? PointerAction::down : PointerAction::up;
  const layout::Point at = geometry_.to_content(x_of(lparam), y_of(lparam));
  if (root_.root() == nullptr) {
    elements_.pointer(action, at, !captured_.empty());
  } else {
    const std::uint32_t buttons = mouse_buttons(wparam) | (down ? modern::pointer_button_primary : 0u);
    dispatch_pointer(action, at, buttons, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
  }
  geometry_.invalidate_window();
}

bool WindowInputAdapter::on_wheel(UINT message, WPARAM wparam, LPARAM lparam) {
  // Wheel positions come in screen coordinates.
  POINT point{x_of(lparam), y_of(lparam)};
  ScreenToClient(geometry_.window, &point);
  const float notches = wheel_notches(wparam);
  const bool vertical = message == WM_MOUSEWHEEL;
  const modern::PointerDispatch result =
      dispatch_pointer(PointerAction::wheel, geometry_.to_content(point.x, point.y), mouse_buttons(LOWORD(wparam)),
                       vertical ? notches : 0.0f, 1, PointerDevice::mouse, vertical ? 0.0f : notches, nullptr);
  if (vertical) {
    if (!result.handled) scroll_(notches);
    return true;
  }
  return result.handled;
}

void WindowInputAdapter::on_capture_changed(LPARAM lparam) {
  captured_.clear();
  HWND gaining = reinterpret_cast<HWND>(lparam);
  if (root_.captured(1) != nullptr && gaining != geometry_.window) {
    dispatch_pointer(PointerAction::cancel, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
  }
  geometry_.invalidate_window();
}

void WindowInputAdapter::on_pointer_message(UINT message, WPARAM wparam) {
  const std::uint32_t id = LOWORD(wparam);
  modern::PointerSample sample;
  if (!pointer_source_ || !pointer_source_(id, sample)) return;
  POINT point{sample.screen_x, sample.screen_y};
  ScreenToClient(geometry_.window, &point);
  const layout::Point position = geometry_.to_content(point.x, point.y);
  const PointerDevice device = sample.device == PT_TOUCH ? PointerDevice::touch
                               : sample.device == PT_PEN ? PointerDevice::pen
                                                         : PointerDevice::mouse;
  const std::uint32_t buttons = pointer_buttons(sample.flags);
  auto send = [&](PointerAction action, float wheel = 0.0f, float horizontal = 0.0f) {
    if (sample.flags & POINTER_FLAG_CANCELED) action = PointerAction::cancel;
    return dispatch_pointer(action, position, buttons, wheel, id, device, horizontal, nullptr);
  };
  const float notches = wheel_notches(wparam);
  switch (message) {
    case WM_POINTERUPDATE:
      send(PointerAction::move);
      break;
    case WM_POINTERDOWN:
      pointers_down_.insert(id);
      if (send(PointerAction::down).handled) geometry_.invalidate_window();
      break;
    case WM_POINTERUP:
      send(PointerAction::up);
      pointers_down_.erase(id);
      break;
    case WM_POINTERENTER:
      send(PointerAction::enter);
      break;
    case WM_POINTERLEAVE:
      send(PointerAction::leave);
      if (root_.captured(id) == nullptr) pointers_down_.erase(id);
      break;
    case WM_POINTERCAPTURECHANGED:
      send(PointerAction::cancel);
      pointers_down_.erase(id);
      captured_.erase(id);
      break;
    case WM_POINTERWHEEL:
      if (!send(PointerAction::wheel, notches).handled) scroll_(notches);
      break;
    case WM_POINTERHWHEEL:
      send(PointerAction::wheel, 0.0f, notches);
      break;
    default:
      break;
  }
}

void WindowInputAdapter::on_mouse_leave() {
  tracking_armed_ = false;
  elements_.on_mouse_leave();
  dispatch_pointer(PointerAction::leave, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
  geometry_.invalidate_window();
}

void WindowInputAdapter::on_kill_focus() {
  if (root_.captured(1) != nullptr) {
    dispatch_pointer(PointerAction::cancel, layout::Point{}, 0, 0.0f, 1, PointerDevice::mouse, 0.0f, nullptr);
  }
  elements_.cancel_press();
  geometry_.invalidate_window();
}

bool WindowInputAdapter::on_native_key(WPARAM wparam, LPARAM lparam) {
  const NativeKeyMessage key = unpack_native_key(wparam, lparam);
  if (!is_key_message(key.message)) return false;
  return dispatch_key(key.message, key.wparam, key.lparam);
}

void WindowInputAdapter::on_context_menu(LPARAM lparam) {
  if (root_.root() == nullptr) return;
  const int x = x_of(lparam);
  const int y = y_of(lparam);
  if (x == -1 && y == -1) {
    // From the keyboard: the focused view's nearest context handler, else the first shown one.
    modern::View* target = nullptr;
    for (modern::View* view = root_.focused(); view != nullptr; view = view->parent()) {
      if (view->has_context_handler() && view->enabled()) {
        target = view;
        break;
      }
    }
    if (target == nullptr) {
      walk_views(*root_.root(), true, [&](modern::View& view, bool shown) {
        if (target == nullptr && shown && view.enabled() && view.has_context_handler()) target = &view;
      });
    }
    if (target == nullptr) return;
    const layout::Rect r = target->arranged_rect();
    const layout::Point anchor{r.x + std::min(r.width / 2.0f, 24.0f), r.y + r.height / 2.0f};
    dispatch_pointer(PointerAction::context_menu, anchor, 0, 0.0f, 1, PointerDevice::keyboard, 0.0f, target);
    return;
  }
  POINT point{x, y};
  ScreenToClient(geometry_.window, &point);
  dispatch_pointer(PointerAction::context_menu, geometry_.to_content(point.x, point.y), 0, 0.0f, 1, PointerDevice::mouse,
                   0.0f, nullptr);
}

bool WindowInputAdapter::set_cursor() {
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(geometry_.window, &point);
  const layout::Point at = geometry_.to_content(point.x, point.y);
  LPCWSTR cursor = nullptr;
  if (modern::View* root = root_.root()) {
    modern::HitResult hit;
    if (root->hit_test(at, hit)) {
      for (modern::View* view = hit.view; view != nullptr && cursor == nullptr; view = view->parent()) {
        const auto* widget = dynamic_cast<const modern::Widget*>(view);
        if (widget == nullptr) continue;
        if (widget->cursor_kind() == modern::CursorKind::hand) cursor = IDC_HAND;
        if (widget->cursor_kind() == modern::CursorKind::resize_horizontal) cursor = IDC_SIZEWE;
      }
    }
  } else if (elements_.hit(at) >= 0) {
    cursor = IDC_HAND;
  }
  if (cursor == nullptr) return false;
  SetCursor(LoadCursorW(nullptr, cursor));
  return true;
}

// --- InputAdapter

bool WindowInputAdapter::capture_pointer(std::uint32_t pointer_id) {
  if (pointers_down_.count(pointer_id) != 0) return true;
  const HWND window = geometry_.window;
  if (window == nullptr) return false;
  if (GetCapture() != window) SetCapture(window);
  if (GetCapture() != window) return false;
  captured_.insert(pointer_id);
  return true;
}

void WindowInputAdapter::release_pointer(std::uint32_t pointer_id) {
  if (pointers_down_.count(pointer_id) != 0) return;
  captured_.erase(pointer_id);
  if (captured_.empty() && geometry_.window != nullptr && GetCapture() == geometry_.window) ReleaseCapture();
}

}  // namespace win32_ui::platform::windows
