#pragma once

// The platform-free half of the UI Automation bridge: the snapshot of a surface's semantic
// nodes, what each node answers for every UIA property, navigation, hit-testing in screen pixels, the
// checks before an action and the differences between two snapshots that become UIA events. Nothing
// here includes a Windows header; the identifiers are UIA's numbers. The Windows side
// (platform/windows/accessibility/) only turns these answers into COM calls and VARIANTs.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "modern/tree/semantics.h"

namespace win32_ui::accessibility {

using modern::SemanticsNode;

// UIA's identifiers, as numbers.
namespace uia {
// Properties.
inline constexpr int runtime_id = 30000;
inline constexpr int bounding_rectangle = 30001;
inline constexpr int process_id = 30002;
inline constexpr int control_type = 30003;
inline constexpr int localized_control_type = 30004;
inline constexpr int name = 30005;
inline constexpr int has_keyboard_focus = 30008;
inline constexpr int is_keyboard_focusable = 30009;
inline constexpr int is_enabled = 30010;
inline constexpr int automation_id = 30011;
inline constexpr int class_name = 30012;
inline constexpr int help_text = 30013;
inline constexpr int is_control_element = 30016;
inline constexpr int is_content_element = 30017;
inline constexpr int native_window_handle = 30020;
inline constexpr int is_offscreen = 30022;
inline constexpr int framework_id = 30024;
inline constexpr int value_value = 30045;
inline constexpr int value_is_read_only = 30046;
inline constexpr int range_value_value = 30047;
inline constexpr int range_value_is_read_only = 30048;
inline constexpr int range_value_minimum = 30049;
inline constexpr int range_value_maximum = 30050;
inline constexpr int range_value_large_change = 30051;
inline constexpr int range_value_small_change = 30052;
inline constexpr int selection_can_select_multiple = 30060;
inline constexpr int selection_is_selection_required = 30061;
inline constexpr int expand_collapse_state = 30070;
inline constexpr int selection_item_is_selected = 30079;
inline constexpr int toggle_state = 30086;
inline constexpr int is_dialog = 30174;
// Patterns.
inline constexpr int invoke_pattern = 10000;
inline constexpr int selection_pattern = 10001;
inline constexpr int value_pattern = 10002;
inline constexpr int range_value_pattern = 10003;
inline constexpr int expand_collapse_pattern = 10005;
inline constexpr int selection_item_pattern = 10010;
inline constexpr int toggle_pattern = 10015;
// Events.
inline constexpr int structure_changed_event = 20002;
inline constexpr int property_changed_event = 20004;
inline constexpr int focus_changed_event = 20005;
inline constexpr int layout_invalidated_event = 20008;
inline constexpr int invoked_event = 20009;
inline constexpr int element_selected_event = 20012;
// Control types.
inline constexpr int window = 50032;
inline constexpr int pane = 50033;
// Structure change: children invalidated.
inline constexpr int children_invalidated = 2;
// UiaAppendRuntimeId.
inline constexpr int append_runtime_id = 3;
}  // namespace uia

// The class name and control type a role is reported with; any other role counts as 0 (View).
struct RoleInfo {
  const wchar_t* class_name;
  int control_type;
};
[[nodiscard]] RoleInfo role_info(std::int32_t role) noexcept;
// The surface itself (the root, node id 0); a dialog's surface is a window.
inline constexpr RoleInfo surface_role_info{L"win32_ui.Surface", uia::pane};
inline constexpr RoleInfo dialog_surface_role_info{L"win32_ui.Surface", uia::window};
inline constexpr const wchar_t* framework_name = L"win32-ui";

// A property's value as UIA carries it; monostate is "left empty".
using PropertyValue = std::variant<std::monostate, bool, std::int32_t, double, std::wstring>;

// The nodes of one surface at one moment, by id, with the top-level ids and the tree order.
struct Snapshot {
  std::unordered_map<std::uint64_t, SemanticsNode> nodes;
  std::vector<std::uint64_t> top_level;
  std::vector<std::uint64_t> order;  // every id in tree order (pre-order)
  bool exists = false;

  [[nodiscard]] const SemanticsNode* find(std::uint64_t id) const;
  // The first node in tree order that is focused, or null.
  [[nodiscard]] const SemanticsNode* focused() const;
};

// A snapshot of the nodes a view root's registry gives (in tree order); a node whose parent is missing
// from the list counts as top-level. In a window that is disabled (under a modal dialog) every node
// reports itself disabled: the window refuses every action there.
[[nodiscard]] Snapshot make_snapshot(std::vector<SemanticsNode> nodes, bool window_enabled = true);

// The identifier an automation client finds the node by: its own automation id, else "semantics-"
// followed by its id in decimal.
[[nodiscard]] std::wstring automation_id_of(const SemanticsNode& node);

// Whether the node offers a pattern (UIA pattern id): Invoke with the invoke action; Value for the
// edit and combo-box roles or with the set-text action; RangeValue with a range; ExpandCollapse with
// an expand state; Toggle with the toggle action; Selection for the list role; SelectionItem for the
// list-item role with the select action.
[[nodiscard]] bool has_pattern(const SemanticsNode& node, int pattern);
// Value and RangeValue read-only: the node is read-only or lacks the setting action (set numeric for a
// node with a range, set text otherwise).
[[nodiscard]] bool value_read_only(const SemanticsNode& node);
// RangeValue changes: small = step; large = step x 10 when step > 0, else 0.
[[nodiscard]] double small_change(const SemanticsNode& node);
[[nodiscard]] double large_change(const SemanticsNode& node);

// Selection: the list a selectable item belongs to (its nearest ancestor with the list role, or 0 for
// none), and a list's selected items (those it contains, in tree order). Lists select one item at a
// time and may have none selected.
[[nodiscard]] std::uint64_t selection_container(const Snapshot& snapshot, std::uint64_t item);
[[nodiscard]] std::vector<std::uint64_t> selected_items(const Snapshot& snapshot, std::uint64_t list);
// Whether an item may be added to its list's selection: a single-selection list takes it only when no
// other item is selected (then adding is selecting).
[[nodiscard]] bool may_add_to_selection(const Snapshot& snapshot, std::uint64_t item);

// What a node answers for a property that needs no screen geometry and no window (everything but
// bounding rectangle, IsOffscreen, NativeWindowHandle and the runtime id); monostate for the rest.
// Pattern properties (Value, RangeValue, Toggle, ExpandCollapse) answer only when the node offers
// the pattern.
[[nodiscard]] PropertyValue node_property(const SemanticsNode& node, int property);

// Where a surface is on the screen, for turning DIP bounds into screen pixels.
struct ScreenGeometry {
  double dpi = 96.0;
  double ui_scale = 1.0;
  double scroll_offset = 0.0;  // DIPs
  double client_x = 0.0;       // the client area's origin in screen pixels
  double client_y = 0.0;
  double client_width = 0.0;   // pixels
  double client_height = 0.0;
};

// A rectangle in screen pixels.
struct ScreenRect {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;

