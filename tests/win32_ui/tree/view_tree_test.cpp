#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>

#include "tree_fixture.h"

namespace tree_test {
namespace {

using modern::Event;
using modern::EventKind;
using modern::EventPhase;
using modern::KeyEvent;
using modern::PointerAction;
using modern::View;
using test::CanvasCall;
using test::RecordingCanvas;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();

// Colour tags of the fill_rect calls, in paint order.
std::vector<int> painted_tags(const RecordingCanvas& canvas) {
  std::vector<int> tags;
  for (const CanvasCall& call : canvas.calls_of(CanvasCall::Op::fill_rect)) tags.push_back(call.color.r);
  return tags;
}

// A root attached to a host with two leaves: A at (10, 10, 100, 50) and B at (60, 30, 100, 50), overlapping.
struct SmallTree {
  TestHost host;
  std::unique_ptr<Layer> root = std::make_unique<Layer>(1);
  Box* a = nullptr;
  Box* b = nullptr;

  SmallTree() {
    root->attach_to_host(&host);
    a = add_placed<Box>(*root, Rect{10, 10, 100, 50}, std::uint8_t{2});
    b = add_placed<Box>(*root, Rect{60, 30, 100, 50}, std::uint8_t{3});
    a->set_accepts_pointer_input(true);
    b->set_accepts_pointer_input(true);
    lay_out(*root, Size{400, 300});
  }
};

TEST(ViewTreeTest, MisuseOfAddChildIsRefusedWithTheFixedMessagesAndChangesNothing) {
  SmallTree tree;
  try {
    tree.root->add_child(nullptr);
    FAIL() << "a null child was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "modern View child must not be null");
  }

  auto other = std::make_unique<Layer>();
  Box* owned_elsewhere = add_placed<Box>(*other, Rect{0, 0, 5, 5});
  const int notifications = tree.host.notifications();
  ASSERT_TRUE(tree.root->measure_valid());
  try {
    tree.root->add_child(std::unique_ptr<View>(owned_elsewhere));
    FAIL() << "a child with a parent was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "modern View already belongs to a parent");
  }
  EXPECT_EQ(tree.root->child_count(), 2u);
  EXPECT_TRUE(tree.root->measure_valid());
  EXPECT_EQ(tree.host.notifications(), notifications);
  // Still owned and usable by its real parent.
  EXPECT_EQ(owned_elsewhere->parent(), other.get());
  EXPECT_EQ(other->child_at(0), owned_elsewhere);
  EXPECT_EQ(tree.root->child_at(2), nullptr);

  // A group added inside its own subtree would own itself: refused, and the tree stays a tree.
  auto* branch = static_cast<Layer*>(tree.root->add_child(std::make_unique<Layer>()));
  auto* inner = static_cast<Layer*>(branch->add_child(std::make_unique<Layer>()));
  Layer lone;
  for (auto [group, added] : {std::pair<Layer*, View*>{inner, tree.root.get()}, std::pair<Layer*, View*>{&lone, &lone}}) {
    try {
      group->add_child(std::unique_ptr<View>(added));
      FAIL() << "a group was accepted inside its own subtree";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()), "modern View cannot be added inside its own subtree");
    }
  }
  EXPECT_EQ(inner->child_count(), 0u);
  EXPECT_EQ(lone.child_count(), 0u);
  EXPECT_EQ(tree.root->parent(), nullptr);
  EXPECT_EQ(inner->total_transform(), ui::graphics::Transform::identity());
}

TEST(ViewTreeTest, ChildrenJoinAndLeaveTheHostWithTheirSubtree) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto branch = std::make_unique<Layer>();
  Box* leaf = add_placed<Box>(*branch, Rect{0, 0, 10, 10});
  EXPECT_EQ(leaf->host(), nullptr);

  const int layout_requests = host.layout_requests;
  View* added = root.add_child(std::move(branch));
  EXPECT_EQ(leaf->host(), &host);
  EXPECT_EQ(added->parent(), &root);
  EXPECT_EQ(added->layout_parent(), &root);
  EXPECT_EQ(host.layout_requests, layout_requests + 1);

  // A running hover animation is cancelled (with notification) when the subtree leaves the host.
  leaf->set_animate_interactions(true);
  leaf->set_accepts_pointer_input(true);
  auto enter = pointer(PointerAction::enter, Point{1, 1});
  leaf->dispatch_pointer(enter);
  EXPECT_TRUE(host.clock.has_animations());
  root.clear_children();
  EXPECT_FALSE(host.clock.has_animations());
  EXPECT_EQ(root.child_count(), 0u);
  EXPECT_FALSE(root.measure_valid());
}

