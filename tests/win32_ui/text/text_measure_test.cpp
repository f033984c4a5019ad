#include <gtest/gtest.h>

#include <string>

#include "text_test_fonts.h"
#include "ui/graphics/text_layout_cache.h"

namespace win32_ui::ui::graphics {
namespace {

using test::glyph_advances;
using test::TestSurfaceFonts;

constexpr int body_style = 3;           // 11 pt, 400
constexpr float body_em = 11.0f * 96 / 72;  // 14.67 DIPs, made a whole 15 px at 96 dpi

std::optional<TextExtent> failing_direct_write(HFONT, std::wstring_view) { return std::nullopt; }

TEST(SurfaceTextMeasurer, MeasuresLatinTextPlausiblyForTheInstalledFonts) {
  TestSurfaceFonts surface(96, 1.0f);
  SurfaceTextMeasurer measurer(surface.fonts, surface.dpi, surface.ui_scale);

  const auto hello = measurer.measure(L"Hello", body_style);
  const auto longer = measurer.measure(L"Hello, world", body_style);
  const auto spaced = measurer.measure(L"Hello ", body_style);
  const auto title = measurer.measure(L"Hello", 1);
  ASSERT_TRUE(hello && longer && spaced && title);

  EXPECT_GT(hello->width, 5 * 0.3f * body_em);
  EXPECT_LT(hello->width, 5 * 0.8f * body_em);
  EXPECT_GT(hello->height, body_em);
  EXPECT_LT(hello->height, 2 * body_em);
  EXPECT_GT(longer->width, hello->width * 1.8f);
  EXPECT_GT(spaced->width, hello->width) << "trailing spaces take room";
  EXPECT_GT(title->width, hello->width * 1.6f) << "22 pt against 11 pt";
  EXPECT_GT(title->height, hello->height * 1.6f);
}

TEST(SurfaceTextMeasurer, MeasuresChineseAsItsGlyphsNotAsBoxes) {
  TestSurfaceFonts surface(96, 1.0f);
  SurfaceTextMeasurer measurer(surface.fonts, surface.dpi, surface.ui_scale);
  const std::wstring chinese = L"\u5BFC\u51FA\u56FE\u7247";  // "导出图片", "export image"
  const float em = 15.0f;

  const auto measured = measurer.measure(chinese, body_style);
  ASSERT_TRUE(measured);
  const float cjk_advances = glyph_advances(L"Microsoft YaHei UI", chinese, em);
  const float box_advances = glyph_advances(L"Segoe UI", chinese, em, true);
  ASSERT_GT(cjk_advances, 0);
  ASSERT_GT(box_advances, 0);

  EXPECT_NEAR(measured->width, cjk_advances, 0.5f);
  EXPECT_NEAR(measured->width, 4 * em, 0.6f * em) << "each Chinese character is about one em";
  EXPECT_GT(std::abs(measured->width - box_advances), em) << "measured as missing-glyph boxes";

  // Latin around Chinese keeps its own font: the parts add up.
  const auto latin = measurer.measure(L"PNG ", body_style);
  const auto mixed = measurer.measure(L"PNG " + chinese, body_style);
  ASSERT_TRUE(latin && mixed);
  EXPECT_NEAR(mixed->width, latin->width + cjk_advances, 1.0f);
}

TEST(SurfaceTextMeasurer, GivesTheSameDipsAtAnyDpiAndScale) {
  TestSurfaceFonts surface(96, 1.0f);
  SurfaceTextMeasurer measurer(surface.fonts, surface.dpi, surface.ui_scale);
  const auto at_96 = measurer.measure(L"Watermark settings", 2);

  // The measurer reads the surface's fonts, dpi and scale in place, as the surface changes them.
  surface.rebuild(192, 1.0f);
  const auto at_192 = measurer.measure(L"Watermark settings", 2);
  surface.rebuild(144, 0.92f);
  const auto scaled = measurer.measure(L"Watermark settings", 2);
  ASSERT_TRUE(at_96 && at_192 && scaled);

  EXPECT_NEAR(at_192->width, at_96->width, at_96->width * 0.03f);
  EXPECT_NEAR(at_192->height, at_96->height, at_96->height * 0.05f);
  EXPECT_NEAR(scaled->width, at_96->width, at_96->width * 0.03f);
}

TEST(SurfaceTextMeasurer, AnswersNothingOutsideItsStylesAndZeroForNoText) {
  TestSurfaceFonts surface(96, 1.0f);
  SurfaceTextMeasurer measurer(surface.fonts, surface.dpi, surface.ui_scale);
  EXPECT_FALSE(measurer.measure(L"Hello", 0));
  EXPECT_FALSE(measurer.measure(L"Hello", 7));

  const TextLayoutCache& layouts = TextLayoutCache::for_current_thread();
  const auto lookups = layouts.hits() + layouts.misses();
  EXPECT_EQ(measurer.measure(L"", body_style), layout::Size{}) << "empty text";
  EXPECT_EQ(layouts.hits() + layouts.misses(), lookups) << "empty text needs no layout";

  DeleteObject(surface.fonts[0]);
  surface.fonts[0] = nullptr;  // a font the surface failed to make
  EXPECT_FALSE(measurer.measure(L"Hello", 1));
}

TEST(SurfaceTextMeasurer, FallsBackToGdiWhenDirectWriteFails) {
  TestSurfaceFonts surface(192, 1.0f);
  SurfaceTextMeasurer direct_write(surface.fonts, surface.dpi, surface.ui_scale);
  SurfaceTextMeasurer gdi(surface.fonts, surface.dpi, surface.ui_scale, &failing_direct_write);

  const auto by_direct_write = direct_write.measure(L"Export image", body_style);
  const auto by_gdi = gdi.measure(L"Export image", body_style);
  ASSERT_TRUE(by_direct_write && by_gdi);
  EXPECT_NE(*by_gdi, *by_direct_write) << "the GDI path was not taken";
  EXPECT_NEAR(by_gdi->width, by_direct_write->width, by_direct_write->width * 0.1f) << "in DIPs, not pixels";
  EXPECT_NEAR(by_gdi->height, by_direct_write->height, by_direct_write->height * 0.25f);

  // GDI links "Segoe UI" to a Chinese font, so Chinese is measured as glyphs here too.
  const auto chinese = gdi.measure(L"\u5BFC\u51FA\u56FE\u7247", body_style);
  ASSERT_TRUE(chinese);
  EXPECT_NEAR(chinese->width, 4 * body_em, 0.6f * body_em);
}

}  // namespace
}  // namespace win32_ui::ui::graphics
