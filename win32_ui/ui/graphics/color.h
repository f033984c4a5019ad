#pragma once

#include <cstdint>

namespace win32_ui::ui::graphics {

// An opaque colour as the canvas takes it; translucency comes from the canvas opacity instead.
struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  // Unpacks a palette value laid out 0x00BBGGRR (the top byte is ignored).
  [[nodiscard]] static constexpr Color from_colorref(std::uint32_t value) noexcept {
    return Color{static_cast<std::uint8_t>(value & 0xFFu), static_cast<std::uint8_t>((value >> 8) & 0xFFu),
                 static_cast<std::uint8_t>((value >> 16) & 0xFFu)};
  }

  // Packs the colour as 0x00BBGGRR, the layout of palette entries and GDI colours.
  [[nodiscard]] constexpr std::uint32_t to_colorref() const noexcept {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
  }

  friend bool operator==(const Color&, const Color&) = default;
};

// Moves each channel of `from` towards `to` by `weight` (clamped to 0..1, NaN counts as 0) in whole
// 1/255 steps: (from × (255 - k) + to × k + 127) / 255 with k = round(weight × 255). Painting uses it
// to blend state colours by their animated progress.
[[nodiscard]] Color mix(Color from, Color to, float weight) noexcept;

}  // namespace win32_ui::ui::graphics