TEST(ViewTreeTest, HitTestingFindsTheTopmostHittableViewWithHalfOpenRects) {
  SmallTree tree;
  View& root = *tree.root;
  EXPECT_EQ(view_at(root, Point{20, 20}), tree.a);
  EXPECT_EQ(view_at(root, Point{80, 40}), tree.b);  // overlap: the later child wins
  EXPECT_EQ(view_at(root, Point{159.9f, 79.9f}), tree.b);
  EXPECT_EQ(view_at(root, Point{160, 40}), nullptr);  // right edge
  EXPECT_EQ(view_at(root, Point{100, 80}), nullptr);  // bottom edge
  EXPECT_EQ(view_at(root, Point{nan, 40}), nullptr);

  modern::HitResult result;
  ASSERT_TRUE(root.hit_test(Point{20, 20}, result));
  ASSERT_EQ(result.path.size(), 1u);
  EXPECT_EQ(result.path[0], &root);

  // Hidden and collapsed views cannot be hit; what lies below them can.
  tree.b->set_visibility(layout::Visibility::hidden);
  EXPECT_EQ(view_at(root, Point{80, 40}), tree.a);
  tree.b->set_visibility(layout::Visibility::collapsed);
  lay_out(root, Size{400, 300});
  EXPECT_EQ(view_at(root, Point{80, 40}), tree.a);

  // Disabled views and views without any pointer interest are not hit.
  tree.a->set_enabled(false);
  EXPECT_EQ(view_at(root, Point{20, 20}), nullptr);
  tree.a->set_enabled(true);
  tree.a->set_accepts_pointer_input(false);
  EXPECT_EQ(view_at(root, Point{20, 20}), nullptr);
  tree.a->set_pointer_handler([](modern::PointerEvent&) { return false; });
  EXPECT_EQ(view_at(root, Point{20, 20}), tree.a);
}

TEST(ViewTreeTest, ClippingTransformsAndExtensionsShapeWhatIsHit) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto* clip = add_placed<Layer>(root, Rect{0, 0, 100, 100});
  // Slots never exceed the parent's content, so overflow comes from a render transform: (120, 120, 20, 20).
  auto* overflow = add_placed<Box>(*clip, Rect{80, 80, 20, 20});
  overflow->set_render_transform(ui::graphics::Transform::translation(40.0f, 40.0f));
  overflow->set_accepts_pointer_input(true);
  auto* scaled = add_placed<Box>(root, Rect{200, 0, 20, 20});
  scaled->set_accepts_pointer_input(true);
  scaled->set_render_transform(ui::graphics::Transform::scaling(3.0f, 3.0f));  // about its centre (210, 10)
  auto* extended = add_placed<Box>(root, Rect{300, 0, 10, 10});
  extended->set_accepts_pointer_input(true);
  lay_out(root, Size{400, 300});

  EXPECT_EQ(view_at(root, Point{125, 125}), overflow);  // no clip yet
  EXPECT_EQ(view_at(root, Point{90, 90}), nullptr);      // where it was laid out, before its transform
  clip->set_clip_to_bounds(true);
  EXPECT_EQ(view_at(root, Point{125, 125}), nullptr);

  EXPECT_EQ(view_at(root, Point{182, 10}), scaled);  // inside only because of the scale
  EXPECT_EQ(view_at(root, Point{178, 10}), nullptr);
  scaled->set_render_transform(ui::graphics::Transform{0, 0, 0, 0, 0, 0});  // cannot be inverted
  EXPECT_EQ(view_at(root, Point{210, 10}), nullptr);
  scaled->set_render_transform(ui::graphics::Transform{nan, 0, 0, 1, 0, 0});  // counts as identity
  EXPECT_EQ(view_at(root, Point{210, 10}), scaled);
  EXPECT_EQ(view_at(root, Point{182, 10}), nullptr);

  struct Wider : modern::HitTestExtension {
    bool contains(Point local) const override { return local.x >= -20 && local.x < 30; }
  };
  EXPECT_EQ(view_at(root, Point{285, 5}), nullptr);
  extended->set_hit_test_extension(std::make_unique<Wider>());
  EXPECT_EQ(view_at(root, Point{285, 5}), extended);
}