  [[nodiscard]] bool has_area() const noexcept { return width > 0.0 && height > 0.0; }
  [[nodiscard]] bool contains(double x, double y) const noexcept {
    return has_area() && x >= left && x < left + width && y >= top && y < top + height;
  }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The metrics rule: a DPI of 0 (or not positive and finite) counts as 96, a scale that is not positive
// and finite as 1, a non-finite offset as 0.
[[nodiscard]] ScreenGeometry normalized(ScreenGeometry geometry);
// A node's bounds in screen pixels: k = DPI / 96 x scale; left = x k + client x, top = (y - scroll) k
// + client y, width and height = max(extent x k, 0).
[[nodiscard]] ScreenRect screen_rect(const layout::Rect& bounds, const ScreenGeometry& geometry);
// The client area on the screen.
[[nodiscard]] ScreenRect client_rect(const ScreenGeometry& geometry);
// True unless both rectangles have area and overlap.
[[nodiscard]] bool offscreen(const ScreenRect& node, const ScreenRect& root);

// Fragment navigation from a node (0 = the root). The answer is a node id, 0 for the root, or empty
// for "no such element". From the root only the first and last child answer.
enum class Direction { parent = 0, next_sibling = 1, previous_sibling = 2, first_child = 3, last_child = 4 };
[[nodiscard]] std::optional<std::uint64_t> navigate(const Snapshot& snapshot, std::uint64_t from, Direction direction);

// Element from a screen point: the deepest node whose screen rectangle contains it, topmost (last)
// first; the root when only the client area contains it; empty outside. `rect_of` gives a node's
// screen rectangle (a hosted native control answers its window's rectangle).
template <typename RectOf>
[[nodiscard]] std::optional<std::uint64_t> element_from_point(const Snapshot& snapshot, const ScreenRect& root,
                                                              double x, double y, RectOf&& rect_of);

// Why an action cannot be asked of a node.
enum class ActionCheck { ok = 0, missing = 1, disabled = 2, unsupported = 3 };
// Missing node, disabled node, action not in its set (in that order).
[[nodiscard]] ActionCheck check_action(const Snapshot& snapshot, std::uint64_t id, std::uint32_t action);

// One UIA event a snapshot change raises (in the order they are to be raised).
struct SemanticsEvent {
  enum class Kind {
    property_changed = 0,
    structure_changed = 1,
    layout_invalidated = 2,
    focus_changed = 3,
    invoked = 4,
    element_selected = 5,
  };
  Kind kind = Kind::property_changed;
  std::uint64_t node = 0;  // 0 = the root
  int property = 0;
  PropertyValue old_value;
  PropertyValue new_value;

  friend bool operator==(const SemanticsEvent&, const SemanticsEvent&) = default;
};

// The properties whose changes raise property-changed events, in the order they are compared.
[[nodiscard]] const std::vector<int>& watched_properties();

// What changed from `before` to `after`: property changes of nodes present in both (in the order of
// `after`'s tree, then of watched_properties), an element-selected event on each selectable item that
// became selected, one structure change on the root when the top-level
// list, the set of nodes or any node's parent or children changed, one layout invalidation on the root
// when any node's bounds changed, and a focus change on the newly focused node when focus moved to
// another node. Nothing when `before` does not exist yet.
[[nodiscard]] std::vector<SemanticsEvent> differences(const Snapshot& before, const Snapshot& after);

// --- template definitions

template <typename RectOf>
std::optional<std::uint64_t> element_from_point(const Snapshot& snapshot, const ScreenRect& root, double x, double y,
                                                RectOf&& rect_of) {
  const std::vector<std::uint64_t>* level = &snapshot.top_level;
  std::optional<std::uint64_t> found;
  for (;;) {
    const SemanticsNode* hit = nullptr;
    for (auto it = level->rbegin(); it != level->rend(); ++it) {
      const SemanticsNode* node = snapshot.find(*it);
      if (node != nullptr && rect_of(*node).contains(x, y)) {
        hit = node;
        break;
      }
    }
    if (hit == nullptr) break;
    found = hit->id;
    level = &hit->children;
  }
  if (found) return found;
  if (root.contains(x, y)) return std::uint64_t{0};
  return std::nullopt;
}

}  // namespace win32_ui::accessibility
