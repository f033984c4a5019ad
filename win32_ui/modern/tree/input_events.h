#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/geometry.h"

namespace win32_ui::modern {

class View;

enum class PointerAction : std::int32_t {
  down = 0,
  move = 1,
  up = 2,
  cancel = 3,
  wheel = 4,
  enter = 5,
  leave = 6,
  context_menu = 7,
};

// Bit set of pressed pointer buttons.
enum PointerButtons : std::uint32_t {
  pointer_button_none = 0,
  pointer_button_primary = 1,
  pointer_button_secondary = 2,
  pointer_button_middle = 4,
  pointer_button_extra1 = 8,
  pointer_button_extra2 = 16,
};

enum class PointerDevice : std::int32_t { mouse = 0, touch = 1, pen = 2, keyboard = 3 };

// How an action was triggered.
enum class InputOrigin : std::int32_t { pointer = 0, keyboard = 1, native = 2, programmatic = 3 };

// Why keyboard focus moved; only keyboard shows the focus indication.
enum class FocusOrigin : std::int32_t { pointer = 0, keyboard = 1, native = 2, programmatic = 3 };

// One pointer input as the surface builds it; positions are DIPs in host coordinates.
struct PointerEvent {
  PointerAction action = PointerAction::move;
  PointerDevice device = PointerDevice::mouse;
  std::uint32_t pointer_id = 1;  // the mouse is always 1
  layout::Point position{};
  layout::Point local_position{};  // in the view currently handling it
  float wheel_delta = 0.0f;        // notches, positive away from the user
  float horizontal_wheel_delta = 0.0f;
  std::uint32_t buttons = pointer_button_none;
  View* target = nullptr;
  View* current_view = nullptr;
  bool handled = false;
};

enum class KeyAction : std::int32_t { down = 0, up = 1, character = 2 };

// Key codes: digits and letters are consecutive runs starting at digit0 and letter_a, F1 to F24 at f1.
enum class Key : std::int32_t {
  unknown = 0,
  tab = 1,
  enter = 2,
  space = 3,
  escape = 4,
  left = 5,
  up = 6,
  right = 7,
  down = 8,
  digit0 = 9,
  letter_a = 19,
  f1 = 45,  // to f24 = 68
  home = 69,
  end = 70,
  delete_key = 71,
};

enum KeyModifiers : std::uint32_t {
  key_modifier_none = 0,
  key_modifier_shift = 1,
  key_modifier_control = 2,
  key_modifier_alt = 4,
  key_modifier_windows = 8,
};

struct KeyEvent {
  KeyAction action = KeyAction::down;
  Key key = Key::unknown;
  std::uint32_t modifiers = key_modifier_none;
  std::uint32_t virtual_key = 0;
  std::uint32_t repeat_count = 1;
  bool was_down_before = false;  // auto-repeat
  wchar_t character = 0;         // character action only
  View* target = nullptr;        // the focused view
  View* current_view = nullptr;
  bool handled = false;
  bool default_prevented = false;
};

enum class EventKind : std::int32_t {
  invoked = 0,
  checked_changed = 1,
  value_changed = 2,
  text_changed = 3,
  selection_changed = 4,
  drop_down_opened = 5,
  drop_down_closed = 6,
};

enum class EventPhase : std::int32_t { capture = 0, target = 1, bubble = 2 };

// A semantic event posted by a widget and propagated along its ancestors.
struct Event {
  std::uint32_t command_id = 0;
  std::int32_t source_role = 2;  // button
  EventKind kind = EventKind::invoked;
  InputOrigin origin = InputOrigin::programmatic;
  View* source = nullptr;
  View* current_view = nullptr;
  EventPhase phase = EventPhase::target;
  bool checked = false;
  float value = 0.0f;
  std::wstring text;
  std::int32_t selected_index = -1;
  bool propagation_stopped = false;
  bool default_prevented = false;
};

// What a hit test found: the hit view and its ancestors, outermost first.
struct HitResult {
  View* view = nullptr;
  std::vector<View*> path;
};

}  // namespace win32_ui::modern