TEST(ViewTreeTest, APressIsCapturedByTheChildThatTookIt) {
  SmallTree tree;
  std::vector<std::pair<PointerAction, Point>> seen_by_a;
  tree.a->set_pointer_handler([&](modern::PointerEvent& e) {
    seen_by_a.emplace_back(e.action, e.local_position);
    return true;
  });

  auto down = pointer(PointerAction::down, Point{20, 20});
  EXPECT_TRUE(tree.root->dispatch_pointer(down));
  EXPECT_EQ(down.target, tree.a);
  EXPECT_EQ(down.local_position.x, 0.0f);  // restored after delivery

  // The move far outside and the up still reach A, in A's coordinates.
  auto move = pointer(PointerAction::move, Point{300, 200});
  EXPECT_TRUE(tree.root->dispatch_pointer(move));
  auto up = pointer(PointerAction::up, Point{300, 200});
  tree.root->dispatch_pointer(up);
  ASSERT_EQ(seen_by_a.size(), 3u);
  EXPECT_EQ(seen_by_a[0].second, (Point{10, 10}));
  EXPECT_EQ(seen_by_a[1].first, PointerAction::move);
  EXPECT_EQ(seen_by_a[1].second, (Point{290, 190}));
  EXPECT_EQ(seen_by_a[2].first, PointerAction::up);

  // After the up the capture is gone: a move over B is no longer routed to A.
  auto later = pointer(PointerAction::move, Point{300, 200});
  tree.root->dispatch_pointer(later);
  EXPECT_EQ(seen_by_a.size(), 3u);

  // A press on empty space falls to the group itself, which does not take it.
  auto miss = pointer(PointerAction::down, Point{350, 250});
  EXPECT_FALSE(tree.root->dispatch_pointer(miss));
  EXPECT_EQ(miss.target, nullptr);
}

// A group that takes over a drag once the pointer moved far enough, like a scroller.
class Interceptor : public Layer {
 public:
  bool intercept_pointer(modern::PointerEvent& event) override {
    return event.action == PointerAction::move && event.local_position.y > 100;
  }
  bool on_pointer(modern::PointerEvent& event) override {
    actions.push_back(event.action);
    return true;
  }
  std::vector<PointerAction> actions;
};

TEST(ViewTreeTest, AGroupThatInterceptsSendsTheCapturedChildACancelFirst) {
  TestHost host;
  Interceptor root;
  root.attach_to_host(&host);
  auto* child = add_placed<Box>(root, Rect{0, 0, 50, 50});
  std::vector<PointerAction> child_actions;
  child->set_pointer_handler([&](modern::PointerEvent& e) {
    child_actions.push_back(e.action);
    return true;
  });
  lay_out(root, Size{400, 300});

  auto down = pointer(PointerAction::down, Point{10, 10});
  root.dispatch_pointer(down);
  auto small_move = pointer(PointerAction::move, Point{10, 60});
  root.dispatch_pointer(small_move);
  auto big_move = pointer(PointerAction::move, Point{10, 150});
  root.dispatch_pointer(big_move);
  auto next_move = pointer(PointerAction::move, Point{10, 160});
  root.dispatch_pointer(next_move);

  EXPECT_EQ(child_actions, (std::vector{PointerAction::down, PointerAction::move, PointerAction::cancel}));
  EXPECT_EQ(root.actions, (std::vector{PointerAction::move, PointerAction::move}));

  // A child that asks for it keeps its drag.
  child_actions.clear();
  root.actions.clear();
  auto down2 = pointer(PointerAction::down, Point{10, 10});
  root.dispatch_pointer(down2);
  child->request_disallow_intercept(true);
  auto far = pointer(PointerAction::move, Point{10, 150});
  root.dispatch_pointer(far);
  EXPECT_EQ(child_actions, (std::vector{PointerAction::down, PointerAction::move}));
  EXPECT_TRUE(root.actions.empty());
  auto up = pointer(PointerAction::up, Point{10, 150});
  root.dispatch_pointer(up);
  EXPECT_FALSE(root.disallow_intercept());
}

TEST(ViewTreeTest, ListenersRunBeforeTheHandlerAndCanStopIt) {
  SmallTree tree;
  struct Listener : modern::PointerListener {
    bool answer = false;
    bool set_flag = false;
    int calls = 0;
    bool on_pointer(View&, modern::PointerEvent& e) override {
      ++calls;
      if (set_flag) e.handled = true;
      return answer;
    }
  };
  auto first = std::make_shared<Listener>();
  auto second = std::make_shared<Listener>();
  int handler_calls = 0;
  tree.a->add_pointer_listener(first).add_pointer_listener(second);
  tree.a->set_pointer_handler([&](modern::PointerEvent&) { return ++handler_calls > 0; });

  auto e1 = pointer(PointerAction::down, Point{20, 20});
  tree.a->dispatch_pointer(e1);
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 1);
  EXPECT_EQ(handler_calls, 1);

  first->set_flag = true;  // handled flag without returning true: the rest are skipped
  auto e2 = pointer(PointerAction::move, Point{20, 20});
  EXPECT_TRUE(tree.a->dispatch_pointer(e2));
  EXPECT_EQ(second->calls, 1);
  EXPECT_EQ(handler_calls, 1);
}

