#include <gtest/gtest.h>

#include <string>

#include "text_test_fonts.h"
#include "ui/graphics/text_format_cache.h"
#include "ui/graphics/text_layout_cache.h"
#include "ui/graphics/text_measure.h"
#include "ui/graphics/text_style.h"

namespace win32_ui::ui::graphics {
namespace {

using Microsoft::WRL::ComPtr;

TextFormatKey key_of_height(LONG height) {
  TextFormatKey key = TextFormatKey::from_font(nullptr, DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_PARAGRAPH_ALIGNMENT_CENTER,
                                               DWRITE_READING_DIRECTION_LEFT_TO_RIGHT, DWRITE_WORD_WRAPPING_NO_WRAP);
  key.height = height;
  return key;
}

float layout_width(IDWriteTextLayout* layout) {
  DWRITE_TEXT_METRICS metrics{};
  EXPECT_TRUE(layout != nullptr && SUCCEEDED(layout->GetMetrics(&metrics)));
  return metrics.width;
}

class TextCaches : public ::testing::Test {
 protected:
  void SetUp() override {
    formats.clear();
    layouts.clear();
  }
  TextFormatCache& formats = TextFormatCache::for_current_thread();
  TextLayoutCache& layouts = TextLayoutCache::for_current_thread();
};

TEST_F(TextCaches, FormatCacheKeepsSixtyFourAndReplacesTheLeastRecentlyUsed) {
  const TextFormatEntry* first = formats.get(key_of_height(-10), false);
  ASSERT_NE(first, nullptr);
  IDWriteTextFormat* first_format = first->format.Get();
  EXPECT_FLOAT_EQ(first_format->GetFontSize(), 10.0f);
  EXPECT_EQ(first_format->GetWordWrapping(), DWRITE_WORD_WRAPPING_NO_WRAP);
  for (LONG i = 1; i < 64; ++i) ASSERT_NE(formats.get(key_of_height(-10 - i), false), nullptr);
  EXPECT_EQ(formats.size(), 64u);
  EXPECT_EQ(formats.misses(), 64u);

  // Using the oldest again makes the second-oldest the one a 65th format replaces.
  EXPECT_EQ(formats.get(key_of_height(-10), false)->format.Get(), first_format);
  EXPECT_EQ(formats.hits(), 1u);
  ASSERT_NE(formats.get(key_of_height(-200), false), nullptr);
  EXPECT_EQ(formats.size(), 64u);
  EXPECT_TRUE(formats.contains(key_of_height(-10)));
  EXPECT_FALSE(formats.contains(key_of_height(-11)));
  EXPECT_TRUE(formats.contains(key_of_height(-12)));
}

TEST_F(TextCaches, LayoutCacheReusesLayoutsAndEvictsByCount) {
  const TextFormatKey key = key_of_height(-15);
  const auto layout = layouts.get(key, L"Open image", 200, 40, false);
  ASSERT_NE(layout, nullptr);
  // (MinGW's ComPtr has no ==, and would compare as booleans.)
  EXPECT_EQ(layouts.get(key, L"Open image", 200, 40, false).Get(), layout.Get());
  EXPECT_NE(layouts.get(key, L"Open image", 300, 40, false).Get(), layout.Get()) << "another box is another layout";
  EXPECT_EQ(layouts.hits(), 1u);

  for (int i = 0; i < 600; ++i) {
    ASSERT_NE(layouts.get(key, L"label " + std::to_wstring(i), 200, 40, false), nullptr);
    if (i % 100 == 0) (void)layouts.get(key, L"Open image", 200, 40, false);  // kept in use
  }
  EXPECT_EQ(layouts.size(), 511u);
  const auto misses = layouts.misses();
  (void)layouts.get(key, L"Open image", 200, 40, false);
  (void)layouts.get(key, L"label 599", 200, 40, false);
  EXPECT_EQ(layouts.misses(), misses) << "the newest and the one kept in use stay";
  (void)layouts.get(key, L"label 0", 200, 40, false);
  EXPECT_EQ(layouts.misses(), misses + 1) << "the least recently used went";
}

TEST_F(TextCaches, LayoutCacheBoundsCharactersAndNeverKeepsHugeTexts) {
  const TextFormatKey key = key_of_height(-15);
  for (wchar_t letter = L'a'; letter < L'a' + 7; ++letter) {
    ASSERT_NE(layouts.get(key, std::wstring(20000, letter), 1e6f, 1e6f, false), nullptr);
  }
  EXPECT_EQ(layouts.size(), 6u);
  EXPECT_EQ(layouts.characters(), 120000u);

  // Measured (by GDI under Wine, whose DirectWrite crashes on runs this long), never kept.
  const std::wstring huge(200000, L'x');
  test::TestSurfaceFonts surface(96, 1.0f);
  SurfaceTextMeasurer measurer(surface.fonts, surface.dpi, surface.ui_scale);
  const auto short_one = measurer.measure(std::wstring(20000, L'x'), 3);
  EXPECT_EQ(layouts.characters(), 120000u) << "20,000 characters replaced the oldest";
  const auto huge_one = measurer.measure(huge, 3);
  ASSERT_TRUE(short_one && huge_one);
  EXPECT_NEAR(huge_one->width, short_one->width * 10, short_one->width) << "GDI rounds advances to pixels";
  EXPECT_TRUE(measurer.measure(huge, 3));
  EXPECT_EQ(layouts.size(), 6u);
  EXPECT_EQ(layouts.characters(), 120000u);
}

TEST_F(TextCaches, EllipsisTrimsOnlyTheTextThatAskedForIt) {
  const HFONT font = test::make_font(L"Segoe UI", -15);
  TextStyle style;
  style.single_line = true;
  style.end_ellipsis = true;
  const TextFormatKey key = TextFormatKey::for_text_style(font, style);
  const std::wstring text = L"A watermark text far too long for its box";
  constexpr float box = 120;

  const auto cut = layouts.get(key, text, box, 30, true);
  const auto whole = layouts.get(key, text, box, 30, false);
  ASSERT_NE(cut, nullptr);
  ASSERT_NE(whole, nullptr);
  EXPECT_LE(layout_width(cut.Get()), box) << "the text that asked for an ellipsis is cut";
  EXPECT_GT(layout_width(whole.Get()), 2 * box) << "a later text of the same font is not";

  DWRITE_TRIMMING trimming{};
  ComPtr<IDWriteInlineObject> sign;
  ASSERT_TRUE(SUCCEEDED(cut->GetTrimming(&trimming, &sign)));
  EXPECT_EQ(trimming.granularity, DWRITE_TRIMMING_GRANULARITY_CHARACTER);
  EXPECT_NE(sign, nullptr) << "cut with the ellipsis sign";
  const TextFormatEntry* shared = formats.get(key, false);
  ASSERT_NE(shared, nullptr);
  ASSERT_TRUE(SUCCEEDED(shared->format->GetTrimming(&trimming, &sign)));
  EXPECT_EQ(trimming.granularity, DWRITE_TRIMMING_GRANULARITY_NONE) << "the shared format stays untrimmed";
  DeleteObject(font);
}

TEST_F(TextCaches, ChineseRunsGetAFamilyThatHasTheirGlyphs) {
  const HFONT font = test::make_font(L"Segoe UI", -15);
  const TextFormatKey key = TextFormatKey::from_font(font, DWRITE_TEXT_ALIGNMENT_LEADING,
                                                     DWRITE_PARAGRAPH_ALIGNMENT_NEAR,
                                                     DWRITE_READING_DIRECTION_LEFT_TO_RIGHT, DWRITE_WORD_WRAPPING_WRAP);
  // "Ab", two Chinese characters, a space, two more, then a character outside the BMP that no
  // installed font has.
  const std::wstring text = L"Ab\u6C34\u5370 \u6587\u5B57 \U0001FAE0";
  const auto layout = layouts.get(key, text, 400, 100, false);
  ASSERT_NE(layout, nullptr);

  const auto family_at = [&](UINT32 position) {
    wchar_t name[64] = {};
    EXPECT_TRUE(SUCCEEDED(layout->GetFontFamilyName(position, name, 64)));
    return std::wstring(name);
  };
  EXPECT_EQ(family_at(0), L"Segoe UI");
  EXPECT_EQ(family_at(2), L"Microsoft YaHei UI");
  EXPECT_EQ(family_at(3), L"Microsoft YaHei UI");
  EXPECT_EQ(family_at(4), L"Segoe UI") << "the space keeps the layout's font";
  EXPECT_EQ(family_at(5), L"Microsoft YaHei UI");
  EXPECT_EQ(family_at(8), L"Segoe UI") << "left alone when the fallback lacks it too";
  DeleteObject(font);
}

}  // namespace
}  // namespace win32_ui::ui::graphics
