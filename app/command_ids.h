#pragma once

#include <cstdint>

namespace orvane::app {

// Every command id of the program: what the command registry runs, what the surface finds a widget
// by, and part of the automation names of the menu entries. The numbers are fixed: automation
// scripts, saved UIA dumps and the tests know the controls by them.
enum class CommandId : std::uint32_t {
  // The header's buttons.
  open = 1,
  export_image = 2,
  theme = 3,
  language = 4,
  help = 6,
  // The settings column.
  watermark_text = 7,
  font = 8,
  size = 9,
  color = 10,
  opacity = 11,
  opacity_value = 12,
  position = 13,
  rotation = 14,
  spacing_x = 15,
  spacing_y = 16,
  fit = 17,
  jpeg_quality = 18,
  size_unit = 22,
  margin = 23,
  outline = 24,
  outline_width = 25,
  outline_color = 26,
  shadow = 27,
  shadow_color = 28,
  logo = 29,
  logo_size = 30,
  logo_clear = 31,
  preset_list = 32,
  preset_save = 33,
  preset_rename = 34,
  preset_delete = 35,
  preset_import = 36,
  preset_export = 37,
  // The export's progress under the preview.
  cancel_export = 38,
  export_progress = 39,
  // The preview card's texts.
  image_facts = 20,
  status = 21,
  // The header menus' entries.
  theme_follow_system = 100,
  theme_light = 101,
  theme_dark = 102,
  language_chinese = 103,
  language_english = 104,
  support = 105,
  about = 106,
};

// The number the toolkit, the command registry and automation know a command by.
[[nodiscard]] constexpr std::uint32_t command_number(CommandId id) noexcept { return static_cast<std::uint32_t>(id); }

// The same number as the hosted Windows controls take their ids.
[[nodiscard]] constexpr int control_number(CommandId id) noexcept { return static_cast<int>(id); }

}  // namespace orvane::app
