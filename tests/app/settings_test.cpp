#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "text_table.h"
#include "ui_language.h"
#include "watermark_settings.h"

namespace orvane::app {
namespace {

using engine::WatermarkLayout;

TEST(WatermarkSettings, DefaultsFollowTheFirstLanguageOnlyInTextAndFont) {
  const WatermarkSettings chinese = default_settings(UiLanguage::simplified_chinese);
  EXPECT_EQ(chinese.text, L"示例水印");
  EXPECT_EQ(chinese.font_family, L"Microsoft YaHei UI");
  const WatermarkSettings english = default_settings(UiLanguage::english);
  EXPECT_EQ(english.text, L"Sample watermark");
  EXPECT_EQ(english.font_family, L"Segoe UI");

  for (const WatermarkSettings& s : {chinese, english}) {
    EXPECT_EQ(s.font_size, 36.0f);
    EXPECT_EQ(s.color.argb(), 0x6EFFFFFFu);
    EXPECT_EQ(s.layout, WatermarkLayout::Grid);
    EXPECT_EQ(s.rotation, -30.0f);
    EXPECT_EQ(s.spacing_x, 260.0f);
    EXPECT_EQ(s.spacing_y, 180.0f);
    EXPECT_TRUE(s.fit_to_area);
    EXPECT_EQ(s.jpeg_quality, 90);
  }
}

TEST(WatermarkSettings, MakeOptionsCopiesEverySettingAndAlwaysUsesTheChosenQuality) {
  WatermarkSettings settings = default_settings(UiLanguage::english);
  settings.text = L"© Kestrune";
  settings.font_family = L"Tahoma";
  settings.font_size = 72.5f;
  settings.color = {200, 10, 20, 30};
  settings.layout = WatermarkLayout::BottomRight;
  settings.rotation = 45.0f;
  settings.spacing_x = 400.0f;
  settings.spacing_y = 32.0f;
  settings.fit_to_area = false;
  settings.jpeg_quality = 55;

  const engine::WatermarkOptions options = make_options(settings, L"C:\\photos\\photo.jpg");
  EXPECT_EQ(options.input_path, L"C:\\photos\\photo.jpg");
  EXPECT_TRUE(options.output_path.empty());
  EXPECT_EQ(options.text, L"© Kestrune");
  EXPECT_EQ(options.font_family, L"Tahoma");
  EXPECT_EQ(options.font_size, 72.5f);
  EXPECT_EQ(options.color.argb(), 0xC80A141Eu);
  EXPECT_EQ(options.layout, WatermarkLayout::BottomRight);
  EXPECT_EQ(options.rotation, 45.0f);
  EXPECT_EQ(options.spacing_x, 400.0f);
  EXPECT_EQ(options.spacing_y, 32.0f);
  EXPECT_FALSE(options.fit_to_area);
  EXPECT_EQ(options.jpeg_quality, 55);
  EXPECT_FALSE(options.keep_source_jpeg_quality);

  // The defaults differ from the engine's own in the fit flag and the quality rule.
  const engine::WatermarkOptions defaults = make_options(default_settings(UiLanguage::simplified_chinese), L"");
  EXPECT_TRUE(defaults.fit_to_area);
  EXPECT_FALSE(defaults.keep_source_jpeg_quality);
  EXPECT_EQ(defaults.font_family, L"Microsoft YaHei UI");
}

TEST(FirstUiLanguage, ChineseOfAnyVariantStartsInSimplifiedChineseAndEveryOtherInEnglish) {
  const struct {
    std::uint16_t display_language;
    UiLanguage expected;
  } cases[] = {
      {0x0804, UiLanguage::simplified_chinese},  // zh-CN
      {0x0404, UiLanguage::simplified_chinese},  // zh-TW
      {0x0C04, UiLanguage::simplified_chinese},  // zh-HK
      {0x7C04, UiLanguage::simplified_chinese},  // zh-Hant
      {0x0409, UiLanguage::english},             // en-US
      {0x0411, UiLanguage::english},             // ja-JP
      {0x0412, UiLanguage::english},             // ko-KR
      {0x0000, UiLanguage::english},             // neutral
  };
  for (const auto& c : cases) {
    EXPECT_EQ(first_ui_language(std::nullopt, c.display_language), c.expected) << std::hex << c.display_language;
  }
  EXPECT_EQ(first_ui_language(UiLanguage::english, 0x0804), UiLanguage::english);
  EXPECT_EQ(first_ui_language(UiLanguage::simplified_chinese, 0x0409), UiLanguage::simplified_chinese);
}

TEST(TextTable, EveryTextExistsInBothLanguagesInItsPlace) {
  for (std::int32_t id = 0; id < text_count; ++id) {
    const std::wstring chinese = ui_text(UiLanguage::simplified_chinese, static_cast<TextId>(id));
    const std::wstring english = ui_text(UiLanguage::english, static_cast<TextId>(id));
    EXPECT_FALSE(chinese.empty()) << id;
    EXPECT_FALSE(english.empty()) << id;
    // Only the two language names read the same in both languages.
    const bool language_name = id == 43 || id == 44;
    EXPECT_EQ(chinese == english, language_name) << id;
  }
  // Spot checks at both ends and where neighbours could slip.
  EXPECT_EQ(ui_text(UiLanguage::english, TextId::window_title), L"Orvane · Image Watermark");
  EXPECT_EQ(ui_text(UiLanguage::simplified_chinese, TextId::window_title), L"Orvane · 图片水印");
  EXPECT_EQ(ui_text(UiLanguage::simplified_chinese, TextId::size_label), L"字号（px）");
  EXPECT_EQ(ui_text(UiLanguage::english, TextId::layout_grid), L"Grid");
  EXPECT_EQ(ui_text(UiLanguage::simplified_chinese, TextId::layout_bottom_right), L"右下");
  EXPECT_EQ(ui_text(UiLanguage::english, TextId::theme_follow_system), L"Follow system");
  EXPECT_EQ(ui_text(UiLanguage::english, TextId::language_chinese), L"简体中文");
  EXPECT_EQ(ui_text(UiLanguage::english, TextId::about_body),
            L"A lightweight, intuitive image watermark tool for Windows.\n"
            L"Supports live preview, tiled watermarks and nine-position placement.");
  EXPECT_EQ(ui_text(UiLanguage::simplified_chinese, TextId::about_ok), L"确定");

  // Any language value but Simplified Chinese reads English; ids outside the table read nothing.
  EXPECT_EQ(ui_text(static_cast<UiLanguage>(7), TextId::open_button), L"Open");
  EXPECT_EQ(ui_text(UiLanguage::english, static_cast<TextId>(text_count)), L"");
  EXPECT_EQ(ui_text(UiLanguage::english, static_cast<TextId>(-1)), L"");
}

}  // namespace
}  // namespace orvane::app
