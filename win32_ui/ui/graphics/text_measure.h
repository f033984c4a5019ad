#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

namespace win32_ui::ui::graphics {

// The size of a laid-out text in the units of its font's height (pixels for the surface fonts).
struct TextExtent {
  float width = 0.0f;
  float height = 0.0f;

  friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// Measures `text` on one line in `font` with DirectWrite, through this thread's caches: the
// width includes trailing spaces. An empty text is (0, 0); no value when DirectWrite fails.
[[nodiscard]] std::optional<TextExtent> measure_text(HFONT font, std::wstring_view text);

}  // namespace win32_ui::ui::graphics
