#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "layout/text_fallback.h"
#include "layout/text_measurer.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/panels/scroll_panel.h"
#include "modern/panels/stack_panel.h"
#include "modern/tree/compound_view.h"
#include "modern/tree/view_root.h"
#include "tree_fixture.h"

namespace tree_test {
namespace {

using modern::CellPlacement;
using modern::GridPanel;
using modern::Orientation;
using modern::StackPanel;
using modern::TrackDefinition;

// Lays a panel out into exactly this rect, as a parent would.
void lay_out_into(modern::View& view, Rect rect,
                  layout::FlowDirection flow_direction = layout::FlowDirection::left_to_right) {
  layout::LayoutContext context;
  context.flow_direction = flow_direction;
  view.measure(layout::Constraints{0.0f, 0.0f, rect.width, rect.height}, context);
  view.arrange(rect, context);
}

TEST(StackPanelTest, ChildrenShrinkAlikeWhenTheyDoNotFitAndNeverStretch) {
  StackPanel stack(Orientation::vertical, 8.0f);
  Content* a = add_content(stack, 30, 40);
  Content* b = add_content(stack, 50, 40);
  Content* c = add_content(stack, 20, 40);

  lay_out_into(stack, Rect{0, 0, 100, 100});
  EXPECT_EQ(a->arranged_rect(), (Rect{0, 0, 100, 28}));  // 40 x (100 - 16) / 120
  EXPECT_EQ(b->arranged_rect(), (Rect{0, 36, 100, 28}));
  EXPECT_EQ(c->arranged_rect(), (Rect{0, 72, 100, 28}));

  lay_out_into(stack, Rect{0, 0, 100, 200});
  EXPECT_EQ(a->arranged_rect(), (Rect{0, 0, 100, 40}));
  EXPECT_EQ(b->arranged_rect(), (Rect{0, 48, 100, 40}));
  EXPECT_EQ(c->arranged_rect(), (Rect{0, 96, 100, 40}));

  // Desired size: lengths plus gaps along the line, the widest across it.
  layout::LayoutContext context;
  EXPECT_EQ(stack.measure(layout::Constraints{}, context), (Size{50, 136}));

  // A collapsed child takes neither length nor a gap.
  b->set_visibility(layout::Visibility::collapsed);
  EXPECT_EQ(stack.measure(layout::Constraints{}, context), (Size{30, 88}));
  lay_out_into(stack, Rect{0, 0, 100, 200});
  EXPECT_EQ(b->arranged_rect(), (Rect{0, 0, 0, 0}));
  EXPECT_EQ(c->arranged_rect(), (Rect{0, 48, 100, 40}));
}

TEST(StackPanelTest, RowsKeepTheirOrderRightToLeftWhileChildrenMirrorInTheirSlots) {
  StackPanel row(Orientation::horizontal, 10.0f, layout::Thickness::uniform(5.0f));
  Content* first = add_content(row, 30, 20);
  Content* second = add_content(row, 40, 20);
  layout::LayoutParams narrow;
  narrow.horizontal_alignment = layout::HorizontalAlignment::start;
  narrow.max_width = 20.0f;
  second->set_layout(narrow);

  lay_out_into(row, Rect{0, 0, 300, 50}, layout::FlowDirection::right_to_left);
  EXPECT_EQ(first->arranged_rect(), (Rect{5, 5, 30, 40}));
  // Its slot is 20 wide (its measured width under the max): start is the slot's right edge either way.
  EXPECT_EQ(second->arranged_rect().x, 45.0f);
  EXPECT_EQ(second->arranged_rect().height, 40.0f);

  // The cross axis offers the panel's own limit; the main axis is unbounded.
  StackPanel tight(Orientation::horizontal);
  Content* probe = add_content(tight, 500, 500);
  layout::LayoutContext context;
  tight.measure(layout::Constraints{0, 0, 100, 60}, context);
  EXPECT_EQ(probe->desired_size(), (Size{500, 60}));
}

TEST(OverlayPanelTest, EveryChildGetsTheWholeContentRectInOrder) {
  TestHost host;
  modern::OverlayPanel overlay(layout::Thickness::uniform(4.0f));
  overlay.attach_to_host(&host);
  Content* under = add_content(overlay, 30, 80);
  Content* over = add_content(overlay, 60, 20);
  layout::LayoutContext context;
  EXPECT_EQ(overlay.measure(layout::Constraints{}, context), (Size{68, 88}));
  lay_out_into(overlay, Rect{0, 0, 200, 100});
  EXPECT_EQ(under->arranged_rect(), (Rect{4, 4, 192, 92}));
  EXPECT_EQ(over->arranged_rect(), under->arranged_rect());
  over->set_accepts_pointer_input(true);
  under->set_accepts_pointer_input(true);
  EXPECT_EQ(view_at(overlay, Point{50, 50}), over);

  modern::OverlayPanel empty;
  EXPECT_EQ(empty.measure(layout::Constraints{}, context), (Size{0, 0}));
}

TEST(CompositeViewTest, WrapsItsContentWhole) {
  auto content = std::make_unique<Content>(40, 30);
  Content* inner = content.get();
  modern::CompositeView composite(std::move(content));
  composite.set_padding(layout::Thickness::uniform(2.0f));
  layout::LayoutContext context;
  EXPECT_EQ(composite.measure(layout::Constraints{}, context), (Size{44, 34}));
  lay_out_into(composite, Rect{10, 10, 100, 100});
  EXPECT_EQ(inner->arranged_rect(), (Rect{12, 12, 96, 96}));
  modern::CompositeView none(nullptr);
  EXPECT_EQ(none.measure(layout::Constraints{}, context), (Size{0, 0}));
}

TEST(GridPanelTest, WithoutDefinitionsOneStarCellFillsTheSpace) {
  GridPanel grid;
  Content* child = static_cast<Content*>(grid.add(std::make_unique<Content>(10, 10), CellPlacement{}));
  lay_out_into(grid, Rect{5, 5, 300, 200});
  EXPECT_EQ(child->arranged_rect(), (Rect{5, 5, 300, 200}));

  GridPanel empty;
  layout::LayoutContext context;
  EXPECT_EQ(empty.measure(layout::Constraints{0, 0, 300, 200}, context), (Size{0, 0}));
}

TEST(GridPanelTest, TracksSizeByKindWeightAndSpacing) {
  // fixed 50 | auto | star x1 | star x2, with 10 between columns; two rows: auto and star.
  GridPanel grid({TrackDefinition::fixed(50), TrackDefinition::automatic(), TrackDefinition::star(1),
                  TrackDefinition::star(2)},
                 {TrackDefinition::automatic(), TrackDefinition::star()}, 10.0f, 4.0f);
  Content* wide_fixed = static_cast<Content*>(grid.add(std::make_unique<Content>(80, 10), CellPlacement{0, 0}));
  Content* auto_cell = static_cast<Content*>(grid.add(std::make_unique<Content>(45, 30), CellPlacement{1, 0}));
  Content* star1 = static_cast<Content*>(grid.add(std::make_unique<Content>(5, 5), CellPlacement{2, 1}));
  Content* span = static_cast<Content*>(grid.add(std::make_unique<Content>(5, 5), CellPlacement{2, 0, 2, 1}));
  lay_out_into(grid, Rect{0, 0, 400, 200});

  // Fixed never grows for its content; auto takes its widest child; the stars share the rest 1:2.
  EXPECT_EQ(wide_fixed->arranged_rect(), (Rect{0, 0, 50, 30}));
  EXPECT_EQ(auto_cell->arranged_rect(), (Rect{60, 0, 45, 30}));
  const float rest = 400 - 50 - 45 - 30;
  EXPECT_FLOAT_EQ(star1->arranged_rect().x, 115.0f);
  EXPECT_NEAR(star1->arranged_rect().width, rest / 3, 0.01f);
  EXPECT_NEAR(star1->arranged_rect().y, 34.0f, 0.01f);
  EXPECT_NEAR(star1->arranged_rect().height, 200 - 30 - 4, 0.01f);
  // A span covers its tracks and the gap between them.
  EXPECT_NEAR(span->arranged_rect().width, rest + 10, 0.01f);
  EXPECT_EQ(grid.measured_column_lengths().size(), 4u);
}

TEST(GridPanelTest, ZeroWeightsAndInfiniteWidths) {
  GridPanel weighted({TrackDefinition::star(0), TrackDefinition::star(2)}, {});
  Content* zero = static_cast<Content*>(weighted.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));
  Content* two = static_cast<Content*>(weighted.add(std::make_unique<Content>(0, 0), CellPlacement{1, 0}));
  lay_out_into(weighted, Rect{0, 0, 300, 50});
  EXPECT_EQ(zero->arranged_rect().width, 0.0f);
  EXPECT_EQ(two->arranged_rect().width, 300.0f);

