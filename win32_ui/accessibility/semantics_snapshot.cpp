#include "accessibility/semantics_snapshot.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace win32_ui::accessibility {

namespace {

constexpr std::array<RoleInfo, 24> role_table{{
    {L"win32_ui.View", 50025},
    {L"win32_ui.Group", 50026},
    {L"win32_ui.Text", 50020},
    {L"win32_ui.Image", 50006},
    {L"win32_ui.Button", 50000},
    {L"win32_ui.Switch", 50000},
    {L"win32_ui.CheckBox", 50002},
    {L"win32_ui.RadioButton", 50013},
    {L"win32_ui.Slider", 50015},
    {L"win32_ui.Edit", 50004},
    {L"win32_ui.ComboBox", 50003},
    {L"win32_ui.Status", 50020},
    {L"win32_ui.LoadingIndicator", 50012},
    {L"win32_ui.Separator", 50038},
    {L"win32_ui.Table", 50025},
    {L"win32_ui.TableRow", 50025},
    {L"win32_ui.TableColumnHeader", 50035},
    {L"win32_ui.TableCell", 50025},
    {L"win32_ui.Tree", 50023},
    {L"win32_ui.TreeItem", 50024},
    {L"win32_ui.NativeHost", 50025},
    {L"win32_ui.ProgressBar", 50012},
    {L"win32_ui.List", 50008},
    {L"win32_ui.ListItem", 50007},
}};

bool has_action(const SemanticsNode& node, std::uint32_t action) { return (node.actions & action) != 0; }

std::int32_t role_of(const SemanticsNode& node) {
  return node.role >= 0 && node.role < static_cast<std::int32_t>(role_table.size()) ? node.role : 0;
}

// The neighbour of `id` in `list` at `step` (+1 next, -1 previous), or empty.
std::optional<std::uint64_t> neighbour(const std::vector<std::uint64_t>& list, std::uint64_t id, int step) {
  const auto at = std::find(list.begin(), list.end(), id);
  if (at == list.end()) return std::nullopt;
  const auto index = static_cast<std::ptrdiff_t>(at - list.begin()) + step;
  if (index < 0 || index >= static_cast<std::ptrdiff_t>(list.size())) return std::nullopt;
  return list[static_cast<std::size_t>(index)];
}

bool same_structure(const Snapshot& a, const Snapshot& b) {
  if (a.top_level != b.top_level || a.nodes.size() != b.nodes.size()) return false;
  for (const auto& [id, node] : b.nodes) {
    const SemanticsNode* old = a.find(id);
    if (old == nullptr || old->parent_id != node.parent_id || old->children != node.children) return false;
  }
  return true;
}

}  // namespace

RoleInfo role_info(std::int32_t role) noexcept {
  if (role < 0 || role >= static_cast<std::int32_t>(role_table.size())) return role_table[0];
  return role_table[static_cast<std::size_t>(role)];
}

const SemanticsNode* Snapshot::find(std::uint64_t id) const {
  const auto it = nodes.find(id);
  return it == nodes.end() ? nullptr : &it->second;
}

const SemanticsNode* Snapshot::focused() const {
  for (const std::uint64_t id : order) {
    const SemanticsNode* node = find(id);
    if (node != nullptr && node->focused) return node;
  }
  return nullptr;
}

Snapshot make_snapshot(std::vector<SemanticsNode> nodes, bool window_enabled) {
  Snapshot snapshot;
  snapshot.exists = true;
  snapshot.order.reserve(nodes.size());
  for (SemanticsNode& node : nodes) {
    if (node.id == 0 || snapshot.nodes.count(node.id) != 0) continue;  // never 0, unique within the surface
    if (!window_enabled) node.enabled = false;
    snapshot.order.push_back(node.id);
    snapshot.nodes.emplace(node.id, std::move(node));
  }
  for (const std::uint64_t id : snapshot.order) {
    SemanticsNode& node = snapshot.nodes.at(id);
    if (node.parent_id != 0 && snapshot.nodes.count(node.parent_id) == 0) node.parent_id = 0;
    if (node.parent_id == 0) snapshot.top_level.push_back(id);
    // Children that are not in the snapshot (or are claimed by another parent) are dropped, so that
    // navigation never hands out a node it cannot answer for.
    std::erase_if(node.children, [&](std::uint64_t child) {
      const SemanticsNode* found = snapshot.find(child);
      return found == nullptr || found->parent_id != id;
    });
  }
  return snapshot;
}

