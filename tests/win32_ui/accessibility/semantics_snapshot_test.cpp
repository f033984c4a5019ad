// The platform-free half of the UI Automation bridge: what nodes answer, navigation, hit-testing in
// screen pixels, the action checks, and the events two snapshots differ by. Runs natively too.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "accessibility/semantics_snapshot.h"
#include "modern/panels/list_panel.h"
#include "modern/panels/list_row.h"
#include "modern/tree/focus_manager.h"
#include "modern/tree/view_root.h"
#include "tree_fixture.h"

namespace semantics_snapshot_test {
namespace {

using namespace win32_ui;
using accessibility::Direction;
using accessibility::PropertyValue;
using accessibility::SemanticsEvent;
using accessibility::Snapshot;
using modern::SemanticsNode;
using modern::SemanticsRole;
namespace uia = accessibility::uia;

SemanticsNode node(std::uint64_t id, SemanticsRole role, std::wstring name = {}, std::uint64_t parent = 0,
                   std::vector<std::uint64_t> children = {}) {
  SemanticsNode n;
  n.id = id;
  n.role = static_cast<std::int32_t>(role);
  n.name = std::move(name);
  n.parent_id = parent;
  n.children = std::move(children);
  n.control_element = true;
  return n;
}

TEST(SemanticsSnapshot, RolesReportTheirClassNameControlTypeAndAutomationId) {
  SemanticsNode button = node(42, SemanticsRole::button, L"Export");
  EXPECT_EQ(accessibility::node_property(button, uia::automation_id), PropertyValue(std::wstring(L"semantics-42")));
  EXPECT_EQ(accessibility::node_property(button, uia::class_name), PropertyValue(std::wstring(L"win32_ui.Button")));
  EXPECT_EQ(accessibility::node_property(button, uia::control_type), PropertyValue(std::int32_t{50000}));
  EXPECT_EQ(accessibility::node_property(button, uia::name), PropertyValue(std::wstring(L"Export")));
  EXPECT_EQ(accessibility::node_property(button, uia::framework_id), PropertyValue(std::wstring(L"win32-ui")));
  SemanticsNode toggle = node(43, SemanticsRole::toggle_switch);
  EXPECT_EQ(accessibility::node_property(toggle, uia::control_type), PropertyValue(std::int32_t{50000}));
  EXPECT_EQ(accessibility::node_property(toggle, uia::class_name), PropertyValue(std::wstring(L"win32_ui.Switch")));
  // An explicit automation id wins; an unknown role is a plain view.
  button.automation_id = L"export";
  EXPECT_EQ(accessibility::node_property(button, uia::automation_id), PropertyValue(std::wstring(L"export")));
  SemanticsNode odd = node(44, static_cast<SemanticsRole>(77));
  EXPECT_EQ(accessibility::node_property(odd, uia::class_name), PropertyValue(std::wstring(L"win32_ui.View")));
  EXPECT_EQ(accessibility::node_property(odd, uia::control_type), PropertyValue(std::int32_t{50025}));
  EXPECT_EQ(accessibility::role_info(-1).control_type, 50025);
  EXPECT_EQ(accessibility::role_info(20).control_type, 50025);
  EXPECT_STREQ(accessibility::role_info(12).class_name, L"win32_ui.LoadingIndicator");
  EXPECT_EQ(accessibility::role_info(12).control_type, 50012);
  // Unlisted properties are left empty.
  EXPECT_EQ(accessibility::node_property(button, 30999), PropertyValue{});
}

TEST(SemanticsSnapshot, PatternsFollowActionsAndStates) {
  SemanticsNode slider = node(1, SemanticsRole::slider);
  slider.has_range = true;
  slider.range_maximum = 1.0;
  slider.range_step = 1.0;
  slider.actions = modern::semantics_action_set_range_value;
  EXPECT_TRUE(accessibility::has_pattern(slider, uia::range_value_pattern));
  EXPECT_DOUBLE_EQ(accessibility::small_change(slider), 1.0);
  EXPECT_DOUBLE_EQ(accessibility::large_change(slider), 10.0);
  EXPECT_FALSE(accessibility::value_read_only(slider));
  slider.range_step = 0.0;
  EXPECT_DOUBLE_EQ(accessibility::small_change(slider), 0.0);
  EXPECT_DOUBLE_EQ(accessibility::large_change(slider), 0.0);
  EXPECT_EQ(accessibility::node_property(slider, uia::range_value_large_change), PropertyValue(0.0));

  // An edit without the set-text action still offers Value, read-only.
  SemanticsNode edit = node(2, SemanticsRole::edit);
  edit.value = L"abc";
  EXPECT_TRUE(accessibility::has_pattern(edit, uia::value_pattern));
  EXPECT_TRUE(accessibility::value_read_only(edit));
  EXPECT_EQ(accessibility::node_property(edit, uia::value_value), PropertyValue(std::wstring(L"abc")));
  EXPECT_EQ(accessibility::node_property(edit, uia::value_is_read_only), PropertyValue(true));
  edit.actions = modern::semantics_action_set_text_value;
  EXPECT_FALSE(accessibility::value_read_only(edit));
  edit.read_only = true;
  EXPECT_TRUE(accessibility::value_read_only(edit));

  SemanticsNode box = node(3, SemanticsRole::check_box);
  EXPECT_FALSE(accessibility::has_pattern(box, uia::toggle_pattern));
  EXPECT_EQ(accessibility::node_property(box, uia::toggle_state), PropertyValue{});
  box.actions = modern::semantics_action_toggle;
  box.has_toggle = true;
  box.toggled = true;
  EXPECT_TRUE(accessibility::has_pattern(box, uia::toggle_pattern));
  EXPECT_EQ(accessibility::node_property(box, uia::toggle_state), PropertyValue(std::int32_t{1}));
  EXPECT_FALSE(accessibility::has_pattern(box, uia::invoke_pattern));
  EXPECT_FALSE(accessibility::has_pattern(box, uia::value_pattern));

  SemanticsNode combo = node(4, SemanticsRole::combo_box);
  EXPECT_TRUE(accessibility::has_pattern(combo, uia::value_pattern));
  EXPECT_FALSE(accessibility::has_pattern(combo, uia::expand_collapse_pattern));
  EXPECT_EQ(accessibility::node_property(combo, uia::expand_collapse_state), PropertyValue{});
  combo.has_expand = true;
  EXPECT_TRUE(accessibility::has_pattern(combo, uia::expand_collapse_pattern));
  EXPECT_EQ(accessibility::node_property(combo, uia::expand_collapse_state), PropertyValue(std::int32_t{0}));
  EXPECT_FALSE(accessibility::has_pattern(combo, 10001));  // no Selection pattern
}

Snapshot tree() {
  // 1 (group) holds 2 and 3; 3 holds 4; 5 is a second top-level node.
  std::vector<SemanticsNode> nodes{node(1, SemanticsRole::group, L"card", 0, {2, 3}), node(2, SemanticsRole::button, L"a", 1),
                                   node(3, SemanticsRole::group, L"inner", 1, {4}), node(4, SemanticsRole::text, L"deep", 3),
                                   node(5, SemanticsRole::button, L"b")};
  nodes[0].bounds = {0, 0, 200, 100};
  nodes[1].bounds = {10, 10, 50, 20};
  nodes[2].bounds = {100, 10, 80, 80};
  nodes[3].bounds = {110, 20, 20, 20};
  nodes[4].bounds = {0, 150, 50, 20};
  return accessibility::make_snapshot(std::move(nodes));
}

TEST(SemanticsSnapshot, NavigationWalksParentsSiblingsAndChildren) {
  const Snapshot s = tree();
  ASSERT_EQ(s.top_level, (std::vector<std::uint64_t>{1, 5}));
  using accessibility::navigate;
  EXPECT_EQ(navigate(s, 0, Direction::first_child), std::optional<std::uint64_t>(1));
  EXPECT_EQ(navigate(s, 0, Direction::last_child), std::optional<std::uint64_t>(5));
  EXPECT_EQ(navigate(s, 0, Direction::parent), std::nullopt);
  EXPECT_EQ(navigate(s, 0, Direction::next_sibling), std::nullopt);
  EXPECT_EQ(navigate(s, 1, Direction::parent), std::optional<std::uint64_t>(0));
  EXPECT_EQ(navigate(s, 1, Direction::next_sibling), std::optional<std::uint64_t>(5));
  EXPECT_EQ(navigate(s, 5, Direction::previous_sibling), std::optional<std::uint64_t>(1));
  EXPECT_EQ(navigate(s, 5, Direction::next_sibling), std::nullopt);
  EXPECT_EQ(navigate(s, 2, Direction::next_sibling), std::optional<std::uint64_t>(3));
  EXPECT_EQ(navigate(s, 2, Direction::previous_sibling), std::nullopt);
  EXPECT_EQ(navigate(s, 3, Direction::first_child), std::optional<std::uint64_t>(4));
  EXPECT_EQ(navigate(s, 3, Direction::last_child), std::optional<std::uint64_t>(4));
  EXPECT_EQ(navigate(s, 4, Direction::parent), std::optional<std::uint64_t>(3));
  EXPECT_EQ(navigate(s, 4, Direction::first_child), std::nullopt);
  EXPECT_EQ(navigate(s, 99, Direction::parent), std::nullopt);
  EXPECT_EQ(s.focused(), nullptr);
  EXPECT_EQ(accessibility::make_snapshot({}).top_level.size(), 0u);
}

TEST(SemanticsSnapshot, AParentMissingFromTheListMakesATopLevelNodeAndForeignChildrenAreDropped) {
  Snapshot s = accessibility::make_snapshot({node(7, SemanticsRole::text, L"", 99, {8, 9}), node(8, SemanticsRole::text, L"", 7),
                                             node(0, SemanticsRole::text), node(7, SemanticsRole::button)});
  EXPECT_EQ(s.top_level, (std::vector<std::uint64_t>{7}));
  EXPECT_EQ(s.nodes.size(), 2u);  // id 0 and the duplicate 7 are ignored
  EXPECT_EQ(s.find(7)->children, (std::vector<std::uint64_t>{8}));
}

TEST(SemanticsSnapshot, ScreenRectanglesFollowDpiScaleScrollAndTheClientOrigin) {
  accessibility::ScreenGeometry g;
  g.dpi = 144;
  g.ui_scale = 0.5;
  g.scroll_offset = 10;
  g.client_x = 100;
  g.client_y = 200;
  const accessibility::ScreenRect r = accessibility::screen_rect(layout::Rect{20, 30, 40, -5}, g);
  EXPECT_DOUBLE_EQ(r.left, 20 * 0.75 + 100);
  EXPECT_DOUBLE_EQ(r.top, (30 - 10) * 0.75 + 200);
  EXPECT_DOUBLE_EQ(r.width, 30);
  EXPECT_DOUBLE_EQ(r.height, 0);
  // Metrics out of range count as 96 DPI, scale 1 and no scroll.
  g.dpi = 0;
  g.ui_scale = -1;
  g.scroll_offset = std::numeric_limits<double>::quiet_NaN();
  const accessibility::ScreenRect plain = accessibility::screen_rect(layout::Rect{20, 30, 40, 5}, g);
  EXPECT_EQ(plain, (accessibility::ScreenRect{120, 230, 40, 5}));
  const accessibility::ScreenRect root{100, 200, 400, 300};
  EXPECT_FALSE(accessibility::offscreen(plain, root));
  EXPECT_TRUE(accessibility::offscreen(accessibility::ScreenRect{600, 230, 40, 5}, root));
  EXPECT_TRUE(accessibility::offscreen(accessibility::ScreenRect{120, 230, 0, 5}, root));
  EXPECT_TRUE(accessibility::offscreen(plain, accessibility::ScreenRect{}));
}

TEST(SemanticsSnapshot, ElementFromPointFindsTheDeepestTopmostNodeTheRootOrNothing) {
  const Snapshot s = tree();
  accessibility::ScreenGeometry g;
  g.client_x = 1000;
  g.client_y = 500;
  g.client_width = 400;
  g.client_height = 300;
  const auto at = [&](double x, double y) {
    return accessibility::element_from_point(s, accessibility::client_rect(g), 1000 + x, 500 + y,
                                             [&](const SemanticsNode& n) { return accessibility::screen_rect(n.bounds, g); });
  };
  EXPECT_EQ(at(115, 25), std::optional<std::uint64_t>(4));
  EXPECT_EQ(at(150, 80), std::optional<std::uint64_t>(3));
  EXPECT_EQ(at(20, 15), std::optional<std::uint64_t>(2));
  EXPECT_EQ(at(5, 95), std::optional<std::uint64_t>(1));
  EXPECT_EQ(at(10, 160), std::optional<std::uint64_t>(5));
  // An empty area of the window is the root; outside the window there is nothing.
  EXPECT_EQ(at(300, 250), std::optional<std::uint64_t>(0));
  EXPECT_EQ(at(-5, 10), std::nullopt);
  EXPECT_EQ(at(400, 10), std::nullopt);  // the right edge is outside (half-open)
}

TEST(SemanticsSnapshot, ActionsAreCheckedForPresenceEnabledAndSupport) {
  std::vector<SemanticsNode> nodes{node(1, SemanticsRole::button), node(2, SemanticsRole::button)};
  nodes[0].actions = modern::semantics_action_invoke;
  nodes[1].actions = modern::semantics_action_invoke;
  nodes[1].enabled = false;
  const Snapshot s = accessibility::make_snapshot(std::move(nodes));
  using accessibility::ActionCheck;
  EXPECT_EQ(accessibility::check_action(s, 1, modern::semantics_action_invoke), ActionCheck::ok);
  EXPECT_EQ(accessibility::check_action(s, 1, modern::semantics_action_toggle), ActionCheck::unsupported);
  EXPECT_EQ(accessibility::check_action(s, 2, modern::semantics_action_invoke), ActionCheck::disabled);
  EXPECT_EQ(accessibility::check_action(s, 3, modern::semantics_action_invoke), ActionCheck::missing);

  // Under a modal dialog the window refuses everything: every node says so, and the change is an event.
  std::vector<SemanticsNode> again{node(1, SemanticsRole::button), node(2, SemanticsRole::group, L"card", 0, {3}),
                                   node(3, SemanticsRole::edit, L"text", 2)};
  again[0].actions = modern::semantics_action_invoke;
  const Snapshot blocked = accessibility::make_snapshot(again, false);
  for (const std::uint64_t id : {1u, 2u, 3u}) {
    EXPECT_EQ(accessibility::node_property(*blocked.find(id), uia::is_enabled), PropertyValue(false)) << id;
  }
  EXPECT_EQ(accessibility::check_action(blocked, 1, modern::semantics_action_invoke), ActionCheck::disabled);
  const Snapshot free = accessibility::make_snapshot(again, true);
  EXPECT_EQ(accessibility::node_property(*free.find(3), uia::is_enabled), PropertyValue(true));
  const std::vector<SemanticsEvent> events = accessibility::differences(free, blocked);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const SemanticsEvent& e) { return e.property == uia::is_enabled; }),
            3);
}