  GridPanel all_zero({TrackDefinition::star(0), TrackDefinition::star(0)}, {});
  Content* left = static_cast<Content*>(all_zero.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));
  all_zero.add(std::make_unique<Content>(0, 0), CellPlacement{1, 0});
  lay_out_into(all_zero, Rect{0, 0, 300, 50});
  EXPECT_EQ(left->arranged_rect().width, 150.0f);

  // Unbounded width (inside a row): star columns take their content's width like auto ones.
  StackPanel row(Orientation::horizontal);
  auto grid = std::make_unique<GridPanel>(std::vector{TrackDefinition::star(1), TrackDefinition::star(1)},
                                          std::vector<TrackDefinition>{}, 6.0f);
  grid->add(std::make_unique<Content>(70, 10), CellPlacement{0, 0});
  grid->add(std::make_unique<Content>(30, 10), CellPlacement{1, 0});
  GridPanel* inner = static_cast<GridPanel*>(row.add_child(std::move(grid)));
  layout::LayoutContext context;
  row.measure(layout::Constraints{0, 0, 500, 100}, context);
  EXPECT_EQ(inner->desired_size().width, 106.0f);
}

TEST(GridPanelTest, OverflowShrinksStarThenAutoThenFixed) {
  GridPanel grid({TrackDefinition::fixed(100, 60), TrackDefinition::automatic(20), TrackDefinition::star(1, 30)}, {});
  Content* fixed = static_cast<Content*>(grid.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));
  Content* automatic = static_cast<Content*>(grid.add(std::make_unique<Content>(80, 0), CellPlacement{1, 0}));
  Content* star = static_cast<Content*>(grid.add(std::make_unique<Content>(90, 0), CellPlacement{2, 0}));

  lay_out_into(grid, Rect{0, 0, 200, 10});  // star at its min 30; auto gives up 10
  EXPECT_NEAR(star->arranged_rect().width, 30.0f, 0.01f);
  EXPECT_NEAR(automatic->arranged_rect().width, 70.0f, 0.01f);
  EXPECT_NEAR(fixed->arranged_rect().width, 100.0f, 0.01f);

  lay_out_into(grid, Rect{0, 0, 120, 10});  // auto at its min 20; fixed gives up 30
  EXPECT_NEAR(star->arranged_rect().width, 30.0f, 0.01f);
  EXPECT_NEAR(automatic->arranged_rect().width, 20.0f, 0.01f);
  EXPECT_NEAR(fixed->arranged_rect().width, 70.0f, 0.01f);
}