TEST(ViewTreeTest, PaintingFollowsTreeOrderWithOneDipToPixelConversion) {
  SmallTree tree;
  RecordingCanvas canvas;
  // 144 dpi with the main window's 0.92 zoom: one factor, applied once.
  auto context = modern::PaintContext::for_canvas(canvas, 1.5f, 0.92f);
  const float s = 1.5f * 0.92f;
  ASSERT_FLOAT_EQ(context.scale, s);
  modern::paint_view(*tree.root, context);

  EXPECT_EQ(painted_tags(canvas), (std::vector{1, 2, 3}));
  const auto fills = canvas.calls_of(CanvasCall::Op::fill_rect);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_FLOAT_EQ(fills[1].rect.left, 10 * s);
  EXPECT_FLOAT_EQ(fills[1].rect.right, 110 * s);
  EXPECT_FLOAT_EQ(fills[2].rect.top, 30 * s);
  EXPECT_TRUE(fills[1].current_transform.is_identity());
  EXPECT_EQ(canvas.depth(), 0u);  // every save was restored

  // Opacity multiplies down the tree; invisible, collapsed and fully transparent views are skipped.
  canvas.clear_calls();
  tree.root->set_opacity(0.5f);
  tree.a->set_opacity(0.5f);
  tree.b->set_opacity(0.0f);
  modern::paint_view(*tree.root, context);
  EXPECT_EQ(painted_tags(canvas), (std::vector{1, 2}));
  EXPECT_FLOAT_EQ(canvas.calls_of(CanvasCall::Op::fill_rect)[1].current_opacity, 0.25f);
  tree.b->set_opacity(1.0f);
  tree.a->set_visibility(layout::Visibility::hidden);
  canvas.clear_calls();
  modern::paint_view(*tree.root, context);
  EXPECT_EQ(painted_tags(canvas), (std::vector{1, 3}));

  // A render transform in DIPs reaches the canvas with its translation in pixels.
  tree.b->set_render_transform(ui::graphics::Transform::translation(10.0f, 0.0f));
  canvas.clear_calls();
  modern::paint_view(*tree.root, context);
  const auto moved = canvas.calls_of(CanvasCall::Op::fill_rect).back();
  EXPECT_FLOAT_EQ(moved.current_transform.dx, 10.0f * s);
  EXPECT_FLOAT_EQ(moved.rect.left, 60 * s);  // the view still draws its own rect, converted once
}

// A drawable that fills its bounds, recording the state it was drawn with.
struct StateFill : ui::graphics::Drawable {
  std::uint8_t tag;
  std::vector<std::uint32_t> states;
  explicit StateFill(std::uint8_t t) : tag(t) {}
  void draw(ui::graphics::Canvas& canvas, const ui::graphics::RectF& bounds, std::uint32_t state) override {
    states.push_back(state);
    canvas.fill_rect(bounds, ui::graphics::Color{tag, 0, 0});
  }
};

TEST(ViewTreeTest, BackgroundContentChildrenForegroundPaintInThatOrder) {
  SmallTree tree;
  auto background = std::make_shared<StateFill>(10);
  auto foreground = std::make_shared<StateFill>(20);
  tree.root->set_background(background).set_foreground(foreground);
  tree.a->set_checked(true);
  tree.a->set_background(background);
  RecordingCanvas canvas;
  auto context = modern::PaintContext::for_canvas(canvas, 1.0f, 1.0f);
  modern::paint_view(*tree.root, context);
  EXPECT_EQ(painted_tags(canvas), (std::vector{10, 1, 10, 2, 3, 20}));
  EXPECT_EQ(background->states[1], ui::graphics::drawable_state_enabled | ui::graphics::drawable_state_checked);
}

