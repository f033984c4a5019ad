#pragma once

#include <cstdint>

#include "ui/graphics/image.h"

namespace orvane::app {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

// The colours one variant of the icons is tinted in: ink for the sheet's white line work, accent
// for its blue parts.
struct IconTint {
  Rgb ink;
  Rgb accent;
};

inline constexpr IconTint light_icon_tint{{0x33, 0x41, 0x55}, {0x02, 0x84, 0xC7}};
inline constexpr IconTint dark_icon_tint{{0xE2, 0xE8, 0xF0}, {0x0E, 0xA5, 0xE9}};

// Cuts cell (column, row) of a sheet divided into divisions × divisions cells and tints it: the
// saturated blue pixels become the accent, the near-white ones the ink (a channel average of 219
// is the first to show), everything else (the sheet's grey checkerboard) turns transparent. The
// result is the part of the cell that shows, with a margin, or the whole cell when nothing shows;
// empty for an empty sheet, divisions below 1 or a cell outside the grid.
[[nodiscard]] win32_ui::ui::graphics::Image tint_icon(const win32_ui::ui::graphics::Image& sheet, int column, int row,
                                                      Rgb ink, Rgb accent, int divisions);

}  // namespace orvane::app
