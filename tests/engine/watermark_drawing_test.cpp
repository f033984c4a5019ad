#include <gtest/gtest.h>

#include "gdiplus_headers.h"

#include <cmath>

#include "gdiplus_support.h"
#include "test_support.h"
#include "watermark_drawing.h"

namespace {

using namespace orvane::engine;
namespace flat = Gdiplus::DllExports;

// A bitmap cleared to opaque black, so any stamp shows as brighter pixels.
struct Canvas {
  gdiplus::BitmapPtr bitmap;
  unsigned width, height;

  Canvas(unsigned w, unsigned h) : bitmap(gdiplus::create_bitmap(w, h, PixelFormat32bppARGB)), width(w), height(h) {
    auto graphics = gdiplus::graphics_for(bitmap.get());
    flat::GdipGraphicsClear(graphics.get(), 0xFF000000);
  }
  [[nodiscard]] std::uint32_t at(unsigned x, unsigned y) const {
    Gdiplus::ARGB value = 0;
    flat::GdipBitmapGetPixel(bitmap.get(), static_cast<INT>(x), static_cast<INT>(y), &value);
    return value;
  }
  [[nodiscard]] bool inked(unsigned x, unsigned y) const { return ((at(x, y) >> 16) & 0xFF) > 60; }
  [[nodiscard]] std::vector<std::uint32_t> pixels() const {
    std::vector<std::uint32_t> out;
    for (unsigned y = 0; y < height; ++y)
      for (unsigned x = 0; x < width; ++x) out.push_back(at(x, y));
    return out;
  }
  // Bounding box and centroid of the inked pixels.
  struct Ink {
    unsigned count = 0;
    unsigned left = ~0u, top = ~0u, right = 0, bottom = 0;
    double cx = 0, cy = 0;
  };
  [[nodiscard]] Ink ink() const {
    Ink ink;
    for (unsigned y = 0; y < height; ++y) {
      for (unsigned x = 0; x < width; ++x) {
        if (!inked(x, y)) continue;
        ++ink.count;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
        ink.cx += x;
        ink.cy += y;
      }
    }
    if (ink.count) {
      ink.cx /= ink.count;
      ink.cy /= ink.count;
    }
    return ink;
  }
};

WatermarkOptions opaque(const std::wstring& text, WatermarkLayout layout) {
  WatermarkOptions options;
  options.text = text;
  options.layout = layout;
  options.color = {255, 255, 255, 255};
  options.font_family = L"Arial";
  return options;
}

Canvas draw(const WatermarkOptions& options, unsigned w, unsigned h) {
  Canvas canvas(w, h);
  std::wstring error;
  EXPECT_TRUE(draw_watermark(options, canvas.bitmap.get(), w, h, error)) << std::string(error.begin(), error.end());
  return canvas;
}

class WatermarkDrawing : public ::testing::Test {
  orvane::test::GdiplusScope gdiplus_;
};

TEST_F(WatermarkDrawing, CenteredStampSitsOnTheAnchor) {
  auto options = opaque(L"HH", WatermarkLayout::Center);
  options.font_size = 14;
  options.rotation = 0;
  const auto ink = draw(options, 90, 90).ink();
  ASSERT_GT(ink.count, 20u);
  EXPECT_NEAR(ink.cx, 45.0, 2.5);
  EXPECT_NEAR(ink.cy, 45.0, 3.0);
}

TEST_F(WatermarkDrawing, NineAnchorsLandInTheirNinths) {
  for (int layout = 2; layout <= 10; ++layout) {
    auto options = opaque(L"X", static_cast<WatermarkLayout>(layout));
    options.font_size = 20;
    options.rotation = 0;
    const auto ink = draw(options, 300, 240).ink();
    ASSERT_GT(ink.count, 10u) << layout;
    const int column = (layout - 2) % 3, row = (layout - 2) / 3;
    EXPECT_NEAR(ink.cx, 100.0 * (column + 0.5), 4.0) << layout;
    EXPECT_NEAR(ink.cy, 80.0 * (row + 0.5), 5.0) << layout;
  }
}

TEST_F(WatermarkDrawing, RotationTurnsTheStampAboutItsCentre) {
  auto options = opaque(L"WWWWWWWW", WatermarkLayout::Center);
  options.font_size = 16;
  options.rotation = 0;
  const auto flat_ink = draw(options, 200, 200).ink();
  options.rotation = 90;
  const auto turned = draw(options, 200, 200).ink();
  // Horizontal text is wide; turned a quarter it is tall, still centred.
  EXPECT_GT(flat_ink.right - flat_ink.left, 2 * (flat_ink.bottom - flat_ink.top));
  EXPECT_GT(turned.bottom - turned.top, 2 * (turned.right - turned.left));
  EXPECT_NEAR(turned.cx, 100.0, 4.0);
  EXPECT_NEAR(turned.cy, 100.0, 4.0);
  // -30 makes the text rise to the right: its right end is higher than its left end.
  options.rotation = -30;
  Canvas rising = draw(options, 200, 200);
  double left_y = 0, right_y = 0;
  unsigned left_n = 0, right_n = 0;
  for (unsigned y = 0; y < 200; ++y) {
    for (unsigned x = 0; x < 200; ++x) {
      if (!rising.inked(x, y)) continue;
      if (x < 80) left_y += y, ++left_n;
      if (x > 120) right_y += y, ++right_n;
    }
  }
  ASSERT_GT(left_n, 0u);
  ASSERT_GT(right_n, 0u);
  EXPECT_LT(right_y / right_n, left_y / left_n - 10);
}

TEST_F(WatermarkDrawing, FullTurnLooksLikeNoTurn) {
  auto options = opaque(L"Sample", WatermarkLayout::Grid);
  options.font_size = 18;
  options.rotation = 0;
  const auto none = draw(options, 160, 120).pixels();
  options.rotation = 360;
  const auto full = draw(options, 160, 120).pixels();
  std::size_t differing = 0;
  for (std::size_t i = 0; i < none.size(); ++i) differing += ((none[i] >> 16) & 0xFF) != ((full[i] >> 16) & 0xFF);
  EXPECT_LT(differing, none.size() / 50);
}

// Where runs of ink begin along a band of the canvas: across it (x) for a horizontal band of
// rows [from, to), or down it (y) for a vertical band of columns.
std::vector<int> ink_starts(const Canvas& canvas, bool along_x, unsigned from, unsigned to) {
  std::vector<int> starts;
  bool previous = false;
  const unsigned length = along_x ? canvas.width : canvas.height;
  for (unsigned i = 0; i < length; ++i) {
    bool any = false;
    for (unsigned j = from; j < to && !any; ++j) any = along_x ? canvas.inked(i, j) : canvas.inked(j, i);
    if (any && !previous) starts.push_back(static_cast<int>(i));
    previous = any;
  }
  return starts;
}

// Stamps of an unturned narrow glyph sit one step apart in both directions; steps below 32 are 32.
TEST_F(WatermarkDrawing, SpacingSetsTheStepBetweenStampsWithAMinimumOfThirtyTwo) {
  auto options = opaque(L"I", WatermarkLayout::Grid);
  options.font_size = 10;
  options.rotation = 0;
  struct Case {
    float spacing_x, spacing_y;
    int step_x, step_y;
  };
  for (const Case c : {Case{10, 5, 32, 32}, Case{32, 32, 32, 32}, Case{40, 50, 40, 50}, Case{75, 33, 75, 33}}) {
    SCOPED_TRACE(std::to_string(c.spacing_x) + " x " + std::to_string(c.spacing_y));
    options.spacing_x = c.spacing_x;
    options.spacing_y = c.spacing_y;
    const Canvas canvas = draw(options, 240, 200);
    // Rows start at y = 0 (one step before it is off the image), columns at x = 0.
    const auto columns = ink_starts(canvas, true, 0, static_cast<unsigned>(c.step_y) - 1);
    const auto rows = ink_starts(canvas, false, 0, static_cast<unsigned>(c.step_x) - 1);
    ASSERT_GE(columns.size(), 3u);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_LT(columns.front(), 6) << "the first column of stamps is at x = 0";
    EXPECT_LT(rows.front(), 10) << "the first row of stamps is at y = 0";
    for (std::size_t i = 1; i < columns.size(); ++i) EXPECT_NEAR(columns[i] - columns[i - 1], c.step_x, 1);
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_NEAR(rows[i] - rows[i - 1], c.step_y, 1);
  }
}

TEST_F(WatermarkDrawing, GridCoversTheWholeImage) {
  auto options = opaque(L"MMMM", WatermarkLayout::Grid);
  options.font_size = 20;
  options.spacing_x = 60;
  options.spacing_y = 40;
  const Canvas canvas = draw(options, 400, 300);
  // Every 100 x 100 block of the image holds some ink.
  for (unsigned by = 0; by < 3; ++by) {
    for (unsigned bx = 0; bx < 4; ++bx) {
      bool any = false;
      for (unsigned y = by * 100; y < by * 100 + 100 && !any; y += 2)
        for (unsigned x = bx * 100; x < bx * 100 + 100 && !any; ++x) any = canvas.inked(x, y);
      EXPECT_TRUE(any) << "block " << bx << "," << by;
    }
  }
}

TEST_F(WatermarkDrawing, StaggeredRowsShiftByHalfAStep) {
  // Unturned stamps of a narrow glyph, 100 px apart, rows 64 px apart. The image's size is no
  // multiple of the steps, so a lattice started at -W, -H differs from one started at -step:
  // rows lie at y = -250 + 64 r (row 4 at y = 6, row 5 at y = 70), stamps at x = -330 + 100 k
  // (first visible at 70), and odd rows 50 px further right (first visible at 20).
  auto options = opaque(L"I", WatermarkLayout::StaggeredGrid);
  options.rotation = 0;
  options.font_size = 16;
  options.spacing_x = 100;
  options.spacing_y = 64;
  const unsigned W = 330, H = 250;
  const Canvas canvas = draw(options, W, H);
  const auto even_columns = ink_starts(canvas, true, 6, 6 + 40);
  const auto odd_columns = ink_starts(canvas, true, 70, 70 + 40);
  ASSERT_FALSE(even_columns.empty());
  ASSERT_FALSE(odd_columns.empty());
  const int bearing = even_columns.front() - 70;  // where the glyph starts within its stamp
  EXPECT_GE(bearing, 0);
  EXPECT_LE(bearing, 5);
  EXPECT_NEAR(odd_columns.front(), 20 + bearing, 1);
  EXPECT_NEAR(even_columns[1] - even_columns[0], 100, 1);
  // Down the even stamps' column, rows come 128 px apart (every second row), the first at y = 6.
  const auto even_rows = ink_starts(canvas, false, static_cast<unsigned>(even_columns.front()),
                                    static_cast<unsigned>(even_columns.front()) + 3);
  const auto odd_rows = ink_starts(canvas, false, static_cast<unsigned>(odd_columns.front()),
                                   static_cast<unsigned>(odd_columns.front()) + 3);
  ASSERT_GE(even_rows.size(), 2u);
  ASSERT_FALSE(odd_rows.empty());
  EXPECT_GE(even_rows.front(), 6);
  EXPECT_LE(even_rows.front(), 6 + 8);
  EXPECT_NEAR(odd_rows.front() - even_rows.front(), 64, 1);
  EXPECT_NEAR(even_rows[1] - even_rows[0], 128, 1);
}

TEST_F(WatermarkDrawing, FitShrinksOnlyAnchoredTextAndNeverEnlarges) {
  auto options = opaque(L"A very long watermark text indeed", WatermarkLayout::Center);
  options.font_size = 40;
  options.rotation = 0;
  const auto unfitted = draw(options, 300, 300).ink();
  EXPECT_GT(unfitted.right - unfitted.left, 150u) << "without fitting it runs past its cell";
  options.fit_to_area = true;
  const auto fitted = draw(options, 300, 300).ink();
  EXPECT_LE(fitted.right - fitted.left, 102u) << "fits its 100 px ninth";
  EXPECT_NEAR(fitted.cx, 150.0, 5.0);

  auto small = opaque(L"ok", WatermarkLayout::Center);
  small.font_size = 12;
  const auto before = draw(small, 300, 300).pixels();
  small.fit_to_area = true;
  EXPECT_EQ(before, draw(small, 300, 300).pixels()) << "a fitting text keeps its size";

  for (auto tiled : {WatermarkLayout::Grid, WatermarkLayout::StaggeredGrid}) {
    auto grid = opaque(L"Sample watermark", tiled);
    const auto plain = draw(grid, 200, 150).pixels();
    grid.fit_to_area = true;
    EXPECT_EQ(plain, draw(grid, 200, 150).pixels());
  }
}

TEST_F(WatermarkDrawing, FitNeverGoesBelowFivePercent) {
  auto options = opaque(std::wstring(400, L'W'), WatermarkLayout::TopLeft);
  options.font_size = 200;
  options.rotation = 0;
  options.fit_to_area = true;
  // 5 % of 200 px is 10 px: the text stays about that tall even though it cannot fit.
  const auto ink = draw(options, 300, 300).ink();
  ASSERT_GT(ink.count, 0u);
  EXPECT_GE(ink.bottom - ink.top, 5u);
  EXPECT_GT(ink.right - ink.left, 250u);
}

TEST_F(WatermarkDrawing, UnknownFontStillDrawsAndOtherLayoutsDrawNothing) {
  auto options = opaque(L"Sample", WatermarkLayout::Center);
  options.font_family = L"No Such Font Family 12345";
  EXPECT_GT(draw(options, 200, 100).ink().count, 20u);
  for (int layout : {11, -1, 1000}) {
    options.layout = static_cast<WatermarkLayout>(layout);
    EXPECT_EQ(draw(options, 200, 100).ink().count, 0u) << layout;
  }
}

TEST_F(WatermarkDrawing, ImpossibleSpacingEndsInsteadOfSpinning) {
  auto options = opaque(L"x", WatermarkLayout::Grid);
  options.spacing_x = std::numeric_limits<float>::infinity();
  options.spacing_y = std::numeric_limits<float>::quiet_NaN();
  Canvas canvas(64, 64);
  std::wstring error;
  EXPECT_TRUE(draw_watermark(options, canvas.bitmap.get(), 64, 64, error));
  options.layout = WatermarkLayout::StaggeredGrid;
  EXPECT_TRUE(draw_watermark(options, canvas.bitmap.get(), 64, 64, error));
  // No lattice point of an endless step lies on the image.
  EXPECT_EQ(canvas.ink().count, 0u);
}

// Without a margin an anchored stamp is what it always was: the text block centred on the middle
// of its ninth and turned about its centre, drawn here straight through GDI+ for comparison.
TEST_F(WatermarkDrawing, AnchoredWithoutAMarginIsCentredInItsNinthAsBefore) {
  for (int layout = 2; layout <= 10; ++layout) {
    SCOPED_TRACE(layout);
    auto options = opaque(L"Sample watermark", static_cast<WatermarkLayout>(layout));
    options.font_size = 24;
    options.rotation = -30;
    const Canvas drawn = draw(options, 420, 300);

    Canvas expected(420, 300);
    auto graphics = gdiplus::graphics_for(expected.bitmap.get());
    flat::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    flat::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
    flat::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::GpFontFamily* family = nullptr;
    ASSERT_EQ(flat::GdipCreateFontFamilyFromName(L"Arial", nullptr, &family), Gdiplus::Ok);
    Gdiplus::GpFont* font = nullptr;
    ASSERT_EQ(flat::GdipCreateFont(family, 24, Gdiplus::FontStyleBold, Gdiplus::UnitPixel, &font), Gdiplus::Ok);
    Gdiplus::GpSolidFill* brush = nullptr;
    flat::GdipCreateSolidFill(0xFFFFFFFF, &brush);
    Gdiplus::RectF origin(0, 0, 0, 0), box(0, 0, 0, 0);
    flat::GdipMeasureString(graphics.get(), options.text.c_str(), static_cast<INT>(options.text.size()), font, &origin,
                            nullptr, &box, nullptr, nullptr);
    const float cell_w = 420.0f / 3.0f, cell_h = 300.0f / 3.0f;
    flat::GdipTranslateWorldTransform(graphics.get(), cell_w * ((layout - 2) % 3 + 0.5f),
                                      cell_h * ((layout - 2) / 3 + 0.5f), Gdiplus::MatrixOrderPrepend);
    flat::GdipRotateWorldTransform(graphics.get(), -30.0f, Gdiplus::MatrixOrderPrepend);
    Gdiplus::RectF layout_box(-box.Width / 2.0f, -box.Height / 2.0f, 0, 0);
    flat::GdipDrawString(graphics.get(), options.text.c_str(), static_cast<INT>(options.text.size()), font,
                         &layout_box, nullptr, brush);
    flat::GdipDeleteBrush(brush);
    flat::GdipDeleteFont(font);
    flat::GdipDeleteFontFamily(family);
    graphics.reset();
    EXPECT_TRUE(drawn.pixels() == expected.pixels());
  }
}

}  // namespace