TEST(ViewTreeTest, DirtyRegionsSkipViewsOutsideThemButNotOverflowingChildren) {
  TestHost host;
  Layer root(1);
  root.attach_to_host(&host);
  auto* group = add_placed<Layer>(root, Rect{0, 0, 50, 50}, std::uint8_t{2});
  auto* overflow = add_placed<Box>(*group, Rect{40, 40, 10, 10}, std::uint8_t{3});
  overflow->set_render_transform(ui::graphics::Transform::translation(160.0f, 160.0f));  // out of its group
  add_placed<Box>(root, Rect{0, 100, 20, 20}, std::uint8_t{4});
  lay_out(root, Size{400, 300});

  RecordingCanvas canvas;
  auto context = modern::PaintContext::for_canvas(canvas, 1.0f, 1.0f);
  context.dirty_region = Rect{195, 195, 30, 30};
  modern::paint_view(root, context);
  EXPECT_EQ(painted_tags(canvas), (std::vector{1, 2, 3}));

  // A clipping group hides its overflow, so it can be skipped, and clips what it paints.
  group->set_clip_to_bounds(true);
  canvas.clear_calls();
  modern::paint_view(root, context);
  EXPECT_EQ(painted_tags(canvas), (std::vector{1}));
  context.dirty_region.reset();
  canvas.clear_calls();
  modern::paint_view(root, context);
  const auto fills = canvas.calls_of(CanvasCall::Op::fill_rect);
  ASSERT_EQ(fills.size(), 4u);
  ASSERT_TRUE(fills[2].clip.has_value());
  EXPECT_EQ(fills[2].clip->right, 50.0f);
}

TEST(ViewTreeTest, EventsRunCaptureTargetDefaultAndBubbleInOrder) {
  SmallTree tree;
  std::vector<std::string> log;
  auto record = [&log](std::string name) { return [&log, name](Event&) { log.push_back(name); }; };
  tree.root->add_event_handler(EventKind::invoked, EventPhase::capture, record("root capture"));
  tree.root->add_event_handler(EventKind::invoked, EventPhase::bubble, record("root bubble"));
  tree.a->add_event_handler(EventKind::invoked, EventPhase::capture, record("a capture"));
  tree.a->add_event_handler(EventKind::invoked, record("a target"));
  tree.a->add_event_handler(EventKind::checked_changed, record("a checked"));
  tree.a->add_event_handler(EventKind::invoked, EventPhase::bubble, record("a bubble (never: source)"));

  Event event;
  event.source = tree.a;
  tree.host.dispatch_event(event);
  EXPECT_EQ(log, (std::vector<std::string>{"root capture", "a capture", "a target", "root bubble"}));
  EXPECT_EQ(tree.host.defaults_run.size(), 1u);

  // A handler that stops propagation ends every phase; the default still runs unless prevented.
  log.clear();
  tree.a->add_event_handler(EventKind::invoked, [](Event& e) {
    e.propagation_stopped = true;
    e.default_prevented = true;
  });
  tree.a->add_event_handler(EventKind::invoked, record("after stop"));
  Event second;
  second.source = tree.a;
  tree.host.dispatch_event(second);
  EXPECT_EQ(log, (std::vector<std::string>{"root capture", "a capture", "a target"}));
  EXPECT_EQ(tree.host.defaults_run.size(), 1u);
}

TEST(ViewTreeTest, HandlersMayAddHandlersWhileRunning) {
  SmallTree tree;
  int added_runs = 0;
  tree.a->add_event_handler(EventKind::invoked, [&](Event&) {
    tree.a->add_event_handler(EventKind::invoked, [&](Event&) { ++added_runs; });
  });
  Event first;
  first.source = tree.a;
  tree.host.dispatch_event(first);
  EXPECT_EQ(added_runs, 0);  // the running dispatch works on a snapshot
  Event second;
  second.source = tree.a;
  tree.host.dispatch_event(second);
  EXPECT_EQ(added_runs, 1);
}

// A view with its own key behaviour.
class KeyBox : public Box {
 public:
  bool on_key(KeyEvent& event) override {
    ++own_calls;
    return event.key == modern::Key::space;
  }
  int own_calls = 0;
};

