#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "modern/tree/view_root.h"
#include "tree_fixture.h"

namespace tree_test {
namespace {

using modern::FocusDirection;
using modern::FocusOrigin;
using modern::Key;
using modern::KeyEvent;
using modern::PointerAction;
using modern::ViewRoot;

// Views that remember being destroyed and count every later call on them: a call on a destroyed view
// is what a dangling focus, hover or capture pointer would make (ASan reports it in the native build).
struct Graveyard {
  std::set<const void*> destroyed;
  int calls_after_death = 0;
  void touch(const void* view) {
    if (destroyed.count(view) != 0) ++calls_after_death;
  }
};

class Canary : public modern::View {
 public:
  explicit Canary(Graveyard& graveyard) : graveyard_(graveyard) {
    set_accepts_pointer_input(true);
    set_focusable(true);
  }
  ~Canary() override { graveyard_.destroyed.insert(this); }
  bool can_focus() const override {
    graveyard_.touch(this);
    return View::can_focus();
  }
  bool hit_test(Point point, modern::HitResult& result) override {
    graveyard_.touch(this);
    return View::hit_test(point, result);
  }
  bool dispatch_pointer(modern::PointerEvent& event) override {
    graveyard_.touch(this);
    return View::dispatch_pointer(event);
  }
  bool on_key(KeyEvent&) override {
    graveyard_.touch(this);
    return false;
  }
  void on_state_changed(std::uint32_t, std::uint32_t) override { graveyard_.touch(this); }

