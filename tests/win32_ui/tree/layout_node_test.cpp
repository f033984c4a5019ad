#include "layout/layout_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "localization/localization_context.h"

namespace {

using win32_ui::layout::Constraints;
using win32_ui::layout::FlowDirection;
using win32_ui::layout::HorizontalAlignment;
using win32_ui::layout::LayoutContext;
using win32_ui::layout::LayoutNode;
using win32_ui::layout::LayoutParams;
using win32_ui::layout::Rect;
using win32_ui::layout::Size;
using win32_ui::layout::Thickness;
using win32_ui::layout::unbounded;
using win32_ui::layout::VerticalAlignment;
using win32_ui::layout::Visibility;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();

// A leaf that wants a fixed content size and records what it was asked.
class Leaf : public LayoutNode {
 public:
  explicit Leaf(Size content = {}) : content_(content) {}

  Size content_;
  int measure_calls = 0;
  Constraints last_available{};
  std::vector<Rect> arranged_contents;

 protected:
  Size measure_content(const Constraints& available, LayoutContext&) override {
    ++measure_calls;
    last_available = available;
    return content_;
  }
  void arrange_content(const Rect& content, LayoutContext&) override { arranged_contents.push_back(content); }
};

// A container whose arrange depends on what its last measure saw: it gives its child a slot as wide as
// the width it was last offered, the way a grid places children by the tracks of its last measure.
class Remembering : public LayoutNode {
 public:
  Leaf child{Size{10.0f, 10.0f}};
  float last_offered_width = 0.0f;
  int measure_calls = 0;

  Remembering() { child.set_layout_parent(this); }