TEST(ViewTreeTest, KeysTunnelToTheFocusedViewThenBubbleBack) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto* target = add_placed<KeyBox>(root, Rect{0, 0, 10, 10});
  std::vector<std::string> log;
  root.add_key_handler([&](KeyEvent&) { log.push_back("root capture"); });
  root.add_key_handler(EventPhase::bubble, [&](KeyEvent&) { log.push_back("root bubble"); });
  target->add_key_handler([&](KeyEvent&) { log.push_back("target capture"); });
  target->add_key_handler(EventPhase::target, [&](KeyEvent&) { log.push_back("target"); });

  KeyEvent enter;
  enter.key = modern::Key::enter;
  enter.target = target;
  bool default_ran = false;
  modern::propagate_key(enter, [&](KeyEvent&) { default_ran = true; });
  EXPECT_EQ(log, (std::vector<std::string>{"root capture", "target capture", "target", "root bubble"}));
  EXPECT_TRUE(default_ran);
  EXPECT_FALSE(enter.handled);

  // on_key handling the key ends it before the default and the bubble phase.
  log.clear();
  default_ran = false;
  KeyEvent space;
  space.key = modern::Key::space;
  space.target = target;
  modern::propagate_key(space, [&](KeyEvent&) { default_ran = true; });
  EXPECT_TRUE(space.handled);
  EXPECT_FALSE(default_ran);
  EXPECT_EQ(log, (std::vector<std::string>{"root capture", "target capture", "target"}));

  // A capture handler on the root that handles it keeps it from the target entirely.
  log.clear();
  root.add_key_handler([&](KeyEvent& e) { e.handled = true; });
  const int own_calls = target->own_calls;
  KeyEvent blocked;
  blocked.target = target;
  modern::propagate_key(blocked, {});
  EXPECT_EQ(log, (std::vector<std::string>{"root capture"}));
  EXPECT_EQ(target->own_calls, own_calls);
}

TEST(ViewTreeTest, SettingAFlagToItsValueChangesNothing) {
  SmallTree tree;
  const int before = tree.host.notifications();
  tree.a->set_enabled(true)
      .set_checked(false)
      .set_pressed(false)
      .set_emphasized(false)
      .set_focusable(false)
      .set_accepts_pointer_input(true)
      .set_clip_to_bounds(false)
      .set_opacity(1.0f)
      .set_layout(placed(10, 10, 100, 50));
  EXPECT_EQ(tree.host.notifications(), before);

  tree.a->set_checked(true);
  EXPECT_GT(tree.host.semantics_changes, 0);
  EXPECT_FALSE(tree.host.invalidated.empty());  // the visual bounds, 4 DIPs around the rect
  EXPECT_EQ(tree.host.invalidated.back(), (Rect{6, 6, 108, 58}));
}

TEST(ViewTreeTest, InteractionProgressAnimatesOnTheHostClock) {
  SmallTree tree;
  View& a = *tree.a;
  a.set_animate_interactions(true);
  const auto t0 = std::chrono::steady_clock::now();
  auto enter = pointer(PointerAction::enter, Point{20, 20});
  a.dispatch_pointer(enter);
  EXPECT_TRUE(a.hovered());
  EXPECT_EQ(a.interaction_progress(ui::graphics::drawable_state_hovered), 0.0f);
  // At most 50 of the 100 ms have passed at t0 + 50 ms, however slowly the test ran.
  tree.host.clock.tick(t0 + std::chrono::milliseconds(50));
  const float halfway = a.interaction_progress(ui::graphics::drawable_state_hovered);
  EXPECT_LE(halfway, 0.75f);
  EXPECT_TRUE(tree.host.clock.has_animations());
  const std::size_t repaints = tree.host.invalidated.size();
  tree.host.clock.tick(t0 + std::chrono::seconds(10));
  EXPECT_EQ(a.interaction_progress(ui::graphics::drawable_state_hovered), 1.0f);
  EXPECT_GT(tree.host.invalidated.size(), repaints);  // each step repaints
  EXPECT_FALSE(tree.host.clock.has_animations());

  // Disabling a pressed, hovered view snaps its progress without animation.
  a.set_pressed(true);
  EXPECT_TRUE(tree.host.clock.has_animations());
  a.set_enabled(false);
  EXPECT_FALSE(a.pressed());
  EXPECT_FALSE(tree.host.clock.has_animations());
  EXPECT_EQ(a.interaction_progress(ui::graphics::drawable_state_pressed), 0.0f);
  EXPECT_EQ(a.interaction_progress(ui::graphics::drawable_state_hovered), 1.0f);

  // Without animation, or with the clock switched off, progress follows at once.
  a.set_enabled(true);
  tree.host.clock.set_enabled(false);
  a.set_checked(true);
  EXPECT_EQ(a.interaction_progress(ui::graphics::drawable_state_checked), 1.0f);
  tree.b->set_emphasized(true);
  EXPECT_EQ(tree.b->interaction_progress(ui::graphics::drawable_state_emphasized), 1.0f);
}

TEST(ViewTreeTest, DestroyingAViewDropsItsAnimationsSilently) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto* leaf = add_placed<Box>(root, Rect{0, 0, 10, 10});
  leaf->set_animate_interactions(true);
  leaf->set_checked(true);
  ASSERT_TRUE(host.clock.has_animations());
  root.clear_children();
  EXPECT_FALSE(host.clock.has_animations());
  // Ticking afterwards must not reach the destroyed view.
  EXPECT_FALSE(host.clock.tick(std::chrono::steady_clock::now() + std::chrono::seconds(1)));
}