TEST(SemanticsSnapshot, DifferencesBecomePropertyStructureLayoutAndFocusEvents) {
  const Snapshot first = tree();
  // Nothing to compare with before the first snapshot.
  EXPECT_TRUE(accessibility::differences(Snapshot{}, first).empty());
  EXPECT_TRUE(accessibility::differences(first, tree()).empty());

  // A name and a toggle state change; focus moves to 2.
  std::vector<SemanticsNode> nodes;
  for (const std::uint64_t id : first.order) nodes.push_back(first.nodes.at(id));
  nodes[1].name = L"renamed";
  nodes[1].focused = true;
  nodes[4].actions = modern::semantics_action_toggle;
  nodes[4].has_toggle = true;
  const Snapshot second = accessibility::make_snapshot(nodes);
  const std::vector<SemanticsEvent> events = accessibility::differences(first, second);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], (SemanticsEvent{SemanticsEvent::Kind::property_changed, 2, uia::name, std::wstring(L"a"),
                                       std::wstring(L"renamed")}));
  EXPECT_EQ(events[1], (SemanticsEvent{SemanticsEvent::Kind::property_changed, 2, uia::has_keyboard_focus, false, true}));
  EXPECT_EQ(events[2], (SemanticsEvent{SemanticsEvent::Kind::property_changed, 5, uia::toggle_state, PropertyValue{},
                                       std::int32_t{0}}));
  EXPECT_EQ(events[3], (SemanticsEvent{SemanticsEvent::Kind::focus_changed, 2, 0, {}, {}}));

  // Focus staying on the same node raises no focus event; a moved node and a removed one raise one
  // layout and one structure event on the root.
  std::vector<SemanticsNode> third_nodes = nodes;
  third_nodes[0].bounds.x = 5;
  third_nodes[0].bounds.y = 7;
  third_nodes.pop_back();
  const std::vector<SemanticsEvent> later = accessibility::differences(second, accessibility::make_snapshot(third_nodes));
  ASSERT_EQ(later.size(), 2u);
  EXPECT_EQ(later[0].kind, SemanticsEvent::Kind::structure_changed);
  EXPECT_EQ(later[0].node, 0u);
  EXPECT_EQ(later[1].kind, SemanticsEvent::Kind::layout_invalidated);

  // A changed list of children alone is a structure change.
  std::vector<SemanticsNode> reordered = nodes;
  reordered[0].children = {3, 2};
  const std::vector<SemanticsEvent> order = accessibility::differences(second, accessibility::make_snapshot(reordered));
  ASSERT_EQ(order.size(), 1u);
  EXPECT_EQ(order[0].kind, SemanticsEvent::Kind::structure_changed);
}

