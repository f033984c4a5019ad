#include "preferences.h"

#include <windows.h>

#include <cstdint>

#include "registry_key.h"

namespace orvane::app {
namespace {

constexpr const wchar_t* key_path = L"Software\\Kestrune\\Orvane";
constexpr const wchar_t* language_value = L"Language";
constexpr const wchar_t* theme_value = L"ThemeMode";

// The registry numbers the languages from 1, so that 0 (an empty DWORD) means no choice.
constexpr std::uint32_t stored_chinese = 1;
constexpr std::uint32_t stored_english = 2;

bool write_dword(const wchar_t* name, std::uint32_t value) noexcept {
  const DWORD data = value;
  return RegSetKeyValueW(HKEY_CURRENT_USER, key_path, name, REG_DWORD, &data, sizeof(data)) == ERROR_SUCCESS;
}

}  // namespace

Preferences read_preferences() noexcept {
  using win32_ui::modern::ThemeMode;
  Preferences preferences;
  const RegistryKey key = RegistryKey::open_for_reading(HKEY_CURRENT_USER, key_path);
  if (const auto language = key.read_dword(language_value)) {
    if (*language == stored_chinese) preferences.language = UiLanguage::simplified_chinese;
    if (*language == stored_english) preferences.language = UiLanguage::english;
  }
  if (const auto theme = key.read_dword(theme_value)) {
    if (*theme == static_cast<std::uint32_t>(ThemeMode::light)) preferences.theme = ThemeMode::light;
    if (*theme == static_cast<std::uint32_t>(ThemeMode::dark)) preferences.theme = ThemeMode::dark;
  }
  return preferences;
}

bool write_language_preference(UiLanguage language) noexcept {
  return write_dword(language_value, language == UiLanguage::simplified_chinese ? stored_chinese : stored_english);
}

bool write_theme_preference(win32_ui::modern::ThemeMode mode) noexcept {
  using win32_ui::modern::ThemeMode;
  const bool known = mode == ThemeMode::light || mode == ThemeMode::dark;
  return write_dword(theme_value, known ? static_cast<std::uint32_t>(mode) : 0u);
}

}  // namespace orvane::app
