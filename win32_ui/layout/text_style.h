#pragma once

#include <cstdint>

namespace win32_ui::layout {

// The six typographic styles of the toolkit's text, named by use. The surface's fonts (Segoe UI):
// title 22 pt semibold, section 15 pt semibold, body 11 pt, caption 9 pt, button 11 pt semibold,
// subtitle 12 pt semibold.
enum class TextStyle : std::int32_t {
  title = 0,
  section = 1,
  body = 2,
  caption = 3,
  button = 4,
  subtitle = 5,
};

// The surface font (1 to 6) that draws and measures a style.
[[nodiscard]] constexpr int font_slot(TextStyle style) noexcept { return static_cast<int>(style) + 1; }

}  // namespace win32_ui::layout
