#pragma once

#include <optional>

#include "theme/palette.h"
#include "ui_language.h"

namespace orvane::app {

// The two choices that outlive the process, kept per user in HKCU\Software\Kestrune\Orvane.
struct Preferences {
  // Nothing when "Language" is missing, not a DWORD, or neither 1 (Simplified Chinese) nor
  // 2 (English).
  std::optional<UiLanguage> language;
  // "ThemeMode": 1 light, 2 dark; anything else, and a missing value, follow the system.
  win32_ui::modern::ThemeMode theme = win32_ui::modern::ThemeMode::follow_system;
};

// Reads both values, once, at start. A missing key reads as no preference.
[[nodiscard]] Preferences read_preferences() noexcept;

// Store "Language" (1 Simplified Chinese, 2 English) and "ThemeMode" (1 light, 2 dark, 0 for any
// other mode), creating the key when it is missing. False when the registry refuses; the caller
// keeps the choice for the running program all the same.
bool write_language_preference(UiLanguage language) noexcept;
bool write_theme_preference(win32_ui::modern::ThemeMode mode) noexcept;

}  // namespace orvane::app
