#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "layout/geometry.h"
#include "ui/graphics/canvas.h"
#include "ui/graphics/color.h"
#include "ui/graphics/path.h"
#include "ui/graphics/rect_f.h"
#include "ui/graphics/text_style.h"
#include "ui/graphics/transform.h"

namespace {

using win32_ui::layout::Constraints;
using win32_ui::layout::Point;
using win32_ui::layout::Rect;
using win32_ui::layout::Thickness;
using win32_ui::ui::graphics::clamp_opacity;
using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::mix;
using win32_ui::ui::graphics::Path;
using win32_ui::ui::graphics::RectF;
using win32_ui::ui::graphics::TextStyle;
using win32_ui::ui::graphics::Transform;

constexpr float inf = std::numeric_limits<float>::infinity();
const float not_a_number = std::numeric_limits<float>::quiet_NaN();

void expect_point(Point actual, Point expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-4f);
  EXPECT_NEAR(actual.y, expected.y, 1e-4f);
}

TEST(GeometryTest, ClampRuleAndConstraintNormalisation) {
  const auto normal = Constraints{-5.0f, inf, 3.0f, not_a_number}.normalized();
  EXPECT_EQ(normal.min_width, 0.0f);
  EXPECT_EQ(normal.min_height, inf) << "an infinite minimum is kept";
  EXPECT_EQ(normal.max_width, 3.0f);
  EXPECT_TRUE(std::isnan(normal.max_height)) << "NaN is kept as it is";

  const auto raised = Constraints{10.0f, 4.0f, 2.0f, -1.0f}.normalized();
  EXPECT_EQ(raised.max_width, 10.0f) << "a maximum below its minimum rises to it";
  EXPECT_EQ(raised.max_height, 4.0f);

  const Thickness margin{-3.0f, 2.0f, 5.0f, -1.0f};
  EXPECT_EQ(margin.horizontal(), 5.0f) << "negative sides count as 0";
  EXPECT_EQ(margin.vertical(), 2.0f);
}

TEST(ColorTest, PacksAsPaletteValuesAndMixesTowardsATarget) {
  const auto color = Color::from_colorref(0xFF336699u);
  EXPECT_EQ(color, (Color{0x99, 0x66, 0x33}));
  EXPECT_EQ(color.to_colorref(), 0x00336699u) << "the unused top byte is dropped";

  const Color black{0, 0, 0};
  const Color white{255, 255, 255};
  EXPECT_EQ(mix(black, white, 0.5f), (Color{128, 128, 128}));
  EXPECT_EQ(mix(Color{10, 200, 100}, Color{20, 100, 100}, 0.25f), (Color{13, 175, 100}));
  EXPECT_EQ(mix(black, white, 0.0f), black);
  EXPECT_EQ(mix(black, white, 1.0f), white);
  EXPECT_EQ(mix(black, white, 2.0f), white);
  EXPECT_EQ(mix(black, white, -1.0f), black);
  EXPECT_EQ(mix(black, white, not_a_number), black);
}

TEST(TransformTest, ComposesInApplicationOrder) {
  const auto move_then_scale = Transform::translation(10.0f, 0.0f).then(Transform::scaling(2.0f, 3.0f));
  const auto scale_then_move = Transform::scaling(2.0f, 3.0f).then(Transform::translation(10.0f, 0.0f));
  expect_point(move_then_scale.map({1.0f, 1.0f}), {22.0f, 3.0f});
  expect_point(scale_then_move.map({1.0f, 1.0f}), {12.0f, 3.0f});

  // A quarter turn (x' = -y, y' = x) after a shear.
  const Transform turn{0.0f, 1.0f, -1.0f, 0.0f, 0.0f, 0.0f};
  const Transform shear{1.0f, 0.0f, 0.5f, 1.0f, 0.0f, 0.0f};
  expect_point(shear.then(turn).map({2.0f, 4.0f}), turn.map(shear.map({2.0f, 4.0f})));
  expect_point(shear.then(turn).map({2.0f, 4.0f}), {-4.0f, 4.0f});
}

TEST(TransformTest, AppliesAboutAPivot) {
  const auto zoom = Transform::scaling(2.0f, 2.0f).about({10.0f, 10.0f});
  expect_point(zoom.map({10.0f, 10.0f}), {10.0f, 10.0f});
  expect_point(zoom.map({20.0f, 10.0f}), {30.0f, 10.0f});
  // The matrix's own offset still applies on top.
  const Transform shifted{1.0f, 0.0f, 0.0f, 1.0f, 5.0f, -5.0f};
  expect_point(shifted.about({100.0f, 100.0f}).map({0.0f, 0.0f}), {5.0f, -5.0f});
}

TEST(TransformTest, InvertsOnlyRegularFiniteMatrices) {
  const auto forward = Transform{0.0f, 2.0f, -0.5f, 0.0f, 7.0f, 3.0f}.about({4.0f, 9.0f});
  const auto inverse = forward.inverse();
  ASSERT_TRUE(inverse.has_value());
  expect_point(inverse->map(forward.map({13.0f, -6.0f})), {13.0f, -6.0f});
  expect_point(forward.then(*inverse).map({1.0f, 2.0f}), {1.0f, 2.0f});

  EXPECT_FALSE((Transform{1.0f, 2.0f, 2.0f, 4.0f, 0.0f, 0.0f}.inverse().has_value())) << "singular";
  EXPECT_FALSE(Transform::scaling(0.0f, 1.0f).inverse().has_value());
  const Transform broken{1.0f, 0.0f, 0.0f, 1.0f, not_a_number, 0.0f};
  EXPECT_FALSE(broken.is_finite());
  EXPECT_FALSE(broken.inverse().has_value());
  // Tiny but regular scales stay invertible.
  EXPECT_TRUE(Transform::scaling(1e-20f, 1e-20f).inverse().has_value());
}