 private:
  Graveyard& graveyard_;
};

struct Tree {
  std::unique_ptr<Layer> root = std::make_unique<Layer>();
  Canary* left = nullptr;
  Canary* right = nullptr;
};

Tree make_tree(Graveyard& graveyard) {
  Tree tree;
  tree.left = add_placed<Canary>(*tree.root, Rect{10, 10, 100, 40}, graveyard);
  tree.right = add_placed<Canary>(*tree.root, Rect{150, 10, 100, 40}, graveyard);
  return tree;
}

// Tab moves focus through the root's traversal, as the surface's key handling does.
void press_tab(ViewRoot& root) {
  KeyEvent tab;
  tab.key = Key::tab;
  root.route_key(tab);
}

void use_everything(ViewRoot& root) {
  layout::LayoutContext context;
  root.layout(Size{400, 300}, context);
  auto move = pointer(PointerAction::move, Point{60, 30});
  root.route_pointer(move);
  auto second = pointer(PointerAction::move, Point{200, 30}, 2);
  root.route_pointer(second);
  press_tab(root);
  root.layout(Size{400, 300}, context);
  auto up = pointer(PointerAction::up, Point{60, 30});
  root.route_pointer(up);
}

// The root replaced (a language change rebuilds the content) or a group cleared while one of its views
// is focused, hovered and holding the press of two pointers: nothing may reach the old views again.
TEST(ViewRootTest, NothingReachesViewsThatLeftTheTreeWhileFocusedHoveredAndCapturing) {
  for (const bool replace_root : {true, false}) {
    SCOPED_TRACE(replace_root ? "root replaced" : "group cleared");
    Graveyard graveyard;
    ViewRoot root;
    root.set_key_fallback([&](KeyEvent& key) {
      return key.key == Key::tab && root.move_focus(FocusDirection::next, FocusOrigin::keyboard);
    });
    Tree tree = make_tree(graveyard);
    Layer* layer = tree.root.get();
    root.set_root(std::move(tree.root));
    layout::LayoutContext context;
    root.layout(Size{400, 300}, context);

    ASSERT_TRUE(root.request_focus(*tree.left, FocusOrigin::keyboard));
    auto hover = pointer(PointerAction::move, Point{60, 30});
    root.route_pointer(hover);
    auto down = pointer(PointerAction::down, Point{60, 30});
    ASSERT_TRUE(root.route_pointer(down));
    auto down2 = pointer(PointerAction::down, Point{60, 30}, 2);
    root.route_pointer(down2);
    ASSERT_EQ(root.hovered(1), tree.left);
    ASSERT_EQ(root.captured(1), tree.left);

    if (replace_root) {
      Tree fresh = make_tree(graveyard);
      root.set_root(std::move(fresh.root));
    } else {
      layer->clear_children();
    }
    EXPECT_EQ(graveyard.destroyed.size(), 2u) << "the old views must really be gone for this test";
    EXPECT_EQ(root.focused(), nullptr);
    EXPECT_EQ(root.captured(1), nullptr);
    EXPECT_EQ(root.captured(2), nullptr);

    use_everything(root);
    EXPECT_EQ(graveyard.calls_after_death, 0);
    if (replace_root) {
      EXPECT_NE(root.focused(), nullptr) << "Tab found nothing in the new tree";
      EXPECT_NE(root.hovered(1), nullptr);
    }
  }
}

// Clearing the outgoing tree's focus gives the window itself native focus, and the window answers by
// asking for the first focusable view: that request must not land in the tree being taken down.
TEST(ViewRootTest, AReplacementNeverFocusesAViewOfTheOutgoingTree) {
  Graveyard graveyard;
  ViewRoot root;
  Tree tree = make_tree(graveyard);
  const std::set<const modern::View*> outgoing{tree.left, tree.right};
  root.set_root(std::move(tree.root));
  layout::LayoutContext context;
  root.layout(Size{400, 300}, context);
  ASSERT_TRUE(root.request_focus(*tree.right, FocusOrigin::keyboard));
  std::vector<modern::View*> gained;
  root.set_focus_listener([&](modern::View*, modern::View* view, FocusOrigin) {
    gained.push_back(view);
    if (view == nullptr) root.move_focus(FocusDirection::next, FocusOrigin::programmatic);  // the native echo
  });
  Tree fresh = make_tree(graveyard);
  root.set_root(std::move(fresh.root));
  for (const modern::View* view : gained) EXPECT_EQ(outgoing.count(view), 0u) << "focus moved into the old tree";
  EXPECT_EQ(graveyard.calls_after_death, 0);
  root.set_focus_listener({});
}

// A press handler that rebuilds the whole content: routing finishes on the old tree, then it goes.
TEST(ViewRootTest, ARootReplacedFromAHandlerWaitsForTheOutermostRouting) {
  Graveyard graveyard;
  ViewRoot root;
  int replacements = 0;
  root.set_root_listener([&] { ++replacements; });
  Tree tree = make_tree(graveyard);
  Canary* left = tree.left;
  root.set_root(std::move(tree.root));
  layout::LayoutContext context;
  root.layout(Size{400, 300}, context);
  replacements = 0;

  left->set_pointer_handler([&](modern::PointerEvent& event) {
    if (event.action != PointerAction::down) return false;
    Tree fresh = make_tree(graveyard);
    root.set_root(std::move(fresh.root));
    EXPECT_TRUE(graveyard.destroyed.empty()) << "destroyed under its own handler";
    EXPECT_EQ(replacements, 0) << "replaced before routing returned";
    return true;
  });
  auto down = pointer(PointerAction::down, Point{60, 30});
  EXPECT_TRUE(root.route_pointer(down));
  EXPECT_EQ(replacements, 1);
  EXPECT_EQ(graveyard.destroyed.size(), 2u);
  EXPECT_EQ(root.captured(1), nullptr) << "a view of the old tree kept the pointer";
  use_everything(root);
  EXPECT_EQ(graveyard.calls_after_death, 0);
}

// Hover changes notify along the changed part of the path only: leaves deepest first, enters outermost first.
TEST(ViewRootTest, HoverLeavesDeepestFirstAndEntersOutermostFirst) {
  std::vector<std::string> log;
  // Hover notices reach each view alone (never forwarded to a child), so listeners see them.
  class Recorder : public modern::PointerListener {
   public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    bool on_pointer(modern::View&, modern::PointerEvent& event) override {
      if (event.action == PointerAction::enter) log_.push_back("enter " + name_);
      if (event.action == PointerAction::leave) log_.push_back("leave " + name_);
      return false;
    }
    std::string name_;
    std::vector<std::string>& log_;
  };
  class Named : public Layer {
   public:
    Named(std::string name, std::vector<std::string>& log) {
      set_accepts_pointer_input(true);
      add_pointer_listener(std::make_shared<Recorder>(std::move(name), log));
    }
  };
  ViewRoot root;
  auto top = std::make_unique<Named>("root", log);
  auto* outer = add_placed<Named>(*top, Rect{0, 0, 200, 200}, "outer", log);
  auto* inner = add_placed<Named>(*outer, Rect{0, 0, 100, 100}, "inner", log);
  add_placed<Named>(*inner, Rect{0, 0, 50, 50}, "deep", log);
  add_placed<Named>(*outer, Rect{100, 100, 100, 100}, "side", log);
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(Size{400, 300}, context);

  auto move = pointer(PointerAction::move, Point{10, 10});
  root.route_pointer(move);
  EXPECT_EQ(log, (std::vector<std::string>{"enter root", "enter outer", "enter inner", "enter deep"}));
  log.clear();
  move = pointer(PointerAction::move, Point{150, 150});
  root.route_pointer(move);
  EXPECT_EQ(log, (std::vector<std::string>{"leave deep", "leave inner", "enter side"}));
  log.clear();
  auto leave = pointer(PointerAction::leave, Point{});
  root.route_pointer(leave);
  EXPECT_EQ(log, (std::vector<std::string>{"leave side", "leave outer", "leave root"}));
  EXPECT_EQ(root.hovered(1), nullptr);

  // Touch does not hover.
  log.clear();
  move = pointer(PointerAction::move, Point{10, 10}, 5);
  move.device = modern::PointerDevice::touch;
  root.route_pointer(move);
  EXPECT_TRUE(log.empty());
}

TEST(ViewRootTest, TabWrapsAndArrowsPreferAlignedCandidates) {
  ViewRoot root;
  auto top = std::make_unique<Layer>();
  auto* origin = add_placed<Box>(*top, Rect{100, 100, 50, 20});
  // Right of the origin: a near one below the row, and a farther one on the row.
  auto* near_unaligned = add_placed<Box>(*top, Rect{160, 130, 40, 20});
  auto* far_aligned = add_placed<Box>(*top, Rect{300, 110, 40, 20});
  // Two equal candidates above: the earlier wins.
  auto* above_first = add_placed<Box>(*top, Rect{60, 40, 40, 20});
  auto* above_second = add_placed<Box>(*top, Rect{150, 40, 40, 20});
  for (auto* view : {origin, near_unaligned, far_aligned, above_first, above_second}) view->set_focusable(true);
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(Size{400, 300}, context);

  EXPECT_TRUE(root.move_focus(FocusDirection::next, FocusOrigin::keyboard));
  EXPECT_EQ(root.focused(), origin) << "Tab with nothing focused takes the first";
  EXPECT_TRUE(root.move_focus(FocusDirection::previous, FocusOrigin::keyboard));
  EXPECT_EQ(root.focused(), above_second) << "Shift+Tab on the first wraps to the last";
  EXPECT_TRUE(root.focus_visible());

  root.request_focus(*origin, FocusOrigin::pointer);
  EXPECT_FALSE(root.focus_visible());
  root.move_focus(FocusDirection::right, FocusOrigin::keyboard);
  EXPECT_EQ(root.focused(), far_aligned);
  root.request_focus(*origin, FocusOrigin::pointer);
  root.move_focus(FocusDirection::up, FocusOrigin::keyboard);
  EXPECT_EQ(root.focused(), above_first);
  // Nothing lies left of the leftmost: focus stays.
  EXPECT_FALSE(root.move_focus(FocusDirection::left, FocusOrigin::keyboard));
  EXPECT_EQ(root.focused(), above_first);
}

TEST(ViewRootTest, AcceleratorsAndBoundWidgetsInvokeKnownCommandsOnly) {
  modern::CommandRegistry commands;
  modern::AcceleratorTable accelerators;
  int saves = 0;
  bool can_save = true;
  commands.add(7, [&] { ++saves; }, [&] { return can_save; });
  accelerators.add({Key(static_cast<int>(Key::letter_a) + ('S' - 'A')), modern::key_modifier_control, 7, false});
  accelerators.add({Key::f1, modern::key_modifier_none, 99, false});  // unknown command
  ViewRoot root;
  root.set_commands(&commands, &accelerators);
  auto top = std::make_unique<Layer>();
  auto* bound = add_placed<Box>(*top, Rect{0, 0, 10, 10});
  root.set_root(std::move(top));

  KeyEvent ctrl_s;
  ctrl_s.key = Key(static_cast<int>(Key::letter_a) + ('S' - 'A'));
  ctrl_s.modifiers = modern::key_modifier_control;
  EXPECT_TRUE(root.route_key(ctrl_s));
  EXPECT_EQ(saves, 1);
  KeyEvent repeated = ctrl_s;
  repeated.handled = false;
  repeated.was_down_before = true;
  EXPECT_FALSE(root.route_key(repeated)) << "a held key repeats only where allowed";
  KeyEvent shifted = ctrl_s;
  shifted.handled = false;
  shifted.modifiers |= modern::key_modifier_shift;
  EXPECT_FALSE(root.route_key(shifted)) << "modifiers must match exactly";
  can_save = false;
  KeyEvent blocked = ctrl_s;
  blocked.handled = false;
  EXPECT_TRUE(root.route_key(blocked)) << "a known command swallows its key even when it cannot run";
  EXPECT_EQ(saves, 1);
  KeyEvent f1;
  f1.key = Key::f1;
  EXPECT_FALSE(root.route_key(f1));

  // A widget's event that no handler took runs its command; a handled one does not.
  can_save = true;
  modern::Event event;
  event.source = bound;
  event.command_id = 7;
  root.dispatch_event(event);
  EXPECT_EQ(saves, 2);
  bound->add_event_handler(modern::EventKind::invoked, [](modern::Event& e) { e.propagation_stopped = true; });
  modern::Event taken;
  taken.source = bound;
  taken.command_id = 7;
  root.dispatch_event(taken);
  EXPECT_EQ(saves, 2);
}

TEST(ViewRootTest, DirtyRegionJoinsRectanglesAndIgnoresEmptyOnes) {
  ViewRoot root;
  root.clear_dirty();
  root.invalidate(Rect{10, 10, 0, 50});
  EXPECT_FALSE(root.dirty()) << "a zero-width rectangle repaints nothing";
  root.invalidate(Rect{10, 10, 20, 20});
  root.invalidate(Rect{50, 5, 10, 10});
  EXPECT_EQ(root.dirty_rect(), (Rect{10, 5, 50, 25}));
  EXPECT_FALSE(root.whole_surface_dirty());
  root.invalidate(Rect{std::numeric_limits<float>::quiet_NaN(), 0, 10, 10});
  EXPECT_TRUE(root.whole_surface_dirty()) << "a NaN rectangle repaints everything";
}

}  // namespace
}  // namespace tree_test