// A list (4) holding two items directly (5, 6) and one inside a group (7 in 8); 9 is an item of no list.
Snapshot list_tree() {
  std::vector<SemanticsNode> nodes{node(4, SemanticsRole::list, L"Photos", 0, {5, 6, 8}),
                                   node(5, SemanticsRole::list_item, L"a.jpg", 4),
                                   node(6, SemanticsRole::list_item, L"b.jpg", 4),
                                   node(8, SemanticsRole::group, L"", 4, {7}),
                                   node(7, SemanticsRole::list_item, L"c.jpg", 8),
                                   node(9, SemanticsRole::list_item, L"stray")};
  for (SemanticsNode& n : nodes) {
    if (n.role == static_cast<std::int32_t>(SemanticsRole::list_item)) n.actions = modern::semantics_action_select;
  }
  nodes[2].selected = true;
  return accessibility::make_snapshot(std::move(nodes));
}

TEST(SemanticsSnapshot, ListsOfferSelectionAndTheirItemsSelectionItem) {
  const Snapshot s = list_tree();
  const SemanticsNode& list = *s.find(4);
  const SemanticsNode& item = *s.find(5);
  const SemanticsNode& selected = *s.find(6);
  EXPECT_EQ(accessibility::node_property(list, uia::control_type), PropertyValue(std::int32_t{50008}));
  EXPECT_EQ(accessibility::node_property(list, uia::class_name), PropertyValue(std::wstring(L"win32_ui.List")));
  EXPECT_EQ(accessibility::node_property(item, uia::control_type), PropertyValue(std::int32_t{50007}));
  EXPECT_EQ(accessibility::node_property(item, uia::class_name), PropertyValue(std::wstring(L"win32_ui.ListItem")));
  EXPECT_EQ(accessibility::role_info(21).control_type, 50012) << "the roles before keep their numbers";

  // Patterns only where they belong: a combo box selects too, but is no list item.
  EXPECT_TRUE(accessibility::has_pattern(list, uia::selection_pattern));
  EXPECT_FALSE(accessibility::has_pattern(list, uia::selection_item_pattern));
  EXPECT_TRUE(accessibility::has_pattern(item, uia::selection_item_pattern));
  EXPECT_FALSE(accessibility::has_pattern(item, uia::selection_pattern));
  SemanticsNode inert = item;
  inert.actions = modern::semantics_action_none;
  EXPECT_FALSE(accessibility::has_pattern(inert, uia::selection_item_pattern));
  EXPECT_EQ(accessibility::node_property(inert, uia::selection_item_is_selected), PropertyValue{});
  SemanticsNode combo = node(10, SemanticsRole::combo_box);
  combo.actions = modern::semantics_action_select;
  EXPECT_FALSE(accessibility::has_pattern(combo, uia::selection_item_pattern));

  EXPECT_EQ(accessibility::node_property(item, uia::selection_item_is_selected), PropertyValue(false));
  EXPECT_EQ(accessibility::node_property(selected, uia::selection_item_is_selected), PropertyValue(true));
  EXPECT_EQ(accessibility::node_property(list, uia::selection_can_select_multiple), PropertyValue(false));
  EXPECT_EQ(accessibility::node_property(list, uia::selection_is_selection_required), PropertyValue(false));
  EXPECT_EQ(accessibility::node_property(item, uia::selection_can_select_multiple), PropertyValue{});

  // The container is the nearest list, through groups; an item outside any list has none.
  EXPECT_EQ(accessibility::selection_container(s, 5), 4u);
  EXPECT_EQ(accessibility::selection_container(s, 7), 4u);
  EXPECT_EQ(accessibility::selection_container(s, 9), 0u);
  EXPECT_EQ(accessibility::selected_items(s, 4), (std::vector<std::uint64_t>{6}));
  // One item at a time: the selected one may be added again, another may not.
  EXPECT_TRUE(accessibility::may_add_to_selection(s, 6));
  EXPECT_FALSE(accessibility::may_add_to_selection(s, 5));
  EXPECT_TRUE(accessibility::may_add_to_selection(s, 9));
}

