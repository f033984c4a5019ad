#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using win32_ui::layout::Point;
using win32_ui::test::CanvasCall;
using win32_ui::test::RecordingCanvas;
using win32_ui::ui::graphics::Canvas;
using win32_ui::ui::graphics::CanvasFeature;
using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::RectF;
using win32_ui::ui::graphics::TextStyle;
using win32_ui::ui::graphics::Transform;
using Op = CanvasCall::Op;

const Color red{255, 0, 0};

// Painting code sees only the interface; the recorder must keep the state a back-end would.
TEST(RecordingCanvasTest, DrawingCallsCarryTheStateTheyRanIn) {
  RecordingCanvas recorder;
  Canvas& canvas = recorder;

  canvas.fill_rect({0, 0, 100, 100}, red);
  EXPECT_NE(canvas.save(), 0);
  canvas.set_transform(Transform::translation(10, 20));
  canvas.clip_rect({0, 0, 50, 50});
  canvas.set_opacity(1.5f);
  EXPECT_TRUE(canvas.push_opacity_layer({0, 0, 30, 30}, 0.5f, 0));
  canvas.set_opacity(0.5f);
  canvas.fill_rect({1, 2, 3, 4}, red);
  canvas.restore();  // unwinds the layer pushed after the save as well
  canvas.fill_rect({5, 6, 7, 8}, red);

  const auto fills = recorder.calls_of(Op::fill_rect);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_FALSE(fills[0].clip.has_value());
  EXPECT_EQ(fills[0].depth, 0u);

  EXPECT_EQ(fills[1].rect, (RectF{1, 2, 3, 4}));
  EXPECT_EQ(fills[1].current_transform, Transform::translation(10, 20));
  EXPECT_EQ(fills[1].current_opacity, 0.5f);
  EXPECT_EQ(fills[1].layer_opacity, 0.5f);
  ASSERT_TRUE(fills[1].clip.has_value());
  EXPECT_EQ(*fills[1].clip, (RectF{10, 20, 40, 50})) << "clips meet in target pixels, through the transform";
  EXPECT_EQ(fills[1].depth, 2u);

  EXPECT_TRUE(fills[2].current_transform.is_identity());
  EXPECT_EQ(fills[2].current_opacity, 1.0f);
  EXPECT_EQ(fills[2].layer_opacity, 1.0f);
  EXPECT_FALSE(fills[2].clip.has_value());
  EXPECT_EQ(recorder.depth(), 0u);

  canvas.restore();  // unbalanced: ignored
  EXPECT_EQ(recorder.depth(), 0u);
  EXPECT_EQ(recorder.drawing_calls().size(), 3u);
}

TEST(RecordingCanvasTest, SoftwareCanvasAnswersLikeGdi) {
  RecordingCanvas recorder(true);
  Canvas& canvas = recorder;
  EXPECT_TRUE(canvas.is_software());
  EXPECT_FALSE(canvas.supports(CanvasFeature::Antialiasing));
  EXPECT_FALSE(canvas.supports(CanvasFeature::OpacityLayers));
  EXPECT_TRUE(canvas.supports(CanvasFeature::Images));

  EXPECT_FALSE(canvas.push_opacity_layer({0, 0, 10, 10}, 0.25f, 7));
  TextStyle style;
  style.color = red;
  canvas.draw_text(L"A & B", {0, 0, 10, 10}, style);
  canvas.pop_opacity_layer();
  const std::vector<Point> line{{0, 0}, {4, 4}, {8, 0}};
  canvas.draw_polyline(line, red, 2.0f);
  recorder.set_end_frame_result(false);
  canvas.save();
  EXPECT_FALSE(canvas.end_frame());
  EXPECT_EQ(recorder.depth(), 0u) << "end frame unwinds what painting left pushed";

  const auto text = recorder.calls_of(Op::draw_text);
  ASSERT_EQ(text.size(), 1u);
  EXPECT_EQ(text[0].current_opacity, 0.25f) << "the software layer sets the canvas opacity";
  EXPECT_EQ(text[0].color, red);
  EXPECT_EQ(recorder.texts(), std::vector<std::wstring>{L"A & B"});
  EXPECT_EQ(recorder.calls_of(Op::push_opacity_layer)[0].word, 7u);
  const auto polyline = recorder.calls_of(Op::draw_polyline);
  ASSERT_EQ(polyline.size(), 1u);
  EXPECT_EQ(polyline[0].points, line);
  EXPECT_EQ(polyline[0].current_opacity, 1.0f);
}

}  // namespace
