#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "layout/geometry.h"

namespace win32_ui::modern {

// The semantic role a view reports to assistive technology.
enum class SemanticsRole : std::int32_t {
  view = 0,
  group = 1,
  text = 2,
  image = 3,
  button = 4,
  toggle_switch = 5,
  check_box = 6,
  radio_button = 7,
  slider = 8,
  edit = 9,
  combo_box = 10,
  status = 11,
  loading_indicator = 12,
  separator = 13,
  table = 14,
  table_row = 15,
  table_column_header = 16,
  table_cell = 17,
  tree = 18,
  tree_item = 19,
  native_host = 20,
  progress_bar = 21,
  list = 22,
  list_item = 23,
};

// Bit set of actions a view supports for assistive technology.
enum SemanticsAction : std::uint32_t {
  semantics_action_none = 0,
  semantics_action_invoke = 1,
  semantics_action_toggle = 2,
  semantics_action_set_range_value = 4,
  semantics_action_set_text_value = 8,
  semantics_action_focus = 16,
  semantics_action_select = 32,
  semantics_action_expand = 64,
  semantics_action_collapse = 128,
};

// How a view describes itself to assistive technology.
struct SemanticsNode {
  std::uint64_t id = 0;
  std::uint64_t parent_id = 0;
  std::vector<std::uint64_t> children;
  std::int32_t role = 0;  // a SemanticsRole value
  std::wstring name;
  std::wstring help_text;
  std::wstring value;
  // What automation tools find the view by; empty means "semantics-" and the id.
  std::wstring automation_id;
  layout::Rect bounds{};  // DIPs in content coordinates (before the surface's scroll)
  void* native_window = nullptr;
  bool enabled = true;
  bool focusable = false;
  bool focused = false;
  bool read_only = false;
  bool control_element = false;   // shown in the control view of assistive tools
  bool native_container = false;  // hosts a native control that describes itself
  std::uint32_t actions = semantics_action_none;
  bool has_toggle = false;
  bool toggled = false;
  bool has_expand = false;
  bool expanded = false;
  // A list item's selection state; the item offers selection when it has the select action.
  bool selected = false;
  bool has_range = false;
  double range_minimum = 0.0;
  double range_maximum = 0.0;
  double range_value = 0.0;
  double range_step = 0.0;
};

// An action requested by assistive technology.
struct ActionRequest {
  std::uint32_t action = semantics_action_none;
  double numeric_value = 0.0;
  std::wstring text_value;
};

}  // namespace win32_ui::modern
