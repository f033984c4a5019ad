#pragma once

#include <optional>
#include <string_view>

#include "layout/geometry.h"

namespace win32_ui::layout {

// How text-bearing views learn the size of their text during layout; the surface supplies one.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;

  // Size in DIPs of the text in one of the six text styles (1 to 6); no value for other styles or on failure.
  virtual std::optional<Size> measure(std::wstring_view text, int text_style) = 0;
};

}  // namespace win32_ui::layout