TEST(GridPanelTest, CellsOutsideTheTracksAndMisuseDoNotBreakTheGrid) {
  GridPanel grid({TrackDefinition::fixed(40), TrackDefinition::fixed(40)}, {TrackDefinition::fixed(20)}, 0, 0,
                 layout::Thickness::uniform(3));
  Content* zero_span = static_cast<Content*>(grid.add(std::make_unique<Content>(0, 0), CellPlacement{1, 0, 0, 0}));
  Content* outside = static_cast<Content*>(grid.add(std::make_unique<Content>(0, 0), CellPlacement{1, 0, 2, 1}));

  EXPECT_THROW(grid.add(nullptr, CellPlacement{0, 0}), std::invalid_argument);
  auto orphan_parent = std::make_unique<GridPanel>();
  modern::View* taken = orphan_parent->add(std::make_unique<Content>(0, 0), CellPlacement{});
  try {
    grid.add(std::unique_ptr<modern::View>(taken), CellPlacement{0, 0});
    FAIL() << "a child with a parent was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "modern View already belongs to a parent");
  }
  // The refused adds left no placements behind: this child gets its own cell, not a stale one.
  Content* first = static_cast<Content*>(grid.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));

  lay_out_into(grid, Rect{0, 0, 200, 100});
  EXPECT_EQ(zero_span->arranged_rect(), (Rect{43, 3, 40, 20}));  // span 0 counts as 1
  EXPECT_EQ(outside->arranged_rect(), (Rect{3, 3, 0, 0}));
  EXPECT_EQ(first->arranged_rect(), (Rect{3, 3, 40, 20}));

  // A child added without a placement is left out of layout entirely.
  Content* unplaced = add_content(grid, 10, 10);
  lay_out_into(grid, Rect{0, 0, 200, 100});
  EXPECT_EQ(unplaced->measures, 0);

  // New rows take effect at the next pass; the same rows again ask for nothing.
  TestHost host;
  grid.attach_to_host(&host);
  grid.set_rows({TrackDefinition::fixed(50)});
  EXPECT_FALSE(grid.measure_valid());
  lay_out_into(grid, Rect{0, 0, 200, 100});
  EXPECT_EQ(first->arranged_rect().height, 50.0f);
  const int requests = host.layout_requests;
  grid.set_rows({TrackDefinition::fixed(50)});
  grid.set_columns({TrackDefinition::fixed(40), TrackDefinition::fixed(40)});
  EXPECT_EQ(host.layout_requests, requests);
  EXPECT_TRUE(grid.measure_valid());

  // A cleared grid forgets its cells: the next child gets the cell it is added with.
  grid.clear_children();
  Content* fresh = static_cast<Content*>(grid.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));
  lay_out_into(grid, Rect{0, 0, 200, 100});
  EXPECT_EQ(fresh->arranged_rect(), (Rect{3, 3, 40, 50}));
  grid.attach_to_host(nullptr);  // the host goes first
}