TEST(ViewTreeTest, ContextRequestsFocusTheViewFirst) {
  SmallTree tree;
  tree.a->set_focusable(true);
  modern::View* focused_when_handled = nullptr;
  tree.a->set_context_handler([&](modern::PointerEvent& e) {
    focused_when_handled = tree.host.focused;
    return e.local_position == Point{5, 5};
  });
  auto request = pointer(PointerAction::context_menu, Point{15, 15});
  request.device = modern::PointerDevice::keyboard;
  EXPECT_TRUE(tree.a->dispatch_context_request(request));
  EXPECT_EQ(focused_when_handled, tree.a);
  EXPECT_EQ(tree.host.last_focus_origin, modern::FocusOrigin::keyboard);
  EXPECT_EQ(request.target, tree.a);
  EXPECT_TRUE(tree.a->focused());

  // Disabled views and views without a handler do not answer.
  EXPECT_FALSE(tree.b->dispatch_context_request(request));
  tree.a->set_enabled(false);
  auto again = pointer(PointerAction::context_menu, Point{15, 15});
  EXPECT_FALSE(tree.a->dispatch_context_request(again));

  // The accessibility focus action goes through the host with a programmatic origin.
  modern::ActionRequest focus_request;
  focus_request.action = modern::semantics_action_focus;
  tree.b->set_focusable(true);
  EXPECT_TRUE(tree.b->perform_action(focus_request));
  EXPECT_EQ(tree.host.focused, tree.b);
  EXPECT_EQ(tree.host.last_focus_origin, modern::FocusOrigin::programmatic);
  modern::ActionRequest invoke;
  invoke.action = modern::semantics_action_invoke;
  EXPECT_FALSE(tree.b->perform_action(invoke));
}

// Records what reaches it after its group removed it, and when it is really destroyed.
struct RemovalLog {
  std::vector<std::string> calls;
  std::vector<std::string> destroyed;
};

class Probe : public modern::View {
 public:
  Probe(std::string name, RemovalLog& log) : name_(std::move(name)), log_(log) {
    set_accepts_pointer_input(true);
    set_focusable(true);
  }
  ~Probe() override { log_.destroyed.push_back(name_); }
  bool on_pointer(modern::PointerEvent& event) override {
    log_.calls.push_back(name_ + (parent() == nullptr ? " pointer while removed" : " pointer"));
    return View::on_pointer(event);
  }
  bool on_key(KeyEvent&) override {
    log_.calls.push_back(name_ + (parent() == nullptr ? " key while removed" : " key"));
    return false;
  }

 private:
  std::string name_;
  RemovalLog& log_;
};