 protected:
  Size measure_content(const Constraints& available, LayoutContext& context) override {
    ++measure_calls;
    last_offered_width = std::isinf(available.max_width) ? 50.0f : available.max_width;
    child.measure(available, context);
    return Size{last_offered_width, 10.0f};
  }
  void arrange_content(const Rect& content, LayoutContext& context) override {
    child.arrange(Rect{content.x, content.y, last_offered_width, content.height}, context);
  }
};

LayoutParams params_with(HorizontalAlignment h, VerticalAlignment v = VerticalAlignment::stretch) {
  LayoutParams p;
  p.horizontal_alignment = h;
  p.vertical_alignment = v;
  return p;
}

TEST(LayoutNodeTest, AlignmentPlacesTheBorderBoxInsideTheSlotLessMargin) {
  LayoutContext context;
  Leaf stretch(Size{30.0f, 20.0f});
  LayoutParams p;
  p.margin = Thickness{5.0f, 6.0f, 7.0f, 8.0f};
  p.padding = Thickness{1.0f, 2.0f, 3.0f, 4.0f};
  stretch.set_layout(p);
  // Desired size includes padding and margin.
  EXPECT_EQ(stretch.measure(Constraints{}, context), (Size{30.0f + 4.0f + 12.0f, 20.0f + 6.0f + 14.0f}));
  stretch.arrange(Rect{100.0f, 50.0f, 200.0f, 100.0f}, context);
  EXPECT_EQ(stretch.arranged_rect(), (Rect{105.0f, 56.0f, 188.0f, 86.0f}));
  EXPECT_EQ(stretch.content_rect(), (Rect{106.0f, 58.0f, 184.0f, 80.0f}));
  ASSERT_EQ(stretch.arranged_contents.size(), 1u);
  EXPECT_EQ(stretch.arranged_contents[0], stretch.content_rect());

  struct Case {
    HorizontalAlignment h;
    VerticalAlignment v;
    Rect expected;
  };
  const Case cases[] = {
      {HorizontalAlignment::start, VerticalAlignment::top, {0.0f, 0.0f, 30.0f, 20.0f}},
      {HorizontalAlignment::center, VerticalAlignment::center, {85.0f, 40.0f, 30.0f, 20.0f}},
      {HorizontalAlignment::end, VerticalAlignment::bottom, {170.0f, 80.0f, 30.0f, 20.0f}},
      {HorizontalAlignment::stretch, VerticalAlignment::top, {0.0f, 0.0f, 200.0f, 20.0f}},
  };
  for (const Case& c : cases) {
    Leaf leaf(Size{30.0f, 20.0f});
    leaf.set_layout(params_with(c.h, c.v));
    leaf.measure(Constraints{0.0f, 0.0f, 200.0f, 100.0f}, context);
    leaf.arrange(Rect{0.0f, 0.0f, 200.0f, 100.0f}, context);
    EXPECT_EQ(leaf.arranged_rect(), c.expected) << static_cast<int>(c.h);
  }
}

TEST(LayoutNodeTest, FixedMinAndMaxSizesBoundTheBox) {
  LayoutContext context;
  // A fixed width larger than the slot is cut to the slot at arrange, though it is measured whole.
  Leaf wide(Size{10.0f, 10.0f});
  LayoutParams p = params_with(HorizontalAlignment::start, VerticalAlignment::top);
  p.has_fixed_width = true;
  p.fixed_width = 300.0f;
  wide.set_layout(p);
  EXPECT_EQ(wide.measure(Constraints{}, context).width, 300.0f);
  wide.arrange(Rect{0.0f, 0.0f, 120.0f, 50.0f}, context);
  EXPECT_EQ(wide.arranged_rect().width, 120.0f);

  // A fixed width is clamped into the constraints offered.
  EXPECT_EQ(wide.measure(Constraints{0.0f, 0.0f, 80.0f, 80.0f}, context).width, 80.0f);

  // A max below the min acts as the min, in measure and arrange alike.
  Leaf bounded(Size{10.0f, 10.0f});
  LayoutParams b;
  b.min_width = 60.0f;
  b.max_width = 20.0f;
  bounded.set_layout(b);
  EXPECT_EQ(bounded.measure(Constraints{}, context).width, 60.0f);
  bounded.arrange(Rect{0.0f, 0.0f, 200.0f, 50.0f}, context);
  EXPECT_EQ(bounded.arranged_rect().width, 60.0f);

  // Content larger than the max width is held to it; the content sees the bound less padding.
  Leaf capped(Size{500.0f, 10.0f});
  LayoutParams c;
  c.max_width = 100.0f;
  c.padding = Thickness{10.0f, 0.0f, 10.0f, 0.0f};
  capped.set_layout(c);
  EXPECT_EQ(capped.measure(Constraints{}, context).width, 100.0f);
  EXPECT_EQ(capped.last_available.max_width, 80.0f);
}

TEST(LayoutNodeTest, RightToLeftMirrorsHorizontalPlacementOnly) {
  LayoutContext context;
  context.flow_direction = FlowDirection::right_to_left;
  Leaf start(Size{30.0f, 20.0f});
  start.set_layout(params_with(HorizontalAlignment::start, VerticalAlignment::top));
  start.measure(Constraints{}, context);
  start.arrange(Rect{10.0f, 10.0f, 200.0f, 100.0f}, context);
  EXPECT_EQ(start.arranged_rect(), (Rect{180.0f, 10.0f, 30.0f, 20.0f}));
  EXPECT_EQ(start.flow_direction(), FlowDirection::right_to_left);

  Leaf end(Size{30.0f, 20.0f});
  end.set_layout(params_with(HorizontalAlignment::end, VerticalAlignment::bottom));
  end.measure(Constraints{}, context);
  end.arrange(Rect{10.0f, 10.0f, 200.0f, 100.0f}, context);
  EXPECT_EQ(end.arranged_rect(), (Rect{10.0f, 90.0f, 30.0f, 20.0f}));

  // Stretch held narrower than the slot by a max width also goes to the right edge.
  Leaf stretch(Size{30.0f, 20.0f});
  LayoutParams p;
  p.max_width = 50.0f;
  stretch.set_layout(p);
  stretch.measure(Constraints{}, context);
  stretch.arrange(Rect{0.0f, 0.0f, 200.0f, 100.0f}, context);
  EXPECT_EQ(stretch.arranged_rect(), (Rect{150.0f, 0.0f, 50.0f, 100.0f}));
}

TEST(LayoutNodeTest, CollapsedTakesNoSpaceButStillArrangesItsContent) {
  LayoutContext context;
  Leaf leaf(Size{30.0f, 20.0f});
  LayoutParams p;
  p.visibility = Visibility::collapsed;
  p.margin = Thickness::uniform(5.0f);
  leaf.set_layout(p);
  EXPECT_EQ(leaf.measure(Constraints{40.0f, 40.0f, 100.0f, 100.0f}, context), (Size{0.0f, 0.0f}));
  EXPECT_EQ(leaf.measure_calls, 0);
  leaf.arrange(Rect{7.0f, 9.0f, 100.0f, 100.0f}, context);
  EXPECT_EQ(leaf.arranged_rect(), (Rect{7.0f, 9.0f, 0.0f, 0.0f}));
  ASSERT_EQ(leaf.arranged_contents.size(), 1u);
  EXPECT_EQ(leaf.arranged_contents[0], (Rect{7.0f, 9.0f, 0.0f, 0.0f}));

  // Hidden keeps its space.
  Leaf hidden(Size{30.0f, 20.0f});
  LayoutParams h;
  h.visibility = Visibility::hidden;
  hidden.set_layout(h);
  EXPECT_EQ(hidden.measure(Constraints{}, context), (Size{30.0f, 20.0f}));
}

TEST(LayoutNodeTest, ClampRuleHandlesNegativesInfinityAndNaN) {
  EXPECT_EQ(win32_ui::layout::clamp_length(-3.0f), 0.0f);
  EXPECT_EQ(win32_ui::layout::clamp_length(4.5f), 4.5f);
  EXPECT_TRUE(std::isinf(win32_ui::layout::clamp_length(-unbounded)));
  EXPECT_TRUE(std::isnan(win32_ui::layout::clamp_length(nan)));

  const Constraints n = Constraints{-5.0f, unbounded, 3.0f, -2.0f}.normalized();
  EXPECT_EQ(n.min_width, 0.0f);
  EXPECT_EQ(n.max_width, 3.0f);
  EXPECT_TRUE(std::isinf(n.min_height));
  EXPECT_TRUE(std::isinf(n.max_height));  // raised to its infinite min
  EXPECT_EQ((Constraints{10.0f, 0.0f, 4.0f, 0.0f}.normalized().max_width), 10.0f);

  LayoutContext context;
  // Negative margins and paddings act as 0.
  Leaf leaf(Size{30.0f, 20.0f});
  LayoutParams p;
  p.margin = Thickness::uniform(-10.0f);
  p.padding = Thickness{-4.0f, 0.0f, -4.0f, 0.0f};
  leaf.set_layout(p);
  EXPECT_EQ(leaf.measure(Constraints{}, context), (Size{30.0f, 20.0f}));
  leaf.arrange(Rect{0.0f, 0.0f, 50.0f, 40.0f}, context);
  EXPECT_EQ(leaf.arranged_rect(), (Rect{0.0f, 0.0f, 50.0f, 40.0f}));
  EXPECT_EQ(leaf.content_rect(), leaf.arranged_rect());

  // An infinite min constraint is kept as infinite and reaches the content, but the size handed back
  // to the parent is limited, so that no parent sums infinities.
  Leaf infinite(Size{30.0f, 20.0f});
  const Size desired = infinite.measure(Constraints{unbounded, 0.0f, unbounded, unbounded}, context);
  EXPECT_EQ(desired.width, win32_ui::layout::max_layout_length);
  EXPECT_TRUE(std::isinf(infinite.last_available.min_width));

  // NaN content and a NaN constraint give finite, non-negative answers rather than spreading.
  Leaf odd(Size{nan, -8.0f});
  const Size odd_size = odd.measure(Constraints{nan, 0.0f, 100.0f, 100.0f}, context);
  EXPECT_FALSE(std::isnan(odd_size.height));
  EXPECT_EQ(odd_size.height, 0.0f);

  // A node's own NaN bounds count as no bound.
  Leaf nan_bounds(Size{30.0f, 20.0f});
  LayoutParams nb;
  nb.min_width = nan;
  nb.max_width = nan;
  nan_bounds.set_layout(nb);
  EXPECT_EQ(nan_bounds.measure(Constraints{}, context).width, 30.0f);
}

TEST(LayoutNodeTest, MeasureCacheReusesResultsUntilAnInputChanges) {
  LayoutContext context;
  Leaf leaf(Size{30.0f, 20.0f});
  leaf.measure(Constraints{0.0f, 0.0f, 100.0f, 100.0f}, context);
  leaf.measure(Constraints{0.0f, 0.0f, 100.0f, 100.0f}, context);
  EXPECT_EQ(leaf.measure_calls, 1);

  // Two alternating constraint sets (a grid's two passes) keep hitting after the first round.
  for (int i = 0; i < 3; ++i) {
    leaf.measure(Constraints{}, context);
    leaf.measure(Constraints{0.0f, 0.0f, 100.0f, 100.0f}, context);
  }
  EXPECT_EQ(leaf.measure_calls, 2);

  // Each context value takes part in the key.
  context.flow_direction = FlowDirection::right_to_left;
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 3);
  context.dpi = 144;
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 4);
  win32_ui::modern::LocalizationContext localization(L"en-US");
  context.localization = &localization;
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 5);
  localization.set_translate({});  // a new language state
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 6);
  ++context.palette_generation;
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 7);

  // Setting the same parameters keeps the cache; a real change drops it.
  EXPECT_FALSE(leaf.set_layout(leaf.layout()));
  leaf.measure(Constraints{}, context);
  EXPECT_EQ(leaf.measure_calls, 7);
  LayoutParams p = leaf.layout();
  p.min_width = 40.0f;
  EXPECT_TRUE(leaf.set_layout(p));
  EXPECT_EQ(leaf.measure(Constraints{}, context).width, 40.0f);
  EXPECT_EQ(leaf.measure_calls, 8);
}

