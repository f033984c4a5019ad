#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modern/widgets/interactive.h"

namespace orvane::app {

// The colour button of the controls panel: a swatch of the colour and its "#RRGGBB" text on a field.
// It is invoked by a click, by Space or Enter, and by an accessibility invoke, as a button is.
class ColorField : public win32_ui::modern::Interactive {
 public:
  ColorField(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

  [[nodiscard]] std::uint8_t red() const noexcept { return red_; }
  [[nodiscard]] std::uint8_t green() const noexcept { return green_; }
  [[nodiscard]] std::uint8_t blue() const noexcept { return blue_; }

  // Shows another colour (swatch and text) and repaints.
  ColorField& set_color(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // Runs `action` each time the field is invoked.
  ColorField& on_invoked(std::function<void()> action);

  void paint(win32_ui::modern::PaintContext& context) override;

 protected:
  void paint_focus_ring(win32_ui::modern::PaintContext& context) override;

 private:
  std::uint8_t red_;
  std::uint8_t green_;
  std::uint8_t blue_;
};

// The colour as "#RRGGBB" (upper-case hex).
[[nodiscard]] std::wstring hex_color_text(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

}  // namespace orvane::app
