#include "ui/graphics/text_format_key.h"

#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string_view>

#include "ui/graphics/text_style.h"

namespace win32_ui::ui::graphics {

namespace {

template <std::size_t N>
void copy_truncated(std::array<wchar_t, N>& target, const wchar_t* source) {
  target.fill(L'\0');
  for (std::size_t i = 0; i + 1 < N && source[i] != L'\0'; ++i) target[i] = source[i];
}

}  // namespace

const wchar_t* thread_locale_name() noexcept {
  thread_local std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> name = [] {
    std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> read{};
    if (GetUserDefaultLocaleName(read.data(), static_cast<int>(read.size())) <= 0 || read[0] == L'\0') {
      copy_truncated(read, L"en-US");
    }
    return read;
  }();
  return name.data();
}

TextFormatKey TextFormatKey::from_font(HFONT font, DWRITE_TEXT_ALIGNMENT text_alignment,
                                       DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment,
                                       DWRITE_READING_DIRECTION reading_direction,
                                       DWRITE_WORD_WRAPPING word_wrapping) {
  TextFormatKey key;
  key.font = font;
  LOGFONTW logfont{};
  if (font != nullptr && GetObjectW(font, sizeof(logfont), &logfont) == sizeof(logfont)) {
    copy_truncated(key.face, logfont.lfFaceName);
    key.height = logfont.lfHeight;
    // GDI reads "don't care" as normal; DirectWrite would read 0 as the thinnest weight.
    key.weight = logfont.lfWeight == FW_DONTCARE ? FW_NORMAL : logfont.lfWeight;
    key.italic = logfont.lfItalic != 0;
  } else {
    copy_truncated(key.face, L"Segoe UI");
  }
  copy_truncated(key.locale, thread_locale_name());
  key.text_alignment = text_alignment;
  key.paragraph_alignment = paragraph_alignment;
  key.reading_direction = reading_direction;
  key.word_wrapping = word_wrapping;
  return key;
}

TextFormatKey TextFormatKey::for_text_style(HFONT font, const TextStyle& style) {
  // Leading and trailing follow the reading direction, which turns start and end around.
  DWRITE_TEXT_ALIGNMENT text_alignment = DWRITE_TEXT_ALIGNMENT_LEADING;
  if (style.horizontal_alignment == 1) text_alignment = DWRITE_TEXT_ALIGNMENT_CENTER;
  if (style.horizontal_alignment == 2) text_alignment = DWRITE_TEXT_ALIGNMENT_TRAILING;
  DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_NEAR;
  if (style.vertical_alignment == 1) paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_CENTER;
  if (style.vertical_alignment == 2) paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_FAR;
  return from_font(font, text_alignment, paragraph_alignment,
                   style.is_right_to_left() ? DWRITE_READING_DIRECTION_RIGHT_TO_LEFT
                                            : DWRITE_READING_DIRECTION_LEFT_TO_RIGHT,
                   style.single_line ? DWRITE_WORD_WRAPPING_NO_WRAP : DWRITE_WORD_WRAPPING_WRAP);
}

float TextFormatKey::font_size() const noexcept {
  const long size = std::labs(static_cast<long>(height));
  return size < 1 ? 1.0f : static_cast<float>(size);
}

std::size_t TextFormatKeyHash::operator()(const TextFormatKey& key) const noexcept {
  std::size_t hash = std::hash<std::wstring_view>{}(std::wstring_view(key.face.data()));
  const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
  mix(std::hash<const void*>{}(key.font));
  mix(static_cast<std::size_t>(key.height));
  mix(static_cast<std::size_t>(key.weight));
  mix(static_cast<std::size_t>(key.italic) | static_cast<std::size_t>(key.text_alignment) << 1 |
      static_cast<std::size_t>(key.paragraph_alignment) << 4 | static_cast<std::size_t>(key.reading_direction) << 7 |
      static_cast<std::size_t>(key.word_wrapping) << 10);
  return hash;
}

}  // namespace win32_ui::ui::graphics