// The program rebuilds its whole content from a button's handler (a language change), so handlers
// must be able to remove any part of the tree, including the view being delivered to, while routing
// still holds plain pointers into it.
TEST(ViewTreeTest, HandlersMayRemoveViewsWhileTheyAreBeingDeliveredTo) {
  RemovalLog log;
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto build = [&](Layer& parent) {
    auto* group = add_placed<Layer>(parent, Rect{0, 0, 200, 100});
    Probe* lower = add_placed<Probe>(*group, Rect{0, 0, 100, 100}, "lower", log);
    Probe* upper = add_placed<Probe>(*group, Rect{0, 0, 100, 100}, "upper", log);
    lay_out(root, Size{400, 300});
    return std::tuple{group, lower, upper};
  };

  // 1. A press handler that clears its own parent: the removed view is not captured, is not the target,
  //    lives until the press has been delivered, and the next move reaches nothing removed.
  auto [group, lower, upper] = build(root);
  upper->set_pointer_handler([&, group = group](modern::PointerEvent&) {
    group->clear_children();
    EXPECT_TRUE(log.destroyed.empty()) << "destroyed while its own handler runs";
    return true;
  });
  auto down = pointer(PointerAction::down, Point{50, 50});
  EXPECT_TRUE(root.dispatch_pointer(down));
  EXPECT_EQ(down.target, nullptr);
  EXPECT_EQ(log.destroyed, (std::vector<std::string>{"lower", "upper"}));
  auto move = pointer(PointerAction::move, Point{60, 50});
  root.dispatch_pointer(move);
  auto up = pointer(PointerAction::up, Point{60, 50});
  root.dispatch_pointer(up);
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(host.detached.size(), 2u);

  // 2. A handler that clears the group and declines: neither its own on_pointer nor its sibling below
  //    runs; the press falls to the group, which is still in the tree.
  root.clear_children();
  log = {};
  std::tie(group, lower, upper) = build(root);
  group->set_accepts_pointer_input(true);
  upper->set_pointer_handler([group = group](modern::PointerEvent&) {
    group->clear_children();
    return false;
  });
  down = pointer(PointerAction::down, Point{50, 50});
  EXPECT_TRUE(root.dispatch_pointer(down));
  EXPECT_EQ(down.target, group);
  EXPECT_TRUE(log.calls.empty());

  // 3. A target-phase handler that removes the source and its parent: bubbling skips them and still
  //    reaches the ancestors that remain.
  root.clear_children();
  log = {};
  std::tie(group, lower, upper) = build(root);
  std::vector<std::string> bubbled;
  group->add_event_handler(EventKind::invoked, EventPhase::bubble, [&](Event&) { bubbled.push_back("group"); });
  root.add_event_handler(EventKind::invoked, EventPhase::bubble, [&](Event&) { bubbled.push_back("root"); });
  upper->add_event_handler(EventKind::invoked, [&](Event&) { root.clear_children(); });
  Event invoked;
  invoked.source = upper;
  host.dispatch_event(invoked);
  EXPECT_EQ(bubbled, std::vector<std::string>{"root"});
  EXPECT_EQ(log.destroyed.size(), 2u);

  // 4. A target-phase key handler that removes the focused target: its on_key does not run, focus is
  //    dropped with it, and the remaining ancestors still see the key bubble.
  log = {};
  std::tie(group, lower, upper) = build(root);
  ASSERT_TRUE(host.request_focus(*upper, modern::FocusOrigin::keyboard));
  bubbled.clear();
  root.add_key_handler(EventPhase::bubble, [&](KeyEvent&) { bubbled.push_back("root key"); });
  upper->add_key_handler(EventPhase::target, [&](KeyEvent&) { root.clear_children(); });
  KeyEvent key;
  key.key = modern::Key::enter;
  key.target = upper;
  modern::propagate_key(key, nullptr);
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(bubbled, std::vector<std::string>{"root key"});
  EXPECT_EQ(host.focused, nullptr);
  EXPECT_EQ(log.destroyed.size(), 2u);
}

TEST(ViewTreeTest, FocusLeavesAViewTheMomentItCanNoLongerHoldIt) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  host.root = &root;
  auto* panel = add_placed<Layer>(root, Rect{0, 0, 200, 100});
  Box* field = add_placed<Box>(*panel, Rect{0, 0, 50, 20});
  Box* other = add_placed<Box>(root, Rect{0, 150, 50, 20});
  for (Box* box : {field, other}) {
    box->set_focusable(true);
    box->set_accepts_pointer_input(true);
  }
  lay_out(root, Size{400, 300});
  EXPECT_EQ(modern::focus_candidates(root), (std::vector<View*>{field, other}));

  auto focus_field = [&] {
    EXPECT_TRUE(host.request_focus(*field, modern::FocusOrigin::keyboard));
    EXPECT_TRUE(field->focused());
  };
  focus_field();
  field->set_focusable(false);
  EXPECT_EQ(host.focused, nullptr);
  EXPECT_FALSE(field->focused());
  field->set_focusable(true);

  focus_field();
  field->set_enabled(false);
  EXPECT_EQ(host.focused, nullptr);
  field->set_enabled(true);

  // Hiding an ancestor hides the whole subtree from focus, traversal and hit-testing.
  focus_field();
  panel->set_visibility(layout::Visibility::hidden);
  EXPECT_EQ(host.focused, nullptr);
  EXPECT_FALSE(field->focused());
  EXPECT_FALSE(host.request_focus(*field, modern::FocusOrigin::pointer));
  EXPECT_EQ(modern::focus_candidates(root), std::vector<View*>{other});
  lay_out(root, Size{400, 300});
  EXPECT_EQ(view_at(root, Point{10, 10}), nullptr);

  // Focus elsewhere is left alone by changes to unrelated views.
  ASSERT_TRUE(host.request_focus(*other, modern::FocusOrigin::keyboard));
  panel->set_visibility(layout::Visibility::visible);
  field->set_focusable(false);
  EXPECT_EQ(host.focused, other);
  EXPECT_TRUE(other->focused());
}

TEST(ViewTreeTest, ViewsHaveDistinctRisingIds) {
  Box first;
  Box second;
  EXPECT_NE(first.id(), 0u);
  EXPECT_GT(second.id(), first.id());
}

}  // namespace
}  // namespace tree_test