std::wstring automation_id_of(const SemanticsNode& node) {
  if (!node.automation_id.empty()) return node.automation_id;
  return L"semantics-" + std::to_wstring(node.id);
}

bool has_pattern(const SemanticsNode& node, int pattern) {
  const auto role = static_cast<modern::SemanticsRole>(role_of(node));
  switch (pattern) {
    case uia::invoke_pattern:
      return has_action(node, modern::semantics_action_invoke);
    case uia::value_pattern:
      return role == modern::SemanticsRole::edit || role == modern::SemanticsRole::combo_box ||
             has_action(node, modern::semantics_action_set_text_value);
    case uia::range_value_pattern:
      return node.has_range;
    case uia::expand_collapse_pattern:
      return node.has_expand;
    case uia::toggle_pattern:
      return has_action(node, modern::semantics_action_toggle);
    case uia::selection_pattern:
      return role == modern::SemanticsRole::list;
    case uia::selection_item_pattern:
      return role == modern::SemanticsRole::list_item && has_action(node, modern::semantics_action_select);
    default:
      return false;
  }
}

bool value_read_only(const SemanticsNode& node) {
  const std::uint32_t setting = node.has_range ? modern::semantics_action_set_range_value
                                               : modern::semantics_action_set_text_value;
  return node.read_only || !has_action(node, setting);
}

double small_change(const SemanticsNode& node) { return node.range_step; }

double large_change(const SemanticsNode& node) { return node.range_step > 0.0 ? node.range_step * 10.0 : 0.0; }

std::uint64_t selection_container(const Snapshot& snapshot, std::uint64_t item) {
  const SemanticsNode* node = snapshot.find(item);
  // At most one step per node: a parent cycle in a malformed list of nodes ends the walk, not the program.
  for (std::size_t steps = 0; node != nullptr && node->parent_id != 0 && steps < snapshot.nodes.size(); ++steps) {
    node = snapshot.find(node->parent_id);
    if (node != nullptr && role_of(*node) == static_cast<std::int32_t>(modern::SemanticsRole::list)) return node->id;
  }
  return 0;
}

std::vector<std::uint64_t> selected_items(const Snapshot& snapshot, std::uint64_t list) {
  std::vector<std::uint64_t> selected;
  for (const std::uint64_t id : snapshot.order) {
    const SemanticsNode* node = snapshot.find(id);
    if (node != nullptr && node->selected && has_pattern(*node, uia::selection_item_pattern) &&
        selection_container(snapshot, id) == list) {
      selected.push_back(id);
    }
  }
  return selected;
}

bool may_add_to_selection(const Snapshot& snapshot, std::uint64_t item) {
  const std::uint64_t list = selection_container(snapshot, item);
  if (list == 0) return true;
  const std::vector<std::uint64_t> selected = selected_items(snapshot, list);
  return selected.empty() || (selected.size() == 1 && selected.front() == item);
}

