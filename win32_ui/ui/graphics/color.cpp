#include "ui/graphics/color.h"

#include <cmath>

namespace win32_ui::ui::graphics {

namespace {

std::uint8_t mix_channel(std::uint8_t from, std::uint8_t to, int k) {
  return static_cast<std::uint8_t>((from * (255 - k) + to * k + 127) / 255);
}

}  // namespace

Color mix(Color from, Color to, float weight) noexcept {
  if (!(weight > 0.0f)) return from;
  if (weight >= 1.0f) return to;
  // Whole 1/255 steps, as every state blend of the widgets is specified.
  const int k = static_cast<int>(std::lround(weight * 255.0f));
  return Color{mix_channel(from.r, to.r, k), mix_channel(from.g, to.g, k), mix_channel(from.b, to.b, k)};
}

}  // namespace win32_ui::ui::graphics