// Every arranged coordinate stays finite and every length within the layout limit, whatever lengths
// callers hand in; finite neighbours keep their sizes where the algorithm leaves them room.
TEST(PanelsTest, InfiniteHugeAndNanLengthsNeverReachAnArrangedRect) {
  constexpr float inf = layout::unbounded;
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  auto expect_finite = [](const modern::View& view, const char* what) {
    const Rect r = view.arranged_rect();
    for (const float v : {r.x, r.y, r.width, r.height}) {
      EXPECT_TRUE(std::isfinite(v)) << what;
      EXPECT_LE(std::fabs(v), layout::max_layout_length) << what;
    }
  };

  // A stack child with an infinite minimum height, then a normal sibling.
  StackPanel stack(Orientation::vertical, inf);
  Content* tall = add_content(stack, 10, 10);
  layout::LayoutParams p;
  p.min_height = inf;
  tall->set_layout(p);
  Content* next = add_content(stack, 10, 20);
  lay_out_into(stack, Rect{0, 0, 100, inf});
  expect_finite(*tall, "stack child with infinite minimum");
  expect_finite(*next, "its sibling");

  // An auto column with infinite content beside a finite one, in an unbounded grid: the finite one
  // keeps its width.
  GridPanel autos({TrackDefinition::automatic(), TrackDefinition::automatic()}, {});
  Content* endless = static_cast<Content*>(autos.add(std::make_unique<Content>(inf, 10), CellPlacement{0, 0}));
  Content* modest = static_cast<Content*>(autos.add(std::make_unique<Content>(30, 10), CellPlacement{1, 0}));
  lay_out_into(autos, Rect{0, 0, inf, 100});
  expect_finite(*endless, "infinite auto child");
  expect_finite(*modest, "its finite neighbour");
  EXPECT_EQ(modest->arranged_rect().width, 30.0f);

  // Two huge auto columns in a bounded grid share it instead of overflowing to infinity.
  GridPanel huge({TrackDefinition::automatic(), TrackDefinition::automatic()}, {});
  Content* h1 = static_cast<Content*>(huge.add(std::make_unique<Content>(3e38f, 10), CellPlacement{0, 0}));
  Content* h2 = static_cast<Content*>(huge.add(std::make_unique<Content>(3e38f, 10), CellPlacement{1, 0}));
  lay_out_into(huge, Rect{0, 0, 200, 100});
  expect_finite(*h1, "huge auto column");
  expect_finite(*h2, "second huge auto column");
  EXPECT_FLOAT_EQ(h1->arranged_rect().width + h2->arranged_rect().width, 200.0f);

  // An infinite star weight takes the free space; the other star tracks are not turned into NaN.
  GridPanel stars({TrackDefinition::star(inf), TrackDefinition::star(1), TrackDefinition::fixed(inf)}, {});
  Content* heavy = static_cast<Content*>(stars.add(std::make_unique<Content>(0, 0), CellPlacement{0, 0}));
  Content* light = static_cast<Content*>(stars.add(std::make_unique<Content>(0, 0), CellPlacement{1, 0}));
  Content* fixed = static_cast<Content*>(stars.add(std::make_unique<Content>(0, 0), CellPlacement{2, 0}));
  lay_out_into(stars, Rect{0, 0, 300, 100});
  for (Content* c : {heavy, light, fixed}) expect_finite(*c, "star and fixed tracks");

  // NaN margins and slots act as 0.
  modern::OverlayPanel overlay;
  Content* odd = add_content(overlay, 10, 10);
  layout::LayoutParams q;
  q.margin = layout::Thickness{nan, nan, 5, 5};
  odd->set_layout(q);
  lay_out_into(overlay, Rect{nan, 7, 100, 100});
  EXPECT_EQ(odd->arranged_rect(), (Rect{0, 7, 95, 95}));
}

