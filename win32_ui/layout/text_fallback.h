#pragma once

#include <string_view>

#include "layout/geometry.h"
#include "layout/layout_context.h"

namespace win32_ui::layout {

// A rough size for text when no measurer can answer: per-character advances times a style factor, and
// a fixed line height per style. `text_style` is the widget's index 0 to 5; other values count as 2.
[[nodiscard]] Size fallback_text_size(std::wstring_view text, int text_style) noexcept;

// The size of one line of text in a text style (0 to 5): the context's measurer when it answers, else
// the fallback estimate.
[[nodiscard]] Size measure_text(const LayoutContext& context, std::wstring_view text, int text_style);

}  // namespace win32_ui::layout
