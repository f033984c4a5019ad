#include "layout/text_fallback.h"

#include <array>
#include <cstdint>

#include "layout/text_measurer.h"

namespace win32_ui::layout {
namespace {

struct StyleMetrics {
  float width_factor;
  float line_height;
};

constexpr std::array<StyleMetrics, 6> style_metrics{{
    {1.7f, 32.0f},
    {1.25f, 24.0f},
    {1.0f, 18.0f},
    {0.84f, 14.0f},
    {1.0f, 18.0f},
    {1.08f, 20.0f},
}};

bool is_wide(wchar_t c) noexcept {
  return (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE10 && c <= 0xFE6F) || (c >= 0xFF01 && c <= 0xFF60);
}

// Beyond the 16 bits of a UTF-16 unit: one code unit holds a whole supplementary character.
bool is_supplementary(std::uint32_t code) noexcept { return code > 0xFFFF; }

float advance(wchar_t c) noexcept {
  if (c == L' ') return 3.5f;
  if (c == L'%' || c == L'@' || c == L'M' || c == L'W') return 11.5f;
  if (c < 0x80) return 8.0f;
  if (is_wide(c)) return 12.0f;
  return 8.0f;
}

}  // namespace

Size fallback_text_size(std::wstring_view text, TextStyle style) noexcept {
  const auto index = static_cast<int>(style);
  const StyleMetrics& metrics = style_metrics[index >= 0 && index < 6 ? index : static_cast<int>(TextStyle::body)];
  float width = 0.0f;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (pair) {
      width += 12.0f;  // one character however it is encoded
      ++i;
      continue;
    }
    if (is_supplementary(static_cast<std::uint32_t>(c))) {  // the same where wide strings are UTF-32
      width += 12.0f;
      continue;
    }
    width += advance(c);
  }
  return Size{width * metrics.width_factor, metrics.line_height};
}

Size measure_text(const LayoutContext& context, std::wstring_view text, TextStyle style) {
  if (context.text_measurer != nullptr) {
    if (const auto measured = context.text_measurer->measure(text, font_slot(style))) return *measured;
  }
  return fallback_text_size(text, style);
}

}  // namespace win32_ui::layout