// Nests grids `depth` deep, each with an auto column holding a leaf and a star column holding the next grid.
std::unique_ptr<GridPanel> nested_grids(int depth, std::vector<Content*>& leaves) {
  auto grid = std::make_unique<GridPanel>(std::vector{TrackDefinition::automatic(), TrackDefinition::star()},
                                          std::vector{TrackDefinition::automatic()});
  leaves.push_back(static_cast<Content*>(grid->add(std::make_unique<Content>(10, 12), CellPlacement{0, 0})));
  if (depth > 1) grid->add(nested_grids(depth - 1, leaves), CellPlacement{1, 0});
  return grid;
}

TEST(GridPanelTest, APassWithNothingChangedMeasuresNothingAgain) {
  TestHost host;
  std::vector<Content*> leaves;
  auto root = nested_grids(8, leaves);
  root->attach_to_host(&host);
  layout::LayoutContext context;
  layout::run_layout_pass(*root, Size{800, 600}, context);
  int first_pass = 0;
  for (Content* leaf : leaves) first_pass += leaf->measures;
  std::vector<Rect> rects;
  for (Content* leaf : leaves) rects.push_back(leaf->arranged_rect());

  layout::run_layout_pass(*root, Size{800, 600}, context);
  int second_pass = 0;
  for (Content* leaf : leaves) second_pass += leaf->measures;
  EXPECT_EQ(second_pass, first_pass);
  for (std::size_t i = 0; i < leaves.size(); ++i) EXPECT_EQ(leaves[i]->arranged_rect(), rects[i]);
  // With one remembered measure per node the nested grids re-measure about 2^depth times per pass.
  EXPECT_LT(first_pass, 4 * static_cast<int>(leaves.size()));

  // A change deep down re-measures only what it affects, and the layout follows it.
  const int outer_leaf_measures = leaves.front()->measures;
  leaves.back()->want_ = Size{30, 12};
  leaves.back()->invalidate_layout();
  layout::run_layout_pass(*root, Size{800, 600}, context);
  EXPECT_EQ(leaves.front()->measures, outer_leaf_measures);
  EXPECT_EQ(leaves.back()->arranged_rect().width, 30.0f);
}

// A measurer that knows only style 3 (the widget's style 2).
struct BodyOnlyMeasurer : layout::TextMeasurer {
  std::optional<Size> measure(std::wstring_view text, int style) override {
    if (style != 3) return std::nullopt;
    return Size{static_cast<float>(text.size()) * 7.0f, 16.0f};
  }
};