PropertyValue node_property(const SemanticsNode& node, int property) {
  const RoleInfo role = role_info(node.role);
  switch (property) {
    case uia::control_type:
      return std::int32_t{role.control_type};
    case uia::name:
      return node.name;
    case uia::has_keyboard_focus:
      return node.focused;
    case uia::is_keyboard_focusable:
      return node.focusable;
    case uia::is_enabled:
      return node.enabled;
    case uia::automation_id:
      return automation_id_of(node);
    case uia::class_name:
      return std::wstring(role.class_name);
    case uia::help_text:
      return node.help_text;
    case uia::is_control_element:
    case uia::is_content_element:
      // The widget's own flag (every role but group and image): cards and icons stay in the raw view only,
      // so a screen reader's control view goes straight from the window to the controls.
      return node.control_element;
    case uia::framework_id:
      return std::wstring(framework_name);
    case uia::expand_collapse_state:
      if (!node.has_expand) return {};
      return std::int32_t{node.expanded ? 1 : 0};
    case uia::value_value:
      if (!has_pattern(node, uia::value_pattern)) return {};
      return node.value;
    case uia::value_is_read_only:
      if (!has_pattern(node, uia::value_pattern)) return {};
      return value_read_only(node);
    case uia::range_value_value:
      if (!node.has_range) return {};
      return node.range_value;
    case uia::range_value_is_read_only:
      if (!node.has_range) return {};
      return value_read_only(node);
    case uia::range_value_minimum:
      if (!node.has_range) return {};
      return node.range_minimum;
    case uia::range_value_maximum:
      if (!node.has_range) return {};
      return node.range_maximum;
    case uia::range_value_small_change:
      if (!node.has_range) return {};
      return small_change(node);
    case uia::range_value_large_change:
      if (!node.has_range) return {};
      return large_change(node);
    case uia::toggle_state:
      if (!has_pattern(node, uia::toggle_pattern) || !node.has_toggle) return {};
      return std::int32_t{node.toggled ? 1 : 0};
    case uia::selection_item_is_selected:
      if (!has_pattern(node, uia::selection_item_pattern)) return {};
      return node.selected;
    case uia::selection_can_select_multiple:
    case uia::selection_is_selection_required:
      if (!has_pattern(node, uia::selection_pattern)) return {};
      return false;
    default:
      return {};
  }
}

ScreenGeometry normalized(ScreenGeometry geometry) {
  if (!std::isfinite(geometry.dpi) || geometry.dpi <= 0.0) geometry.dpi = 96.0;
  if (!std::isfinite(geometry.ui_scale) || geometry.ui_scale <= 0.0) geometry.ui_scale = 1.0;
  if (!std::isfinite(geometry.scroll_offset)) geometry.scroll_offset = 0.0;
  return geometry;
}

ScreenRect screen_rect(const layout::Rect& bounds, const ScreenGeometry& raw) {
  const ScreenGeometry geometry = normalized(raw);
  const double k = geometry.dpi / 96.0 * geometry.ui_scale;
  ScreenRect rect;
  rect.left = static_cast<double>(bounds.x) * k + geometry.client_x;
  rect.top = (static_cast<double>(bounds.y) - geometry.scroll_offset) * k + geometry.client_y;
  rect.width = std::max(static_cast<double>(bounds.width) * k, 0.0);
  rect.height = std::max(static_cast<double>(bounds.height) * k, 0.0);
  if (!std::isfinite(rect.left) || !std::isfinite(rect.top) || !std::isfinite(rect.width) || !std::isfinite(rect.height)) {
    return ScreenRect{};
  }
  return rect;
}

ScreenRect client_rect(const ScreenGeometry& geometry) {
  return ScreenRect{geometry.client_x, geometry.client_y, std::max(geometry.client_width, 0.0),
                    std::max(geometry.client_height, 0.0)};
}

bool offscreen(const ScreenRect& node, const ScreenRect& root) {
  if (!node.has_area() || !root.has_area()) return true;
  const bool overlap = node.left < root.left + root.width && root.left < node.left + node.width &&
                       node.top < root.top + root.height && root.top < node.top + node.height;
  return !overlap;
}