TEST(SemanticsSnapshot, SelectingAnotherItemRaisesIsSelectedOnBothAndElementSelectedOnTheNewOne) {
  const Snapshot before = list_tree();
  std::vector<SemanticsNode> nodes;
  for (const std::uint64_t id : before.order) nodes.push_back(before.nodes.at(id));
  nodes[1].selected = true;   // 5
  nodes[2].selected = false;  // 6
  const std::vector<SemanticsEvent> events = accessibility::differences(before, accessibility::make_snapshot(nodes));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0], (SemanticsEvent{SemanticsEvent::Kind::property_changed, 5, uia::selection_item_is_selected, false, true}));
  EXPECT_EQ(events[1], (SemanticsEvent{SemanticsEvent::Kind::property_changed, 6, uia::selection_item_is_selected, true, false}));
  EXPECT_EQ(events[2], (SemanticsEvent{SemanticsEvent::Kind::element_selected, 5, 0, {}, {}}));
}

// --- the view root's registry

class Described : public tree_test::Layer {
 public:
  Described(SemanticsRole role, std::wstring name, bool focusable = false) : role_(role), name_(std::move(name)) {
    set_focusable(focusable);
  }
  void describe(SemanticsNode& node) override {
    node.id = id();
    node.role = static_cast<std::int32_t>(role_);
    node.name = name_;
  }

