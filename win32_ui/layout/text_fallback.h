#pragma once

#include <string_view>

#include "layout/geometry.h"
#include "layout/layout_context.h"
#include "layout/text_style.h"

namespace win32_ui::layout {

// A rough size for text when no measurer can answer: per-character advances times a style factor, and
// a fixed line height per style; a value outside the enumeration counts as body.
[[nodiscard]] Size fallback_text_size(std::wstring_view text, TextStyle style) noexcept;

// The size of one line of text in a style: the context's measurer when it answers, else the
// fallback estimate.
[[nodiscard]] Size measure_text(const LayoutContext& context, std::wstring_view text, TextStyle style);

}  // namespace win32_ui::layout
