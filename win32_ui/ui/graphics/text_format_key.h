#pragma once

#include <windows.h>

#include <dwrite.h>

#include <array>
#include <cstddef>

namespace win32_ui::ui::graphics {

struct TextStyle;

// Everything a DirectWrite text format is made from: the GDI font it stands for and the
// paragraph settings. Equal keys share one cached format on a thread.
struct TextFormatKey {
  HFONT font = nullptr;
  std::array<wchar_t, LF_FACESIZE> face{};  // NUL-terminated
  LONG height = -12;                         // GDI height; the format's size is its absolute value
  LONG weight = 400;
  bool italic = false;
  std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> locale{};  // NUL-terminated
  DWRITE_TEXT_ALIGNMENT text_alignment = DWRITE_TEXT_ALIGNMENT_LEADING;
  DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_NEAR;
  DWRITE_READING_DIRECTION reading_direction = DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
  DWRITE_WORD_WRAPPING word_wrapping = DWRITE_WORD_WRAPPING_WRAP;

  // The key for a GDI font (face, height, weight and italic from its LOGFONTW; "Segoe UI",
  // -12, 400 without a font or when it cannot be read) in this thread's user locale.
  [[nodiscard]] static TextFormatKey from_font(HFONT font, DWRITE_TEXT_ALIGNMENT text_alignment,
                                               DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment,
                                               DWRITE_READING_DIRECTION reading_direction,
                                               DWRITE_WORD_WRAPPING word_wrapping);

  // The key with which a canvas draws text in `style` using `font`.
  [[nodiscard]] static TextFormatKey for_text_style(HFONT font, const TextStyle& style);

  // The format's font size in DIPs: |height|, at least 1.
  [[nodiscard]] float font_size() const noexcept;

  friend bool operator==(const TextFormatKey&, const TextFormatKey&) = default;
};

// Hash of a format key for unordered containers.
struct TextFormatKeyHash {
  [[nodiscard]] std::size_t operator()(const TextFormatKey& key) const noexcept;
};

// The user's locale name, read once per thread; "en-US" when the query fails.
[[nodiscard]] const wchar_t* thread_locale_name() noexcept;

}  // namespace win32_ui::ui::graphics