TEST(LayoutNodeTest, InvalidationClimbsUntilAnAncestorIsAlreadyInvalid) {
  LayoutContext context;
  Leaf root, middle, leaf;
  middle.set_layout_parent(&root);
  leaf.set_layout_parent(&middle);
  root.measure(Constraints{}, context);
  middle.measure(Constraints{}, context);
  leaf.measure(Constraints{}, context);

  leaf.invalidate_measure();
  EXPECT_FALSE(leaf.measure_valid());
  EXPECT_FALSE(middle.measure_valid());
  EXPECT_FALSE(root.measure_valid());

  // With the middle already invalid, a re-measured root is not reached again.
  root.measure(Constraints{}, context);
  leaf.measure(Constraints{}, context);
  leaf.invalidate_measure();
  EXPECT_TRUE(root.measure_valid());
}

TEST(LayoutNodeTest, ArrangeFollowsTheSizeLastHandedOutEvenFromTheOlderCacheEntry) {
  LayoutContext context;
  Remembering node;
  node.measure(Constraints{0.0f, 0.0f, 80.0f, 80.0f}, context);
  node.measure(Constraints{0.0f, 0.0f, 30.0f, 80.0f}, context);
  // The older entry answers without measuring; arrange must still see the content as measured for 80.
  EXPECT_EQ(node.measure(Constraints{0.0f, 0.0f, 80.0f, 80.0f}, context).width, 80.0f);
  EXPECT_EQ(node.measure_calls, 2);
  node.arrange(Rect{0.0f, 0.0f, 80.0f, 10.0f}, context);
  EXPECT_EQ(node.child.arranged_rect().width, 80.0f);

  // A pass that repeats the same sequence measures nothing further.
  const int calls = node.measure_calls;
  node.measure(Constraints{0.0f, 0.0f, 30.0f, 80.0f}, context);
  node.measure(Constraints{0.0f, 0.0f, 80.0f, 80.0f}, context);
  node.arrange(Rect{0.0f, 0.0f, 80.0f, 10.0f}, context);
  EXPECT_EQ(node.measure_calls, calls);
  EXPECT_EQ(node.child.arranged_rect().width, 80.0f);
}

TEST(LayoutNodeTest, LayoutPassMeasuresToTheViewportWidthAndFillsItsHeight) {
  LayoutContext context;
  Leaf short_root(Size{30.0f, 20.0f});
  EXPECT_EQ(win32_ui::layout::run_layout_pass(short_root, Size{300.0f, 200.0f}, context), (Size{300.0f, 200.0f}));
  EXPECT_EQ(short_root.arranged_rect(), (Rect{0.0f, 0.0f, 300.0f, 200.0f}));
  EXPECT_EQ(short_root.last_available.max_width, 300.0f);
  EXPECT_TRUE(std::isinf(short_root.last_available.max_height));

  Leaf tall_root(Size{30.0f, 900.0f});
  win32_ui::layout::run_layout_pass(tall_root, Size{300.0f, 200.0f}, context);
  EXPECT_EQ(tall_root.arranged_rect(), (Rect{0.0f, 0.0f, 300.0f, 900.0f}));
}

}  // namespace