 private:
  SemanticsRole role_;
  std::wstring name_;
};

TEST(SemanticsRegistry, DescribedViewsFormTheTreeWithTheirBoundsFocusAndAutomationIds) {
  modern::ViewRoot root;
  int changes = 0;
  root.set_semantics_listener([&] { ++changes; });
  auto top = std::make_unique<Described>(SemanticsRole::group, L"window");
  // A plain group describes nothing: its children belong to the nearest described ancestor.
  auto* plain = tree_test::add_placed<tree_test::Layer>(*top, layout::Rect{0, 0, 300, 200});
  auto* button = tree_test::add_placed<Described>(*plain, layout::Rect{10, 20, 80, 30}, SemanticsRole::button, L"Export", true);
  auto* hidden = tree_test::add_placed<Described>(*plain, layout::Rect{0, 0, 80, 30}, SemanticsRole::text, L"hidden");
  tree_test::add_placed<Described>(*hidden, layout::Rect{0, 0, 10, 10}, SemanticsRole::text, L"inside hidden");
  auto* text = tree_test::add_placed<Described>(*top, layout::Rect{0, 250, 50, 20}, SemanticsRole::text, L"label");
  modern::View* top_view = top.get();
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(layout::Size{400, 300}, context);
  button->set_automation_id(L"export");
  EXPECT_GT(changes, 0) << "an automation id is semantics";
  hidden->set_visibility(layout::Visibility::hidden);
  root.layout(layout::Size{400, 300}, context);
  root.request_focus(*button, modern::FocusOrigin::keyboard);

  const std::vector<SemanticsNode> nodes = root.semantic_nodes();
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].id, top_view->id());
  EXPECT_EQ(nodes[0].parent_id, 0u);
  EXPECT_EQ(nodes[0].children, (std::vector<std::uint64_t>{button->id(), text->id()}));
  EXPECT_EQ(nodes[1].id, button->id());
  EXPECT_EQ(nodes[1].parent_id, top_view->id());
  EXPECT_EQ(nodes[1].automation_id, L"export");
  EXPECT_TRUE(nodes[1].focused);
  EXPECT_TRUE(nodes[1].focusable);
  EXPECT_EQ(nodes[1].bounds, (layout::Rect{10, 20, 80, 30}));
  EXPECT_EQ(nodes[2].name, L"label");
  EXPECT_FALSE(nodes[2].focused);

  EXPECT_EQ(root.semantic_view(button->id()), button);
  EXPECT_EQ(root.semantic_view(hidden->id()), nullptr) << "a hidden view takes no actions";
  EXPECT_EQ(root.semantic_view(0), nullptr);

  const Snapshot snapshot = accessibility::make_snapshot(nodes);
  EXPECT_EQ(snapshot.focused()->id, button->id());
  EXPECT_EQ(snapshot.top_level, (std::vector<std::uint64_t>{top_view->id()}));
}