TEST(TransformTest, MapsRectanglesToTheirBoundingBox) {
  const Transform turn{0.0f, 1.0f, -1.0f, 0.0f, 0.0f, 0.0f};
  const auto bounds = turn.about({5.0f, 5.0f}).map_bounds(Rect{0.0f, 0.0f, 10.0f, 4.0f});
  EXPECT_NEAR(bounds.x, 6.0f, 1e-4f);
  EXPECT_NEAR(bounds.y, 0.0f, 1e-4f);
  EXPECT_NEAR(bounds.width, 4.0f, 1e-4f);
  EXPECT_NEAR(bounds.height, 10.0f, 1e-4f);

  const Transform mirror{-1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  EXPECT_EQ(mirror.map_bounds(Rect{2.0f, 3.0f, 5.0f, 1.0f}), (Rect{-7.0f, 3.0f, 5.0f, 1.0f}));
}

TEST(CanvasRecordsTest, RectanglesOpacityAndDegenerateShapes) {
  EXPECT_EQ(RectF::from_rect(Rect{10.0f, 20.0f, 30.0f, 40.0f}, 1.5f), (RectF{15.0f, 30.0f, 60.0f, 90.0f}));
  EXPECT_FALSE((RectF{0.0f, 0.0f, 1.0f, 1.0f}.is_degenerate()));
  EXPECT_TRUE((RectF{5.0f, 0.0f, 5.0f, 10.0f}.is_degenerate()));
  EXPECT_TRUE((RectF{0.0f, 10.0f, 5.0f, 2.0f}.is_degenerate()));
  EXPECT_TRUE((RectF{0.0f, 0.0f, not_a_number, 10.0f}.is_degenerate()));

  EXPECT_EQ(clamp_opacity(-0.5f), 0.0f);
  EXPECT_EQ(clamp_opacity(1.5f), 1.0f);
  EXPECT_EQ(clamp_opacity(0.25f), 0.25f);
  EXPECT_EQ(clamp_opacity(not_a_number), 1.0f);
}

TEST(CanvasRecordsTest, TextAlignsToAPhysicalEdge) {
  using Edge = TextStyle::Edge;
  struct Case {
    int alignment;
    int direction;
    Edge edge;
  };
  const Case cases[] = {
      {0, 0, Edge::Left},  {1, 0, Edge::Center}, {2, 0, Edge::Right}, {7, 0, Edge::Left},   {-1, 0, Edge::Left},
      {0, 1, Edge::Right}, {1, 1, Edge::Center}, {2, 1, Edge::Left},
      {9, 1, Edge::Right}, {2, 2, Edge::Right},  {0, 2, Edge::Left},
  };
  for (const auto& c : cases) {
    TextStyle style;
    style.horizontal_alignment = c.alignment;
    style.reading_direction = c.direction;
    EXPECT_EQ(style.horizontal_edge(), c.edge) << "alignment " << c.alignment << ", direction " << c.direction;
  }
}

TEST(PathTest, BuildsFiguresFromSegments) {
  Path path;
  EXPECT_TRUE(path.is_empty());
  path.line_to({1.0f, 1.0f})  // no figure yet: starts one here
      .line_to({5.0f, 1.0f})
      .bezier_to({6.0f, 2.0f}, {6.0f, 4.0f}, {5.0f, 5.0f})
      .close()
      .move_to({9.0f, 9.0f})
      .move_to({10.0f, 10.0f})  // an empty figure is moved, not kept
      .line_to({12.0f, 10.0f});
  EXPECT_FALSE(path.is_empty());

  ASSERT_EQ(path.figures().size(), 2u);
  const auto& first = path.figures()[0];
  EXPECT_EQ(first.start, (Point{1.0f, 1.0f}));
  ASSERT_EQ(first.segments.size(), 2u);
  EXPECT_EQ(first.segments[0].kind, Path::SegmentKind::Line);
  EXPECT_EQ(first.segments[0].end(), (Point{5.0f, 1.0f}));
  EXPECT_EQ(first.segments[1].kind, Path::SegmentKind::Bezier);
  EXPECT_EQ(first.segments[1].points[0], (Point{6.0f, 2.0f}));
  EXPECT_EQ(first.segments[1].end(), (Point{5.0f, 5.0f}));
  EXPECT_TRUE(first.closed);

  const auto& second = path.figures()[1];
  EXPECT_EQ(second.start, (Point{10.0f, 10.0f}));
  ASSERT_EQ(second.segments.size(), 1u);
  EXPECT_FALSE(second.closed);

  // After a close, the next segment starts a new figure.
  Path reopened;
  reopened.move_to({0.0f, 0.0f}).line_to({1.0f, 0.0f}).close().line_to({3.0f, 3.0f}).line_to({4.0f, 3.0f});
  ASSERT_EQ(reopened.figures().size(), 2u);
  EXPECT_EQ(reopened.figures()[1].start, (Point{3.0f, 3.0f}));
}

}  // namespace
