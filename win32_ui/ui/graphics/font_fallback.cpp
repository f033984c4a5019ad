#include "ui/graphics/font_fallback.h"

#include <cstddef>
#include <cstdint>

namespace win32_ui::ui::graphics {

using Microsoft::WRL::ComPtr;

namespace {

// Whether `font` has a glyph for `code_point`; a failed query counts as no.
bool has_character(IDWriteFont& font, std::uint32_t code_point) {
  BOOL exists = FALSE;
  return SUCCEEDED(font.HasCharacter(code_point, &exists)) && exists;
}

}  // namespace

FontFallback::FontFallback(IDWriteFactory* factory) {
  ComPtr<IDWriteFontCollection> collection;
  if (factory == nullptr || FAILED(factory->GetSystemFontCollection(&collection, FALSE))) return;
  UINT32 index = 0;
  BOOL exists = FALSE;
  ComPtr<IDWriteFontFamily> family;
  if (FAILED(collection->FindFamilyName(cjk_family, &index, &exists)) || !exists ||
      FAILED(collection->GetFontFamily(index, &family))) {
    return;
  }
  (void)family->GetFirstMatchingFont(DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STRETCH_NORMAL, DWRITE_FONT_STYLE_NORMAL,
                                     &fallback_);
}

int FontFallback::apply(IDWriteTextLayout& layout, std::wstring_view text, IDWriteFont* primary) const {
  if (fallback_ == nullptr || primary == nullptr) return 0;
  int runs = 0;
  std::size_t run_start = 0;
  bool in_run = false;
  const auto close_run = [&](std::size_t end) {
    if (!in_run) return;
    in_run = false;
    const DWRITE_TEXT_RANGE range{static_cast<UINT32>(run_start), static_cast<UINT32>(end - run_start)};
    if (SUCCEEDED(layout.SetFontFamilyName(cjk_family, range))) ++runs;
  };
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code_point = static_cast<std::uint16_t>(text[i]);
    std::size_t length = 1;
    if (code_point >= 0xD800 && code_point < 0xDC00 && i + 1 < text.size()) {
      const std::uint32_t low = static_cast<std::uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
        length = 2;
      }
    }
    const bool needs_fallback = !has_character(*primary, code_point) && has_character(*fallback_.Get(), code_point);
    if (needs_fallback && !in_run) {
      in_run = true;
      run_start = i;
    } else if (!needs_fallback) {
      close_run(i);
    }
    i += length;
  }
  close_run(text.size());
  return runs;
}

}  // namespace win32_ui::ui::graphics
