#pragma once

#include <array>
#include <cstdint>

namespace win32_ui::modern {

// The user's theme choice: follow the system's app theme, or force light or dark.
enum class ThemeMode : std::uint32_t {
  follow_system = 0,
  light = 1,
  dark = 2,
};

// The colours and metrics every surface, chrome part and themed control paints with.
// Colours are 0x00BBGGRR values.
struct Palette {
  // Colour indices by role.
  enum ColorIndex : std::uint32_t {
    window_background = 0,
    field_background = 1,
    field_background_hovered = 2,
    hover_fill = 3,
    pressed_fill = 4,
    control_border = 5,
    text = 6,
    secondary_text = 7,
    disabled_text = 8,
    accent = 9,
    accent_darker = 10,
    accent_darkest = 11,
    accent_tint = 12,
    text_on_accent = 13,
    danger = 14,
    danger_hovered = 15,
    danger_pressed = 16,
    text_on_danger = 17,
    focus = 18,
    color_count = 19,
  };

  // Metric indices; the first is the combo box's field height in DIPs, the rest belong to widgets.
  enum MetricIndex : std::uint32_t {
    field_height = 0,
    metric_count = 8,
  };

  std::array<std::uint32_t, color_count> colors{};
  std::array<std::int32_t, metric_count> metrics{};
  std::uint8_t dark = 0;
  std::uint8_t high_contrast = 0;

  [[nodiscard]] std::uint32_t color(ColorIndex index) const noexcept { return colors[index]; }

  friend bool operator==(const Palette&, const Palette&) = default;
};

}  // namespace win32_ui::modern
