#pragma once

#include <cstdint>
#include <string>

#include "ui_language.h"

namespace orvane::app {

// The application's fixed texts, each in Simplified Chinese and English.
enum class TextId : std::int32_t {
  window_title = 0,
  header_title = 1,
  header_subtitle = 2,
  open_button = 3,
  export_button = 4,
  theme_button = 5,
  language_button = 6,
  help_button = 7,
  about_item = 8,
  support_item = 9,
  watermark_section = 10,
  text_placeholder = 11,
  font_label = 12,
  size_label = 13,
  color_label = 14,
  opacity_label = 15,
  layout_section = 16,
  position_label = 17,
  rotation_label = 18,
  spacing_x_label = 19,
  spacing_y_label = 20,
  fit_to_area = 21,
  export_section = 22,
  jpeg_quality_label = 23,
  live_preview = 24,
  waiting_for_image = 25,
  open_or_drop_image = 26,
  supported_formats = 27,
  choose_or_drop_image = 28,
  layout_grid = 29,
  layout_staggered_grid = 30,
  layout_top_left = 31,
  layout_top_center = 32,
  layout_top_right = 33,
  layout_center_left = 34,
  layout_center = 35,
  layout_center_right = 36,
  layout_bottom_left = 37,
  layout_bottom_center = 38,
  layout_bottom_right = 39,
  theme_follow_system = 40,
  theme_light = 41,
  theme_dark = 42,
  language_chinese = 43,
  language_english = 44,
  about_title = 45,
  about_body = 46,
  about_ok = 47,
  preview_of_image = 48,  // "{}" in turn: file name, width, height, format
  no_image_open = 49,
  size_percent_label = 50,
  spacing_x_percent_label = 51,
  spacing_y_percent_label = 52,
  margin_label = 53,
  margin_percent_label = 54,
  margin_placeholder = 55,
  outline_label = 56,
  shadow_label = 57,
  logo_label = 58,
  choose_logo = 59,
  clear_logo = 60,
  size_unit_name = 61,
  outline_width_name = 62,
  outline_color_name = 63,
  shadow_color_name = 64,
  logo_size_name = 65,
  outline_name = 66,
  logo_percent_label = 67,
  logo_name = 68,
  presets_section = 69,
  preset_label = 70,
  save_preset = 71,
  rename_preset = 72,
  delete_preset = 73,
  import_preset = 74,
  export_preset = 75,
  preset_name_label = 76,
};

inline constexpr std::int32_t text_count = 77;

// The text in `language` (English for any value but Simplified Chinese); empty for an id outside
// the table.
[[nodiscard]] std::wstring ui_text(UiLanguage language, TextId id);

}  // namespace orvane::app
