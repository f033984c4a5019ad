#pragma once

#include <cstdint>

#include "theme/palette.h"

namespace win32_ui::modern {

// The accent surfaces use when nobody gives them one: RGB(0, 120, 215).
inline constexpr std::uint32_t default_accent = 0x00D77800u;

// What the system says about the theme at one moment.
struct SystemTheme {
  bool high_contrast = false;      // SPI_GETHIGHCONTRAST reports HCF_HIGHCONTRASTON
  bool apps_use_dark = false;      // "AppsUseLightTheme" read and equal to 0
};

// Reads the high-contrast state and the app theme of the current user; a failed read means light.
[[nodiscard]] SystemTheme read_system_theme() noexcept;

// The light palette for an accent (0x00BBGGRR).
[[nodiscard]] Palette light_palette(std::uint32_t accent) noexcept;

// The dark palette for an accent (0x00BBGGRR).
[[nodiscard]] Palette dark_palette(std::uint32_t accent) noexcept;

// The palette made of the system colours, used whenever high contrast is on.
[[nodiscard]] Palette high_contrast_palette() noexcept;

// The palette for a theme choice in a given system state: high contrast wins over any choice.
[[nodiscard]] Palette build_palette(ThemeMode mode, std::uint32_t accent, const SystemTheme& system) noexcept;

// The palette for a theme choice in the current system state.
[[nodiscard]] Palette build_palette(ThemeMode mode, std::uint32_t accent) noexcept;

// One window host's theme: the choice, the accent and the palette last built from them.
class ThemeState {
 public:
  explicit ThemeState(ThemeMode mode = ThemeMode::follow_system, std::uint32_t accent = default_accent) noexcept;

  [[nodiscard]] ThemeMode mode() const noexcept { return mode_; }
  [[nodiscard]] std::uint32_t accent() const noexcept { return accent_; }
  [[nodiscard]] const Palette& palette() const noexcept { return palette_; }

  // Rebuilds the palette from the system's current state; true when any value changed.
  bool refresh() noexcept;

  // Stores a new choice and refreshes; true when the palette changed.
  bool set_mode(ThemeMode mode) noexcept;

 private:
  ThemeMode mode_;
  std::uint32_t accent_;
  Palette palette_;
};

}  // namespace win32_ui::modern