std::optional<std::uint64_t> navigate(const Snapshot& snapshot, std::uint64_t from, Direction direction) {
  if (from == 0) {
    if (snapshot.top_level.empty()) return std::nullopt;
    if (direction == Direction::first_child) return snapshot.top_level.front();
    if (direction == Direction::last_child) return snapshot.top_level.back();
    return std::nullopt;
  }
  const SemanticsNode* node = snapshot.find(from);
  if (node == nullptr) return std::nullopt;
  const std::vector<std::uint64_t>* siblings = &snapshot.top_level;
  if (node->parent_id != 0) {
    const SemanticsNode* parent = snapshot.find(node->parent_id);
    if (parent == nullptr) return std::nullopt;
    siblings = &parent->children;
  }
  switch (direction) {
    case Direction::parent:
      return node->parent_id;
    case Direction::next_sibling:
      return neighbour(*siblings, from, 1);
    case Direction::previous_sibling:
      return neighbour(*siblings, from, -1);
    case Direction::first_child:
      if (node->children.empty()) return std::nullopt;
      return node->children.front();
    case Direction::last_child:
      if (node->children.empty()) return std::nullopt;
      return node->children.back();
  }
  return std::nullopt;
}

ActionCheck check_action(const Snapshot& snapshot, std::uint64_t id, std::uint32_t action) {
  const SemanticsNode* node = snapshot.find(id);
  if (node == nullptr) return ActionCheck::missing;
  if (!node->enabled) return ActionCheck::disabled;
  if (!has_action(*node, action)) return ActionCheck::unsupported;
  return ActionCheck::ok;
}

const std::vector<int>& watched_properties() {
  static const std::vector<int> properties{
      uia::control_type,       uia::name,       uia::has_keyboard_focus,       uia::is_keyboard_focusable,
      uia::is_enabled,         uia::class_name, uia::help_text,                uia::value_value,
      uia::value_is_read_only, uia::range_value_value, uia::range_value_is_read_only, uia::expand_collapse_state,
      uia::toggle_state,       uia::selection_item_is_selected};
  return properties;
}

std::vector<SemanticsEvent> differences(const Snapshot& before, const Snapshot& after) {
  std::vector<SemanticsEvent> events;
  if (!before.exists) return events;
  for (const std::uint64_t id : after.order) {
    const SemanticsNode* old = before.find(id);
    if (old == nullptr) continue;
    const SemanticsNode& now = after.nodes.at(id);
    for (const int property : watched_properties()) {
      PropertyValue was = node_property(*old, property);
      PropertyValue is = node_property(now, property);
      if (was == is) continue;
      events.push_back(SemanticsEvent{SemanticsEvent::Kind::property_changed, id, property, std::move(was), std::move(is)});
    }
  }
  for (const std::uint64_t id : after.order) {
    const SemanticsNode* old = before.find(id);
    const SemanticsNode& now = after.nodes.at(id);
    if (old != nullptr && !old->selected && now.selected && has_pattern(now, uia::selection_item_pattern)) {
      events.push_back(SemanticsEvent{SemanticsEvent::Kind::element_selected, id, 0, {}, {}});
    }
  }
  if (!same_structure(before, after)) {
    events.push_back(SemanticsEvent{SemanticsEvent::Kind::structure_changed, 0, 0, {}, {}});
  }
  bool moved = false;
  for (const auto& [id, node] : after.nodes) {
    const SemanticsNode* old = before.find(id);
    if (old != nullptr && !(old->bounds == node.bounds)) {
      moved = true;
      break;
    }
  }
  if (moved) events.push_back(SemanticsEvent{SemanticsEvent::Kind::layout_invalidated, 0, 0, {}, {}});
  const SemanticsNode* was_focused = before.focused();
  const SemanticsNode* now_focused = after.focused();
  if (now_focused != nullptr && (was_focused == nullptr || was_focused->id != now_focused->id)) {
    events.push_back(SemanticsEvent{SemanticsEvent::Kind::focus_changed, now_focused->id, 0, {}, {}});
  }
  return events;
}

}  // namespace win32_ui::accessibility
