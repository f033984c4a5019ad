#include "ui/graphics/text_measure.h"

#include "ui/graphics/text_layout_cache.h"

namespace win32_ui::ui::graphics {

std::optional<TextExtent> measure_text(HFONT font, std::wstring_view text) {
  if (text.empty()) return TextExtent{};
  const TextFormatKey key =
      TextFormatKey::from_font(font, DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_PARAGRAPH_ALIGNMENT_CENTER,
                               DWRITE_READING_DIRECTION_LEFT_TO_RIGHT, DWRITE_WORD_WRAPPING_NO_WRAP);
  constexpr float box = 1000000.0f;
  const auto layout = TextLayoutCache::for_current_thread().get(key, text, box, box, false);
  DWRITE_TEXT_METRICS metrics{};
  if (layout == nullptr || FAILED(layout->GetMetrics(&metrics))) return std::nullopt;
  return TextExtent{metrics.widthIncludingTrailingWhitespace, metrics.height};
}

}  // namespace win32_ui::ui::graphics
