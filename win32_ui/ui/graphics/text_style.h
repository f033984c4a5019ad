#pragma once

#include <cstdint>

#include "ui/graphics/color.h"

namespace win32_ui::ui::graphics {

// How draw_text lays out a string in its rectangle. Ampersands are drawn as they are.
struct TextStyle {
  enum class Edge : std::uint8_t {
    Left = 0,
    Center = 1,
    Right = 2,
  };

  // 1-based index into the surface's six fonts; 0 or out of range selects the back-end's default font.
  std::int32_t font_slot = 0;
  Color color;
  // 0 start, 1 centre, 2 end; any other value acts as start.
  std::int32_t horizontal_alignment = 0;
  // 0 top, 1 centre, 2 bottom.
  std::int32_t vertical_alignment = 0;
  // One line without wrapping; false wraps at word boundaries.
  bool single_line = false;
  // Text that does not fit ends in an ellipsis.
  bool end_ellipsis = false;
  // 1 reads right to left (and turns start and end around); anything else reads left to right.
  std::int32_t reading_direction = 0;

  [[nodiscard]] bool is_right_to_left() const noexcept { return reading_direction == 1; }

  // The physical edge the text aligns to, after out-of-range values fall back to start and
  // right-to-left reading swaps start and end.
  [[nodiscard]] Edge horizontal_edge() const noexcept {
    if (horizontal_alignment == 1) return Edge::Center;
    const bool end = horizontal_alignment == 2;
    return end != is_right_to_left() ? Edge::Right : Edge::Left;
  }

  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

}  // namespace win32_ui::ui::graphics