TEST(TextFallbackTest, EstimatesFromAdvancesWhenNoMeasurerAnswers) {
  EXPECT_EQ(layout::fallback_text_size(L"MW a", layout::TextStyle::body), (Size{11.5f + 11.5f + 3.5f + 8.0f, 18.0f}));
  EXPECT_FLOAT_EQ(layout::fallback_text_size(L"\u6C34\u5370", layout::TextStyle::title).width, 24.0f * 1.7f);
  EXPECT_EQ(layout::fallback_text_size(L"\U0001F600", layout::TextStyle::body).width, 12.0f);  // one surrogate pair
  EXPECT_EQ(layout::fallback_text_size(L"\u00E9", layout::TextStyle::caption), (Size{8.0f * 0.84f, 14.0f}));

  BodyOnlyMeasurer measurer;
  layout::LayoutContext context;
  context.text_measurer = &measurer;
  EXPECT_EQ(layout::measure_text(context, L"abc", layout::TextStyle::body), (Size{21.0f, 16.0f}));
  EXPECT_EQ(layout::measure_text(context, L"abc", layout::TextStyle::section), (Size{24.0f * 1.25f, 24.0f}));
}


// Ten focusable rows of 40 in a 100-high window: the wheel, Tab and the bar move it, and nothing
// scrolled out of the window is hit.
TEST(ScrollPanelTest, WheelFocusAndBarMoveTheWindowAndHiddenRowsAreNotHit) {
  modern::ViewRoot root;
  auto top = std::make_unique<Layer>();
  auto* scroller = static_cast<modern::ScrollPanel*>(top->add_child(std::make_unique<modern::ScrollPanel>()));
  scroller->set_layout(placed(0, 20, 200, 100));
  auto* stack = static_cast<StackPanel*>(scroller->set_content(std::make_unique<StackPanel>(Orientation::vertical, 0.0f)));
  std::vector<Box*> rows;
  for (int i = 0; i < 10; ++i) {
    auto row = std::make_unique<Box>(static_cast<std::uint8_t>(i));
    layout::LayoutParams p;
    p.has_fixed_height = true;
    p.fixed_height = 40.0f;
    row->set_layout(p);
    row->set_focusable(true);
    row->set_accepts_pointer_input(true);
    rows.push_back(static_cast<Box*>(stack->add_child(std::move(row))));
  }
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(Size{300, 200}, context);
  ASSERT_EQ(scroller->arranged_rect(), (Rect{0, 20, 200, 100}));
  EXPECT_EQ(scroller->extent(), 400.0f);
  EXPECT_EQ(scroller->max_offset(), 300.0f);
  // The bar keeps its gutter free of content.
  EXPECT_EQ(rows[0]->arranged_rect(), (Rect{0, 20, 200 - modern::ScrollPanel::bar_gutter, 40}));
  EXPECT_NE(view_at(*root.root(), Point{50, 150}), rows[3]) << "row 3 lies below the window";

  // Two notches towards the user over a row's background.
  auto wheel_by = [&](float notches) {
    modern::PointerEvent wheel = pointer(modern::PointerAction::wheel, Point{50, 60});
    wheel.wheel_delta = notches;
    return root.route_pointer(wheel);
  };
  EXPECT_TRUE(wheel_by(-2.0f));
  root.layout(Size{300, 200}, context);
  EXPECT_EQ(scroller->offset(), 2 * modern::ScrollPanel::wheel_step);
  EXPECT_EQ(rows[2]->arranged_rect().y, 20 + 80 - 96.0f);
  EXPECT_EQ(view_at(*root.root(), Point{50, 25}), rows[2]);
  EXPECT_TRUE(wheel_by(50.0f));
  EXPECT_EQ(scroller->offset(), 0.0f);
  EXPECT_FALSE(wheel_by(1.0f)) << "at the top the wheel goes on to the ancestors";
  root.layout(Size{300, 200}, context);

  // Tab onto a hidden row brings it just into view, even before a layout followed the last move;
  // Shift+Tab back to the first shows it at the top.
  for (int i = 0; i < 4; ++i) root.move_focus(modern::FocusDirection::next, modern::FocusOrigin::keyboard);
  ASSERT_EQ(root.focused(), rows[3]);
  EXPECT_EQ(scroller->offset(), 60.0f) << "row 3 (120..160) ends at the window's bottom";
  for (int i = 0; i < 3; ++i) root.move_focus(modern::FocusDirection::previous, modern::FocusOrigin::keyboard);
  EXPECT_EQ(scroller->offset(), 0.0f);
  // A click never scrolls what it hit.
  root.layout(Size{300, 200}, context);
  root.request_focus(*rows[2], modern::FocusOrigin::pointer);
  EXPECT_EQ(scroller->offset(), 0.0f);

  // Dragging the thumb by its travel reaches the end; a press on the track above it pages up.
  auto send = [&](modern::PointerAction action, Point at) {
    modern::PointerEvent event = pointer(action, at);
    event.buttons = action == modern::PointerAction::up ? modern::pointer_button_none : modern::pointer_button_primary;
    return root.route_pointer(event);
  };
  const Rect thumb = scroller->bar_thumb();
  ASSERT_GT(thumb.height, 0.0f);
  const Point grip{thumb.x + thumb.width / 2, thumb.y + 2};
  ASSERT_TRUE(send(modern::PointerAction::down, grip));
  send(modern::PointerAction::move, Point{grip.x, grip.y + 100 - thumb.height});
  send(modern::PointerAction::up, grip);
  EXPECT_EQ(scroller->offset(), 300.0f);
  root.layout(Size{300, 200}, context);
  ASSERT_TRUE(send(modern::PointerAction::down, Point{grip.x, 22}));
  send(modern::PointerAction::up, Point{grip.x, 22});
  EXPECT_EQ(scroller->offset(), 200.0f);

  // A taller window needs no scrolling, and the content takes the whole width again.
  scroller->set_layout(placed(0, 20, 200, 500));
  root.layout(Size{300, 600}, context);
  EXPECT_FALSE(scroller->overflows());
  EXPECT_EQ(scroller->offset(), 0.0f);
  EXPECT_EQ(rows[0]->arranged_rect(), (Rect{0, 20, 200, 40}));
}