TEST(SemanticsRegistry, APanelGivenARoleHoldsItsSubtreeAndHiddenLabelsLeaveNoNode) {
  modern::ViewRoot root;
  auto top = std::make_unique<tree_test::Layer>();
  // A card: a panel named by its title, with a label that names the control beside it.
  auto* card = tree_test::add_placed<tree_test::Layer>(*top, layout::Rect{0, 0, 300, 200});
  card->set_semantics_role(SemanticsRole::group);
  card->set_accessible_name(std::wstring(L"Layout"));
  auto* title = tree_test::add_placed<Described>(*card, layout::Rect{0, 0, 80, 20}, SemanticsRole::text, L"Layout");
  title->set_semantics_hidden(true);
  auto* row = tree_test::add_placed<tree_test::Layer>(*card, layout::Rect{0, 30, 300, 30});
  auto* label = tree_test::add_placed<Described>(*row, layout::Rect{0, 30, 80, 30}, SemanticsRole::text, L"Position");
  label->set_semantics_hidden(true);
  auto* box = tree_test::add_placed<Described>(*row, layout::Rect{90, 30, 200, 30}, SemanticsRole::combo_box, L"Position");
  auto* outside = tree_test::add_placed<Described>(*top, layout::Rect{0, 210, 80, 20}, SemanticsRole::text, L"status");
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(layout::Size{400, 300}, context);

  const Snapshot snapshot = accessibility::make_snapshot(root.semantic_nodes());
  ASSERT_EQ(snapshot.order, (std::vector<std::uint64_t>{card->id(), box->id(), outside->id()}));
  const SemanticsNode& group = *snapshot.find(card->id());
  EXPECT_EQ(group.children, (std::vector<std::uint64_t>{box->id()}));
  EXPECT_EQ(accessibility::node_property(group, uia::control_type), PropertyValue(std::int32_t{50026}));
  EXPECT_EQ(group.name, L"Layout");
  EXPECT_TRUE(group.control_element) << "a named group is announced on the way into its controls";
  EXPECT_EQ(snapshot.find(box->id())->parent_id, card->id());
  EXPECT_EQ(snapshot.top_level, (std::vector<std::uint64_t>{card->id(), outside->id()}));
}

