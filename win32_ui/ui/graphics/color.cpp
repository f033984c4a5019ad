#include "ui/graphics/color.h"

#include <cmath>

namespace win32_ui::ui::graphics {

namespace {

std::uint8_t mix_channel(std::uint8_t from, std::uint8_t to, float weight) {
  const float value = static_cast<float>(from) + (static_cast<float>(to) - static_cast<float>(from)) * weight;
  return static_cast<std::uint8_t>(std::lround(value));
}

}  // namespace

Color mix(Color from, Color to, float weight) noexcept {
  if (!(weight > 0.0f)) return from;
  if (weight >= 1.0f) return to;
  return Color{mix_channel(from.r, to.r, weight), mix_channel(from.g, to.g, weight), mix_channel(from.b, to.b, weight)};
}

}  // namespace win32_ui::ui::graphics
