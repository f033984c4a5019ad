#include "ui_language.h"

#include <windows.h>

namespace orvane::app {

UiLanguage first_ui_language(std::optional<UiLanguage> stored, std::uint16_t display_language) noexcept {
  if (stored) return *stored;
  return PRIMARYLANGID(display_language) == LANG_CHINESE ? UiLanguage::simplified_chinese : UiLanguage::english;
}

UiLanguage first_ui_language(std::optional<UiLanguage> stored) noexcept {
  return first_ui_language(stored, GetUserDefaultUILanguage());
}

}  // namespace orvane::app