TEST(SemanticsRegistry, AListPanelPublishesItsRowsAsItemsSelectsOneAtATimeAndIsOneTabStop) {
  modern::ViewRoot root;
  auto top = std::make_unique<tree_test::Layer>();
  auto* before = tree_test::add_placed<Described>(*top, layout::Rect{0, 0, 80, 30}, SemanticsRole::button, L"Open", true);
  auto* list = tree_test::add_placed<modern::ListPanel>(*top, layout::Rect{0, 40, 300, 120});
  list->set_accessible_name(std::wstring(L"Photos"));
  std::vector<modern::ListRow*> rows;
  std::vector<int> chosen(3, 0);
  for (int i = 0; i < 3; ++i) {
    auto row = std::make_unique<modern::ListRow>(std::make_unique<tree_test::Box>());
    row->set_accessible_name(L"photo " + std::to_wstring(i));
    row->on_chosen([&chosen, i] { ++chosen[static_cast<std::size_t>(i)]; });
    rows.push_back(static_cast<modern::ListRow*>(list->add_child(std::move(row))));
  }
  auto* after = tree_test::add_placed<Described>(*top, layout::Rect{0, 170, 80, 30}, SemanticsRole::button, L"Export", true);
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(layout::Size{400, 300}, context);

  // While none is selected, the first row is the list's one Tab stop.
  using Stops = std::vector<modern::View*>;
  EXPECT_EQ(modern::focus_candidates(*root.root()), (Stops{before, rows[0], after}));

  modern::ActionRequest select;
  select.action = modern::semantics_action_select;
  ASSERT_TRUE(root.semantic_view(rows[1]->id())->perform_action(select));
  EXPECT_EQ(chosen, (std::vector<int>{0, 1, 0}));
  rows[2]->set_selected(true);
  EXPECT_EQ(chosen, (std::vector<int>{0, 1, 0})) << "selecting from code is not choosing";
  EXPECT_FALSE(rows[1]->selected()) << "one row at a time";
  EXPECT_EQ(list->selected_row(), rows[2]);
  EXPECT_EQ(modern::focus_candidates(*root.root()), (Stops{before, rows[2], after}));

  const Snapshot snapshot = accessibility::make_snapshot(root.semantic_nodes());
  const SemanticsNode& list_node = *snapshot.find(list->id());
  EXPECT_EQ(list_node.role, static_cast<std::int32_t>(SemanticsRole::list));
  EXPECT_EQ(list_node.name, L"Photos");
  EXPECT_TRUE(list_node.control_element);
  EXPECT_EQ(list_node.children, (std::vector<std::uint64_t>{rows[0]->id(), rows[1]->id(), rows[2]->id()}));
  const SemanticsNode& item = *snapshot.find(rows[0]->id());
  EXPECT_EQ(item.name, L"photo 0");
  EXPECT_TRUE(item.focusable) << "a row takes focus through selection, though it is no Tab stop";
  EXPECT_TRUE(accessibility::has_pattern(item, uia::selection_item_pattern));
  EXPECT_EQ(accessibility::selected_items(snapshot, list->id()), (std::vector<std::uint64_t>{rows[2]->id()}));
}

}  // namespace
}  // namespace semantics_snapshot_test
