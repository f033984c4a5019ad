#include "icon_tint.h"

#include <algorithm>
#include <vector>

namespace orvane::app {

using win32_ui::ui::graphics::Image;

namespace {

// Pixels this opaque or more count as part of the picture when it is cropped.
constexpr int visible_alpha = 13;

int keyed_alpha_of_accent(int hi, int lo) { return std::clamp(5 * hi - 5 * lo - 60, 0, 255); }
int keyed_alpha_of_ink(int red, int green, int blue) { return std::clamp(7 * ((red + green + blue) / 3) - 1526, 0, 255); }

}  // namespace

Image tint_icon(const Image& sheet, int column, int row, Rgb ink, Rgb accent, int divisions) {
  if (!sheet.is_valid() || divisions <= 0 || column < 0 || row < 0 || column >= divisions || row >= divisions) {
    return {};
  }
  // 64-bit products: a sheet is at most 0x3FFFFFFF pixels wide.
  const auto edge = [divisions](std::int64_t index, std::uint32_t length) {
    return static_cast<int>(index * length / divisions);
  };
  const int x0 = edge(column, sheet.width()), x1 = edge(column + 1, sheet.width());
  const int y0 = edge(row, sheet.height()), y1 = edge(row + 1, sheet.height());
  const int cell_width = x1 - x0, cell_height = y1 - y0;
  if (cell_width <= 0 || cell_height <= 0) return {};

  // The tinted cell, premultiplied B, G, R, A.
  std::vector<std::uint8_t> cell(static_cast<std::size_t>(cell_width) * cell_height * 4);
  int left = cell_width, top = cell_height, right = -1, bottom = -1;
  const auto source = sheet.pixels();
  for (int y = 0; y < cell_height; ++y) {
    const std::uint8_t* in = source.data() + static_cast<std::size_t>(y0 + y) * sheet.stride() + x0 * 4;
    std::uint8_t* out = cell.data() + static_cast<std::size_t>(y) * cell_width * 4;
    for (int x = 0; x < cell_width; ++x, in += 4, out += 4) {
      const int blue = in[0], green = in[1], red = in[2];
      const int hi = std::max({red, green, blue}), lo = std::min({red, green, blue});
      const bool saturated_blue = blue == hi && hi - lo > 22;
      const int alpha = saturated_blue ? keyed_alpha_of_accent(hi, lo) : keyed_alpha_of_ink(red, green, blue);
      const Rgb colour = saturated_blue ? accent : ink;
      out[0] = static_cast<std::uint8_t>(alpha * colour.blue / 255);
      out[1] = static_cast<std::uint8_t>(alpha * colour.green / 255);
      out[2] = static_cast<std::uint8_t>(alpha * colour.red / 255);
      out[3] = static_cast<std::uint8_t>(alpha);
      if (alpha >= visible_alpha) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
    }
  }

  if (right < 0) {
    left = 0, top = 0, right = cell_width, bottom = cell_height;
  } else {
    int margin = std::min(cell_width, cell_height) / 24;
    if (margin < 5) margin = 4;
    left = std::max(0, left - margin);
    top = std::max(0, top - margin);
    right = std::min(cell_width, right + margin);
    bottom = std::min(cell_height, bottom + margin);
  }

  const auto width = static_cast<std::uint32_t>(right - left), height = static_cast<std::uint32_t>(bottom - top);
  std::vector<std::uint8_t> cropped(static_cast<std::size_t>(width) * height * 4);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* from = cell.data() + (static_cast<std::size_t>(top + y) * cell_width + left) * 4;
    std::copy_n(from, static_cast<std::size_t>(width) * 4, cropped.data() + static_cast<std::size_t>(y) * width * 4);
  }
  Image icon;
  if (Image::from_pixels(width, height, width * 4, cropped, icon) != win32_ui::ui::graphics::image_ok) return {};
  return icon;
}

}  // namespace orvane::app