// A view whose content grows repaints itself and what it pushes aside, not the whole window: a
// status line refreshed with every preview frame must not repaint everything each time. The
// window's own layouts (a resize) still repaint everything.
TEST(StackPanelTest, AViewThatGrowsRepaintsOnlyWhatMoved) {
  class Growing : public Box {
   public:
    void grow(float height) {
      height_ = height;
      invalidate_layout();
    }

   protected:
    Size measure_content(const layout::Constraints&, layout::LayoutContext&) override { return Size{100, height_}; }

   private:
    float height_ = 40;
  };
  modern::ViewRoot root;
  auto top = std::make_unique<StackPanel>(Orientation::horizontal, 0.0f);
  auto* column = static_cast<StackPanel*>(top->add_child(std::make_unique<StackPanel>(Orientation::vertical, 0.0f)));
  std::vector<Growing*> rows;
  for (int i = 0; i < 3; ++i) rows.push_back(static_cast<Growing*>(column->add_child(std::make_unique<Growing>())));
  auto* side = static_cast<Growing*>(top->add_child(std::make_unique<Growing>()));
  root.set_root(std::move(top));
  layout::LayoutContext context;
  root.layout(Size{300, 300}, context);
  root.clear_dirty();

  rows[1]->grow(60);
  root.layout(Size{300, 300}, context);
  ASSERT_FALSE(root.whole_surface_dirty());
  EXPECT_EQ(rows[2]->arranged_rect().y, 100.0f);
  const Rect dirty = root.dirty_rect();
  EXPECT_LE(dirty.y, 40.0f);
  EXPECT_GE(dirty.y + dirty.height, 140.0f) << "row 2 moved down: its old and new place repaint";
  EXPECT_GT(dirty.y, 36.0f - 1.0f) << "row 0 did not move";
  EXPECT_LT(dirty.x + dirty.width, side->arranged_rect().x + 4.0f + 1.0f) << "the side column did not move";
  EXPECT_GT(dirty.x + dirty.width, rows[2]->arranged_rect().x + rows[2]->arranged_rect().width);

  root.invalidate_layout();
  EXPECT_TRUE(root.whole_surface_dirty());
}

}  // namespace
}  // namespace tree_test
